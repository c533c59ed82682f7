// Device change notifications: WM_DEVICECHANGE's event codes and broadcast structures, and the
// registration a window makes for device-interface events.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

#include "platform/base/win_types.h"
#include "platform/com/guid.h"

constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEQUERYREMOVE = 0x8001;
constexpr WPARAM DBT_DEVICEREMOVEPENDING = 0x8003;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr WPARAM DBT_DEVNODES_CHANGED = 0x0007;

constexpr DWORD DBT_DEVTYP_OEM = 0x0000;
constexpr DWORD DBT_DEVTYP_VOLUME = 0x0002;
constexpr DWORD DBT_DEVTYP_PORT = 0x0003;
constexpr DWORD DBT_DEVTYP_DEVICEINTERFACE = 0x0005;
constexpr DWORD DBT_DEVTYP_HANDLE = 0x0006;

// Volume flags: the change is of a medium (a disc), or of a network volume.
constexpr WORD DBTF_MEDIA = 0x0001;
constexpr WORD DBTF_NET = 0x0002;

constexpr DWORD DEVICE_NOTIFY_WINDOW_HANDLE = 0x00000000;
constexpr DWORD DEVICE_NOTIFY_SERVICE_HANDLE = 0x00000001;
constexpr DWORD DEVICE_NOTIFY_ALL_INTERFACE_CLASSES = 0x00000004;

struct DEV_BROADCAST_HDR {
  DWORD dbch_size;
  DWORD dbch_devicetype;
  DWORD dbch_reserved;
};
using PDEV_BROADCAST_HDR = DEV_BROADCAST_HDR*;

// dbcv_unitmask: bit 0 is drive A:, bit 3 drive D:, ...
struct DEV_BROADCAST_VOLUME {
  DWORD dbcv_size;
  DWORD dbcv_devicetype;
  DWORD dbcv_reserved;
  DWORD dbcv_unitmask;
  WORD dbcv_flags;
};
using PDEV_BROADCAST_VOLUME = DEV_BROADCAST_VOLUME*;

struct DEV_BROADCAST_DEVICEINTERFACE_A {
  DWORD dbcc_size;
  DWORD dbcc_devicetype;
  DWORD dbcc_reserved;
  GUID dbcc_classguid;
  char dbcc_name[1];
};
using DEV_BROADCAST_DEVICEINTERFACE = DEV_BROADCAST_DEVICEINTERFACE_A;

using HDEVNOTIFY = void*;

namespace platform::device_change_detail {
struct Registration {
  HANDLE recipient;
  DWORD deviceType;
  GUID classGuid;
};
inline std::mutex& Lock() {
  static std::mutex mutex;
  return mutex;
}
inline std::set<Registration*>& Registrations() {
  static std::set<Registration*>* live = new std::set<Registration*>();  // outlives static teardown
  return *live;
}
}  // namespace platform::device_change_detail

// Volume changes reach every top-level window without registering; registration is for the
// device-interface events of a class. A filter that is not a known header fails.
inline HDEVNOTIFY RegisterDeviceNotification(HANDLE recipient, const void* filter, DWORD flags) {
  using namespace platform::device_change_detail;
  const auto* header = static_cast<const DEV_BROADCAST_HDR*>(filter);
  if (!recipient || !header || (flags & DEVICE_NOTIFY_SERVICE_HANDLE)) return nullptr;
  if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE && header->dbch_devicetype != DBT_DEVTYP_HANDLE)
    return nullptr;
  auto* registration = new Registration{recipient, header->dbch_devicetype, {}};
  if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE && header->dbch_size >= sizeof(DWORD) * 3 + sizeof(GUID))
    registration->classGuid = static_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(filter)->dbcc_classguid;
  std::lock_guard lock(Lock());
  Registrations().insert(registration);
  return registration;
}

inline BOOL UnregisterDeviceNotification(HDEVNOTIFY handle) {
  using namespace platform::device_change_detail;
  std::lock_guard lock(Lock());
  auto* registration = static_cast<Registration*>(handle);
  if (!Registrations().erase(registration)) return FALSE;
  delete registration;
  return TRUE;
}

// The windows registered for the device-interface events of a class, for whoever raises them.
inline std::vector<HWND> DeviceInterfaceRecipients(const GUID& classGuid) {
  using namespace platform::device_change_detail;
  std::vector<HWND> recipients;
  std::lock_guard lock(Lock());
  for (const Registration* r : Registrations())
    if (r->deviceType == DBT_DEVTYP_DEVICEINTERFACE && r->classGuid == classGuid)
      recipients.push_back(static_cast<HWND>(r->recipient));
  return recipients;
}
