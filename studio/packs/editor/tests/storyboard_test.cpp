#include "storyboard.h"

#include <gtest/gtest.h>

#include "platform/base/file.h"
#include "platform/base/key_file.h"
#include "frame_bitmap.h"
#include "platform/gdi/objects.h"
#include "platform/testkit/testkit.h"
#include "render_request.h"
#include "trim_dialog.h"
#include "widgets/project_document.h"

namespace studio::packs {
namespace {

ClipFacts Video(double seconds, bool sound = true) { return ClipFacts{seconds, sound, false, 25}; }
ClipFacts Picture() { return ClipFacts{0, false, true, 25}; }

std::string Joined(const std::vector<std::string>& args) {
  std::string s;
  for (const std::string& a : args) s += a + " ";
  return s;
}

TEST(Storyboard, ClipsPlayWholeOnceReadAndOnlyReadClipsCount) {
  Storyboard board;
  const auto a = board.Add("/a.avi");
  const auto b = board.Add("/b.avi");
  const auto c = board.Add("/c.png", 0);  // put first
  EXPECT_FALSE(board.AllRead());
  board.SetFacts(a, Video(10));
  EXPECT_DOUBLE_EQ(board.TotalSeconds(), 10);
  board.SetFacts(b, Video(2.5, false));
  board.SetFacts(c, Picture());
  EXPECT_TRUE(board.AllRead());
  EXPECT_EQ(board.At(0).path, "/c.png");
  EXPECT_DOUBLE_EQ(board.TotalSeconds(), 17.5);  // the picture shows for 5 s
  board.SetPictureSeconds(8);
  EXPECT_DOUBLE_EQ(board.TotalSeconds(), 20.5);
  board.SetFacts(999, Video(1));  // a clip removed while it was read
  EXPECT_EQ(board.Size(), 3u);
  EXPECT_TRUE(board.Contains("/b.avi"));
  EXPECT_TRUE(board.RemovePath("/b.avi"));
  EXPECT_FALSE(board.RemovePath("/b.avi"));
  EXPECT_DOUBLE_EQ(board.TotalSeconds(), 18);
}

TEST(Storyboard, TrimsStayInsideTheClipAndSplitsKeepThePlayTime) {
  Storyboard board;
  const auto a = board.Add("/a.avi");
  EXPECT_FALSE(board.Trim(0, 1, 2));  // not read yet
  board.SetFacts(a, Video(10));
  ASSERT_TRUE(board.Trim(0, 2, 7.5));
  EXPECT_DOUBLE_EQ(board.At(0).Length(), 5.5);
  ASSERT_TRUE(board.Trim(0, -3, 40));
  EXPECT_DOUBLE_EQ(board.At(0).in, 0);
  EXPECT_DOUBLE_EQ(board.At(0).out, 10);
  ASSERT_TRUE(board.Trim(0, 9.99, 3));  // crossed points still leave a piece to play
  EXPECT_GE(board.At(0).Length(), Storyboard::kShortestPiece - 1e-9);
  EXPECT_LE(board.At(0).out, 10);

  ASSERT_TRUE(board.Trim(0, 1, 9));
  EXPECT_FALSE(board.Split(0, 1.05));  // too near the in point
  EXPECT_FALSE(board.Split(0, 9.5));   // past the out point
  ASSERT_TRUE(board.Split(0, 4));
  ASSERT_EQ(board.Size(), 2u);
  EXPECT_DOUBLE_EQ(board.At(0).in, 1);
  EXPECT_DOUBLE_EQ(board.At(0).out, 4);
  EXPECT_DOUBLE_EQ(board.At(1).in, 4);
  EXPECT_DOUBLE_EQ(board.At(1).out, 9);
  EXPECT_NE(board.At(0).id, board.At(1).id);
  EXPECT_DOUBLE_EQ(board.TotalSeconds(), 8);

  const auto p = board.Add("/p.jpg");
  board.SetFacts(p, Picture());
  EXPECT_FALSE(board.Trim(2, 0, 1));  // a picture's length is the picture length
  EXPECT_FALSE(board.Split(2, 2));
}

// Chapters of the edited video: where each clip that plays begins, unread ones left out.
TEST(Storyboard, EachReadClipBeginsWhereTheOnesBeforeItEnd) {
  Storyboard board;
  const auto a = board.Add("/a.avi");
  const auto b = board.Add("/b.png");
  board.Add("/c.avi");  // still being read
  const auto d = board.Add("/d.avi");
  board.SetFacts(a, Video(10));
  board.SetFacts(b, Picture());
  board.SetFacts(d, Video(4));
  ASSERT_TRUE(board.Trim(0, 2, 5));
  EXPECT_EQ(board.ClipStarts(), (std::vector<double>{0, 3, 8}));
  ASSERT_TRUE(board.Split(3, 1));
  EXPECT_EQ(board.ClipStarts(), (std::vector<double>{0, 3, 8, 9}));
  EXPECT_TRUE(Storyboard().ClipStarts().empty());
}

TEST(Storyboard, MovesPutTheClipWhereItWasDropped) {
  Storyboard board;
  for (const char* path : {"/0", "/1", "/2", "/3"}) board.Add(path);
  ASSERT_TRUE(board.Move(0, 2));
  EXPECT_EQ(board.At(0).path, "/1");
  EXPECT_EQ(board.At(2).path, "/0");
  ASSERT_TRUE(board.Move(3, 0));
  EXPECT_EQ(board.At(0).path, "/3");
  EXPECT_FALSE(board.Move(1, 4));
  EXPECT_FALSE(board.Move(1, 1));
}

struct ProjectFileFixture : ::testing::Test {
  testkit::Environment env{testkit::CurrentTestName()};
  std::string path = env.Documents() + "board.ilj5";

