#include "editor_pack.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "bdauthor/clip_analysis.h"
#include "file_information.h"
#include "pack_host.h"
#include "platform/base/file.h"
#include "platform/base/key_file.h"
#include "platform/base/process.h"
#include "platform/controls/commctrl.h"
#include "platform/ole/drag_drop.h"
#include "platform/ole/drop_files.h"
#include "platform/ole/global_memory.h"
#include "platform/testkit/testkit.h"
#include "outside_tools.h"
#include "platform/window/dialog.h"
#include "platform/window/messages.h"
#include "scripted_pack.h"
#include "trim_dialog.h"
#include "widgets/project_document.h"

namespace studio::packs {
namespace {

using studio::testing::ScriptedPack;

// A test picture of `size`, with a tone unless silent.
std::string MakeClip(const std::string& path, double seconds, bool withSound, const std::string& size = "320x240",
                     const std::string& rate = "25") {
  std::vector<std::string> args = {
      "ffmpeg",    "-y",
      "-loglevel", "error",
      "-f",        "lavfi",
      "-i",        "testsrc=size=" + size + ":rate=" + rate + ":duration=" + std::to_string(seconds)};
  if (withSound)
    args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:duration=" + std::to_string(seconds)});
  args.insert(args.end(), {"-c:v", "mpeg4", "-q:v", "3", "-shortest", "file:" + path});
  return RunTool(args) ? path : std::string();
}

std::string Probe(const std::string& path, const std::string& entries) {
  std::string out;
  RunTool({"ffprobe", "-v", "error", "-show_entries", entries, "-of", "default=noprint_wrappers=1", "file:" + path},
          &out);
  return out;
}

double Duration(const std::string& path) {
  const std::string text = Probe(path, "format=duration");
  return text.size() > 9 ? std::atof(text.c_str() + 9) : 0;
}

// Dispatches this thread's messages until `done` holds, waiting for the workers' posts in between.
void WaitFor(const std::function<bool()>& done) {
  while (!done()) {
    testkit::Pump();
    if (!done()) ::WaitMessage();
  }
}

int ItemCount(HWND list) { return static_cast<int>(::SendMessage(list, LVM_GETITEMCOUNT, 0, 0)); }

// Clicks a clip of the storyboard as the user does.
void ClickClip(HWND list, int index) {
  RECT box{LVIR_ICON, 0, 0, 0};
  ::SendMessage(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&box));
  testkit::Click(list, (box.left + box.right) / 2, (box.top + box.bottom) / 2);
}

// The main window's message boxes, answered and kept.
struct RecordingUi : StudioUi {
  std::vector<std::string> texts;
  int ShowMessageBox(const std::string& text, UINT) override {
    texts.push_back(text);
    return IDOK;
  }
  std::string Last() const { return texts.empty() ? std::string() : texts.back(); }
};

struct EditorFixture : ::testing::Test {
  testkit::Environment env{testkit::CurrentTestName()};
  testkit::RecordingParent parent{RECT{0, 0, 800, 360}};
  RecordingUi boxes;
  StudioModel model;
  CComPtr<CEditorPack> editor = platform::com::MakeComObject<CEditorPack>();
  CComPtr<ScriptedPack> burner = platform::com::MakeComObject<ScriptedPack>("Burner");
  PackHost* host = new PackHost(kEditorPackNumber, &model);
  std::vector<std::string> log;

