#include "main_skin.h"

#include <algorithm>

#include "resources/skin_ids.h"
#include "widgets/mask_region.h"
#include "widgets/skin_bitmap.h"
#include "widgets/skin_geometry.h"

namespace studio {
namespace {

constexpr COLORREF kCutAway = RGB(255, 0, 0);
constexpr COLORREF kFrameFill = 0x403D36;

int W(const CSkinFrame& f, int row, int piece) {
  const CSkinBitmap& p = f.m_pieces[row][piece];
  return p.IsLoaded() ? p.m_nWidth : 0;
}
int H(const CSkinFrame& f, int row, int piece) {
  const CSkinBitmap& p = f.m_pieces[row][piece];
  return p.IsLoaded() ? p.m_nHeight : 0;
}

void AddRect(HRGN region, int l, int t, int r, int b) {
  HRGN piece = ::CreateRectRgn(l, t, r, b);
  ::CombineRgn(region, region, piece, RGN_OR);
  ::DeleteObject(piece);
}

}  // namespace

MainLayout ComputeMainLayout(const CSkinFrame& frame, int width, int height) {
  constexpr int kTop = CSkinFrame::kTop, kLeft = CSkinFrame::kLeft, kRight = CSkinFrame::kRight,
                kBottom = CSkinFrame::kBottom;
  MainLayout l;
  // The step buttons start where the top side's middle decoration does.
  const int topWidths[4] = {W(frame, kTop, 0), W(frame, kTop, 1), W(frame, kTop, 2), W(frame, kTop, 3)};
  const int x0 = W(frame, kTop, 0) + skin::FrameTopFillWidth(width, topWidths);
  l.capture = {x0, 18};
  l.edit = {x0 + 164, 18};
  l.burn = {x0 + 328, 18};
  const int xr = width - W(frame, kTop, 3);
  l.project = {xr + 14, 21};
  l.help = {xr + 84, 21};
  l.minimize = {xr + 122, 21};
  l.sizeButtons = {xr + 160, 21};
  l.close = {xr + 198, 21};
  const int listLeft = width - W(frame, kRight, 0) + 14;
  const int listTop = H(frame, kTop, 0) + H(frame, kRight, 0);
  const int listHeight = height - H(frame, kTop, 3) - H(frame, kBottom, 2) - H(frame, kRight, 2) - H(frame, kRight, 0);
  // Pieces too small for the list leave it empty rather than inside out.
  const int listWidth = std::max(0, W(frame, kRight, 1) - 35);
  l.clipList = {listLeft, listTop, listLeft + listWidth, listTop + std::max(0, listHeight)};
  const int xb = width - W(frame, kRight, 2);
  const int yb = height - H(frame, kBottom, 2) - H(frame, kRight, 2);
  l.add = {xb + 14, yb + 5};
  l.remove = {xb + 80, yb + 5};
  l.ipod = {xb + 14, yb + 50};
  l.psp = {xb + 58, yb + 50};
  l.hd = {xb + 102, yb + 50};
  l.pageArea = {W(frame, kLeft, 0), H(frame, kTop, 0), width - W(frame, kRight, 0), height - H(frame, kBottom, 0)};
  return l;
}

CMainWindowSkin::CMainWindowSkin() = default;

CMainWindowSkin::~CMainWindowSkin() {
  for (HRGN corner : corners_)
    if (corner) ::DeleteObject(corner);
}

void CMainWindowSkin::LoadFramePieces(HINSTANCE ui, HINSTANCE extra, int width, int height) {
  auto& p = frame_.m_pieces;
  if (!extra || !p[CSkinFrame::kTop][0].Load(extra, IDB_EXTRA_MAIN_TOP_LEFT))
    p[CSkinFrame::kTop][0].Load(ui, IDB_MAIN_TOP_LEFT);
  p[CSkinFrame::kTop][1].Load(ui, IDB_MAIN_TOP);
  p[CSkinFrame::kTop][2].Load(ui, IDB_MAIN_TOP_MIDDLE);
  p[CSkinFrame::kTop][3].Load(ui, IDB_MAIN_TOP_RIGHT);
  p[CSkinFrame::kLeft][0].Load(ui, IDB_MAIN_LEFT);
  p[CSkinFrame::kLeft][1].Load(ui, IDB_MAIN_LEFT);
  p[CSkinFrame::kLeft][2].Load(ui, IDB_MAIN_LEFT_END);
  p[CSkinFrame::kRight][0].Load(ui, IDB_MAIN_RIGHT_TOP);
  p[CSkinFrame::kRight][1].Load(ui, IDB_MAIN_RIGHT);
  p[CSkinFrame::kRight][2].Load(ui, IDB_MAIN_RIGHT_END);
  p[CSkinFrame::kBottom][0].Load(ui, IDB_MAIN_BOTTOM_LEFT);
  p[CSkinFrame::kBottom][1].Load(ui, IDB_MAIN_BOTTOM);
  p[CSkinFrame::kBottom][2].Load(ui, IDB_MAIN_BOTTOM_RIGHT);
  frame_.SetRect(0, 0, width, height);
  frame_.SetFillColor(kFrameFill);
}

void CMainWindowSkin::BuildCornerRegions() {
  const CSkinBitmap* pieces[4] = {&frame_.m_pieces[CSkinFrame::kTop][0], &frame_.m_pieces[CSkinFrame::kTop][3],
                                  &frame_.m_pieces[CSkinFrame::kBottom][0], &frame_.m_pieces[CSkinFrame::kBottom][2]};
  for (int c = 0; c < 4; ++c) {
    if (corners_[c]) ::DeleteObject(corners_[c]);
    corners_[c] = nullptr;
    const CSkinBitmap& piece = *pieces[c];
    if (!piece.IsLoaded()) continue;
    // The square at the piece's own corner; a piece smaller than the square gives what it has.
    const int x = c % 2 == 0 ? 0 : piece.m_nWidth - kCornerSize;
    const int y = c < 2 ? 0 : piece.m_nHeight - kCornerSize;
    HBITMAP square = skin::CopyBitmapArea(piece.m_bitmap, x, y, kCornerSize, kCornerSize);
    if (!square) continue;
    corners_[c] = BuildRegionFromBitmap(square, kCutAway);
    ::DeleteObject(square);
  }
}

HRGN CMainWindowSkin::WindowRegion(int width, int height) const {
  if (width <= 0 || height <= 0) return nullptr;
  for (HRGN corner : corners_)
    if (!corner) return nullptr;
  HRGN region = ::CreateRectRgn(0, kCornerSize, width, height - kCornerSize);
  AddRect(region, kCornerSize, 0, width - kCornerSize, height);
  const POINT at[4] = {
      {0, 0}, {width - kCornerSize, 0}, {0, height - kCornerSize}, {width - kCornerSize, height - kCornerSize}};
  for (int c = 0; c < 4; ++c) {
    HRGN moved = ::CreateRectRgn(0, 0, 0, 0);
    ::CombineRgn(moved, corners_[c], nullptr, RGN_COPY);
    ::OffsetRgn(moved, at[c].x, at[c].y);
    ::CombineRgn(region, region, moved, RGN_OR);
    ::DeleteObject(moved);
  }
  HRGN window = ::CreateRectRgn(0, 0, width, height);
  ::CombineRgn(region, region, window, RGN_AND);
  ::DeleteObject(window);
  return region;
}

}  // namespace studio
