// The suite's VIDEO_TS burn to a stdio: drive against genisoimage piped into xorriso's cdrecord
// with a 64 MiB fifo, and genisoimage writing the image straight to a file as the floor, all on
// the same folder in interleaved rounds; the floor again with both held to one processor, where
// nothing the burn does beside the tool can hide on another.
// Usage: bench_disc [rounds, at least 7] [megabytes, default 512]
#include <sched.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/bench_rounds.h"
#include "platform/base/file.h"
#include "platform/disc/drive_set.h"
#include "platform/disc/qn_data_cd_dvd.h"

namespace {

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

double TimedShell(const std::string& command) {
  const double start = bench::Now();
  Shell(command);
  return bench::Now() - start;
}

// Holds every thread of the process, and so what they start (threads, child processes), to one
// processor for as long as it lives. All of them: the suite starts its tools from a thread of its
// own, which a hold on the calling thread alone would leave free.
class OneProcessor {
 public:
  OneProcessor() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
      if (CPU_ISSET(cpu, &allowed)) {
        CPU_SET(cpu, &one);
        break;
      }
    held_ = true;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
      const pid_t tid = static_cast<pid_t>(std::atol(task.path().filename().c_str()));
      Pinned thread{tid, {}};
      if (::sched_getaffinity(tid, sizeof thread.before, &thread.before) != 0) continue;
      if (::sched_setaffinity(tid, sizeof one, &one) != 0) held_ = false;
      else threads_.push_back(thread);
    }
  }
  ~OneProcessor() {
    for (const Pinned& thread : threads_) ::sched_setaffinity(thread.tid, sizeof thread.before, &thread.before);
  }
  OneProcessor(const OneProcessor&) = delete;
  OneProcessor& operator=(const OneProcessor&) = delete;
  bool Held() const { return held_ && !threads_.empty(); }

 private:
  struct Pinned {
    pid_t tid;
    cpu_set_t before;
  };
  std::vector<Pinned> threads_;
  bool held_ = false;
};

std::atomic<int> ended{0}, endStatus{-1};
void OnEnd(int status, void*) {
  endStatus = status;
  ended = 1;
}