  EditorFixture() {
    model.folders = {env.Home() + "app/", env.Documents(), env.Temp()};
    model.ui = &boxes;
    model.editor = editor.get();
    model.burner = burner.get();
    burner->log = &log;
    editor->SetHost(host);
    RECT area{0, 0, 760, 300};
    editor->CreateWindow(WS_CHILD | WS_VISIBLE, &area, parent.hwnd());
  }
  ~EditorFixture() override {
    editor->DestroyWindow();
    editor->Uninitialize();
    host->ReleaseOwner();
  }
  HWND List() { return editor->View().List(); }
  void Add(const std::vector<std::string>& clips) {
    for (const std::string& clip : clips) editor->Command(kHostSender, ("add file " + clip).c_str());
    WaitFor([&] { return editor->ReaderIdle(); });
  }
  // Files dropped on the Edit step, as the main window hands them on.
  void Drop(const std::vector<std::string>& paths, bool wait = true) {
    HGLOBAL drop = platform::ole::BuildDropFiles(paths);
    editor->DropData(drop);
    GlobalFree(drop);
    if (wait) WaitFor([&] { return editor->ReaderIdle(); });
  }
  bool Render(const std::string& request) {
    if (editor->Command(kHostSender, ("encode project title " + request).c_str()) != S_OK) return false;
    WaitFor([&] { return !editor->Rendering(); });
    return true;
  }
  bool Click(int id) { return testkit::ClickButton(editor->Window(), id); }
};

TEST_F(EditorFixture, ThreeClipsTrimmedReorderedAndOneRemovedRenderToTheStoryboardTotal) {
  testkit::WritePicture(editor->Window(), "editor_empty.png");
  EXPECT_TRUE(testkit::ControlVisible(editor->Window(), StoryboardView::kEmptyId));
  const std::string a = MakeClip(env.Documents() + "a.avi", 4, true);
  const std::string silent = MakeClip(env.Documents() + "silent.avi", 2, false);
  const std::string wide = MakeClip(env.Documents() + "wide pal.avi", 3, true, "1024x576");
  ASSERT_FALSE(a.empty() || silent.empty() || wide.empty());
  Drop({a, silent, wide}, false);
  // Shown at once, read behind the window.
  EXPECT_EQ(ItemCount(List()), 3);
  EXPECT_EQ(editor->Command(kHostSender, ("isfilebusy " + silent).c_str()), S_OK);
  EXPECT_EQ(editor->Command(kHostSender, "isfilebusy /elsewhere.avi"), S_FALSE);
  // The clip list keeps a clip the storyboard uses, and says why.
  ASSERT_TRUE(model.clips.AddClip(silent));
  boxes.texts.clear();
  EXPECT_FALSE(model.DeleteClipByPath(silent));
  EXPECT_EQ(boxes.Last(), FileBusyText(silent));
  EXPECT_FALSE(model.RenameClip(silent, "renamed"));
  EXPECT_TRUE(std::filesystem::exists(silent));
  WaitFor([&] { return !editor->Reading(); });
  // The host made the title item from the editor's notice, with the first clip's frame.
  ASSERT_EQ(model.clips.FindProjectTitleItem(), 0);
  // Milliseconds, as the converter reads them.
  EXPECT_NEAR(model.clips.ProjectTitlePlayTime(), editor->Board().TotalSeconds() * 1000, 1);
  EXPECT_NEAR(editor->Board().TotalSeconds(), 9, 0.15);
  EXPECT_EQ(std::filesystem::file_size(model.clips.Items()[0].path), 54u + 80 * 60 * 3);
  EXPECT_NE(
      testkit::ControlText(editor->Window(), StoryboardView::kTotalId).find(ShownTotalLength(editor->Board().Clips())),
      std::string::npos);
  testkit::WritePicture(editor->Window(), "editor_three_clips.png");

  // Trim the first clip to 1.0 - 3.0 s on its frames: 25 frame steps in, then 50 more out.
  ClickClip(List(), 0);
  testkit::WhenDialogShows([&](HWND dialog) {
    for (int i = 0; i < 25; ++i) testkit::ClickButton(dialog, TrimDialog::kForwardId);
    testkit::ClickButton(dialog, TrimDialog::kSetInId);
    for (int i = 0; i < 50; ++i) testkit::ClickButton(dialog, TrimDialog::kForwardId);
    testkit::ClickButton(dialog, TrimDialog::kSetOutId);
    WaitFor([&] { return ::SendDlgItemMessage(dialog, TrimDialog::kPreviewId, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0; });
    EXPECT_NE(testkit::ControlText(dialog, TrimDialog::kPointsId).find("Plays 0:00:02.0"), std::string::npos)
        << testkit::ControlText(dialog, TrimDialog::kPointsId);
    testkit::WritePicture(dialog, "editor_trimming.png");
    testkit::ClickButton(dialog, IDOK);
  });
  ASSERT_TRUE(Click(StoryboardView::kTrimId));
  EXPECT_DOUBLE_EQ(editor->Board().At(0).in, 1.0);
  EXPECT_DOUBLE_EQ(editor->Board().At(0).out, 3.0);

  // The wide clip moves to the front by its button, the silent one to the end by a drag.
  // Chosen as a script does: every row let go, then the one selected.
  LVITEM chosen;
  chosen.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessage(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&chosen));
  chosen.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessage(List(), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&chosen));
  ASSERT_TRUE(Click(StoryboardView::kEarlierId));
  ASSERT_TRUE(Click(StoryboardView::kEarlierId));
  EXPECT_EQ(editor->Timeline(), (std::vector<std::string>{wide, a, silent}));
  ClickClip(List(), 1);
  ASSERT_TRUE(Click(StoryboardView::kRemoveId));
  EXPECT_EQ(editor->Timeline(), (std::vector<std::string>{wide, silent}));
  EXPECT_EQ(editor->Command(kHostSender, ("isfilebusy " + a).c_str()), S_FALSE);  // free for the clip list again
  // A clip double-clicked in the clip list goes on at once and is read behind the window; the title
  // item takes its length once it is read.
  const int before = model.clips.ProjectTitlePlayTime();
  editor->Command(kHostSender, ("add file " + a).c_str());
  EXPECT_EQ(editor->Timeline(), (std::vector<std::string>{wide, silent, a}));
  EXPECT_TRUE(editor->Reading());
  WaitFor([&] { return !editor->Reading(); });
  EXPECT_NEAR(model.clips.ProjectTitlePlayTime() - before, editor->Board().At(2).Length() * 1000, 1);
  RECT first{LVIR_ICON, 0, 0, 0}, last{LVIR_ICON, 0, 0, 0};
  ::SendMessage(List(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&first));
  ::SendMessage(List(), LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&last));
  testkit::Down(List(), first.left + 20, first.top + 20);
  testkit::Move(List(), first.left + 40, first.top + 24);
  testkit::Move(List(), last.left + 20, last.top + 20);
  testkit::Up(List(), last.left + 20, last.top + 20);
  EXPECT_EQ(editor->Timeline(), (std::vector<std::string>{wide, a, silent}));
  EXPECT_NEAR(model.clips.ProjectTitlePlayTime(), editor->Board().TotalSeconds() * 1000, 1);
  // Files dropped on a clip go before it.
  POINT over{first.left + 20, first.top + 20};
  ::MapWindowPoints(List(), editor->Window(), &over, 1);
  DWORD effect = 0;
  editor->DragOver(&over, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  Drop({silent});
  EXPECT_EQ(editor->Timeline(), (std::vector<std::string>{wide, silent, a, silent}));
  ClickClip(List(), 1);
  ASSERT_TRUE(Click(StoryboardView::kRemoveId));

  // Cut the first clip in two at 1.0 s: the play time stays.
  ClickClip(List(), 0);
  testkit::WhenDialogShows([&](HWND dialog) {
    for (int i = 0; i < 25; ++i) testkit::ClickButton(dialog, TrimDialog::kForwardId);
    testkit::ClickButton(dialog, TrimDialog::kSplitId);
  });
  ASSERT_TRUE(Click(StoryboardView::kSplitId));
  ASSERT_EQ(editor->Board().Size(), 4u);
  EXPECT_DOUBLE_EQ(editor->Board().At(1).in, 1.0);
  EXPECT_NEAR(editor->Board().TotalSeconds(), 3 + 4 + 2, 0.15);

  const std::string out = env.Documents() + "out.mpg";
  log.clear();
  ASSERT_TRUE(
      Render("type=mpeg1;ntsc=1;width=480;height=272;bitrate=2000000;framerate=3;wide=0;audiotype=0;"
             "audiobitrate=224000;path=" +
             out));
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "Burner.Command:prog encode prog=100;<Vidarro5>");
  EXPECT_EQ(log.back(), "Burner.Command:end encode<Vidarro5>");
  const std::string streams = Probe(out, "stream=codec_name,width,height");
  EXPECT_NE(streams.find("codec_name=mpeg1video"), std::string::npos) << streams;
  EXPECT_NE(streams.find("codec_name=mp2"), std::string::npos) << streams;
  EXPECT_NEAR(Duration(out), editor->Board().TotalSeconds(), 0.2);
}

