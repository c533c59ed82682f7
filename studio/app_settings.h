// The main program's one settings record, its registry values, and the TV standard names the
// registry stores.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/base/win_types.h"

namespace studio {

constexpr int kDiscCapacityLargeFiles = 4196;
constexpr int kDiscCapacitySmallFiles = 3896;

struct AppSettings {
  int currentPage = 0;         // 0 capture, 1 edit, 2 burn
  int projectFileVersion = 0;  // 4 while an older project is read
  std::string addFileFolder;
  int videoDeviceIndex = 0;
  int audioDeviceIndex = 0;
  int videoInput = 0;  // 0 TV tuner, 1 Composite, 2 S-Video
  int reserved = 0;    // carried through project files only
  int discCapacity = 0;
  int recordFormat = 0;   // 0 VCD, 1 SVCD, 2 DVD, 3 Long DVD, 5 WMV, 6 HDV, 7 DV
  int tvSystemIndex = 0;  // 0 NTSC, 1 PAL
  int quality = 0;
  int cpuMode = 0;
  int cpuClass = 0;
  int analogVideoStandard = 0;
  int tvSystem = 0;  // 1 NTSC, 2 PAL
  BOOL outputHoldsLargeFiles = FALSE;
  std::string videoDeviceName;
  std::string audioDeviceName;
  int wideScreen = 0;
  BOOL recordAndBurn = FALSE;
  int checkVideoSignal = 0;
  int volume = 0;
  std::array<int, 6> burnState{};  // carried through project files only
  std::string burnTempFolder;
  std::string videoTsFolder;
  std::string imageFolder;
  std::string wmvTitle;
  std::string wmvAuthor;
  std::string wmvDescription;
  std::string wmvCopyright;
};

// The machine-wide switches of publishing and the burner.
struct PublishFlags {
  int motionDlg = 0;
  int smartRender = 0;
  int makeCopyDisc = 1;
  int iPad = 1;
};

// Clears the record and fills it from the per-user registry values; the output folder is the
// default of the folders it names.
void LoadSettings(AppSettings* settings, const std::string& outputFolder);
// The writes of a close the user agreed to.
void SaveSettings(const AppSettings& settings);
// The one write of a close without questions.
void SaveInputCable(const AppSettings& settings);
void LoadPublishFlags(PublishFlags* flags);

struct TvStandardChoice {
  int standard = 0;  // an AnalogVideoStandard value
  int system = 1;    // 1 NTSC, 2 PAL
};
TvStandardChoice ParseTvStandardName(std::string_view name);
// The stored name of an analog video standard; "LOCAL" for one without a name of its own.
const char* TvStandardName(int standard);
void SaveTvStandardName(const AppSettings& settings);

// Whether files over 4 GiB fit on the file system of `folder`, as every part of the program asks it;
// an unknown answer is no.
bool FolderHoldsLargeFiles(const std::string& folder);

// A per-user or machine-wide value of the product key as a string; false (and `out` untouched)
// when it is absent or not a string that fits.
bool ReadProductString(bool machineWide, const char* name, std::string* out);
bool ReadProductDword(bool machineWide, const char* name, DWORD* out);

}  // namespace studio
