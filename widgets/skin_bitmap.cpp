#include "widgets/skin_bitmap.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"

namespace skin {

HBITMAP LoadModuleBitmap(HINSTANCE module, UINT id) {
  LPCSTR name = MAKEINTRESOURCE(id);
  if (!module) module = AfxFindResourceHandle(name, RT_BITMAP);
  return module ? ::LoadBitmap(module, name) : nullptr;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || ::GetObject(bitmap, sizeof(info), &info) == 0) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

HBITMAP CopyBitmapArea(HBITMAP source, int x, int y, int w, int h) {
  if (!source || w <= 0 || h <= 0) return nullptr;
  HBITMAP copy = ::CreateBitmap(w, h, 1, 32, nullptr);
  if (!copy) return nullptr;
  HDC to = ::CreateCompatibleDC(nullptr);
  HDC from = ::CreateCompatibleDC(nullptr);
  HGDIOBJ oldTo = ::SelectObject(to, copy);
  HGDIOBJ oldFrom = ::SelectObject(from, source);
  ::PatBlt(to, 0, 0, w, h, BLACKNESS);
  ::BitBlt(to, 0, 0, w, h, from, x, y, SRCCOPY);
  ::SelectObject(from, oldFrom);
  ::SelectObject(to, oldTo);
  ::DeleteDC(from);
  ::DeleteDC(to);
  return copy;
}

void BlitBitmap(HDC dc, int x, int y, int w, int h, HBITMAP bitmap, int xSrc, int ySrc, DWORD rop) {
  if (!dc || !bitmap || w <= 0 || h <= 0) return;
  HDC memory = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(dc, x, y, w, h, memory, xSrc, ySrc, rop);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
}

void OwnedBitmap::Reset(HBITMAP bitmap) {
  if (m_hBitmap && m_hBitmap != bitmap) ::DeleteObject(m_hBitmap);
  m_hBitmap = bitmap;
}

}  // namespace skin

BOOL CSkinBitmap::Load(HINSTANCE module, UINT id) {
  m_bitmap.DeleteObject();
  m_bLoaded = FALSE;
  m_nWidth = m_nHeight = 0;
  HBITMAP bitmap = skin::LoadModuleBitmap(module, id);
  if (!bitmap) return FALSE;
  m_bitmap.Attach(bitmap);
  const SIZE size = skin::BitmapSize(bitmap);
  m_nWidth = size.cx;
  m_nHeight = size.cy;
  m_bLoaded = TRUE;
  return TRUE;
}
