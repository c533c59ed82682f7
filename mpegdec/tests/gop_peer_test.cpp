// Prediction: a whole group of pictures stepped through picture by picture, against ffmpeg.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mpegdec/block_ops.h"
#include "mpegdec/mpeg_errors.h"

#include "mpegdec/tests/test_media.h"
#include "mpegdec/video_decoder.h"

using namespace mpegtest;

namespace {
// Steps the decoder through every picture of the file in coded order, as a player would:
// find the next picture header, turn the reference stores over, decode.
struct GopStepper {
  CMpegVideoDecoder decoder;
  bool Open(const std::string& path) { return decoder.Open(path.c_str(), nullptr, 0, 0, 2048, 2048) == 1; }
  bool Next() {
    CMpegStreamReader& r = *decoder.baseReader();
    int fieldState = r.header.picture_structure != kFramePicture && !r.secondField ? 1 : 0;
    if (r.FindNextPicture(fieldState, 0, r.pictureNumber + 1) != 1) return false;
    decoder.picture.SelectCurrentFrame(true);
    return true;
  }
  // The decoded picture's planes at their display size.
  Planes Current() {
    CMpegPictureDecoder& p = decoder.picture;
    Planes out;
    out.width = decoder.baseHeader->horizontal_size;
    out.height = decoder.baseHeader->vertical_size;
    out.chromaWidth = out.width / 2;
    out.chromaHeight = decoder.baseHeader->chroma_format == 1 ? out.height / 2 : out.height;
    auto copy = [](const uint8_t* src, int stride, int w, int h, std::vector<uint8_t>& dst) {
      dst.resize(size_t(w) * h);
      for (int y = 0; y < h; ++y) std::copy_n(src + size_t(y) * stride, w, dst.begin() + size_t(y) * w);
    };
    copy(p.CurrentPlane(0), p.CodedWidth(), out.width, out.height, out.y);
    copy(p.CurrentPlane(1), p.ChromaWidth(), out.chromaWidth, out.chromaHeight, out.cb);
    copy(p.CurrentPlane(2), p.ChromaWidth(), out.chromaWidth, out.chromaHeight, out.cr);
    return out;
  }
};

void CheckGop(const std::string& name, const std::string& size, const std::string& encode, const std::string& pixFmt,
              int frames) {
  std::string path = TempPath(name);
  ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc2=size=" + size + ":rate=25 -frames:v " + std::to_string(frames) + " " +
                     encode + " " + path));
  GopStepper g;
  ASSERT_TRUE(g.Open(path)) << name;
  // The plain C kernels step alongside and must give the same bytes as the processor's own.
  GopStepper plain;
  ASSERT_TRUE(plain.Open(path)) << name;
  plain.decoder.picture.UseBlockOps(mpegdec::PlainBlockOps());
  int w = g.decoder.baseHeader->horizontal_size, h = g.decoder.baseHeader->vertical_size;
  int cw = w / 2, ch = pixFmt == "yuv420p" ? h / 2 : h;
  std::string raw = TempPath("gop.yuv");
  ASSERT_TRUE(Ffmpeg("-i " + path + " -fps_mode passthrough -f rawvideo -pix_fmt " + pixFmt + " " + raw));
  std::vector<uint8_t> all = ReadAll(raw);
  size_t frameSize = size_t(w) * h + 2 * size_t(cw) * ch;
  ASSERT_EQ(all.size(), frameSize * frames);
  int seen = 0;
  std::vector<int> types;
  do {
    ASSERT_EQ(g.decoder.picture.Prepare(), 1) << name << " picture " << seen;
    const MpegHeaderRecord& hd = *g.decoder.baseHeader;
    types.push_back(hd.picture_coding_type);
    int display = hd.temporal_reference;  // one closed group: display index = temporal reference
    ASSERT_LT(display, frames);
    Planes peer;
    const uint8_t* f = all.data() + frameSize * display;
    peer.width = w;
    peer.height = h;
    peer.chromaWidth = cw;
    peer.chromaHeight = ch;
    peer.y.assign(f, f + size_t(w) * h);
    peer.cb.assign(f + size_t(w) * h, f + size_t(w) * h + size_t(cw) * ch);
    peer.cr.assign(f + size_t(w) * h + size_t(cw) * ch, f + frameSize);
    Planes ours = g.Current();
    ASSERT_EQ(plain.decoder.picture.Prepare(), 1) << name << " picture " << seen;
    Planes reference = plain.Current();
    EXPECT_TRUE(ours.y == reference.y && ours.cb == reference.cb && ours.cr == reference.cr)
        << name << ": " << mpegdec::ActiveBlockOps().name << " and C kernels differ at picture " << seen;
    Compare cy = ComparePlane(ours.y, w, h, peer.y, w, h);
    Compare cb = ComparePlane(ours.cb, cw, ch, peer.cb, cw, ch);
    Compare cr = ComparePlane(ours.cr, cw, ch, peer.cr, cw, ch);
    EXPECT_GE(cy.psnr, 40.0) << name << " display " << display << " type " << int(hd.picture_coding_type);
    EXPECT_GE(cb.psnr, 40.0) << name << " display " << display;
    EXPECT_GE(cr.psnr, 40.0) << name << " display " << display;
    ++seen;
  } while (g.Next() && plain.Next());
  EXPECT_EQ(seen, frames) << name;
  EXPECT_NE(std::find(types.begin(), types.end(), 2), types.end()) << name << ": no P picture";
  EXPECT_NE(std::find(types.begin(), types.end(), 3), types.end()) << name << ": no B picture";
}
}  // namespace

