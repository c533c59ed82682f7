// Skin pictures: loading bitmaps from resource modules, cutting frames out of strips, and one
// loaded skin piece (CSkinBitmap).
#pragma once

#include "platform/gdi/afx_gdi.h"

namespace skin {

// The bitmap of a module, or of the resource chain when module is NULL; NULL when missing.
HBITMAP LoadModuleBitmap(HINSTANCE module, UINT id);
// The size of a bitmap; {0, 0} for none.
SIZE BitmapSize(HBITMAP bitmap);
// A new bitmap holding the w x h area of source at (x, y); NULL for an empty area or no source.
// Parts beyond the source stay black.
HBITMAP CopyBitmapArea(HBITMAP source, int x, int y, int w, int h);
// Draws w x h of the bitmap at (xSrc, ySrc) to (x, y) of dc.
void BlitBitmap(HDC dc, int x, int y, int w, int h, HBITMAP bitmap, int xSrc, int ySrc, DWORD rop = SRCCOPY);
// A bitmap owned for the life of its holder.
class OwnedBitmap {
 public:
  OwnedBitmap() = default;
  explicit OwnedBitmap(HBITMAP bitmap) : m_hBitmap(bitmap) {}
  ~OwnedBitmap() { Reset(); }
  OwnedBitmap(const OwnedBitmap&) = delete;
  OwnedBitmap& operator=(const OwnedBitmap&) = delete;
  void Reset(HBITMAP bitmap = nullptr);
  HBITMAP Get() const { return m_hBitmap; }
  operator HBITMAP() const { return m_hBitmap; }

 private:
  HBITMAP m_hBitmap = nullptr;
};

}  // namespace skin

// One skin piece.
class CSkinBitmap {
 public:
  virtual ~CSkinBitmap() = default;
  BOOL Load(HINSTANCE module, UINT id);
  BOOL IsLoaded() const { return m_bLoaded; }

  CBitmap m_bitmap;
  int m_nWidth = 0;
  int m_nHeight = 0;
  BOOL m_bLoaded = FALSE;
};
