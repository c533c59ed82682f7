#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A small writer of intra-coded video streams for the cases ffmpeg cannot make: 4:4:4, field
// pictures, D pictures, odd headers and corrupt data. Blocks carry a DC term only, so every
// 8x8 block is flat with a value that depends on its place.
namespace mpegtest {

class BitWriter {
 public:
  void Put(uint32_t value, int bits);
  void PutCode(const char* bits);  // "0010 1": spaces ignored
  void Align();                    // zero bits up to the next byte
  void StartCode(uint8_t code);    // aligns, then 00 00 01 code
  std::vector<uint8_t>& Bytes();

 private:
  std::vector<uint8_t> bytes_;
  uint32_t acc_ = 0;
  int count_ = 0;
};

struct SynthStream {
  int width = 64;
  int height = 48;
  bool mpeg2 = true;
  int chromaFormat = 1;  // 1 4:2:0, 2 4:2:2, 3 4:4:4 (0 to test refusal)
  int progressiveSequence = 1;
  bool fieldPictures = false;  // each frame as a top and a bottom field picture
  bool bottomFieldFirst = false;
  int pictureType = 1;  // 1 I, 4 D (11172-2 only)
  int pictures = 1;
  int frameRateCode = 3;
  int frameRateExtN = 0;
  int frameRateExtD = 0;
  bool gop = true;
  int tcHours = 0, tcMinutes = 0, tcSeconds = 0, tcPictures = 0;
  bool dropFrame = false;
  int intraDcPrecision = 0;
  int intraVlcFormat = 0;
  int framePredFrameDct = 1;
  int matrixCoefficients = -1;  // >= 0 writes a sequence display extension
  bool temporalScalable = false;
  bool lowDelay = false;
  bool sequenceEnd = true;
  bool spatialScalableZeroFactors = false;
  int scalableModeCode = -1;  // >= 0: a sequence scalable extension of that coded mode (0 or 2)
  bool pictureSpatialExtension = false;
  int stuffingPerMacroblock =
      0;  // address-increment stuffing codes before each macroblock  // a spatial scalable extension with m = n = 0
  int skipRowsFrom = -1;     // slices of rows from here on are left out
  int lastSliceEscapes = 0;  // address-increment escapes before the last slice's first macroblock
  int seed = 0;              // varies the block values
};

std::vector<uint8_t> MakeIntraStream(const SynthStream& s);
// The sample value the writer gives block (bx, by) of component cc in picture p.
int SynthBlockValue(const SynthStream& s, int picture, int cc, int bx, int by);

// Wraps an elementary stream into a program stream of packs with packets of `payload` bytes,
// with an audio packet and an empty video packet between the video packets.
std::vector<uint8_t> WrapProgramStream(const std::vector<uint8_t>& es, int payload, bool mpeg2Packets);
}  // namespace mpegtest
