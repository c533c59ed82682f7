// Texts of the converter's window: the title, the file list's cells, the preset combos and the
// output sub-folder of each mode.
#pragma once

#include <cstdint>
#include <string>

#include "converter/device_profile.h"

// "PSP", "iPod", ...; empty for the HD modes.
std::string DeviceName(int mode);
// Mode 2 or 3 for a PSP profile: 3 when its lower-cased name holds "avc" after the first character.
int PspModeForProfile(const std::string& profileName);
// The mode's folder below the output base, "/" separated, without a trailing "/".
std::string ModeOutputFolder(int mode);
// The profile folder of the mode below the program folder; empty for modes that scan none.
std::string ModeProfileFolder(int mode);
// The profile selected first in a sorted list: the first, but for the iPad mode the first whose
// name names the iPad (the iPad shares its folder with the smaller players, which sort first).
int FirstProfileForMode(const CProfileList& profiles, int mode);

std::string FormatSize(std::int64_t bytes);
std::string FormatDuration(std::int64_t milliseconds);
std::string FormatResolution(int width, int height);
std::string FormatVideoPreset(const CVideoPreset& preset);
std::string FormatAudioPreset(const CAudioPreset& preset);

// The status line's "(frame / total)" in the output's frames: the total from the duration and
// the output's rate (the input's frame count when either is unknown); at the end (`finished`)
// the frame count the converter last named is the total, so the line ends at N / N.
std::string FormatFrameCount(int frame, int inputFrames, int durationMs, double outputRate, bool finished);

// Pixels of a bar `width` wide filled for `pos` in min..max; 0 for an empty range.
int ProgressFillWidth(int pos, int min, int max, int width);
