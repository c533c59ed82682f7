// The classes the window system registers itself: dialogs ("#32770"), popup menus ("#32768")
// and plain stand-ins for the standard controls until the controls layer registers its own.
#pragma once

#include <vector>

#include "platform/window/window.h"

namespace platform::win {

std::vector<WNDCLASS> SystemClasses();

LRESULT DefDlgProcImpl(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT PopupMenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT BasicButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT BasicStaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT BasicEditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace platform::win