TEST_F(EditorFixture, TheFirstFrameIsTheSourceFrameAtTheInPoint) {
  const std::string a = MakeClip(env.Documents() + "a.avi", 4, true, "640x480");
  ASSERT_FALSE(a.empty());
  Add({a});
  ClickClip(List(), 0);
  testkit::WhenDialogShows([&](HWND dialog) {
    for (int i = 0; i < 38; ++i) testkit::ClickButton(dialog, TrimDialog::kForwardId);  // 1.52 s
    testkit::ClickButton(dialog, TrimDialog::kSetInId);
    testkit::ClickButton(dialog, IDOK);
  });
  ASSERT_TRUE(Click(StoryboardView::kTrimId));
  ASSERT_DOUBLE_EQ(editor->Board().At(0).in, 1.52);
  const std::string out = env.Documents() + "psp.mpg";
  ASSERT_TRUE(Render("type=mpeg1;ntsc=1;width=480;height=272;bitrate=4000000;path=" + out));
  EXPECT_NEAR(Duration(out), 4 - 1.52, 0.2);
  // The source decoded at the in point and put in the same frame, against the render's first frame.
  std::string report;
  ASSERT_TRUE(
      RunTool({"ffmpeg", "-loglevel", "info", "-i", "file:" + out, "-ss", "1.52", "-i", "file:" + a, "-filter_complex",
               "[1:v]scale=362:272,pad=480:272:59:0,setsar=1,trim=end_frame=1[ref];[0:v]trim=end_frame=1[got];"
               "[got][ref]psnr=stats_file=" +
                   env.Documents() + "psnr.log",
               "-f", "null", "-"}));
  std::string stats;
  ASSERT_TRUE(platform::ReadWholeFile(env.Documents() + "psnr.log", &stats));
  const size_t at = stats.find("psnr_avg:");
  ASSERT_NE(at, std::string::npos) << stats;
  EXPECT_GE(std::atof(stats.c_str() + at + 9), 30.0) << stats;
}