TEST(GopPrediction, ProgressiveIbbp) {
  CheckGop("gop_prog.m2v", "352x288", "-c:v mpeg2video -g 12 -bf 2 -flags +cgop -sc_threshold 1000000000 -q:v 4",
           "yuv420p", 12);
}

TEST(GopPrediction, InterlacedIbbp) {
  CheckGop("gop_int.m2v", "720x576",
           "-c:v mpeg2video -g 12 -bf 2 -flags +cgop+ilme+ildct -sc_threshold 1000000000 -top 1 -q:v 4", "yuv420p", 12);
}

TEST(GopPrediction, Interlaced422AndHalfPelMotion) {
  CheckGop("gop_422.m2v", "720x480",
           "-c:v mpeg2video -pix_fmt yuv422p -g 12 -bf 2 -flags +cgop+ilme+ildct -sc_threshold 1000000000 -q:v 3",
           "yuv422p", 12);
}

TEST(GopPrediction, Mpeg1Ibbp) {
  CheckGop("gop_m1.m1v", "352x240", "-c:v mpeg1video -g 12 -bf 2 -flags +cgop -sc_threshold 1000000000 -q:v 4",
           "yuv420p", 12);
}

TEST(GopPrediction, BadMotionCodesAndCorruptVectorsStayInside) {
  std::string path = TempPath("gop_bad.m2v");
  ASSERT_TRUE(
      Ffmpeg("-f lavfi -i testsrc2=size=352x288:rate=25 -frames:v 12 -c:v mpeg2video -g 12 -bf 2 "
             "-flags +cgop -sc_threshold 1000000000 " +
             path));
  std::vector<uint8_t> good = ReadAll(path);
  // f_code 0 in the second picture's coding extension: the picture is refused, nothing drawn.
  std::vector<uint8_t> bad = good;
  int pictures = 0;
  for (size_t i = 0; i + 5 < bad.size(); ++i) {
    if (bad[i] || bad[i + 1] || bad[i + 2] != 1) continue;
    if (bad[i + 3] == 0) ++pictures;
    if (pictures == 2 && bad[i + 3] == 0xB5 && (bad[i + 4] >> 4) == 8) {
      bad[i + 4] = 0x80;
      break;
    }
  }
  std::string badPath = TempPath("gop_fcode.m2v");
  WriteAll(badPath, bad);
  GopStepper g;
  ASSERT_TRUE(g.Open(badPath));
  ASSERT_EQ(g.decoder.picture.Prepare(), 1);
  ASSERT_TRUE(g.Next());
  EXPECT_EQ(g.decoder.baseHeader->picture_coding_type, 2);
  EXPECT_EQ(g.decoder.picture.Prepare(), 0);
  EXPECT_EQ(g.decoder.picture.error, mpegdec::kMalformed);

  // Damaged predicted pictures: whatever the vectors say, every result is a listed code
  // (the sanitizer build checks that no read leaves the reference planes).
  std::mt19937 rng(29);
  for (int n = 0; n < 60; ++n) {
    std::vector<uint8_t> d = good;
    for (int k = 0; k < 20; ++k) d[good.size() / 4 + rng() % (good.size() * 3 / 4)] ^= uint8_t(1 << (rng() % 8));
    WriteAll(badPath, d);
    GopStepper s;
    if (!s.Open(badPath)) continue;
    int steps = 0;
    do {
      int r = s.decoder.picture.Prepare();
      EXPECT_TRUE(r == 1 || r == 0 || r == mpegdec::kReadError) << r;
    } while (s.Next() && ++steps < 40);
  }
}
