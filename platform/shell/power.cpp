#include "platform/shell/power.h"

#include <algorithm>
#include <chrono>
#include <mutex>

#include "platform/shell/desktop_power.h"
#include "platform/window/messages.h"
#include "platform/window/monitors.h"
#include "platform/window/window.h"

namespace {

struct PowerState {
  std::mutex mutex;
  EXECUTION_STATE continuous = ES_CONTINUOUS;
  std::vector<EXECUTION_STATE> requests;
};

PowerState& State() {
  static PowerState state;
  return state;
}

constexpr EXECUTION_STATE kKeepsAwake = ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED | ES_AWAYMODE_REQUIRED;
// logind waits at most its InhibitDelayMaxSec (5 s unless configured) for the windows' answers.
constexpr DWORD kAnswerMs = 4000;

// SPI_SETSCREENSAVEACTIVE reaches the desktop's screen saver wherever power state is linked in.
const bool g_screenSaverSwitchInstalled = [] {
  platform::InstallScreenSaverSwitch([](bool active) { platform::KeepScreenSaverOff(!active); });
  return true;
}();

BOOL Collect(HWND hwnd, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  return TRUE;
}

}  // namespace

EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE state) {
  constexpr EXECUTION_STATE kKnown = ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED | ES_AWAYMODE_REQUIRED | ES_CONTINUOUS;
  if (state & ~kKnown) return 0;
  auto& s = State();
  std::lock_guard lock(s.mutex);
  const EXECUTION_STATE previous = s.continuous;
  s.requests.push_back(state);
  // Without ES_CONTINUOUS the request only resets the idle timers once; the lasting state stays.
  if (state & ES_CONTINUOUS) {
    s.continuous = state;
    const bool awake = (state & kKeepsAwake) != 0;
    if (awake != ((previous & kKeepsAwake) != 0)) platform::KeepSystemAwake(awake);
  }
  return previous;
}

namespace platform {

EXECUTION_STATE CurrentExecutionState() {
  std::lock_guard lock(State().mutex);
  return State().continuous;
}

std::vector<EXECUTION_STATE> ExecutionStateRequests() {
  std::lock_guard lock(State().mutex);
  return State().requests;
}

void ResetExecutionState() {
  {
    std::lock_guard lock(State().mutex);
    State().continuous = ES_CONTINUOUS;
    State().requests.clear();
  }
  StopDesktopPower();
}

bool BroadcastPowerEvent(WPARAM event, LPARAM data) {
  std::vector<HWND> windows;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
  std::vector<HWND> asked;
  // One real-time deadline for all: a hung window must not hold up the others past what logind
  // grants.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerMs);
  for (HWND hwnd : windows) {
    if (!IsWindow(hwnd)) continue;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    DWORD_PTR answer = 0;
    SendMessageTimeout(hwnd, WM_POWERBROADCAST, event, data, SMTO_NORMAL,
                       static_cast<UINT>(std::max<std::chrono::milliseconds::rep>(left.count(), 1)), &answer);
    asked.push_back(hwnd);
    if (event == PBT_APMQUERYSUSPEND && static_cast<LRESULT>(answer) == BROADCAST_QUERY_DENY) {
      for (HWND told : asked)
        if (IsWindow(told)) SendMessage(told, WM_POWERBROADCAST, PBT_APMQUERYSUSPENDFAILED, 0);
      return false;
    }
  }
  return true;
}

}  // namespace platform
