#include <gtest/gtest.h>

#include "platform/base/message_box.h"
#include "platform/window/afx_app.h"
#include "platform/window/afx_dialog.h"
#include "platform/window/dialog.h"
#include "platform/window/monitors.h"
#include "platform/window/input.h"
#include "platform/window/menu.h"
#include "platform/window/message_box_dialog.h"
#include "platform/window/modal_loop.h"
#include "platform/gdi/sys_colors.h"
#include "platform/testkit/driving.h"
#include "platform/testkit/window_log.h"

using namespace testkit;
using platform::PushInputStep;

namespace {

constexpr int IDC_NAME = 1001;
constexpr int IDC_COUNT = 1002;
constexpr int IDC_CHECK = 1003;
constexpr int IDC_APPLY = 1004;

platform::DialogTemplate SettingsTemplate() {
  platform::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  t.caption = "Settings";
  t.x = 10;
  t.y = 10;
  t.cx = 200;
  t.cy = 100;
  platform::AddDialogItem(t, "Edit", "", IDC_NAME, WS_TABSTOP, 10, 10, 100, 12);
  platform::AddDialogItem(t, "Edit", "", IDC_COUNT, WS_TABSTOP | ES_NUMBER, 10, 26, 40, 12);
  platform::AddDialogItem(t, "Button", "Check", IDC_CHECK, WS_TABSTOP | BS_AUTOCHECKBOX, 10, 42, 80, 10);
  platform::AddDialogItem(t, "Button", "OK", IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 30, 80, 50, 14);
  platform::AddDialogItem(t, "Button", "Cancel", IDCANCEL, WS_TABSTOP, 90, 80, 50, 14);
  platform::AddDialogItem(t, "Button", "Apply", IDC_APPLY, WS_TABSTOP, 150, 80, 40, 14);
  return t;
}

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    main = MakeTop("Main", WS_POPUP | WS_VISIBLE, RECT{0, 0, 800, 600});
    Pump();
  }
  void TearDown() override { ResetWindows(); }
  HWND main = nullptr;
};

HWND Active() { return GetActiveWindow(); }

// Ends on OK and Cancel, as every dialog procedure of the suite does.
INT_PTR EndingProc(HWND h, UINT m, WPARAM w, LPARAM) {
  if (m == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
    EndDialog(h, LOWORD(w));
    return TRUE;
  }
  return FALSE;
}
void Type(const char* text) {
  for (const char* p = text; *p; ++p) platform::InjectChar(*p);
}

std::string TextOf(HWND hwnd) {
  std::string text(static_cast<size_t>(GetWindowTextLength(hwnd)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowText(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

TEST_F(Dialogs, TheStandardControlsAreThereWithoutBeingAskedFor) {
  // Nothing in this program registers controls: linking the controls library is enough.
  WNDCLASS wc;
  EXPECT_TRUE(GetClassInfo(nullptr, "msctls_progress32", &wc));
  HWND dialog = CreateDialogIndirectParam(nullptr, SettingsTemplate(), main, EndingProc, 0);
  ASSERT_NE(dialog, nullptr);
  HWND check = GetDlgItem(dialog, IDC_CHECK);
  ASSERT_TRUE(GetClassInfo(nullptr, "Button", &wc));
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtr(check, GWLP_WNDPROC)), wc.lpfnWndProc);
  DestroyWindow(dialog);
}

TEST_F(Dialogs, ModalDialogEndsWithTheClickedButtonAndFreesItsOwner) {
  bool ownerDisabledWhileOpen = false;
  PushInputStep([&] {
    ownerDisabledWhileOpen = !IsWindowEnabled(main);
    platform::ClickWindow(GetDlgItem(Active(), IDOK));
  });
  INT_PTR r = DialogBoxIndirectParam(nullptr, SettingsTemplate(), main, EndingProc, 0);
  EXPECT_EQ(r, IDOK);
  EXPECT_TRUE(ownerDisabledWhileOpen);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(FindWindow("#32770", "Settings"), nullptr);
}

TEST_F(Dialogs, EscEnterAndRunningOutOfScript) {
  PushInputStep([] { platform::InjectKey(VK_ESCAPE); });
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, SettingsTemplate(), main, EndingProc, 0), IDCANCEL);
  PushInputStep([] { platform::InjectKey(VK_RETURN); });
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, SettingsTemplate(), main, EndingProc, 0), IDOK);
  // Enter on a focused push button presses that button.
  PushInputStep([] {
    SetFocus(GetDlgItem(Active(), IDC_APPLY));
    platform::InjectKey(VK_RETURN);
  });
  PushInputStep([] { platform::InjectKey(VK_ESCAPE); });
  static int applied;
  applied = 0;
  DLGPROC proc = [](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_COMMAND && LOWORD(w) == IDC_APPLY) return ++applied, TRUE;
    if (m == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) return EndDialog(h, LOWORD(w)), TRUE;
    return FALSE;
  };
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, SettingsTemplate(), main, proc, 0), IDCANCEL);
  EXPECT_EQ(applied, 1);
  // A script that runs out ends the dialog as cancelled instead of hanging.
  PushInputStep([] { Type("x"); });
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, SettingsTemplate(), main, proc, 0), IDCANCEL);
  EXPECT_EQ(platform::ModalDepth(), 0);
}

