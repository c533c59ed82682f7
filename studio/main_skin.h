// The main window's skin: the nine-piece frame it is drawn with, the four corners that shape
// it, and where the frame's piece sizes put its controls.
#pragma once

#include <array>

#include "platform/gdi/afx_gdi.h"
#include "widgets/balloon_tip.h"

namespace studio {

constexpr int kCornerSize = 18;

// Places of the main window's controls for one window size; buttons are at their bitmap size.
struct MainLayout {
  POINT capture{}, edit{}, burn{};
  POINT project{}, help{}, minimize{}, sizeButtons{}, close{};
  RECT clipList{};
  POINT add{}, remove{}, ipod{}, psp{}, hd{};
  RECT pageArea{};
};

// From the sizes of the frame's pieces; missing pieces count as 0 x 0.
MainLayout ComputeMainLayout(const CSkinFrame& frame, int width, int height);

class CMainWindowSkin {
 public:
  CMainWindowSkin();
  ~CMainWindowSkin();
  CMainWindowSkin(const CMainWindowSkin&) = delete;
  CMainWindowSkin& operator=(const CMainWindowSkin&) = delete;

  // The pieces of the UI library; the extra library, when loaded, gives the top-left corner.
  void LoadFramePieces(HINSTANCE ui, HINSTANCE extra, int width, int height);
  // Each corner: the pixels of the 18 x 18 square at that corner of its piece that are not pure red.
  void BuildCornerRegions();
  // The body less what the corners cut away, for a window of width x height; NULL before the
  // corners are built. The caller owns the region.
  HRGN WindowRegion(int width, int height) const;
  void SetFrameSize(int width, int height) { frame_.SetRect(0, 0, width, height); }
  void Draw(CDC* dc, BOOL fillInterior) { frame_.Draw(dc, fillInterior); }
  MainLayout Layout(int width, int height) const { return ComputeMainLayout(frame_, width, height); }
  const CSkinFrame& Frame() const { return frame_; }

 private:
  CSkinFrame frame_;
  std::array<HRGN, 4> corners_{};  // top left, top right, bottom left, bottom right
};

}  // namespace studio
