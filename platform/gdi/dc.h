// Device contexts: creation, selection, saved states, attributes, coordinates and clipping.
#pragma once

#include "platform/gdi/gdi_types.h"

// A memory DC with a 1x1 monochrome bitmap selected, like a new Win32 memory DC. dc may be NULL.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// Bitmaps can be selected into one memory DC at a time; regions select as the clip (returns the
// complexity, not a handle). Returns the previous object, NULL on failure.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
inline HGDIOBJ SelectObject(HDC dc, HBITMAP h) { return SelectObject(dc, reinterpret_cast<HGDIOBJ>(h)); }
inline HGDIOBJ SelectObject(HDC dc, HBRUSH h) { return SelectObject(dc, reinterpret_cast<HGDIOBJ>(h)); }
inline HGDIOBJ SelectObject(HDC dc, HPEN h) { return SelectObject(dc, reinterpret_cast<HGDIOBJ>(h)); }
inline HGDIOBJ SelectObject(HDC dc, HFONT h) { return SelectObject(dc, reinterpret_cast<HGDIOBJ>(h)); }
inline HGDIOBJ SelectObject(HDC dc, HRGN h) { return SelectObject(dc, reinterpret_cast<HGDIOBJ>(h)); }
int SaveDC(HDC dc);
// A negative level counts back from the newest saved state.
BOOL RestoreDC(HDC dc, int savedDc);
int GetDeviceCaps(HDC dc, int index);

COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
COLORREF SetDCBrushColor(HDC dc, COLORREF color);
COLORREF SetDCPenColor(HDC dc, COLORREF color);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old);

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetViewportOrgEx(HDC dc, POINT* org);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetWindowOrgEx(HDC dc, POINT* org);
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);

// Clipping; the clip region is in device coordinates, a NULL region removes it.
int SelectClipRgn(HDC dc, HRGN region);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int dx, int dy);
// Copies the application clip into region: 1 when there is one, 0 when none, -1 on error.
int GetClipRgn(HDC dc, HRGN region);
int GetClipBox(HDC dc, RECT* rect);
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT* rect);

namespace platform::gdi {
// For the window system: a DC that draws into the surface bitmap (32 bpp) with device (0, 0) at
// origin on it, confined to visible (device coordinates; NULL: the whole surface). on_delete runs
// when the DC is deleted.
HDC CreateSurfaceDC(HBITMAP surface, POINT origin, HRGN visible);
// The bitmap a memory DC or surface DC draws into (NULL for an invalid DC).
HBITMAP GetTargetBitmap(HDC dc);
}  // namespace platform::gdi
