#include "editor_pack.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "file_information.h"
#include "pack_host.h"
#include "platform/base/key_file.h"
#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/testkit/testkit.h"
#include "scripted_pack.h"
#include "widgets/project_document.h"

namespace studio::packs {
namespace {

using studio::testing::ScriptedPack;

// A short clip made by ffmpeg: a test picture, with a tone unless silent.
std::string MakeClip(const std::string& path, double seconds, bool withSound) {
  std::vector<std::string> args = {"-y",
                                   "-loglevel",
                                   "error",
                                   "-f",
                                   "lavfi",
                                   "-i",
                                   "testsrc=size=320x240:rate=25:duration=" + std::to_string(seconds)};
  if (withSound)
    args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:duration=" + std::to_string(seconds)});
  args.insert(args.end(), {"-c:v", "mpeg4", "-shortest", path});
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg", args, &out, &err, &code, 60000);
  return code == 0 ? path : std::string();
}

std::string Probe(const std::string& path, const std::string& entries) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffprobe", {"-v", "error", "-show_entries", entries, "-of", "default=noprint_wrappers=1", path},
                       &out, &err, &code, 30000);
  return out;
}

struct EditorFixture : ::testing::Test {
  testkit::Environment env{testkit::CurrentTestName()};
  testkit::ManualTime time;
  testkit::RecordingParent parent;
  StudioModel model;
  CComPtr<CEditorPack> editor = platform::com::MakeComObject<CEditorPack>();
  CComPtr<ScriptedPack> burner = platform::com::MakeComObject<ScriptedPack>("Burner");
  PackHost* host = new PackHost(kEditorPackNumber, &model);
  std::vector<std::string> log;

  EditorFixture() {
    model.folders = {env.Home() + "app/", env.Documents(), env.Temp()};
    model.editor = editor.get();
    model.burner = burner.get();
    burner->log = &log;
    editor->SetHost(host);
    RECT area{0, 0, 400, 300};
    editor->CreateWindow(WS_CHILD | WS_VISIBLE, &area, parent.hwnd());
  }
  ~EditorFixture() override {
    editor->DestroyWindow();
    editor->Uninitialize();
    host->ReleaseOwner();
  }
  // Lets the render run, the timer reading its progress; bounded by a minute of real time.
  bool RunRender() {
    for (int i = 0; i < 6000 && editor->Rendering(); ++i) {
      time.Advance(CEditorPack::kProgressMs);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !editor->Rendering();
  }
};

TEST_F(EditorFixture, RendersThreeClipsOneSilentIntoOneMpeg1File) {
  const std::string a = MakeClip(env.Documents() + "a.avi", 1, true);
  const std::string b = MakeClip(env.Documents() + "b.avi", 1, false);
  const std::string c = MakeClip(env.Documents() + "c.avi", 2, true);
  ASSERT_FALSE(a.empty() || b.empty() || c.empty());
  for (const std::string& clip : {a, b, c}) editor->Command(kHostSender, ("add file " + clip).c_str());
  EXPECT_EQ(editor->Timeline().size(), 3u);
  EXPECT_EQ(editor->Command(kHostSender, ("isfilebusy " + b).c_str()), S_OK);
  EXPECT_EQ(editor->Command(kHostSender, "isfilebusy /elsewhere.avi"), S_FALSE);
  // The host made the title item from the editor's notice, with its thumbnail.
  ASSERT_EQ(model.clips.FindProjectTitleItem(), 0);
  EXPECT_NEAR(model.clips.ProjectTitlePlayTime(), 4000, 200);  // milliseconds, as the converter reads it
  EXPECT_TRUE(std::filesystem::exists(model.clips.Items()[0].path));
  EXPECT_EQ(std::filesystem::file_size(model.clips.Items()[0].path), 54u + 80 * 60 * 3);

  const std::string out = env.Documents() + "out.mpg";
  log.clear();
  ASSERT_EQ(editor->Command(kHostSender, ("encode project title type=mpeg1;ntsc=1;width=352;height=240;bitrate="
                                          "2000000;framerate=3;wide=0;audiotype=0;audiobitrate=224000;path=" +
                                          out)
                                             .c_str()),
            S_OK);
  EXPECT_EQ(editor->QueryBusy(0), 1);
  ASSERT_TRUE(RunRender());
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "Burner.Command:prog encode prog=100;<Vidarro5>");
  EXPECT_EQ(log.back(), "Burner.Command:end encode<Vidarro5>");
  const std::string streams = Probe(out, "stream=codec_name,width,height");
  EXPECT_NE(streams.find("codec_name=mpeg1video"), std::string::npos) << streams;
  EXPECT_NE(streams.find("codec_name=mp2"), std::string::npos) << streams;
  EXPECT_NE(streams.find("width=352"), std::string::npos);
  EXPECT_NE(streams.find("height=240"), std::string::npos);
  const double seconds = std::atof(Probe(out, "format=duration").substr(9).c_str());
  EXPECT_NEAR(seconds, 4.0, 0.5);
}

