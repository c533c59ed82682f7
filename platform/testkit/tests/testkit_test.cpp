#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/base/paths.h"
#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "platform/window/dialog.h"
#include "platform/window/timers.h"

namespace {

using namespace testkit;

TEST(Environment, GivesEachTestItsOwnFoldersAndPutsTheOldOnesBack) {
  const std::string home = getenv("HOME");
  std::string fresh, runtime;
  {
    Environment env("kit");
    fresh = env.Home();
    runtime = env.Runtime();
    EXPECT_EQ(fresh, platform::HomeFolder());
    EXPECT_EQ(env.Documents(), platform::DocumentsFolder());
    EXPECT_EQ(0u, platform::TempFolder().find(fresh));
    EXPECT_EQ(platform::WithTrailingSlash(runtime), platform::RuntimeFolder());
    EXPECT_LT(runtime.size(), 40u);  // socket paths under it must stay short
    // The registry writes into the fresh home.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Kit", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                            &key, nullptr));
    RegCloseKey(key);
    RegFlushKey(HKEY_CURRENT_USER);
    EXPECT_FALSE(std::filesystem::is_empty(fresh + "registry"));
  }
  EXPECT_EQ(home, getenv("HOME"));
  EXPECT_FALSE(std::filesystem::exists(fresh));
  EXPECT_FALSE(std::filesystem::exists(runtime));
}

TEST_F(ControlTest, InputByIdReachesTheControlsAndTheirStateReadsBack) {
  Make(WC_BUTTON, "Go", BS_PUSHBUTTON, {10, 10, 90, 34}, 11);
  Make(WC_BUTTON, "Fast", BS_AUTOCHECKBOX, {10, 40, 120, 60}, 12);
  Make(WC_EDIT, "old", ES_AUTOHSCROLL, {10, 70, 200, 92}, 13);
  HWND off = Make(WC_BUTTON, "Off", BS_PUSHBUTTON, {100, 10, 180, 34}, 14);
  EnableWindow(off, FALSE);
  EXPECT_TRUE(ClickButton(parent_, 11));
  EXPECT_FALSE(ClickButton(parent_, 14));
  EXPECT_FALSE(ClickButton(parent_, 99));
  EXPECT_TRUE(ClickControl(parent_, 12));
  EXPECT_EQ(static_cast<UINT>(BST_CHECKED), ButtonState(parent_, 12));
  EXPECT_TRUE(TypeInto(parent_, 13, "new text"));
  EXPECT_EQ("new text", ControlText(parent_, 13));
  EXPECT_FALSE(ControlEnabled(parent_, 14));
  EXPECT_TRUE(ControlVisible(parent_, 11));
  std::vector<int> clicked;
  for (const Event& e : Of(WM_COMMAND))
    if (e.code == BN_CLICKED) clicked.push_back(e.id);
  EXPECT_EQ((std::vector<int>{11, 12}), clicked);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), Pixel(parent_, 300, 300));
  EXPECT_EQ(CLR_INVALID, Pixel(parent_, 5000, 5000));
}

int g_ticks = 0;
void Tick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

TEST_F(ControlTest, AdvancingTheClockFiresTimersAndPicturesLandInTheBuildFolder) {
  g_ticks = 0;
  SetTimer(parent_, 5, 100, Tick);
  Advance(99);
  EXPECT_EQ(0, g_ticks);
  Advance(1);
  EXPECT_EQ(1, g_ticks);
  Advance(250);
  EXPECT_GE(g_ticks, 2);
  KillTimer(parent_, 5);
  const std::string path = WritePicture(parent_, "testkit_parent.png");
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(0u, path.find(VIDARRO_PICTURE_DIR));
  EXPECT_TRUE(std::filesystem::exists(path));
}

INT_PTR EndOnOk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(hwnd, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

INT_PTR RunDialog() {
  platform::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
  t.caption = "Scripted";
  t.cx = 100;
  t.cy = 50;
  platform::DialogItemTemplate ok;
  ok.className = "Button";
  ok.text = "OK";
  ok.id = IDOK;
  ok.style = WS_VISIBLE | BS_PUSHBUTTON;
  ok.x = 10, ok.y = 10, ok.cx = 40, ok.cy = 14;
  t.items.push_back(ok);
  return DialogBoxIndirectParam(nullptr, t, nullptr, EndOnOk, 0);
}

TEST(DialogScript, AnswersRunInOrderAndAnUnansweredDialogEndsCancelled) {
  Environment env(CurrentTestName());
  std::string title;
  WhenDialogShows([&](HWND d) { title = WindowText(d); });
  AnswerWithButton(IDOK);
  EXPECT_EQ(IDOK, RunDialog());
  EXPECT_EQ("Scripted", title);
  EndUnansweredDialogs();
  EXPECT_NE(IDOK, RunDialog());
  platform::ClearInputScript();
  ResetWindows();
}

TEST(SecondProcess, ReportsAProgramThatCannotBeFoundAndCollectsOutput) {
  Environment env(CurrentTestName());
  ProgramProcess missing;
  EXPECT_FALSE(missing.Start("no_such_program_anywhere"));
  ProgramProcess echo;
  ASSERT_TRUE(echo.Start("/bin/sh", {"-c", "echo $HOME; exit 3"}));
  EXPECT_EQ(3, echo.WaitForExit(10000));
  EXPECT_EQ(env.Home() + "\n", echo.Output());
  EXPECT_EQ(nullptr, WaitForWindow("NoSuchClass", "No such window", 50));
}

}  // namespace
