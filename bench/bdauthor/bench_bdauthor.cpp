// Clip analysis against a plain read of the same clip in the scan's own block size, warm (the
// page cache) and cold (the clip's pages dropped first), then a whole job on the clip with its
// companion. Each round times both in turn; the ratio project / peer is taken round by round and
// printed as its median with the spread (min-max).
// Usage: bench_bdauthor [megabytes, default 1024] [rounds, default 5]
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
#include "bdauthor/file_io.h"
#include "bdauthor/tarnel_job.h"
#include "bdauthor/tests/job_fixture.h"
#include "bdauthor/tests/test_clip.h"

namespace {

using Clock = std::chrono::steady_clock;

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

struct Spread {
  double median, min, max;
};

Spread Summarise(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v.front(), v.back()};
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

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 1024;
  const int rounds = argc > 2 ? std::max(3, std::atoi(argv[2])) : 5;
  bdauthor::test::WorkFolder work("bench");
  const std::string clip = work.ClipPath(0);

  // One muxed piece repeated: the scan sees a long clip of ordinary GOPs.
  bdauthor::test::SyntheticVideo video;
  video.gops = 60;
  video.frameBytes = 60000;
  const bdauthor::test::MuxedClip piece = bdauthor::test::MuxClip(bdauthor::test::MakeMpeg2Stream(video), {});
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
  std::printf("clip: %.0f MB, %d rounds; rates in MB/s, higher is better\n", mb, rounds);

  for (const bool cold : {false, true}) {
    std::vector<double> reads, analyses, ratios;
    for (int run = 0; run < rounds; ++run) {
      if (cold) DropFromCache(clip);
      const double read = PlainRead(clip, checksum);
      if (cold) DropFromCache(clip);
      const double analysis = Analyse(clip, size);
      reads.push_back(mb / read);
      analyses.push_back(mb / analysis);
      ratios.push_back(read / analysis);
    }
    const Spread r = Summarise(reads), a = Summarise(analyses), q = Summarise(ratios);
    std::printf(
        "%s: project clip analysis %8.1f | peer read() in %zu-byte blocks %8.1f | project/peer %.2f (%.2f-%.2f)\n",
        cold ? "cold file " : "page cache", a.median, bdauthor::kScanBlockBytes, r.median, q.median, q.min, q.max);
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
  const Spread j = Summarise(jobs);
  std::printf("whole job with companion (no peer): %.3f s (%.3f-%.3f)\n", j.median, j.min, j.max);
  return 0;
}