TEST_F(EditorFixture, CancelLeavesNoFileAndBadRequestsFail) {
  const std::string a = MakeClip(env.Documents() + "long.avi", 30, true, "720x576");
  ASSERT_FALSE(a.empty());
  const std::string out = env.Documents() + "cancelled.mpg";
  EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=mpeg1;path=" + out).c_str()), E_FAIL);
  Add({a});
  EXPECT_EQ(
      editor->Command(kHostSender, ("encode project title type=mpeg1;width=0;height=0;bitrate=1;path=" + out).c_str()),
      E_FAIL);
  EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=h264;path=" + out).c_str()), E_FAIL);
  boxes.texts.clear();
  ASSERT_EQ(
      editor->Command(kHostSender, ("encode project title type=mpeg2;ntsc=1;bitrate=6000000;path=" + out).c_str()),
      S_OK);
  // Leaving the step or closing the program is refused while it runs, and told; a main window held
  // by a side program asks nothing of the user.
  EXPECT_EQ(editor->QueryBusy(0), 1);
  EXPECT_NE(boxes.Last().find("Wait until it is made"), std::string::npos) << boxes.Last();
  ::EnableWindow(parent.hwnd(), FALSE);
  boxes.texts.clear();
  EXPECT_EQ(editor->QueryBusy(0), 1);
  EXPECT_TRUE(boxes.texts.empty());
  ::EnableWindow(parent.hwnd(), TRUE);
  // A second request while the first runs is refused, and told.
  EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=vcd;path=" + out).c_str()), E_FAIL);
  EXPECT_NE(boxes.Last().find("already"), std::string::npos);
  EXPECT_FALSE(testkit::ControlEnabled(editor->Window(), StoryboardView::kAddId));
  WaitFor([&] {
    return editor->Board().Size() &&
           ::SendDlgItemMessage(editor->Window(), StoryboardView::kBarId, PBM_GETPOS, 0, 0) > 0;
  });
  testkit::WritePicture(editor->Window(), "editor_rendering.png");
  log.clear();
  EXPECT_EQ(editor->Command(kHostSender, "cancel encode"), S_OK);
  EXPECT_FALSE(editor->Rendering());
  EXPECT_EQ(editor->QueryBusy(0), 0);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(log, std::vector<std::string>{"Burner.Command:cancel encode<Vidarro5>"});

  // A trim confirmed just after a render began would not be in the video: it is refused, and told.
  ClickClip(List(), 0);
  testkit::WhenDialogShows([&](HWND dialog) {
    testkit::ClickButton(dialog, TrimDialog::kForwardId);
    testkit::ClickButton(dialog, TrimDialog::kSetInId);
    EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=vcd;ntsc=0;path=" + out).c_str()), S_OK);
    testkit::ClickButton(dialog, IDOK);
  });
  ASSERT_TRUE(Click(StoryboardView::kTrimId));
  EXPECT_TRUE(editor->Rendering());
  EXPECT_DOUBLE_EQ(editor->Board().At(0).in, 0);
  EXPECT_NE(boxes.Last().find("was not trimmed"), std::string::npos) << boxes.Last();
  EXPECT_EQ(editor->Command(kHostSender, "cancel encode"), S_OK);
  testkit::Pump();  // what the cancelled render posted

  // The window's own Cancel does the same.
  ASSERT_EQ(editor->Command(kHostSender, ("encode project title type=vcd;ntsc=0;path=" + out).c_str()), S_OK);
  log.clear();
  ASSERT_TRUE(Click(StoryboardView::kCancelId));
  EXPECT_FALSE(editor->Rendering());
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(log, std::vector<std::string>{"Burner.Command:cancel encode<Vidarro5>"});
  testkit::Pump();
  EXPECT_TRUE(std::filesystem::exists(a));  // the clip is untouched
  // A target that is no plain file is not the render's to remove.
  const std::string pipe = env.Documents() + "target pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  ASSERT_EQ(editor->Command(kHostSender, ("encode project title type=vcd;ntsc=0;path=" + pipe).c_str()), S_OK);
  EXPECT_EQ(editor->Command(kHostSender, "cancel encode"), S_OK);
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));
  testkit::Pump();
  for (const char* odd : {"", ";;;", "encode project title", "add file ", "isfilebusy ", "remove file "})
    EXPECT_NE(editor->Command(kHostSender, odd), S_OK + 99) << odd;
  WaitFor([&] { return !editor->Reading(); });
  editor->Command(kHostSender, ("remove file " + a).c_str());
  EXPECT_EQ(model.clips.FindProjectTitleItem(), -1);  // an empty storyboard takes the title item away
}