TEST_F(Dialogs, TabWalksTheTabStopsAndWrapsAround) {
  std::vector<int> seen;
  auto record = [&] { seen.push_back(GetDlgCtrlID(GetFocus())); };
  PushInputStep(record);
  for (int i = 0; i < 6; ++i) {
    PushInputStep([] { platform::InjectKey(VK_TAB); });
    PushInputStep(record);
  }
  PushInputStep([] {
    platform::InjectKeyDown(VK_SHIFT);
    platform::InjectKey(VK_TAB);
    platform::InjectKeyUp(VK_SHIFT);
  });
  PushInputStep(record);
  DialogBoxIndirectParam(nullptr, SettingsTemplate(), main, EndingProc, 0);
  EXPECT_EQ(seen, (std::vector<int>{IDC_NAME, IDC_COUNT, IDC_CHECK, IDOK, IDCANCEL, IDC_APPLY, IDC_NAME, IDC_APPLY}));
}

class SettingsDialog : public CDialog {
 public:
  std::string name = "initial";
  int count = 3;
  int check = 1;
  int inits = 0;
  int pretranslated = 0;
  BOOL OnInitDialog() override {
    ++inits;
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Text(dx, IDC_NAME, name);
    DDX_Text(dx, IDC_COUNT, count);
    DDX_Check(dx, IDC_CHECK, check);
  }
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN) ++pretranslated;
    return CDialog::PreTranslateMessage(msg);
  }
};

