// Clip analysis against a plain read of the same clip (both from the page cache, best of three),
// then a whole job on the clip with its companion.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

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

  double read = 1e9, analysis = 1e9;
  for (int run = 0; run < 3; ++run) {
    read = std::min(read, PlainRead(clip, checksum));
    analysis = std::min(analysis, Analyse(clip, size));
  }
  const double mb = static_cast<double>(size) / (1 << 20);
  std::printf("clip: %.0f MB (checksum %llu)\n", mb, static_cast<unsigned long long>(checksum));
  std::printf("plain sequential read: %8.1f MB/s\n", mb / read);
  std::printf("clip analysis:         %8.1f MB/s\n", mb / analysis);
  std::printf("analysis / read ratio: %8.2f\n", read / analysis);

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
  double job = 1e9;
  for (int run = 0; run < 3; ++run) {
    bdauthor::test::WriteText(clip + ".ptsinfo", companion);
    work.WriteJob(1, {"0,300,600"});
    bdauthor::TarnelJob tarnel;
    const auto start = Clock::now();
    if (!tarnel.Run(work.ConfigPath())) {
      std::fprintf(stderr, "job failed\n");
      return 1;
    }
    job = std::min(job, Seconds(start));
  }
  std::printf("whole job with companion: %.3f s\n", job);
  return 0;
}
