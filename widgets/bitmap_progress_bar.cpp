#include "widgets/bitmap_progress_bar.h"

#include "widgets/skin_geometry.h"

void CBitmapProgressBar::PreSubclassWindow() {
  ::SendMessage(m_hWnd, BM_SETSTYLE, (GetStyle() & 0xFF) | BS_OWNERDRAW, TRUE);
  CButton::PreSubclassWindow();
}

void CBitmapProgressBar::LoadBitmap(HINSTANCE module, UINT id) {
  m_bitmap.Reset(skin::LoadModuleBitmap(module, id));
  const SIZE size = skin::BitmapSize(m_bitmap);
  m_nWidth = size.cx;
  m_nHeight = size.cy;
  m_bLoaded = m_bitmap.Get() != nullptr;
}

void CBitmapProgressBar::SetPos(int pos) {
  m_nPos = pos;
  if (m_hWnd) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CBitmapProgressBar::SetRangeAndMark(int min, int max, int mark) {
  m_nMin = min;
  m_nMax = max;
  m_nMark = mark;
}

void CBitmapProgressBar::GetRange(int* min, int* max) const {
  if (min) *min = m_nMin;
  if (max) *max = m_nMax;
}

void CBitmapProgressBar::DrawItem(LPDRAWITEMSTRUCT item) {
  if (!m_bLoaded || !item) return;
  HDC dc = item->hDC;
  const int w = m_nWidth, h = m_nHeight;
  // An empty or inverted range has no fraction to show: nothing is drawn.
  const auto filledWidth = skin::FillLength(m_nPos, m_nMin, m_nMax, w);
  if (m_nMode == kVertical) {
    const auto filledHeight = skin::FillLength(m_nPos, m_nMin, m_nMax, h);
    if (!filledHeight) return;
    skin::BlitBitmap(dc, 0, 0, w / 2, h, m_bitmap, 0, 0);
    skin::BlitBitmap(dc, 0, h - *filledHeight, w / 2, *filledHeight, m_bitmap, w / 2, h - *filledHeight);
    return;
  }
  if (!filledWidth) return;
  if (m_nMode == kMarked) {
    const int q = h / 4;
    skin::BlitBitmap(dc, 0, 0, w, q, m_bitmap, 0, q);
    if (m_nPos < 2) return;
    const int markWidth = skin::FillLength(m_nMark, m_nMin, m_nMax, w).value_or(0);
    if (m_nPos < m_nMark) {
      skin::BlitBitmap(dc, 0, 0, *filledWidth, q, m_bitmap, 0, 3 * q);
    } else {
      skin::BlitBitmap(dc, 0, 0, markWidth, q, m_bitmap, 0, 3 * q);
      skin::BlitBitmap(dc, markWidth, 0, *filledWidth - markWidth, q, m_bitmap, 0, 0);
    }
    return;
  }
  const int half = h / 2;
  skin::BlitBitmap(dc, 0, 0, *filledWidth, half, m_bitmap, 0, half);
  skin::BlitBitmap(dc, *filledWidth, 0, w - *filledWidth, half, m_bitmap, *filledWidth, 0);
}
