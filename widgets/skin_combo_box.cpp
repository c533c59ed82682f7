#include "widgets/skin_combo_box.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"
#include "platform/window/focus.h"
#include "widgets/skin_geometry.h"

namespace {

// A window DC for drawing a state change at once.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  HDC Get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

void Line(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

}  // namespace

CSkinComboBox::CSkinComboBox(HINSTANCE module, UINT bitmapId)
    : m_nBitmapId(bitmapId),
      m_source(skin::LoadModuleBitmap(module, bitmapId)),
      m_crBorder(GetSysColor(COLOR_3DDKSHADOW)) {}

void CSkinComboBox::PreSubclassWindow() {
  if (!IsWindowEnabled()) {
    m_bDisabled = 1;
    m_nState = kDisabled;
  }
  if (HWND parent = ::GetParent(m_hWnd)) m_hFont = reinterpret_cast<HFONT>(::SendMessage(parent, WM_GETFONT, 0, 0));
  CComboBox::PreSubclassWindow();
  Invalidate();
}

BOOL CSkinComboBox::PreTranslateMessage(MSG* msg) {
  if (msg->hwnd == m_hWnd && msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
  return CComboBox::PreTranslateMessage(msg);
}

std::string CSkinComboBox::CurrentText() const {
  const int selection = GetCurSel();
  std::string text;
  if (selection >= 0) GetLBText(selection, text);
  return text.substr(0, 255);
}

void CSkinComboBox::SetState(int state) {
  if (state == m_nState) return;
  m_nState = state;
  WindowDc dc(m_hWnd);
  DrawFace(dc.Get());
}

void CSkinComboBox::DrawFace(HDC dc) {
  if (!dc) return;
  RECT client;
  GetClientRect(&client);
  const int w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return;
  if (m_bFirstPaint && m_source.Get()) {
    const SIZE size = skin::BitmapSize(m_source);
    for (int i = 0; i < 3; ++i)
      m_arrows[i].Reset(skin::CopyBitmapArea(m_source, i * size.cx / 3, 0, size.cx / 3, size.cy));
    m_bFirstPaint = 0;
  }
  // The background continues the dialog's own under the control.
  RECT inParent = client;
  ::MapWindowPoints(m_hWnd, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&inParent), 2);
  HBRUSH brush = m_hBackground ? m_hBackground : CreateSolidBrush(RGB(255, 255, 255));
  SetBrushOrgEx(dc, -inParent.left, -inParent.top, nullptr);
  FillRect(dc, &client, brush);
  if (!m_hBackground) DeleteObject(brush);

  const int saved = SaveDC(dc);
  if (m_hFont) SelectObject(dc, m_hFont);
  SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, m_bDisabled ? GetSysColor(COLOR_BTNSHADOW) : m_crText);
  RECT text = client;
  text.left += 4;
  text.right -= 17;
  const std::string caption = CurrentText();
  DrawText(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  RestoreDC(dc, saved);

  const skin::ArrowPlacement arrow = skin::ComboArrowPlacement(h);
  if (HBITMAP frame = m_arrows[std::clamp(m_nState, 0, 2)].Get())
    skin::BlitBitmap(dc, w - 16, arrow.y, 16, h, frame, 0, arrow.sourceRow);

  HPEN pen = CreatePen(PS_SOLID, 1, m_crBorder);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Line(dc, 0, 0, w - 1, 0);
  Line(dc, 0, 0, 0, h - 1);
  Line(dc, 0, h - 1, w - 1, h - 1);
  Line(dc, w - 1, 0, w - 1, h);
  Line(dc, w - 17, 0, w - 17, h);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

void CSkinComboBox::OnPaint() {
  CPaintDC paint(this);
  DrawFace(paint);
}

void CSkinComboBox::OnEnable(BOOL enable) {
  m_bDisabled = enable ? 0 : 1;
  SetState(enable ? kNormal : kDisabled);
  CComboBox::OnEnable(enable);
}

void CSkinComboBox::OnLButtonDown(UINT flags, CPoint point) {
  RECT client;
  GetClientRect(&client);
  SetState(PtInRect(&client, point) ? kPressed : kNormal);
  CComboBox::OnLButtonDown(flags, point);
}

void CSkinComboBox::OnLButtonUp(UINT flags, CPoint point) {
  RECT client;
  GetClientRect(&client);
  if (PtInRect(&client, point)) SetState(kNormal);
  CComboBox::OnLButtonUp(flags, point);
}

void CSkinComboBox::OnMouseMove(UINT flags, CPoint point) {
  RECT client;
  GetClientRect(&client);
  if (!PtInRect(&client, point) && !m_bDisabled) SetState(kNormal);
  CComboBox::OnMouseMove(flags, point);
}

BOOL CSkinComboBox::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg == WM_COMMAND && HIWORD(wParam) == CBN_KILLFOCUS) SetState(m_bDisabled ? kDisabled : kNormal);
  if (msg == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE) Invalidate(FALSE);
  // The parent still hears every notification.
  return CComboBox::OnChildNotify(msg, wParam, lParam, result);
}

