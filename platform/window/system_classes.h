// The classes the window system registers itself: dialogs ("#32770") and popup menus ("#32768").
// The standard controls come from the controls layer (class_registrar.h).
#pragma once

#include <vector>

#include "platform/window/window.h"

namespace platform::win {

std::vector<WNDCLASS> SystemClasses();

LRESULT DefDlgProcImpl(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT PopupMenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace platform::win
