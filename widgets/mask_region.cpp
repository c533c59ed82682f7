#include "widgets/mask_region.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"

namespace {

struct KeyBox {
  int low[3];
  int high[3];
  bool Holds(const std::uint8_t* bgr) const {
    for (int c = 0; c < 3; ++c) {
      if (bgr[c] < low[c] || bgr[c] > high[c]) return false;
    }
    return true;
  }
};

KeyBox MakeKeyBox(COLORREF key, COLORREF tolerance) {
  // COLORREF keeps red in the low byte; the pixels keep blue first.
  const int keyBgr[3] = {GetBValue(key), GetGValue(key), GetRValue(key)};
  const int tolBgr[3] = {GetBValue(tolerance), GetGValue(tolerance), GetRValue(tolerance)};
  KeyBox box{};
  for (int c = 0; c < 3; ++c) {
    box.low[c] = keyBgr[c];
    box.high[c] = std::min(255, keyBgr[c] + tolBgr[c]);
  }
  return box;
}

HRGN RegionOf(const std::vector<RECT>& rects) {
  std::vector<std::uint8_t> block(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(block.data());
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(rects.size());
  data->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
  RECT bounds{0x7FFFFFFF, 0x7FFFFFFF, 0, 0};
  for (const RECT& r : rects) {
    bounds.left = std::min(bounds.left, r.left);
    bounds.top = std::min(bounds.top, r.top);
    bounds.right = std::max(bounds.right, r.right);
    bounds.bottom = std::max(bounds.bottom, r.bottom);
  }
  data->rdh.rcBound = bounds;
  std::memcpy(data->Buffer, rects.data(), rects.size() * sizeof(RECT));
  return ExtCreateRegion(nullptr, static_cast<DWORD>(block.size()), data);
}

}  // namespace

void CollectMaskRuns(const std::uint8_t* pixels, int width, int height, std::size_t pitch, COLORREF key,
                     COLORREF tolerance, const std::function<void(const std::vector<RECT>&)>& sink) {
  if (!pixels || width <= 0 || height <= 0 || pitch < static_cast<std::size_t>(width) * 4) return;
  const KeyBox box = MakeKeyBox(key, tolerance);
  std::vector<RECT> batch;
  batch.reserve(kMaskRunBatch);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * pitch;
    int x = 0;
    while (x < width) {
      while (x < width && box.Holds(row + x * 4)) ++x;
      const int start = x;
      while (x < width && !box.Holds(row + x * 4)) ++x;
      if (x > start) {
        batch.push_back(RECT{start, y, x, y + 1});
        if (batch.size() == kMaskRunBatch) {
          sink(batch);
          batch.clear();
        }
      }
    }
  }
  if (!batch.empty()) sink(batch);
}

HRGN BuildRegionFromBitmap(HBITMAP bitmap, COLORREF key, COLORREF tolerance) {
  BITMAP info{};
  if (!bitmap || GetObject(bitmap, sizeof(info), &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0) {
    return nullptr;
  }
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = -info.bmHeight;  // top row first
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr);
  if (!memory) return nullptr;
  HBITMAP copy = CreateDIBSection(memory, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC source = CreateCompatibleDC(nullptr);
  if (!copy || !source || !bits) {
    if (copy) DeleteObject(copy);
    if (source) DeleteDC(source);
    DeleteDC(memory);
    return nullptr;
  }
  HGDIOBJ oldCopy = SelectObject(memory, copy);
  HGDIOBJ oldSource = SelectObject(source, bitmap);
  BitBlt(memory, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
  SelectObject(source, oldSource);
  DeleteDC(source);

  HRGN result = CreateRectRgn(0, 0, 0, 0);
  CollectMaskRuns(static_cast<const std::uint8_t*>(bits), info.bmWidth, info.bmHeight,
                  static_cast<std::size_t>(info.bmWidth) * 4, key, tolerance, [&](const std::vector<RECT>& rects) {
                    HRGN part = RegionOf(rects);
                    if (part) {
                      CombineRgn(result, result, part, RGN_OR);
                      DeleteObject(part);
                    }
                  });
  SelectObject(memory, oldCopy);
  DeleteObject(copy);
  DeleteDC(memory);
  return result;
}
