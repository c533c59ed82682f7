#include "platform/disc/device_events.h"

#include <cstddef>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/hardware_source.h"
#include "platform/disc/drive_set.h"
#include "platform/disc/medium_watch.h"
#include "platform/disc/udev_monitor.h"
#include "platform/window/device_change.h"
#include "platform/window/messages.h"
#include "platform/window/wm_messages.h"

namespace platform::disc {
namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Posted messages carry a pointer, so each device's event structure lives as long as the process;
// one per name and event keeps that bounded.
const DEV_BROADCAST_DEVICEINTERFACE* InterfaceEvent(const std::string& name) {
  static std::mutex mutex;
  static auto* kept = new std::map<std::string, std::unique_ptr<std::byte[]>>();
  std::lock_guard lock(mutex);
  auto& bytes = (*kept)[name];
  if (!bytes) {
    const std::size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE, dbcc_name) + name.size() + 1;
    bytes = std::make_unique<std::byte[]>(size);
    auto* event = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE*>(bytes.get());
    event->dbcc_size = static_cast<DWORD>(size);
    event->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    event->dbcc_reserved = 0;
    event->dbcc_classguid = kCaptureInterfaceClass;
    std::memcpy(event->dbcc_name, name.c_str(), name.size() + 1);
  }
  return reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(bytes.get());
}

void PostInterfaceChange(bool arrived, const std::string& name) {
  const LPARAM data = reinterpret_cast<LPARAM>(InterfaceEvent(name));
  for (HWND window : DeviceInterfaceRecipients(kCaptureInterfaceClass))
    PostMessage(window, WM_DEVICECHANGE, arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE, data);
}

bool DeliverMediumChange(const DeviceRecord& record) {
  if (record.action != "change") return false;
  // The eject button was pressed: the drive may be locked (a burn), and the medium change, if the
  // tray does open, follows as a record of its own.
  if (record.Property("DISK_EJECT_REQUEST") == "1") return false;
  const char letter = RealDriveLetter(record.devnode);
  if (!letter) return false;
  // udev repeats a drive's state on records that are no media change (a lock, a probe, a trigger);
  // the first record heard of a drive tells only its state unless the kernel marks it a change.
  static std::mutex mutex;
  static auto* present = new std::map<std::string, bool>();  // by device node
  const bool now = record.Property("ID_CDROM_MEDIA") == "1";
  {
    std::lock_guard lock(mutex);
    const auto known = present->find(record.devnode);
    const bool changed = known == present->end() ? record.Property("DISK_MEDIA_CHANGE") == "1" : known->second != now;
    (*present)[record.devnode] = now;
    if (!changed) return false;
  }
  BroadcastMediumChange(letter, now);
  return true;
}

bool DeliverCaptureChange(const DeviceRecord& record) {
  if (record.action != "add" && record.action != "remove") return false;
  if (record.subsystem == "video4linux") {
    const std::string caps = record.Property("ID_V4L_CAPABILITIES");
    if (record.action == "add" && !caps.empty() && caps.find(":capture:") == std::string::npos) return false;
    if (!StartsWith(record.devnode, "/dev/video")) return false;
  } else if (!StartsWith(record.devnode, "/dev/snd/controlC")) {
    return false;  // a sound card shows as one control node besides its streams
  }
  PostInterfaceChange(record.action == "add", record.devnode);
  return true;
}

}  // namespace

std::string DeviceRecord::Property(const std::string& key) const {
  const auto found = properties.find(key);
  return found == properties.end() ? std::string() : found->second;
}

char RealDriveLetter(const std::string& devnode) {
  if (devnode.empty()) return '\0';
  const auto drives = MachineDrives();
  for (std::size_t i = 0; i < drives.size(); ++i)
    if (drives[i]->Desc().realAddress == devnode) return DriveLetter(i);
  return '\0';
}

bool DeliverDeviceRecord(const DeviceRecord& record) {
  if (platform::WhichHardware().Simulated()) return false;
  if (record.subsystem == "block") return DeliverMediumChange(record);
  if (record.subsystem == "video4linux" || record.subsystem == "sound") return DeliverCaptureChange(record);
  return false;
}

void StartMachineEvents() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (platform::WhichHardware().Simulated()) {
      WatchMediumStates();
    } else {
      ScanMachineDrivesInBackground();
      WatchUdev(DeliverDeviceRecord);
    }
  });
}

}  // namespace platform::disc
