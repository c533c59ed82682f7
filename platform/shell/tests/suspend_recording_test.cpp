// A suspend the user chose while the audio recorder records: its window hears of it while
// logind still waits, what was recorded so far can be read, and the resume reaches it too.
#include <string>

#include "audiorec/tests/recorder_window_fixture.h"
#include "fake_desktop.h"
#include "platform/base/process.h"
#include "platform/shell/power.h"

namespace auvry::testing {
namespace {

using namespace testkit;
using shell_tests::FakeDesktop;
using shell_tests::WaitFor;

const std::string kMe = program_invocation_short_name;

// What ffprobe reads of a file: its codec and container names, one a line.
std::string Probe(const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess(
      "ffprobe",
      {"-v", "error", "-show_entries", "stream=codec_name:format=format_name", "-of", "default=nw=1:nk=1", file}, &out,
      &err, &code, 60000);
  return out;
}

struct Listener {
  WNDPROC original = nullptr;
  std::vector<WPARAM> heard;
  bool delayHeldWhileAnswering = false;
  FakeDesktop* desktop = nullptr;
};
Listener* g_listener = nullptr;

LRESULT Listen(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_POWERBROADCAST) {
    g_listener->heard.push_back(wParam);
    if (wParam == PBT_APMSUSPEND) g_listener->delayHeldWhileAnswering = g_listener->desktop->Count(kMe, "delay") == 1;
  }
  return CallWindowProc(g_listener->original, hwnd, msg, wParam, lParam);
}

class SuspendWhileRecording : public RecorderWindowTest {
 protected:
  void TearDown() override {
    platform::ResetExecutionState();
    RecorderWindowTest::TearDown();
  }
  FakeDesktop desktop_;
};

TEST_F(SuspendWhileRecording, TheWindowHearsItBeforeTheDelayLockGoesAndTheRecordingSoFarReads) {
  ASSERT_TRUE(desktop_.Ready()) << desktop_.Failure();
  Listener listener;
  listener.desktop = &desktop_;
  g_listener = &listener;
  bool locked = false, delayReleased = false, delayBack = false;
  std::string facts;
  std::string file;
  WhenDialogShows([&](HWND d) {
    listener.original =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtr(d, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Listen)));
    locked = WaitFor([&] { return desktop_.Count(kMe, "block") == 1 && desktop_.Count(kMe, "delay") == 1; });
    Advance(600);
    ClickButton(d, IDC_AUVRY_RECORD);
    Advance(3000);
    desktop_.PrepareForSleep(true);
    delayReleased = WaitFor([&] { return !listener.heard.empty() && desktop_.Count(kMe, "delay") == 0; });
    file = Program().outputFolder + "WMA_130542.wma";
    facts = Probe(file);
    desktop_.PrepareForSleep(false);
    delayBack = WaitFor([&] { return listener.heard.size() == 2 && desktop_.Count(kMe, "delay") == 1; });
    Advance(1000);
    EXPECT_FALSE(WritePicture(d, "main_recording_after_resume.png").empty());
    ClickButton(d, IDC_AUVRY_STOP);
    PumpUntil([&] { return Rows(d) == 1; });
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  EXPECT_EQ(IDOK, dialog.DoModal());
  g_listener = nullptr;
  EXPECT_TRUE(locked);
  EXPECT_TRUE(delayReleased);
  EXPECT_TRUE(listener.delayHeldWhileAnswering);
  EXPECT_EQ(listener.heard, (std::vector<WPARAM>{PBT_APMSUSPEND, PBT_APMRESUMEAUTOMATIC}));
  EXPECT_TRUE(delayBack);
  EXPECT_EQ(facts, "wmav2\nasf\n") << file;
}

}  // namespace
}  // namespace auvry::testing
