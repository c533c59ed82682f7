// Decoding of written intra streams, whose every sample is known, and the output formats.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mpegdec/mpeg_errors.h"
#include "mpegdec/tests/stream_writer.h"
#include "mpegdec/tests/test_media.h"
#include "mpegdec/video_decoder.h"

using namespace mpegtest;

namespace {

std::string WriteStream(const std::string& name, const std::vector<uint8_t>& data) {
  std::string path = TempPath(name);
  WriteAll(path, data);
  return path;
}

// Expected sample of component cc at (x, y) of the first frame.
int Expected(const SynthStream& s, int cc, int x, int y) {
  if (s.fieldPictures) return SynthBlockValue(s, y & 1, cc, x / 8, (y >> 1) / 8);
  return SynthBlockValue(s, 0, cc, x / 8, y / 8);
}

void ExpectExactPlanes(const SynthStream& s, const std::string& name) {
  std::string path = WriteStream(name, MakeIntraStream(s));
  Planes ours;
  ASSERT_EQ(DecodePlanes(path, ours), 1) << name;
  ASSERT_EQ(ours.width, s.width);
  ASSERT_EQ(ours.height, s.height);
  int cw = s.chromaFormat == 3 ? s.width : s.width / 2;
  int ch = s.chromaFormat == 1 ? s.height / 2 : s.height;
  ASSERT_EQ(ours.chromaWidth, cw);
  ASSERT_EQ(ours.chromaHeight, ch);
  int bad = 0;
  for (int cc = 0; cc < 3; ++cc) {
    const std::vector<uint8_t>& plane = cc == 0 ? ours.y : cc == 1 ? ours.cb : ours.cr;
    int w = cc ? cw : s.width, h = cc ? ch : s.height;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (plane[size_t(y) * w + x] != Expected(s, cc, x, y) && bad++ < 5)
          ADD_FAILURE() << name << " cc " << cc << " at " << x << "," << y << ": " << int(plane[size_t(y) * w + x])
                        << " expected " << Expected(s, cc, x, y);
  }
  EXPECT_EQ(bad, 0) << name;
}

struct Opened {
  CMpegVideoDecoder decoder;
  int open(const SynthStream& s, const std::string& name) {
    std::string path = WriteStream(name, MakeIntraStream(s));
    return decoder.Open(path.c_str(), nullptr, 0, 0, 2048, 2048);
  }
};
}  // namespace

TEST(SyntheticDecode, ChromaFormatsAndStructuresDecodeExactly) {
  SynthStream s;
  s.width = 80;
  s.height = 64;
  for (int cf = 1; cf <= 3; ++cf) {
    s.chromaFormat = cf;
    ExpectExactPlanes(s, "cf" + std::to_string(cf) + ".m2v");
  }
  // Field pictures, either field first: both fields of the first frame are decoded.
  s.progressiveSequence = 0;
  s.framePredFrameDct = 0;
  s.fieldPictures = true;
  for (int cf = 1; cf <= 3; ++cf) {
    s.chromaFormat = cf;
    s.bottomFieldFirst = cf == 2;
    ExpectExactPlanes(s, "field" + std::to_string(cf) + ".m2v");
  }
}

