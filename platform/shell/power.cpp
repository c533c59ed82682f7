#include "platform/shell/power.h"

#include <mutex>

#include "platform/window/messages.h"
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
  if (state & ES_CONTINUOUS) s.continuous = state;
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
  std::lock_guard lock(State().mutex);
  State().continuous = ES_CONTINUOUS;
  State().requests.clear();
}

bool BroadcastPowerEvent(WPARAM event, LPARAM data) {
  std::vector<HWND> windows;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
  std::vector<HWND> asked;
  for (HWND hwnd : windows) {
    if (!IsWindow(hwnd)) continue;
    const LRESULT answer = SendMessage(hwnd, WM_POWERBROADCAST, event, data);
    asked.push_back(hwnd);
    if (event == PBT_APMQUERYSUSPEND && answer == BROADCAST_QUERY_DENY) {
      for (HWND told : asked)
        if (IsWindow(told)) SendMessage(told, WM_POWERBROADCAST, PBT_APMQUERYSUSPENDFAILED, 0);
      return false;
    }
  }
  return true;
}

}  // namespace platform
