// GDI objects in general: stock objects, deletion, type and description.
#pragma once

#include <cstddef>

#include "platform/gdi/gdi_types.h"

HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ object);
DWORD GetObjectType(HGDIOBJ object);
// Fills BITMAP/DIBSECTION, LOGBRUSH, LOGPEN or LOGFONT; returns the bytes written, 0 on failure.
// With a null buffer returns the size needed.
int GetObject(HANDLE object, int size, LPVOID buffer);

// Each GDI handle type is distinct, so the generic calls get one overload per type.
inline BOOL DeleteObject(HBITMAP h) { return DeleteObject(reinterpret_cast<HGDIOBJ>(h)); }
inline BOOL DeleteObject(HBRUSH h) { return DeleteObject(reinterpret_cast<HGDIOBJ>(h)); }
inline BOOL DeleteObject(HPEN h) { return DeleteObject(reinterpret_cast<HGDIOBJ>(h)); }
inline BOOL DeleteObject(HFONT h) { return DeleteObject(reinterpret_cast<HGDIOBJ>(h)); }
inline BOOL DeleteObject(HRGN h) { return DeleteObject(reinterpret_cast<HGDIOBJ>(h)); }
inline DWORD GetObjectType(HBITMAP h) { return GetObjectType(reinterpret_cast<HGDIOBJ>(h)); }
inline DWORD GetObjectType(HBRUSH h) { return GetObjectType(reinterpret_cast<HGDIOBJ>(h)); }
inline DWORD GetObjectType(HPEN h) { return GetObjectType(reinterpret_cast<HGDIOBJ>(h)); }
inline DWORD GetObjectType(HFONT h) { return GetObjectType(reinterpret_cast<HGDIOBJ>(h)); }
inline DWORD GetObjectType(HRGN h) { return GetObjectType(reinterpret_cast<HGDIOBJ>(h)); }
inline DWORD GetObjectType(HDC h) { return GetObjectType(reinterpret_cast<HGDIOBJ>(h)); }

namespace platform::gdi {
// Live (non-stock) GDI objects, for leak checks in tests.
size_t LiveObjectCount();
}  // namespace platform::gdi