TEST_F(EditorFixture, ARenderWhoseFolderVanishesFailsAndLeavesNoFile) {
  const std::string a = MakeClip(env.Documents() + "long.avi", 20, true, "720x576");
  ASSERT_FALSE(a.empty());
  Add({a});
  const std::string folder = env.Documents() + "out/";
  std::filesystem::create_directories(folder);
  const std::string out = folder + "gone.mpg";
  ASSERT_EQ(
      editor->Command(kHostSender, ("encode project title type=mpeg2;ntsc=0;bitrate=6000000;path=" + out).c_str()),
      S_OK);
  std::filesystem::remove_all(folder);
  log.clear();
  boxes.texts.clear();
  WaitFor([&] { return !editor->Rendering(); });
  EXPECT_FALSE(std::filesystem::exists(out));
  ASSERT_FALSE(log.empty());
  // Told as a failure, which the host passes on as one, never as the user's cancel.
  EXPECT_EQ(log.back(), "Burner.Command:cancel encode failed=1;<Vidarro5>");
  EXPECT_NE(boxes.Last().find("free space"), std::string::npos) << boxes.Last();
  EXPECT_TRUE(std::filesystem::exists(a));
}

TEST_F(EditorFixture, DiscTypesTakeTheDiscSizeAndSoundWhateverTheClips) {
  // A wide PAL clip whose name starts with a dash and holds a colon and quotes, a small square one
  // and a picture, which shows for the picture length.
  const std::string wide = MakeClip(env.Documents() + "-wide: \"16x9\".avi", 1, false, "1024x576");
  const std::string small = MakeClip(env.Documents() + "small.avi", 1, true);
  const std::string picture = env.Documents() + "still.png";
  ASSERT_TRUE(RunTool({"ffmpeg", "-y", "-loglevel", "error", "-f", "lavfi", "-i", "color=c=red:size=200x300",
                       "-frames:v", "1", "file:" + picture}));
  ASSERT_FALSE(wide.empty() || small.empty());
  Add({wide, small, picture});
  ASSERT_EQ(editor->Timeline().size(), 3u);
  EXPECT_NEAR(model.clips.ProjectTitlePlayTime(), 7000, 150);
  // Trim and Split are for clips; a picture's length is the picture length.
  ClickClip(List(), 2);
  EXPECT_FALSE(testkit::ControlEnabled(editor->Window(), StoryboardView::kTrimId));
  ASSERT_TRUE(testkit::TypeInto(editor->Window(), StoryboardView::kPictureEditId, "3"));
  EXPECT_NEAR(model.clips.ProjectTitlePlayTime(), 5000, 150);

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
    ASSERT_TRUE(Render(std::string(c.request) + "path=" + target)) << c.request;
    const std::string streams = Probe(target, "stream=codec_name,width,height");
    EXPECT_NE(streams.find(std::string("codec_name=") + c.video), std::string::npos) << c.request << streams;
    EXPECT_NE(streams.find(std::string("codec_name=") + c.audio), std::string::npos) << c.request << streams;
    EXPECT_NE(streams.find(c.size), std::string::npos) << c.request << streams;
    EXPECT_NEAR(Duration(target), 5.0, 0.3) << c.request;
  }
  // The wide clip sits between bands: the top rows of the first frame are black.
  std::string rows;
  ASSERT_TRUE(RunTool({"ffmpeg", "-y", "-loglevel", "error", "-i", "file:" + env.Documents() + "-out mpeg1video.mpg",
                       "-frames:v", "1", "-vf", "crop=352:8:0:0,format=gray", "-f", "rawvideo", "pipe:1"},
                      &rows));
  ASSERT_EQ(rows.size(), 352u * 8);
  EXPECT_LT(static_cast<unsigned char>(rows[352 * 4 + 176]), 40);

  // The Blu-ray clip is what the authoring library's clip analysis takes, and plays.
  const std::string clip = env.Documents() + "00001.m2ts";
  ASSERT_TRUE(Render("type=bdmv;ntsc=1;path=" + clip));
  const std::string streams = Probe(clip, "stream=codec_name,width,height,sample_rate,channels:stream=id");
  EXPECT_NE(streams.find("codec_name=mpeg2video"), std::string::npos) << streams;
  EXPECT_NE(streams.find("codec_name=pcm_bluray"), std::string::npos) << streams;
  EXPECT_NE(streams.find("id=0x1011"), std::string::npos) << streams;
  EXPECT_NE(streams.find("id=0x1100"), std::string::npos) << streams;
  EXPECT_NEAR(Duration(clip), 5.0, 0.3);
  bdauthor::InputRecord record;
  record.packetCount = static_cast<std::int32_t>(std::filesystem::file_size(clip) / bdauthor::kSourcePacketSize);
  EXPECT_EQ(std::filesystem::file_size(clip) % bdauthor::kSourcePacketSize, 0u);
  bdauthor::JobProgress progress;
  ASSERT_TRUE(bdauthor::AnalyzeClipStream(clip, record, progress));
  EXPECT_EQ(record.attributes.videoCodingType, bdauthor::kVideoCodingMpeg2);
  EXPECT_EQ(record.attributes.audioCodingType, bdauthor::kAudioCodingLpcm);
  EXPECT_EQ(record.attributes.videoFormat, 4);  // 1080i
  EXPECT_NEAR((record.lastPts - record.firstPts) / 45000.0, 5.0, 0.3);
}