TEST(SyntheticDecode, IntraOptionsAndOneDimensionalPictures) {
  SynthStream s;
  s.width = 48;
  s.height = 32;
  for (int p = 0; p <= 3; ++p) {
    s.intraDcPrecision = p;
    s.intraVlcFormat = p & 1;
    ExpectExactPlanes(s, "dc" + std::to_string(p) + ".m2v");
  }
  // 11172-2 intra and D pictures (DC terms only, one end-of-macroblock bit each).
  SynthStream m1;
  m1.mpeg2 = false;
  m1.width = 64;
  m1.height = 48;
  ExpectExactPlanes(m1, "m1i.m1v");
  m1.pictureType = 4;
  ExpectExactPlanes(m1, "m1d.m1v");
  // Stuffing in the address increments is passed over.
  m1.pictureType = 1;
  m1.stuffingPerMacroblock = 2;
  ExpectExactPlanes(m1, "m1stuff.m1v");
  // Taller than 2800 lines: the slice header carries the high bits of the row.
  SynthStream tall;
  tall.width = 32;
  tall.height = 2832;
  ExpectExactPlanes(tall, "tall.m2v");
  // Sizes that are not multiples of 16.
  SynthStream odd;
  odd.width = 72;
  odd.height = 40;
  ExpectExactPlanes(odd, "odd.m2v");
  // Through a program stream of either packet kind.
  for (bool mpeg2Packets : {false, true}) {
    std::string path = WriteStream("wrapped.mpg", WrapProgramStream(MakeIntraStream(odd), 97, mpeg2Packets));
    Planes viaPs, viaEs;
    ASSERT_EQ(DecodePlanes(path, viaPs), 1);
    ASSERT_EQ(DecodePlanes(WriteStream("plain.m2v", MakeIntraStream(odd)), viaEs), 1);
    EXPECT_EQ(viaPs.y, viaEs.y);
    EXPECT_EQ(viaPs.cr, viaEs.cr);
  }
}

TEST(SyntheticDecode, BitmapLayoutAndSizes) {
  SynthStream s;
  s.width = 352;
  s.height = 240;
  Opened o;
  ASSERT_EQ(o.open(s, "bmp.m2v"), 1);
  ASSERT_EQ(o.decoder.picture.Prepare(), 1);
  ASSERT_EQ(o.decoder.picture.OutputSize(kOutputBitmap), 253494);
  std::vector<uint8_t> bmp(253494, 0xAA);
  uint16_t w = 0, h = 0;
  ASSERT_EQ(o.decoder.picture.DecodeToRgb(bmp.data(), &w, &h, kOutputBitmap), 253494);
  EXPECT_EQ(w, 352);
  EXPECT_EQ(h, 240);
  auto u32 = [&](int at) { return bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 | uint32_t(bmp[at + 3]) << 24; };
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(u32(2), 253494u);
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(14), 40u);
  EXPECT_EQ(u32(18), 352u);
  EXPECT_EQ(u32(22), 240u);
  EXPECT_EQ(u32(34), 253440u);
  EXPECT_EQ(u32(38), 200u);

  // 4:2:2, 350 wide: rows of 1050 pixel bytes and 2 zero bytes.
  SynthStream n;
  n.width = 350;
  n.height = 32;
  n.chromaFormat = 2;
  Opened o2;
  ASSERT_EQ(o2.open(n, "bmp422.m2v"), 1);
  o2.decoder.picture.Prepare();
  std::vector<uint8_t> b2(size_t(o2.decoder.picture.OutputSize(kOutputBitmap)), 0xAA);
  ASSERT_EQ(b2.size(), 54u + 1052u * 32u);
  ASSERT_EQ(o2.decoder.picture.DecodeToRgb(b2.data(), &w, &h, kOutputBitmap), int(b2.size()));
  for (int row = 0; row < 32; ++row) {
    EXPECT_EQ(b2[54 + row * 1052 + 1050], 0);
    EXPECT_EQ(b2[54 + row * 1052 + 1051], 0);
  }
  // Other formats: Targa, packed 4:2:2, pixmap, and the refused ones.
  std::vector<uint8_t> any(size_t(o2.decoder.picture.OutputSize(kOutputPixmap)), 0);
  EXPECT_EQ(o2.decoder.picture.DecodeToRgb(any.data(), &w, &h, kOutputTarga), 3 * (350 * 32 + 6));
  EXPECT_EQ(any[2], 2);
  EXPECT_EQ(any[17], 0x20);
  EXPECT_EQ(o2.decoder.picture.DecodeToRgb(any.data(), &w, &h, kOutputPacked422), 2 * 350 * 32);
  int pixmap = o2.decoder.picture.DecodeToRgb(any.data(), &w, &h, kOutputPixmap);
  EXPECT_EQ(pixmap, 14 + 3 * 350 * 32);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(any.data()), 14), "P6\n350 32\n255\n");
  for (int format : {3, 4, 9, 100}) {
    EXPECT_EQ(o2.decoder.picture.DecodeToRgb(any.data(), &w, &h, format), 0);
    EXPECT_EQ(o2.decoder.picture.error, mpegdec::kBadState);
  }
}

