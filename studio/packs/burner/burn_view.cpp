#include "burn_view.h"

#include <algorithm>

#include "platform/controls/commctrl.h"
#include "platform/gdi/sys_colors.h"
#include "platform/window/dialog.h"
#include "platform/window/window.h"

namespace studio::packs {
namespace {

constexpr const char* kClassName = "VidarroBurnerPack";
constexpr int kGap = 8;
constexpr int kRowHeight = 22;

void RegisterViewClass(WNDPROC proc) {
  static const bool registered = [proc] {
    WNDCLASS wc{};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = kClassName;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    return RegisterClass(&wc) != 0;
  }();
  (void)registered;
}

HWND Child(const char* cls, const char* text, DWORD style, int id, HWND parent) {
  return CreateWindowEx(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

}  // namespace

BurnView::~BurnView() { Destroy(); }

bool BurnView::Create(DWORD style, const RECT& area, HWND parent) {
  if (window_) return false;
  RegisterViewClass(&BurnView::Proc);
  window_ = CreateWindowEx(0, kClassName, "Burn", style | WS_CLIPCHILDREN, area.left, area.top, area.right - area.left,
                           area.bottom - area.top, parent, nullptr, nullptr, nullptr);
  if (!window_) return false;
  SetWindowLongPtr(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Child("LISTBOX", "Burn list", WS_BORDER | WS_VSCROLL, kListId, window_);
  Child(WC_STATIC, "Ready to burn.", SS_LEFT, kPhaseId, window_);
  Child(PROGRESS_CLASS, "", 0, kBarId, window_);
  HWND cancel = Child(WC_BUTTON, "Cancel", BS_PUSHBUTTON, kCancelId, window_);
  SendDlgItemMessage(window_, kBarId, PBM_SETRANGE32, 0, 100);
  EnableWindow(cancel, FALSE);
  Layout();
  return true;
}

void BurnView::Destroy() {
  if (!window_) return;
  SetWindowLongPtr(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  window_ = nullptr;
}

void BurnView::Move(const RECT& area) {
  if (window_) MoveWindow(window_, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

void BurnView::Layout() {
  RECT client{};
  GetClientRect(window_, &client);
  const int width = client.right - kGap * 2;
  const int progressTop = client.bottom - kGap - kRowHeight * 2 - kGap;
  MoveWindow(GetDlgItem(window_, kListId), kGap, kGap, width, std::max(kRowHeight, progressTop - kGap * 2), TRUE);
  MoveWindow(GetDlgItem(window_, kPhaseId), kGap, progressTop, width, kRowHeight, TRUE);
  const int cancelWidth = 90;
  const int barTop = progressTop + kRowHeight + kGap / 2;
  MoveWindow(GetDlgItem(window_, kBarId), kGap, barTop, std::max(10, width - cancelWidth - kGap), kRowHeight, TRUE);
  MoveWindow(GetDlgItem(window_, kCancelId), client.right - kGap - cancelWidth, barTop, cancelWidth, kRowHeight, TRUE);
}

void BurnView::SetList(const std::vector<std::string>& names) {
  if (!window_) return;
  HWND list = GetDlgItem(window_, kListId);
  SendMessage(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& name : names) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void BurnView::ShowProgress(const std::string& phase, int percent) {
  if (!window_) return;
  const std::string text = phase + "... " + std::to_string(percent) + " %";
  SetDlgItemText(window_, kPhaseId, text.c_str());
  SendDlgItemMessage(window_, kBarId, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  EnableWindow(GetDlgItem(window_, kCancelId), TRUE);
}

void BurnView::ShowEnd(const std::string& text, bool burned) {
  if (!window_) return;
  SetDlgItemText(window_, kPhaseId, text.c_str());
  SendDlgItemMessage(window_, kBarId, PBM_SETPOS, burned ? 100 : 0, 0);
  EnableWindow(GetDlgItem(window_, kCancelId), FALSE);
}

LRESULT BurnView::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* view = reinterpret_cast<BurnView*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (view) {
    if (msg == WM_SIZE) view->Layout();
    if (msg == WM_COMMAND && LOWORD(wParam) == kCancelId && HIWORD(wParam) == BN_CLICKED && view->onCancel) {
      view->onCancel();
      return 0;
    }
    if (msg >= WM_APP && msg < WM_APP + 16 && view->onMessage) {
      view->onMessage(msg);
      return 0;
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace studio::packs
