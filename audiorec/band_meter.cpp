#include "audiorec/band_meter.h"

#include <algorithm>

#include "platform/window/resources.h"

BarRows SpectrumBarRows(int level, int bh, bool fresh) {
  if (level <= 0 || bh <= 0) return {};
  const int top = bh - std::min(level, 100) * bh / 100 + (fresh ? 0 : 10);
  return {std::clamp(top, 0, bh), bh};
}

BarRows SpectrumPeakRows(int peak, int bh) {
  if (peak <= 0 || bh <= 0) return {};
  const int p = bh - std::min(peak, 100) * bh / 100;
  return {std::clamp(p, 0, bh), std::clamp(p + 2, 0, bh)};
}

BEGIN_MESSAGE_MAP(CSpectrumBar, CStatic)
ON_WM_PAINT()
ON_WM_TIMER()
END_MESSAGE_MAP()

CSpectrumBar::CSpectrumBar() { Reset(); }

CSpectrumBar::~CSpectrumBar() { DeleteBitmaps(); }

void CSpectrumBar::DeleteBitmaps() {
  if (bar_) ::DeleteObject(bar_);
  if (back_) ::DeleteObject(back_);
  bar_ = back_ = nullptr;
}

void CSpectrumBar::Reset() {
  DeleteBitmaps();
  std::fill(std::begin(level_), std::end(level_), 0);
  std::fill(std::begin(peak_), std::end(peak_), 0);
  fresh_ = 1, hold_ = 1, interval_ = 100;
}

BOOL CSpectrumBar::SetBarBitmap(HINSTANCE instance, UINT id) {
  if (bar_) ::DeleteObject(bar_);
  bar_ = ::LoadBitmap(instance, MAKEINTRESOURCE(id));
  return bar_ != nullptr;
}

BOOL CSpectrumBar::SetBackBitmap(HINSTANCE instance, UINT id) {
  if (back_) ::DeleteObject(back_);
  back_ = ::LoadBitmap(instance, MAKEINTRESOURCE(id));
  return back_ != nullptr;
}

void CSpectrumBar::SetBitmaps(HBITMAP bar, HBITMAP back) {
  DeleteBitmaps();
  bar_ = bar, back_ = back;
}

void CSpectrumBar::PreSubclassWindow() {
  CStatic::PreSubclassWindow();
  ModifyStyle(0, SS_SIMPLE);
}

void CSpectrumBar::SetLevels(const BYTE bands[kBands]) {
  if (m_hWnd) KillTimer(kDecayTimer);
  fresh_ = 1;
  for (int i = 0; i < kBands; ++i) {
    const int v = bands[i] > 100 ? 0 : bands[i];
    level_[i] = v;
    peak_[i] = std::max(peak_[i], v);
  }
  hold_ = 1;
  if (m_hWnd) {
    Invalidate();
    SetTimer(kDecayTimer, interval_);
  }
}

void CSpectrumBar::Decay() {
  for (int i = 0; i < kBands; ++i) {
    level_[i] -= 4;
    if (hold_ < 1) peak_[i] -= 4;
  }
  if (m_hWnd) Invalidate();
  fresh_ = 0;
  --hold_;
}

void CSpectrumBar::OnTimer(UINT_PTR id) {
  if (id == kDecayTimer) Decay();
}

void CSpectrumBar::Compose(CDC* dc) {
  if (!bar_ || !back_ || !dc) return;
  BITMAP barInfo{}, backInfo{};
  ::GetObject(bar_, sizeof barInfo, &barInfo);
  ::GetObject(back_, sizeof backInfo, &backInfo);
  CDC source;
  source.CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(source.GetSafeHdc(), back_);
  dc->BitBlt(0, 0, backInfo.bmWidth, backInfo.bmHeight, &source, 0, 0, SRCCOPY);
  ::SelectObject(source.GetSafeHdc(), bar_);
  const int bw = barInfo.bmWidth, bh = barInfo.bmHeight;
  for (int i = 0; i < kBands; ++i) {
    const int x = 2 + i * (bw + 1);
    const BarRows bar = SpectrumBarRows(level_[i], bh, fresh_ != 0);
    if (!bar.Empty()) dc->BitBlt(x, bar.first, bw, bar.last - bar.first, &source, 0, bar.first, SRCCOPY);
    const BarRows peak = SpectrumPeakRows(peak_[i], bh);
    if (!peak.Empty()) dc->BitBlt(x, peak.first, bw, peak.last - peak.first, &source, 0, peak.first, SRCCOPY);
  }
  ::SelectObject(source.GetSafeHdc(), old);
}

void CSpectrumBar::OnPaint() {
  CPaintDC dc(this);
  if (!bar_ || !back_) return;
  BITMAP backInfo{};
  ::GetObject(back_, sizeof backInfo, &backInfo);
  // Composed off screen and copied once, so the 100 ms decay does not flicker.
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  CBitmap canvas;
  canvas.CreateCompatibleBitmap(&dc, backInfo.bmWidth, backInfo.bmHeight);
  CBitmap* previous = memory.SelectObject(&canvas);
  Compose(&memory);
  dc.BitBlt(0, 0, backInfo.bmWidth, backInfo.bmHeight, &memory, 0, 0, SRCCOPY);
  memory.SelectObject(previous);
}
