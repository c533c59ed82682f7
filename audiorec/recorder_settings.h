// The recorder's settings kept between runs: the four values the main window loads at start and
// saves at close, and the folder its recordings go to.
#pragma once

#include <string>

#include "platform/base/win_types.h"

inline constexpr const char* kProductKey = "SOFTWARE\\Narvell\\Vidarro 5";

struct RecorderSettings {
  DWORD volume = 10;
  DWORD noiseReduction = 0;
  DWORD noiseReductionValue = 150;  // amount x 10
  DWORD noAudioStreamRender = 1;    // 1: the input is not heard through the speakers
};

// Values that are missing are stored with their defaults; values of another type read as the
// default and are left as they are.
RecorderSettings LoadRecorderSettings();
void SaveRecorderSettings(const RecorderSettings& settings);

// The folder recordings go to, with a trailing "/": the stored one when it exists, else the
// default, created with its parents. Empty when neither can be had.
std::string ResolveOutputFolder(const std::string& stored, const std::string& fallback);
