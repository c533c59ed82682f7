#include "platform/gdi/afx_gdi.h"

#include <memory>
#include <type_traits>
#include <unordered_map>

#include "platform/base/strings.h"

namespace {

// Wrappers handed out for handles nobody wraps (what MFC keeps as temporary objects). They never
// delete their handle and live for the thread.
template <typename W, typename H>
W* Temporary(H handle) {
  if (!handle) return nullptr;
  struct Holder {
    std::unordered_map<const void*, std::unique_ptr<W>> map;
    ~Holder() {
      for (auto& [h, w] : map) {
        if constexpr (std::is_same_v<W, CDC>) w->Detach();
        else w->Detach();
      }
    }
  };
  thread_local Holder holder;
  auto& slot = holder.map[handle];
  if (!slot) {
    slot = std::make_unique<W>();
    if constexpr (std::is_same_v<W, CDC>) slot->m_hDC = handle;
    else slot->m_hObject = reinterpret_cast<HGDIOBJ>(handle);
  }
  return slot.get();
}

}  // namespace

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (!object) return FALSE;
  DeleteObject();
  m_hObject = object;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  BOOL ok = ::DeleteObject(m_hObject);
  m_hObject = nullptr;
  return ok;
}

BOOL CGdiObject::CreateStockObject(int index) { return Attach(::GetStockObject(index)); }

CBitmap* CBitmap::FromHandle(HBITMAP h) { return Temporary<CBitmap>(h); }
BOOL CBitmap::CreateBitmap(int w, int h, UINT planes, UINT bpp, const void* bits) {
  return Attach(reinterpret_cast<HGDIOBJ>(::CreateBitmap(w, h, planes, bpp, bits)));
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int w, int h) {
  return Attach(reinterpret_cast<HGDIOBJ>(::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, w, h)));
}

CBrush* CBrush::FromHandle(HBRUSH h) { return Temporary<CBrush>(h); }
BOOL CBrush::CreateSolidBrush(COLORREF c) { return Attach(reinterpret_cast<HGDIOBJ>(::CreateSolidBrush(c))); }
BOOL CBrush::CreatePatternBrush(CBitmap* b) {
  return b ? Attach(reinterpret_cast<HGDIOBJ>(::CreatePatternBrush(*b))) : FALSE;
}
BOOL CBrush::CreateHatchBrush(int i, COLORREF c) { return Attach(reinterpret_cast<HGDIOBJ>(::CreateHatchBrush(i, c))); }
BOOL CBrush::CreateSysColorBrush(int i) { return CreateSolidBrush(GetSysColor(i)); }

CPen* CPen::FromHandle(HPEN h) { return Temporary<CPen>(h); }
BOOL CPen::CreatePen(int s, int w, COLORREF c) { return Attach(reinterpret_cast<HGDIOBJ>(::CreatePen(s, w, c))); }

CFont* CFont::FromHandle(HFONT h) { return Temporary<CFont>(h); }
BOOL CFont::CreateFontIndirect(const LOGFONT* lf) {
  return Attach(reinterpret_cast<HGDIOBJ>(::CreateFontIndirect(lf)));
}
BOOL CFont::CreateFont(int height, int width, int esc, int orient, int weight, BYTE italic, BYTE underline, BYTE strike,
                       BYTE charSet, BYTE outP, BYTE clipP, BYTE quality, BYTE pitch, LPCSTR face) {
  return Attach(reinterpret_cast<HGDIOBJ>(::CreateFont(height, width, esc, orient, weight, italic, underline, strike,
                                                       charSet, outP, clipP, quality, pitch, face)));
}
BOOL CFont::CreatePointFont(int pointSize, LPCSTR face, CDC*) {
  LOGFONT lf;
  lf.lfHeight = -((pointSize * 96 + 360) / 720);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  if (face) platform::CopyToBuffer(face, lf.lfFaceName, LF_FACESIZE);
  return CreateFontIndirect(&lf);
}

CRgn* CRgn::FromHandle(HRGN h) { return Temporary<CRgn>(h); }

CDC::~CDC() {
  if (owned_) DeleteDC();
}

CDC* CDC::FromHandle(HDC dc) { return Temporary<CDC>(dc); }

BOOL CDC::Attach(HDC dc) {
  if (!dc) return FALSE;
  m_hDC = dc;
  owned_ = false;
  return TRUE;
}

HDC CDC::Detach() {
  HDC h = m_hDC;
  m_hDC = nullptr;
  owned_ = false;
  return h;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  HDC h = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
  if (!h) return FALSE;
  if (owned_) DeleteDC();
  m_hDC = h;
  owned_ = true;
  return TRUE;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  BOOL ok = ::DeleteDC(m_hDC);
  m_hDC = nullptr;
  owned_ = false;
  return ok;
}

CBitmap* CDC::SelectObject(CBitmap* b) {
  if (!b) return nullptr;
  return CBitmap::FromHandle(reinterpret_cast<HBITMAP>(::SelectObject(m_hDC, b->m_hObject)));
}
CBrush* CDC::SelectObject(CBrush* b) {
  if (!b) return nullptr;
  return CBrush::FromHandle(reinterpret_cast<HBRUSH>(::SelectObject(m_hDC, b->m_hObject)));
}
CPen* CDC::SelectObject(CPen* p) {
  if (!p) return nullptr;
  return CPen::FromHandle(reinterpret_cast<HPEN>(::SelectObject(m_hDC, p->m_hObject)));
}
CFont* CDC::SelectObject(CFont* f) {
  if (!f) return nullptr;
  return CFont::FromHandle(reinterpret_cast<HFONT>(::SelectObject(m_hDC, f->m_hObject)));
}
int CDC::SelectObject(CRgn* r) { return SelectClipRgn(r); }

