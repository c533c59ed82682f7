// The clip list with the pictures of ffmpeg-made clips of every kind it lists.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/dshow/tests/media_clips.h"
#include "window_fixture.h"

namespace studio {
namespace {

using ClipListPeerTest = QuillonWindowFixture;

TEST_F(ClipListPeerTest, EveryKindShowsItsPictureAndUnknownOnesStayOut) {
  const std::string dir = env_.Documents();
  const std::vector<std::pair<std::string, std::string>> clips = {
      {"program.mpg", "-c:v mpeg2video -f vob"},
      {"elementary.m1v", "-c:v mpeg1video -f mpeg1video"},
      {"stream.m2ts", "-c:v mpeg2video -f mpegts"},
      {"clip.wmv", "-c:v wmv2"},
      {"clip.asf", "-c:v wmv1"},
      {"clip.avi", "-c:v mpeg4"},
      {"clip.mov", "-c:v mpeg4"},
      {"clip.mp4", "-c:v libx264 -preset ultrafast -pix_fmt yuv420p"},
  };
  std::vector<std::string> paths;
  for (const auto& [name, args] : clips) {
    const std::string path = dir + name;
    ASSERT_TRUE(media_clips::Run("ffmpeg -y -v error -f lavfi -i testsrc=size=160x120:rate=25:duration=0.4 " + args +
                                 " " + media_clips::Quote(path)))
        << name;
    paths.push_back(path);
  }
  const std::string wide = dir + "wide.MPG";
  ASSERT_TRUE(
      media_clips::Run("ffmpeg -y -v error -f lavfi -i testsrc=size=350x240:rate=25:duration=0.4 "
                       "-c:v mpeg2video -f vob " +
                       media_clips::Quote(wide)));
  paths.push_back(wide);
  for (const char* still : {"still.png", "still.jpg", "still.bmp", "still.gif"}) {
    const std::string path = dir + still;
    ASSERT_TRUE(
        media_clips::Run("ffmpeg -y -v error -f lavfi -i testsrc=size=160x60 -frames:v 1 " + media_clips::Quote(path)));
    paths.push_back(path);
  }
  std::ofstream(dir + "notes.txt") << "not a clip";
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    for (const std::string& path : paths) EXPECT_TRUE(dialog.AddClip(path, FALSE)) << path;
    EXPECT_FALSE(dialog.AddClip(dir + "notes.txt", FALSE));
    EXPECT_EQ(dialog.ClipListControl().GetItemCount(), static_cast<int>(paths.size()));
    Picture(d, "clip_list_thumbnails_end.png");
    dialog.ClipListControl().EnsureVisible(0, FALSE);
    Picture(d, "clip_list_thumbnails.png");
    boxes_.QueueAnswer(IDNO);
    testkit::ClickButton(d, IDC_CLOSE_BUTTON);
  });
}

}  // namespace
}  // namespace studio
