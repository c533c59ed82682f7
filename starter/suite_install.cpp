#include "suite_install.h"

#include <fstream>

#include "platform/base/paths.h"
#include "platform/registry/registry.h"
#include "widgets/reg_helpers.h"

namespace starter {
namespace {

std::string ReadMachineString(const char* name) {
  char buffer[REG_READ_STRING_SIZE] = {};
  if (!RegReadString(HKEY_LOCAL_MACHINE, kProductKey, name, buffer, nullptr)) return {};
  return buffer;
}

std::string TitleOr(const char* name, const char* fallback) {
  std::string value = ReadMachineString(name);
  return value.empty() ? fallback : value;
}

bool FileExists(const std::string& path) { return std::ifstream(path).good(); }

}  // namespace

SuiteTitles ReadSuiteTitles() {
  return SuiteTitles{TitleOr("LanuchName", kProductTitle), TitleOr("WizardName", kProductTitle),
                     TitleOr("AdvancedName", kProductTitle), TitleOr("AudioRecorderName", kProductTitle)};
}

std::string SettleAppFolder(const std::string& ownFolder) {
  // A folder nobody installed to could hold anything: without AppPath our own folder serves.
  const std::string stored = ReadMachineString("AppPath");
  return platform::WithTrailingSlash(stored.empty() ? ownFolder : stored);
}

std::vector<std::string> RequiredFiles() {
  return {"Vidarro5UI.so", "Vidarro5Extra.so", "VidarroImgData50.so", "Lanvik.so", "Lanvik", "regcom"};
}

int CQnFilterCheck::CheckQnFilter(const std::string& dataFile) const {
  std::ifstream data(dataFile);
  if (!data) return 0;
  const std::string folder = dataFile.substr(0, dataFile.rfind('/') + 1);
  std::string name;
  while (std::getline(data, name)) {
    if (!name.empty() && !FileExists(folder + name)) return 0;
  }
  return 1;
}

bool WriteProductKey(const std::string& appFolder) {
  const std::string folder = platform::WithTrailingSlash(appFolder);
  bool written = true;
  for (const char* name : {"LanuchName", "WizardName", "AdvancedName"})
    written &= RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, name, kProductTitle);
  written &= RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "AudioRecorderName", kAudioRecorderTitle);
  written &= RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "AppPath", folder.c_str());
  return written;
}

std::vector<std::string> RepairInstall(const std::string& appFolder) {
  const std::string folder = platform::WithTrailingSlash(appFolder);
  std::vector<std::string> done;
  const std::string data = folder + kCheckDataFile;
  if (!FileExists(data)) {
    std::ofstream out(data);
    for (const std::string& name : RequiredFiles()) out << name << "\n";
    done.push_back(out ? "wrote " + data : "cannot write " + data);
  }
  for (const std::string& name : RequiredFiles())
    if (!FileExists(folder + name)) done.push_back("missing " + folder + name + ": reinstall the suite");
  done.push_back(WriteProductKey(folder) ? "wrote the product key for " + folder : "cannot write the product key");
  return done;
}

}  // namespace starter
