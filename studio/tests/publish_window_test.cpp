// The main window's link handlers against a side program window on a thread of this process.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "converter/list_file.h"
#include "platform/base/paths.h"
#include "platform/com/class_table.h"
#include "scripted_pack.h"
#include "widgets/reg_helpers.h"
#include "window_fixture.h"

namespace studio {
namespace {

using namespace testkit;
using testing::ScriptedPack;

DEFINE_GUID(CLSID_PublishTestEditor, 0x1A2B3C4D, 0x0021, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21);

std::mutex g_mu;
std::vector<std::pair<WPARAM, LPARAM>> g_heard;

LRESULT SideProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CONVERTER_LINK) {
    std::lock_guard lock(g_mu);
    g_heard.emplace_back(wParam, lParam);
    return wParam == PUBLISH_PING ? kPingAnswer : 1;
  }
  if (msg == WM_CLOSE) {
    DestroyWindow(hwnd);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// A converter stand-in with its own thread and queue, as the real one has its own process.
class SideWindow {
 public:
  SideWindow() {
    thread_ = std::thread([this] {
      WNDCLASS wc{};
      wc.lpfnWndProc = SideProc;
      wc.lpszClassName = "PublishSideStandIn";
      RegisterClass(&wc);
      window_ = CreateWindowEx(0, "PublishSideStandIn", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
      MSG msg;
      while (GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
    });
    while (!window_) std::this_thread::yield();
  }
  ~SideWindow() {
    PostMessage(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  HWND Window() const { return window_; }
  static std::vector<WPARAM> Codes() {
    std::lock_guard lock(g_mu);
    std::vector<WPARAM> codes;
    for (const auto& [code, argument] : g_heard)
      if (code != PUBLISH_PING) codes.push_back(code);
    return codes;
  }

 private:
  std::atomic<HWND> window_{nullptr};
  std::thread thread_;
};

// Bounded by real time: the side thread handles its posts on its own.
bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return done();
}

using PublishWindowTest = QuillonWindowFixture;

TEST_F(PublishWindowTest, RenderRequestsCancelsAndTheEditorsAnswersReachTheSideProgram) {
  g_heard.clear();
  SideWindow side;
  RegWriteDword(HKEY_CURRENT_USER, kConverterKey, kSubHwndValue, HandleToDword(side.Window()));
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    ASSERT_EQ(::SendMessage(d, WM_CONVERTER_LINK, PUBLISH_READY, 0), 1);
    ASSERT_TRUE(dialog.IsConverterRunning());
    EXPECT_FALSE(::IsWindowEnabled(d));
    // No editor pack: the request fails at once.
    ::SendMessage(d, WM_CONVERTER_LINK, PUBLISH_RENDER_REQUEST, MAKELONG(320, 240));
    EXPECT_EQ(SideWindow::Codes(), std::vector<WPARAM>{PUBLISH_FAILED});
    // The host's relays while the converter runs: progress is posted, the end and the cancel sent.
    EXPECT_TRUE(dialog.NotifySideProgram(PUBLISH_PROGRESS, 40));
    EXPECT_TRUE(dialog.NotifySideProgram(PUBLISH_DONE, 0));
    EXPECT_TRUE(dialog.NotifySideProgram(PUBLISH_CANCEL, 0));
    EXPECT_TRUE(WaitFor([] { return SideWindow::Codes().size() == 4; }));
    // A post may be handled after a later send: the order of the sent ones is what counts.
    std::vector<WPARAM> codes = SideWindow::Codes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), PUBLISH_PROGRESS), codes.end());
    std::erase(codes, PUBLISH_PROGRESS);
    EXPECT_EQ(codes, (std::vector<WPARAM>{PUBLISH_FAILED, PUBLISH_DONE, PUBLISH_CANCEL}));
    ::SendMessage(d, WM_CONVERTER_LINK, PUBLISH_CLOSING, 0);
    EXPECT_FALSE(dialog.IsConverterRunning());
    EXPECT_TRUE(::IsWindowEnabled(d));
    EXPECT_FALSE(dialog.NotifySideProgram(PUBLISH_DONE, 0));  // nobody to tell: the burner gets it
    dialog.CloseWithoutPrompt();
  });
}