TEST_F(EditorFixture, CancelLeavesNoFileAndBadRequestsFail) {
  const std::string a = MakeClip(env.Documents() + "long.avi", 20, true);
  ASSERT_FALSE(a.empty());
  testkit::WritePicture(editor->Window(), "editor_empty.png");
  const std::string out = env.Documents() + "cancelled.mpg";
  EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=mpeg1;path=" + out).c_str()), E_FAIL);  // no clips
  editor->Command(kHostSender, ("add file " + a).c_str());
  EXPECT_EQ(
      editor->Command(kHostSender, ("encode project title type=mpeg1;width=0;height=0;bitrate=1;path=" + out).c_str()),
      E_FAIL);
  editor->Command(kHostSender, "add file /no/such/clip.avi");
  EXPECT_EQ(editor->Timeline().size(), 1u);
  ASSERT_EQ(
      editor->Command(kHostSender, ("encode project title type=mpeg2;ntsc=1;bitrate=6000000;path=" + out).c_str()),
      S_OK);
  time.Advance(CEditorPack::kProgressMs);
  log.clear();
  EXPECT_EQ(editor->Command(kHostSender, "cancel encode"), S_OK);
  EXPECT_FALSE(editor->Rendering());
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(log, std::vector<std::string>{"Burner.Command:cancel encode<Vidarro5>"});
  for (const char* odd : {"", ";;;", "encode project title", "add file ", "isfilebusy "})
    EXPECT_NE(editor->Command(kHostSender, odd), S_OK + 99) << odd;
  editor->Command(kHostSender, ("remove file " + a).c_str());
  EXPECT_EQ(model.clips.FindProjectTitleItem(), -1);  // an empty timeline takes the title item away
}

TEST_F(EditorFixture, ARenderWhoseFolderVanishesFailsAndLeavesNoFile) {
  const std::string a = MakeClip(env.Documents() + "long.avi", 20, true);
  ASSERT_FALSE(a.empty());
  editor->Command(kHostSender, ("add file " + a).c_str());
  const std::string folder = env.Documents() + "out/";
  std::filesystem::create_directories(folder);
  const std::string out = folder + "gone.mpg";
  ASSERT_EQ(
      editor->Command(kHostSender, ("encode project title type=mpeg2;ntsc=0;bitrate=6000000;path=" + out).c_str()),
      S_OK);
  std::filesystem::remove_all(folder);
  log.clear();
  ASSERT_TRUE(RunRender());
  EXPECT_FALSE(std::filesystem::exists(out));
  ASSERT_FALSE(log.empty());
  // Told as a failure, which the host passes on as one, never as the user's cancel.
  EXPECT_EQ(log.back(), "Burner.Command:cancel encode failed=1;<Vidarro5>");
  EXPECT_NE(RenderFailureText(out, "No such file").find("free space"), std::string::npos);
}

