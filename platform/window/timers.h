// Window timers on the suite clock: WM_TIMER is made when a timer is due and the queue is asked.
#pragma once

#include "platform/base/win_types.h"

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

constexpr UINT USER_TIMER_MINIMUM = 10;

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
