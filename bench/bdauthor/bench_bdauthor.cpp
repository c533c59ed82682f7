// Clip analysis against a plain read of the same clip in the scan's own block size, warm (the
// page cache) and cold (the clip's pages dropped first), then a whole job on the clip with its
// companion. The analysis scans a long clip in ranges on several threads; the peer is one read()
// loop, so both contenders' processor seconds are printed beside their clock seconds. The clip holds real coded pictures of moving shapes under noise, whose bytes the scan
// must look through as it would a camcorder's. Rounds alternate which of the two goes first; the ratio project / peer is taken round
// by round.
// Usage: bench_bdauthor [rounds, at least 7] [megabytes, default 1024]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "bdauthor/clip_analysis.h"
#include "bench/common/bench_rounds.h"
#include "bdauthor/file_io.h"
#include "bdauthor/range_scan.h"
#include "bdauthor/tarnel_job.h"
#include "bdauthor/tests/job_fixture.h"
#include "bdauthor/tests/test_clip.h"

namespace {

using Clock = std::chrono::steady_clock;

// Ten seconds of 1440x1080i MPEG-2 at an HDV camcorder's rate, made once and kept.
std::string MovingPictures() {
  const std::string es = std::string(BENCH_CLIP_DIR) + "/moving_1440x1080i.m2v";
  if (std::filesystem::exists(es)) return es;
  std::filesystem::create_directories(BENCH_CLIP_DIR);
  std::printf("making %s ...\n", es.c_str());
  std::fflush(stdout);
  const std::string cmd =
      "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1440x1080:rate=30000/1001,noise=alls=8:allf=t+u "
      "-frames:v 300 -c:v mpeg2video -b:v 25M -maxrate 25M -bufsize 9M -g 15 -bf 0 -flags +ilme+ildct -top 1 "
      "-aspect 16:9 -f mpeg2video '" +
      es + ".part' && mv '" + es + ".part' '" + es + "'";
  if (std::system(cmd.c_str()) != 0) {
    std::fprintf(stderr, "could not make %s\n", es.c_str());
    std::exit(1);
  }
  return es;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// A plain sequential read in the blocks the analysis uses.
double PlainRead(const std::string& path, std::uint64_t& checksum) {
  const auto start = Clock::now();
  bdauthor::ReadOnlyFile file(path);
  std::vector<std::uint8_t> block(bdauthor::kScanBlockBytes);
  for (;;) {
    const std::int64_t got = file.Read(block.data(), block.size());
    if (got <= 0) break;
    checksum += block[0];
  }
  return Seconds(start);
}

// Drops the clip's pages from the page cache so that the next reader goes to the disk.
void DropFromCache(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
}

double Analyse(const std::string& path, std::int64_t size) {
  bdauthor::InputRecord record;
  record.packetCount = static_cast<std::int32_t>(size / 192);
  bdauthor::JobProgress progress;
  const auto start = Clock::now();
  if (!bdauthor::AnalyzeClipStream(path, record, progress)) {
    std::fprintf(stderr, "analysis failed\n");
    std::exit(1);
  }
  return Seconds(start);
}

// The ranges the analysis scans the clip in, one thread each, as it picks them now.
std::size_t ScanThreads(const std::string& path, std::int64_t size, bool cold) {
  if (cold) DropFromCache(path);
  bdauthor::ReadOnlyFile file(path);
  return bdauthor::RangeStartsFor(size, bdauthor::ReadsFromDisk(file)).size();
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const std::int64_t megabytes = argc > 2 ? std::atoll(argv[2]) : 1024;
  bench::RequirePrograms({"ffmpeg"});
  const std::string pictures = MovingPictures();
  bdauthor::test::WorkFolder work("bench");
  const std::string clip = work.ClipPath(0);

  // One muxed piece repeated: the scan sees a long clip of ordinary GOPs of real coded pictures.
  const bdauthor::test::MuxedClip piece =
      bdauthor::test::MuxClip(bdauthor::test::ReadBytes(pictures), bdauthor::test::MuxOptions{});
  {
    std::ofstream out(clip, std::ios::binary);
    for (std::int64_t written = 0; written < megabytes << 20;
         written += static_cast<std::int64_t>(piece.bytes.size())) {
      out.write(reinterpret_cast<const char*>(piece.bytes.data()), static_cast<std::streamsize>(piece.bytes.size()));
    }
  }
  const std::int64_t size = static_cast<std::int64_t>(std::filesystem::file_size(clip));
  std::uint64_t checksum = 0;
  PlainRead(clip, checksum);  // into the page cache
  const double mb = static_cast<double>(size) / (1 << 20);
  bench::Session session("Blu-ray clip analysis against a plain read of the same clip", rounds);
  bench::Section("Clip analysis of " + std::to_string(static_cast<long>(mb)) +
                     " MB (10 s of moving 1440x1080i MPEG-2 at 25 Mb/s under noise, in the recorder's layout, "
                     "repeated), MB/s (higher is better); project: the scan of the clip's packets for its entry points",
                 "read() of the same file in " + std::to_string(bdauthor::kScanBlockBytes) +
                     "-byte blocks, the scan's own block size",
                 "the peer looks at nothing it reads: it is the floor of reading the clip on one thread, while the "
                 "project reads it in ranges on one thread per processor it may run on (two per processor when the "
                 "clip is not in the cache; at most four and eight); cold rounds drop the clip's pages from the "
                 "cache before each contender");
  for (const bool cold : {false, true}) {
    bench::Figure fig{cold ? "cold file" : "page cache", "MB/s", true, {}, {}, {}};
    // Ours reads in ranges on several threads: its processor time is shown beside the clock's.
    std::vector<double> ourWall, ourCpu, peerWall, peerCpu;
    auto timed = [](std::vector<double>& wall, std::vector<double>& cpu, auto&& work) {
      const double cpuBefore = bench::ProcessCpuSeconds();
      const double seconds = work();
      cpu.push_back(bench::ProcessCpuSeconds() - cpuBefore);
      wall.push_back(seconds);
      return seconds;
    };
    bench::Interleave(
        rounds, fig,
        [&] {
          if (cold) DropFromCache(clip);
          return mb / timed(ourWall, ourCpu, [&] { return Analyse(clip, size); });
        },
        [&] {
          if (cold) DropFromCache(clip);
          return mb / timed(peerWall, peerCpu, [&] { return PlainRead(clip, checksum); });
        });
    bench::Print(fig);
    const bench::Spread ow = bench::Summarise(ourWall), oc = bench::Summarise(ourCpu);
    const bench::Spread pw = bench::Summarise(peerWall), pc = bench::Summarise(peerCpu);
    std::printf(
        "    seconds a round, clock / processor: project %.4f (%.4f-%.4f) / %.4f (%.4f-%.4f) on %zu threads | peer "
        "%.4f (%.4f-%.4f) / %.4f (%.4f-%.4f) on 1 thread\n",
        ow.median, ow.min, ow.max, oc.median, oc.min, oc.max, ScanThreads(clip, size, cold), pw.median, pw.min, pw.max,
        pc.median, pc.min, pc.max);
  }
  std::printf("(checksum %llu)\n", static_cast<unsigned long long>(checksum));

  // The companion spares the scan: the job reads the arrival stamps and the clip's ends only.
  std::string companion;
  {
    std::int64_t entries = 0;
    std::string lines;
    const std::int64_t piecePackets = static_cast<std::int64_t>(piece.bytes.size() / 192);
    const std::int64_t pieces = size / static_cast<std::int64_t>(piece.bytes.size());
    const std::int64_t pieceDuration = piece.lastVideoPts + 3003 - piece.entries.front().pts;
    for (std::int64_t p = 0; p < pieces; ++p) {
      for (const auto& e : piece.entries) {
        lines += std::to_string(p * piecePackets + e.firstPacket) + " " + std::to_string(e.pts + p * pieceDuration) +
                 " " + std::to_string(p * piecePackets + e.lastPacket) + "\n";
        ++entries;
      }
    }
    companion = std::to_string(entries) + "\n" + lines;
  }
  std::vector<double> jobs;
  for (int run = 0; run < rounds; ++run) {
    bdauthor::test::WriteText(clip + ".ptsinfo", companion);
    work.WriteJob(1, {"0,300,600"});
    bdauthor::TarnelJob tarnel;
    const auto start = Clock::now();
    if (!tarnel.Run(work.ConfigPath())) {
      std::fprintf(stderr, "job failed\n");
      return 1;
    }
    jobs.push_back(Seconds(start));
  }
  const bench::Spread j = bench::Summarise(jobs);
  std::printf("  whole job with companion (no peer, no ratio): %.3f s (%.3f-%.3f)\n", j.median, j.min, j.max);
  return 0;
}
