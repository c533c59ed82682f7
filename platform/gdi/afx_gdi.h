// MFC-style wrappers over the drawing layer: CGdiObject and its kinds, CDC, CImageList.
#pragma once

#include <string>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/image_list.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"
#include "platform/gdi/sys_colors.h"
#include "platform/gdi/text.h"

// Owns its handle: the destructor deletes it unless detached.
class CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject() { DeleteObject(); }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ m_hObject = nullptr;
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  BOOL Attach(HGDIOBJ object);
  template <typename H>
  BOOL Attach(H handle) {
    return Attach(reinterpret_cast<HGDIOBJ>(handle));
  }
  HGDIOBJ Detach();
  BOOL DeleteObject();
  int GetObject(int size, LPVOID buffer) const { return ::GetObject(m_hObject, size, buffer); }
  BOOL CreateStockObject(int index);
};

class CBitmap : public CGdiObject {
 public:
  static CBitmap* FromHandle(HBITMAP bitmap);
  operator HBITMAP() const { return reinterpret_cast<HBITMAP>(m_hObject); }
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits);
  BOOL CreateCompatibleBitmap(class CDC* dc, int width, int height);
  int GetBitmap(BITMAP* bm) const { return GetObject(sizeof(BITMAP), bm); }
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  static CBrush* FromHandle(HBRUSH brush);
  operator HBRUSH() const { return reinterpret_cast<HBRUSH>(m_hObject); }
  BOOL CreateSolidBrush(COLORREF color);
  BOOL CreatePatternBrush(CBitmap* bitmap);
  BOOL CreateHatchBrush(int index, COLORREF color);
  BOOL CreateSysColorBrush(int index);
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
  static CPen* FromHandle(HPEN pen);
  operator HPEN() const { return reinterpret_cast<HPEN>(m_hObject); }
  BOOL CreatePen(int style, int width, COLORREF color);
};

class CFont : public CGdiObject {
 public:
  static CFont* FromHandle(HFONT font);
  operator HFONT() const { return reinterpret_cast<HFONT>(m_hObject); }
  BOOL CreateFontIndirect(const LOGFONT* lf);
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                  BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                  BYTE pitchAndFamily, LPCSTR face);
  // Tenths of a point at 96 dots per inch.
  BOOL CreatePointFont(int pointSize, LPCSTR face, class CDC* dc = nullptr);
  int GetLogFont(LOGFONT* lf) const { return GetObject(sizeof(LOGFONT), lf); }
};

class CRgn : public CGdiObject {
 public:
  static CRgn* FromHandle(HRGN region);
  operator HRGN() const { return reinterpret_cast<HRGN>(m_hObject); }
  BOOL CreateRectRgn(int l, int t, int r, int b) { return Attach(::CreateRectRgn(l, t, r, b)); }
  BOOL CreateRectRgnIndirect(const RECT* r) { return Attach(::CreateRectRgnIndirect(r)); }
  BOOL CreateEllipticRgn(int l, int t, int r, int b) { return Attach(::CreateEllipticRgn(l, t, r, b)); }
  BOOL CreateEllipticRgnIndirect(const RECT* r) { return Attach(::CreateEllipticRgnIndirect(r)); }
  BOOL CreatePolygonRgn(const POINT* pts, int n, int mode) { return Attach(::CreatePolygonRgn(pts, n, mode)); }
  BOOL CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
    return Attach(::CreateRoundRectRgn(l, t, r, b, w, h));
  }
  BOOL CreateFromData(const XFORM* x, int count, const RGNDATA* data) {
    return Attach(::ExtCreateRegion(x, static_cast<DWORD>(count), data));
  }
  int CombineRgn(const CRgn* a, const CRgn* b, int mode) {
    return ::CombineRgn(*this, a ? static_cast<HRGN>(*a) : nullptr, b ? static_cast<HRGN>(*b) : nullptr, mode);
  }
  int CopyRgn(const CRgn* src) { return CombineRgn(src, nullptr, RGN_COPY); }
  int OffsetRgn(int dx, int dy) { return ::OffsetRgn(*this, dx, dy); }
  BOOL PtInRegion(int x, int y) const { return ::PtInRegion(*this, x, y); }
  BOOL PtInRegion(POINT p) const { return ::PtInRegion(*this, p.x, p.y); }
  int GetRgnBox(RECT* r) const { return ::GetRgnBox(*this, r); }
  void SetRectRgn(int l, int t, int r, int b) { ::SetRectRgn(*this, l, t, r, b); }
};

