#include "platform/disc/udev_monitor.h"

#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

namespace platform::disc {
namespace {

std::atomic<bool> watching{false};

DeviceRecord RecordOf(udev_device* device) {
  auto text = [](const char* value) { return value ? std::string(value) : std::string(); };
  DeviceRecord record;
  record.subsystem = text(udev_device_get_subsystem(device));
  record.action = text(udev_device_get_action(device));
  record.devnode = text(udev_device_get_devnode(device));
  for (udev_list_entry* e = udev_device_get_properties_list_entry(device); e; e = udev_list_entry_get_next(e))
    record.properties[text(udev_list_entry_get_name(e))] = text(udev_list_entry_get_value(e));
  return record;
}

}  // namespace

bool UdevWatching() { return watching.load(); }

bool WatchUdev(DeviceRecordHandler handler) {
  // Without the udev service (a container) libudev still gives a monitor, one that never hears
  // anything: the process then tells its windows of its own tray moves, as it would with no udev.
  if (::access("/run/udev/control", F_OK) != 0) return false;
  udev* context = udev_new();
  if (!context) return false;
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (!monitor) {
    udev_unref(context);
    return false;
  }
  udev_monitor_filter_add_match_subsystem_devtype(monitor, "block", "disk");
  udev_monitor_filter_add_match_subsystem_devtype(monitor, "video4linux", nullptr);
  udev_monitor_filter_add_match_subsystem_devtype(monitor, "sound", nullptr);
  if (udev_monitor_enable_receiving(monitor) < 0) {
    udev_monitor_unref(monitor);
    udev_unref(context);
    return false;
  }
  watching = true;
  // Lives as long as the process: the windows it posts to do too.
  std::thread([context, monitor, handler = std::move(handler)] {
    pollfd fd{udev_monitor_get_fd(monitor), POLLIN, 0};
    for (;;) {
      if (::poll(&fd, 1, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (udev_device* device = udev_monitor_receive_device(monitor)) {
        handler(RecordOf(device));
        udev_device_unref(device);
      }
    }
    watching = false;
    udev_monitor_unref(monitor);
    udev_unref(context);
  }).detach();
  return true;
}

}  // namespace platform::disc
