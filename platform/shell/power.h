// Power: keeping the system and display awake (SetThreadExecutionState: recorded, and held as
// logind's sleep inhibitor while a continuous state asks for it) and the power broadcasts that
// reach windows around a suspend.
#pragma once

#include <vector>

#include "platform/base/win_types.h"
#include "platform/window/wm_messages.h"

using EXECUTION_STATE = DWORD;
constexpr EXECUTION_STATE ES_SYSTEM_REQUIRED = 0x00000001;
constexpr EXECUTION_STATE ES_DISPLAY_REQUIRED = 0x00000002;
constexpr EXECUTION_STATE ES_AWAYMODE_REQUIRED = 0x00000040;
constexpr EXECUTION_STATE ES_CONTINUOUS = 0x80000000;

// Returns the previous continuous state (with ES_CONTINUOUS), or 0 for an invalid request.
EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE state);

constexpr WPARAM PBT_APMQUERYSUSPEND = 0x0000;
constexpr WPARAM PBT_APMQUERYSUSPENDFAILED = 0x0002;
constexpr WPARAM PBT_APMSUSPEND = 0x0004;
constexpr WPARAM PBT_APMRESUMECRITICAL = 0x0006;
constexpr WPARAM PBT_APMRESUMESUSPEND = 0x0007;
constexpr WPARAM PBT_APMBATTERYLOW = 0x0009;
constexpr WPARAM PBT_APMPOWERSTATUSCHANGE = 0x000A;
constexpr WPARAM PBT_APMOEMEVENT = 0x000B;
constexpr WPARAM PBT_APMRESUMEAUTOMATIC = 0x0012;
constexpr LRESULT BROADCAST_QUERY_DENY = 0x424D5144;

namespace platform {

// The continuous state in force (what a suspend or the screen blanker must respect), and every
// request made, oldest first.
EXECUTION_STATE CurrentExecutionState();
std::vector<EXECUTION_STATE> ExecutionStateRequests();
// Also gives back what the desktop holds for this process (tests).
void ResetExecutionState();

// Sends WM_POWERBROADCAST with `event` to every top-level window of this process, waiting at
// most a few seconds in all for their answers (a hung window counts as agreeing). A query
// (PBT_APMQUERYSUSPEND) that any window answers with BROADCAST_QUERY_DENY is refused: the
// windows already asked hear PBT_APMQUERYSUSPENDFAILED and the result is false.
bool BroadcastPowerEvent(WPARAM event, LPARAM data = 0);

}  // namespace platform
