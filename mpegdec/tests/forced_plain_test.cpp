// Whole decodes with the plain C kernels forced against the processor's own, byte for byte: every
// plane of every picture and every converted output, on streams with motion and noise.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mpegdec/block_ops.h"
#include "mpegdec/row_ops.h"
#include "mpegdec/tests/stream_writer.h"
#include "mpegdec/tests/test_media.h"
#include "mpegdec/video_decoder.h"

using namespace mpegtest;

namespace {

struct Stepper {
  CMpegVideoDecoder decoder;
  bool Open(const std::string& path) { return decoder.Open(path.c_str(), nullptr, 0, 0, 2048, 2048) == 1; }
  void ForcePlain() {
    decoder.picture.UseBlockOps(mpegdec::PlainBlockOps());
    decoder.picture.UseRowOps(mpegdec::PlainRowOps());
  }
  bool Next() {
    CMpegStreamReader& r = *decoder.baseReader();
    const int fieldState = r.header.picture_structure != kFramePicture && !r.secondField ? 1 : 0;
    if (r.FindNextPicture(fieldState, 0, r.pictureNumber + 1) != 1) return false;
    decoder.picture.SelectCurrentFrame(true);
    return true;
  }
  std::vector<uint8_t> Output(int format) {
    std::vector<uint8_t> out(size_t(decoder.picture.OutputSize(format)));
    uint16_t w = 0, h = 0;
    const int n = decoder.picture.DecodeToRgb(out.data(), &w, &h, format);
    out.resize(n > 0 ? size_t(n) : 0);
    return out;
  }
};

// Steps both decoders through the file and returns the number of pictures compared.
int CompareWholeDecode(const std::string& path) {
  Stepper fast, plain;
  EXPECT_TRUE(fast.Open(path) && plain.Open(path)) << path;
  if (::testing::Test::HasFailure()) return 0;
  plain.ForcePlain();
  int pictures = 0;
  do {
    EXPECT_EQ(fast.decoder.picture.Prepare(), 1) << path << " picture " << pictures;
    EXPECT_EQ(plain.decoder.picture.Prepare(), 1) << path << " picture " << pictures;
    for (int format :
         {kOutputLuma, kOutputCb, kOutputCr, kOutputBitmap, kOutputTarga, kOutputPacked422, kOutputPixmap}) {
      const std::vector<uint8_t> a = fast.Output(format), b = plain.Output(format);
      EXPECT_FALSE(a.empty()) << path << " format " << format;
      EXPECT_TRUE(a == b) << path << ": " << mpegdec::ActiveBlockOps().name << "/" << mpegdec::ActiveRowOps().name
                          << " and C differ at picture " << pictures << ", format " << format;
    }
    if (::testing::Test::HasFailure()) return pictures;
    ++pictures;
  } while (fast.Next() && plain.Next());
  return pictures;
}

struct Made {
  const char* name;
  const char* args;
};

}  // namespace

TEST(ForcedPlainKernels, MovingStreamsDecodeAndConvertAlike) {
  // Moving shapes under noise that changes every picture: every prediction case, coded and
  // first-only blocks, field and frame transforms, the three chroma upsamplings.
#define MOVING(size) "-f lavfi -i testsrc2=size=" size ":rate=25,noise=alls=12:allf=t+u "
  const Made streams[] = {
      {"plain_prog420.mpg", MOVING("176x144") "-frames:v 9 -c:v mpeg2video -g 9 -bf 2 -q:v 5 -f vob"},
      {"plain_int420.m2v",
       MOVING("360x288") "-frames:v 7 -c:v mpeg2video -g 7 -bf 2 -flags +ilme+ildct -top 1 -q:v 3 -f mpeg2video"},
      {"plain_int422.m2v", MOVING("192x128") "-frames:v 7 -pix_fmt yuv422p -c:v mpeg2video -g 7 -bf 2 "
                                             "-flags +ilme+ildct -alternate_scan 1 -q:v 2 -f mpeg2video"},
      {"plain_mpeg1.mpg", MOVING("200x120") "-frames:v 7 -c:v mpeg1video -g 7 -bf 2 -q:v 4 -f mpeg"},
  };
#undef MOVING
  for (const Made& m : streams) {
    const std::string path = TempPath(m.name);
    if (!Ffmpeg(std::string(m.args) + " " + path)) GTEST_SKIP() << "ffmpeg cannot make " << m.name;
    EXPECT_GE(CompareWholeDecode(path), 7) << m.name;
  }
}

TEST(ForcedPlainKernels, FullChromaAndOddSizesConvertAlike) {
  // 4:4:4 takes the colour kernel without upsampling; widths off the vector sizes leave tails.
  const struct {
    int width, height, chromaFormat, progressive;
  } cases[] = {{64, 32, 3, 1}, {72, 48, 1, 0}, {88, 40, 2, 0}, {120, 64, 1, 1}};
  for (const auto& c : cases) {
    SynthStream s;
    s.width = c.width;
    s.height = c.height;
    s.chromaFormat = c.chromaFormat;
    s.progressiveSequence = c.progressive;
    s.matrixCoefficients = 6;
    const std::string path = TempPath("plain_synth" + std::to_string(c.width) + ".m2v");
    WriteAll(path, MakeIntraStream(s));
    EXPECT_GE(CompareWholeDecode(path), 1) << c.width << "x" << c.height;
  }
}
