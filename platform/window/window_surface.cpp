#include "platform/window/window_surface.h"

#include <atomic>

#include "platform/window/monitors.h"
#include "platform/window/window_internal.h"
#include "platform/window/window_surfaces.h"

using namespace platform::win;

namespace platform {
namespace {

std::atomic<WindowSurfaceProvider*> g_provider{nullptr};
std::atomic<ScreenPresenter*> g_presenter{nullptr};
std::atomic<bool> g_changed{true};

constexpr std::uint32_t kDesktopColour = 0x3A6EA5;

// Draws a window and its children (bottom of the z-order first) onto an image whose top-left is
// at origin on the screen, inside clip (screen coordinates).
void DrawTree(const std::shared_ptr<Window>& w, PixelImage& image, POINT origin, RECT clip,
              WindowSurfaceProvider& provider) {
  if (!(w->style & WS_VISIBLE)) return;
  POINT wo = WindowOrigin(*w);
  RECT wr{wo.x, wo.y, wo.x + (w->rect.right - w->rect.left), wo.y + (w->rect.bottom - w->rect.top)};
  RECT area{};
  if (!IntersectRect(&area, &wr, &clip)) return;
  PixelImage pixels;
  if (provider.WindowPixels(w->handle, &pixels)) {
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const int sx = x - wo.x;
        const int sy = y - wo.y;
        if (sx >= pixels.width || sy >= pixels.height) continue;
        if (w->region && !provider.RegionContains(w->region, sx, sy)) continue;
        const int dx = x - origin.x;
        const int dy = y - origin.y;
        if (dx < 0 || dy < 0 || dx >= image.width || dy >= image.height) continue;
        image.pixels[static_cast<size_t>(dy) * image.width + dx] =
            pixels.pixels[static_cast<size_t>(sy) * pixels.width + sx];
      }
    }
  }
  POINT co = ClientOrigin(*w);
  RECT client = ClientRectOf(*w);
  OffsetRect(&client, co.x, co.y);
  RECT childClip{};
  if (!IntersectRect(&childClip, &client, &area)) return;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it)
    if (auto c = FindLocked(*it)) DrawTree(c, image, origin, childClip, provider);
}

}  // namespace

void SetWindowSurfaceProvider(WindowSurfaceProvider* provider) { g_provider = provider; }
WindowSurfaceProvider* GetWindowSurfaceProvider() {
  WindowSurfaceProvider* installed = g_provider.load();
  return installed ? installed : &OwnWindowSurfaces();
}
void SetScreenPresenter(ScreenPresenter* presenter) { g_presenter = presenter; }

bool ComposeScreen(PixelImage* out) {
  auto* provider = GetWindowSurfaceProvider();
  if (!provider || !out) return false;
  const RECT screen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                    GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                    GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  out->width = screen.right - screen.left;
  out->height = screen.bottom - screen.top;
  out->pixels.assign(static_cast<size_t>(out->width) * out->height, kDesktopColour);
  std::lock_guard lock(TableLock());
  auto& order = TopLevelOrder();
  for (auto it = order.rbegin(); it != order.rend(); ++it)
    if (auto w = FindLocked(*it)) DrawTree(w, *out, POINT{screen.left, screen.top}, screen, *provider);
  return true;
}

bool ComposeWindow(HWND hwnd, PixelImage* out) {
  auto* provider = GetWindowSurfaceProvider();
  if (!provider || !out) return false;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return false;
  POINT o = WindowOrigin(*w);
  out->width = w->rect.right - w->rect.left;
  out->height = w->rect.bottom - w->rect.top;
  out->pixels.assign(static_cast<size_t>(out->width) * out->height, kDesktopColour);
  RECT clip{o.x, o.y, o.x + out->width, o.y + out->height};
  const DWORD style = w->style;
  w->style |= WS_VISIBLE;  // a hidden window can still be pictured on its own
  DrawTree(w, *out, o, clip, *provider);
  w->style = style;
  return true;
}

bool WriteScreenPng(const std::string& path) {
  PixelImage image;
  return ComposeScreen(&image) && GetWindowSurfaceProvider()->WritePng(image, path);
}

bool WriteWindowPng(HWND hwnd, const std::string& path) {
  PixelImage image;
  return ComposeWindow(hwnd, &image) && GetWindowSurfaceProvider()->WritePng(image, path);
}

void MarkScreenChanged() { g_changed = true; }

void PresentIfChanged() {
  if (!g_presenter.load() || !g_changed.exchange(false)) return;
  PresentScreen();
}

void ScreenPresenter::ScreenChanged() {
  PixelImage image;
  if (ComposeScreen(&image)) Present(image);
}

void PresentScreen() {
  if (ScreenPresenter* presenter = g_presenter.load()) presenter->ScreenChanged();
}

}  // namespace platform
