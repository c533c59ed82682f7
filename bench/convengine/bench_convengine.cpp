// Measures, in interleaved rounds on the same 60-second clip:
//  1. the engine's wall time for the item and for the whole batch against the same FFmpeg command
//     run by hand, the ratio taken round by round;
//  2. the time from a stop request to the converter process being gone (goal < 200 ms).
// Usage: bench_convengine [rounds, at least 7]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/bench_rounds.h"
#include "convengine/ffmpeg_options.h"
#include "convengine/ffmpeg_program.h"
#include "mordax_host.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using mordax::test::HostReply;
using mordax::test::MordaxHost;

namespace {

constexpr double kItemPauseMs = 1000;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

Qn_ConvertOption BenchOption() {
  Qn_ConvertOption o;
  o.video = {"h264", 640, 480, 1200, 25};
  o.audio = {"libfaac", 128, 44100, 2};
  o.FILEPREFIX = "@SRC_NAME";
  o.EXF = ".mp4";
  o.FORCE = "mp4";
  return o;
}

struct EngineRun {
  double conversionMs = 0;  // item start -> result reply
  double batchMs = 0;       // ConvertStart -> batch complete
  bool ok = false;
};

EngineRun RunEngine(MordaxHost& host, const std::string& outFolder) {
  EngineRun run;
  fs::remove_all(outFolder);
  fs::create_directories(outFolder);
  host.Clear();
  Clock::time_point itemStart{};
  Clock::time_point result{};
  const auto start = Clock::now();
  host.ConvertStart(outFolder.c_str());
  host.PumpUntil(
      [&](const HostReply& r) {
        if (r.op == Qn_OP_CONVERT && r.status == Qn_MSG_ITEM_START && itemStart == Clock::time_point{})
          itemStart = Clock::now();
        if (r.op == Qn_OP_CONVERT && (r.status == Qn_MSG_SUCCEEDED || r.status == Qn_MSG_FAILED) &&
            result == Clock::time_point{}) {
          result = Clock::now();
          run.ok = r.status == Qn_MSG_SUCCEEDED;
        }
        return r.op == Qn_OP_CONVERT && r.status == Qn_MSG_COMPLETE;
      },
      600000);
  run.batchMs = Ms(Clock::now() - start);
  run.conversionMs = Ms(result - itemStart);
  return run;
}

double RunByHand(const std::string& program, const std::vector<std::string>& args, const std::string& output) {
  fs::remove(output);
  std::string out;
  std::string err;
  int code = -1;
  const auto start = Clock::now();
  platform::RunProcess(program, args, &out, &err, &code, 600000);
  const double ms = Ms(Clock::now() - start);
  if (code != 0) std::fprintf(stderr, "ffmpeg by hand failed (%d)\n", code);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("VIDARRO_APP_DIR")) ::setenv("VIDARRO_APP_DIR", VIDARRO_BENCH_APP_DIR, 1);
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const std::string folder = platform::TempFolder() + "bench_convengine/";
  fs::create_directories(folder);
  const std::string clip = folder + "clip60.mp4";
  const std::string program = mordax::FindFFmpeg();
  if (program.empty()) bench::MissingPeer("ffmpeg is not installed");
  std::printf("making a 60-second 640x480 clip...\n");
  mordax::test::RunTool({program, "-v",    "error", "-y",
                         "-f",    "lavfi", "-i",    "testsrc=size=640x480:rate=25",
                         "-f",    "lavfi", "-i",    "sine=frequency=440:sample_rate=44100",
                         "-t",    "60",    "-c:v",  "mpeg4",
                         "-q:v",  "5",     "-c:a",  "aac",
                         clip});

  MordaxHost host;
  if (!host.Loaded() || host.Open(host.Window(), WM_CONVERT_NOTIFY, -1) != 1) {
    std::fprintf(stderr, "cannot load Mordax.so\n");
    return 1;
  }
  const std::vector<std::string> paths{clip};
  host.AddFile(&paths);
  host.PumpUntil(Qn_OP_ADD_FILE, Qn_MSG_COMPLETE, 60000);
  const Qn_ConvertOption option = BenchOption();
  host.SetConvertOption(7, &option);
  host.PumpUntil([](const HostReply& r) { return r.op == Qn_OP_SET_CONVERT_OPTION; }, 60000);

  // The very command the engine gives FFmpeg, from the same option.
  const std::string handOut = folder + "hand/clip60.mp4";
  fs::create_directories(folder + "hand");
  const std::vector<std::string> args = mordax::MakeArguments(option, clip, handOut, true, nullptr);

  bench::Session session("Conversion engine against the same FFmpeg command run by hand", rounds);
  bench::Figure item{"item, without the pause", "ms", false, {}, {}, {}};
  bench::Figure whole{"whole batch", "ms", false, {}, {}, {}};
  RunByHand(program, args, handOut);  // warm the caches once
  for (int round = 0; round < rounds; ++round) {
    EngineRun run;
    const std::vector<double> s = bench::RunRound(round, {[&] {
                                                            run = RunEngine(host, folder + "engine/");
                                                            if (!run.ok)
                                                              std::fprintf(stderr, "engine conversion failed\n");
                                                            return run.batchMs;
                                                          },
                                                          [&] { return RunByHand(program, args, handOut); }});
    // The manager waits a fixed second after each item start before the converter runs; that
    // pause is part of the reply protocol, not of the engine's work on the file.
    item.Add(run.conversionMs - kItemPauseMs, s[1]);
    whole.Add(s[0], s[1]);
  }
  bench::Section(
      "Conversion of a 60 s clip to the H.264 MP4 option, ms (lower is better); project: Mordax.so "
      "converting one item of a batch",
      "the very FFmpeg command the engine builds from the same option, run by hand",
      "the item figure leaves out the fixed " + std::to_string(static_cast<int>(kItemPauseMs)) +
          " ms pause after the item start; the batch figure keeps it, with the engine's replies and file "
          "checks");
  bench::Print(item);
  bench::Print(whole);

  // Stop: from the request to the child being gone.
  std::vector<double> stops;
  std::vector<double> replies;
  for (int i = 0; i < 5; ++i) {
    fs::remove_all(folder + "engine/");
    fs::create_directories(folder + "engine/");
    host.Clear();
    host.ConvertStart((folder + "engine/").c_str());
    host.PumpUntil(Qn_OP_CONVERT, Qn_MSG_CONVERT_PROCESSING, 60000);
    const auto request = Clock::now();
    host.WorkStop();
    while (!mordax::test::LiveChildren().empty()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    stops.push_back(Ms(Clock::now() - request));
    host.PumpUntil([](const HostReply& r) { return r.status == Qn_MSG_FAILED; }, 60000);
    replies.push_back(Ms(Clock::now() - request));
    host.PumpUntil(Qn_OP_CONVERT, Qn_MSG_COMPLETE, 60000);
  }
  std::printf("\nstop request -> converter process gone (5 runs)\n");
  const bench::Spread gone = bench::Summarise(stops), replied = bench::Summarise(replies);
  std::printf("  median %7.1f ms (%.1f-%.1f) (goal < 200 ms; no peer)\n", gone.median, gone.min, gone.max);
  std::printf("  stop request -> stopped reply: median %7.1f ms (%.1f-%.1f)\n", replied.median, replied.min,
              replied.max);
  host.Close();
  fs::remove_all(folder);
  return 0;
}
