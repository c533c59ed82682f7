// Bitmaps (device-dependent and DIB sections), DIB transfers and blits.
#pragma once

#include "platform/gdi/gdi_types.h"

constexpr DWORD CBM_INIT = 0x04;

// Planes must be 1; bitsPerPixel 1 (rows word-aligned) or 32. bits may be NULL.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// Monochrome when the DC draws into a monochrome bitmap, 32-bit colour otherwise. A zero size
// gives a 1x1 monochrome bitmap, a negative one NULL.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// 24 or 32 bpp, BI_RGB; a negative height makes top-down rows.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
// A 24- or 32-bit RGB DIB section of the size, its rows top-down when asked; bits may be NULL.
HBITMAP CreateRgbDibSection(int width, int height, WORD bitsPerPixel, bool topDown, void** bits = nullptr);
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage);
LONG GetBitmapBits(HBITMAP bitmap, LONG size, LPVOID bits);
LONG SetBitmapBits(HBITMAP bitmap, DWORD size, const void* bits);
// With bits NULL and biBitCount 0 fills in the header. Returns the scan lines copied, 0 on failure.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);

// Monochrome sources take the destination's text colour for 0 and background colour for 1;
// colour sources become 1 on a monochrome destination where they equal the source's background
// colour.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth, int srcHeight,
                DWORD rop);
// Copies every source pixel except those of the transparent colour.
BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth,
                    int srcHeight, UINT transparent);
BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth, int srcHeight,
                BLENDFUNCTION blend);
