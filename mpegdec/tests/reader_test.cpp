// Opening, stream detection, refusals, picture counting and display indices.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "mpegdec/mpeg_errors.h"
#include "mpegdec/tests/stream_writer.h"
#include "mpegdec/tests/test_media.h"
#include "mpegdec/video_decoder.h"

using namespace mpegtest;
using namespace mpegdec;

namespace {
std::string Write(const std::string& name, const std::vector<uint8_t>& data) {
  std::string path = TempPath(name);
  WriteAll(path, data);
  return path;
}

int OpenResult(const std::vector<uint8_t>& data, int maxW = 2048, int maxH = 2048) {
  std::string path = Write("open.bin", data);
  CMpegVideoDecoder d;
  return d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048, maxW, maxH);
}

struct Counted {
  int open = 0, count = 0, first = -1, last = -1, stride = 0;
};

Counted Count(const std::vector<uint8_t>& data) {
  std::string path = Write("count.bin", data);
  CMpegVideoDecoder d;
  Counted c;
  c.open = d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048);
  if (c.open != 1) return c;
  CMpegStreamReader& r = *d.baseReader();
  c.stride = r.pictureStride;
  c.first = r.firstPictureIndex;
  r.CountPictures();
  c.last = r.lastPictureIndex;
  c.count = r.PictureCount();
  return c;
}
}  // namespace

TEST(StreamReader, RefusesWhatIsNotAnMpegVideoStream) {
  EXPECT_EQ(OpenResult({}), kMalformed);
  std::vector<uint8_t> ts(188 * 20, 0xFF);
  for (size_t i = 0; i < ts.size(); i += 188) ts[i] = 0x47;
  EXPECT_EQ(OpenResult(ts), kBadFormat);
  std::mt19937 rng(5);
  std::vector<uint8_t> noise(100000);
  for (auto& b : noise) b = uint8_t(rng() % 255 + 1);  // no zero bytes: no start code at all
  noise[0] = 0x12;
  EXPECT_EQ(OpenResult(noise), kMalformed);
  // An audio-only program stream has no video packet.
  std::vector<uint8_t> audio = {0, 0, 1,    0xBA, 0x21, 0,    1, 0, 1, 0x80, 0x1B, 0x91, 0,
                                0, 1, 0xC0, 0,    4,    0x0F, 1, 2, 3, 0,    0,    1,    0xB9};
  EXPECT_LT(OpenResult(audio), 0);
  CMpegVideoDecoder d;
  EXPECT_EQ(d.Open(TempPath("does-not-exist.mpg").c_str(), nullptr, 0, 0, 2048, 2048), kFileError);
  EXPECT_EQ(d.state, kNotOpen);
}

TEST(StreamReader, RefusesUnusableSequences) {
  SynthStream s;
  s.chromaFormat = 0;
  EXPECT_EQ(OpenResult(MakeIntraStream(s)), kBadFormat);
  SynthStream t;
  t.temporalScalable = true;
  EXPECT_EQ(OpenResult(MakeIntraStream(t)), kBadFormat);
  SynthStream big;
  big.width = 2064;
  big.height = 64;
  EXPECT_EQ(OpenResult(MakeIntraStream(big)), kBadFormat);
  EXPECT_EQ(OpenResult(MakeIntraStream(big), 4096, 4096), 1);
  // Spatial scalability with zero subsampling factors would divide by zero.
  SynthStream spatial;
  spatial.spatialScalableZeroFactors = true;
  EXPECT_EQ(OpenResult(MakeIntraStream(spatial)), kBadFormat);
  SynthStream zero;
  zero.width = 0;
  EXPECT_EQ(OpenResult(MakeIntraStream(zero)), kBadFormat);
  // Open on an open decoder changes nothing.
  std::string path = Write("twice.m2v", MakeIntraStream(SynthStream{}));
  CMpegVideoDecoder d;
  ASSERT_EQ(d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048), 1);
  EXPECT_EQ(d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048), kBadState);
  EXPECT_EQ(d.state, 1);
  // Two layers of which neither is scalable.
  CMpegVideoDecoder two;
  EXPECT_EQ(two.Open(path.c_str(), path.c_str(), 0, 0, 2048, 2048), kBadState);
}

