// What the converter's window tests share: clips made by FFmpeg, what ffprobe reads back, the
// converter's resource libraries loaded as the program loads them, and bounded real-time waits.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "platform/base/win_types.h"

namespace parvel_test {

// A clip of `seconds` with a test picture and a tone, as MPEG-2 in a program stream.
bool MakeClip(const std::string& path, int seconds, int width = 640, int height = 480);
// The same picture without any sound stream.
bool MakeSilentClip(const std::string& path, int seconds);
// A 25 fps WMV (WMV 8 video, WMA 2 sound) in ASF, as a camcorder's software writes it.
bool MakeWmvClip(const std::string& path, int seconds);
// ffprobe's stream and format fields ("video.codec_name", "audio.sample_rate", "format_name"...).
std::map<std::string, std::string> Probe(const std::string& path);
// What FFmpeg says decoding the whole file (errors only): empty for a clean file.
std::string DecodeErrors(const std::string& path);
// "30000/1001" as frames per second.
double FrameRate(const std::string& rational);
// Pumps this thread until `done` holds or `ms` of real time passed (a bound, never a condition).
bool WaitFor(const std::function<bool()>& done, int ms);
// Runs a shell command; its output.
std::string Run(const std::string& command);

// ParvelLng (made the resource handle) and ParvelImg from the application folder.
class ParvelResources {
 public:
  ParvelResources();
  ~ParvelResources();
  HINSTANCE Images() const { return images_; }

 private:
  HMODULE language_ = nullptr;
  HMODULE images_ = nullptr;
};

}  // namespace parvel_test
