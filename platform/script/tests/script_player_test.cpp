// The player on a dialog of this process: typing, choosing, clicking, answering a message box
// and waiting for text, then a step that runs out of time and names itself.
#include "platform/script/script_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/base/file.h"
#include "platform/controls/commctrl.h"
#include "platform/testkit/testkit.h"
#include "platform/window/dialog.h"
#include "platform/window/message_box_dialog.h"
#include "platform/window/messages.h"

namespace platform::script {
namespace {

constexpr int kName = 100, kAsk = 101, kChoice = 102, kResult = 103, kSlider = 105, kPageButton = 200;
constexpr int kMenuCommand = 40001;

INT_PTR AskProc(HWND d, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    for (const char* item : {"One", "Two", "Three"})
      SendDlgItemMessage(d, kChoice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendDlgItemMessage(d, kSlider, TBM_SETRANGE, FALSE, MAKELPARAM(1, 180));
    SendDlgItemMessage(d, kSlider, TBM_SETPOS, FALSE, 70);
    return TRUE;
  }
  if (msg == WM_HSCROLL && LOWORD(wParam) == TB_ENDTRACK) {
    const LRESULT pos = SendDlgItemMessage(d, kSlider, TBM_GETPOS, 0, 0);
    SetDlgItemText(d, kResult, ("slider at " + std::to_string(pos)).c_str());
    return TRUE;
  }
  if (msg == WM_NOTIFY) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if (change->hdr.code == LVN_ITEMCHANGED && (change->uNewState & LVIS_SELECTED))
      SetDlgItemText(d, kResult, ("row " + std::to_string(change->iItem)).c_str());
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wParam) == kMenuCommand && HIWORD(wParam) == 0 && lParam == 0) {
    SetDlgItemText(d, kResult, "menu command");
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wParam) == kAsk) {
    const int answer = MessageBox(d, "Keep " + testkit::ControlText(d, kName) + "?", "Ask", MB_YESNO);
    const LRESULT chosen = SendDlgItemMessage(d, kChoice, CB_GETCURSEL, 0, 0);
    SetDlgItemText(d, kResult, ("answered " + std::to_string(answer) + " with " + std::to_string(chosen)).c_str());
    return TRUE;
  }
  return FALSE;
}

class ScriptPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallWindowMessageBoxes();
    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
    t.caption = "Ask Dialog";
    t.cx = 200;
    t.cy = 100;
    t.items = {{"Edit", "", kName, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 10, 10, 100, 12},
               {"Button", "Ask", kAsk, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 10, 30, 50, 14},
               {"ComboBox", "", kChoice, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 0, 70, 30, 60, 60},
               {"Static", "", kResult, WS_CHILD | WS_VISIBLE, 0, 10, 60, 150, 10},
               {TRACKBAR_CLASS, "", kSlider, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 10, 75, 150, 12}};
    dialog_ = CreateDialogIndirectParam(nullptr, t, nullptr, AskProc, 0);
    ASSERT_NE(dialog_, nullptr);
  }
  void TearDown() override { DestroyWindow(dialog_); }

  std::vector<Step> Steps(const std::string& text) {
    std::string error;
    auto steps = ParseScript("program Tester\n" + text, "Tester", "", &error);
    EXPECT_TRUE(steps) << error;
    return steps ? *steps : std::vector<Step>{};
  }
  // Runs this thread's loop (real time, bounded) until the report says `last`.
  std::string PlayUntil(const std::string& last) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::string report;
    while (std::chrono::steady_clock::now() < limit) {
      testkit::Pump();
      report.clear();
      ReadWholeFile(options_.reportFile, &report);
      if (report.find(last) != std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return report;
  }

  testkit::Environment env_;
  HWND dialog_ = nullptr;
  PlayerOptions options_{"Tester", env_.Temp() + "report.txt", env_.Temp() + "pictures/"};
};