// ffmpeg says nothing while it opens a long storyboard's clips; the side program still hears of the
// render every second. An ffmpeg that then ends badly without a word is a failed render.
TEST_F(EditorFixture, ProgressIsToldEverySecondWhileFfmpegIsSilent) {
  const std::string a = MakeClip(env.Documents() + "a.avi", 1, true);
  ASSERT_FALSE(a.empty());
  Add({a});
  const std::string tools = env.Temp() + "silent tools/";
  std::filesystem::create_directories(tools);
  ASSERT_TRUE(platform::WriteWholeFileAtomic(tools + "ffmpeg", "#!/bin/sh\nsleep 3\nexit 1\n"));
  ::chmod((tools + "ffmpeg").c_str(), 0755);
  testkit::ScopedVariable path("PATH", tools + ":" + std::getenv("PATH"));
  log.clear();
  boxes.texts.clear();
  const std::string out = env.Documents() + "slow.mpg";
  ASSERT_TRUE(Render("type=vcd;ntsc=1;path=" + out));
  const auto told = std::count_if(
      log.begin(), log.end(), [](const std::string& line) { return line.find("prog encode") != std::string::npos; });
  EXPECT_GE(told, 3) << ::testing::PrintToString(log);  // the start and at least once a second after it
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "Burner.Command:cancel encode failed=1;<Vidarro5>");
  EXPECT_EQ(boxes.texts.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(EditorFixture, ClipsThatCannotPlayAreLeftOffWithOneMessageAndRendersAreRefused) {
  const std::string a = MakeClip(env.Documents() + "a.avi", 1, true);
  ASSERT_FALSE(a.empty());
  platform::WriteWholeFileAtomic(env.Documents() + "notes.mpg", "not a video");
  ASSERT_TRUE(RunTool({"ffmpeg", "-y", "-loglevel", "error", "-f", "lavfi", "-i", "sine=duration=1",
                       "file:" + env.Documents() + "tone.wav"}));
  boxes.texts.clear();
  // A clip of no length: its one picture plays for less than any piece of the storyboard.
  ASSERT_TRUE(RunTool({"ffmpeg", "-y", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25",
                       "-frames:v", "1", "-c:v", "mpeg4", "file:" + env.Documents() + "instant.avi"}));
  Drop({a, env.Documents() + "notes.mpg", "/no/such/clip.avi", env.Documents() + "tone.wav",
        env.Documents() + "instant.avi"});
  EXPECT_EQ(editor->Timeline(), std::vector<std::string>{a});
  ASSERT_EQ(boxes.texts.size(), 1u);
  for (const char* name : {"notes.mpg", "clip.avi", "tone.wav", "instant.avi (it plays for 0 s)"})
    EXPECT_NE(boxes.Last().find(name), std::string::npos) << boxes.Last();
  EXPECT_TRUE(std::filesystem::exists(env.Documents() + "instant.avi"));

  const std::string vanishing = MakeClip(env.Documents() + "vanishing.avi", 1, false);
  Add({vanishing});
  std::filesystem::remove(vanishing);
  boxes.texts.clear();
  EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=vcd;path=" + env.Documents() + "v.mpg").c_str()),
            E_FAIL);
  EXPECT_NE(boxes.Last().find("vanishing.avi"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(env.Documents() + "v.mpg"));
  editor->Command(kHostSender, ("remove file " + vanishing).c_str());
  const std::string missing = env.Documents() + "gone/out.mpg";
  EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=vcd;path=" + missing).c_str()), E_FAIL);
  EXPECT_FALSE(editor->Rendering());
  EXPECT_FALSE(std::filesystem::exists(missing));
  // A render asked for while a clip is still being read waits for it, busy; a clip that turns out
  // unplayable meanwhile leaves the render failed, as a side program must hear.
  Drop({a}, false);
  const std::string waited = env.Documents() + "r.mpg";
  EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=vcd;path=" + waited).c_str()), S_OK);
  EXPECT_EQ(editor->QueryBusy(0), 1);
  WaitFor([&] { return !editor->Rendering(); });
  EXPECT_NEAR(Duration(waited), 2, 0.2);
  platform::WriteWholeFileAtomic(env.Documents() + "late.mpg", "not a video either");
  editor->Command(kHostSender, ("remove file " + a).c_str());
  Drop({env.Documents() + "late.mpg"}, false);
  log.clear();
  const std::string never = env.Documents() + "never.mpg";
  EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=vcd;path=" + never).c_str()), S_OK);
  WaitFor([&] { return !editor->Rendering(); });
  EXPECT_EQ(log.back(), "Burner.Command:cancel encode failed=1;<Vidarro5>");
  EXPECT_NE(boxes.Last().find("storyboard is empty"), std::string::npos) << boxes.Last();
  EXPECT_FALSE(std::filesystem::exists(never));
  // Cancelled while it waits, it leaves alone a file that was already there.
  Drop({a}, false);
  EXPECT_EQ(editor->Command(kHostSender, ("encode project title type=vcd;path=" + waited).c_str()), S_OK);
  log.clear();
  EXPECT_EQ(editor->Command(kHostSender, "cancel encode"), S_OK);
  EXPECT_EQ(log, std::vector<std::string>{"Burner.Command:cancel encode<Vidarro5>"});
  EXPECT_TRUE(std::filesystem::exists(waited));
  WaitFor([&] { return !editor->Reading(); });
  EXPECT_FALSE(editor->Rendering());

  RenderRequest request = ParseRenderRequest("type=mpeg2;ntsc=1;path=" + env.Documents() + "x.mpg");
  EXPECT_NE(RenderRefusal(request, 1e9).find("free space"), std::string::npos);  // centuries of video
  EXPECT_EQ(RenderRefusal(request, 10), "");
  const std::string path = std::getenv("PATH");
  ::setenv("PATH", env.Temp().c_str(), 1);
  EXPECT_NE(RenderRefusal(request, 10).find("ffmpeg"), std::string::npos);
  ::setenv("PATH", path.c_str(), 1);
}

TEST_F(EditorFixture, ManyClipsShowAtOnceWhileTheyAreRead) {
  const std::string a = MakeClip(env.Documents() + "a.avi", 1, true);
  ASSERT_FALSE(a.empty());
  const auto start = std::chrono::steady_clock::now();
  Drop(std::vector<std::string>(500, a), false);
  testkit::Pump();
  // Reading 500 clips takes a while; showing them must not wait for it.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(ItemCount(List()), 500);
  EXPECT_TRUE(editor->Reading());
  EXPECT_NE(testkit::ControlText(editor->Window(), StoryboardView::kTotalId).find("being read"), std::string::npos);
  testkit::WritePicture(editor->Window(), "editor_many_clips.png");
  // A pipe named as a clip never ends; closing the step does not wait for it, nor for the rest.
  const std::string pipe = env.Documents() + "endless.mpg";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  Drop({pipe}, false);
  const auto closing = std::chrono::steady_clock::now();
  editor->DestroyWindow();
  EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(10));
}

