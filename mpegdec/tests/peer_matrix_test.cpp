// Our first picture against ffmpeg's and libmpeg2's on streams ffmpeg makes, plane by plane;
// the thumbnail made at its own size against the shrink of the full bitmap; the count, the time
// codes and the program-stream payload against ffmpeg's demultiplexer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "mpegdec/tests/peer_decoders.h"
#include "mpegdec/tests/stream_writer.h"
#include "mpegdec/tests/test_media.h"
#include "mpegdec/video_decoder.h"

using namespace mpegtest;

namespace {
constexpr int kFrames = 6;

struct Variant {
  const char* name;
  const char* size;
  const char* encode;  // codec and options
  const char* ext;     // .m1v/.m2v elementary, .mpg program stream
  const char* pixFmt;
};

const Variant kVariants[] = {
    {"mpeg1_es", "352x288", "-c:v mpeg1video -q:v 4", ".m1v", "yuv420p"},
    {"mpeg1_system", "352x240", "-c:v mpeg1video -f mpeg", ".mpg", "yuv420p"},
    {"mpeg1_matrices", "352x288", "-c:v mpeg1video -intra_matrix MATRIX", ".m1v", "yuv420p"},
    {"mpeg2_es", "720x576", "-c:v mpeg2video", ".m2v", "yuv420p"},
    {"mpeg2_ps", "720x480", "-c:v mpeg2video -f vob", ".mpg", "yuv420p"},
    {"mpeg2_422", "720x576", "-c:v mpeg2video -pix_fmt yuv422p", ".m2v", "yuv422p"},
    {"mpeg2_422_ps", "720x480", "-c:v mpeg2video -pix_fmt yuv422p -f vob", ".mpg", "yuv422p"},
    {"mpeg2_interlaced", "720x576", "-c:v mpeg2video -flags +ilme+ildct -top 1", ".m2v", "yuv420p"},
    {"mpeg2_interlaced_422", "720x576", "-c:v mpeg2video -pix_fmt yuv422p -flags +ilme+ildct -top 0", ".m2v",
     "yuv422p"},
    {"mpeg2_intra_options", "720x576",
     "-c:v mpeg2video -intra_vlc 1 -alternate_scan 1 -non_linear_quant 1 -qmax 28 -dc 10 -q:v 2", ".m2v", "yuv420p"},
    {"mpeg2_matrices", "720x480", "-c:v mpeg2video -intra_matrix MATRIX -inter_matrix MATRIX", ".m2v", "yuv420p"},
    {"mpeg2_odd_size", "330x250", "-c:v mpeg2video", ".m2v", "yuv420p"},
    {"mpeg2_odd_size_422", "200x98", "-c:v mpeg2video -pix_fmt yuv422p", ".m2v", "yuv422p"},
    {"mpeg2_352x240", "352x240", "-c:v mpeg2video -f vob", ".mpg", "yuv420p"},
    {"mpeg2_1440x1080", "1440x1080", "-c:v mpeg2video -flags +ilme+ildct", ".m2v", "yuv420p"},
};

std::string Matrix() {
  std::string m;
  for (int i = 0; i < 64; ++i) m += (i ? "," : "") + std::to_string(8 + (i * 7) % 40);
  return m;
}

// The pictures as they are, or blurred (smooth) so that colours change over several pixels as
// camera pictures do.
std::string Make(const Variant& v, bool smooth = false) {
  std::string enc = v.encode;
  size_t at;
  while ((at = enc.find("MATRIX")) != std::string::npos) enc.replace(at, 6, Matrix());
  std::string path = TempPath(std::string(v.name) + (smooth ? "_smooth" : "") + v.ext);
  bool ok = Ffmpeg("-f lavfi -i testsrc2=size=" + std::string(v.size) + ":rate=25" + (smooth ? ",gblur=sigma=2" : "") +
                   " -frames:v " + std::to_string(kFrames) + " " + enc + " " + path);
  EXPECT_TRUE(ok) << v.name;
  return path;
}

void ExpectClose(const Planes& ours, const Planes& peer, const std::string& what, int maxDiff, double psnr) {
  const std::vector<uint8_t>* a[3] = {&ours.y, &ours.cb, &ours.cr};
  const std::vector<uint8_t>* b[3] = {&peer.y, &peer.cb, &peer.cr};
  for (int cc = 0; cc < 3; ++cc) {
    Compare c = cc == 0 ? ComparePlane(*a[cc], ours.width, ours.height, *b[cc], peer.width, peer.height)
                        : ComparePlane(*a[cc], ours.chromaWidth, ours.chromaHeight, *b[cc], peer.chromaWidth,
                                       peer.chromaHeight);
    EXPECT_LE(c.maxDiff, maxDiff) << what << " plane " << cc;
    EXPECT_GE(c.psnr, psnr) << what << " plane " << cc;
  }
}
}  // namespace

