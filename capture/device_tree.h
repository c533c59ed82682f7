// CDeviceTree: the PnP device nodes of the wanted setup classes, and the drive letters of USB
// storage that belongs to given USB hardware ids. A "drive letter" here is the mount point of the
// removable medium, ending in "/".
#pragma once

#include <string>
#include <vector>

#include "platform/base/win_types.h"

struct CDeviceNode {
  std::string deviceId;
  std::string className;
  std::string enumeratorName;
  std::string parentId;
};

struct CDriveQuery {
  std::string deviceId;
  std::string className;
  std::string parentId;  // upper case
};

class CDeviceTree {
 public:
  static constexpr DWORD kDiskDrives = 0x1;
  static constexpr DWORD kMedia = 0x10;
  static constexpr DWORD kCdroms = 0x100;
  static constexpr int kDriveRemovable = 2;
  static constexpr int kDriveCdrom = 5;

  CDeviceTree() = default;
  virtual ~CDeviceTree() = default;

  // Media nodes are always kept; disk drives and CD-ROMs by the flags. False when the device
  // tree cannot be reached (then no nodes).
  bool Scan(DWORD classFlags);

  // Appends the drives of USB disks (resp. CD-ROMs) whose parent's id holds one of the ids;
  // each drive once, however many ids match it.
  void GetUsbDiskDriveLetters(const std::vector<std::string>& ids, std::vector<std::string>& letters);
  void GetUsbCdromDriveLetters(const std::vector<std::string>& ids, std::vector<std::string>& letters);
  void FindNodesByDeviceId(const std::string& text, std::vector<CDriveQuery>& records) const;
  void GetDriveLettersByDeviceId(const std::string& text, int driveType, std::vector<std::string>& letters);
  bool GetDriveLetter(CDriveQuery& query, std::string& letter);
  // "ParentIdPrefix" of that key under HKEY_LOCAL_MACHINE, read without creating anything.
  static std::string GetParentIdPrefix(const std::string& path);

  const std::vector<CDeviceNode>& Nodes() const { return nodes_; }

 private:
  void Walk(DWORD node, const std::string& parentId, void* machine);
  void DriveLettersOfClass(const char* className, const std::vector<std::string>& ids,
                           std::vector<std::string>& letters);

  DWORD classFlags_ = kDiskDrives;
  std::vector<CDeviceNode> nodes_;
};
