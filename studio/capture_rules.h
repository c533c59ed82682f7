// The capture step's numbers and names, kept apart from its windows: formats and their labels,
// bit rates, capture sizes, the recording time a disk or disc holds, output and part names, the
// burner's option text and disc codes, the meters and the volume.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace studio {

enum RecordFormat { kVcd = 0, kSvcd = 1, kDvd = 2, kLongDvd = 3, kAvi = 4, kWmv = 5, kHdv = 6, kDvAvi = 7 };

// The label of control 1122; "" for a value that is no format.
const char* FormatLabel(int format);
bool IsMpegFormat(int format);
// The name's time pattern prefix ("DVD_") and extension (".mpg"); both empty for AVI and others.
struct OutputPattern {
  std::string prefix;
  std::string extension;
};
OutputPattern OutputPatternOf(int format);

// Video bit rates by quality; a quality outside 0..3 counts as Normal.
int DvdBitRate(int quality);
int LongDvdBitRate(int quality);
int WmvByteRate(int quality);
// The video bit rate of an MPEG recording of that format.
int MpegVideoBitRate(int format, int quality);
// The encoder's stream type: VCD 3/4, SVCD 9/10, DVD 7/8 (NTSC/PAL).
int MpegStreamType(int format, int tvStandard);

struct CaptureSize {
  long width = 0;
  long height = 0;
};
// The size the analog graph captures at for a format; `standardClass` is 1 for the NTSC family.
CaptureSize CaptureSizeFor(int format, int standardClass, int level, int tvStandard);

// Bytes per second the maximum recording time is reckoned with.
double MaxTimeByteRate(int format, int quality);
struct MaxRecordingTime {
  unsigned seconds = 0;
  std::string text;
};
// From the free bytes of the output volume. Space that cannot be read is not a full disk: the
// day's longest recording is allowed, and the clock's own check decides later.
MaxRecordingTime ComputeMaxRecordingTime(std::optional<std::uint64_t> freeBytes, int format, int quality);
// "%H : %M : %S" of whole seconds.
std::string SpanText(unsigned seconds, const char* separator);
// Megabytes an MPEG recording has written after `elapsed` seconds, as the clock shows them.
double MpegSizeEstimateMB(int format, int quality, double elapsed);

// "WMVProfile/QnProfile_XXXX.prx" under the program folder.
std::string WmvProfileName(int quality, int tvStandard, int level, int aspect);

// The output file for a recording starting at `timeText` ("140509"): folder + prefix + time +
// extension, with "-2", "-3" ... before the extension when the name or a file made from it
// (a part or an elementary stream) is already on disk.
std::string UniqueOutputName(const std::string& folder, const OutputPattern& pattern, const std::string& timeText,
                             const std::function<bool(const std::string&)>& exists);
// Every file a recording of that name may make: parts and elementary streams.
std::vector<std::string> FilesMadeFrom(const std::string& path);
// The path without its last extension (only the file name's).
std::string StemOf(const std::string& path);
// The n-th split of a file: "stem_n.ext".
std::string SplitName(const std::string& first, size_t n);
// The files an MPEG (+73) or HDV (+77) recording of `path` wrote in `parts` parts.
std::vector<std::string> MpegPartNames(const std::string& path, long parts);
std::vector<std::string> HdvPartNames(const std::string& path, long parts);
// The elementary streams of a record-and-burn recording: ".mpv/.mpa" and ".mpv.N/.mpa.N".
std::vector<std::string> ElementaryStreamNames(const std::string& path);

// The burner's option text, in its order.
std::string BurnOptionString(int format, int tvStandard, int plannedSeconds, int quality, int maxFileSizeMB,
                             const std::string& outFolder);
std::string DiscLockText(int format, bool on);

// What a disc code of "checkdrive" changes: the new format and maximum file size.
struct DiscChoice {
  bool changed = false;  // whether anything applies
  int format = 0;
  int maxFileSizeMB = 0;
};
DiscChoice ChooseForDisc(long long code, int format, int maxFileSizeMB, bool largeFiles);

// Level meters: a level in dB to a meter value 0..100.
int MeterValue(double dB);
// Volume slider position 0..20 to the audio gain.
float VolumeGain(int position);

// The mode a tape button sends, from the current transport mode.
long RewindMode(long current);
long FastForwardMode(long current);

// The time-limit fields kept under the maximum, as typing them clamps them.
struct TimeLimit {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  unsigned Total() const { return static_cast<unsigned>(hours) * 3600 + minutes * 60 + seconds; }
};
int ClampHours(int value, unsigned maximum);
int ClampMinutes(int value, int hours, unsigned maximum);
int ClampSeconds(int value, int hours, int minutes, unsigned maximum);
// The field's value a typed text gives: empty 0, else its leading number.
int ParseField(const std::string& text);
// A limit over the maximum becomes the maximum.
TimeLimit LimitWithin(TimeLimit limit, unsigned maximum);

// Record Settings.
struct FormatItem {
  int format = 0;
  int capacityMB = 0;
  std::string name;
  std::string detail;
};
// The format list for a device type (2 DV, 3 HDV, others analog) on a volume that holds files
// over 4 GiB or not; `singleLayer`/`dualLayer` are the details of strings 199 and 200.
std::vector<FormatItem> FormatListFor(int deviceType, bool largeFiles, const std::string& singleLayer,
                                      const std::string& dualLayer);
// Seconds of video a capacity holds for a format and quality.
double RecordingSeconds(int format, int quality, int capacityMB);
// String 198 filled in.
std::string RecordingResultText(const std::string& pattern, const FormatItem& item, int quality);

}  // namespace studio
