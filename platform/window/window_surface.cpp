#include "platform/window/window_surface.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Rows of pixels a window tree is composed onto; origin is the screen point of its top-left.
struct Canvas {
  std::uint32_t* pixels;
  int width;
  int height;
  int stride;
  POINT origin;
};

// The low 24 bits of n pixels; the top byte is whatever drawing left there.
void CopyColours(std::uint32_t* __restrict to, const std::uint32_t* __restrict from, int n) {
  int i = 0;
#ifdef __SSE2__
  const __m128i colour = _mm_set1_epi32(0xFFFFFF);
  for (; i + 4 <= n; i += 4)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                     _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)), colour));
#endif
  for (; i < n; ++i) to[i] = from[i] & 0xFFFFFF;
}

// Copies the part of a window's own pixels inside area (screen coordinates) onto the canvas.
void CopyWindowPixels(const Window& w, POINT wo, const RECT& area, Canvas& canvas, WindowSurfaceProvider& provider) {
  provider.UseWindowPixels(w.handle, [&](const PixelView& pixels) {
    const int left = std::max<int>(area.left, canvas.origin.x);
    const int top = std::max<int>(area.top, canvas.origin.y);
    const int right = std::min<int>({area.right, wo.x + pixels.width, canvas.origin.x + canvas.width});
    const int bottom = std::min<int>({area.bottom, wo.y + pixels.height, canvas.origin.y + canvas.height});
    for (int y = top; y < bottom; ++y) {
      const std::uint32_t* from = pixels.pixels + static_cast<size_t>(y - wo.y) * pixels.stride - wo.x;
      std::uint32_t* to = canvas.pixels + static_cast<size_t>(y - canvas.origin.y) * canvas.stride - canvas.origin.x;
      if (!w.region) {
        if (right > left) CopyColours(to + left, from + left, right - left);
        continue;
      }
      for (int x = left; x < right; ++x)
        if (provider.RegionContains(w.region, x - wo.x, y - wo.y)) to[x] = from[x] & 0xFFFFFF;
    }
  });
}

// Draws a window and its children (bottom of the z-order first) onto the canvas, inside clip
// (screen coordinates).
void DrawTree(const std::shared_ptr<Window>& w, Canvas& canvas, RECT clip, WindowSurfaceProvider& provider) {
  if (!(w->style & WS_VISIBLE)) return;
  POINT wo = WindowOrigin(*w);
  RECT wr{wo.x, wo.y, wo.x + (w->rect.right - w->rect.left), wo.y + (w->rect.bottom - w->rect.top)};
  RECT area{};
  if (!IntersectRect(&area, &wr, &clip)) return;
  CopyWindowPixels(*w, wo, area, canvas, provider);
  POINT co = ClientOrigin(*w);
  RECT client = ClientRectOf(*w);
  OffsetRect(&client, co.x, co.y);
  RECT childClip{};
  if (!IntersectRect(&childClip, &client, &area)) return;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it)
    if (auto c = FindLocked(*it)) DrawTree(c, canvas, childClip, provider);
}

// Fills area (window coordinates, clipped to the canvas) with the desktop and draws the window
// tree over it; under TableLock.
void ComposeArea(const std::shared_ptr<Window>& w, RECT area, Canvas& canvas, WindowSurfaceProvider& provider) {
  RECT whole{0, 0, canvas.width, canvas.height};
  if (!IntersectRect(&area, &area, &whole)) return;
  // The desktop shows only where the window's own pixels leave gaps.
  bool covered = false;
  if (!w->region)
    provider.UseWindowPixels(
        w->handle, [&](const PixelView& own) { covered = own.width >= area.right && own.height >= area.bottom; });
  for (LONG y = area.top; !covered && y < area.bottom; ++y)
    std::fill_n(canvas.pixels + static_cast<size_t>(y) * canvas.stride + area.left, area.right - area.left,
                kDesktopColour);
  OffsetRect(&area, canvas.origin.x, canvas.origin.y);
  const DWORD style = w->style;
  w->style |= WS_VISIBLE;  // a hidden window can still be pictured on its own
  DrawTree(w, canvas, area, provider);
  w->style = style;
}

std::mutex g_damageMu;
std::map<HWND, RECT> g_damage;  // per top-level window, in its window coordinates

std::uint64_t Mix(std::uint64_t key, std::uint64_t value) { return (key ^ value) * 0x100000001B3ULL; }

