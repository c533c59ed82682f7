#include "loading_dlg.h"

#include <cstdlib>

#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/window/monitors.h"
#include "platform/window/resources.h"
#include "product.h"
#include "quillon_ids.h"

namespace studio {
namespace {

constexpr UINT WM_LOADING_CLOSE = WM_APP + 165;
constexpr UINT kExtraSplashBitmap = 3001;
constexpr UINT kUiSplashBitmap = 1401;
constexpr UINT kExtraLabelX = 4001;
constexpr UINT kExtraLabelY = 4002;

int NumberOrDefault(HMODULE module, UINT id, int fallback) {
  const std::string text = platform::LoadStdString(module, id).value_or("");
  return text.empty() ? fallback : std::atoi(text.c_str());
}

}  // namespace

BEGIN_MESSAGE_MAP(CLoadingDlg, CDialog)
ON_WM_TIMER()
ON_WM_CTLCOLOR()
ON_MESSAGE(WM_LOADING_CLOSE, &CLoadingDlg::OnCloseRequest)
END_MESSAGE_MAP()

CLoadingDlg::CLoadingDlg(HMODULE extraLibrary, HMODULE uiLibrary)
    : CDialog(IDD_LOADING, nullptr), extra_(extraLibrary), ui_(uiLibrary) {}

CLoadingDlg::~CLoadingDlg() {
  Join();
  if (brush_) ::DeleteObject(brush_);
}

std::string CLoadingDlg::LabelSuffix(int tick) {
  static constexpr const char* kSuffixes[] = {"", " .", " . .", " . . .", " . . ."};
  return kSuffixes[((tick % 5) + 5) % 5];
}

void CLoadingDlg::StartThread() {
  // The splash keeps a loop of its own: no modal loop of the program's thread (nor a test's
  // script of dialogs) is ever run on this one.
  thread_ = std::thread([this] {
    if (Create(IDD_LOADING, nullptr)) {
      ShowWindow(SW_SHOW);
      while (!closed_) {
        MSG message;
        if (::PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
          ::TranslateMessage(&message);
          ::DispatchMessage(&message);
        } else {
          ::WaitMessage();
        }
      }
      DestroyWindow();
    }
    ended_ = true;
  });
}

void CLoadingDlg::StartClose() {
  closeAsked_ = true;
  // The splash's own thread sets its close timer; a window not made yet sees the flag.
  if (HWND window = m_hWnd) ::PostMessage(window, WM_LOADING_CLOSE, 0, 0);
}

void CLoadingDlg::EndNow() {
  endNow_ = true;
  if (HWND window = m_hWnd) ::PostMessage(window, WM_LOADING_CLOSE, 1, 0);
}

void CLoadingDlg::Join() {
  if (thread_.joinable()) thread_.join();
}

void CLoadingDlg::SetPatternBrush(HMODULE module, UINT bitmapId) {
  if (!module) return;
  HBITMAP bitmap = ::LoadBitmap(module, MAKEINTRESOURCE(bitmapId));
  if (!bitmap) return;
  BITMAP info{};
  ::GetObject(bitmap, sizeof info, &info);
  bitmapWidth_ = info.bmWidth;
  bitmapHeight_ = info.bmHeight;
  brush_ = ::CreatePatternBrush(bitmap);
  ::DeleteObject(bitmap);
}

BOOL CLoadingDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (extra_) SetPatternBrush(extra_, kExtraSplashBitmap);
  else SetPatternBrush(ui_, kUiSplashBitmap);
  GetDlgItemText(IDC_LOADING_LABEL, baseText_);
  int x = 25, y = 175;
  if (extra_) {
    x = NumberOrDefault(extra_, kExtraLabelX, 84);
    y = NumberOrDefault(extra_, kExtraLabelY, 216);
  }
  if (HWND label = ::GetDlgItem(m_hWnd, IDC_LOADING_LABEL)) ::MoveWindow(label, x, y, 150, 30, TRUE);
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  ::MoveWindow(m_hWnd, (cx - bitmapWidth_) / 2, (cy - bitmapHeight_) / 2, bitmapWidth_, bitmapHeight_, TRUE);
  SetWindowText(kProductTitle);
  SetTimer(kTickTimer, kTickMs);
  if (closeAsked_) SetTimer(kCloseTimer, kCloseMs);
  if (endNow_) ::PostMessage(m_hWnd, WM_LOADING_CLOSE, 1, 0);
  return TRUE;
}

LRESULT CLoadingDlg::OnCloseRequest(WPARAM now, LPARAM) {
  if (now) {
    OnTimer(kCloseTimer);
    return 0;
  }
  SetTimer(kCloseTimer, kCloseMs);
  return 0;
}

void CLoadingDlg::OnTimer(UINT_PTR id) {
  if (id == kTickTimer) {
    const int old = tick_++;
    SetDlgItemText(IDC_LOADING_LABEL, (baseText_ + LabelSuffix(old)).c_str());
  } else if (id == kCloseTimer) {
    KillTimer(kTickTimer);
    KillTimer(kCloseTimer);
    closed_ = true;
  }
}

HBRUSH CLoadingDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  HDC hdc = dc->GetSafeHdc();
  ::SetBkMode(hdc, TRANSPARENT);
  if (ctlColor == CTLCOLOR_STATIC && wnd) {
    static constexpr COLORREF kLabelColours[] = {RGB(50, 50, 210), RGB(50, 210, 50), RGB(210, 50, 50)};
    ::SetTextColor(hdc, wnd->GetDlgCtrlID() == IDC_LOADING_LABEL ? kLabelColours[tick_ % 3] : RGB(210, 10, 10));
  }
  if (!brush_) return CDialog::OnCtlColor(dc, wnd, ctlColor);
  // The bitmap runs on under the control.
  if (wnd && wnd->m_hWnd != m_hWnd) {
    RECT r;
    ::GetWindowRect(wnd->m_hWnd, &r);
    POINT origin{r.left, r.top};
    ::ScreenToClient(m_hWnd, &origin);
    ::SetBrushOrgEx(hdc, -origin.x, -origin.y, nullptr);
  }
  return brush_;
}

}  // namespace studio