class CDC {
 public:
  CDC() = default;
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC = nullptr;
  static CDC* FromHandle(HDC dc);
  operator HDC() const { return m_hDC; }
  HDC GetSafeHdc() const { return m_hDC; }
  BOOL Attach(HDC dc);
  HDC Detach();
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();

  CBitmap* SelectObject(CBitmap* bitmap);
  CBrush* SelectObject(CBrush* brush);
  CPen* SelectObject(CPen* pen);
  CFont* SelectObject(CFont* font);
  int SelectObject(CRgn* region);
  CGdiObject* SelectStockObject(int index);
  CBitmap* GetCurrentBitmap() const;
  CFont* GetCurrentFont() const;
  int SaveDC() { return ::SaveDC(m_hDC); }
  BOOL RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }
  int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }

  COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
  COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
  COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
  COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
  int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
  int SetROP2(int rop) { return ::SetROP2(m_hDC, rop); }
  int SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }
  UINT SetTextAlign(UINT align) { return ::SetTextAlign(m_hDC, align); }
  POINT SetViewportOrg(int x, int y);
  POINT OffsetViewportOrg(int dx, int dy);
  POINT SetWindowOrg(int x, int y);
  POINT GetViewportOrg() const;

  int SelectClipRgn(CRgn* region) { return ::SelectClipRgn(m_hDC, region ? static_cast<HRGN>(*region) : nullptr); }
  int IntersectClipRect(int l, int t, int r, int b) { return ::IntersectClipRect(m_hDC, l, t, r, b); }
  int IntersectClipRect(const RECT* r) { return IntersectClipRect(r->left, r->top, r->right, r->bottom); }
  int ExcludeClipRect(int l, int t, int r, int b) { return ::ExcludeClipRect(m_hDC, l, t, r, b); }
  int ExcludeClipRect(const RECT* r) { return ExcludeClipRect(r->left, r->top, r->right, r->bottom); }
  int GetClipBox(RECT* r) const { return ::GetClipBox(m_hDC, r); }
  BOOL PtVisible(int x, int y) const { return ::PtVisible(m_hDC, x, y); }
  BOOL RectVisible(const RECT* r) const { return ::RectVisible(m_hDC, r); }

  BOOL BitBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, DWORD rop) {
    return ::BitBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, xs, ys, rop);
  }
  BOOL StretchBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, int ws, int hs, DWORD rop) {
    return ::StretchBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, xs, ys, ws, hs, rop);
  }
  BOOL TransparentBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, int ws, int hs, UINT key) {
    return ::TransparentBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, xs, ys, ws, hs, key);
  }
  BOOL PatBlt(int x, int y, int w, int h, DWORD rop) { return ::PatBlt(m_hDC, x, y, w, h, rop); }
  void FillRect(const RECT* r, CBrush* brush) { ::FillRect(m_hDC, r, brush ? static_cast<HBRUSH>(*brush) : nullptr); }
  void FillSolidRect(const RECT* r, COLORREF color);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
  void FrameRect(const RECT* r, CBrush* brush) { ::FrameRect(m_hDC, r, brush ? static_cast<HBRUSH>(*brush) : nullptr); }
  void InvertRect(const RECT* r) { ::InvertRect(m_hDC, r); }
  void Draw3dRect(const RECT* r, COLORREF topLeft, COLORREF bottomRight);
  void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
  void DrawFocusRect(const RECT* r) { ::DrawFocusRect(m_hDC, r); }
  BOOL DrawEdge(RECT* r, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, r, edge, flags); }
  BOOL Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
  BOOL Rectangle(const RECT* r) { return Rectangle(r->left, r->top, r->right, r->bottom); }
  BOOL Ellipse(int l, int t, int r, int b) { return ::Ellipse(m_hDC, l, t, r, b); }
  BOOL Ellipse(const RECT* r) { return Ellipse(r->left, r->top, r->right, r->bottom); }
  BOOL RoundRect(int l, int t, int r, int b, int w, int h) { return ::RoundRect(m_hDC, l, t, r, b, w, h); }
  BOOL Polygon(const POINT* pts, int n) { return ::Polygon(m_hDC, pts, n); }
  BOOL Polyline(const POINT* pts, int n) { return ::Polyline(m_hDC, pts, n); }
  POINT MoveTo(int x, int y);
  BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
  COLORREF SetPixel(int x, int y, COLORREF c) { return ::SetPixel(m_hDC, x, y, c); }
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
  BOOL FillRgn(CRgn* rgn, CBrush* brush) { return ::FillRgn(m_hDC, *rgn, *brush); }
  BOOL FrameRgn(CRgn* rgn, CBrush* brush, int w, int h) { return ::FrameRgn(m_hDC, *rgn, *brush, w, h); }
  BOOL PaintRgn(CRgn* rgn) { return ::PaintRgn(m_hDC, *rgn); }
  BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }

  BOOL TextOut(int x, int y, const std::string& text) {
    return ::TextOut(m_hDC, x, y, text.data(), static_cast<int>(text.size()));
  }
  BOOL ExtTextOut(int x, int y, UINT options, const RECT* r, const std::string& text, const int* dx = nullptr) {
    return ::ExtTextOut(m_hDC, x, y, options, r, text.data(), static_cast<UINT>(text.size()), dx);
  }
  int DrawText(const std::string& text, RECT* r, UINT format) {
    return ::DrawText(m_hDC, text.data(), static_cast<int>(text.size()), r, format);
  }
  SIZE GetTextExtent(const std::string& text) const;
  BOOL GetTextMetrics(TEXTMETRIC* tm) const { return ::GetTextMetrics(m_hDC, tm); }
  BOOL DrawState(POINT pt, SIZE size, const std::string& text, UINT flags, BOOL prefixText = TRUE, int textLen = 0,
                 CBrush* brush = nullptr);
  BOOL DrawState(POINT pt, SIZE size, HICON icon, UINT flags, CBrush* brush = nullptr);
  BOOL DrawState(POINT pt, SIZE size, HBITMAP bitmap, UINT flags, CBrush* brush = nullptr);

 protected:
  bool owned_ = false;  // created here, so deleted here
};

