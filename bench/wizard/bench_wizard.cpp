// The wizard's DVD road against the ffmpeg/dvdauthor/genisoimage chain at the same rates,
// in interleaved rounds: after the recording stopped, and from the capture box on.
// Usage: bench_wizard [rounds, at least 7] [seconds of video, default 30]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

#include "bench/common/bench_rounds.h"
#include "capture/capture_graph.h"
#include "disc_jobs.h"
#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/drive_set.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dvd/qn_dvd_author.h"
#include "platform/dvd/qn_mpg_mux.h"
#include "platform/window/window.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kVideoKbit = 4000;

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

void Burn(const std::string& folder) {
  CQnDataCDDVD writer;
  writer.Initialize();
  writer.ChooseDrive(0);
  writer.UnloadMedium();
  writer.LoadMedium();
  writer.Free();
  writer.SetDiscLabel("BENCH");
  writer.SetFinalizeDisc(1);
  writer.Ready();
  ended = 0;
  if (!writer.StartBurnVideoTSFolder(folder.c_str(), &OnEnd, nullptr)) {
    std::fprintf(stderr, "burn did not start: %06lx\n", writer.GetErrorCode());
    std::exit(1);
  }
  while (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (endStatus != 0) {
    std::fprintf(stderr, "burn failed: %06lx\n", writer.GetErrorCode());
    std::exit(1);
  }
}

// The page's road after Stop: multiplexer and author side by side, then the burn of VIDEO_TS.
void SuiteAfterStop(const std::string& stem, const std::string& work, int seconds) {
  std::filesystem::remove_all(work);
  platform::CreateFolders(work);
  qnmpgmux_EndCreateSource();
  int muxed = 0;
  std::thread mux([&] {
    muxed = qnmpgmux((work + "1.mpg").c_str(), (stem + ".mpv").c_str(), (stem + ".mpa").c_str(), 5, 100, 0, nullptr, 1);
    qndvdauthor_EndCreateSource();
  });
  std::thread author([&] { wizard::RunDvdAuthorJob(nullptr, work, seconds); });
  mux.join();
  author.join();
  if (!muxed || !platform::FolderExists(work + "VIDEO_TS")) {
    std::fprintf(stderr, "the road failed: %s\n", qndvdauthor_LastError());
    std::exit(1);
  }
  std::filesystem::remove(work + "1.mpg");
  std::string folder = work;
  folder.pop_back();
  Burn(folder);
}

void PeerChain(const std::string& inputs, const std::string& work, const std::string& image) {
  std::filesystem::remove_all(work);
  platform::CreateFolders(work + "dvd");
  std::filesystem::remove(image);
  Shell("ffmpeg -nostdin -v error -y " + inputs + " " + work + "1.mpg");
  Shell("VIDEO_FORMAT=NTSC dvdauthor -o " + work + "dvd -t " + work + "1.mpg 2>/dev/null");
  Shell("VIDEO_FORMAT=NTSC dvdauthor -o " + work + "dvd -T 2>/dev/null");
  // The image straight to its file, the floor of the writing: xorriso's fifo behind a pipe would
  // add its own waits to the peer.
  Shell("genisoimage -quiet -dvd-video -V BENCH -o " + image + " " + work + "dvd");
}

const char* NotifyClass() {
  WNDCLASS wc;
  wc.lpszClassName = "BenchWizardNotify";
  wc.lpfnWndProc = DefWindowProc;
  RegisterClass(&wc);
  return "BenchWizardNotify";
}

// The box recorded for `seconds` of device time on a clock that runs as fast as the encoder
// takes the pictures.
std::string RecordFromTheBox(const std::string& folder, int seconds) {
  namespace sim = platform::dshow::sim;
  auto devices = sim::DefaultDevices();
  devices[0].formats = {{352, 240, 333667, MEDIASUBTYPE_YUY2}};
  sim::Hardware::Instance().SetDevices(devices);
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  HWND window = CreateWindowEx(0, NotifyClass(), "bench", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
  CCaptureGraph graph;
  if (!graph.OpenDevice(window, window, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1) ||
      !graph.StartPreview()) {
    std::fprintf(stderr, "the box does not open\n");
    std::exit(1);
  }
  MpegCaptureSettings s;
  s.fileName = folder + "DVD_120000.mpg";
  s.streamType = 7;
  s.resolutionLevel = 0;
  s.videoBitRate = kVideoKbit * 1000;
  s.maxFileSizeMB = 3896;
  s.recordAndBurn = 1;
  if (!graph.StartMpegCapture(&s)) {
    std::fprintf(stderr, "the recording does not start\n");
    std::exit(1);
  }
  for (int t = 100; t <= seconds * 1000; t += 100) {
    clock.Advance(100);
    const auto due = static_cast<DWORD>(t * 30 / 1001);
    DWORD frames = 0;
    for (int i = 0; i < 5000 && frames < due; ++i) {
      graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &frames);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
  graph.StopCaptureToPreview();
  graph.CloseDevice();
  DestroyWindow(window);
  return folder + "DVD_120000";
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const int seconds = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : 30;
  bench::RequirePrograms({"ffmpeg", "dvdauthor", "genisoimage"});
  av_log_set_level(AV_LOG_QUIET);  // the in-process muxer's notes
  const std::string base = platform::TempFolder() + "bench-wizard/";
  std::filesystem::remove_all(base);
  platform::CreateFolders(base + "pair");
  platform::disc::DriveDesc drive = platform::disc::DefaultDrives()[0];
  drive.imageFolder = base;
  platform::disc::SetMachineDrives({drive});
  const std::string peerImage = base + "peer.img";
  const std::string rates = " -b:v " + std::to_string(kVideoKbit) + "k -b:a 224k ";

  // After the stop: the same elementary pair through both roads.
  const std::string stem = base + "pair/DVD_120000";
  const std::string source = "-f lavfi -i testsrc=size=352x240:rate=30000/1001:duration=" + std::to_string(seconds) +
                             " -f lavfi -i sine=sample_rate=48000:duration=" + std::to_string(seconds);
  Shell("ffmpeg -nostdin -v error -y " + source + " -map 0:v -c:v mpeg2video -g 15 -bf 2" + rates + "-f mpeg2video " +
        stem + ".mpv -map 1:a -c:a mp2 -b:a 224k -ac 2 -f mp2 " + stem + ".mpa");
  bench::Session session("The wizard's DVD road against ffmpeg, dvdauthor and genisoimage", rounds);
  auto timed = [](const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return Seconds(start);
  };
  bench::Figure after{"after the stop", "s", false, {}, {}, {}};
  bench::Interleave(
      rounds, after, [&] { return timed([&] { SuiteAfterStop(stem, base + "suite/", seconds); }); },
      [&] {
        return timed(
            [&] { PeerChain("-i " + stem + ".mpv -i " + stem + ".mpa -c copy -f dvd", base + "peer/", peerImage); });
      });
  bench::Figure whole{"whole road from the box", "s", false, {}, {}, {}};
  bench::Interleave(
      rounds, whole,
      [&] {
        return timed([&] {
          std::filesystem::remove_all(base + "box");
          platform::CreateFolders(base + "box");
          SuiteAfterStop(RecordFromTheBox(base + "box/", seconds), base + "suite/", seconds);
        });
      },
      [&] {
        return timed([&] { PeerChain(source + " -target ntsc-dvd -s 352x240" + rates, base + "peer/", peerImage); });
      });
  bench::Section("A DVD road of " + std::to_string(seconds) + " s at " + std::to_string(kVideoKbit) +
                     " kbit/s video, seconds (lower is better); project: the wizard's multiplexer and author "
                     "overlapping, then the VIDEO_TS burn to a stdio: drive (whole road: recorded from the "
                     "free-running simulated box first)",
                 "ffmpeg -c copy -f dvd (whole road: ffmpeg -target ntsc-dvd from testsrc and sine), dvdauthor, "
                 "genisoimage -dvd-video -o FILE",
                 "the peer's image is a file with no burner, fifo or drive behind it; the whole-road peer encodes a "
                 "generated pattern rather than pictures from a device");
  bench::Print(after);
  bench::Print(whole);
  std::filesystem::remove_all(base);
  return 0;
}