TEST_F(Dialogs, CDialogExchangesDataAndRunsItsHandlers) {
  SettingsDialog dlg;
  dlg.InitModalIndirect(SettingsTemplate());
  std::string shownName;
  PushInputStep([&] {
    HWND d = Active();
    char buffer[64];
    GetDlgItemText(d, IDC_NAME, buffer, sizeof buffer);
    shownName = buffer;
    SetDlgItemText(d, IDC_NAME, "");
    SetFocus(GetDlgItem(d, IDC_NAME));
    Type("clip");
    SetDlgItemText(d, IDC_COUNT, "42");
    platform::ClickWindow(GetDlgItem(d, IDC_CHECK));
    platform::InjectKey(VK_RETURN);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(shownName, "initial");
  EXPECT_EQ(dlg.inits, 1);
  EXPECT_EQ(dlg.name, "clip");
  EXPECT_EQ(dlg.count, 42);
  EXPECT_EQ(dlg.check, 0);
  EXPECT_GE(dlg.pretranslated, 1);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(Dialogs, CDialogRefusesOkOnBadNumbersAndSaysSo) {
  platform::MessageBoxRecorder boxes;
  SettingsDialog dlg;
  dlg.InitModalIndirect(SettingsTemplate());
  PushInputStep([] {
    SetDlgItemText(Active(), IDC_COUNT, "many");
    platform::ClickWindow(GetDlgItem(Active(), IDOK));
  });
  PushInputStep([] { platform::ClickWindow(GetDlgItem(Active(), IDCANCEL)); });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(dlg.count, 3);
}

TEST_F(Dialogs, MissingTemplateGivesMinusOne) {
  CDialog dlg(4242);
  EXPECT_EQ(dlg.DoModal(), -1);
  platform::DialogTemplate t = SettingsTemplate();
  t.items[0].className = "NoSuchControl";
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, t, main, EndingProc, 0), -1);
  EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(Dialogs, MessageBoxesAreRealModalDialogs) {
  platform::InstallWindowMessageBoxes();
  std::string text, caption;
  PushInputStep([&] {
    HWND box = Active();
    char buffer[128];
    GetDlgItemText(box, platform::kMessageBoxTextId, buffer, sizeof buffer);
    text = buffer;
    GetWindowText(box, buffer, sizeof buffer);
    caption = buffer;
    platform::ClickWindow(GetDlgItem(box, IDYES));
  });
  EXPECT_EQ(MessageBox(main, "Burn another copy?", "Narvell Vidarro 5.0", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(text, "Burn another copy?");
  EXPECT_EQ(caption, "Narvell Vidarro 5.0");
  // Esc does nothing in a Yes/No box; running out of script answers as dismissing would.
  PushInputStep([] { platform::InjectKey(VK_ESCAPE); });
  EXPECT_EQ(MessageBox(main, "Delete?", "Q", MB_YESNO), IDNO);
  PushInputStep([] { platform::InjectKey(VK_ESCAPE); });
  EXPECT_EQ(MessageBox(main, "Done", "I", MB_OK), IDOK);
  PushInputStep([] { platform::InjectKey(VK_RETURN); });  // the default button
  EXPECT_EQ(MessageBox(main, "Stop?", "Q", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
  platform::SetMessageBoxHandler(nullptr);
}

// A path is one word the label cannot break: the box grows to show it whole, and the lines
// around it still fit.
TEST_F(Dialogs, AMessageBoxShowsALongPathWhole) {
  platform::InstallWindowMessageBoxes();
  const std::string path = "/home/someone/.config/vidarro/registry/HKEY_CURRENT_USER.damaged-1796886472.reg";
  const std::string text = "The settings file was damaged and could not be read. It was kept as \"" + path +
                           "\" and the program starts with default settings.";
  RECT label{}, needed{}, frame{};
  PushInputStep([&] {
    HWND box = Active();
    GetWindowRect(box, &frame);
    HWND shown = GetDlgItem(box, platform::kMessageBoxTextId);
    GetClientRect(shown, &label);
    HDC dc = GetDC(shown);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(shown, WM_GETFONT, 0, 0)));
    needed = label;
    DrawText(dc, text.c_str(), -1, &needed, DT_WORDBREAK | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(shown, dc);
    platform::ClickWindow(GetDlgItem(box, IDOK));
  });
  EXPECT_EQ(MessageBox(main, text.c_str(), "Narvell Vidarro 5.0", MB_OK), IDOK);
  EXPECT_LE(needed.right, label.right);
  EXPECT_LE(needed.bottom, label.bottom);
  EXPECT_GE(frame.left, 0);
  EXPECT_LE(frame.right, GetSystemMetrics(SM_CXSCREEN));
  platform::SetMessageBoxHandler(nullptr);
}

// A word wider than the screen is broken at the box's width; a text past any reading is cut at
// an ellipsis; either way the box shows, on the screen, with its button in it.
TEST_F(Dialogs, AMessageBoxBreaksAnEndlessWordAndCutsAnEndlessText) {
  platform::InstallWindowMessageBoxes();
  const std::string word(3000, 'W');
  std::string many;
  while (many.size() < 70000) many += "Line " + std::to_string(many.size()) + " of a log\n";
  for (const std::string* text : std::vector<const std::string*>{&word, &many}) {
    RECT frame{}, ok{}, label{};
    std::string shown;
    bool asked = false;
    PushInputStep([&] {
      HWND box = Active();
      asked = box != nullptr;
      GetWindowRect(box, &frame);
      GetWindowRect(GetDlgItem(box, IDOK), &ok);
      GetWindowRect(GetDlgItem(box, platform::kMessageBoxTextId), &label);
      shown = TextOf(GetDlgItem(box, platform::kMessageBoxTextId));
      platform::ClickWindow(GetDlgItem(box, IDOK));
    });
    EXPECT_EQ(MessageBox(main, text->c_str(), "Narvell Vidarro 5.0", MB_OK), IDOK);
    ASSERT_TRUE(asked) << "no box showed";
    EXPECT_GE(frame.left, 0);
    EXPECT_LE(frame.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(frame.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GE(ok.left, frame.left);
    EXPECT_LE(ok.bottom, frame.bottom);
    EXPECT_GT(label.bottom - label.top, 3 * 13) << "the long word takes several lines";
    if (text == &many) {
      EXPECT_LT(shown.size(), many.size());
      EXPECT_EQ(shown.substr(shown.size() - 3), "...");
      EXPECT_EQ(0u, many.rfind(shown.substr(0, shown.size() - 3), 0));
    } else {
      EXPECT_EQ(shown, word);
    }
  }
  platform::SetMessageBoxHandler(nullptr);
}

TEST_F(Dialogs, NestedModalLoopsUnwindInOrder) {
  platform::InstallWindowMessageBoxes();
  static int answer;
  answer = 0;
  DLGPROC proc = [](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_COMMAND && LOWORD(w) == IDOK) {
      answer = MessageBox(h, "Sure?", "Q", MB_OKCANCEL);
      if (answer == IDOK) EndDialog(h, IDOK);
      return TRUE;
    }
    return FALSE;
  };
  PushInputStep([] { platform::ClickWindow(GetDlgItem(Active(), IDOK)); });
  PushInputStep([] { platform::ClickWindow(GetDlgItem(Active(), IDOK)); });  // in the box
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, SettingsTemplate(), main, proc, 0), IDOK);
  EXPECT_EQ(answer, IDOK) << "the box answered " << answer;
  EXPECT_TRUE(IsWindowEnabled(main));
  platform::SetMessageBoxHandler(nullptr);
}

class Menus : public Dialogs {
 protected:
  void SetUp() override {
    Dialogs::SetUp();
    menu = CreatePopupMenu();
    AppendMenu(menu, MF_STRING, 101, "Open");
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING | MF_GRAYED, 102, "Delete");
    AppendMenu(menu, MF_STRING, 103, "Publish");
    HMENU sub = CreatePopupMenu();
    AppendMenu(sub, MF_STRING, 201, "iPod");
    AppendMenu(sub, MF_STRING, 202, "PSP");
    AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Device");
  }
  void TearDown() override {
    DestroyMenu(menu);
    Dialogs::TearDown();
  }
  // Screen point of an item of a menu shown at (100, 100): items are 20 high, separators 8.
  static POINT Item(int top, int x = 110) { return POINT{x, 100 + top + 5}; }
  HMENU menu = nullptr;
};

TEST_F(Menus, TrackPopupMenuReturnsTheClickedCommand) {
  PushInputStep([] { platform::InjectClick(platform::MouseButton::Left, Item(48)); });  // Publish
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, main, nullptr), 103);
  PushInputStep([] { platform::InjectClick(platform::MouseButton::Left, Item(28)); });  // grayed: stays open
  PushInputStep([] { platform::InjectKey(VK_ESCAPE); });
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, main, nullptr), 0);
  PushInputStep([] { platform::InjectClick(platform::MouseButton::Left, POINT{700, 500}); });  // outside
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, main, nullptr), 0);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, main, nullptr), 0);  // no script left
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Menus, AShownMenuPaintsItsItemsTheHotOneLitAndItsSeparators) {
  COLORREF hot = 0, plain = 0, separator = 0, separatorSide = 0;
  PushInputStep([] { platform::InjectKey(VK_DOWN); });  // "Open" becomes hot
  PushInputStep([&] {
    HWND popup = FindWindow("#32768", nullptr);
    UpdateWindow(popup);
    hot = testkit::Pixel(popup, 3, 3);
    plain = testkit::Pixel(popup, 3, 48 + 3);
    separator = testkit::Pixel(popup, 40, 20 + 3);
    separatorSide = testkit::Pixel(popup, 1, 20 + 3);
    platform::InjectKey(VK_ESCAPE);
  });
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, main, nullptr), 0);
  EXPECT_EQ(hot, GetSysColor(COLOR_MENUHILIGHT));
  EXPECT_EQ(plain, GetSysColor(COLOR_MENU));
  EXPECT_EQ(separator, GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(separatorSide, GetSysColor(COLOR_MENU));
}

