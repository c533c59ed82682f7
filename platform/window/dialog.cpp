#include "platform/window/dialog.h"

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/base/strings.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"
#include "platform/window/focus.h"
#include "platform/window/input.h"
#include "platform/window/modal_loop.h"
#include "platform/window/monitors.h"
#include "platform/window/resources.h"
#include "platform/window/system_classes.h"
#include "platform/window/window_frame.h"

namespace {

// Base units when no font can be measured: average character width and height, in pixels.
constexpr int kBaseX = 6;
constexpr int kBaseY = 13;

struct BaseUnits {
  int x = kBaseX;
  int y = kBaseY;
};

struct DialogState {
  bool ended = false;
  INT_PTR result = 0;
  HWND savedFocus = nullptr;
  int defId = IDOK;
  HFONT font = nullptr;     // what WM_GETFONT answers
  HFONT ownFont = nullptr;  // made from the template, deleted with the dialog
  BaseUnits units;
};

// Rounds like MulDiv: half away from zero.
int Scale(int value, int numerator, int denominator) {
  const long long n = static_cast<long long>(value) * numerator;
  return static_cast<int>((n >= 0 ? n + denominator / 2 : n - denominator / 2) / denominator);
}

// A font's base units: its height and half the rounded-up average width of the 52 Latin letters.
bool MeasureUnits(HFONT font, BaseUnits* out) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return false;
  HGDIOBJ old = SelectObject(dc, font);
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  TEXTMETRIC tm{};
  SIZE extent{};
  const bool ok = old && GetTextMetrics(dc, &tm) && GetTextExtentPoint32(dc, kLetters, 52, &extent);
  if (old) SelectObject(dc, old);
  DeleteDC(dc);
  if (!ok || tm.tmHeight <= 0 || extent.cx <= 0) return false;
  out->x = (extent.cx / 26 + 1) / 2;
  out->y = tm.tmHeight;
  return true;
}

// The font a template asks for (a FONT line sets DS_SETFONT), at 96 pixels per inch.
HFONT TemplateFont(const platform::DialogTemplate& t) {
  if (!(t.style & DS_SETFONT) && t.fontName.empty()) return nullptr;
  const int points = t.pointSize > 0 && t.pointSize < 200 ? t.pointSize : 8;
  return CreateFont(-Scale(points, 96, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                    t.fontName.empty() ? "MS Shell Dlg" : t.fontName.c_str());
}

std::mutex g_mu;
std::map<HWND, DialogState>& States() {
  static auto* states = new std::map<HWND, DialogState>;
  return *states;
}

template <typename F>
auto WithState(HWND hwnd, F f) {
  std::lock_guard lock(g_mu);
  return f(States()[hwnd]);
}

bool IsDialog(HWND hwnd) {
  std::lock_guard lock(g_mu);
  return States().count(hwnd) != 0;
}

bool CanTakeFocus(HWND h) {
  const DWORD style = static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
  return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

HWND FirstTabItem(HWND dialog) {
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if ((GetWindowLong(c, GWL_STYLE) & WS_TABSTOP) && CanTakeFocus(c)) return c;
  return nullptr;
}

void FocusDefault(HWND dialog) {
  HWND saved = WithState(dialog, [](DialogState& s) { return s.savedFocus; });
  if (saved && IsWindow(saved) && IsChild(dialog, saved) && CanTakeFocus(saved)) {
    SetFocus(saved);
  } else if (HWND first = FirstTabItem(dialog)) {
    SetFocus(first);
  }
}

bool IsPushButton(HWND h) {
  const LRESULT code = SendMessage(h, WM_GETDLGCODE, 0, 0);
  return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

void ClickCommand(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button && !IsWindowEnabled(button)) return;
  SendMessage(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// Results that dialog procedures return directly instead of through DWL_MSGRESULT.
bool ReturnsDirectly(UINT msg) {
  return msg == WM_INITDIALOG || msg == WM_QUERYDRAGICON || (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC);
}

}  // namespace

namespace platform::win {

LRESULT DefDlgProcImpl(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtr(hwnd, DWLP_DLGPROC))) {
    SetWindowLongPtr(hwnd, DWLP_MSGRESULT, 0);
    INT_PTR r = proc(hwnd, msg, wParam, lParam);
    if (r) return ReturnsDirectly(msg) ? r : GetWindowLongPtr(hwnd, DWLP_MSGRESULT);
    if (!IsWindow(hwnd)) return 0;
  }
  return DefDlgProc(hwnd, msg, wParam, lParam);
}

}  // namespace platform::win

LRESULT DefDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE: ClickCommand(hwnd, IDCANCEL); return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) WithState(hwnd, [&](DialogState& s) { return s.savedFocus = focus; });
      } else {
        FocusDefault(hwnd);
      }
      return 0;
    case WM_SETFOCUS: FocusDefault(hwnd); return 0;
    case DM_GETDEFID:
      return MAKELONG(static_cast<WORD>(WithState(hwnd, [](DialogState& s) { return s.defId; })), DC_HASDEFID);
    case DM_SETDEFID: WithState(hwnd, [&](DialogState& s) { return s.defId = static_cast<int>(wParam); }); return TRUE;
    case WM_ERASEBKGND: {
      // The dialog's own colour, which a dialog procedure may choose through WM_CTLCOLORDLG.
      HDC dc = reinterpret_cast<HDC>(wParam);
      auto brush = reinterpret_cast<HBRUSH>(SendMessage(hwnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hwnd)));
      platform::win::FillBackground(hwnd, dc, brush);
      return 1;
    }
    case WM_SETFONT:
      WithState(hwnd, [&](DialogState& s) { return s.font = reinterpret_cast<HFONT>(wParam); });
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(WithState(hwnd, [](DialogState& s) { return s.font; }));
    case WM_NCDESTROY: {
      HFONT own = nullptr;
      {
        std::lock_guard lock(g_mu);
        auto it = States().find(hwnd);
        if (it != States().end()) own = it->second.ownFont;
        States().erase(hwnd);
      }
      if (own) DeleteObject(own);
      return 0;
    }
    case WM_INITDIALOG: return TRUE;
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

