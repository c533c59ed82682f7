// Damaged and hostile input: always a result code, never a crash or a read out of bounds.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "mpegdec/mpeg_errors.h"
#include "mpegdec/tests/stream_writer.h"
#include "mpegdec/tests/test_media.h"
#include "mpegdec/video_decoder.h"

using namespace mpegtest;

namespace {
bool IsListedCode(int r) {
  static const int kCodes[] = {1, 0, -2, -3, -4, -5, -6, -7, -8, -9, -22, -127};
  for (int c : kCodes)
    if (r == c) return true;
  return false;
}

// The clip list's whole sequence on one file; returns the open result.
int RunProductPath(const std::vector<uint8_t>& data) {
  std::string path = TempPath("bad.mpg");
  WriteAll(path, data);
  CMpegVideoDecoder d;
  int r = d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048);
  EXPECT_TRUE(IsListedCode(r)) << r;
  if (r != 1) return r;
  std::vector<uint8_t> out(size_t(d.picture.OutputSize(kOutputBitmap)));
  CMpegStreamReader& reader = *d.baseReader();
  int c = reader.CountPictures();
  EXPECT_TRUE(IsListedCode(c)) << c;
  int p = d.picture.Prepare();
  EXPECT_TRUE(IsListedCode(p)) << p;
  uint16_t w, h;
  int n = d.picture.DecodeToRgb(out.data(), &w, &h, kOutputBitmap);
  EXPECT_EQ(n, int(out.size()));
  return r;
}
}  // namespace

TEST(BadInput, TruncatedStreamsAtEveryLength) {
  SynthStream s;
  s.width = 48;
  s.height = 32;
  s.pictures = 3;
  std::vector<uint8_t> full = MakeIntraStream(s);
  for (size_t n = 0; n <= full.size(); n += 3) RunProductPath(std::vector<uint8_t>(full.begin(), full.begin() + n));
  std::vector<uint8_t> ps = WrapProgramStream(full, 50, true);
  for (size_t n = 0; n <= ps.size(); n += 7) RunProductPath(std::vector<uint8_t>(ps.begin(), ps.begin() + n));
}

TEST(BadInput, CorruptSlicesAndHeaders) {
  SynthStream s;
  s.width = 80;
  s.height = 64;
  s.pictures = 2;
  s.chromaFormat = 2;
  std::vector<uint8_t> good = MakeIntraStream(s);
  std::mt19937 rng(17);
  int opened = 0;
  for (int n = 0; n < 400; ++n) {
    std::vector<uint8_t> bad = good;
    int flips = 1 + int(rng() % 8);
    for (int k = 0; k < flips; ++k) bad[rng() % bad.size()] ^= uint8_t(1 << (rng() % 8));
    opened += RunProductPath(bad) == 1;
  }
  EXPECT_GT(opened, 100);  // most damage is inside the slices, which still open
}

TEST(BadInput, RandomBytesAndAbsurdSizes) {
  std::mt19937 rng(23);
  for (int n = 0; n < 50; ++n) {
    std::vector<uint8_t> junk(1 + rng() % 5000);
    for (auto& b : junk) b = uint8_t(rng() % 4 ? rng() : 0);
    if (n % 2) junk.insert(junk.begin(), {0, 0, 1, 0xB3});
    RunProductPath(junk);
  }
  // The largest size a sequence header can give without its extension still decodes.
  SynthStream s;
  s.width = 4095;
  s.height = 4095;
  EXPECT_EQ(RunProductPath(MakeIntraStream(s)), 1);
}

TEST(BadInput, RefusedFirstPictureMakesNoThumbnail) {
  // A picture coding type of 0 is refused by the picture decoder; a thumbnail made anyway
  // would be a black box counted as a picture of the clip.
  SynthStream s;
  s.pictureType = 0;
  s.pictures = 2;
  const std::string path = TempPath("type0.m2v");
  WriteAll(path, MakeIntraStream(s));
  MpegThumbnail thumb;
  EXPECT_LT(DecodeMpegThumbnail(path.c_str(), thumb), 0);
  EXPECT_TRUE(thumb.bitmap.empty());
  // The same stream with a valid type still decodes, so the refusal is the type's alone.
  s.pictureType = 1;
  WriteAll(path, MakeIntraStream(s));
  EXPECT_EQ(DecodeMpegThumbnail(path.c_str(), thumb), 1);
}
