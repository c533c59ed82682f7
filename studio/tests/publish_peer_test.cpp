// The publish link with the real converter and uploader as second processes, and with a stand-in
// side program that hangs or answers wrongly.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "editor_pack.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/dshow/tests/media_clips.h"
#include "platform/window/remote_windows.h"
#include "upload_server.h"
#include "uploader/corrin_account.h"
#include "widgets/reg_helpers.h"
#include "window_fixture.h"

namespace fs = std::filesystem;

namespace studio {
namespace {

using namespace testkit;

// The side programs' own buttons (their id headers clash with the main program's).
constexpr int kConverterStartButton = 1012;
constexpr int kUploaderUploadButton = 1009;

// The main window runs on the manual clock; the side programs on real time. Each round moves
// the manual clock on a little, so the editor's progress timer and the pings keep running.
class PublishPeerTest : public QuillonWindowFixture {
 protected:
  void SetUp() override {
    QuillonWindowFixture::SetUp();
    model_.folders.program = platform::AppFolder();
    model_.folders.output = env_.Documents() + "Vidarro/";
    fs::create_directories(model_.folders.output);
    packs::RegisterEditorPack();
  }

  bool WaitReal(const std::function<bool()>& done, int seconds = 60, int advanceMs = 50) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      if (done()) return true;
      time_.Advance(advanceMs);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
  }

  std::string MakeClip(const std::string& name) {
    const std::string path = env_.Documents() + name;
    const bool made = media_clips::Run(
        "ffmpeg -y -v error -f lavfi -i testsrc=size=320x240:rate=25:duration=1 -f lavfi -i "
        "sine=frequency=440:duration=1 -c:v mpeg1video -c:a mp2 -f mpeg " +
        media_clips::Quote(path));
    return made ? path : std::string();
  }

  // The project holds one clip in the editor and the title item selected in the list.
  void PrepareProject(CQuillonDlg& dialog, const std::string& clip) {
    ASSERT_TRUE(dialog.AddClip(clip, FALSE));
    model_.clips.AddProjectTitleItem(0, 1000, std::string());
    model_.SendTo(model_.editor, "add file " + clip);
    ASSERT_EQ(dialog.ClipListControl().GetItemCount(), 2);
    dialog.ClipListControl().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  }

  static std::string VideoSize(const std::string& path) {
    std::string size = media_clips::Capture(
        "ffprobe -v error -select_streams v:0 -show_entries stream=width,height "
        "-of csv=p=0 " +
        media_clips::Quote(path));
    while (!size.empty() && (size.back() == '\n' || size.back() == '\r')) size.pop_back();
    return size;
  }

  static std::string ReadAll(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }

  static void Kill(HWND remote) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(remote, &pid);
    if (pid > 1) ::kill(static_cast<pid_t>(pid), SIGKILL);
  }

  void TheConverterGetsTheListAndTheRenderAndIsDroppedWhenKilled();
  void TheUploaderGetsTheProjectAt640x480AndItsCloseEnablesTheWindow();
  void ASideProgramThatHangsOrAnswersWronglyIsDropped();

  ScopedVariable runSuite_{"VIDARRO_LAUNCH_RUN_SUITE", "1"};
};

void PublishPeerTest::TheConverterGetsTheListAndTheRenderAndIsDroppedWhenKilled() {
  const std::string clip = MakeClip("clip.mpg");
  ASSERT_FALSE(clip.empty());
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    platform::StartWindowTransport();
    time_.Advance(kStartMs);
    PrepareProject(dialog, clip);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(ClickButton(d, IDC_PSP));

    const std::string list = platform::TempFolder() + "filelist.tmp";
    EXPECT_EQ(ReadAll(list),
              "[Edit] file=\"Edited Video\";time=" + std::to_string(model_.clips.ProjectTitlePlayTime()) + "\n");
    const auto launches = platform::ReadLaunchRecords();
    ASSERT_FALSE(launches.empty());
    EXPECT_EQ(launches.back().target, platform::AppFolder() + "Parvel");
    EXPECT_EQ(launches.back().parameters, list + " /PSP");
    DWORD main = 0;
    RegReadDword(HKEY_CURRENT_USER, kConverterKey, kMainHwndValue, &main, REG_READ_NO_DEFAULT);
    EXPECT_EQ(main, HandleToDword(d));

    // The converter shows after the first ping found nothing; its announcement still links it.
    ASSERT_TRUE(WaitReal([&] { return dialog.IsConverterRunning(); }));
    EXPECT_FALSE(::IsWindowEnabled(d));
    HWND converter = dialog.ConverterWindow();
    time_.Advance(kPingMs);
    EXPECT_TRUE(dialog.IsConverterRunning());

    // Publishing again only brings it forward: the list stays as it was.
    ::unlink(list.c_str());
    ::SendMessage(d, WM_COMMAND, ID_PUBLISH_PSP, 0);
    EXPECT_FALSE(fs::exists(list));

    ::PostMessage(converter, WM_COMMAND, MAKEWPARAM(kConverterStartButton, BN_CLICKED), 0);
    const std::string rendered = model_.folders.output + "Temp/Convert.mpg";
    std::string file;
    ASSERT_TRUE(WaitReal([&] {
      char value[REG_READ_STRING_SIZE] = {};
      if (RegReadString(HKEY_CURRENT_USER, kConverterKey, kRenderedFileValue, value, nullptr)) file = value;
      return file == rendered && model_.editor->QueryBusy(0) == 0 && fs::exists(rendered);
    }));
    // The preset's picture size, as the converter asked.
    ASSERT_TRUE(WaitReal([&] { return VideoSize(rendered) == "320,240"; }, 30, 100));

    // The converter takes the rendered file once it is told it is done.
    const std::string out = model_.folders.output + "PSP_OUTPUT/100MNV01/";
    EXPECT_TRUE(WaitReal(
        [&] {
          std::error_code ec;
          return fs::exists(out, ec) && !fs::is_empty(out, ec);
        },
        90, 100))
        << "no converted file in " << out;

    Kill(converter);
    time_.Advance(kPingMs);
    EXPECT_FALSE(dialog.IsConverterRunning());
    EXPECT_TRUE(::IsWindowEnabled(d));
    boxes_.QueueAnswer(IDNO);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
}

