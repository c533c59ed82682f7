// The rules the main window applies around a recording: the output file's name, the limit
// fields, the free-space stop and the read-outs.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace auvry {

// "<folder><prefix>_HHMMSS.<ext>" for that local time; when the file exists (a recording in the
// same second, or at that time another day), "_2", "_3"... before the extension. The chosen
// file is created empty, so no other recorder can choose it too.
std::string UniqueRecordingPath(const std::string& folder, const std::string& prefix, const std::string& extension,
                                const std::tm& local);

inline constexpr int kDefaultLimitSeconds = 86399;
inline constexpr std::uint64_t kMinimumFreeMegabytes = 50;

// The active limit in seconds: the fields' total, or the default limit when that is 0.
int ActiveLimitSeconds(int hours, int minutes, int seconds);

enum class LimitField { Hours, Minutes, Seconds };
struct LimitFields {
  int hours = 0, minutes = 0, seconds = 0;
};
struct TypedLimit {
  int value = 0;
  bool rewrite = false;  // the edit must show "%02d" of value, all selected
};
// The value typed text gives a field (its leading integer, read without overflow), clamped so
// the total stays within maxSeconds; text that is not what the field shows asks for a rewrite.
TypedLimit ParseLimitField(const std::string& text, LimitField field, const LimitFields& others, int maxSeconds);
// The spin's step on the focused field: up only while the total stays within maxSeconds.
LimitFields StepLimitField(LimitFields fields, LimitField focused, int delta, int maxSeconds);

// Whether the recording must stop for lack of room. A free space that cannot be read is not a
// full disk.
bool DiskTooFullToRecord(const std::string& folder);

// The input gain of a volume slider position: 20 - |position| below 10 gives a tenth of it (at
// least 0.1), else that less 9, so 10 is unity and 0 the loudest.
float GainForSliderPosition(int position);

// A level bar's position for a peak in dBFS: (dB + 80) x 1.6 - 48, within 0..100.
int LevelBarPosition(double db);

// "HH : MM : SS" of a whole number of seconds.
std::string FormatElapsed(int seconds);
// "%7.1f KB" up to 1024 KB, else "%7.2f MB".
std::string FormatSize(double kilobytes);

}  // namespace auvry