TEST_F(ScriptPlayerTest, ActionsReachTheDialogAsAUsersWouldAndEachStepLeavesAPicture) {
  ScriptPlayer player(Steps(R"(step "The dialog shows" 10
  wait-window "Ask Dialog"
step "Fill it in" 10
  type 100 "the beach"
  choose 102 "Two"
step "Ask and say yes" 10
  click 101
  answer yes "Keep the beach?"
  wait-text 103 "answered 6 with 1"
step "Slide to the start, then one along" 10
  key 105 home
  wait-text 103 "slider at 1"
  key 105 right
  wait-text 103 "slider at 2"
)"),
                      options_);
  const std::string report = PlayUntil("finished");
  EXPECT_EQ(report,
            "Tester\tdone\tThe dialog shows\nTester\tdone\tFill it in\nTester\tdone\tAsk and say yes\n"
            "Tester\tdone\tSlide to the start, then one along\nTester\tfinished\t4\n");
  EXPECT_EQ(SendDlgItemMessage(dialog_, kSlider, TBM_GETPOS, 0, 0), 2);
  EXPECT_EQ(player.Stop(0), 0);
  for (const char* name : {"tester-01-the-dialog-shows.png", "tester-03-ask-and-say-yes.png"})
    EXPECT_TRUE(std::ifstream(options_.pictureFolder + name).good()) << name;
}

TEST_F(ScriptPlayerTest, AStepOutOfTimeFailsWithItsNameAndAnUnansweredBoxIsNamed) {
  ScriptPlayer player(Steps(R"(step "Wait for a control that never shows" 0.3
  wait-shown 999
)"),
                      options_);
  const std::string report = PlayUntil("failed");
  EXPECT_EQ(report,
            "Tester\tfailed\tWait for a control that never shows\tline 3: control 999 stayed hidden within 0.3 s\n");
  EXPECT_EQ(player.Stop(0), kScriptFailedExitCode);
}

TEST_F(ScriptPlayerTest, ABoxSayingSomethingElseFailsAtOnceAndStepsLeftWhenTheProgramEndsFail) {
  ScriptPlayer player(Steps(R"(step "Ask" 20
  type 100 "x"
  click 101
  answer no "Something else?"
step "Never reached" 20
  close
)"),
                      options_);
  const std::string report = PlayUntil("failed");
  EXPECT_EQ(report, "Tester\tfailed\tAsk\tline 5: the message box says \"Keep x?\"\n");
  EXPECT_EQ(player.Stop(0), kScriptFailedExitCode);

  std::remove(options_.reportFile.c_str());
  ScriptPlayer early(Steps("step \"Waits\" 20\n  wait-window \"Nobody\"\n"), options_);
  EXPECT_EQ(early.Stop(0), kScriptFailedExitCode);
  std::string said;
  ReadWholeFile(options_.reportFile, &said);
  EXPECT_EQ(said, "Tester\tfailed\tWaits\tthe program ended first\n");
}

