// The suite's VIDEO_TS burn against genisoimage piped into xorriso's cdrecord, both writing a
// stdio: image of the same folder in the same run (best of two each).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/drive_set.h"
#include "platform/disc/qn_data_cd_dvd.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

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
  const auto start = Clock::now();
  if (!writer.StartBurnVideoTSFolder(folder.c_str(), &OnEnd, nullptr)) {
    std::fprintf(stderr, "burn did not start: %06lx\n", writer.GetErrorCode());
    std::exit(1);
  }
  while (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const double seconds = Seconds(start);
  if (endStatus != 0) {
    std::fprintf(stderr, "burn failed: %06lx\n", writer.GetErrorCode());
    std::exit(1);
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 1024;
  const std::string work = platform::TempFolder() + "bench-disc/";
  std::filesystem::remove_all(work);
  platform::CreateFolders(work + "dvd");

  // A real DVD-Video folder: a short clip repeated to the size asked for, authored by dvdauthor.
  Shell(
      "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=720x480:rate=30000/1001:duration=10 -f lavfi -i "
      "sine=sample_rate=48000:duration=10 -target ntsc-dvd -b:v 8000k " +
      work + "piece.mpg");
  const double pieceMb = static_cast<double>(platform::FileSize(work + "piece.mpg")) / 1048576.0;
  const long loops = std::max(1L, static_cast<long>(static_cast<double>(megabytes) / pieceMb + 0.5));
  Shell("ffmpeg -nostdin -v error -y -stream_loop " + std::to_string(loops - 1) + " -i " + work +
        "piece.mpg -c copy -f dvd " + work + "long.mpg");
  Shell("VIDEO_FORMAT=NTSC dvdauthor -o " + work + "dvd -t " + work + "long.mpg 2>/dev/null");
  Shell("VIDEO_FORMAT=NTSC dvdauthor -o " + work + "dvd -T 2>/dev/null");

  platform::disc::DriveDesc drive = platform::disc::DefaultDrives()[0];
  drive.imageFolder = work;
  platform::disc::SetMachineDrives({drive});
  const std::string peerImage = work + "peer.img";

  double suite = 1e9, peer = 1e9;
  for (int round = 0; round < 2; ++round) {
    suite = std::min(suite, SuiteBurn(work + "dvd"));
    std::filesystem::remove(peerImage);
    const auto start = Clock::now();
    Shell("genisoimage -quiet -dvd-video -V BENCH " + work + "dvd | xorriso -as cdrecord dev=stdio:" + peerImage +
          " - >/dev/null 2>&1");
    peer = std::min(peer, Seconds(start));
  }
  const double mb = static_cast<double>(platform::FileSize(drive.ImagePath())) / 1048576.0;
  std::printf("VIDEO_TS of %.0f MB to a stdio: drive\n", mb);
  std::printf("  CQnDataCDDVD                          %7.2f s  %7.1f MB/s\n", suite, mb / suite);
  std::printf("  genisoimage | xorriso -as cdrecord    %7.2f s  %7.1f MB/s\n", peer, mb / peer);
  std::printf("  ratio (suite / peer)                  %7.2f  (goal <= 1.1)\n", suite / peer);
  std::filesystem::remove_all(work);
  return 0;
}