  void Save(const Storyboard& board) {
    ProjectKeyFile file;
    ASSERT_TRUE(file.Open(path, TRUE));
    file.SelectGroup("Editor");
    board.Save(platform::com::MakeComObject<CProjectDocument>(&file).get());
    ASSERT_TRUE(file.Close());
  }
  void Load(Storyboard* board) {
    ProjectKeyFile file;
    ASSERT_TRUE(file.Open(path, FALSE));
    file.SelectGroup("Editor");
    board->Load(platform::com::MakeComObject<CProjectDocument>(&file).get());
  }
};

TEST_F(ProjectFileFixture, TrimsOrderAndPictureLengthComeBack) {
  Storyboard board;
  const auto a = board.Add("/v/a;b.avi");
  const auto odd = board.Add("/v/two\nlines\r100%.avi");
  const auto p = board.Add("/v/p.png");
  board.SetFacts(a, Video(10));
  board.SetFacts(odd, Video(4));
  board.SetFacts(p, Picture());
  board.SetPictureSeconds(7);
  ASSERT_TRUE(board.Trim(0, 1.5, 6.25));
  Save(board);

  Storyboard reopened;
  Load(&reopened);
  ASSERT_EQ(reopened.Size(), 3u);
  EXPECT_EQ(reopened.At(0).path, "/v/a;b.avi");
  EXPECT_EQ(reopened.At(1).path, "/v/two\nlines\r100%.avi");
  EXPECT_FALSE(reopened.At(0).read);
  EXPECT_DOUBLE_EQ(reopened.PictureSeconds(), 7);
  // The saved points hold once the clips are read again, inside what the clip has become.
  reopened.SetFacts(reopened.At(0).id, Video(10));
  EXPECT_DOUBLE_EQ(reopened.At(0).in, 1.5);
  EXPECT_DOUBLE_EQ(reopened.At(0).out, 6.25);
  reopened.SetFacts(reopened.At(1).id, Video(3));  // shorter than when it was saved
  EXPECT_DOUBLE_EQ(reopened.At(1).out, 3);
  reopened.SetFacts(reopened.At(2).id, Picture());
  EXPECT_DOUBLE_EQ(reopened.TotalSeconds(), 4.75 + 3 + 7);
}

TEST_F(ProjectFileFixture, AFileOfAnEarlierBuildPlaysItsClipsWhole) {
  ASSERT_TRUE(platform::WriteWholeFileAtomic(
      path, "\r\n<EDITOR>\r\n[TIMELINE]\r\nSpan=1,2\r\nClip=/v/a.avi\r\nClip=/v/b.avi\r\nSpan=junk\r\n"));
  Storyboard board;
  Load(&board);
  ASSERT_EQ(board.Size(), 2u);
  board.SetFacts(board.At(0).id, Video(3));
  board.SetFacts(board.At(1).id, Video(4));
  EXPECT_DOUBLE_EQ(board.TotalSeconds(), 7);
  EXPECT_DOUBLE_EQ(board.PictureSeconds(), Storyboard::kDefaultPictureSeconds);
}

TEST(RenderArguments, EachClipPlaysFromItsInPointForItsLength) {
  Storyboard board;
  board.SetFacts(board.Add("/a.avi"), Video(10));
  board.SetFacts(board.Add("/-b.avi"), Video(2.5, false));
  board.SetFacts(board.Add("/c.jpg"), Picture());
  ASSERT_TRUE(board.Trim(0, 2, 5));
  const RenderRequest request =
      ParseRenderRequest("encode project title type=mpeg1;width=352;height=240;bitrate=2000000;path=/o;1.mpg");
  EXPECT_EQ(request.path, "/o;1.mpg");
  const std::string args = Joined(RenderArguments(board.Clips(), request));
  EXPECT_NE(args.find("-ss 2.000 -t 3.000 -i file:/a.avi"), std::string::npos) << args;
  EXPECT_NE(args.find("-t 2.500 -i file:/-b.avi -f lavfi -t 2.500 -i anullsrc"), std::string::npos) << args;
  EXPECT_NE(args.find("-loop 1 -framerate 25 -t 5.000 -i file:/c.jpg -f lavfi -t 5.000 -i anullsrc"), std::string::npos)
      << args;
  // Inputs: a=0, b=1 with its silence 2, the picture 3 with its silence 4.
  for (const char* pad : {"[0:v:0]", "[0:a:0]", "[1:v:0]", "[2:a:0]", "[3:v:0]", "[4:a:0]", "concat=n=3:v=1:a=1"})
    EXPECT_NE(args.find(pad), std::string::npos) << pad;
  EXPECT_EQ(ParseRenderRequest("encode project title type=mpeg2;ntsc=0").height, 576);
  const RenderRequest odd = ParseRenderRequest("encode project title type=mpeg1;width=353;height=241;path=/o.mpg");
  EXPECT_EQ(odd.width, 352);
  EXPECT_EQ(odd.height, 240);
}

TEST(RenderArguments, TheBlurayClipIsMpeg2AndLpcmOnTheAuthoringPids) {
  Storyboard board;
  board.SetFacts(board.Add("/a.avi"), Video(1));
  const RenderRequest request = ParseRenderRequest("encode project title type=bdmv;ntsc=1;path=/00001.m2ts");
  EXPECT_TRUE(KnownRenderType(request.type));
  EXPECT_FALSE(KnownRenderType("h264"));
  EXPECT_EQ(request.width, 1920);
  EXPECT_EQ(request.height, 1080);
  const std::string args = Joined(RenderArguments(board.Clips(), request));
  for (const char* part : {"-c:v mpeg2video", "-c:a pcm_bluray", "-ar 48000", "-streamid 0:0x1011",
                           "-streamid 1:0x1100", "-mpegts_m2ts_mode 1", "setdar=16/9"})
    EXPECT_NE(args.find(part), std::string::npos) << part << "\n" << args;
}

TEST(FrameImages, RowsGoBottomUpAndAShortBufferIsRefused) {
  const std::vector<std::uint8_t> image = PaintedFrameImage(4, 2, [](int x, int y) {
    return Bgr{0, 0, static_cast<std::uint8_t>(y == 0 && x == 0 ? 255 : 0)};
  });
  ASSERT_EQ(image.size(), 54u + 4 * 2 * 3);
  EXPECT_EQ(image[54 + 4 * 3 + 2], 255);  // the top row is the file's last
  EXPECT_EQ(image[54 + 2], 0);
  HBITMAP bitmap = BitmapFromFrameImage(image);
  EXPECT_NE(bitmap, nullptr);
  DeleteObject(bitmap);
  // A header that promises more rows than the file holds, as a broken or hostile frame might.
  std::vector<std::uint8_t> cut(image.begin(), image.end() - 3);
  EXPECT_EQ(BitmapFromFrameImage(cut), nullptr);
  cut = image;
  cut[22] = 0xFF;
  cut[25] = 0x7F;  // a height of two thousand million rows
  EXPECT_EQ(BitmapFromFrameImage(cut), nullptr);
  EXPECT_EQ(BitmapFromFrameImage({}), nullptr);
}

TEST(PlayLength, TenthsOfASecondUpToHours) {
  EXPECT_EQ(PlayLength(5), "0:00:05.0");
  EXPECT_EQ(PlayLength(3725.44), "1:02:05.4");
  EXPECT_EQ(PlayLength(-1), "0:00:00.0");
  EXPECT_DOUBLE_EQ(OnFrame(1.03, 25), 1.04);
}

// Clips a little longer than their shown lengths must not add up to a total the lengths beside it
// do not make; a clip still being read counts for nothing yet.
TEST(PlayLength, TheTotalIsTheSumOfTheLengthsShown) {
  std::vector<StoryboardClip> clips(4);
  const double lengths[] = {4.04, 2.04, 3.04, 7};
  for (size_t i = 0; i < clips.size(); ++i) {
    clips[i].read = i < 3;
    clips[i].out = lengths[i];
  }
  EXPECT_EQ(ShownTotalLength(clips), "0:00:09.0");
  clips[0].out = 4.06;  // shown as 4.1
  EXPECT_EQ(ShownTotalLength(clips), "0:00:09.1");
  EXPECT_EQ(ShownTotalLength({}), "0:00:00.0");
}

}  // namespace
}  // namespace studio::packs
