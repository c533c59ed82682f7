// The thumbnail the grabber shrinks from the first key picture's planes against the one the
// graph road makes from the full picture it holds, for every kind of clip, and the grabs that
// still need the full picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "platform/dshow/filter_graph.h"
#include "platform/dshow/tests/media_clips.h"
#include "platform/filters/still_capture.h"
#include "platform/gdi/objects.h"
#include "thumbs/tests/picture_compare.h"
#include "thumbs/thumbnail_grabber.h"

namespace {

using namespace thumbs_test;

struct Kind {
  const char* name;
  const char* size;
  const char* args;
};

// 4:3 and 16:9, PAL and NTSC sizes, GOPs with B pictures where the codec has them.
const Kind kKinds[] = {
    {"dvd.mpg", "720x480", "-target ntsc-dvd"},
    {"mpeg2.m2ts", "720x576", "-c:v mpeg2video -bf 2 -c:a ac3 -f mpegts -mpegts_m2ts_mode 1"},
    {"h264.mts", "1280x720", "-c:v libx264 -preset veryfast -bf 3 -c:a ac3 -f mpegts -mpegts_m2ts_mode 1"},
    {"wmv2.wmv", "640x480", "-c:v wmv2 -c:a wmav2"},
    {"wmv1.asf", "320x240", "-c:v wmv1 -c:a wmav2"},
    {"mpeg4.avi", "720x576", "-c:v mpeg4 -bf 2 -c:a mp2"},
    {"dv.avi", "720x480", "-c:v dvvideo -pix_fmt yuv411p -c:a pcm_s16le -ar 48000"},
    {"h264.mp4", "640x360", "-c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac"},
    {"mpeg4.mov", "720x576", "-c:v mpeg4 -bf 2 -c:a aac"},
    {"raw.avi", "320x240", "-c:v rawvideo -pix_fmt bgr24 -an"},
    {"mjpeg.avi", "352x288", "-c:v mjpeg -pix_fmt yuvj422p -an"},  // full-range samples
};

int Open(CThumbnailGrabber& grabber, const std::string& path) {
  return IsQuickTime(path) ? grabber.OpenWithSourceFilter(path) : grabber.OpenByRendering(path);
}

std::string Make(const std::filesystem::path& dir, const Kind& kind) {
  const std::string path = (dir / kind.name).string();
  const std::string cmd = std::string("ffmpeg -y -v error -f lavfi -i testsrc2=size=") + kind.size +
                          ":rate=25:duration=1 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=1 " +
                          kind.args + " " + media_clips::Quote(path);
  return media_clips::Run(cmd) ? path : std::string();
}

class FirstKeyPictureTest : public ::testing::Test {
 protected:
  media_clips::ScratchDir dir_{"vidarro-first-key"};
};

TEST_F(FirstKeyPictureTest, EveryKindsThumbnailMatchesTheGraphRoads) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    const std::string path = Make(dir_.path(), kind);
    ASSERT_FALSE(path.empty());
    const std::vector<unsigned char> full = media_clips::DecodeFrame(path, 0);
    int width = 0, height = 0;
    std::sscanf(kind.size, "%dx%d", &width, &height);

    // The road a clip list takes: open, grab at the thumbnail's size.
    CThumbnailGrabber quick;
    ASSERT_EQ(1, Open(quick, path));
    HBITMAP thumb = nullptr;
    ASSERT_EQ(1, quick.GrabFrame(&thumb, 80, 60));
    const std::vector<unsigned char> fast = BitmapRows(thumb);
    DeleteObject(thumb);

    // The graph road: the full picture held by "Still Capture", then shrunk by it.
    CThumbnailGrabber graph;
    ASSERT_EQ(1, Open(graph, path));
    HBITMAP whole = nullptr;
    ASSERT_EQ(1, graph.GrabFrame(&whole, width, height)) << platform::dshow::DumpGraph(graph.Graph());
    int w = 0, h = 0;
    const std::vector<unsigned char> wholeRows = BitmapRows(whole, &w, &h);
    DeleteObject(whole);
    EXPECT_EQ(width, w);
    EXPECT_EQ(height, h);
    EXPECT_GE(Psnr(wholeRows, full), 35.0) << "the full picture is the graph's, as before";
    CComPtr<IFrameGrab> held;
    ASSERT_TRUE(graph.GrabberFilter());
    ASSERT_EQ(S_OK, graph.GrabberFilter()->QueryInterface(IID_IFrameGrab, reinterpret_cast<void**>(&held)));
    HBITMAP shrunk = nullptr;
    ASSERT_EQ(S_OK, held->GetFrame(&shrunk, 80, 60));
    const std::vector<unsigned char> slow = BitmapRows(shrunk);
    DeleteObject(shrunk);

    const double psnr = Psnr(fast, slow);
    // The same boxes of the same picture; only the order of the mean and the colour conversion differ.
    EXPECT_GE(psnr, 38.0);
    // The first picture, not a later one.
    EXPECT_GT(psnr, Psnr(fast, media_clips::DecodeFrame(path, 12, 80, 60)));
    std::printf("  %-12s %s: %.1f dB against the graph road's thumbnail\n", kind.name, kind.size, psnr);
  }
}

TEST_F(FirstKeyPictureTest, GrabsThatDoNotShrinkStillComeFromTheGraph) {
  const std::string path = Make(dir_.path(), kKinds[2]);  // H.264 in a transport stream, 1280x720
  ASSERT_FALSE(path.empty());
  // Larger than the picture: the graph's scaler, never a shrink of the planes.
  CThumbnailGrabber grabber;
  ASSERT_EQ(1, grabber.OpenByRendering(path));
  HBITMAP big = nullptr;
  ASSERT_EQ(1, grabber.GrabFrame(&big, 1920, 1080));
  int w = 0, h = 0;
  EXPECT_FALSE(BitmapRows(big, &w, &h).empty());
  DeleteObject(big);
  EXPECT_EQ(1920, w);
  EXPECT_EQ(1080, h);
  EXPECT_NE(std::string::npos, platform::dshow::DumpGraph(grabber.Graph()).find("-> Still Capture.Input"));
  // Narrower but taller (a stretch one way) is not a shrink either.
  CThumbnailGrabber tall;
  ASSERT_EQ(1, tall.OpenByRendering(path));
  HBITMAP stretched = nullptr;
  ASSERT_EQ(1, tall.GrabFrame(&stretched, 80, 1440));
  EXPECT_FALSE(BitmapRows(stretched).empty());
  DeleteObject(stretched);
  // Released, nothing is left to grab by either road.
  tall.ReleaseGraph();
  HBITMAP none = nullptr;
  EXPECT_EQ(0, tall.GrabFrame(&none, 80, 60));
  EXPECT_EQ(nullptr, none);
}

}  // namespace