namespace {

// Units of dialogs without a font of their own: those of the font their controls draw with.
BaseUnits DefaultUnits() {
  static const BaseUnits units = [] {
    BaseUnits u;
    MeasureUnits(reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), &u);
    return u;
  }();
  return units;
}

void MapWithUnits(const BaseUnits& u, RECT* r) {
  r->left = Scale(r->left, u.x, 4);
  r->right = Scale(r->right, u.x, 4);
  r->top = Scale(r->top, u.y, 8);
  r->bottom = Scale(r->bottom, u.y, 8);
}

}  // namespace

LONG GetDialogBaseUnits() {
  const BaseUnits u = DefaultUnits();
  return MAKELONG(static_cast<WORD>(u.x), static_cast<WORD>(u.y));
}

BOOL MapDialogRect(HWND dialog, RECT* r) {
  if (!r) return FALSE;
  BaseUnits u = DefaultUnits();
  if (dialog) {
    std::lock_guard lock(g_mu);
    auto it = States().find(dialog);
    if (it != States().end()) u = it->second.units;
  }
  MapWithUnits(u, r);
  return TRUE;
}

HWND CreateDialogIndirectParam(HINSTANCE instance, const platform::DialogTemplate& t, HWND owner, DLGPROC proc,
                               LPARAM init) {
  if (owner && !IsWindow(owner)) owner = nullptr;
  DWORD style = t.style & ~WS_VISIBLE;
  const bool child = (style & WS_CHILD) != 0;
  if (!child) style |= WS_POPUP;
  HFONT font = TemplateFont(t);
  BaseUnits units = DefaultUnits();
  if (font && !MeasureUnits(font, &units)) units = DefaultUnits();
  RECT client{0, 0, t.cx, t.cy};
  MapWithUnits(units, &client);
  RECT frame = client;
  AdjustWindowRectEx(&frame, style, FALSE, t.exStyle);
  RECT pos{t.x, t.y, 0, 0};
  MapWithUnits(units, &pos);
  POINT origin{pos.left, pos.top};
  if (owner && !child) ClientToScreen(owner, &origin);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const char* cls = t.className.empty() ? WC_DIALOG : t.className.c_str();
  HWND parent = owner;
  if (owner && !child) parent = GetAncestor(owner, GA_ROOT);

  HWND dialog = CreateWindowEx(t.exStyle, cls, t.caption.c_str(), style, origin.x, origin.y, width, height, parent,
                               nullptr, instance, nullptr);
  if (!dialog) {
    if (font) DeleteObject(font);
    return nullptr;
  }
  {
    std::lock_guard lock(g_mu);
    DialogState state;
    state.ownFont = state.font = font;
    state.units = units;
    States()[dialog] = state;
  }
  SetWindowLongPtr(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
  if (font) SendMessage(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (const auto& item : t.items) {
    RECT r{item.x, item.y, item.x + item.cx, item.y + item.cy};
    MapDialogRect(dialog, &r);
    HWND control = CreateWindowEx(item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD,
                                  r.left, r.top, r.right - r.left, r.bottom - r.top, dialog,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance, nullptr);
    if (!control) {
      std::fprintf(stderr, "dialog \"%s\": control %d of unknown class \"%s\"\n", t.caption.c_str(), item.id,
                   item.className.c_str());
      DestroyWindow(dialog);
      return nullptr;
    }
    if (font) SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if ((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && platform::EqualsNoCase(item.className, "Button"))
      WithState(dialog, [&](DialogState& s) { return s.defId = item.id; });
  }
  if (t.style & DS_CENTER) {
    RECT area{};
    if (owner && !child) {
      GetWindowRect(GetAncestor(owner, GA_ROOT), &area);
    } else {
      MONITORINFO mi;
      GetMonitorInfo(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &mi);
      area = mi.rcWork;
    }
    const int x = area.left + ((area.right - area.left) - width) / 2;
    const int y = area.top + ((area.bottom - area.top) - height) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  HWND first = FirstTabItem(dialog);
  const LRESULT focusFirst = SendMessage(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), init);
  if (!IsWindow(dialog)) return nullptr;
  if (focusFirst && first && IsWindow(first)) WithState(dialog, [&](DialogState& s) { return s.savedFocus = first; });
  if (t.style & WS_VISIBLE) {
    ShowWindow(dialog, SW_SHOW);
    if (focusFirst && first && IsWindow(first)) SetFocus(first);
  }
  return dialog;
}

INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const platform::DialogTemplate& t, HWND owner, DLGPROC proc,
                               LPARAM init) {
  platform::DialogTemplate hidden = t;
  hidden.style &= ~WS_VISIBLE;
  HWND dialog = CreateDialogIndirectParam(instance, hidden, owner, proc, init);
  if (!dialog) return -1;
  return platform::RunModalDialog(dialog, [dialog](MSG& m) { return IsDialogMessage(dialog, &m) != FALSE; });
}

INT_PTR platform::RunModalDialog(HWND dialog, const std::function<bool(MSG&)>& filter) {
  HWND ownerRoot = GetWindow(dialog, GW_OWNER);
  const bool disableOwner = ownerRoot && IsWindowEnabled(ownerRoot);
  if (disableOwner) EnableWindow(ownerRoot, FALSE);
  INT_PTR result = IDCANCEL;
  if (!DialogEnded(dialog, &result)) {
    ShowWindow(dialog, SW_SHOW);
    auto end = RunModalLoop([&] { return !IsWindow(dialog) || DialogEnded(dialog, &result); }, filter);
    // A loop that ended without the dialog deciding (script ran out, quit) counts as Cancel.
    if (end != ModalEnd::Ended) result = IDCANCEL;
  }
  // The owner comes back before the dialog goes, so activation returns to it.
  if (disableOwner) EnableWindow(ownerRoot, TRUE);
  if (IsWindow(dialog)) DestroyWindow(dialog);
  return result;
}

HWND CreateDialogParam(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM init) {
  auto t = platform::LoadDialogTemplate(instance, name);
  if (!t) return nullptr;
  return CreateDialogIndirectParam(instance, *t, owner, proc, init);
}

INT_PTR DialogBoxParam(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM init) {
  auto t = platform::LoadDialogTemplate(instance, name);
  if (!t) return -1;
  return DialogBoxIndirectParam(instance, *t, owner, proc, init);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  if (!IsWindow(dialog) || !IsDialog(dialog)) return FALSE;
  WithState(dialog, [&](DialogState& s) {
    s.ended = true;
    s.result = result;
    return true;
  });
  PostMessage(dialog, WM_NULL, 0, 0);  // wakes the modal loop
  return TRUE;
}

namespace platform {
bool DialogEnded(HWND dialog, INT_PTR* result) {
  std::lock_guard lock(g_mu);
  auto it = States().find(dialog);
  if (it == States().end() || !it->second.ended) return false;
  if (result) *result = it->second.result;
  return true;
}
}  // namespace platform

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> items;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if ((GetWindowLong(c, GWL_STYLE) & WS_TABSTOP) && CanTakeFocus(c)) items.push_back(c);
  if (items.empty()) return nullptr;
  auto it = std::find(items.begin(), items.end(), control);
  if (it == items.end()) return previous ? items.back() : items.front();
  const size_t i = static_cast<size_t>(it - items.begin());
  return previous ? items[(i + items.size() - 1) % items.size()] : items[(i + 1) % items.size()];
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  // The group runs from a WS_GROUP control to the control before the next WS_GROUP one.
  std::vector<HWND> all;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) all.push_back(c);
  auto it = std::find(all.begin(), all.end(), control);
  if (it == all.end()) return nullptr;
  size_t start = static_cast<size_t>(it - all.begin());
  while (start > 0 && !(GetWindowLong(all[start], GWL_STYLE) & WS_GROUP)) --start;
  size_t end = static_cast<size_t>(it - all.begin()) + 1;
  while (end < all.size() && !(GetWindowLong(all[end], GWL_STYLE) & WS_GROUP)) ++end;
  std::vector<HWND> group;
  for (size_t i = start; i < end; ++i)
    if (CanTakeFocus(all[i])) group.push_back(all[i]);
  auto g = std::find(group.begin(), group.end(), control);
  if (group.empty() || g == group.end()) return control;
  const size_t i = static_cast<size_t>(g - group.begin());
  return previous ? group[(i + group.size() - 1) % group.size()] : group[(i + 1) % group.size()];
}

