// Simulated writers for the disc tests: a devices.ini text written into the test's home and
// loaded as the machine's drives.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <string>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
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

// Runs an outside tool to its end: what it wrote on both outputs.
inline std::string RunTool(const std::string& program, const std::vector<std::string>& args, int* code = nullptr) {
  std::string out, err;
  int exit = -1;
  platform::RunProcess(program, args, &out, &err, &exit, 120000);
  if (code) *code = exit;
  return out + err;
}

// What a burn callback saw; the test thread waits on it (bounded).
struct BurnEnd {
  std::atomic<int> calls{0};
  std::atomic<int> status{-1};
  static void Callback(int status, void* context) {
    auto* end = static_cast<BurnEnd*>(context);
    end->status = status;
    ++end->calls;
  }
  bool Wait() {
    for (int i = 0; i < 6000 && calls == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a second call would show here
    return calls == 1;
  }
};

}  // namespace disctest