double SuiteBurn(const std::string& folder) {
  CQnDataCDDVD writer;
  writer.Initialize();
  writer.ChooseDrive(0);
  writer.UnloadMedium();
  writer.LoadMedium();  // a fresh blank
  writer.SetDiscLabel("BENCH");
  writer.SetFinalizeDisc(1);
  ended = 0;
  const double start = bench::Now();
  if (!writer.StartBurnVideoTSFolder(folder.c_str(), &OnEnd, nullptr)) {
    std::fprintf(stderr, "burn did not start: %06lx\n", writer.GetErrorCode());
    std::exit(1);
  }
  while (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  const double seconds = bench::Now() - start;
  if (endStatus != 0) {
    std::fprintf(stderr, "burn failed: %06lx\n", writer.GetErrorCode());
    std::exit(1);
  }
  return seconds;
}

// A real DVD-Video folder: a short clip repeated to the size asked for, authored by dvdauthor.
std::string MakeVideoTs(const std::string& work, long megabytes) {
  const std::string dvd = work + "dvd_" + std::to_string(megabytes) + "MB";
  if (std::filesystem::exists(dvd + "/VIDEO_TS/VIDEO_TS.IFO")) return dvd;
  std::filesystem::remove_all(dvd);
  platform::CreateFolders(dvd);
  Shell(
      "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=720x480:rate=30000/1001:duration=10 -f lavfi -i "
      "sine=sample_rate=48000:duration=10 -target ntsc-dvd -b:v 8000k " +
      work + "piece.mpg");
  const double pieceMb = static_cast<double>(platform::FileSize(work + "piece.mpg")) / 1048576.0;
  const long loops = std::max(1L, static_cast<long>(static_cast<double>(megabytes) / pieceMb + 0.5));
  Shell("ffmpeg -nostdin -v error -y -stream_loop " + std::to_string(loops - 1) + " -i " + work +
        "piece.mpg -c copy -f dvd " + work + "long.mpg");
  Shell("VIDEO_FORMAT=NTSC dvdauthor -o " + dvd + " -t " + work + "long.mpg 2>/dev/null");
  Shell("VIDEO_FORMAT=NTSC dvdauthor -o " + dvd + " -T 2>/dev/null");
  std::filesystem::remove(work + "long.mpg");
  std::filesystem::remove(work + "piece.mpg");
  return dvd;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const long megabytes = argc > 2 ? std::atol(argv[2]) : 512;
  bench::RequirePrograms({"ffmpeg", "dvdauthor", "genisoimage", "xorriso"});
  const std::string work = std::string(BENCH_WORK_DIR) + "/";
  platform::CreateFolders(work);
  const std::string dvd = MakeVideoTs(work, megabytes);

  platform::disc::DriveDesc drive = platform::disc::DefaultDrives()[0];
  drive.imageFolder = work;
  platform::disc::SetMachineDrives({drive});
  const std::string peerImage = work + "peer.img", floorImage = work + "floor.iso";

  bench::Session session("VIDEO_TS burn to a stdio: drive against genisoimage and xorriso", rounds);
  bench::Figure piped{"burn / genisoimage|xorriso", "s", false, {}, {}, {}};
  bench::Figure floor{"burn / genisoimage -o (floor)", "s", false, {}, {}, {}};
  bench::Figure single{"on one processor, burn / -o", "s", false, {}, {}, {}};
  const auto floorBurn = [&] {
    // Last round's image goes inside the time, as the burn's fresh disc replaces the last one's.
    const double start = bench::Now();
    std::filesystem::remove(floorImage);
    Shell("genisoimage -quiet -dvd-video -V BENCH -o " + floorImage + " '" + dvd + "'");
    return bench::Now() - start;
  };
  const auto held = [](const std::function<double()>& contender) {
    const OneProcessor one;
    if (!one.Held()) {
      std::fprintf(stderr, "the bench cannot be held to one processor\n");
      std::exit(1);
    }
    return contender();
  };
  for (int round = 0; round < rounds; ++round) {
    const std::vector<double> s = bench::RunRound(
        round, {[&] { return SuiteBurn(dvd); },
                [&] {
                  std::filesystem::remove(peerImage);
                  return TimedShell("genisoimage -quiet -dvd-video -V BENCH '" + dvd +
                                    "' | xorriso -as cdrecord fs=64m dev=stdio:" + peerImage + " - >/dev/null 2>&1");
                },
                floorBurn, [&] { return held([&] { return SuiteBurn(dvd); }); }, [&] { return held(floorBurn); }});
    piped.Add(s[0], s[1]);
    floor.Add(s[0], s[2]);
    single.Add(s[3], s[4]);
    // Other work on a shared machine shows beside the round it slowed.
    for (bench::Figure* f : {&piped, &floor, &single}) f->loads.push_back(bench::LoadNow());
  }
  const double mb = static_cast<double>(platform::FileSize(drive.ImagePath())) / 1048576.0;
  bench::Section("VIDEO_TS folder of " + std::to_string(static_cast<long>(mb)) +
                     " MB burned to a stdio: drive, seconds (lower is better); project: CQnDataCDDVD, the image sized "
                     "(genisoimage -print-size) and then written by genisoimage into the drive's image file",
                 "genisoimage -dvd-video piped into xorriso -as cdrecord fs=64m dev=stdio:FILE; floor: genisoimage "
                 "-dvd-video -o FILE, the image written with no burner behind it",
                 "the piped peer pays for a pipe and a second process, and xorriso idles about a second a burn "
                 "whatever its size; the floor writes the image and nothing else; the burn first sizes the image, so "
                 "that a disc too small is refused before a block is written, and watches the tool's progress; both "
                 "replace the last round's image inside their time");
  bench::Print(piped);
  bench::Print(floor);
  bench::Print(single);
  // Three images and the folder are more than a shared disk should keep.
  std::filesystem::remove_all(work);
  return 0;
}
