// What the machine tells about its devices, as the windows of the suite hear it: device records
// (as udev gives them) become WM_DEVICECHANGE messages, a medium change in a real drive a volume
// event with the drive's letter, a capture device that comes or goes a device-interface event of
// the capture class.
#pragma once

#include <map>
#include <string>

#include "platform/com/guid.h"

namespace platform::disc {

// KSCATEGORY_CAPTURE: the class that video capture devices and sound cards arrive in.
inline constexpr GUID kCaptureInterfaceClass = {
    0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

struct DeviceRecord {
  std::string subsystem;                          // "block", "video4linux", "sound"
  std::string action;                             // "add", "remove", "change"
  std::string devnode;                            // "/dev/sr0"; empty for a record without one
  std::map<std::string, std::string> properties;  // ID_CDROM_MEDIA, DISK_MEDIA_CHANGE, ID_TYPE, ...

  std::string Property(const std::string& key) const;
};

// Posts what the record means to the windows; false when it means nothing to them. Real devices
// are heard only while the machine's own hardware is used.
bool DeliverDeviceRecord(const DeviceRecord& record);

// The letter of the real drive at this device node; '\0' when the node is no drive the suite lists.
char RealDriveLetter(const std::string& devnode);

// Starts, once per process, the threads that hear the machine (udev's monitor) and the simulated
// writers' state files, and the first drive scan. Without udev the process simply hears nothing.
void StartMachineEvents();

}  // namespace platform::disc
