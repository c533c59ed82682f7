// Device installation services over the simulated hardware: the PnP device tree (root, buses, USB
// boxes with their media, disk and CD-ROM nodes) and the mount table of removable media, which
// stands where the platform keeps drive letters ("SYSTEM\MountedDevices").
#pragma once

#include <string>
#include <vector>

#include "platform/com/guid.h"

using DEVINST = DWORD;
using HMACHINE = void*;
using CONFIGRET = DWORD;

constexpr CONFIGRET CR_SUCCESS = 0x00;
constexpr CONFIGRET CR_INVALID_POINTER = 0x03;
constexpr CONFIGRET CR_INVALID_DEVNODE = 0x05;
constexpr CONFIGRET CR_NO_SUCH_DEVNODE = 0x0D;
constexpr CONFIGRET CR_BUFFER_SMALL = 0x1A;
constexpr CONFIGRET CR_NO_SUCH_VALUE = 0x25;
constexpr CONFIGRET CR_INVALID_MACHINENAME = 0x2F;
constexpr CONFIGRET CR_MACHINE_UNAVAILABLE = 0x31;

constexpr ULONG CM_DRP_DEVICEDESC = 0x01;
constexpr ULONG CM_DRP_HARDWAREID = 0x02;
constexpr ULONG CM_DRP_CLASS = 0x08;
constexpr ULONG CM_DRP_CLASSGUID = 0x09;
constexpr ULONG CM_DRP_FRIENDLYNAME = 0x0D;
constexpr ULONG CM_DRP_ENUMERATOR_NAME = 0x17;
constexpr ULONG CM_LOCATE_DEVNODE_NORMAL = 0;
constexpr ULONG DN_STARTED = 0x00000008;
constexpr ULONG MAX_DEVICE_ID_LEN = 200;

DEFINE_GUID(GUID_DEVCLASS_MEDIA, 0x4D36E96C, 0xE325, 0x11CE, 0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18);
DEFINE_GUID(GUID_DEVCLASS_DISKDRIVE, 0x4D36E967, 0xE325, 0x11CE, 0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18);
DEFINE_GUID(GUID_DEVCLASS_CDROM, 0x4D36E965, 0xE325, 0x11CE, 0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18);
DEFINE_GUID(GUID_DEVCLASS_USB, 0x36FC9E60, 0xC465, 0x11CF, 0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);

// A connection sees the tree as it was when it was made. NULL or "\\name" are accepted.
CONFIGRET CM_Connect_MachineA(LPCSTR machineName, HMACHINE* machine);
CONFIGRET CM_Disconnect_Machine(HMACHINE machine);
// A NULL or empty device id locates the root.
CONFIGRET CM_Locate_DevNode_ExA(DEVINST* devInst, LPCSTR deviceId, ULONG flags, HMACHINE machine);
CONFIGRET CM_Get_Child_Ex(DEVINST* child, DEVINST devInst, ULONG flags, HMACHINE machine);
CONFIGRET CM_Get_Sibling_Ex(DEVINST* sibling, DEVINST devInst, ULONG flags, HMACHINE machine);
CONFIGRET CM_Get_Parent_Ex(DEVINST* parent, DEVINST devInst, ULONG flags, HMACHINE machine);
// Texts come back as REG_SZ (type 1) with their terminator; CR_BUFFER_SMALL gives the size needed.
CONFIGRET CM_Get_DevNode_Registry_Property_ExA(DEVINST devInst, ULONG property, ULONG* regType, LPVOID buffer,
                                               ULONG* length, ULONG flags, HMACHINE machine);
CONFIGRET CM_Get_Device_ID_ExA(DEVINST devInst, LPSTR buffer, ULONG length, ULONG flags, HMACHINE machine);
CONFIGRET CM_Get_DevNode_Status_Ex(ULONG* status, ULONG* problem, DEVINST devInst, ULONG flags, HMACHINE machine);

namespace platform::dshow::sim {

struct MountEntry {
  std::string mountPoint;        // ends with "/"
  std::vector<BYTE> deviceLink;  // the mounted device's path as UTF-16LE bytes
};
// Mounted removable media of the simulated storage, in description order.
std::vector<MountEntry> MountedDevices();

// Makes the next connections fail (a machine that cannot be reached), for tests.
void SetDeviceTreeUnavailable(bool unavailable);

}  // namespace platform::dshow::sim
