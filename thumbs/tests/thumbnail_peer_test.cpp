// Thumbnails of ffmpeg-made clips against ffmpeg's own decode of the same picture, the graph the
// rendering road leaves, and a sheet of the 80 x 60 thumbnails for people to look at.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "capture/capture_graph.h"
#include "platform/base/clock.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/tests/media_clips.h"
#include "platform/filters/filter_classes.h"
#include "platform/gdi/image_file.h"
#include "platform/gdi/objects.h"
#include "thumbs/tests/picture_compare.h"
#include "thumbs/thumbnail_grabber.h"

namespace {

using namespace thumbs_test;

struct Grab {
  int open = 0;
  int grabbed = 0;
  std::vector<unsigned char> rows;
  std::string graph;
};

Grab Take(const std::string& path, int width, int height) {
  Grab g;
  CThumbnailGrabber grabber;
  g.open = IsQuickTime(path) ? grabber.OpenWithSourceFilter(path) : grabber.OpenByRendering(path);
  g.graph = platform::dshow::DumpGraph(grabber.Graph());
  HBITMAP bitmap = nullptr;
  g.grabbed = grabber.GrabFrame(&bitmap, width, height);
  if (g.grabbed == 1) {
    int w = 0, h = 0;
    g.rows = BitmapRows(bitmap, &w, &h);
    EXPECT_EQ(width, w);
    EXPECT_EQ(height, h);
    DeleteObject(bitmap);
  }
  return g;
}

class ThumbnailPeerTest : public ::testing::Test {
 protected:
  media_clips::ScratchDir dir_{"vidarro-thumbs"};
};

TEST_F(ThumbnailPeerTest, ThumbnailsAreFfmpegsFirstPicture) {
  std::vector<std::uint32_t> sheet;
  const auto clips = media_clips::VideoClips();
  const int columns = 5, rows = static_cast<int>((clips.size() + columns - 1) / columns);
  sheet.assign(static_cast<std::size_t>(80 * columns) * 60 * rows, 0xFF202020);
  for (std::size_t n = 0; n < clips.size(); ++n) {
    const auto& clip = clips[n];
    SCOPED_TRACE(clip.name);
    const std::string path = media_clips::Make(dir_.path(), clip);
    ASSERT_FALSE(path.empty());
    const int width = clip.dv ? 720 : 160, height = clip.dv ? 576 : 120;

    const Grab full = Take(path, width, height);
    EXPECT_EQ(1, full.open);
    ASSERT_EQ(1, full.grabbed) << full.graph;
    if (!IsQuickTime(path)) {
      EXPECT_NE(std::string::npos, full.graph.find("-> Qn Color Space Converter.XForm In")) << full.graph;
      EXPECT_NE(std::string::npos, full.graph.find("-> Still Capture.Input")) << full.graph;
      EXPECT_EQ(std::string::npos, full.graph.find("Video Renderer")) << full.graph;
      // The sound is left unplayed: no decoder or device is built for a still.
      if (clip.args.find("-an") == std::string::npos) {
        EXPECT_NE(std::string::npos, full.graph.find("  Audio (unconnected)")) << full.graph;
      }
    }
    const double first = Psnr(full.rows, media_clips::DecodeFrame(path, 0));
    const double second = Psnr(full.rows, media_clips::DecodeFrame(path, 1));
    EXPECT_GE(first, 35.0);
    EXPECT_GT(first, second);

    const Grab thumb = Take(path, 80, 60);
    ASSERT_EQ(1, thumb.grabbed);
    EXPECT_GE(Psnr(thumb.rows, media_clips::DecodeFrame(path, 0, 80, 60)), 30.0);
    const int x0 = static_cast<int>(n % columns) * 80, y0 = static_cast<int>(n / columns) * 60;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 80; ++x) {
        const unsigned char* p = thumb.rows.data() + (static_cast<std::size_t>(y) * 80 + x) * 3;
        sheet[static_cast<std::size_t>(y0 + y) * 80 * columns + x0 + x] = 0xFF000000u | p[2] << 16 | p[1] << 8 | p[0];
      }
  }
  std::filesystem::create_directories(VIDARRO_THUMBS_PICTURES);
  EXPECT_TRUE(platform::gdi::WritePng(sheet.data(), 80 * columns, 60 * rows,
                                      std::string(VIDARRO_THUMBS_PICTURES) + "/clips.png"));
}

