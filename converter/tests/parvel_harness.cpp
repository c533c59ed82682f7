#include "parvel_harness.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "converter/parvel_settings.h"
#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "platform/testkit/driving.h"
#include "platform/window/afx_app.h"

namespace parvel_test {

std::string Run(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

bool MakeClip(const std::string& path, int seconds, int width, int height) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::string command = "ffmpeg -v error -y -f lavfi -i testsrc=size=" + size +
                              ":rate=25:duration=" + std::to_string(seconds) +
                              " -f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) +
                              " -c:v mpeg2video -b:v 2M -c:a mp2 -f mpeg '" + path + "' 2>&1 && echo made";
  return Run(command).find("made") != std::string::npos;
}

bool MakeSilentClip(const std::string& path, int seconds) {
  const std::string command =
      "ffmpeg -v error -y -f lavfi -i testsrc=size=640x480:rate=25:duration=" + std::to_string(seconds) +
      " -c:v mpeg2video -b:v 2M -an -f mpeg '" + path + "' 2>&1 && echo made";
  return Run(command).find("made") != std::string::npos;
}

bool MakeWmvClip(const std::string& path, int seconds) {
  const std::string command =
      "ffmpeg -v error -y -f lavfi -i testsrc=size=640x480:rate=25:duration=" + std::to_string(seconds) +
      " -f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) + " -c:v wmv2 -b:v 2M -c:a wmav2 -f asf '" +
      path + "' 2>&1 && echo made";
  return Run(command).find("made") != std::string::npos;
}

std::string DecodeErrors(const std::string& path) {
  return Run("ffmpeg -nostdin -v error -i '" + path + "' -f null - 2>&1");
}

std::map<std::string, std::string> Probe(const std::string& path) {
  std::map<std::string, std::string> fields;
  auto read = [&](const std::string& prefix, const std::string& select, const std::string& entries) {
    std::istringstream lines(Run("ffprobe -v error " + select + " -show_entries " + entries + " -of default=nw=1 '" +
                                 path + "' 2>/dev/null"));
    std::string line;
    while (std::getline(lines, line))
      if (const auto eq = line.find('='); eq != std::string::npos)
        fields[prefix + line.substr(0, eq)] = line.substr(eq + 1);
  };
  read("video.", "-select_streams v:0", "stream=codec_name,width,height,r_frame_rate");
  read("audio.", "-select_streams a:0", "stream=codec_name,sample_rate,channels");
  read("", "", "format=format_name,duration");
  return fields;
}

double FrameRate(const std::string& rational) {
  const auto slash = rational.find('/');
  const double num = std::atof(rational.c_str());
  const double den = slash == std::string::npos ? 1 : std::atof(rational.c_str() + slash + 1);
  return den > 0 ? num / den : 0;
}

bool WaitFor(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    testkit::Pump();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  testkit::Pump();
  return done();
}

// Loaded once for the whole process: the platform keeps a freed library's resource table on
// its list, so loading the libraries again at another address would leave it pointing nowhere.
ParvelResources::ParvelResources() {
  static const HMODULE language = LoadLibrary((platform::AppFolder() + kParvelLanguageLibrary).c_str());
  static const HMODULE images = LoadLibrary((platform::AppFolder() + kParvelImageLibrary).c_str());
  language_ = language;
  images_ = images;
  AfxSetResourceHandle(language_);
}

ParvelResources::~ParvelResources() { AfxSetResourceHandle(nullptr); }

}  // namespace parvel_test
