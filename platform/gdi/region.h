// Regions: creation, combination, hit-testing and painting.
#pragma once

#include "platform/gdi/gdi_types.h"

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(const RECT* rect);
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int widthEllipse, int heightEllipse);
// The transform must be NULL; rectangles may overlap and come in any order.
HRGN ExtCreateRegion(const XFORM* transform, DWORD count, const RGNDATA* data);
// Bytes written (or needed, when data is NULL or size too small: then nothing is written).
DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* data);
// dest may be one of the sources. Returns the result's complexity or ERROR.
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* rect);
int GetRgnBox(HRGN region, RECT* box);
BOOL EqualRgn(HRGN a, HRGN b);

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
BOOL PaintRgn(HDC dc, HRGN region);
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height);
BOOL InvertRgn(HDC dc, HRGN region);