TEST(StreamReader, HeaderDefaultsStrideAndFrameRates) {
  SynthStream m1;
  m1.mpeg2 = false;
  m1.width = 352;
  m1.height = 288;
  std::string path = Write("m1.m1v", MakeIntraStream(m1));
  CMpegVideoDecoder d;
  ASSERT_EQ(d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048), 1);
  EXPECT_EQ(d.baseHeader->progressive_sequence, 1);
  EXPECT_EQ(d.baseHeader->chroma_format, 1);
  EXPECT_EQ(d.baseHeader->matrix_coefficients, 5);
  EXPECT_EQ(d.baseReader()->pictureStride, 144);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(d.baseHeader->non_intra_quantiser_matrix[i], 16);
    EXPECT_EQ(d.baseHeader->chroma_intra_quantiser_matrix[i], d.baseHeader->intra_quantiser_matrix[i]);
  }
  EXPECT_EQ(d.baseHeader->intra_quantiser_matrix[63], 83);

  SynthStream i2;
  i2.width = 720;
  i2.height = 576;
  i2.progressiveSequence = 0;
  EXPECT_EQ(Count(MakeIntraStream(i2)).stride, 290);

  struct Rate {
    int code, n, d;
    double fps;
  } rates[] = {{1, 0, 0, 24000.0 / 1001},
               {4, 0, 0, 30000.0 / 1001},
               {7, 0, 0, 60000.0 / 1001},
               {3, 1, 0, 50.0},
               {3, 0, 1, 12.5}};
  for (const Rate& r : rates) {
    SynthStream s;
    s.frameRateCode = r.code;
    s.frameRateExtN = r.n;
    s.frameRateExtD = r.d;
    std::string p = Write("rate.m2v", MakeIntraStream(s));
    CMpegVideoDecoder dr;
    ASSERT_EQ(dr.Open(p.c_str(), nullptr, 0, 0, 2048, 2048), 1);
    EXPECT_DOUBLE_EQ(dr.baseHeader->frame_rate, r.fps) << r.code << " " << r.n << "/" << r.d;
  }
}

TEST(StreamReader, CountsPicturesAndIndexesTimeCodes) {
  SynthStream s;
  s.pictures = 7;
  Counted c = Count(MakeIntraStream(s));
  ASSERT_EQ(c.open, 1);
  EXPECT_EQ(c.first, 0);
  EXPECT_EQ(c.last, 6);
  EXPECT_EQ(c.count, 7);
  // One picture is a picture: the count is 1, and the thumbnail is made.
  s.pictures = 1;
  c = Count(MakeIntraStream(s));
  EXPECT_EQ(c.count, 1);
  MpegThumbnail thumb;
  ASSERT_EQ(DecodeMpegThumbnail(Write("one.m2v", MakeIntraStream(s)).c_str(), thumb), 1);
  EXPECT_EQ(thumb.pictureCount, 1);
  EXPECT_EQ(thumb.width, s.width);
  // 00:00:01 and 3 pictures at 25 frames per second.
  s.pictures = 4;
  s.tcSeconds = 1;
  s.tcPictures = 3;
  c = Count(MakeIntraStream(s));
  EXPECT_EQ(c.first, 28);
  EXPECT_EQ(c.last, 31);
  EXPECT_EQ(c.count, 4);
  // One minute at 30000/1001: 1798 frames with drop-frame time code, 1800 without.
  s.frameRateCode = 4;
  s.tcSeconds = 0;
  s.tcMinutes = 1;
  s.tcPictures = 0;
  s.dropFrame = true;
  EXPECT_EQ(Count(MakeIntraStream(s)).first, 1798);
  s.dropFrame = false;
  EXPECT_EQ(Count(MakeIntraStream(s)).first, 1800);
  // Without group headers the indices count from the start of the data.
  s.gop = false;
  c = Count(MakeIntraStream(s));
  EXPECT_EQ(c.first, 0);
  EXPECT_EQ(c.count, 4);
  // Through a program stream, and with the sequence end missing.
  s.gop = true;
  s.sequenceEnd = false;
  s.pictures = 5;
  c = Count(WrapProgramStream(MakeIntraStream(s), 200, true));
  EXPECT_EQ(c.count, 5);
}

