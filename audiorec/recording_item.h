// The record of one finished recording in the recordings list, and the probe that fills its
// play time.
#pragma once

#include <functional>
#include <optional>
#include <string>

struct RecordingItem {
  std::string name;  // file name with extension
  std::string path;
  double size = 0.0;    // bytes
  int playSeconds = 0;  // 0 when the probe failed
};

// Reads a media file's duration. The source is a seam: the default renders the file in a filter
// graph and asks its seeking; tests may install another.
class CMediaDurationProbe {
 public:
  using Source = std::function<bool(const std::string& path, double* seconds)>;
  int Probe(const char* path);
  double GetDuration() const { return seconds_; }
  // nullptr puts the default back.
  static void SetSource(Source source);

 private:
  double seconds_ = 0.0;
};

// The list record of a finished file: none when the file cannot be found.
std::optional<RecordingItem> MakeRecordingItem(const std::string& path, CMediaDurationProbe& probe);
// "%7.2f MB" of the bytes, and "%02d : %02d : %02d" of the play time, as the rows show them.
std::string FormatRowSize(double bytes);
std::string FormatPlayTime(int seconds);