BOOL IsDialogMessage(HWND dialog, MSG* msg) {
  if (!msg || !IsWindow(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    const LRESULT code = SendMessage(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    if (!(code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))) {
      switch (msg->wParam) {
        case VK_TAB:
          if (!(code & DLGC_WANTTAB)) {
            const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
            if (HWND next = GetNextDlgTabItem(dialog, GetFocus(), back)) SetFocus(next);
            return TRUE;
          }
          break;
        case VK_RETURN: {
          HWND focus = GetFocus();
          int id = LOWORD(static_cast<DWORD>(SendMessage(dialog, DM_GETDEFID, 0, 0)));
          if (focus && IsChild(dialog, focus) && IsPushButton(focus)) id = GetDlgCtrlID(focus);
          ClickCommand(dialog, id);
          return TRUE;
        }
        case VK_ESCAPE: ClickCommand(dialog, IDCANCEL); return TRUE;
        default: break;
      }
    }
  }
  TranslateMessage(msg);
  DispatchMessage(msg);
  return TRUE;
}

UINT GetDlgItemText(HWND dialog, int id, LPSTR buffer, int size) {
  HWND item = GetDlgItem(dialog, id);
  if (!item) {
    if (buffer && size > 0) buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowText(item, buffer, size));
}

BOOL SetDlgItemText(HWND dialog, int id, LPCSTR text) {
  HWND item = GetDlgItem(dialog, id);
  return item ? SetWindowText(item, text) : FALSE;
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  char buffer[64];
  if (!GetDlgItemText(dialog, id, buffer, sizeof buffer)) return 0;
  char* end = nullptr;
  const long long v = std::strtoll(buffer, &end, 10);
  while (end && *end == ' ') ++end;
  if (!end || end == buffer || *end) return 0;
  if (!isSigned && v < 0) return 0;
  if (v > 0xFFFFFFFFLL || v < -0x80000000LL) return 0;
  if (translated) *translated = TRUE;
  return static_cast<UINT>(v);
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  char buffer[32];
  if (isSigned) std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
  else std::snprintf(buffer, sizeof buffer, "%u", value);
  return SetDlgItemText(dialog, id, buffer);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND item = GetDlgItem(dialog, id);
  if (!item) return FALSE;
  SendMessage(item, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item ? static_cast<UINT>(SendMessage(item, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
  bool any = false;
  for (int id = first; id <= last; ++id) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) continue;
    any = true;
    SendMessage(item, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return any ? TRUE : FALSE;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND item = GetDlgItem(dialog, id);
  return item ? SendMessage(item, msg, wParam, lParam) : 0;
}
