#include "small_dialogs.h"

#include "capture/capture_graph.h"
#include "capture/dv_capture_graph.h"
#include "capture_graphs.h"
#include "platform/window/afx_app.h"
#include "platform/window/menu.h"
#include "platform/window/monitors.h"
#include "platform/window/resources.h"
#include "wizard_ids.h"
#include "wizard_text.h"

namespace {
constexpr UINT kWmDisplayChange = 0x007E;
}

// ---- transparent label

BEGIN_MESSAGE_MAP(CTransparentLabel, CStatic)
ON_WM_ERASEBKGND()
ON_WM_PAINT()
END_MESSAGE_MAP()

void CTransparentLabel::PreSubclassWindow() {
  CStatic::PreSubclassWindow();
  m_format = (GetStyle() & 0xFF) | DT_WORDBREAK;
  m_text = GetWindowText();
}

void CTransparentLabel::SetSourceRect(int x, int y, int cx, int cy) {
  m_source = RECT{x, y, x + cx, y + cy};
  if (m_hWnd) Invalidate();
}

void CTransparentLabel::SetText(const std::string& text) {
  m_text = text;
  if (m_hWnd) Invalidate();
}

BOOL CTransparentLabel::OnEraseBkgnd(CDC* dc) {
  if (!m_background) return CStatic::OnEraseBkgnd(dc);
  RECT client;
  GetClientRect(&client);
  HDC source = ::CreateCompatibleDC(dc->GetSafeHdc());
  HGDIOBJ old = ::SelectObject(source, m_background);
  ::BitBlt(dc->GetSafeHdc(), 0, 0, client.right, client.bottom, source, m_source.left, m_source.top, SRCCOPY);
  ::SelectObject(source, old);
  ::DeleteDC(source);
  HGDIOBJ oldFont = ::SelectObject(dc->GetSafeHdc(), reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
  ::SetBkMode(dc->GetSafeHdc(), TRANSPARENT);
  ::SetTextColor(dc->GetSafeHdc(), m_colour);
  ::DrawText(dc->GetSafeHdc(), m_text.c_str(), -1, &client, m_format);
  ::SelectObject(dc->GetSafeHdc(), oldFont);
  return TRUE;
}

void CTransparentLabel::OnPaint() {
  // Without a background it paints as a plain static does.
  if (!m_background) return CStatic::OnPaint();
  ValidateRect(nullptr);
}

// ---- balloon tip (213)

BEGIN_MESSAGE_MAP(CBalloonTipDialog, CDialog)
ON_WM_PAINT()
ON_WM_TIMER()
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CBalloonTipDialog::CBalloonTipDialog(HWND target, CWnd* parent)
    : CDialog(IDD_BALLOON_TIP, parent), m_target(target), m_text(wizard::Text(IDS_BALLOON_TEXT)) {}

BOOL CBalloonTipDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  ModifyStyle(WS_CAPTION, WS_POPUP);
  const int w = 280, h = 140;
  SetWindowPos(nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HRGN body = ::CreateEllipticRgn(10, 0, w, h);
  const POINT pointer[3] = {{0, h / 2 - 10}, {15, h / 2 - 5}, {15, h / 2 + 5}};
  HRGN tip = ::CreatePolygonRgn(pointer, 3, WINDING);
  ::CombineRgn(body, body, tip, RGN_OR);
  ::DeleteObject(tip);
  SetWindowRgn(body, FALSE);
  const double halfW = (w - 10) / 2.0 * 0.70710856, halfH = h / 2.0 * 0.70710856;
  const int cx = 10 + (w - 10) / 2, cy = h / 2;
  m_textRect = RECT{static_cast<int>(cx - halfW), static_cast<int>(cy - halfH), static_cast<int>(cx + halfW),
                    static_cast<int>(cy + halfH)};
  std::string face = wizard::Text(IDS_FONT_FACE);
  if (face.empty()) face = "Arial";
  m_font.CreateFont(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face.c_str());
  if (m_target) {
    RECT target;
    ::GetWindowRect(m_target, &target);
    SetWindowPos(nullptr, (target.left + target.right - w) / 2, (target.top + target.bottom - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return TRUE;
}

void CBalloonTipDialog::OnPaint() {
  CPaintDC paint(this);
  HDC dc = paint.GetSafeHdc();
  RECT client;
  GetClientRect(&client);
  HRGN body = ::CreateEllipticRgn(10, 0, client.right, client.bottom);
  const POINT pointer[3] = {{0, client.bottom / 2 - 10}, {15, client.bottom / 2 - 5}, {15, client.bottom / 2 + 5}};
  HRGN tip = ::CreatePolygonRgn(pointer, 3, WINDING);
  ::CombineRgn(body, body, tip, RGN_OR);
  HBRUSH fill = ::CreateSolidBrush(kFill), frame = ::CreateSolidBrush(kFrame);
  ::FillRgn(dc, body, fill);
  ::FrameRgn(dc, body, frame, 2, 1);
  ::DeleteObject(fill);
  ::DeleteObject(frame);
  ::DeleteObject(tip);
  ::DeleteObject(body);
  HGDIOBJ oldFont = ::SelectObject(dc, static_cast<HFONT>(m_font));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(0, 0, 0));
  SIZE size{};
  ::GetTextExtentPoint32(dc, m_text.c_str(), static_cast<int>(m_text.size()), &size);
  RECT text = m_textRect;
  m_singleLine = m_text.find('\n') == std::string::npos && size.cx <= text.right - text.left;
  ::DrawText(dc, m_text.c_str(), -1, &text,
             m_singleLine ? DT_CENTER | DT_VCENTER | DT_SINGLELINE : DT_CENTER | DT_WORDBREAK);
  ::SelectObject(dc, oldFont);
}

void CBalloonTipDialog::OnTimer(UINT_PTR id) {
  if (id != kCloseTimer) return CDialog::OnTimer(id);
  KillTimer(kCloseTimer);
  OnOK();
}

// ---- full-screen preview (214)

BEGIN_MESSAGE_MAP(CFullScreenDialog, CDialog)
ON_WM_ERASEBKGND()
ON_WM_LBUTTONDBLCLK()
ON_WM_CONTEXTMENU()
ON_MESSAGE(kWmDisplayChange, &CFullScreenDialog::OnDisplayChange)
ON_COMMAND(kClose, &CFullScreenDialog::OnCloseCommand)
ON_COMMAND(kStateOn, &CFullScreenDialog::OnStateOn)
ON_COMMAND(kStateOff, &CFullScreenDialog::OnStateOff)
END_MESSAGE_MAP()

CFullScreenDialog::CFullScreenDialog(int mode, CWnd* owner, HWND previewWindow, bool wide)
    : CDialog(IDD_FULL_SCREEN, owner),
      m_mode(mode),
      m_owner(owner),
      m_previousVideoWindow(previewWindow),
      m_wide(wide) {}

bool CFullScreenDialog::GraphRunning() const {
  if (m_mode == 0) return wizard::AnalogGraphRunning();
  return wizard::DvGraphOpen();
}

BOOL CFullScreenDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  // Nothing to show: it closes before it is seen.
  if (!GraphRunning()) {
    EndDialog(IDCANCEL);
    return TRUE;
  }
  Fit();
  HWND surface = ::GetDlgItem(m_hWnd, IDC_PROMPT);
  ::EnableWindow(surface, FALSE);
  if (m_mode == 0) wizard::AnalogGraph().SetVideoWindowOwner(surface);
  else if (wizard::DvGraphOpen()) wizard::DvGraph().SetVideoWindowOwner(surface);
  return TRUE;
}

void CFullScreenDialog::Fit() {
  MONITORINFO info;
  ::GetMonitorInfo(::MonitorFromWindow(m_owner ? m_owner->m_hWnd : m_hWnd, MONITOR_DEFAULTTONEAREST), &info);
  const RECT& r = info.rcMonitor;
  SetWindowPos(CWnd::FromHandle(HWND_TOPMOST), r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
  if (HWND surface = ::GetDlgItem(m_hWnd, IDC_PROMPT))
    ::MoveWindow(surface, -1, -1, r.right - r.left + 2, r.bottom - r.top + 2, TRUE);
}

LRESULT CFullScreenDialog::OnDisplayChange(WPARAM, LPARAM) {
  Fit();
  return 0;
}

BOOL CFullScreenDialog::OnEraseBkgnd(CDC* dc) {
  RECT client;
  GetClientRect(&client);
  ::FillRect(dc->GetSafeHdc(), &client, reinterpret_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  return TRUE;
}

void CFullScreenDialog::GiveBack() {
  const int aspect = m_wide ? 1 : 0;
  if (m_mode == 0 && wizard::AnalogGraphRunning()) {
    wizard::AnalogGraph().SetVideoWindowOwner(m_previousVideoWindow);
    wizard::AnalogGraph().FitVideoWindow(aspect);
  } else if (m_mode == 1 && wizard::DvGraphOpen()) {
    wizard::DvGraph().SetVideoWindowOwner(m_previousVideoWindow);
    wizard::DvGraph().FitVideoWindow(aspect);
  }
  EndDialog(IDOK);
}

void CFullScreenDialog::OnLButtonDblClk(UINT, CPoint) { GiveBack(); }
void CFullScreenDialog::OnCloseCommand() { GiveBack(); }

void CFullScreenDialog::OnContextMenu(CWnd*, CPoint point) {
  HMENU menu = ::LoadMenu(AfxFindResourceHandle(MAKEINTRESOURCE(IDR_FULL_SCREEN_MENU), RT_MENU),
                          MAKEINTRESOURCE(IDR_FULL_SCREEN_MENU));
  if (!menu) return;
  HMENU popup = ::GetSubMenu(menu, 0);
  ::CheckMenuItem(popup, m_state ? kStateOn : kStateOff, MF_BYCOMMAND | MF_CHECKED);
  ::TrackPopupMenu(popup, TPM_LEFTALIGN, point.x, point.y, 0, m_hWnd, nullptr);
  ::DestroyMenu(menu);
}

void CFullScreenDialog::OnStateOn() {
  if (m_owner) m_owner->SendMessage(kOwnerCommand, 1, 0);
  m_state = 1;
}

void CFullScreenDialog::OnStateOff() {
  if (m_owner) m_owner->SendMessage(kOwnerCommand, 0, 0);
  m_state = 0;
}
