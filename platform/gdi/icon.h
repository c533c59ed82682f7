// Icons and cursors as handles: built from a mask and a colour bitmap, drawn, copied, destroyed.
#pragma once

#include "platform/gdi/gdi_types.h"

// Stock icon names (the Win32 resource numbers); stock cursors come from the window system.
#define IDI_APPLICATION (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(32512)))
#define IDI_ERROR (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(32513)))
#define IDI_QUESTION (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(32514)))
#define IDI_WARNING (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(32515)))
#define IDI_INFORMATION (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(32516)))

// The mask is required; the colour bitmap may be NULL (then the mask is twice as high: AND over XOR).
HICON CreateIconIndirect(const ICONINFO* info);
// The caller deletes the two bitmaps it receives.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
HICON CopyIcon(HICON icon);
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
// width/height 0: the icon's own size.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flickerFree, UINT flags);
// Stock icons (instance NULL; shared handles that DestroyIcon leaves alone), or a resource
// library's icon at the system icon size.
HICON LoadIcon(HINSTANCE instance, LPCSTR name);
