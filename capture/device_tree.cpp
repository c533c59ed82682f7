#include "capture/device_tree.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

#include "platform/base/strings.h"
#include "platform/dshow/cfgmgr.h"
#include "platform/registry/registry.h"
#include "widgets/system_info.h"

namespace {

// The property text rule: REG_DWORD as "0x%08x", REG_MULTI_SZ joined by commas, else the text.
std::string PropertyText(DEVINST node, ULONG property, HMACHINE machine) {
  char buffer[1024] = {};
  ULONG type = 0;
  ULONG length = sizeof buffer - 1;
  if (CM_Get_DevNode_Registry_Property_ExA(node, property, &type, buffer, &length, 0, machine) != CR_SUCCESS) return {};
  if (type == REG_DWORD && length >= 4) {
    DWORD v = 0;
    std::memcpy(&v, buffer, 4);
    return platform::Format("0x%08x", static_cast<unsigned>(v));
  }
  if (type == REG_MULTI_SZ) {
    std::string joined;
    for (const char* p = buffer; *p && p < buffer + length; p += std::strlen(p) + 1) {
      if (!joined.empty()) joined += ",";
      joined += p;
    }
    return joined;
  }
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

// One drive is one answer, however many ways lead to it.
void AddOnce(std::vector<std::string>& letters, const std::string& letter) {
  if (std::find(letters.begin(), letters.end(), letter) == letters.end()) letters.push_back(letter);
}

}  // namespace

bool CDeviceTree::Scan(DWORD classFlags) {
  classFlags_ = classFlags;
  nodes_.clear();
  char host[258] = {};
  gethostname(host, sizeof host - 1);
  HMACHINE machine = nullptr;
  if (CM_Connect_MachineA(("\\\\" + std::string(host)).c_str(), &machine) != CR_SUCCESS) return false;
  DEVINST root = 0, first = 0;
  if (CM_Locate_DevNode_ExA(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL, machine) == CR_SUCCESS &&
      CM_Get_Child_Ex(&first, root, 0, machine) == CR_SUCCESS) {
    char rootId[MAX_DEVICE_ID_LEN] = {};
    CM_Get_Device_ID_ExA(root, rootId, sizeof rootId, 0, machine);
    Walk(first, rootId, machine);
  }
  CM_Disconnect_Machine(machine);
  return true;
}

void CDeviceTree::Walk(DWORD start, const std::string& parentId, void* machine) {
  for (DEVINST node = start; node;) {
    DEVINST next = 0;
    if (CM_Get_Sibling_Ex(&next, node, 0, machine) != CR_SUCCESS) next = 0;
    char id[MAX_DEVICE_ID_LEN] = {};
    const std::string deviceId = CM_Get_Device_ID_ExA(node, id, sizeof id, 0, machine) == CR_SUCCESS
                                     ? std::string(id)
                                     : std::string("Fail to retrieve Device ID");
    const std::string classText = PropertyText(node, CM_DRP_CLASSGUID, machine);
    GUID classGuid;
    if (!classText.empty() && GuidFromString(classText, &classGuid)) {
      const bool keep = classGuid == GUID_DEVCLASS_MEDIA ||
                        (classGuid == GUID_DEVCLASS_DISKDRIVE && (classFlags_ & kDiskDrives)) ||
                        (classGuid == GUID_DEVCLASS_CDROM && (classFlags_ & kCdroms));
      if (keep)
        nodes_.push_back({deviceId, PropertyText(node, CM_DRP_CLASS, machine),
                          PropertyText(node, CM_DRP_ENUMERATOR_NAME, machine), parentId});
    }
    DEVINST child = 0;
    if (CM_Get_Child_Ex(&child, node, 0, machine) == CR_SUCCESS) Walk(child, deviceId, machine);
    node = next;
  }
}

void CDeviceTree::DriveLettersOfClass(const char* className, const std::vector<std::string>& ids,
                                      std::vector<std::string>& letters) {
  if (ids.empty()) return;
  for (const auto& node : nodes_) {
    if (!platform::EqualsNoCase(node.className, className) || !platform::EqualsNoCase(node.enumeratorName, "USBSTOR"))
      continue;
    CDriveQuery query{node.deviceId, node.className, platform::ToUpperAscii(node.parentId)};
    for (const auto& id : ids) {
      if (query.parentId.find(platform::ToUpperAscii(id)) == std::string::npos) continue;
      std::string letter;
      if (GetDriveLetter(query, letter)) AddOnce(letters, letter);
      break;
    }
  }
}

void CDeviceTree::GetUsbDiskDriveLetters(const std::vector<std::string>& ids, std::vector<std::string>& letters) {
  DriveLettersOfClass("DiskDrive", ids, letters);
}

void CDeviceTree::GetUsbCdromDriveLetters(const std::vector<std::string>& ids, std::vector<std::string>& letters) {
  DriveLettersOfClass("CDROM", ids, letters);
}

void CDeviceTree::FindNodesByDeviceId(const std::string& text, std::vector<CDriveQuery>& records) const {
  for (const auto& node : nodes_)
    if (platform::ToUpperAscii(node.deviceId).find(text) != std::string::npos)
      records.push_back({node.deviceId, node.className, platform::ToUpperAscii(node.parentId)});
}

void CDeviceTree::GetDriveLettersByDeviceId(const std::string& text, int driveType, std::vector<std::string>& letters) {
  if (text.empty()) return;
  std::vector<CDriveQuery> records;
  FindNodesByDeviceId(platform::ToUpperAscii(text), records);
  for (auto& r : records) {
    if (driveType == kDriveRemovable && !platform::EqualsNoCase(r.className, "DiskDrive")) continue;
    if (driveType == kDriveCdrom && !platform::EqualsNoCase(r.className, "CDROM")) continue;
    std::string letter;
    if (GetDriveLetter(r, letter)) AddOnce(letters, letter);
  }
}

bool CDeviceTree::GetDriveLetter(CDriveQuery& query, std::string& letter) {
  std::string key;
  const bool vistaOrLater = CWinVersion().GetVersion() > 7;
  if (platform::EqualsNoCase(query.className, "CDROM") ||
      (platform::EqualsNoCase(query.className, "DiskDrive") && vistaOrLater)) {
    for (char& c : query.deviceId)
      if (c == '\\' || c == '/') c = '#';
    key = query.deviceId;
  } else if (platform::EqualsNoCase(query.className, "DiskDrive")) {
    key = GetParentIdPrefix("System\\CurrentControlSet\\Enum\\" + query.deviceId);
  } else {
    return false;
  }
  if (key.empty()) return false;
  key = platform::ToUpperAscii(key);
  // The mount table takes the place of the letters C to Z.
  for (const auto& mount : platform::dshow::sim::MountedDevices()) {
    std::string text;
    for (BYTE b : mount.deviceLink) {
      if (b == 0) continue;
      text += static_cast<char>(b);
      if (b == '}') break;
    }
    if (platform::ToUpperAscii(text).find(key) != std::string::npos) {
      letter = mount.mountPoint;
      return true;
    }
  }
  return false;
}

std::string CDeviceTree::GetParentIdPrefix(const std::string& path) {
  HKEY key = nullptr;
  // Read-only: looking must neither create keys nor need the rights to.
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  char buffer[512] = {};
  DWORD type = 0;
  DWORD size = sizeof buffer - 1;
  std::string prefix;
  if (RegQueryValueEx(key, "ParentIdPrefix", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ))
    prefix.assign(buffer, strnlen(buffer, sizeof buffer));
  RegCloseKey(key);
  return prefix;
}