TEST_F(ThumbnailPeerTest, NoVideoNoWrongFileAndNoCutPath) {
  // Sound only: rendered, nothing to grab, the slot left alone.
  const std::string sound = media_clips::MakeAudio(dir_.path(), "only.mp3", "-c:a libmp3lame");
  CThumbnailGrabber audio;
  EXPECT_EQ(1, audio.OpenByRendering(sound));
  EXPECT_EQ(nullptr, audio.GrabberFilter());
  HBITMAP out = reinterpret_cast<HBITMAP>(static_cast<std::uintptr_t>(0x5EED));
  EXPECT_EQ(0, audio.GrabFrame(&out, 80, 60));
  EXPECT_EQ(reinterpret_cast<HBITMAP>(static_cast<std::uintptr_t>(0x5EED)), out);

  // "QT Source" takes only the QuickTime family, by content.
  const std::string avi = media_clips::Make(dir_.path(), media_clips::VideoClips()[5]);
  const std::string disguised = (dir_.path() / "disguised.mov").string();
  std::filesystem::copy_file(avi, disguised);
  CThumbnailGrabber qt;
  EXPECT_EQ(0, qt.OpenWithSourceFilter(disguised));
  CThumbnailGrabber missing;
  EXPECT_EQ(0, missing.OpenWithSourceFilter((dir_.path() / "gone.mp4").string()));

  // Empty, cut-off and foreign files: an open that fails and a grab that says so.
  const std::string empty = (dir_.path() / "empty.avi").string();
  std::ofstream(empty).close();
  CThumbnailGrabber none;
  EXPECT_EQ(0, none.OpenByRendering(empty));
  EXPECT_EQ(0, none.GrabFrame(&out, 80, 60));
  const std::string mp4 = media_clips::Make(dir_.path(), media_clips::VideoClips()[8]);
  const std::string cut = (dir_.path() / "cut.mp4").string();
  std::filesystem::copy_file(mp4, cut);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 3);
  CThumbnailGrabber broken;
  EXPECT_EQ(0, broken.OpenWithSourceFilter(cut));
  EXPECT_EQ(0, broken.GrabFrame(&out, 80, 60));
  EXPECT_EQ(reinterpret_cast<HBITMAP>(static_cast<std::uintptr_t>(0x5EED)), out);

  // A path far longer than 260 characters is neither cut nor refused.
  std::filesystem::path deep = dir_.path();
  for (int i = 0; i < 6; ++i) deep /= std::string(60, static_cast<char>('a' + i));
  std::filesystem::create_directories(deep);
  const std::string longPath = (deep / "clip.avi").string();
  ASSERT_GT(longPath.size(), 360u);
  std::filesystem::copy_file(avi, longPath);
  const Grab g = Take(longPath, 80, 60);
  EXPECT_EQ(1, g.open);
  EXPECT_EQ(1, g.grabbed);
}

TEST_F(ThumbnailPeerTest, TheCaptureGraphsAviGivesItsFirstPicture) {
  using namespace platform::dshow;
  auto devices = sim::DefaultDevices();
  devices[0].formats = {{352, 240, 333667, MEDIASUBTYPE_YUY2}};
  sim::Hardware::Instance().SetDevices(devices);
  AviCaptureSettings settings;
  settings.fileName = (dir_.path() / "recorded.avi").string();
  {
    platform::ManualClock clock(1000);
    platform::ScopedClock use(clock);
    CCaptureGraph graph;
    ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
    ASSERT_TRUE(graph.StartAviCapture(&settings));
    for (int t = 0; t < 500; t += 100) {
      clock.Advance(100);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(graph.StopCapture());
    graph.CloseDevice();
  }
  const Grab full = Take(settings.fileName, 352, 240);
  ASSERT_EQ(1, full.grabbed) << full.graph;
  EXPECT_GE(Psnr(full.rows, media_clips::DecodeFrame(settings.fileName, 0)), 35.0);
  const Grab thumb = Take(settings.fileName, 80, 60);
  ASSERT_EQ(1, thumb.grabbed);
  EXPECT_GE(Psnr(thumb.rows, media_clips::DecodeFrame(settings.fileName, 0, 80, 60)), 30.0);
}

}  // namespace
