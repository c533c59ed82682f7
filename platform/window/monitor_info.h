// The monitor rectangle of a window, as the suite's dialogs place and size themselves.
#pragma once

#include "platform/base/win_types.h"

class CMonitorInfo {
 public:
  explicit CMonitorInfo(HWND hwnd) : m_hWnd(hwnd) {}
  // The monitor nearest to the window: the whole monitor, or its work area when workArea is TRUE.
  void GetMonitorRect(RECT* out, BOOL workArea) const;

 private:
  HWND m_hWnd;
};