TEST_F(EditorFixture, TheStoryboardSurvivesSaveAndReopenWithItsTrims) {
  const std::string a = MakeClip(env.Documents() + "a;b.avi", 3, true);
  const std::string b = MakeClip(env.Documents() + "b.avi", 2, false);
  ASSERT_FALSE(a.empty() || b.empty());
  Add({b, a});
  ClickClip(List(), 1);
  testkit::WhenDialogShows([&](HWND dialog) {
    for (int i = 0; i < 10; ++i) testkit::ClickButton(dialog, TrimDialog::kForwardId);
    testkit::ClickButton(dialog, TrimDialog::kSetInId);
    testkit::ClickButton(dialog, IDOK);
  });
  ASSERT_TRUE(Click(StoryboardView::kTrimId));
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
  WaitFor([&] { return !editor->Reading(); });
  EXPECT_DOUBLE_EQ(editor->Board().At(1).in, 0.4);
  EXPECT_NEAR(editor->Board().TotalSeconds(), 2 + 2.6, 0.15);
  EXPECT_NE(
      testkit::ControlText(editor->Window(), StoryboardView::kTotalId).find(ShownTotalLength(editor->Board().Clips())),
      std::string::npos);

  // The burner's chapters of the edited video fall where its clips begin.
  log.clear();
  editor->Command(kHostSender, "chapter project title ask=1;");
  char expected[96];
  std::snprintf(expected, sizeof expected, "chapter project title times=0.000,%.3f;", editor->Board().At(0).Length());
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find(expected), std::string::npos) << log[0];
}