TEST(StreamReader, CountingLeavesTheFirstPictureReadyAndFreezesSizes) {
  // A later sequence header that claims another size must not resize the output.
  SynthStream a;
  a.width = 64;
  a.height = 48;
  a.pictures = 2;
  a.sequenceEnd = false;
  SynthStream b = a;
  b.width = 128;
  b.height = 96;
  b.seed = 3;
  b.tcPictures = 2;  // the second group follows on in display order
  std::vector<uint8_t> data = MakeIntraStream(a), tail = MakeIntraStream(b);
  data.insert(data.end(), tail.begin(), tail.end());
  std::string path = Write("resize.m2v", data);
  CMpegVideoDecoder d;
  ASSERT_EQ(d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048), 1);
  int64_t size = d.picture.OutputSize(kOutputBitmap);
  ASSERT_EQ(d.baseReader()->CountPictures(), 1);
  EXPECT_EQ(d.baseReader()->PictureCount(), 4);
  EXPECT_EQ(d.baseHeader->horizontal_size, 64);
  ASSERT_EQ(d.picture.Prepare(), 1);
  std::vector<uint8_t> out(size_t(size) + 64, 0xEE);
  uint16_t w, h;
  EXPECT_EQ(d.picture.DecodeToRgb(out.data(), &w, &h, kOutputBitmap), size);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(out[size_t(size)], 0xEE);
  // The first picture, not the last: the luma of block (0,0) is the first stream's.
  std::vector<uint8_t> luma(size_t(d.picture.OutputSize(kOutputLuma)));
  d.picture.DecodeToRgb(luma.data(), &w, &h, kOutputLuma);
  EXPECT_EQ(luma[0], SynthBlockValue(a, 0, 0, 0, 0));
}

TEST(StreamReader, PositionsBeyondTwoGigabytes) {
  // Two groups with 2.2 GB of zeros between them (a sparse file): counting reads the last
  // group, which lies beyond 32-bit offsets.
  SynthStream a;
  a.pictures = 2;
  a.sequenceEnd = false;
  SynthStream b = a;
  b.tcPictures = 2;
  b.sequenceEnd = true;
  std::string path = TempPath("big.m2v");
  WriteAll(path, MakeIntraStream(a));
  std::vector<uint8_t> tail = MakeIntraStream(b);
  FILE* f = fopen(path.c_str(), "r+b");
  ASSERT_TRUE(f);
  ASSERT_EQ(fseeko(f, int64_t(2200) << 20, SEEK_SET), 0);
  ASSERT_EQ(fwrite(tail.data(), 1, tail.size(), f), tail.size());
  fclose(f);
  CMpegVideoDecoder d;
  ASSERT_EQ(d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048), 1);
  ASSERT_EQ(d.baseReader()->CountPictures(), 1);
  EXPECT_EQ(d.baseReader()->PictureCount(), 4);
  EXPECT_GT(d.baseReader()->bytesPerPicture, 500000000);
  EXPECT_EQ(d.picture.Prepare(), 1);
  remove(path.c_str());
}