// Rows of a list view are chosen by the start of their text, as recordings named by their time
// are; the chosen row is the only one selected, and the parent hears of it. A menu command
// reaches the window as the menu's choice does.
TEST_F(ScriptPlayerTest, AListViewRowIsChosenByTheStartOfItsTextAndAMenuCommandReachesTheWindow) {
  constexpr int kRows = 104;
  HWND rows = CreateWindowEx(0, WC_LISTVIEW, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 80, 150, 60, dialog_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kRows)), nullptr, nullptr);
  ASSERT_NE(rows, nullptr);
  for (const char* text : {"Edited Video", "DVD_140509_0.mpg", "DVD_140512_0.mpg"}) {
    LVITEM item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessage(rows, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<LPSTR>(text);
    SendMessage(rows, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
  }
  LVITEM first{};
  first.state = first.stateMask = LVIS_SELECTED;
  SendMessage(rows, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&first));

  ScriptPlayer player(Steps(R"(step "Choose the recording" 10
  wait-window "Ask Dialog"
  choose 104 "dvd_"
  wait-text 103 "row 1"
step "Choose from the menu" 10
  menu 40001
  wait-text 103 "menu command"
step "Choose a row that is not there" 0.3
  choose 104 "WMV_"
)"),
                      options_);
  const std::string report = PlayUntil("failed");
  EXPECT_EQ(report,
            "Tester\tdone\tChoose the recording\nTester\tdone\tChoose from the menu\n"
            "Tester\tfailed\tChoose a row that is not there\tline 10: control 104 never held \"WMV_\" within 0.3 s\n");
  EXPECT_EQ(SendMessage(rows, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessage(rows, LVM_GETITEMSTATE, 1, LVIS_SELECTED), static_cast<LRESULT>(LVIS_SELECTED));
  EXPECT_EQ(player.Stop(0), kScriptFailedExitCode);
}

// A row is told by the start of its first column; what it must show may stand in any column, and
// a failure names what the row showed.
TEST_F(ScriptPlayerTest, ARowOfAListViewIsToldByItsFirstColumnAndShowsTheTextInAnother) {
  constexpr int kRows = 104;
  HWND rows = CreateWindowEx(0, WC_LISTVIEW, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 80, 150, 60, dialog_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kRows)), nullptr, nullptr);
  ASSERT_NE(rows, nullptr);
  for (int column = 0; column < 3; ++column) {
    LVCOLUMN c{};
    c.mask = LVCF_WIDTH;
    c.cx = 50;
    SendMessage(rows, LVM_INSERTCOLUMN, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
  }
  auto set = [&](int row, int column, const char* text) {
    LVITEM item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<LPSTR>(text);
    if (column == 0) SendMessage(rows, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
    else SendMessage(rows, LVM_SETITEMTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  };
  set(0, 0, "clip.mpg");
  set(0, 2, "00:00:09.00");
  set(1, 0, "Edited Video");
  set(1, 1, " ");
  set(1, 2, "00:00:04.00");

  ScriptPlayer player(Steps(R"(step "The edited video shows its length" 10
  wait-window "Ask Dialog"
  wait-row 104 "Edited" "00:00:04.00"
step "Another row's length is not this one's" 0.3
  wait-row 104 "Edited" "00:00:09"
)"),
                      options_);
  const std::string report = PlayUntil("failed");
  EXPECT_EQ(report,
            "Tester\tdone\tThe edited video shows its length\n"
            "Tester\tfailed\tAnother row's length is not this one's\tline 6: control 104's row showed "
            "\"Edited Video |   | 00:00:04.00\", not \"00:00:09\" within 0.3 s\n");
  EXPECT_EQ(player.Stop(0), kScriptFailedExitCode);

  std::remove(options_.reportFile.c_str());
  ScriptPlayer missing(Steps("step \"No such row\" 0.3\n  wait-row 104 \"Menu\" \"00:00:04\"\n"), options_);
  EXPECT_EQ(PlayUntil("failed"),
            "Tester\tfailed\tNo such row\tline 3: control 104 held no row \"Menu\" within 0.3 s\n");
  EXPECT_EQ(missing.Stop(0), kScriptFailedExitCode);
}

// A skinned list sits in a frame that took its number: a choice waits for the row in the list
// inside, and a control of that number that holds no list is never taken as chosen.
TEST_F(ScriptPlayerTest, AChoiceInAFramedListWaitsForItsRowAndAControlThatIsNoListIsNeverChosen) {
  constexpr int kFramed = 106, kNoList = 107;
  HWND frame = CreateWindowEx(0, "Static", "", WS_CHILD | WS_VISIBLE, 10, 80, 150, 60, dialog_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFramed)), nullptr, nullptr);
  HWND rows = CreateWindowEx(0, WC_LISTVIEW, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 150, 60, frame,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFramed)), nullptr, nullptr);
  ASSERT_NE(CreateWindowEx(0, "Static", "DVD_140509_0.mpg", WS_CHILD | WS_VISIBLE, 10, 150, 150, 10, dialog_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNoList)), nullptr, nullptr),
            nullptr);
  ASSERT_NE(rows, nullptr);
  auto add = [rows](const char* text) {
    LVITEM item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessage(rows, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<LPSTR>(text);
    SendMessage(rows, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
  };
  add("Please add files...");

  ScriptPlayer player(Steps(R"(step "Choose the recording once it is listed" 10
  wait-window "Ask Dialog"
  choose 106 "DVD_"
step "Choose in a control that is no list" 0.3
  choose 107 "DVD_"
)"),
                      options_);
  // The row is listed a while after the choice began to wait, as a conversion library lists it.
  const auto listed = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  while (std::chrono::steady_clock::now() < listed) {
    testkit::Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::string early;
  ReadWholeFile(options_.reportFile, &early);
  EXPECT_EQ(early, "");
  add("DVD_140509_0.mpg");
  const std::string report = PlayUntil("failed");
  EXPECT_EQ(report,
            "Tester\tdone\tChoose the recording once it is listed\n"
            "Tester\tfailed\tChoose in a control that is no list\tline 6: control 107 never held \"DVD_\" within "
            "0.3 s\n");
  EXPECT_EQ(SendMessage(rows, LVM_GETITEMSTATE, 1, LVIS_SELECTED), static_cast<LRESULT>(LVIS_SELECTED));
  EXPECT_EQ(player.Stop(0), kScriptFailedExitCode);
}

// A button that pumps the thread's sent messages while it is pressed, as a handler that runs a
// short modal loop does, and then takes itself out of reach, as a choice button does.
WNDPROC g_buttonProc = nullptr;
WNDPROC g_dialogProc = nullptr;
LRESULT PumpingButtonProc(HWND b, UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProc(g_buttonProc, b, msg, wParam, lParam);
  if (msg == WM_LBUTTONDOWN) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    MSG m;
    while (std::chrono::steady_clock::now() < until) {
      PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  return result;
}

TEST_F(ScriptPlayerTest, AClickRightAfterOneStillInTheQueueReachesItsOwnButton) {
  HWND first = CreateWindowEx(0, "Button", "First", WS_CHILD | WS_VISIBLE, 10, 100, 60, 20, dialog_,
                              reinterpret_cast<HMENU>(kPageButton), nullptr, nullptr);
  HWND second = CreateWindowEx(0, "Button", "Second", WS_CHILD | WS_VISIBLE, 80, 100, 60, 20, dialog_,
                               reinterpret_cast<HMENU>(kPageButton + 1), nullptr, nullptr);
  ASSERT_TRUE(first && second);
  g_buttonProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtr(first, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PumpingButtonProc)));
  auto pageProc = [](HWND d, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (msg == WM_COMMAND && LOWORD(wParam) == kPageButton) EnableWindow(reinterpret_cast<HWND>(lParam), FALSE);
    if (msg == WM_COMMAND && LOWORD(wParam) == kPageButton + 1) SetDlgItemText(d, kResult, "second clicked");
    return CallWindowProc(g_dialogProc, d, msg, wParam, lParam);
  };
  g_dialogProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtr(dialog_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+pageProc)));
  ScriptPlayer player(Steps(R"(step "Two clicks in a row" 10
  wait-window "Ask Dialog"
  click 200
  click 201
  wait-text 103 "second clicked"
)"),
                      options_);
  const std::string report = PlayUntil("finished");
  EXPECT_EQ(report, "Tester\tdone\tTwo clicks in a row\nTester\tfinished\t1\n");
  EXPECT_EQ(player.Stop(0), 0);
  EXPECT_FALSE(IsWindowEnabled(first));
}