CGdiObject* CDC::SelectStockObject(int index) {
  HGDIOBJ old = ::SelectObject(m_hDC, ::GetStockObject(index));
  if (!old) return nullptr;
  switch (GetObjectType(old)) {
    case OBJ_PEN: return CPen::FromHandle(reinterpret_cast<HPEN>(old));
    case OBJ_BRUSH: return CBrush::FromHandle(reinterpret_cast<HBRUSH>(old));
    case OBJ_FONT: return CFont::FromHandle(reinterpret_cast<HFONT>(old));
    default: return nullptr;
  }
}

CBitmap* CDC::GetCurrentBitmap() const {
  return CBitmap::FromHandle(reinterpret_cast<HBITMAP>(::GetCurrentObject(m_hDC, OBJ_BITMAP)));
}
CFont* CDC::GetCurrentFont() const {
  return CFont::FromHandle(reinterpret_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT)));
}

POINT CDC::SetViewportOrg(int x, int y) {
  POINT old{};
  ::SetViewportOrgEx(m_hDC, x, y, &old);
  return old;
}
POINT CDC::OffsetViewportOrg(int dx, int dy) {
  POINT old{};
  ::OffsetViewportOrgEx(m_hDC, dx, dy, &old);
  return old;
}
POINT CDC::SetWindowOrg(int x, int y) {
  POINT old{};
  ::SetWindowOrgEx(m_hDC, x, y, &old);
  return old;
}
POINT CDC::GetViewportOrg() const {
  POINT p{};
  ::GetViewportOrgEx(m_hDC, &p);
  return p;
}

void CDC::FillSolidRect(const RECT* r, COLORREF color) {
  if (!r) return;
  COLORREF old = ::SetBkColor(m_hDC, color);
  ::ExtTextOut(m_hDC, 0, 0, ETO_OPAQUE, r, nullptr, 0, nullptr);
  ::SetBkColor(m_hDC, old);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
  RECT r{x, y, x + cx, y + cy};
  FillSolidRect(&r, color);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
  FillSolidRect(x, y, cx - 1, 1, topLeft);
  FillSolidRect(x, y, 1, cy - 1, topLeft);
  FillSolidRect(x + cx, y, -1, cy, bottomRight);
  FillSolidRect(x, y + cy, cx, -1, bottomRight);
}

void CDC::Draw3dRect(const RECT* r, COLORREF topLeft, COLORREF bottomRight) {
  if (r) Draw3dRect(r->left, r->top, r->right - r->left, r->bottom - r->top, topLeft, bottomRight);
}

POINT CDC::MoveTo(int x, int y) {
  POINT old{};
  ::MoveToEx(m_hDC, x, y, &old);
  return old;
}

SIZE CDC::GetTextExtent(const std::string& text) const {
  SIZE s{};
  ::GetTextExtentPoint32(m_hDC, text.data(), static_cast<int>(text.size()), &s);
  return s;
}

BOOL CDC::DrawState(POINT pt, SIZE size, const std::string& text, UINT flags, BOOL prefixText, int textLen,
                    CBrush* brush) {
  UINT type = prefixText ? DST_PREFIXTEXT : DST_TEXT;
  return ::DrawState(m_hDC, brush ? static_cast<HBRUSH>(*brush) : nullptr, nullptr,
                     reinterpret_cast<LPARAM>(text.c_str()),
                     static_cast<WPARAM>(textLen ? textLen : static_cast<int>(text.size())), pt.x, pt.y, size.cx,
                     size.cy, (flags & ~0xFu) | type);
}

BOOL CDC::DrawState(POINT pt, SIZE size, HICON icon, UINT flags, CBrush* brush) {
  return ::DrawState(m_hDC, brush ? static_cast<HBRUSH>(*brush) : nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0,
                     pt.x, pt.y, size.cx, size.cy, (flags & ~0xFu) | DST_ICON);
}

BOOL CDC::DrawState(POINT pt, SIZE size, HBITMAP bitmap, UINT flags, CBrush* brush) {
  return ::DrawState(m_hDC, brush ? static_cast<HBRUSH>(*brush) : nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0,
                     pt.x, pt.y, size.cx, size.cy, (flags & ~0xFu) | DST_BITMAP);
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
  return Attach(ImageList_Create(cx, cy, flags, initial, grow));
}

BOOL CImageList::Attach(HIMAGELIST list) {
  if (!list) return FALSE;
  DeleteImageList();
  m_hImageList = list;
  return TRUE;
}

HIMAGELIST CImageList::Detach() {
  HIMAGELIST h = m_hImageList;
  m_hImageList = nullptr;
  return h;
}

BOOL CImageList::DeleteImageList() {
  if (!m_hImageList) return FALSE;
  BOOL ok = ImageList_Destroy(m_hImageList);
  m_hImageList = nullptr;
  return ok;
}
