#include "converter/row_format.h"

#include <algorithm>
#include <cmath>

#include "converter/command_line.h"
#include "platform/base/strings.h"
#include "widgets/skin_geometry.h"

std::string DeviceName(int mode) {
  switch (mode) {
    case kModePsp:
    case kModePspAvc: return "PSP";
    case kModeIpod: return "iPod";
    case kModeMobile: return "Mobile Phone";
    case kModeIpodIphone: return "iPod && iPhone";
    case kModeIpad: return "iPad, iPhone && iPod";
    default: return "";
  }
}

int PspModeForProfile(const std::string& profileName) {
  const std::string lower = platform::ToLowerAscii(profileName);
  return lower.size() > 1 && lower.find("avc", 1) != std::string::npos ? kModePspAvc : kModePsp;
}

std::string ModeOutputFolder(int mode) {
  switch (mode) {
    case kModeXvidHd: return "HD_OUTPUT/XVID_HD";
    case kModeWmvHd: return "HD_OUTPUT/WMV_HD";
    case kModePsp: return "PSP_OUTPUT/100MNV01";
    case kModePspAvc: return "PSP_OUTPUT/100ANV01";
    case kModeIpod: return "IPOD_OUTPUT";
    case kModeMobile: return "MOBILE_OUTPUT";
    default: return "IPOD_IPHONE_OUTPUT";
  }
}

std::string ModeProfileFolder(int mode) {
  switch (mode) {
    case kModePsp:
    case kModePspAvc: return "profile/PSP";
    case kModeIpod:
    case kModeIpodIphone:
    case kModeIpad: return "profile/iPod";
    case kModeMobile: return "profile/Mobile";
    case kModeXvidHd: return "profile/XviD-HD";
    case kModeWmvHd: return "profile/WMV-HD";
    default: return "";
  }
}

int FirstProfileForMode(const CProfileList& profiles, int mode) {
  if (mode == kModeIpad)
    for (int i = 0; i < profiles.GetCount(); ++i)
      if (platform::ToLowerAscii(profiles.GetProfile(i)->PROFILE).find("ipad") != std::string::npos) return i;
  return 0;
}

std::string FormatSize(std::int64_t bytes) {
  const double kb = static_cast<double>(bytes) / 1024.0;
  const double mb = kb / 1024.0;
  const double gb = mb / 1024.0;
  std::string text;
  if (gb >= 1) text = platform::Format("%.2lf GB", gb);
  else if (mb >= 1) text = platform::Format("%.2lf MB", mb);
  else if (kb >= 1) text = platform::Format("%.0lf KB", kb);
  else text = platform::Format("%lld byte", static_cast<long long>(bytes));
  return text + "  ";
}

std::string FormatDuration(std::int64_t ms) {
  ms = std::max<std::int64_t>(ms, 0);
  const long long hundredths = ms / 10;
  return platform::Format("%02lld:%02lld:%02lld.%02lld", hundredths / 360000, hundredths / 6000 % 60,
                          hundredths / 100 % 60, hundredths % 100);
}

std::string FormatResolution(int width, int height) { return platform::Format("%4d  x %4d", width, height); }

std::string FormatVideoPreset(const CVideoPreset& p) {
  return platform::Format("%d x %d / %5.2ffps / %3dkbps", p.width, p.height, p.frameRate, p.bitrate);
}

std::string FormatAudioPreset(const CAudioPreset& p) {
  return platform::Format("%s / %dhz / %dkbps", p.channels == 1 ? "Mono" : "Stereo", p.sampleRate, p.bitrate);
}

int ProgressFillWidth(int pos, int min, int max, int width) {
  return skin::FillLength(pos, min, max, width).value_or(0);
}

std::string FormatFrameCount(int frame, int inputFrames, int durationMs, double outputRate, bool finished) {
  int total = inputFrames;
  if (durationMs > 0 && outputRate > 0) total = static_cast<int>(std::llround(durationMs * outputRate / 1000.0));
  if (finished) {
    if (frame > 0) total = frame;
    frame = total;
  } else if (frame > total && total > 0) {
    // The converter may count a frame or two past the nominal length before its end.
    frame = total;
  }
  return platform::Format("(%d / %d)", frame, total);
}
