#include "script_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/base/paths.h"
#include "platform/base/process.h"

namespace studio::packs {

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ToolOutput(const std::string& program, const std::vector<std::string>& args) {
  std::string out, err;
  int code = -1;
  platform::RunProcess(program, args, &out, &err, &code, 120000);
  return out + err;
}

bool RegisterInstalledPacks() {
  for (const char* pack : {"Lumbrel.so", "Tessmor.so"}) {
    testkit::ProgramProcess regsvr32;
    if (!regsvr32.Start("regsvr32", {"/s", platform::AppFolder() + pack}) || regsvr32.WaitForExit(20000) != 0)
      return false;
  }
  return true;
}

std::string PlayQuillon(const testkit::Environment& env, const std::string& name, const std::string& script,
                        const std::vector<std::string>& arguments) {
  const std::string file = env.Temp() + name + ".script";
  const std::string report = env.Temp() + name + ".report";
  std::ofstream(file) << script;
  testkit::ScopedVariable scriptVariable("VIDARRO_SCRIPT", file);
  testkit::ScopedVariable reportVariable("VIDARRO_SCRIPT_REPORT", report);
  testkit::ScopedVariable pictures("VIDARRO_SCRIPT_PICTURES", testkit::PictureFolder());
  testkit::ProgramProcess quillon;
  if (!quillon.Start("Quillon", arguments)) return "Quillon did not start";
  const int code = quillon.WaitForExit(600000);
  return code == 0 ? std::string() : quillon.Output() + ReadText(report);
}

namespace {

std::string Made(const std::string& path, const std::vector<std::string>& args) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg", args, &out, &err, &code, 120000);
  return code == 0 ? path : std::string();
}

std::string Picture(const std::string& size, int seconds) {
  return "testsrc=size=" + size + ":rate=30000/1001:duration=" + std::to_string(seconds);
}

std::string Tone(int seconds) { return "sine=frequency=440:sample_rate=48000:duration=" + std::to_string(seconds); }

}  // namespace

std::string MakeDvdClip(const std::string& path, int seconds) {
  return Made(path, {"-v", "error", "-y", "-f", "lavfi", "-i", Picture("720x480", seconds), "-f", "lavfi", "-i",
                     Tone(seconds), "-target", "ntsc-dvd", "-aspect", "4:3", "-b:v", "1500k", path});
}

std::string MakeHdvClip(const std::string& path, int seconds) {
  return Made(path, {"-v", "error",  "-y", "-f",          "lavfi", "-i",         Picture("1440x1080", seconds),
                     "-f", "lavfi",  "-i", Tone(seconds), "-c:v",  "mpeg2video", "-b:v",
                     "8M", "-g",     "15", "-c:a",        "mp2",   "-b:a",       "384k",
                     "-f", "mpegts", path});
}

std::vector<std::string> RippedTracks(const std::string& cue, const std::string& folder) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  platform::ChildProcess child;
  platform::ChildOptions options;
  options.workFolder = folder;
  if (!child.Start("vcdxrip", {"--cue-file=" + cue, "--nofiles"}, options)) return {};
  std::string out, err;
  while (child.ReadOutput(&out, &err, 1000)) {
  }
  std::vector<std::string> tracks;
  for (int n = 1; n < 99; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "avseq%02d.mpg", n);
    if (!std::filesystem::exists(folder + name)) break;
    std::string probe =
        ToolOutput("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                               "stream=codec_name,width,height:format=duration", "-of", "csv=p=0", folder + name});
    std::replace(probe.begin(), probe.end(), '\n', ',');
    tracks.push_back(probe);
  }
  return tracks;
}

std::vector<int> DvdTitleChapters(const std::string& lsdvdReport) {
  std::vector<int> chapters;
  for (size_t at = lsdvdReport.find("Chapters: "); at != std::string::npos; at = lsdvdReport.find("Chapters: ", at + 1))
    chapters.push_back(std::atoi(lsdvdReport.c_str() + at + 10));
  return chapters;
}

void ExpectTrack(const std::string& track, const std::string& picture, double seconds) {
  EXPECT_EQ(track.rfind(picture + ",", 0), 0u) << track;
  std::string rest = track;
  while (!rest.empty() && rest.back() == ',') rest.pop_back();
  EXPECT_NEAR(std::atof(rest.c_str() + rest.rfind(',') + 1), seconds, 0.5) << track;
}

}  // namespace studio::packs
