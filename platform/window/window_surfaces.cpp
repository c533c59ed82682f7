#include "platform/window/window_surfaces.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/gdi/afx_gdi.h"
#include "platform/gdi/image_file.h"
#include "platform/window/monitors.h"
#include "platform/window/window.h"
#include "platform/window/window_surface.h"

namespace platform {
namespace {

class Surfaces final : public WindowSurfaceProvider {
 public:
  HDC AcquireDC(HWND hwnd, bool wholeWindow, const RECT& clip) override {
    RECT wr;
    if (hwnd == GetDesktopWindow()) {
      // The screen DC: a surface the size of the primary screen.
      wr = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
      if (wr.right <= 0 || wr.bottom <= 0) wr = {0, 0, 1024, 768};
    } else if (!GetWindowRect(hwnd, &wr)) {
      return nullptr;
    }
    // An empty window still gets a DC: drawing into it changes nothing anyone sees.
    HBITMAP surface = SurfaceFor(hwnd, std::max(1, static_cast<int>(wr.right - wr.left)),
                                 std::max(1, static_cast<int>(wr.bottom - wr.top)));
    if (!surface) return nullptr;
    POINT origin{0, 0};
    if (!wholeWindow) {
      POINT client{0, 0};
      ClientToScreen(hwnd, &client);
      origin = {client.x - wr.left, client.y - wr.top};
    }
    HRGN visible = CreateRectRgnIndirect(&clip);
    HDC dc = gdi::CreateSurfaceDC(surface, origin, visible);
    DeleteObject(visible);
    return dc;
  }

  void ReleaseDC(HWND, HDC dc) override { DeleteDC(dc); }

  bool RegionContains(HRGN region, int x, int y) override { return PtInRegion(region, x, y) != FALSE; }
  bool RegionBox(HRGN region, RECT* box) override { return GetRgnBox(region, box) != ERROR; }
  bool CopyRegion(HRGN destination, HRGN source) override {
    return CombineRgn(destination, source, nullptr, RGN_COPY) != ERROR;
  }
  void DeleteRegion(HRGN region) override { DeleteObject(region); }

  bool WindowPixels(HWND hwnd, PixelImage* out) override {
    std::lock_guard lock(mutex_);
    auto it = surfaces_.find(hwnd);
    if (it == surfaces_.end() || !out) return false;
    BITMAP bm;
    if (!GetObject(it->second, sizeof(bm), &bm)) return false;
    out->width = bm.bmWidth;
    out->height = bm.bmHeight;
    out->pixels.assign(static_cast<size_t>(bm.bmWidth) * bm.bmHeight, 0);
    LONG size = GetBitmapBits(it->second, 0, nullptr);
    if (size != static_cast<LONG>(out->pixels.size() * 4)) return false;
    GetBitmapBits(it->second, size, out->pixels.data());
    for (auto& p : out->pixels) p &= 0xFFFFFF;
    return true;
  }

  bool UseWindowPixels(HWND hwnd, const std::function<void(const PixelView&)>& use) override {
    std::lock_guard lock(mutex_);
    auto it = surfaces_.find(hwnd);
    if (it == surfaces_.end()) return false;
    BITMAP bm;
    if (!GetObject(it->second, sizeof(bm), &bm) || !bm.bmBits || bm.bmBitsPixel != 32) return false;
    use(PixelView{static_cast<const std::uint32_t*>(bm.bmBits), bm.bmWidth, bm.bmHeight, bm.bmWidthBytes / 4});
    return true;
  }

  bool WritePng(const PixelImage& image, const std::string& path) override {
    return gdi::WritePng(image.pixels.data(), image.width, image.height, path);
  }

  void WindowResized(HWND hwnd, int width, int height) override { SurfaceFor(hwnd, width, height); }

  void WindowDestroyed(HWND hwnd) override {
    std::lock_guard lock(mutex_);
    auto it = surfaces_.find(hwnd);
    if (it == surfaces_.end()) return;
    DeleteObject(it->second);
    surfaces_.erase(it);
  }

 private:
  // The window's bitmap at the given size; a resize keeps what fits of the old pixels.
  HBITMAP SurfaceFor(HWND hwnd, int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    std::lock_guard lock(mutex_);
    HBITMAP& slot = surfaces_[hwnd];
    if (slot) {
      BITMAP bm;
      GetObject(slot, sizeof(bm), &bm);
      if (bm.bmWidth == width && bm.bmHeight == height) return slot;
    }
    // A top-down 32-bit DIB section, so a presenter reads the pixels where they are.
    HBITMAP fresh = CreateRgbDibSection(width, height, 32, true);
    if (!fresh) return slot;
    if (slot) {
      CopyPixels(slot, 0, 0, fresh, width, height);
      DeleteObject(slot);
    } else if (HWND parent = GetParent(hwnd)) {
      // A new child starts with what its parent shows beneath it, as if it shared the parent's
      // pixels: parts it leaves unpainted look through.
      auto it = surfaces_.find(parent);
      RECT mine, theirs;
      if (it != surfaces_.end() && GetWindowRect(hwnd, &mine) && GetWindowRect(parent, &theirs))
        CopyPixels(it->second, mine.left - theirs.left, mine.top - theirs.top, fresh, width, height);
    }
    slot = fresh;
    return slot;
  }

  static void CopyPixels(HBITMAP from, int x, int y, HBITMAP to, int width, int height) {
    HDC src = CreateCompatibleDC(nullptr), dst = CreateCompatibleDC(nullptr);
    HGDIOBJ o1 = SelectObject(src, from), o2 = SelectObject(dst, to);
    BitBlt(dst, 0, 0, width, height, src, x, y, SRCCOPY);
    SelectObject(src, o1);
    SelectObject(dst, o2);
    DeleteDC(src);
    DeleteDC(dst);
  }

  std::mutex mutex_;
  std::map<HWND, HBITMAP> surfaces_;
};

}  // namespace

WindowSurfaceProvider& OwnWindowSurfaces() {
  static Surfaces* surfaces = new Surfaces;  // lives as long as the process: windows may outlive static destructors
  return *surfaces;
}

}  // namespace platform