TEST(PeerMatrix, FirstPictureMatchesFfmpegAndLibmpeg2) {
  for (const Variant& v : kVariants) {
    std::string path = Make(v);
    Planes ours;
    ASSERT_EQ(DecodePlanes(path, ours), 1) << v.name;
    Planes ff;
    // ffmpeg rounds odd chroma sizes up; the comparison covers the common area.
    int cw = (ours.width + 1) / 2;
    int ch = std::string(v.pixFmt) == "yuv420p" ? (ours.height + 1) / 2 : ours.height;
    ASSERT_TRUE(FfmpegPlanes(path, v.pixFmt, ours.width, ours.height, cw, ch, 0, ff)) << v.name;
    ExpectClose(ours, ff, std::string(v.name) + " vs ffmpeg", 2, 50.0);
    // libmpeg2 reads elementary streams; program streams go through ffmpeg's demultiplexer.
    std::string es = path;
    if (std::string(v.ext) == ".mpg") {
      es = TempPath(std::string(v.name) + "_demuxed.m2v");
      ASSERT_TRUE(Ffmpeg("-i " + path + " -map 0:v:0 -c copy -f mpeg2video " + es));
    }
    Planes lm;
    ASSERT_TRUE(Libmpeg2FirstPicture(es, lm)) << v.name;
    ExpectClose(ours, lm, std::string(v.name) + " vs libmpeg2", 2, 50.0);

    // The clip list's count of pictures.
    CMpegVideoDecoder d;
    ASSERT_EQ(d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048), 1);
    ASSERT_EQ(d.baseReader()->CountPictures(), 1) << v.name;
    EXPECT_EQ(d.baseReader()->PictureCount(), kFrames) << v.name;
  }
}

TEST(PeerMatrix, BitmapMatchesFfmpegBgr) {
  struct Case {
    const char* name;
    const char* encode;
    const char* matrix;  // what the stream implies: 11172-2 and 13818-2 without display extension differ
  } cases[] = {
      {"rgb_mpeg1", "-c:v mpeg1video", "bt601"},
      {"rgb_mpeg2", "-c:v mpeg2video", "bt709"},
      {"rgb_mpeg2_422", "-c:v mpeg2video -pix_fmt yuv422p", "bt709"},
      {"rgb_mpeg2_601", "-c:v mpeg2video -colorspace bt470bg -color_primaries bt470bg -color_trc gamma28", "bt601"}};
  for (const Case& c : cases) {
    std::string path = TempPath(std::string(c.name) + ".mpg");
    // Smooth content: the chroma filters differ from swscale's at sharp colour edges.
    ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc2=size=352x288:rate=25,gblur=sigma=3 -frames:v 2 " + std::string(c.encode) +
                       " " + path));
    MpegThumbnail thumb;
    ASSERT_EQ(DecodeMpegThumbnail(path.c_str(), thumb), 1) << c.name;
    std::string raw = TempPath("peer.bgr");
    ASSERT_TRUE(Ffmpeg("-i " + path + " -frames:v 1 -sws_flags bicubic+accurate_rnd+full_chroma_int" +
                       " -vf scale=in_color_matrix=" + c.matrix +
                       ":in_range=tv:out_range=pc -f rawvideo -pix_fmt bgr24 " + raw));
    std::vector<uint8_t> peer = ReadAll(raw);
    ASSERT_EQ(peer.size(), size_t(thumb.width) * thumb.height * 3);
    int row = (3 * thumb.width + 3) & ~3;
    std::vector<uint8_t> ours(peer.size());
    for (int y = 0; y < thumb.height; ++y)
      std::copy_n(thumb.bitmap.begin() + 54 + (thumb.height - 1 - y) * row, 3 * thumb.width,
                  ours.begin() + size_t(y) * 3 * thumb.width);
    Compare cmp = ComparePlane(ours, 3 * thumb.width, thumb.height, peer, 3 * thumb.width, thumb.height);
    EXPECT_GE(cmp.psnr, 35.0) << c.name;
  }
}

