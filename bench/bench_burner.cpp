// The burner's road for a 60 s DVD recording (author with dvdauthor, write to a stdio: writer)
// against the same done by hand at its floor: dvdauthor, then genisoimage -o writing the image
// file straight from the same VIDEO_TS folder. With "menu", the Burn step's road instead: three
// 20 s titles made a DVD-Video ISO image with a title menu, against the same tools run by hand on
// the same files (ffmpeg's thumbnails and still menu, spumux, dvdauthor, genisoimage), the menu's
// pictures drawn for them by the suite's own menu painter. Rounds interleave, their order
// alternating; each prints its ratio and load, then the median and range.
// Not a test: run build/bench/bench_burner [rounds, at least 7] [menu].
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "bench/common/bench_rounds.h"
#include "burn_engine.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/drive_set.h"
#include "platform/disc/dvd_menu.h"

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

// Runs `job` on the burn engine to its end; its seconds.
double SuiteBurn(const BurnJob& job) {
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

double SuiteRecordingBurn(const std::string& recording, const std::string& work) {
  platform::disc::MachineDrives().front()->Blank();
  BurnJob job;
  job.titles = {{recording}};
  job.discName = "BENCH";
  job.workFolder = work + "suite/";
  return SuiteBurn(job);
}

const char* const kMenuNames[] = {"Opening", "Garden", "Cake"};

double SuiteMenuDisc(const std::vector<std::string>& titles, const std::string& work) {
  BurnJob job;
  for (size_t t = 0; t < titles.size(); ++t) {
    job.titles.push_back({titles[t]});
    job.titleNames.push_back(kMenuNames[t % 3]);
  }
  job.menu = true;
  job.discName = "BENCH";
  job.workFolder = work + "suite/";
  job.imageFile = work + "suite.iso";
  std::filesystem::remove(job.imageFile);
  return SuiteBurn(job);
}

// A title's thumbnail as the engine takes it: a third into a 20 s title, at the button's size.
std::string ThumbnailCommand(const std::string& title, const std::string& png) {
  return "ffmpeg -nostdin -v error -y -ss 6.666667 -i " + title + " -frames:v 1 -vf scale=304:208 " + png;
}

// The same disc by hand: the tools run one after the other on the same files, the pictures
// drawn by the suite's menu painter as a user's script would draw them with its own.
double PeerMenuDisc(const std::vector<std::string>& titles, const std::string& work) {
  namespace disc = platform::disc;
  const std::string peer = work + "peer-menu/";
  std::filesystem::remove_all(peer);
  std::filesystem::remove(work + "peer.iso");
  const auto start = Clock::now();
  platform::CreateFolders(peer);
  std::vector<disc::MenuTitle> menuTitles;
  std::vector<disc::AuthoredTitle> authored;
  for (size_t t = 0; t < titles.size(); ++t) {
    const std::string thumb = peer + "thumb" + std::to_string(t + 1) + ".png";
    Shell(ThumbnailCommand(titles[t], thumb));
    menuTitles.push_back({kMenuNames[t % 3], thumb});
    authored.push_back({{titles[t]}, "0"});
  }
  const std::vector<disc::MenuPage> pages = disc::LayoutMenu(static_cast<int>(titles.size()), true);
  const disc::MenuPictures pictures{peer + "page1.png", peer + "page1_normal.png", peer + "page1_highlight.png",
                                    peer + "page1_select.png"};
  if (!disc::DrawMenuPage(pages, 0, menuTitles, "BENCH", true, pictures) ||
      !platform::WriteWholeFileAtomic(peer + "page1.xml", disc::SpumuxXml(pages[0], pictures)) ||
      !platform::WriteWholeFileAtomic(peer + "dvdauthor.xml",
                                      disc::MenuDiscXml(pages, {peer + "page1_menu.mpg"}, authored, true))) {
    std::fprintf(stderr, "the menu's files cannot be made in %s\n", peer.c_str());
    std::exit(1);
  }
  Shell("ffmpeg -nostdin -v error -y -loop 1 -framerate 30000/1001 -i " + peer +
        "page1.png -f lavfi -i anullsrc=r=48000:cl=stereo -t 1 -target ntsc-dvd -aspect 4:3 " + peer + "page1.mpg");
  Shell("spumux -m dvd " + peer + "page1.xml < " + peer + "page1.mpg > " + peer + "page1_menu.mpg 2>/dev/null");
  Shell("VIDEO_FORMAT=NTSC dvdauthor -o " + peer + "dvd -x " + peer + "dvdauthor.xml 2>/dev/null");
  Shell("genisoimage -quiet -dvd-video -V BENCH -o " + work + "peer.iso " + peer + "dvd");
  return Seconds(start);
}

double PeerBurn(const std::string& recording, const std::string& work) {
  const std::string dvd = work + "peer/";
  std::filesystem::remove_all(dvd);
  std::filesystem::remove(work + "peer.img");
  const auto start = Clock::now();
  Shell("VIDEO_FORMAT=NTSC dvdauthor -o " + dvd + " -t -f " + recording + " 2>/dev/null");
  Shell("VIDEO_FORMAT=NTSC dvdauthor -o " + dvd + " -T 2>/dev/null");
  Shell("genisoimage -quiet -dvd-video -V BENCH -o " + work + "peer.img " + dvd);
  const double seconds = Seconds(start);
  std::filesystem::remove_all(dvd);
  return seconds;
}

// Three 20 s DVD titles made an ISO image with a title menu, by the engine and by hand.
int MenuRounds(int rounds, const std::string& work) {
  std::vector<std::string> titles;
  for (int t = 1; t <= 3; ++t) {
    titles.push_back(work + "title" + std::to_string(t) + ".mpg");
    Shell(
        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=720x480:rate=30000/1001:duration=20 -f lavfi -i "
        "sine=sample_rate=48000:duration=20 -target ntsc-dvd -aspect 4:3 " +
        titles.back());
  }
  bench::Session session("Burn step's road against the same tools by hand", rounds);
  bench::Figure fig{"menu disc image", "s", false, {}, {}, {}};
  bench::Interleave(
      rounds, fig, [&] { return SuiteMenuDisc(titles, work); }, [&] { return PeerMenuDisc(titles, work); });
  bench::Section("Three 20 s DVD titles made a DVD-Video ISO image with a title menu, seconds (lower is better)",
                 "ffmpeg thumbnails and still menu, spumux, dvdauthor, genisoimage -o, run one after the other",
                 "the peer's menu pictures are drawn by the suite's painter; no progress, no checks between steps");
  bench::Print(fig);
  std::filesystem::remove_all(work);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const std::string work = platform::TempFolder() + "bench-burner/";
  std::filesystem::remove_all(work);
  platform::CreateFolders(work);
  if (argc > 2 && std::string(argv[2]) == "menu") return MenuRounds(rounds, work);
  const std::string recording = work + "DVD_120000.mpg";
  // Shaped as the capture page records (4:3): a square-pixel 720x480 stream is 3:2 and would be
  // encoded again to fit a disc's frame, work the peer does not do.
  Shell(
      "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=720x480:rate=30000/1001:duration=60 -f lavfi -i "
      "sine=sample_rate=48000:duration=60 -vf noise=alls=30:allf=t -target ntsc-dvd -aspect 4:3 -b:v 6000k -minrate "
      "6000k " +
      recording);

  platform::disc::DriveDesc drive = platform::disc::DefaultDrives()[0];
  drive.imageFolder = work;
  platform::disc::SetMachineDrives({drive});

  const double megabytes = static_cast<double>(platform::FileSize(recording)) / 1048576.0;
  bench::Session session("Burner's road against dvdauthor and genisoimage -o by hand", rounds);
  bench::Figure fig{"60 s recording burned", "s", false, {}, {}, {}};
  bench::Interleave(
      rounds, fig, [&] { return SuiteRecordingBurn(recording, work); }, [&] { return PeerBurn(recording, work); });
  char heading[160];
  std::snprintf(heading, sizeof heading,
                "A 60 s DVD recording (%.0f MB) authored and written to a stdio: writer, seconds (lower is better)",
                megabytes);
  bench::Section(heading, "dvdauthor (title, then table of contents), then genisoimage -dvd-video -o on that folder",
                 "the peer's image is a file with no burner, fifo or drive behind it: the floor of the writing");
  bench::Print(fig);
  std::filesystem::remove_all(work);
  return 0;
}