TEST_F(Menus, KeysSubMenusAndPostedCommands) {
  PushInputStep([] {
    platform::InjectKey(VK_DOWN);
    platform::InjectKey(VK_DOWN);  // skips the separator and the grayed item
    platform::InjectKey(VK_RETURN);
  });
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, main, nullptr), 103);
  PushInputStep([] { platform::InjectClick(platform::MouseButton::Left, Item(68)); });  // Device
  PushInputStep([] {
    RECT r{};
    GetWindowRect(GetActiveWindow() == nullptr ? nullptr : FindWindow("#32768", nullptr), &r);
    platform::InjectClick(platform::MouseButton::Left, POINT{r.left + 10, r.top + 25});  // PSP
  });
  ClearLog();
  EXPECT_TRUE(TrackPopupMenu(menu, TPM_RIGHTBUTTON, 100, 100, 0, main, nullptr));
  Pump();
  std::vector<WPARAM> commands;
  for (auto& l : Log())
    if (l.hwnd == main && l.msg == WM_COMMAND) commands.push_back(l.wParam);
  EXPECT_EQ(commands, std::vector<WPARAM>{202});
}

TEST_F(Menus, SystemMenusCanBeExtended) {
  HMENU sys = GetSystemMenu(main, FALSE);
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(GetSystemMenu(main, FALSE), sys);
  const int standard = GetMenuItemCount(sys);
  AppendMenu(sys, MF_SEPARATOR, 0, nullptr);
  AppendMenu(sys, MF_STRING, 16, "Narvell Vidarro 5.0");
  EXPECT_EQ(GetMenuItemCount(sys), standard + 2);
  EXPECT_EQ(GetMenuItemID(sys, standard + 1), 16u);
  EXPECT_EQ(GetSystemMenu(main, TRUE), nullptr);
  EXPECT_EQ(GetMenuItemCount(GetSystemMenu(main, FALSE)), standard);
  EXPECT_EQ(GetSystemMenu(nullptr, FALSE), nullptr);
}

