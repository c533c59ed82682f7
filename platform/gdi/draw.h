// Brushes, pens and the drawing primitives: rectangles, lines, shapes, edges and pixels.
#pragma once

#include "platform/gdi/gdi_types.h"

HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// The bitmap is copied; a monochrome pattern takes the DC's text and background colours.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
// packedDib: a BITMAPINFO followed by its bits (1, 24 or 32 bpp).
HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// brush may be (HBRUSH)(COLOR_x + 1).
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rect);
BOOL DrawFocusRect(HDC dc, const RECT* rect);
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);

BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
BOOL GetCurrentPositionEx(HDC dc, POINT* pos);
// Draws from the current position up to, not including, (x, y).
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC dc, int x, int y, COLORREF color);
// CLR_INVALID outside the bitmap or the clip.
COLORREF GetPixel(HDC dc, int x, int y);