TEST(StreamReader, TwoLayersAndScalablePictures) {
  SynthStream base;
  base.width = 64;
  base.height = 48;
  SynthStream snr = base;
  snr.scalableModeCode = 2;
  std::string basePath = Write("base.m2v", MakeIntraStream(base));
  // Layers of different heights do not fit together.
  SynthStream tall = snr;
  tall.height = 64;
  std::string tallPath = Write("tall.m2v", MakeIntraStream(tall));
  CMpegVideoDecoder mismatch;
  EXPECT_EQ(mismatch.Open(basePath.c_str(), tallPath.c_str(), 0, 0, 2048, 2048), kBadFormat);
  EXPECT_EQ(mismatch.state, kNotOpen);
  // An SNR layer and a data-partitioned base open and decode to a listed result; the layers'
  // data are not what those modes expect, which is what damaged input looks like.
  SynthStream partitioned = base;
  partitioned.scalableModeCode = 0;
  std::string snrPath = Write("snr.m2v", MakeIntraStream(snr));
  std::string dpPath = Write("dp.m2v", MakeIntraStream(partitioned));
  std::pair<std::string, std::string> pairs[] = {{basePath, snrPath}, {dpPath, basePath}};
  for (const auto& [b, e] : pairs) {
    CMpegVideoDecoder two;
    ASSERT_EQ(two.Open(b.c_str(), e.c_str(), 0, 0, 2048, 2048), 1);
    int r = two.picture.Prepare();
    EXPECT_TRUE(r == 1 || r == 0 || r == kReadError) << r;
    std::vector<uint8_t> out(size_t(two.picture.OutputSize(kOutputBitmap)));
    uint16_t w, h;
    EXPECT_EQ(two.picture.DecodeToRgb(out.data(), &w, &h, kOutputBitmap), int(out.size()));
  }
  // A spatially scalable picture cannot be decoded without its lower layer.
  SynthStream spatial = base;
  spatial.pictureSpatialExtension = true;
  CMpegVideoDecoder d;
  ASSERT_EQ(d.Open(Write("spatial.m2v", MakeIntraStream(spatial)).c_str(), nullptr, 0, 0, 2048, 2048), 1);
  EXPECT_EQ(d.picture.Prepare(), 0);
  EXPECT_EQ(d.picture.error, kBadState);
}

TEST(StreamReader, OddStreamShapes) {
  SynthStream s;
  s.pictures = 3;
  std::vector<uint8_t> es = MakeIntraStream(s);
  // A file that starts with a bare video packet is a program stream.
  std::vector<uint8_t> ps = WrapProgramStream(es, 300, true);
  std::vector<uint8_t> bare(ps.begin() + 14, ps.end());  // without the first pack header
  ASSERT_EQ(bare[3], 0xE0);
  EXPECT_EQ(Count(bare).count, 3);
  // A later group whose time code lies before the first one: no count, the first picture stays.
  SynthStream first = s;
  first.tcSeconds = 10;
  first.sequenceEnd = false;
  std::vector<uint8_t> backwards = MakeIntraStream(first), tail = MakeIntraStream(s);
  backwards.insert(backwards.end(), tail.begin(), tail.end());
  std::string path = Write("backwards.m2v", backwards);
  CMpegVideoDecoder d;
  ASSERT_EQ(d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048), 1);
  EXPECT_EQ(d.baseReader()->CountPictures(), 0);
  EXPECT_EQ(d.baseReader()->lastPictureIndex, -1);
  EXPECT_EQ(d.baseReader()->lastError, kMalformed);
  EXPECT_EQ(d.picture.Prepare(), 1);
  // A file that ends inside its last picture header: no count, the reader stays where it was.
  std::vector<uint8_t> cut = MakeIntraStream(s);
  size_t lastPicture = 0;
  for (size_t i = 0; i + 3 < cut.size(); ++i)
    if (cut[i] == 0 && cut[i + 1] == 0 && cut[i + 2] == 1 && cut[i + 3] == 0) lastPicture = i;
  cut.resize(lastPicture + 5);
  CMpegVideoDecoder c;
  ASSERT_EQ(c.Open(Write("cut.m2v", cut).c_str(), nullptr, 0, 0, 2048, 2048), 1);
  EXPECT_EQ(c.baseReader()->CountPictures(), 0);
  EXPECT_EQ(c.baseReader()->lastError, 0);
  EXPECT_EQ(c.picture.Prepare(), 1);
  std::vector<uint8_t> luma(size_t(c.picture.OutputSize(kOutputLuma)));
  uint16_t w, h;
  c.picture.DecodeToRgb(luma.data(), &w, &h, kOutputLuma);
  EXPECT_EQ(luma[0], SynthBlockValue(s, 0, 0, 0, 0));
}