void AddLayout(const Window& w, std::uint64_t& key) {
  key = Mix(key, reinterpret_cast<std::uintptr_t>(w.handle));
  key = Mix(key, (w.style & WS_VISIBLE) ? 1 : 2);
  key = Mix(key, reinterpret_cast<std::uintptr_t>(w.region));
  for (LONG v : {w.rect.left, w.rect.top, w.rect.right, w.rect.bottom}) key = Mix(key, static_cast<std::uint32_t>(v));
  if (!(w.style & WS_VISIBLE)) return;
  key = Mix(key, w.children.size());
  for (HWND child : w.children)
    if (auto c = FindLocked(child)) AddLayout(*c, key);
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
  Canvas canvas{out->pixels.data(), out->width, out->height, out->width, POINT{screen.left, screen.top}};
  std::lock_guard lock(TableLock());
  auto& order = TopLevelOrder();
  for (auto it = order.rbegin(); it != order.rend(); ++it)
    if (auto w = FindLocked(*it)) DrawTree(w, canvas, screen, *provider);
  return true;
}

bool ComposeWindow(HWND hwnd, PixelImage* out) {
  auto* provider = GetWindowSurfaceProvider();
  if (!provider || !out) return false;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return false;
  out->width = w->rect.right - w->rect.left;
  out->height = w->rect.bottom - w->rect.top;
  out->pixels.assign(static_cast<size_t>(std::max(out->width, 0)) * std::max(out->height, 0), kDesktopColour);
  Canvas canvas{out->pixels.data(), out->width, out->height, out->width, WindowOrigin(*w)};
  ComposeArea(w, RECT{0, 0, out->width, out->height}, canvas, *provider);
  return true;
}

bool ComposeWindowArea(HWND hwnd, const RECT& area, std::uint32_t* pixels, int width, int height, int stride) {
  auto* provider = GetWindowSurfaceProvider();
  if (!provider || !pixels || width <= 0 || height <= 0 || stride < width) return false;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return false;
  Canvas canvas{pixels, width, height, stride, WindowOrigin(*w)};
  ComposeArea(w, area, canvas, *provider);
  return true;
}

void NoteWindowPainted(HWND hwnd, const RECT* clientArea) {
  RECT area;
  HWND top;
  {
    std::lock_guard lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w) return;
    POINT at;
    if (clientArea) {
      area = *clientArea;
      at = ClientOrigin(*w);
    } else {
      area = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
      at = WindowOrigin(*w);
    }
    auto t = w;
    while (t->parent)
      if (!(t = FindLocked(t->parent))) return;
    const POINT to = WindowOrigin(*t);
    OffsetRect(&area, at.x - to.x, at.y - to.y);
    top = t->handle;
  }
  if (IsRectEmpty(&area)) return;
  std::lock_guard lock(g_damageMu);
  auto [it, fresh] = g_damage.try_emplace(top, area);
  if (!fresh) UnionRect(&it->second, &it->second, &area);
}

bool TakeWindowDamage(HWND topLevel, RECT* area) {
  std::lock_guard lock(g_damageMu);
  auto it = g_damage.find(topLevel);
  if (it == g_damage.end()) return false;
  if (area) *area = it->second;
  g_damage.erase(it);
  return true;
}

std::uint64_t WindowLayoutKey(HWND topLevel) {
  std::uint64_t key = 0xCBF29CE484222325ULL;
  std::lock_guard lock(TableLock());
  if (auto w = FindLocked(topLevel)) AddLayout(*w, key);
  return key;
}

bool WindowSurfaceProvider::UseWindowPixels(HWND hwnd, const std::function<void(const PixelView&)>& use) {
  PixelImage image;
  if (!WindowPixels(hwnd, &image)) return false;
  use(PixelView{image.pixels.data(), image.width, image.height, image.width});
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

bool WriteWindowAsSeenPng(HWND hwnd, const std::string& path) {
  RECT area{};
  if (!GetWindowRect(hwnd, &area)) return false;
  // Owned popups that reach past the window's edge are shown whole.
  {
    std::lock_guard lock(TableLock());
    for (HWND h : TopLevelOrder()) {
      auto w = FindLocked(h);
      if (!w || w->owner != hwnd || !(w->style & WS_VISIBLE)) continue;
      RECT r{};
      if (GetWindowRect(h, &r)) UnionRect(&area, &area, &r);
    }
  }
  PixelImage screen;
  if (!ComposeScreen(&screen)) return false;
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  RECT bounds{left, top, left + screen.width, top + screen.height};
  if (!IntersectRect(&area, &area, &bounds)) return false;
  PixelImage part;
  part.width = area.right - area.left;
  part.height = area.bottom - area.top;
  part.pixels.resize(static_cast<size_t>(part.width) * part.height);
  for (int y = 0; y < part.height; ++y)
    std::copy_n(screen.pixels.begin() + static_cast<long>(y + area.top - top) * screen.width + (area.left - left),
                part.width, part.pixels.begin() + static_cast<long>(y) * part.width);
  return GetWindowSurfaceProvider()->WritePng(part, path);
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