TEST_F(PublishWindowTest, ASideProgramsCancelStopsTheEditorsRender) {
  std::vector<std::string> log;
  auto editor = platform::com::MakeComObject<ScriptedPack>("Editor");
  editor->log = &log;
  auto editorClass = platform::com::ClassRegistration(
      CLSID_PublishTestEditor, [&](REFIID riid, void** ppv) { return editor->QueryInterface(riid, ppv); },
      kEditorProgId);
  editor->Answer("encode project title", S_OK);
  g_heard.clear();
  SideWindow side;
  RegWriteDword(HKEY_CURRENT_USER, kConverterKey, kSubHwndValue, HandleToDword(side.Window()));
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    ::SendMessage(d, WM_CONVERTER_LINK, PUBLISH_READY, 0);
    ::SendMessage(d, WM_CONVERTER_LINK, PUBLISH_RENDER_REQUEST, MAKELONG(1920, 1080));
    const std::string target = dialog.Model().folders.output + "Temp/Convert.mpg";
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "Editor.Command:encode project title type=mpeg1;ntsc=1;width=1024;height=720;bitrate=8000000;"
                        "framerate=3;wide=0;audiotype=0;audiobitrate=224000;path=" +
                            target + "<Vidarro5>"),
              log.end());
    char file[REG_READ_STRING_SIZE] = {};
    ASSERT_TRUE(RegReadString(HKEY_CURRENT_USER, kConverterKey, kRenderedFileValue, file, nullptr));
    EXPECT_EQ(std::string(file), target);
    EXPECT_TRUE(platform::FolderExists(dialog.Model().folders.output + "Temp/"));
    log.clear();
    ::SendMessage(d, WM_CONVERTER_LINK, PUBLISH_CANCEL, 0);
    EXPECT_EQ(log, std::vector<std::string>{"Editor.Command:cancel encode<Vidarro5>"});
    EXPECT_TRUE(SideWindow::Codes().empty());
    dialog.CloseWithoutPrompt();
  });
}

TEST_F(PublishWindowTest, AClipNamedWithALineBreakIsSavedReopenedAndReachesTheConverterUnderItsName) {
  CLoadingDlg* splash = nullptr;
  const std::string clip = PictureClip(env_.Documents() + "first line\nsecond line.png", 0xFF2080E0);
  ASSERT_FALSE(clip.empty());
  const std::string project = env_.Documents() + "named.ilj5";
  std::string shown;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    ASSERT_TRUE(dialog.AddClip(clip, TRUE));
    AnswerFileDialog(project);
    ::SendMessage(d, WM_COMMAND, ID_PROJECT_SAVE, 0);
    boxes_.QueueAnswer(IDNO);
    ::SendMessage(d, WM_COMMAND, ID_PROJECT_NEW, 0);
    ASSERT_EQ(dialog.ClipListControl().GetItemCount(), 0);
    AnswerFileDialog(project);
    ::SendMessage(d, WM_COMMAND, ID_PROJECT_OPEN, 0);
    ASSERT_EQ(dialog.ClipListControl().GetItemCount(), 1);
    shown = dialog.ClipListControl().GetItemText(0, 1);
    dialog.ClipListControl().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_TRUE(ClickButton(d, IDC_PSP));
    boxes_.QueueAnswer(IDNO);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
  EXPECT_EQ(shown, clip);
  // What Parvel reads of the list the click wrote.
  ListFile list;
  ASSERT_TRUE(ReadListFile(platform::TempFolder() + kConverterListFile, &list));
  EXPECT_EQ(list.paths, std::vector<std::string>{clip});
  // Only the two questions whether to save, at New and at the close.
  for (const auto& box : boxes_.Calls()) EXPECT_NE(box.text.find("save"), std::string::npos) << box.text;
}

}  // namespace
}  // namespace studio