// Interlaced 4:2:0 of odd half height (486 and 578 lines): the bitmap size counted two rows
// more than the conversion wrote, so a thumbnail was longer than its own header said.
TEST(SyntheticDecode, InterlacedPicturesOfOddHalfHeightKeepEveryRow) {
  for (int height : {486, 578, 38}) {
    SynthStream s;
    s.width = 64;
    s.height = height;
    s.progressiveSequence = 0;
    const std::string name = "odd" + std::to_string(height) + ".m2v";
    Opened o;
    ASSERT_EQ(o.open(s, name), 1);
    ASSERT_EQ(o.decoder.picture.Prepare(), 1);
    const int64_t size = o.decoder.picture.OutputSize(kOutputBitmap);
    ASSERT_EQ(size, 54 + 64 * 3 * height);
    std::vector<uint8_t> bmp(size_t(size), 0xAA);
    uint16_t w = 0, h = 0;
    ASSERT_EQ(o.decoder.picture.DecodeToRgb(bmp.data(), &w, &h, kOutputBitmap), size) << height;
    EXPECT_EQ(h, height);
    auto u32 = [&](int at) { return bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 | uint32_t(bmp[at + 3]) << 24; };
    EXPECT_EQ(u32(2), uint32_t(size));
    EXPECT_EQ(u32(22), uint32_t(height));
    // The bottom row, first in the file, is picture and not the buffer's filling.
    EXPECT_NE(std::vector<uint8_t>(bmp.begin() + 54, bmp.begin() + 54 + 64 * 3), std::vector<uint8_t>(64 * 3, 0xAA));

    MpegThumbnail thumb;
    ASSERT_EQ(DecodeMpegThumbnail(WriteStream("t" + name, MakeIntraStream(s)).c_str(), thumb), 1);
    EXPECT_EQ(thumb.height, height);
    ASSERT_GE(thumb.bitmap.size(), 6u);
    EXPECT_EQ(thumb.bitmap.size(), size_t(thumb.bitmap[2] | thumb.bitmap[3] << 8 | thumb.bitmap[4] << 16));
  }
}

TEST(SyntheticDecode, ColourConversionOfKnownSamples) {
  // A 4:4:4 picture keeps chroma as written, so every pixel's inputs are known exactly.
  SynthStream s;
  s.width = 64;
  s.height = 32;
  s.chromaFormat = 3;
  for (int matrix : {1, 4, 5, 7}) {
    s.matrixCoefficients = matrix;
    Opened o;
    ASSERT_EQ(o.open(s, "rgb.m2v"), 1);
    o.decoder.picture.Prepare();
    std::vector<uint8_t> bmp(size_t(o.decoder.picture.OutputSize(kOutputBitmap)));
    uint16_t w, h;
    ASSERT_GT(o.decoder.picture.DecodeToRgb(bmp.data(), &w, &h, kOutputBitmap), 0);
    struct M {
      int crv, cbu, cgu, cgv;
    } m = matrix == 1   ? M{117504, 138453, 13954, 34903}
          : matrix == 4 ? M{104448, 132798, 24759, 53109}
          : matrix == 7 ? M{117579, 136230, 16907, 35559}
                        : M{104597, 132201, 25675, 53279};
    auto clip = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
    for (int y = 0; y < 32; y += 5)
      for (int x = 0; x < 64; x += 7) {
        int Y = Expected(s, 0, x, y), u = Expected(s, 1, x, y) - 128, v = Expected(s, 2, x, y) - 128;
        int yy = 76309 * (Y - 16);
        const uint8_t* px = bmp.data() + 54 + (31 - y) * 192 + 3 * x;
        EXPECT_EQ(px[2], clip((yy + m.crv * v + 32768) >> 16));
        EXPECT_EQ(px[1], clip((yy - m.cgu * u - m.cgv * v + 32768) >> 16));
        EXPECT_EQ(px[0], clip((yy + m.cbu * u + 32768) >> 16));
      }
  }
}

