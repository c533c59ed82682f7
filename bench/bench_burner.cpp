// The burner's road for a 60 s DVD recording (author with dvdauthor, write to a stdio: writer)
// against the same done by hand: dvdauthor, then genisoimage piped into xorriso's cdrecord with
// fs=64m, on the same file. Rounds alternate; each prints its ratio, then the median and range.
// Not a test: run build/bench/bench_burner [rounds].
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "burn_engine.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/drive_set.h"

namespace {

using Clock = std::chrono::steady_clock;
using studio::packs::BurnEnd;
using studio::packs::BurnEngine;
using studio::packs::BurnJob;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

double SuiteBurn(const std::string& recording, const std::string& work) {
  platform::disc::MachineDrives().front()->Blank();
  std::mutex mutex;
  std::condition_variable changed;
  const auto start = Clock::now();
  // When each phase began, to see where the time goes.
  double began[5] = {};
  BurnEngine* running = nullptr;
  BurnEngine engine([&] {
    std::lock_guard lock(mutex);
    if (running) {
      const int phase = static_cast<int>(running->Phase());
      if (!began[phase]) began[phase] = Seconds(start);
    }
    changed.notify_all();
  });
  {
    std::lock_guard lock(mutex);
    running = &engine;
  }
  BurnJob job;
  job.titles = {{recording}};
  job.discName = "BENCH";
  job.workFolder = work + "suite/";
  std::string refusal;
  if (!engine.Start(job, &refusal)) {
    std::fprintf(stderr, "burn refused: %s\n", refusal.c_str());
    std::exit(1);
  }
  const double started = Seconds(start);
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return !engine.Running(); });
  }
  const double seconds = Seconds(start);
  std::printf("    started %.2f s; phases began at: authoring %.2f s, writing %.2f s, finalizing %.2f s\n", started,
              began[2], began[3], began[4]);
  engine.Join();
  if (engine.End() != BurnEnd::Burned) {
    std::fprintf(stderr, "burn failed: %s\n", engine.Message().c_str());
    std::exit(1);
  }
  return seconds;
}

double PeerBurn(const std::string& recording, const std::string& work) {
  const std::string dvd = work + "peer/";
  std::filesystem::remove_all(dvd);
  std::filesystem::remove(work + "peer.img");
  const auto start = Clock::now();
  Shell("VIDEO_FORMAT=NTSC dvdauthor -o " + dvd + " -t -f " + recording + " 2>/dev/null");
  Shell("VIDEO_FORMAT=NTSC dvdauthor -o " + dvd + " -T 2>/dev/null");
  Shell("genisoimage -quiet -dvd-video -V BENCH " + dvd + " | xorriso -as cdrecord dev=stdio:" + work +
        "peer.img fs=64m - >/dev/null 2>&1");
  const double seconds = Seconds(start);
  std::filesystem::remove_all(dvd);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string work = platform::TempFolder() + "bench-burner/";
  std::filesystem::remove_all(work);
  platform::CreateFolders(work);
  const std::string recording = work + "DVD_120000.mpg";
  Shell(
      "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=720x480:rate=30000/1001:duration=60 -f lavfi -i "
      "sine=sample_rate=48000:duration=60 -vf noise=alls=30:allf=t -target ntsc-dvd -b:v 6000k -minrate 6000k " +
      recording);

  platform::disc::DriveDesc drive = platform::disc::DefaultDrives()[0];
  drive.imageFolder = work;
  platform::disc::SetMachineDrives({drive});

  std::vector<double> ratios;
  double load[3] = {};
  std::printf("60 s DVD recording (%.0f MB): author and write to a stdio: writer\n",
              static_cast<double>(platform::FileSize(recording)) / 1048576.0);
  for (int round = 0; round < rounds; ++round) {
    const double suite = SuiteBurn(recording, work);
    const double peer = PeerBurn(recording, work);
    ratios.push_back(suite / peer);
    getloadavg(load, 3);
    std::printf("  round %d: burner %6.2f s  dvdauthor+genisoimage+xorriso %6.2f s  ratio %.2f  load %.2f\n", round + 1,
                suite, peer, suite / peer, load[0]);
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("  ratio (burner / by hand): median %.2f, min %.2f, max %.2f  (goal <= 1.10)\n",
              ratios[ratios.size() / 2], ratios.front(), ratios.back());
  std::filesystem::remove_all(work);
  return 0;
}
