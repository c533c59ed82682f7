#include "platform/testkit/simulated_writers.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/drive_set.h"

namespace testkit {

std::string WriterSection(const std::string& imageFolder, const std::string& id, const std::string& extra) {
  return "[" + id + "]\nKIND=writer\nNAME=Writer " + id + "\nIMAGES=" + imageFolder + "\n" + extra;
}

void UseWriterSections(const std::string& imageFolder, const std::string& fileName,
                       const std::vector<std::string>& sections) {
  std::error_code ignored;
  std::filesystem::remove_all(imageFolder, ignored);
  const std::string path = platform::ConfigFolder() + fileName;
  std::string ini = "<DEVICES>\n";
  for (const std::string& section : sections) ini += section + "\n";
  platform::CreateFolders(platform::FolderOf(path));
  platform::WriteWholeFileAtomic(path, ini);
  std::vector<std::string> problems;
  platform::disc::SetMachineDrives(platform::disc::ParseDriveSections(path, &problems));
  EXPECT_TRUE(problems.empty()) << problems.front();
}

}  // namespace testkit
