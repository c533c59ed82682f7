// The seam between the window system and the drawing layer. The window system keeps the window
// tree, update areas and window regions; a provider owns pixels and regions: the window system's
// own (window_surfaces.h) unless a test installs another. A presenter shows the composed screen and is optional (headless by default).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/win_types.h"

namespace platform {

// 32-bit 0x00RRGGBB pixels, top-down rows.
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// Pixels read in place: rows of stride pixels, 0x00RRGGBB in the low 24 bits (the top byte is
// whatever the drawing left there).
struct PixelView {
  const std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
};

class WindowSurfaceProvider {
 public:
  virtual ~WindowSurfaceProvider() = default;

  // A DC drawing into the window: the client area (origin at the client's top-left) or the whole
  // window, clipped to clip (in the same coordinates). Called on the window's thread.
  virtual HDC AcquireDC(HWND hwnd, bool wholeWindow, const RECT& clip) = 0;
  virtual void ReleaseDC(HWND hwnd, HDC dc) = 0;

  // Window regions (coordinates relative to the window's top-left corner).
  virtual bool RegionContains(HRGN region, int x, int y) = 0;
  virtual bool RegionBox(HRGN region, RECT* box) = 0;
  virtual bool CopyRegion(HRGN destination, HRGN source) = 0;
  virtual void DeleteRegion(HRGN region) = 0;

  // The window's own pixels, whole-window sized; false when it has none yet.
  virtual bool WindowPixels(HWND hwnd, PixelImage* out) = 0;
  // Calls use with the window's own pixels, read where they are when the provider can; false (use
  // not called) when it has none yet.
  virtual bool UseWindowPixels(HWND hwnd, const std::function<void(const PixelView&)>& use);
  virtual bool WritePng(const PixelImage& image, const std::string& path) = 0;

  // Notices so the provider can drop or resize what it keeps for the window.
  virtual void WindowResized(HWND /*hwnd*/, int /*width*/, int /*height*/) {}
  virtual void WindowDestroyed(HWND /*hwnd*/) {}
};

// Installs the provider (nullptr goes back to the window system's own); the caller keeps it alive
// while installed.
void SetWindowSurfaceProvider(WindowSurfaceProvider* provider);
// Never null.
WindowSurfaceProvider* GetWindowSurfaceProvider();

// Shows the composed screen; an X11 or other front end implements it, input goes back through
// the injection calls of platform/window/input.h.
class ScreenPresenter {
 public:
  virtual ~ScreenPresenter() = default;
  virtual void Present(const PixelImage& screen) = 0;
  // Called when the screen may have changed. The default composes the whole screen for Present;
  // a front end that shows each top-level window on its own composes only those instead.
  virtual void ScreenChanged();
};

void SetScreenPresenter(ScreenPresenter* presenter);
// Composes the visible windows and hands the picture to the presenter, if any.
void PresentScreen();
// Presents only when something was painted, moved, shown or hidden since the last time; message
// loops call it before they wait.
void PresentIfChanged();
void MarkScreenChanged();

// The visible window tree composed from the provider's pixels (windows without pixels are left
// as the background); false for an unknown window.
bool ComposeScreen(PixelImage* out);
bool ComposeWindow(HWND hwnd, PixelImage* out);
// Composes only area (window coordinates) of a window and its children into rows of stride
// pixels holding the whole window (width x height); false for an unknown window.
bool ComposeWindowArea(HWND hwnd, const RECT& area, std::uint32_t* pixels, int width, int height, int stride);

// What a presenter needs to show only what changed. Painting is noted per top-level window when
// a window's DC is released (clientArea in client coordinates, or the whole window when null).
// The layout key changes whenever a window of the tree moves, resizes, shows, hides, is made or
// destroyed, restacks or changes region, none of which paints by itself.
void NoteWindowPainted(HWND hwnd, const RECT* clientArea);
// The area painted in a top-level window since the last call (its window coordinates); false when
// nothing was.
bool TakeWindowDamage(HWND topLevel, RECT* area);
std::uint64_t WindowLayoutKey(HWND topLevel);
bool WriteScreenPng(const std::string& path);
bool WriteWindowPng(HWND hwnd, const std::string& path);
// The screen where the window is, with what shows over it (its tips, balloons, dropped lists),
// as a person sees it; false for an unknown or empty window.
bool WriteWindowAsSeenPng(HWND hwnd, const std::string& path);

}  // namespace platform