TEST_F(EditorFixture, DiscTypesTakeTheDiscSizeAndSoundWhateverTheClips) {
  // A wide PAL clip whose name starts with a dash and holds a colon, and a small square one.
  const std::string wide = env.Documents() + "-wide: \"16x9\".avi";
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg",
                       {"-y", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=1024x576:rate=25:duration=1",
                        "-c:v", "mpeg4", "file:" + wide},
                       &out, &err, &code, 60000);
  ASSERT_EQ(code, 0) << err;
  const std::string small = MakeClip(env.Documents() + "small.avi", 1, true);
  ASSERT_FALSE(small.empty());
  // A picture is a silent clip of five seconds.
  const std::string picture = env.Documents() + "still.png";
  platform::RunProcess("ffmpeg",
                       {"-y", "-loglevel", "error", "-f", "lavfi", "-i", "color=c=red:size=200x300", "-frames:v", "1",
                        "file:" + picture},
                       &out, &err, &code, 60000);
  ASSERT_EQ(code, 0) << err;
  for (const std::string& clip : {wide, small, picture}) editor->Command(kHostSender, ("add file " + clip).c_str());
  ASSERT_EQ(editor->Timeline().size(), 3u);
  EXPECT_NEAR(model.clips.ProjectTitlePlayTime(), 7000, 200);
  EXPECT_EQ(::SendMessage(editor->Window(), LB_GETCOUNT, 0, 0), 4);  // three clips and the total
  testkit::WritePicture(editor->Window(), "editor_three_clips.png");
  EXPECT_EQ(PlayLength(kPictureSeconds), "0:00:05.0");
  EXPECT_EQ(PlayLength(3725.44), "1:02:05.4");

  struct Case {
    const char* request;
    const char* video;
    const char* audio;
    const char* size;
  };
  for (const Case& c : {Case{"type=vcd;ntsc=0;", "mpeg1video", "mp2", "width=352\nheight=288"},
                        Case{"type=mpeg2;ntsc=1;audiotype=1;", "mpeg2video", "ac3", "width=720\nheight=480"},
                        Case{"type=svcd;ntsc=0;", "mpeg2video", "mp2", "width=480\nheight=576"}}) {
    const std::string target = env.Documents() + "-out " + std::string(c.video) + ".mpg";
    ASSERT_EQ(
        editor->Command(kHostSender, ("encode project title " + std::string(c.request) + "path=" + target).c_str()),
        S_OK)
        << c.request;
    ASSERT_TRUE(RunRender());
    const std::string streams = Probe("file:" + target, "stream=codec_name,width,height");
    EXPECT_NE(streams.find(std::string("codec_name=") + c.video), std::string::npos) << c.request << streams;
    EXPECT_NE(streams.find(std::string("codec_name=") + c.audio), std::string::npos) << c.request << streams;
    EXPECT_NE(streams.find(c.size), std::string::npos) << c.request << streams;
    EXPECT_NEAR(std::atof(Probe("file:" + target, "format=duration").substr(9).c_str()), 7.0, 0.5) << c.request;
  }
  // The wide clip sits between bands: the top rows of the first frame are black.
  const std::string first = env.Documents() + "first.pgm";
  platform::RunProcess("ffmpeg",
                       {"-y", "-loglevel", "error", "-i", "file:" + env.Documents() + "-out mpeg1video.mpg",
                        "-frames:v", "1", "-vf", "crop=352:8:0:0,format=gray", "-f", "rawvideo", "file:" + first},
                       &out, &err, &code, 60000);
  std::string rows;
  ASSERT_TRUE(platform::ReadWholeFile(first, &rows));
  ASSERT_EQ(rows.size(), 352u * 8);
  EXPECT_LT(static_cast<unsigned char>(rows[352 * 4 + 176]), 40);
}

TEST_F(EditorFixture, RequestsThatCannotSucceedAreRefusedBeforeAnything) {
  const std::string a = MakeClip(env.Documents() + "a.avi", 1, true);
  ASSERT_FALSE(a.empty());
  editor->Command(kHostSender, ("add file " + a).c_str());
  const std::string vanishing = MakeClip(env.Documents() + "vanishing.avi", 1, false);
  editor->Command(kHostSender, ("add file " + vanishing).c_str());
  std::filesystem::remove(vanishing);
  EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=vcd;path=" + env.Documents() + "v.mpg").c_str()),
            E_FAIL);
  EXPECT_FALSE(std::filesystem::exists(env.Documents() + "v.mpg"));
  editor->Command(kHostSender, ("remove file " + vanishing).c_str());
  const std::string missing = env.Documents() + "gone/out.mpg";
  EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=vcd;path=" + missing).c_str()), E_FAIL);
  EXPECT_FALSE(editor->Rendering());
  EXPECT_FALSE(std::filesystem::exists(missing));
  RenderRequest request = ParseRenderRequest("type=mpeg2;ntsc=1;path=" + env.Documents() + "x.mpg");
  EXPECT_NE(RenderRefusal(request, 1e9).find("free space"), std::string::npos);  // centuries of video
  EXPECT_EQ(RenderRefusal(request, 10), "");
  const std::string path = std::getenv("PATH");
  ::setenv("PATH", env.Temp().c_str(), 1);
  EXPECT_NE(RenderRefusal(request, 10).find("ffmpeg"), std::string::npos);
  ::setenv("PATH", path.c_str(), 1);
}

