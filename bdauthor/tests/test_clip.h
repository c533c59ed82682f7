// A small transport-stream muxer in the recorder's layout (video 0x1011, LPCM audio 0x1100, PCR
// packets on 0x1001, no adaptation field where a PES starts) with its ".ptsinfo" companion, and
// a synthetic MPEG-2 elementary stream to feed it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bdauthor::test {

struct SyntheticVideo {
  int width = 1440;
  int height = 1080;
  bool progressive = false;
  int frameRateCode = 4;  // 29.97
  int aspectCode = 3;     // 16:9
  int gops = 4;
  int framesPerGop = 15;
  int frameBytes = 2000;  // picture data per frame
  bool extension = true;  // false: MPEG-1 video, which has no sequence extension
};

// Sequence header and extension before every GOP, then pictures of filler without start codes.
std::vector<std::uint8_t> MakeMpeg2Stream(const SyntheticVideo& video);

struct AccessUnit {
  std::size_t offset = 0;
  std::size_t size = 0;
  bool sequenceStart = false;  // begins with a sequence header
};
// Splits an MPEG-2 elementary stream into pictures; headers belong to the picture they precede.
std::vector<AccessUnit> SplitAccessUnits(const std::vector<std::uint8_t>& es);

enum class Sound { kLpcm, kAc3, kMp2 };

struct MuxOptions {
  std::int64_t firstPts = 900000;  // 10 s, 90 kHz
  std::int64_t frameDuration = 3003;
  bool audio = true;
  Sound sound = Sound::kLpcm;
  std::uint8_t lpcmFormat = 0x31;  // stereo, 48 kHz
  std::uint32_t firstStamp = 1000;
  std::uint32_t stampStep = 1353;  // about 30 Mbit/s
  // Puts an adaptation field (random access flag) in front of every video PES start, as
  // general-purpose muxers do.
  bool adaptationAtPesStart = false;
  // Stuffing in an adaptation field ahead of every video PES start, so that little of the PES
  // header (or of the picture after it) fits in its first packet.
  std::size_t pesStartStuffing = 0;
  // Pads to a whole aligned unit of 32 packets, as disc players read them.
  bool alignUnits = true;
};

struct MuxedEntry {
  std::int64_t firstPacket = 0;
  std::int64_t pts = 0;
  std::int64_t lastPacket = 0;
};

struct MuxedClip {
  std::vector<std::uint8_t> bytes;
  std::vector<MuxedEntry> entries;  // one per sequence header
  std::int64_t lastVideoPts = 0;
  std::string Companion() const;  // the recorder's ".ptsinfo" text
};

MuxedClip MuxClip(const std::vector<std::uint8_t>& es, const MuxOptions& options);
// The same with the pictures given, for streams whose pictures SplitAccessUnits cannot find.
MuxedClip MuxUnits(const std::vector<std::uint8_t>& es, const std::vector<AccessUnit>& units,
                   const MuxOptions& options);

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);

}  // namespace bdauthor::test
