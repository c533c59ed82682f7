// What the starter knows of the installed suite: the product key's values, the application
// folder, the component check and the repair the registration tool makes.
#pragma once

#include <string>
#include <vector>

namespace starter {

inline constexpr const char* kProductTitle = "Narvell Vidarro 5.0";
inline constexpr const char* kProductKey = "software\\Narvell\\Vidarro 5";
inline constexpr const char* kAudioRecorderTitle = "Narvell  Vidarro 5.0 Audio Recorder";
inline constexpr const char* kCheckDataFile = "regcomdata.bin";
inline constexpr const char* kRegistrationTool = "regcom.exe";

struct SuiteTitles {
  std::string launcher;
  std::string wizard;
  std::string advanced;
  std::string audioRecorder;
};

// The four titles from the product key; a missing or empty value takes the product title.
SuiteTitles ReadSuiteTitles();
// AppPath when set, else ownFolder (never the current directory), ending in "/".
std::string SettleAppFolder(const std::string& ownFolder);

// The files the component check wants in the application folder, as regcomdata.bin lists them.
std::vector<std::string> RequiredFiles();

// Stands in for the outside component checker: 1 when the data file exists and every file it
// lists is in its folder, else 0.
class CQnFilterCheck {
 public:
  int CheckQnFilter(const std::string& dataFile) const;
};

// Writes the product key's values for an application folder; false when the key cannot be written.
bool WriteProductKey(const std::string& appFolder);
// The registration tool's work: writes regcomdata.bin when missing and the product key, and
// returns a line for each thing done or found missing.
std::vector<std::string> RepairInstall(const std::string& appFolder);

}  // namespace starter