TEST_F(EditorFixture, TheStoryboardSurvivesSaveAndReopenInItsOrder) {
  const std::string a = MakeClip(env.Documents() + "a;b.avi", 1, true);
  const std::string b = MakeClip(env.Documents() + "b.avi", 1, false);
  ASSERT_FALSE(a.empty() || b.empty());
  for (const std::string& clip : {b, a}) editor->Command(kHostSender, ("add file " + clip).c_str());
  const std::string path = env.Documents() + "trip.ilj5";
  {
    ProjectKeyFile file;
    ASSERT_TRUE(file.Open(path, TRUE));
    file.SelectGroup("Editor");
    editor->SaveProject(platform::com::MakeComObject<CProjectDocument>(&file).get());
    ASSERT_TRUE(file.Close());
  }
  editor->Command(kHostSender, ("remove file " + a).c_str());
  editor->Command(kHostSender, ("remove file " + b).c_str());
  ASSERT_TRUE(editor->Timeline().empty());
  ProjectKeyFile file;
  ASSERT_TRUE(file.Open(path, FALSE));
  file.SelectGroup("Editor");
  editor->LoadProject(platform::com::MakeComObject<CProjectDocument>(&file).get());
  EXPECT_EQ(editor->Timeline(), (std::vector<std::string>{b, a}));
}

TEST_F(EditorFixture, FileInformationTellsContainerLengthAndStreams) {
  const std::string a = MakeClip(env.Documents() + "with sound.avi", 2, true);
  ASSERT_FALSE(a.empty());
  const std::string text = FileInformationText(a);
  for (const char* part : {"Container: AVI", "Length: 00:00:02.", "MPEG-4 part 2", "Size: 320 x 240",
                           "Frame rate: 25.000 fps", "Sample rate: 44100 Hz", "Channels: 1"})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  const std::string silent = MakeClip(env.Documents() + "silent.avi", 1, false);
  EXPECT_NE(FileInformationText(silent).find("Audio: none"), std::string::npos);
  platform::WriteWholeFileAtomic(env.Documents() + "notes.mpg", "not a video");
  EXPECT_EQ(FileInformationText(env.Documents() + "notes.mpg"), "");
  EXPECT_EQ(editor->Command(kHostSender, ("fileinfo path=" + a).c_str()), S_OK);
}

TEST(RenderArguments, SilentClipsGetSilenceOfTheirLength) {
  RenderRequest request =
      ParseRenderRequest("encode project title type=mpeg1;width=352;height=240;bitrate=2000000;path=/o.mpg");
  EXPECT_EQ(request.width, 352);
  EXPECT_EQ(request.path, "/o.mpg");
  const auto args = RenderArguments({"/a.avi", "/b.avi"}, {{1.0, true}, {2.5, false}}, request);
  const std::string joined = [&] {
    std::string s;
    for (const auto& a : args) s += a + " ";
    return s;
  }();
  EXPECT_NE(joined.find("-t 2.500 -i anullsrc"), std::string::npos) << joined;
  EXPECT_NE(joined.find("[0:v:0]"), std::string::npos);
  EXPECT_NE(joined.find("[2:a:0]"), std::string::npos);
  EXPECT_NE(joined.find("concat=n=2:v=1:a=1"), std::string::npos);
  EXPECT_EQ(ParseRenderRequest("encode project title type=mpeg2;ntsc=0").height, 576);
}

}  // namespace
}  // namespace studio::packs