TEST(SyntheticDecode, ChromaFiltersKeepFlatAreasAndClampEdges) {
  std::vector<uint8_t> flat(8 * 6, 77), out(8 * 12 * 2);
  CMpegPictureDecoder::UpsampleVertical(flat.data(), 8, 6, 8, out.data(), false);
  for (int i = 0; i < 8 * 12; ++i) ASSERT_EQ(out[i], 77);
  CMpegPictureDecoder::UpsampleVertical(flat.data(), 8, 6, 8, out.data(), true);
  for (int i = 0; i < 8 * 12; ++i) ASSERT_EQ(out[i], 77);
  CMpegPictureDecoder::UpsampleHorizontal(flat.data(), 8, 6, 8, out.data(), true);
  for (int i = 0; i < 16 * 6; ++i) ASSERT_EQ(out[i], 77);
  CMpegPictureDecoder::UpsampleHorizontal(flat.data(), 8, 6, 8, out.data(), false);
  for (int i = 0; i < 16 * 6; ++i) ASSERT_EQ(out[i], 77);
  // A step: the 13818-2 filter copies even samples and overshoots beside the edge, clamped.
  uint8_t step[8] = {0, 0, 0, 0, 255, 255, 255, 255};
  uint8_t wide[16];
  CMpegPictureDecoder::UpsampleHorizontal(step, 8, 1, 8, wide, true);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(wide[2 * i], step[i]);
  EXPECT_EQ(wide[7], 128);  // (21 - 52 + 159) x 255, rounded, over 256
}

TEST(SyntheticDecode, MissingSlicesShowBlackAndRunawayAddressesStayInside) {
  SynthStream s;
  s.width = 64;
  s.height = 64;
  s.skipRowsFrom = 2;
  Planes p;
  ASSERT_EQ(DecodePlanes(WriteStream("rows.m2v", MakeIntraStream(s)), p), 1);
  EXPECT_EQ(p.y[0], SynthBlockValue(s, 0, 0, 0, 0));
  EXPECT_EQ(p.y[size_t(40) * 64 + 5], 16);  // never decoded: black, not stale memory
  EXPECT_EQ(p.cb[size_t(20) * 32 + 5], 128);
  // Escapes in the last slice's address increment push its macroblocks past the picture:
  // they are dropped and the rows above stay as decoded.
  for (int escapes : {1, 3, 200}) {
    SynthStream e;
    e.width = 64;
    e.height = 64;
    e.lastSliceEscapes = escapes;
    Planes q;
    ASSERT_EQ(DecodePlanes(WriteStream("escape.m2v", MakeIntraStream(e)), q), 1);
    EXPECT_EQ(q.y[size_t(20) * 64 + 20], SynthBlockValue(e, 0, 0, 20 / 8, 20 / 8));
    EXPECT_EQ(q.y[size_t(63) * 64 + 63], 16);
  }
}

TEST(SyntheticDecode, ClipsOfOtherSizesInTurnDecodeAsAlone) {
  // Each decoder takes the frame stores the one before left, when they are large enough: a
  // smaller picture after a larger one must keep its own rows and show no rows of the other.
  SynthStream large;
  large.width = 176;
  large.height = 144;
  SynthStream small;
  small.width = 64;
  small.height = 48;
  small.skipRowsFrom = 1;
  SynthStream wide422;
  wide422.width = 96;
  wide422.height = 32;
  wide422.chromaFormat = 2;
  for (int round = 0; round < 2; ++round) {
    ExpectExactPlanes(large, "large.m2v");
    Planes p;
    ASSERT_EQ(DecodePlanes(WriteStream("small.m2v", MakeIntraStream(small)), p), 1);
    EXPECT_EQ(p.y[size_t(3) * 64 + 60], SynthBlockValue(small, 0, 0, 60 / 8, 0));
    for (int y = 16; y < 48; ++y)
      for (int x = 0; x < 64; ++x) ASSERT_EQ(p.y[size_t(y) * 64 + x], 16) << x << "," << y;
    for (int y = 8; y < 24; ++y)
      for (int x = 0; x < 32; ++x) ASSERT_EQ(p.cr[size_t(y) * 32 + x], 128) << x << "," << y;
    ExpectExactPlanes(wide422, "wide422.m2v");
  }
}