// A page the user has left stays behind the shown one and may use the same numbers: the
// actions reach the shown page's control.
TEST_F(ScriptPlayerTest, AControlNumberAHiddenPageSharesReachesTheShownPage) {
  auto page = [&](bool shown) {
    DialogTemplate t;
    t.style = WS_CHILD | (shown ? WS_VISIBLE : 0);
    t.x = 140;  // clear of the dialog's own controls
    t.y = 5;
    t.cx = 55;
    t.cy = 20;
    t.items = {{"Button", shown ? "Shown" : "Left", kPageButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 2, 2, 50, 14}};
    return CreateDialogIndirectParam(
        nullptr, t, dialog_,
        [](HWND d, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
          if (msg != WM_COMMAND || LOWORD(wParam) != kPageButton) return msg == WM_INITDIALOG;
          SetDlgItemText(GetParent(d), kResult, ("clicked " + testkit::ControlText(d, kPageButton)).c_str());
          return TRUE;
        },
        0);
  };
  ASSERT_NE(page(false), nullptr);
  ASSERT_NE(page(true), nullptr);
  ScriptPlayer player(Steps(R"(step "Click the shown page's button" 10
  wait-window "Ask Dialog"
  wait-shown 200
  click 200
  wait-text 103 "clicked Shown"
)"),
                      options_);
  const std::string report = PlayUntil("finished");
  EXPECT_EQ(report, "Tester\tdone\tClick the shown page's button\nTester\tfinished\t1\n");
  EXPECT_EQ(player.Stop(0), 0);
}

}  // namespace
}  // namespace platform::script