TEST_F(Menus, ItemStateAndBadHandles) {
  EXPECT_EQ(GetMenuItemCount(menu), 5);
  EXPECT_EQ(CheckMenuItem(menu, 101, MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(GetMenuState(menu, 101, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  EXPECT_EQ(EnableMenuItem(menu, 102, MF_ENABLED), MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(menu, 999, MF_GRAYED), 0xFFFFFFFFu);
  EXPECT_EQ(CheckMenuItem(menu, 202, MF_CHECKED), MF_UNCHECKED);  // found in the sub-menu
  char text[16];
  EXPECT_EQ(GetMenuString(menu, 3, text, sizeof text, MF_BYPOSITION), 7);
  EXPECT_STREQ(text, "Publish");
  HMENU bogus = DwordToHandle<HMENU>(0x42);
  EXPECT_FALSE(IsMenu(bogus));
  EXPECT_FALSE(AppendMenu(bogus, MF_STRING, 1, "x"));
  EXPECT_EQ(GetMenuItemCount(bogus), -1);
  EXPECT_FALSE(TrackPopupMenu(bogus, TPM_RETURNCMD, 0, 0, 0, main, nullptr));
  EXPECT_EQ(LoadMenu(nullptr, MAKEINTRESOURCE(1)), nullptr);
}

}  // namespace
