#include "platform/controls/gallery_page.h"

#include <cstring>
#include <functional>

#include "platform/controls/commctrl.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/window/focus.h"
#include "platform/window/window_surface.h"

namespace platform {
namespace {

constexpr int kPageWidth = 960;
constexpr int kPageHeight = 620;

LRESULT PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) {
      RECT all{0, 0, kPageWidth, kPageHeight};
      FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
      SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      static const char* kRows[] = {"Buttons",           "Check boxes and radio buttons",
                                    "Statics and edits", "Lists and combo boxes",
                                    "Bars and ranges",   "List and tree views"};
      for (int i = 0; i < 6; ++i) TextOut(dc, 8, 4 + i * 100, kRows[i], static_cast<int>(std::strlen(kRows[i])));
    }
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

void Pump() {
  for (int round = 0; round < 10; ++round) {
    MSG m;
    int n = 0;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
      ++n;
    }
    if (!n) break;
  }
}

}  // namespace

std::vector<std::string> WriteControlsGalleryPage(const std::string& folder, std::string* error) {
  std::vector<std::string> written;
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return std::vector<std::string>{};
  };
  InitCommonControls();
  static bool registered = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = PageProc;
    wc.lpszClassName = "VidarroControlsGalleryPage";
    return RegisterClass(&wc) != 0;
  }();
  if (!registered) return fail("the page class could not be registered");
  HWND page = CreateWindowEx(0, "VidarroControlsGalleryPage", "Controls", WS_POPUP | WS_VISIBLE, 20, 20, kPageWidth,
                             kPageHeight, nullptr, nullptr, nullptr, nullptr);
  if (!page) return fail("the page window could not be created");
  HFONT font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  int nextId = 100;
  auto make = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h, DWORD ex = 0) {
    HWND c = CreateWindowEx(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, page,
                            reinterpret_cast<HMENU>(static_cast<intptr_t>(nextId++)), nullptr, nullptr);
    if (c) SendMessage(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
  };
  // One shot of a control in a state, taken after the state is set and painted.
  struct Shot {
    std::string name;
    HWND hwnd;
  };
  std::vector<Shot> shots;
  auto shot = [&](const std::string& name, HWND h) { shots.push_back({name, h}); };

  int y = 22;
  shot("button_normal", make(WC_BUTTON, "Record", BS_PUSHBUTTON, 10, y, 100, 28));
  shot("button_default", make(WC_BUTTON, "Next >", BS_DEFPUSHBUTTON, 120, y, 100, 28));
  HWND pressed = make(WC_BUTTON, "Pressed", BS_PUSHBUTTON, 230, y, 100, 28);
  SendMessage(pressed, BM_SETSTATE, TRUE, 0);
  shot("button_pressed", pressed);
  HWND disabled = make(WC_BUTTON, "&Burn", BS_PUSHBUTTON | WS_DISABLED, 340, y, 100, 28);
  shot("button_disabled", disabled);
  shot("groupbox", make(WC_BUTTON, "Output", BS_GROUPBOX, 450, y - 6, 200, 60));

  y = 122;
  shot("checkbox_unchecked", make(WC_BUTTON, "Deinterlace", BS_AUTOCHECKBOX, 10, y, 120, 20));
  HWND checked = make(WC_BUTTON, "Audio", BS_AUTOCHECKBOX, 140, y, 120, 20);
  SendMessage(checked, BM_SETCHECK, BST_CHECKED, 0);
  shot("checkbox_checked", checked);
  HWND mixed = make(WC_BUTTON, "Mixed", BS_AUTO3STATE, 270, y, 120, 20);
  SendMessage(mixed, BM_SETCHECK, BST_INDETERMINATE, 0);
  shot("checkbox_indeterminate", mixed);
  shot("checkbox_disabled", make(WC_BUTTON, "Disabled", BS_AUTOCHECKBOX | WS_DISABLED, 400, y, 120, 20));
  HWND radio = make(WC_BUTTON, "DVD", BS_AUTORADIOBUTTON | WS_GROUP, 10, y + 30, 120, 20);
  SendMessage(radio, BM_SETCHECK, BST_CHECKED, 0);
  shot("radio_checked", radio);
  shot("radio_unchecked", make(WC_BUTTON, "Blu-ray", BS_AUTORADIOBUTTON, 140, y + 30, 120, 20));

  y = 222;
  shot("static_text", make(WC_STATIC, "Recording time: 00:12:30", SS_LEFT, 10, y, 180, 20));
  shot("static_etched", make(WC_STATIC, "", SS_ETCHEDFRAME, 200, y, 60, 30));
  shot("edit_normal", make(WC_EDIT, "My first clip", ES_AUTOHSCROLL, 280, y, 160, 24, WS_EX_CLIENTEDGE));
  HWND focused = make(WC_EDIT, "Selected text", ES_AUTOHSCROLL, 450, y, 160, 24, WS_EX_CLIENTEDGE);
  shot("edit_readonly", make(WC_EDIT, "Read only", ES_READONLY, 620, y, 140, 24, WS_EX_CLIENTEDGE));
  shot("edit_disabled", make(WC_EDIT, "Disabled", WS_DISABLED, 770, y, 140, 24, WS_EX_CLIENTEDGE));
  shot("edit_multiline", make(WC_EDIT, "Line one\r\nLine two", ES_MULTILINE, 280, y + 30, 160, 44, WS_EX_CLIENTEDGE));

  y = 322;
  HWND list = make(WC_LISTBOX, "", LBS_NOTIFY, 10, y, 160, 80, WS_EX_CLIENTEDGE);
  for (const char* s : {"VCD", "SVCD", "DVD", "Long DVD"})
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessage(list, LB_SETCURSEL, 2, 0);
  shot("listbox", list);
  HWND combo = make(WC_COMBOBOX, "", CBS_DROPDOWNLIST, 190, y, 160, 120);
  for (const char* s : {"NTSC", "PAL"}) SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessage(combo, CB_SETCURSEL, 1, 0);
  shot("combo_closed", combo);
  shot("combo_disabled", make(WC_COMBOBOX, "", CBS_DROPDOWNLIST | WS_DISABLED, 370, y, 160, 120));

  y = 422;
  HWND sb = make(WC_SCROLLBAR, "", SBS_HORZ, 10, y, 200, 17);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMax = 99;
  si.nPage = 20;
  si.nPos = 30;
  SetScrollInfo(sb, SB_CTL, &si, FALSE);
  shot("scrollbar", sb);
  HWND buddy = make(WC_EDIT, "", 0, 230, y, 60, 22, WS_EX_CLIENTEDGE);
  HWND spin = make(UPDOWN_CLASS, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT, 0, 0, 16, 22);
  SendMessage(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
  SendMessage(spin, UDM_SETRANGE32, 0, 99);
  SendMessage(spin, UDM_SETPOS32, 0, 42);
  shot("updown", spin);
  HWND progress = make(PROGRESS_CLASS, "", PBS_SMOOTH, 310, y, 200, 18);
  SendMessage(progress, PBM_SETPOS, 65, 0);
  shot("progress", progress);
  HWND track = make(TRACKBAR_CLASS, "", TBS_AUTOTICKS, 530, y - 6, 200, 32);
  SendMessage(track, TBM_SETTICFREQ, 10, 0);
  SendMessage(track, TBM_SETPOS, TRUE, 40);
  shot("trackbar", track);

  y = 522;
  HWND lv = make(WC_LISTVIEW, "", LVS_REPORT | LVS_SHOWSELALWAYS, 10, y - 8, 380, 90, WS_EX_CLIENTEDGE);
  LVCOLUMN col;
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.cx = 180;
  col.pszText = const_cast<LPSTR>("File");
  SendMessage(lv, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&col));
  col.pszText = const_cast<LPSTR>("Size");
  col.cx = 100;
  SendMessage(lv, LVM_INSERTCOLUMN, 1, reinterpret_cast<LPARAM>(&col));
  const char* files[] = {"DVD_101500.mpg", "HDV_113000.m2ts", "Capture.avi"};
  for (int i = 0; i < 3; ++i) {
    LVITEM it;
    it.mask = LVIF_TEXT;
    it.iItem = i;
    it.pszText = const_cast<LPSTR>(files[i]);
    SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
  }
  LVITEM sel;
  sel.state = LVIS_SELECTED;
  sel.stateMask = LVIS_SELECTED;
  SendMessage(lv, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&sel));
  SendMessage(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  shot("listview_report", lv);
  HWND tv = make(WC_TREEVIEW, "", TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 410, y - 8, 220, 90,
                 WS_EX_CLIENTEDGE);
  TVINSERTSTRUCT is;
  is.hInsertAfter = TVI_LAST;
  is.item.mask = TVIF_TEXT;
  is.hParent = TVI_ROOT;
  is.item.pszText = const_cast<LPSTR>("Documents");
  auto docs = reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  is.hParent = docs;
  is.item.pszText = const_cast<LPSTR>("Vidarro 5");
  auto v5 = reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  is.hParent = TVI_ROOT;
  is.item.pszText = const_cast<LPSTR>("Music");
  SendMessage(tv, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is));
  SendMessage(tv, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(v5));
  shot("treeview", tv);

  SetFocus(focused);
  SendMessage(focused, EM_SETSEL, 0, 8);
  shot("edit_focused", focused);
  Pump();
  UpdateWindow(page);
  RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump();

  const std::string dir = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  if (!WriteWindowPng(page, dir + "controls.png")) {
    DestroyWindow(page);
    return fail("the page picture could not be written");
  }
  written.push_back(dir + "controls.png");
  for (const Shot& s : shots) {
    if (s.hwnd && WriteWindowPng(s.hwnd, dir + s.name + ".png")) written.push_back(dir + s.name + ".png");
  }
  // The combo box's drop list is a popup of its own: the screen picture shows it.
  SetFocus(combo);
  SendMessage(combo, CB_SHOWDROPDOWN, TRUE, 0);
  Pump();
  if (WriteScreenPng(dir + "combo_dropped.png")) written.push_back(dir + "combo_dropped.png");
  SendMessage(combo, CB_SHOWDROPDOWN, FALSE, 0);
  // A focused push button.
  HWND first = shots.front().hwnd;
  SetFocus(first);
  Pump();
  if (WriteWindowPng(first, dir + "button_focused.png")) written.push_back(dir + "button_focused.png");
  DestroyWindow(page);
  Pump();
  return written;
}

}  // namespace platform