CSkinSpinButton::CSkinSpinButton(HINSTANCE module, UINT bitmapId)
    : m_nZone(skin::kSpinZoneNone), m_nState(skin::kSpinNormal), m_source(skin::LoadModuleBitmap(module, bitmapId)) {
  (void)bitmapId;
}

void CSkinSpinButton::PreSubclassWindow() {
  if (!IsWindowEnabled()) {
    m_bDisabled = 1;
    m_nState = skin::kSpinDisabled;
  }
  ModifyStyle(0, UDS_WRAP | UDS_SETBUDDYINT | UDS_ALIGNLEFT);
  CSpinButtonCtrl::PreSubclassWindow();
  Invalidate();
}

BOOL CSkinSpinButton::PreTranslateMessage(MSG* msg) {
  if (msg->hwnd == m_hWnd && msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
  return CSpinButtonCtrl::PreTranslateMessage(msg);
}

void CSkinSpinButton::Draw(HDC dc) {
  if (!dc) return;
  RECT client;
  GetClientRect(&client);
  if (m_bFirstPaint && m_source.Get()) {
    const SIZE size = skin::BitmapSize(m_source);
    const int w = size.cx / 5;
    // Strip order normal, hot, pressed, disabled; faces kept as hot, normal, pressed, disabled.
    static const int kStripFrame[4] = {1, 0, 2, 3};
    for (int i = 0; i < 4; ++i) m_faces[i].Reset(skin::CopyBitmapArea(m_source, kStripFrame[i] * w, 0, w, size.cy));
    m_bFirstPaint = 0;
  }
  const skin::SpinFaces faces = skin::SpinHalfFaces(m_nState, m_nZone);
  const int half = client.bottom / 2;
  skin::BlitBitmap(dc, 0, 0, client.right, half, m_faces[faces.upper], 0, 0);
  skin::BlitBitmap(dc, 0, half, client.right, client.bottom - half, m_faces[faces.lower], 0, half);
}

void CSkinSpinButton::SetState(int state) {
  if (state == m_nState) return;
  m_nState = state;
  WindowDc dc(m_hWnd);
  Draw(dc.Get());
}

void CSkinSpinButton::OnPaint() {
  CPaintDC paint(this);
  Draw(paint);
}

void CSkinSpinButton::OnEnable(BOOL enable) {
  m_bDisabled = enable ? 0 : 1;
  SetState(enable ? skin::kSpinHot : skin::kSpinDisabled);
  CSpinButtonCtrl::OnEnable(enable);
}

void CSkinSpinButton::OnLButtonDown(UINT flags, CPoint point) {
  SetState(skin::kSpinPressed);
  CSpinButtonCtrl::OnLButtonDown(flags, point);
}

void CSkinSpinButton::OnLButtonUp(UINT flags, CPoint point) {
  RECT client;
  GetClientRect(&client);
  if (PtInRect(&client, point)) SetState(skin::kSpinHot);
  CSpinButtonCtrl::OnLButtonUp(flags, point);
}

void CSkinSpinButton::OnMouseMove(UINT flags, CPoint point) {
  CSpinButtonCtrl::OnMouseMove(flags, point);
  if (m_bDisabled) return;
  if ((flags & MK_LBUTTON) && ::GetCapture() != m_hWnd) return;
  RECT client;
  GetClientRect(&client);
  const int zone = !PtInRect(&client, point)     ? skin::kSpinZoneNone
                   : point.y < client.bottom / 2 ? skin::kSpinZoneUpper
                                                 : skin::kSpinZoneLower;
  if (zone != m_nZone) {
    const bool crossed = m_nZone != skin::kSpinZoneNone && zone != skin::kSpinZoneNone;
    m_nZone = zone;
    if (crossed && !(flags & MK_LBUTTON)) {
      ::ReleaseCapture();
      m_bHoverCaptured = 0;
    }
    WindowDc dc(m_hWnd);
    Draw(dc.Get());
  }
  if (::GetCapture() != m_hWnd && zone != skin::kSpinZoneNone) {
    ::SetCapture(m_hWnd);
    m_bHoverCaptured = 1;
    SetState(skin::kSpinHot);
    Invalidate(FALSE);
  } else if (zone == skin::kSpinZoneNone) {
    m_bHoverCaptured = 0;
    if (!(flags & MK_LBUTTON)) {
      ::ReleaseCapture();
      SetState(skin::kSpinNormal);
    }
  }
}
