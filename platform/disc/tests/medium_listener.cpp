// A second suite process for the medium tests: hears the machine as a program does and prints
// each medium change ("E removed", "E arrived"), ending after as many as its argument asks.
// With "real <node> <found>...", the machine's drives are the nodes as a scan found them ("!node":
// one it could not open): it prints the drives as listed and hears udev's record of a disc put
// into <node>.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/disc/device_events.h"
#include "platform/disc/drive_set.h"
#include "platform/disc/real_drive.h"
#include "platform/window/device_change.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "platform/window/wm_messages.h"

namespace {

namespace disc = platform::disc;

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

// The drives as a scan that found them in this order lists them.
void UseRealDrives(int count, char** nodes) {
  setenv("VIDARRO_SIMULATED", "0", 1);
  std::vector<disc::DriveDesc> found;
  std::vector<std::string> closed;
  for (int i = 0; i < count; ++i) {
    if (nodes[i][0] == '!') {
      closed.push_back(nodes[i] + 1);
      continue;
    }
    disc::DriveDesc d;
    d.realAddress = d.id = nodes[i];
    d.name = "Writer";
    found.push_back(d);
  }
  disc::SetMachineDrives(disc::real::Listed(found, closed, [](const std::string&) { return false; }));
  disc::DriveSet all;
  all.Select(0xFF);
  for (std::size_t i = 0; i < all.Count(); ++i) std::printf("%s\n", all.Name(i));
}

}  // namespace

int main(int argc, char** argv) {
  const bool real = argc > 2 && std::string(argv[1]) == "real";
  if (real) {
    UseRealDrives(argc - 3, argv + 3);
    left = 1;
  } else if (argc > 1) {
    left = std::atoi(argv[1]);
  }
  WNDCLASS wc{};
  wc.lpszClassName = "MediumListener";
  wc.lpfnWndProc = ListenerProc;
  RegisterClass(&wc);
  HWND window =
      CreateWindowEx(0, "MediumListener", "listener", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (!window) return 1;
  if (real) {
    disc::DeliverDeviceRecord({"block", "change", argv[2], {{"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM_MEDIA", "1"}}});
  } else {
    disc::StartMachineEvents();
    std::printf("ready\n");
  }
  std::fflush(stdout);
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
  DestroyWindow(window);
  return 0;
}
