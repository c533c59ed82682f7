// Stands in for FFmpeg in tests: deterministic statistics output, silence, crashes and exit codes.
// FAKE_FFMPEG_MODE picks the behaviour ("diskfull" fails half-way as on a full disk, "taken" finds its name taken at the end), FAKE_FFMPEG_SECONDS the length it claims to convert,
// FAKE_FFMPEG_LOG names a file that receives its pid and arguments. "flood" prints statistics
// without pause, "wrapper" leaves the work to a child of its own.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string Env(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}

void Stats(int frame, double seconds) {
  const int whole = static_cast<int>(seconds);
  const int cs = static_cast<int>((seconds - whole) * 100 + 0.5);
  std::fprintf(stderr,
               "frame=%5d fps= 25 q=28.0 size=     128kB time=%02d:%02d:%02d.%02d bitrate= 100.0kbits/s speed=1x\r",
               frame, whole / 3600, (whole / 60) % 60, whole % 60, cs);
  std::fflush(stderr);
}

void Progress(double upTo, int stepMs) {
  for (double t = 0.5; t <= upTo + 1e-9; t += 0.5) {
    Stats(static_cast<int>(t * 25), t);
    std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
  }
}

void WriteOutput(const std::string& path) { std::ofstream(path) << "converted"; }

void SleepForever() {
  while (true) std::this_thread::sleep_for(std::chrono::seconds(1));
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args.back() == "-encoders" && Env("FAKE_FFMPEG_ENCODERS", "") == "endless") {
    // Prints its list without end; FAKE_FFMPEG_ENCODERS_LOG learns how many MiB went out.
    std::printf("Encoders:\n ------\n");
    const std::string counter = Env("FAKE_FFMPEG_ENCODERS_LOG", "/dev/null");
    const std::string line = " V....D libx264              libx264 H.264 (codec h264)\n";
    for (std::size_t written = 0;; written += line.size()) {
      if (written % (1024 * 1024) < line.size()) std::ofstream(counter) << written / (1024 * 1024);
      std::fputs(line.c_str(), stdout);
    }
  }
  if (!args.empty() && args.back() == "-encoders") {
    std::printf("Encoders:\n V..... = Video\n ------\n");
    std::printf(" V....D libx264              libx264 H.264 (codec h264)\n");
    std::printf(" V.S... mpeg4                MPEG-4 part 2\n");
    std::printf(" V..... libxvid              libxvidcore MPEG-4 part 2 (codec mpeg4)\n");
    std::printf(" A..... aac                  AAC (Advanced Audio Coding)\n");
    std::printf(" A....D pcm_s16le            PCM signed 16-bit little-endian\n");
    return 0;
  }
  const std::string log = Env("FAKE_FFMPEG_LOG", "");
  if (!log.empty()) {
    std::ofstream out(log, std::ios::app);
    out << ::getpid();
    for (const std::string& a : args) out << '\t' << a;
    out << '\n';
  }
  const std::string mode = Env("FAKE_FFMPEG_MODE", "ok");
  const double seconds = std::atof(Env("FAKE_FFMPEG_SECONDS", "4").c_str());
  const std::string output = args.empty() ? std::string() : args.back();
  std::fprintf(stderr, "ffmpeg version 5.1 fake\n");

  if (mode == "ok" || mode == "exit1" || mode == "nooutput") {
    std::fprintf(stderr, "frame=    0 fps=0.0 q=0.0 size=       0kB time=N/A bitrate=N/A speed=N/A\r");
    Progress(seconds, 5);
    if (mode != "nooutput") WriteOutput(output);
    std::fprintf(stderr, "\nvideo:1kB audio:1kB\n");
    return mode == "exit1" ? 1 : 0;
  }
  if (mode == "taken") {
    // Another converter finishes a file of the output's name meanwhile: the name the hidden
    // partial file ".NAME.partPID.EXT" stands for.
    Progress(seconds, 5);
    WriteOutput(output);
    const std::size_t slash = output.rfind('/') + 1;
    std::string name = output.substr(slash + 1);
    const std::size_t part = name.find(".part");
    const std::size_t dot = name.find('.', part + 1);
    name = name.substr(0, part) + (dot == std::string::npos ? "" : name.substr(dot));
    std::ofstream(output.substr(0, slash) + name) << "another converter's";
    return 0;
  }
  if (mode == "short") {
    Progress(seconds / 2, 5);
    WriteOutput(output);
    return 0;
  }
  if (mode == "diskfull") {
    // Half an output, as a full disk leaves it, and FFmpeg's own words for it.
    Progress(seconds / 2, 5);
    WriteOutput(output);
    std::fprintf(stderr, "\nav_interleaved_write_frame(): No space left on device\n");
    return 1;
  }
  if (mode == "crash") {
    Progress(seconds, 5);
    WriteOutput(output);
    std::abort();
  }
  if (mode == "slow") {
    Progress(seconds, 200);
    WriteOutput(output);
    return 0;
  }
  if (mode == "flood") {
    // Statistics as fast as the pipe takes them, then a good end.
    for (int i = 1; i <= 20000; ++i) Stats(i, seconds * i / 20000);
    WriteOutput(output);
    return 0;
  }
  if (mode == "wrapper") {
    // Starts the real work in a child of its own, which FAKE_FFMPEG_CHILD_LOG learns of.
    const pid_t child = ::fork();
    if (child == 0) {
      std::ofstream(Env("FAKE_FFMPEG_CHILD_LOG", "/dev/null")) << ::getpid() << '\n';
      SleepForever();
    }
  }
  if (mode == "stubborn") std::signal(SIGTERM, SIG_IGN);
  // "silent" and "stubborn": no word, no end.
  SleepForever();
}