// Names go to the tools as arguments, never through a shell, and into one line of the project file.
TEST_F(EditorFixture, AClipOfAThreeHundredCharacterOddNameIsRenderedAndKept) {
  const std::string folder = env.Documents() + std::string(40, 'f') + "/";
  std::filesystem::create_directories(folder);
  const std::string odd =
      MakeClip(folder + "-i \"quoted\" & 'it';\nline two " + std::string(200, 'n') + ".avi", 2, true);
  ASSERT_FALSE(odd.empty());
  ASSERT_GE(odd.size(), 300u);
  Drop({odd});
  ASSERT_EQ(editor->Timeline(), std::vector<std::string>{odd});
  EXPECT_EQ(editor->Command(kHostSender, ("isfilebusy " + odd).c_str()), S_OK);
  EXPECT_NEAR(model.clips.ProjectTitlePlayTime(), 2000, 150);
  const std::string out = folder + "-out \"edited\"\n.mpg";
  ASSERT_TRUE(Render("type=vcd;ntsc=1;path=" + out));
  EXPECT_NEAR(Duration(out), 2, 0.2);
  const std::string path = env.Documents() + "odd.ilj5";
  {
    ProjectKeyFile file;
    ASSERT_TRUE(file.Open(path, TRUE));
    file.SelectGroup("Editor");
    editor->SaveProject(platform::com::MakeComObject<CProjectDocument>(&file).get());
    ASSERT_TRUE(file.Close());
  }
  ProjectKeyFile file;
  ASSERT_TRUE(file.Open(path, FALSE));
  file.SelectGroup("Editor");
  editor->LoadProject(platform::com::MakeComObject<CProjectDocument>(&file).get());
  EXPECT_EQ(editor->Timeline(), std::vector<std::string>{odd});
  WaitFor([&] { return !editor->Reading(); });
  EXPECT_NEAR(editor->Board().TotalSeconds(), 2, 0.15);
  EXPECT_TRUE(std::filesystem::exists(odd));
}

TEST_F(EditorFixture, FileInformationShowsWhatFfprobeReadsOfMpegDvAndM2ts) {
  const std::string mpeg = env.Documents() + "clip.mpg";
  const std::string dv = env.Documents() + "clip dv.avi";
  const std::string m2ts = env.Documents() + "clip.m2ts";
  ASSERT_TRUE(MakeCaptureKinds(mpeg, dv, m2ts));
  struct Case {
    std::string path;
    std::vector<std::string> parts;
  };
  for (const Case& c :
       {Case{mpeg,
             {"Container: MPEG-PS", "Video: MPEG-2 video", "Size: 720 x 480", "Frame rate: 29.970 fps", "Audio: MP2",
              "Sample rate: 48000 Hz"}},
        Case{dv,
             {"Container: AVI", "Video: DV (Digital Video)", "Size: 720 x 576", "Frame rate: 25.000 fps",
              "Aspect: 16:9", "Audio: PCM signed 16-bit little-endian", "Channels: 2"}},
        Case{m2ts, {"Container: MPEG-TS", "Video: MPEG-2 video", "Size: 1440 x 1080", "Length: 00:00:01."}}}) {
    const std::string text = FileInformationText(c.path);
    for (const std::string& part : c.parts) EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  }
  EXPECT_NE(FileInformationText(MakeClip(env.Documents() + "silent.avi", 1, false)).find("Audio: none"),
            std::string::npos);
  platform::WriteWholeFileAtomic(env.Documents() + "notes.mpg", "not a video");
  EXPECT_EQ(FileInformationText(env.Documents() + "notes.mpg"), "");

  // The clip list's File Information opens the dialog once the file is read behind the window; a
  // file that is no video says so.
  bool shown = false;
  testkit::WhenDialogShows([&](HWND dialog) {
    EXPECT_NE(testkit::WindowText(dialog).find("clip dv.avi"), std::string::npos);
    EXPECT_EQ(testkit::ControlText(dialog, FileInformationDialog::kFirstValueId + 3), "DV (Digital Video)");
    testkit::WritePicture(dialog, "editor_file_information.png");
    testkit::ClickButton(dialog, IDOK);
    shown = true;
  });
  EXPECT_EQ(editor->Command(kHostSender, ("fileinfo path=" + dv).c_str()), S_OK);
  WaitFor([&] { return shown; });
  boxes.texts.clear();
  editor->Command(kHostSender, ("fileinfo path=" + env.Documents() + "notes.mpg").c_str());
  WaitFor([&] { return !boxes.texts.empty(); });
  EXPECT_NE(boxes.Last().find("cannot be read"), std::string::npos);

  // A pipe never answers: the window goes on, and closing the step does not wait for it.
  const std::string pipe = env.Documents() + "endless.mpg";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_EQ(editor->Command(kHostSender, ("fileinfo path=" + pipe).c_str()), S_OK);
  testkit::Pump();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(2));
  editor->DestroyWindow();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(10));
}

}  // namespace
}  // namespace studio::packs
