// Chained subclassing: several procedures hook one window, each passing on with DefSubclassProc,
// alongside anyone who replaces GWLP_WNDPROC directly (CWnd does).
#pragma once

#include "platform/base/win_types.h"

using SUBCLASSPROC = LRESULT (*)(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR idSubclass,
                                 DWORD_PTR refData);

// Adds (proc, id) to the window's chain, called before the ones already there; again for the same
// pair only replaces its data. Windows of another thread are refused.
BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR idSubclass, DWORD_PTR refData);
BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR idSubclass, DWORD_PTR* refData);
BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR idSubclass);
// From inside a subclass procedure: the next one in the chain, else the window's own procedure.
LRESULT DefSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