void PublishPeerTest::TheUploaderGetsTheProjectAt640x480AndItsCloseEnablesTheWindow() {
  uploadtest::UploadServer server;
  ScopedVariable url("VIDARRO_UPLOAD_URL", server.Url());
  RegWriteDword(HKEY_CURRENT_USER, kUploaderKey, "SaveUserInfo", 1);
  RegWriteString(HKEY_CURRENT_USER, kUploaderKey, "Username", "ada");
  StorePassword(HKEY_CURRENT_USER, kUploaderKey, "s3cret");
  const std::string clip = MakeClip("clip.mpg");
  ASSERT_FALSE(clip.empty());
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    platform::StartWindowTransport();
    time_.Advance(kStartMs);
    PrepareProject(dialog, clip);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(ClickButton(d, IDC_HD));
    const auto launches = platform::ReadLaunchRecords();
    ASSERT_FALSE(launches.empty());
    EXPECT_EQ(launches.back().target, platform::AppFolder() + "Corrin");
    EXPECT_EQ(launches.back().parameters, "[Edit] file=Edited Video");
    ASSERT_TRUE(WaitReal([&] { return dialog.IsUploaderRunning(); }));
    EXPECT_FALSE(::IsWindowEnabled(d));
    HWND uploader = dialog.UploaderWindow();

    ::PostMessage(uploader, WM_COMMAND, MAKEWPARAM(kUploaderUploadButton, BN_CLICKED), 0);
    const std::string rendered = model_.folders.output + "Temp/Upload.mpg";
    ASSERT_TRUE(WaitReal([&] { return server.Complete(); }, 120, 100));
    EXPECT_EQ(VideoSize(rendered), "640,480");
    EXPECT_EQ(server.Held(), fs::file_size(rendered));

    ::PostMessage(uploader, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitReal([&] { return !dialog.IsUploaderRunning(); }));
    EXPECT_TRUE(::IsWindowEnabled(d));
    boxes_.QueueAnswer(IDNO);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
}

void PublishPeerTest::ASideProgramThatHangsOrAnswersWronglyIsDropped() {
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    platform::StartWindowTransport();
    time_.Advance(kStartMs);
    for (const char* mode : {"hang", "wrong"}) {
      RegWriteDword(HKEY_CURRENT_USER, kConverterKey, kMainHwndValue, HandleToDword(d));
      ProgramProcess stub;
      ASSERT_TRUE(stub.Start(SIDE_PROGRAM_STUB, {mode}));
      const bool linked = WaitReal([&] { return dialog.IsConverterRunning(); }, 20);
      DWORD sub = 0;
      RegReadDword(HKEY_CURRENT_USER, kConverterKey, kSubHwndValue, &sub, REG_READ_NO_DEFAULT);
      ASSERT_TRUE(linked) << mode << stub.Output() << " sub=" << sub << " running=" << stub.Running();
      EXPECT_FALSE(::IsWindowEnabled(d)) << mode;
      // A link made after the ping timer stopped still gets its pings.
      time_.Advance(kPingMs);
      EXPECT_FALSE(dialog.IsConverterRunning()) << mode;
      EXPECT_TRUE(::IsWindowEnabled(d)) << mode;
    }
    // Link codes of unknown senders and for no known program are answered and change nothing.
    EXPECT_EQ(::SendMessage(d, WM_CONVERTER_LINK, 999, 0), 1);
    EXPECT_EQ(::SendMessage(d, WM_UPLOADER_LINK, PUBLISH_CLOSING, 0), 1);
    EXPECT_TRUE(::IsWindowEnabled(d));
    // A stale SubHwnd: the announcement finds a window that answers no ping.
    RegWriteDword(HKEY_CURRENT_USER, kUploaderKey, kSubHwndValue, 0x7FFF0001);
    ::SendMessage(d, WM_UPLOADER_LINK, PUBLISH_READY, 0);
    time_.Advance(kPingMs);
    EXPECT_FALSE(dialog.IsUploaderRunning());
    EXPECT_TRUE(::IsWindowEnabled(d));
    boxes_.QueueAnswer(IDNO);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
}

// One test, so one window transport and one runtime folder serve every session: window handles
// are reserved per process in the runtime folder the process first used.
TEST_F(PublishPeerTest, ConverterUploaderAndMisbehavingSidePrograms) {
  TheConverterGetsTheListAndTheRenderAndIsDroppedWhenKilled();
  if (HasFatalFailure()) return;
  TheUploaderGetsTheProjectAt640x480AndItsCloseEnablesTheWindow();
  if (HasFatalFailure()) return;
  ASideProgramThatHangsOrAnswersWronglyIsDropped();
}

}  // namespace
}  // namespace studio
