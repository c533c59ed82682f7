// Keyboard focus, activation, mouse capture, key state, cursors and hit-testing.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/resource_names.h"

HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();

HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

// High bit set while the key is down; low bit toggles with each press.
short GetKeyState(int vk);
short GetAsyncKeyState(int vk);

// The deepest visible, enabled window under a screen point; window regions are respected.
HWND WindowFromPoint(POINT pt);
HWND ChildWindowFromPoint(HWND parent, POINT clientPt);
BOOL GetCursorPos(POINT* pt);
BOOL SetCursorPos(int x, int y);

// Cursors are recorded, not drawn: GetCursor tells which one the windows asked for last.
#define IDC_ARROW MAKEINTRESOURCE(32512)
#define IDC_IBEAM MAKEINTRESOURCE(32513)
#define IDC_WAIT MAKEINTRESOURCE(32514)
#define IDC_CROSS MAKEINTRESOURCE(32515)
#define IDC_SIZENWSE MAKEINTRESOURCE(32642)
#define IDC_SIZENESW MAKEINTRESOURCE(32643)
#define IDC_SIZEWE MAKEINTRESOURCE(32644)
#define IDC_SIZENS MAKEINTRESOURCE(32645)
#define IDC_SIZEALL MAKEINTRESOURCE(32646)
#define IDC_NO MAKEINTRESOURCE(32648)
#define IDC_HAND MAKEINTRESOURCE(32649)
#define IDC_APPSTARTING MAKEINTRESOURCE(32650)

HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// System cursors for a null instance; resource cursors come from platform/window/resources.h.
HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name);
int ShowCursor(BOOL show);

struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = 0;
};
constexpr DWORD TME_HOVER = 0x00000001;
constexpr DWORD TME_LEAVE = 0x00000002;
constexpr DWORD TME_CANCEL = 0x80000000;
constexpr DWORD HOVER_DEFAULT = 0xFFFFFFFF;
BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme);