// The shrink of a bottom-up 24-bit bitmap image that a HALFTONE stretch makes: each pixel the
// mean of the whole source pixels its extent covers. Top-down BGR rows out.
std::vector<uint8_t> ShrinkBitmap(const MpegThumbnail& full, int w, int h) {
  const int row = (3 * full.width + 3) & ~3;
  std::vector<uint8_t> out(size_t(w) * h * 3);
  auto extent = [](int size, int count, int i) {
    const int first = int(int64_t(i) * size / count);
    return std::pair<int, int>(first, std::max(first + 1, int(int64_t(i + 1) * size / count)));
  };
  for (int y = 0; y < h; ++y) {
    const auto [y0, y1] = extent(full.height, h, y);
    for (int x = 0; x < w; ++x) {
      const auto [x0, x1] = extent(full.width, w, x);
      for (int c = 0; c < 3; ++c) {
        uint32_t sum = 0;
        for (int yy = y0; yy < y1; ++yy)
          for (int xx = x0; xx < x1; ++xx) sum += full.bitmap[54 + size_t(full.height - 1 - yy) * row + 3 * xx + c];
        out[(size_t(y) * w + x) * 3 + c] = uint8_t(sum / uint32_t((y1 - y0) * (x1 - x0)));
      }
    }
  }
  return out;
}

// The thumbnail in top-down BGR rows.
std::vector<uint8_t> TopDown(const MpegThumbnail& thumb, int w, int h) {
  const int row = (3 * w + 3) & ~3;
  std::vector<uint8_t> out(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    std::copy_n(thumb.bitmap.begin() + 54 + (h - 1 - y) * row, 3 * w, out.begin() + size_t(y) * 3 * w);
  return out;
}

TEST(PeerMatrix, AThumbnailMadeAtItsSizeIsTheShrinkOfTheFullBitmap) {
  for (const Variant& v : kVariants) {
    for (const bool smooth : {true, false}) {
      SCOPED_TRACE(std::string(v.name) + (smooth ? " smooth" : " sharp"));
      const std::string path = Make(v, smooth);
      MpegThumbnail full, thumb;
      ASSERT_EQ(DecodeMpegThumbnail(path.c_str(), full), 1);
      for (const auto& [w, h] : {std::pair<int, int>{80, 60}, {33, 17}}) {
        ASSERT_EQ(DecodeMpegThumbnailSized(path.c_str(), thumb, w, h), 1);
        EXPECT_EQ(thumb.width, full.width);
        EXPECT_EQ(thumb.height, full.height);
        EXPECT_EQ(thumb.pictureCount, full.pictureCount);
        ASSERT_EQ(thumb.bitmap.size(), 54u + size_t((3 * w + 3) & ~3) * h);
        EXPECT_EQ(thumb.bitmap[0], 'B');
        EXPECT_EQ(thumb.bitmap[18] | thumb.bitmap[19] << 8, w);
        EXPECT_EQ(thumb.bitmap[22] | thumb.bitmap[23] << 8, h);
        // Means of the coded chroma rather than of its filtered doubling, taken before the colour
        // conversion rather than after it: alike where colours change smoothly; where a sharp
        // edge crosses a box of a few pixels the filters' reach shows.
        const Compare c = ComparePlane(TopDown(thumb, w, h), 3 * w, h, ShrinkBitmap(full, w, h), 3 * w, h);
        EXPECT_GE(c.psnr, smooth ? 35.0 : 28.0) << w << "x" << h;
      }
    }
  }
  MpegThumbnail none;
  EXPECT_LT(DecodeMpegThumbnailSized(Make(kVariants[0]).c_str(), none, 0, 60), 0);
}

TEST(PeerMatrix, TimeCodesGiveIndicesAndCounts) {
  struct Case {
    const char* timecode;
    const char* rate;
    int first;
  } cases[] = {{"01:02:03:04", "25", ((1 * 60 + 2) * 60 + 3) * 25 + 4},
               {"00:10:00:00", "30000/1001", 10 * 60 * 30},
               {"00:01:00;02", "30000/1001", int(60 * (30000.0 / 1001.0)) + 2}};
  for (const Case& c : cases) {
    std::string path = TempPath("timecode.mpg");
    ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc2=size=352x288:rate=" + std::string(c.rate) +
                       " -frames:v 40 -c:v mpeg2video -g 12 -bf 2 -timecode '" + c.timecode + "' -f vob " + path));
    CMpegVideoDecoder d;
    ASSERT_EQ(d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048), 1);
    EXPECT_EQ(d.baseReader()->firstPictureIndex, c.first) << c.timecode;
    ASSERT_EQ(d.baseReader()->CountPictures(), 1);
    EXPECT_EQ(d.baseReader()->PictureCount(), 40) << c.timecode;
    EXPECT_EQ(d.picture.Prepare(), 1);
  }
}

