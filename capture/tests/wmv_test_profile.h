// A small WMV profile (320x240 video, 48 kHz stereo audio) saved for the recording tests.
#pragma once

#include <string>

#include "capture/wmv_profile_info.h"

inline bool SaveTestWmvProfile(const std::string& path) {
  CWmvProfileInfo info;
  if (!info.Init() || !info.AddStream(1) || !info.AddStream(2)) return false;
  WmvStreamParams params;
  params.width = 320, params.height = 240, params.videoKbps = 600, params.frameRate = 29.97;
  params.audioKbps = 128, params.audioKhz = 48, params.channels = 2;
  return info.SetStreamParams(1, params) && info.SetStreamParams(2, params) && info.SaveProfile(path);
}
