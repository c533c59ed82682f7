// A second suite process for the medium tests: hears the machine as a program does and prints
// each medium change ("E removed", "E arrived"), ending after as many as its argument asks.
#include <cstdio>
#include <cstdlib>

#include "platform/disc/device_events.h"
#include "platform/window/device_change.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "platform/window/wm_messages.h"

namespace {

int left = 2;

LRESULT ListenerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_DEVICECHANGE && (w == DBT_DEVICEARRIVAL || w == DBT_DEVICEREMOVECOMPLETE) && l) {
    const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(l);
    if (volume->dbcv_devicetype == DBT_DEVTYP_VOLUME) {
      for (int bit = 0; bit < 26; ++bit)
        if (volume->dbcv_unitmask & (1u << bit))
          std::printf("%c %s\n", 'A' + bit, w == DBT_DEVICEARRIVAL ? "arrived" : "removed");
      std::fflush(stdout);
      if (--left == 0) PostQuitMessage(0);
    }
    return TRUE;
  }
  return DefWindowProc(h, m, w, l);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) left = std::atoi(argv[1]);
  WNDCLASS wc{};
  wc.lpszClassName = "MediumListener";
  wc.lpfnWndProc = ListenerProc;
  RegisterClass(&wc);
  HWND window =
      CreateWindowEx(0, "MediumListener", "listener", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (!window) return 1;
  platform::disc::StartMachineEvents();
  std::printf("ready\n");
  std::fflush(stdout);
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
  DestroyWindow(window);
  return 0;
}