TEST(PeerMatrix, ProgramStreamPayloadEqualsFfmpegDemultiplexer) {
  std::string path = TempPath("demux.mpg");
  ASSERT_TRUE(
      Ffmpeg("-f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 "
             "-frames:v 30 -t 1.2 -c:v mpeg2video -c:a mp2 -f vob " +
             path));
  std::string es = TempPath("demux.m2v");
  ASSERT_TRUE(Ffmpeg("-i " + path + " -map 0:v:0 -c copy -f mpeg2video " + es));
  std::vector<uint8_t> expected = ReadAll(es);
  ASSERT_GT(expected.size(), 10000u);
  FILE* f = fopen(path.c_str(), "rb");
  ASSERT_TRUE(f);
  CMpegPackSource s;
  ASSERT_EQ(s.Open(f, 0xE0, 2048), 1);
  std::vector<uint8_t> forward;
  for (;;) {
    uint32_t b = s.GetByte();
    if (s.status != 1) break;
    forward.push_back(uint8_t(b));
  }
  EXPECT_EQ(forward, expected);
  // Backwards, byte by byte from the end.
  s.status = 1;
  std::vector<uint8_t> backward;
  while (s.SkipBackward(1) == 1) backward.push_back(uint8_t(s.PeekByte()));
  std::vector<uint8_t> reversed(expected.rbegin(), expected.rend());
  EXPECT_EQ(backward, reversed);
  // After repositioning: a recorded position and long skips land on the same bytes.
  s.status = 1;
  ASSERT_EQ(s.SkipForward(int(expected.size() / 3)), 1);
  PesPacketInfo info;
  int64_t offset = s.GetPosition(info);
  ASSERT_EQ(s.SkipForward(int(expected.size() / 3)), 1);
  EXPECT_EQ(s.PeekByte(), expected[2 * (expected.size() / 3)]);
  ASSERT_GE(s.SetPosition(info, offset), 0);
  s.status = 1;
  std::vector<uint8_t> again;
  for (int i = 0; i < 50000; ++i) again.push_back(uint8_t(s.GetByte()));
  EXPECT_TRUE(std::equal(again.begin(), again.end(), expected.begin() + expected.size() / 3));
  s.Close();
  fclose(f);
}

TEST(PeerMatrix, WrittenStreamsFfmpegCannotMake) {
  // 4:4:4 and field pictures, from the test writer, against ffmpeg's decoder.
  struct Case {
    const char* name;
    int chroma;
    bool fields;
    const char* pixFmt;
  } cases[] = {{"w444", 3, false, "yuv444p"},
               {"wfield420", 1, true, "yuv420p"},
               {"wfield422", 2, true, "yuv422p"},
               {"wfield444", 3, true, "yuv444p"}};
  for (const Case& c : cases) {
    SynthStream s;
    s.width = 176;
    s.height = 144;
    s.chromaFormat = c.chroma;
    s.fieldPictures = c.fields;
    s.progressiveSequence = c.fields ? 0 : 1;
    s.framePredFrameDct = c.fields ? 0 : 1;
    s.pictures = 2;
    std::string path = TempPath(std::string(c.name) + ".m2v");
    WriteAll(path, MakeIntraStream(s));
    Planes ours, ff;
    ASSERT_EQ(DecodePlanes(path, ours), 1) << c.name;
    ASSERT_TRUE(FfmpegPlanes(path, c.pixFmt, ours.width, ours.height, ours.chromaWidth, ours.chromaHeight, 0, ff))
        << c.name;
    ExpectClose(ours, ff, c.name, 0, 99.0);
  }
}
