// Menus: popup and bar menus, their items, menu templates, and TrackPopupMenu's modal loop.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/templates.h"

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_MENUBARBREAK = 0x0020;
constexpr UINT MF_MENUBREAK = 0x0040;
constexpr UINT MF_HILITE = 0x0080;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_DEFAULT = 0x1000;

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrSubMenu, LPCSTR text);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubMenu, LPCSTR text);
BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubMenu, LPCSTR text);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);
HMENU GetSubMenu(HMENU menu, int position);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuString(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags);
// Previous check or enable state, or (DWORD)-1 when there is no such item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
UINT EnableMenuItem(HMENU menu, UINT item, UINT enable);
// The window's system menu (Restore, Move, Minimize, Maximize, Close), which callers may extend;
// revert TRUE puts the standard one back and returns NULL.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);
BOOL SetMenu(HWND hwnd, HMENU menu);
HMENU GetMenu(HWND hwnd);
HMENU LoadMenuIndirect(const platform::MenuTemplate& tmpl);
HMENU LoadMenu(HINSTANCE instance, LPCSTR name);

// Shows the menu at a screen point and runs its loop. With TPM_RETURNCMD returns the chosen
// command (0 when dismissed); otherwise posts WM_COMMAND to the window and returns nonzero.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND hwnd, const RECT* rect);