class CImageList {
 public:
  CImageList() = default;
  ~CImageList() { DeleteImageList(); }
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  HIMAGELIST m_hImageList = nullptr;
  operator HIMAGELIST() const { return m_hImageList; }
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }
  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  BOOL Attach(HIMAGELIST list);
  HIMAGELIST Detach();
  BOOL DeleteImageList();
  int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
  int Add(CBitmap* bitmap, CBitmap* mask) {
    return ImageList_Add(m_hImageList, bitmap ? static_cast<HBITMAP>(*bitmap) : nullptr,
                         mask ? static_cast<HBITMAP>(*mask) : nullptr);
  }
  int Add(CBitmap* bitmap, COLORREF mask) {
    return ImageList_AddMasked(m_hImageList, bitmap ? static_cast<HBITMAP>(*bitmap) : nullptr, mask);
  }
  int Add(HICON icon) { return ImageList_AddIcon(m_hImageList, icon); }
  BOOL Replace(int index, CBitmap* bitmap, CBitmap* mask) {
    return ImageList_Replace(m_hImageList, index, bitmap ? static_cast<HBITMAP>(*bitmap) : nullptr,
                             mask ? static_cast<HBITMAP>(*mask) : nullptr);
  }
  BOOL Remove(int index) { return ImageList_Remove(m_hImageList, index); }
  COLORREF SetBkColor(COLORREF c) { return ImageList_SetBkColor(m_hImageList, c); }
  BOOL Draw(CDC* dc, int index, POINT pt, UINT style) {
    return ImageList_Draw(m_hImageList, index, dc ? dc->m_hDC : nullptr, pt.x, pt.y, style);
  }
  HICON ExtractIcon(int index) { return ImageList_GetIcon(m_hImageList, index, 0); }
};
