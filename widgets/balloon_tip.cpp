#include "widgets/balloon_tip.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"
#include "platform/gdi/text.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"
#include "widgets/skin_geometry.h"

CBalloonTip::CBalloonTip(CWnd* parent) : CDialog(IDD_BALLOON_TIP, parent) {}

CBalloonTip::~CBalloonTip() {
  if (m_hWnd) DestroyWindow();
}

BOOL CBalloonTip::Show(CWnd* parent) {
  if (m_hWnd) return TRUE;
  m_pParentWnd = parent;
  if (!Create(IDD_BALLOON_TIP, parent)) return FALSE;
  ShowWindow(SW_SHOWNOACTIVATE);
  return TRUE;
}

void CBalloonTip::Close() {
  if (m_hWnd) DestroyWindow();
  m_font.DeleteObject();
  m_ellipse.DeleteObject();
  m_pointer.DeleteObject();
  m_shape.DeleteObject();
}

BOOL CBalloonTip::OnInitDialog() {
  CDialog::OnInitDialog();
  ::SetWindowLong(m_hWnd, GWL_STYLE, static_cast<LONG>(WS_POPUP | (GetStyle() & WS_VISIBLE)));
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 280, 140, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT c;
  GetClientRect(&c);
  m_ellipse.DeleteObject();
  m_pointer.DeleteObject();
  m_shape.DeleteObject();
  m_ellipse.CreateEllipticRgn(c.left + 10, c.top, c.right, c.bottom);
  const POINT triangle[3] = {
      {c.left, c.bottom / 2 - 10}, {c.left + 15, c.bottom / 2 - 5}, {c.left + 15, c.bottom / 2 + 5}};
  m_pointer.CreatePolygonRgn(triangle, 3, ALTERNATE);
  m_shape.CreateRectRgn(0, 0, 0, 0);
  m_shape.CombineRgn(&m_ellipse, &m_pointer, RGN_OR);
  // The window keeps its own copy of the shape.
  HRGN windowShape = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(windowShape, m_shape, nullptr, RGN_COPY);
  SetWindowRgn(windowShape, TRUE);
  m_rcText = skin::BalloonTextRect(c);

  HINSTANCE resources = AfxGetResourceHandle();
  const auto face = platform::LoadStdString(resources, IDS_BALLOON_FONT_FACE);
  m_fontFace = face && !face->empty() ? *face : "Arial";
  m_text = platform::LoadStdString(resources, IDS_BALLOON_TEXT).value_or("");
  m_font.DeleteObject();
  m_font.CreateFont(m_nFontHeight, 0, 0, 0, 0, FALSE, FALSE, 0, DEFAULT_CHARSET, 0, 0, 0, 0, m_fontFace.c_str());

  if (HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr) {
    RECT p, mine;
    ::GetWindowRect(parent, &p);
    ::GetWindowRect(m_hWnd, &mine);
    m_nOffsetX = ((p.right - p.left) - (mine.right - mine.left)) / 2;
    m_nOffsetY = ((p.bottom - p.top) - (mine.bottom - mine.top)) / 2;
    ::SetWindowPos(m_hWnd, nullptr, p.left + m_nOffsetX, p.top + m_nOffsetY, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return TRUE;
}

void CBalloonTip::OnPaint() {
  CPaintDC paint(this);
  HBRUSH fill = CreateSolidBrush(m_crFill);
  HBRUSH outline = CreateSolidBrush(m_crOutline);
  FillRgn(paint, m_shape, fill);
  FrameRgn(paint, m_shape, outline, 2, 1);
  DeleteObject(fill);
  DeleteObject(outline);
  const int saved = SaveDC(paint);
  SetBkMode(paint, TRANSPARENT);
  ::SetTextColor(paint, m_crText);
  SelectObject(paint, static_cast<HFONT>(m_font));
  SIZE size{};
  GetTextExtentPoint32(paint, m_text.c_str(), static_cast<int>(m_text.size()), &size);
  RECT r = m_rcText;
  const UINT format = size.cx < r.right - r.left ? DT_CENTER | DT_VCENTER | DT_SINGLELINE : m_nWrapFormat;
  DrawText(paint, m_text.c_str(), static_cast<int>(m_text.size()), &r, format);
  RestoreDC(paint, saved);
}

void CBalloonTip::OnTimer(UINT_PTR id) {
  if (id == kCloseTimer) {
    KillTimer(kCloseTimer);
    Close();
    return;
  }
  CDialog::OnTimer(id);
}

void CSkinFrame::SetRect(int x, int y, int width, int height) {
  m_x = x;
  m_y = y;
  m_width = width;
  m_height = height;
  m_rect = RECT{x, y, x + width, y + height};
}

int CSkinFrame::GetTopFillWidth() const {
  const int widths[4] = {W(kTop, 0), W(kTop, 1), W(kTop, 2), W(kTop, 3)};
  return skin::FrameTopFillWidth(m_width, widths);
}

void CSkinFrame::DrawSide(HDC dc, HDC memory, int row, bool horizontal, int x, int y, int length) {
  int lengths[4];
  for (int i = 0; i < 4; ++i) lengths[i] = horizontal ? W(row, i) : H(row, i);
  for (const skin::PieceRun& run : skin::FrameSideRuns(length, lengths)) {
    const CSkinBitmap& piece = m_pieces[row][run.piece];
    if (!piece.IsLoaded()) continue;
    int px = horizontal ? x + run.offset : x;
    int py = horizontal ? y : y + run.offset;
    // Across the side: the right side is right-aligned, the bottom's end corner bottom-aligned.
    if (row == kRight) px = m_x + m_width - piece.m_nWidth;
    if (row == kBottom && run.piece == 3) py = m_y + m_height - piece.m_nHeight;
    HGDIOBJ old = SelectObject(memory, static_cast<HBITMAP>(piece.m_bitmap));
    BitBlt(dc, px, py, piece.m_nWidth, piece.m_nHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
  }
}

void CSkinFrame::Draw(CDC* dc, BOOL fillInterior) {
  if (!dc || m_width <= 0 || m_height <= 0) return;
  HDC target = *dc;
  HDC memory = CreateCompatibleDC(target);
  const int bottomY = m_y + m_height - H(kBottom, 0);
  const int bandY = bottomY - H(kBand, 0);
  const int sideTop = m_y + H(kTop, 0);
  const int sideBottom = m_bBand ? bandY : bottomY;
  DrawSide(target, memory, kTop, true, m_x, m_y, m_width);
  DrawSide(target, memory, kLeft, false, m_x, sideTop, sideBottom - sideTop);
  DrawSide(target, memory, kRight, false, m_x, sideTop, sideBottom - sideTop);
  if (m_bBand) DrawSide(target, memory, kBand, true, m_x, bandY, m_width);
  DrawSide(target, memory, kBottom, true, m_x, bottomY, m_width);
  DeleteDC(memory);
  if (fillInterior) {
    RECT inside{m_x + W(kLeft, 0), sideTop, m_x + m_width - W(kRight, 0), sideBottom};
    HBRUSH brush = CreateSolidBrush(m_crFill);
    FillRect(target, &inside, brush);
    DeleteObject(brush);
  }
}
