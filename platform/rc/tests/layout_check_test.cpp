// Every dialog of every program, laid out as the window system lays out its template: visible
// controls that cover one another and texts their control cuts off. What a dialog means to
// stack (a picture or a group box behind its labels) is no fault; the rest is mended in the
// script or named below as meant.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/base/module.h"
#include "platform/controls/commctrl.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"
#include "platform/window/dialog.h"
#include "platform/window/resources.h"
#include "platform/window/window.h"

namespace {

// The program libraries that hold dialogs.
const char* const kLibraries[] = {"Vidarro5UI", "Vidarro5Extra", "Quillon",   "Auvry",
                                  "Lanvik",     "Wendrel",       "ParvelLng", "CorrinLng"};

// Reports that are meant: a skinned window places these controls itself when it shows, or
// paints one over another on purpose.
const std::set<std::string> kMeant = {
#include "layout_check_meant.inc"
};

INT_PTR QuietProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG ? FALSE : FALSE; }

struct Control {
  HWND hwnd;
  std::string cls;
  std::string text;
  DWORD style;
  RECT rect;  // in the dialog
};

std::string ClassOf(HWND h) {
  char name[64] = {};
  GetClassName(h, name, sizeof name);
  std::string s = name;
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string TextOf(HWND h) {
  std::string text(static_cast<size_t>(GetWindowTextLength(h)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowText(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Pictures, frames and group boxes sit behind what they hold.
bool MeantToBeCovered(const Control& c) {
  if (c.cls == "button") return (c.style & BS_TYPEMASK) == BS_GROUPBOX;
  if (c.cls != "static") return false;
  const DWORD type = c.style & SS_TYPEMASK;
  return type == SS_ICON || type == SS_BITMAP || (type >= 0x4 && type <= 0x9) || type >= 0x10 || type == SS_OWNERDRAW;
}

// Whether the control's text needs more room than the control gives it.
bool Clipped(const Control& c) {
  if (c.text.empty()) return false;
  UINT format = DT_CALCRECT;
  int room = 0;  // taken by a check mark or a push button's edge
  if (c.cls == "static") {
    const DWORD type = c.style & SS_TYPEMASK;
    if (type > SS_RIGHT && type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP) return false;
    if (c.style & SS_ENDELLIPSIS) return false;
    format |= (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP) ? DT_SINGLELINE : DT_WORDBREAK;
    if (c.style & SS_NOPREFIX) format |= DT_NOPREFIX;
  } else if (c.cls == "button") {
    const DWORD type = c.style & BS_TYPEMASK;
    if (type == BS_OWNERDRAW || type == BS_GROUPBOX) return false;
    room = (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) ? 4 : 16;
    format |= (c.style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
  } else {
    return false;
  }
  RECT client{};
  GetClientRect(c.hwnd, &client);
  HDC dc = GetDC(c.hwnd);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(c.hwnd, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, std::max<LONG>(1, client.right - room), 0};
  DrawText(dc, c.text.c_str(), -1, &needed, format);
  SelectObject(dc, old);
  ReleaseDC(c.hwnd, dc);
  return needed.right + room > client.right || needed.bottom > client.bottom;
}

std::string Name(const Control& c) {
  return std::to_string(GetDlgCtrlID(c.hwnd)) + (c.text.empty() ? "" : " \"" + c.text.substr(0, 24) + "\"");
}

// A dialog whose template names a class only its program registers is laid out with statics in
// their place: the places are what is checked.
// Pages and frames are child dialogs: they are laid out inside a host window.
std::vector<std::string> CheckDialog(HMODULE module, const std::string& library, int id, HWND host) {
  std::optional<platform::DialogTemplate> t = platform::LoadDialogTemplate(module, MAKEINTRESOURCE(id));
  if (!t) return {};
  t->style &= ~WS_VISIBLE;
  HWND dialog = CreateDialogIndirectParam(module, *t, host, QuietProc, 0);
  if (!dialog) {
    for (auto& item : t->items) {
      WNDCLASS known;
      if (!GetClassInfo(nullptr, item.className.c_str(), &known)) item.className = "Static";
    }
    dialog = CreateDialogIndirectParam(module, *t, host, QuietProc, 0);
  }
  const std::string where = library + " " + std::to_string(id) + ": ";
  if (!dialog) return {where + "cannot be made"};
  std::vector<Control> controls;
  for (HWND h = GetWindow(dialog, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    Control c{h, ClassOf(h), TextOf(h), static_cast<DWORD>(GetWindowLong(h, GWL_STYLE)), {}};
    if (!(c.style & WS_VISIBLE)) continue;
    GetWindowRect(h, &c.rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&c.rect), 2);
    controls.push_back(c);
  }
  std::vector<std::string> reports;
  for (size_t a = 0; a < controls.size(); ++a) {
    if (Clipped(controls[a])) reports.push_back(where + Name(controls[a]) + " is cut off");
    if (MeantToBeCovered(controls[a])) continue;
    for (size_t b = a + 1; b < controls.size(); ++b) {
      RECT both;
      if (MeantToBeCovered(controls[b]) || !IntersectRect(&both, &controls[a].rect, &controls[b].rect)) continue;
      reports.push_back(where + Name(controls[a]) + " overlaps " + Name(controls[b]));
    }
  }
  DestroyWindow(dialog);
  return reports;
}

TEST(LayoutCheck, NoDialogOfAnyProgramCoversOrCutsOffItsOwnControls) {
  InitCommonControls();
  HWND host = CreateWindowEx(0, "Static", "Host", WS_POPUP, 0, 0, 1280, 800, nullptr, nullptr, nullptr, nullptr);
  std::set<std::string> reported;
  int dialogs = 0;
  for (const char* library : kLibraries) {
    HMODULE module = LoadLibrary((std::string(library) + ".dll").c_str());
    ASSERT_NE(module, nullptr) << library << ": " << platform::LastModuleError();
    for (int id = 1; id < 32768; ++id) {
      if (!FindResource(module, MAKEINTRESOURCE(id), RT_DIALOG)) continue;
      ++dialogs;
      for (const std::string& r : CheckDialog(module, library, id, host)) reported.insert(r);
    }
    FreeLibrary(module);
  }
  DestroyWindow(host);
  EXPECT_GT(dialogs, 20);
  std::string unexpected, stale;
  for (const std::string& r : reported)
    if (!kMeant.count(r)) unexpected += "  \"" + r + "\",\n";
  for (const std::string& m : kMeant)
    if (!reported.count(m)) stale += "  " + m + "\n";
  EXPECT_TRUE(unexpected.empty()) << "mend these layouts, or list them as meant:\n" << unexpected;
  EXPECT_TRUE(stale.empty()) << "listed as meant but no longer reported:\n" << stale;
}

}  // namespace
