// Simulated writers for the disc tests: a devices.ini text written into the test's home and
// loaded as the machine's drives.
#pragma once

#include <filesystem>
#include <string>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/drive_set.h"

namespace disctest {

inline std::string ImageFolder() { return platform::LocalAppDataFolder() + "disc-images/"; }

// Loads the writer sections of `ini` as the machine's drives, their images in a fresh folder.
inline std::vector<std::string> UseDevices(const std::string& ini) {
  std::error_code ignored;
  std::filesystem::remove_all(ImageFolder(), ignored);
  const std::string path = platform::ConfigFolder() + "vidarro/devices.ini";
  platform::CreateFolders(platform::FolderOf(path));
  platform::WriteWholeFileAtomic(path, ini);
  std::vector<std::string> problems;
  auto drives = platform::disc::ParseDriveSections(path, &problems);
  platform::disc::SetMachineDrives(drives);
  return problems;
}

// One writer section with the images in the test's folder.
inline std::string Writer(const std::string& id, const std::string& extra) {
  return "[" + id + "]\nKIND=writer\nNAME=Writer " + id + "\nIMAGES=" + ImageFolder() + "\n" + extra;
}

}  // namespace disctest
