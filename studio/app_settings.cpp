#include "app_settings.h"

#include <algorithm>
#include <cstring>

#include "platform/base/file_system.h"
#include "platform/base/strings.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/registry/registry.h"
#include "platform/shell/known_folders.h"
#include "product.h"
#include "widgets/cpu_info.h"
#include "widgets/reg_helpers.h"
#include "widgets/tv_standards.h"

namespace studio {
namespace {

HKEY RootOf(bool machineWide) { return machineWide ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

struct NamedStandard {
  const char* name;
  int standard;
  int system;
};

// First match wins; "NTSC" and "PAL" are the short names the record settings store.
constexpr NamedStandard kStandardNames[] = {
    {"NTSC", AnalogVideo_NTSC_M, 1},
    {"PAL", AnalogVideo_PAL_B, 2},
    {"NTSC_M", AnalogVideo_NTSC_M, 1},
    {"NTSC_M_J", AnalogVideo_NTSC_M_J, 1},
    {"NTSC_433", AnalogVideo_NTSC_433, 1},
    {"PAL_B", AnalogVideo_PAL_B, 2},
    {"PAL_D", AnalogVideo_PAL_D, 2},
    {"PAL_H", AnalogVideo_PAL_H, 2},
    {"PAL_I", AnalogVideo_PAL_I, 2},
    {"PAL_M", AnalogVideo_PAL_M, 1},
    {"PAL_N", AnalogVideo_PAL_N, 2},
    {"PAL_60", AnalogVideo_PAL_60, 2},
    {"SECAM_B", AnalogVideo_SECAM_B, 2},
    {"SECAM_D", AnalogVideo_SECAM_D, 2},
    {"SECAM_G", AnalogVideo_SECAM_G, 2},
    {"SECAM_H", AnalogVideo_SECAM_H, 2},
    {"SECAM_K", AnalogVideo_SECAM_K, 2},
    {"SECAM_K1", AnalogVideo_SECAM_K1, 2},
    {"SECAM_L", AnalogVideo_SECAM_L, 2},
    {"SECAM_L1", AnalogVideo_SECAM_L1, 2},
    {"PAL_N_COMBO", AnalogVideo_PAL_N_COMBO, 2},
};

constexpr int kAnySecam = AnalogVideo_SECAM_B | AnalogVideo_SECAM_D | AnalogVideo_SECAM_G | AnalogVideo_SECAM_H |
                          AnalogVideo_SECAM_K | AnalogVideo_SECAM_K1 | AnalogVideo_SECAM_L | AnalogVideo_SECAM_L1;

void ReadIntInto(const char* name, int* field, DWORD defaultValue) {
  DWORD value = defaultValue;
  RegReadDword(HKEY_CURRENT_USER, kProductKey, name, &value, defaultValue);
  *field = static_cast<int>(value);
}

}  // namespace

bool ReadProductString(bool machineWide, const char* name, std::string* out) {
  char buffer[REG_READ_STRING_SIZE] = {};
  if (!RegReadString(RootOf(machineWide), kProductKey, name, buffer, nullptr)) return false;
  out->assign(buffer);
  return true;
}

bool ReadProductDword(bool machineWide, const char* name, DWORD* out) {
  return RegReadDword(RootOf(machineWide), kProductKey, name, out, REG_READ_NO_DEFAULT);
}

TvStandardChoice ParseTvStandardName(std::string_view name) {
  if (platform::EqualsNoCase(name, "LOCAL")) {
    CCountryTvStandardTable table;
    TvStandardChoice local;
    local.standard = static_cast<int>(table.GetUserCountryValue());
    if (local.standard & kAnySecam) local.standard = AnalogVideo_PAL_B;
    local.system = static_cast<int>(table.GetLocaleTvStandard());
    return local;
  }
  for (const NamedStandard& entry : kStandardNames)
    if (platform::EqualsNoCase(name, entry.name)) return {entry.standard, entry.system};
  return {AnalogVideo_NTSC_M, 1};
}

const char* TvStandardName(int standard) {
  // The short names come first, so NTSC_M and PAL_B are stored as "NTSC" and "PAL"; PAL_G has
  // no name in the table.
  for (const NamedStandard& entry : kStandardNames)
    if (entry.standard == standard) return entry.name;
  return "LOCAL";
}

void SaveTvStandardName(const AppSettings& settings) {
  RegWriteString(HKEY_CURRENT_USER, kProductKey, "InputVideoStandard", TvStandardName(settings.analogVideoStandard));
}

bool FolderHoldsLargeFiles(const std::string& folder) {
  return platform::FolderHoldsLargeFiles(folder) == platform::LargeFiles::Yes;
}

void LoadSettings(AppSettings* settings, const std::string& outputFolder) {
  *settings = AppSettings{};
  AppSettings& s = *settings;
  ReadIntInto("InputCable", &s.videoInput, 1);
  s.recordFormat = 2;
  s.reserved = 0;
  ReadIntInto("nVolume", &s.volume, 10);
  s.tvSystem = 1;
  s.addFileFolder = outputFolder;
  ReadProductString(false, "szAddFileFolder", &s.addFileFolder);

  std::string standardName;
  if (ReadProductString(false, "InputVideoStandard", &standardName)) {
    const TvStandardChoice choice = ParseTvStandardName(standardName);
    s.analogVideoStandard = choice.standard;
    s.tvSystem = choice.system;
    s.tvSystemIndex = std::max(0, choice.system - 1);
  }

  s.burnTempFolder = s.videoTsFolder = s.imageFolder = outputFolder;

  s.cpuClass = GetCpuClass();
  ReadIntInto("CPUMode", &s.cpuMode, static_cast<DWORD>(s.cpuClass));
  s.cpuMode = std::clamp(s.cpuMode, 0, 2);
  ReadIntInto("bCheckVideoSignal", &s.checkVideoSignal, 1);
  ReadIntInto("WideScreen", &s.wideScreen, 0);

  s.outputHoldsLargeFiles = FolderHoldsLargeFiles(outputFolder) ? TRUE : FALSE;
  s.discCapacity = s.outputHoldsLargeFiles ? kDiscCapacityLargeFiles : kDiscCapacitySmallFiles;

  ReadProductString(false, "WMV_Title", &s.wmvTitle);
  ReadProductString(false, "WMV_Author", &s.wmvAuthor);
  ReadProductString(false, "WMV_Copyright", &s.wmvCopyright);
  ReadProductString(false, "WMV_Description", &s.wmvDescription);

  if (!ReadProductString(false, "VideoDeviceName", &s.videoDeviceName) || s.videoDeviceName.empty())
    s.videoDeviceName = "NOT FIND DEVICE";
  if (!ReadProductString(false, "AudioDeviceName", &s.audioDeviceName)) s.audioDeviceName = "NO FIND DEVICE";
  else if (s.audioDeviceName.empty()) s.audioDeviceName = "NOT FIND DEVICE";
}

void SaveSettings(const AppSettings& s) {
  HKEY user = HKEY_CURRENT_USER;
  RegWriteDword(user, kProductKey, "InputCable", static_cast<DWORD>(s.videoInput));
  RegWriteDword(user, kProductKey, "nVolume", static_cast<DWORD>(s.volume));
  RegWriteString(user, kProductKey, "szAddFileFolder", s.addFileFolder.c_str());
  RegWriteString(user, kProductKey, "WMV_Title", s.wmvTitle.c_str());
  RegWriteString(user, kProductKey, "WMV_Author", s.wmvAuthor.c_str());
  RegWriteString(user, kProductKey, "WMV_Copyright", s.wmvCopyright.c_str());
  RegWriteString(user, kProductKey, "WMV_Description", s.wmvDescription.c_str());
  RegWriteDword(user, kProductKey, "WideScreen", static_cast<DWORD>(s.wideScreen));
  RegWriteDword(user, kProductKey, "CPUMode", static_cast<DWORD>(s.cpuMode));
}

void SaveInputCable(const AppSettings& s) {
  RegWriteDword(HKEY_CURRENT_USER, kProductKey, "InputCable", static_cast<DWORD>(s.videoInput));
}

void LoadPublishFlags(PublishFlags* flags) {
  DWORD value = 0;
  if (ReadProductDword(true, "bSmartRender", &value)) flags->smartRender = static_cast<int>(value);
  if (ReadProductDword(true, "bMotionDlg", &value)) flags->motionDlg = static_cast<int>(value);
  if (ReadProductDword(true, "bMakeCopyDisc", &value)) flags->makeCopyDisc = static_cast<int>(value);
  if (ReadProductDword(true, "biPad", &value)) flags->iPad = static_cast<int>(value);
}

}  // namespace studio
