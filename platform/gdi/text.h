// Fonts (FreeType faces found through fontconfig) and text output. Strings are UTF-8; counts are
// in bytes, -1 meaning up to the terminating NUL where Win32 allows it.
#pragma once

#include <string>

#include "platform/gdi/gdi_types.h"

HFONT CreateFontIndirect(const LOGFONT* font);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, LPCSTR face);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
int GetTextFace(HDC dc, int size, LPSTR face);
BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, SIZE* size);
// dx receives, for every byte, the extent up to the end of its character.
BOOL GetTextExtentExPoint(HDC dc, LPCSTR text, int count, int maxExtent, int* fit, int* dx, SIZE* size);
BOOL GetCharWidth32(HDC dc, UINT first, UINT last, int* widths);
BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count);
// dx, when given, holds one advance per character.
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const int* dx);
// Returns the height of the text (with DT_VCENTER/DT_BOTTOM: the offset from the top of the
// rectangle to the bottom of the text), 0 on failure.
int DrawText(HDC dc, LPCSTR text, int count, RECT* rect, UINT format);

using DRAWSTATEPROC = BOOL (*)(HDC, LPARAM, WPARAM, int, int);
// DST_TEXT/DST_PREFIXTEXT: data is the text, wData its length (0: up to the NUL); DST_ICON: an
// HICON; DST_BITMAP: an HBITMAP. brush colours DSS_MONO drawings.
BOOL DrawState(HDC dc, HBRUSH brush, DRAWSTATEPROC proc, LPARAM data, WPARAM wData, int x, int y, int cx, int cy,
               UINT flags);

namespace platform::gdi {
// The file fontconfig picks for a face name and weight ("" when none), e.g. "Arial" -> Liberation Sans.
std::string ResolveFontFile(const char* face, int weight, bool italic);
}  // namespace platform::gdi
