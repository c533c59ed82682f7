// Feeds arbitrary bytes through the clip scanners and the companion reader, as whole packets and
// split at an arbitrary packet boundary. Half of the inputs get their sync bytes set and their
// PIDs steered to the video and audio PIDs, so the search reaches the PES and start-code parsing.
// The scan in ranges, split there and at a second boundary, must find what the plain scan finds.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bdauthor/attribute_scan.h"
#include "bdauthor/clip_info_file.h"
#include "bdauthor/entry_point_scan.h"
#include "bdauthor/pts_companion.h"
#include "bdauthor/range_scan.h"

namespace {

// The clip in a file of memory only, scanned in three ranges; a difference stops the run.
void ExpectRangesAgree(const std::vector<std::uint8_t>& clip, const bdauthor::EntryPointScanner& plain,
                       std::size_t split) {
  using namespace bdauthor;
  const int fd = ::memfd_create("clip", 0);
  if (fd < 0) return;
  if (::write(fd, clip.data(), clip.size()) != static_cast<ssize_t>(clip.size())) {
    ::close(fd);
    return;
  }
  const std::int64_t packets = static_cast<std::int64_t>(clip.size() / kSourcePacketSize);
  const std::int64_t second = split + (packets - static_cast<std::int64_t>(split)) / 2;
  std::vector<std::int64_t> starts = {0};
  if (split > 0) starts.push_back(static_cast<std::int64_t>(split));
  if (second > starts.back()) starts.push_back(second);
  ReadOnlyFile file("/proc/self/fd/" + std::to_string(fd));
  JobProgress progress;
  std::int64_t scanned = 0;
  const auto ranges = ScanInRanges(file, starts, progress, scanned);
  bool same =
      ranges && ranges->Entries().size() == plain.Entries().size() && ranges->LastVideoPts() == plain.LastVideoPts() &&
      ranges->Rate().SmallestStep() == plain.Rate().SmallestStep() && ranges->PacketsSeen() == plain.PacketsSeen();
  for (std::size_t i = 0; same && i < plain.Entries().size(); ++i) {
    const EpEntry &a = ranges->Entries()[i], &b = plain.Entries()[i];
    same = a.packet == b.packet && a.pts == b.pts && a.sizeClass == b.sizeClass;
  }
  ::close(fd);
  if (!same) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace bdauthor;
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  std::vector<std::uint8_t> clip(data + 1, data + size);
  const std::size_t whole = clip.size() / kSourcePacketSize * kSourcePacketSize;
  if (mode & 1) {
    for (std::size_t at = 0; at < whole; at += kSourcePacketSize) {
      std::uint8_t* ts = &clip[at + 4];
      ts[0] = 0x47;
      const std::uint16_t pid = (ts[1] & 0x10) ? kAudioPid : kVideoPid;
      ts[1] = static_cast<std::uint8_t>((ts[1] & 0x40) | (pid >> 8));
      ts[2] = static_cast<std::uint8_t>(pid);
    }
  }
  const std::size_t split = (static_cast<std::size_t>(mode >> 1) % (whole / kSourcePacketSize + 1)) * kSourcePacketSize;

  EntryPointScanner scanner;
  scanner.Feed(clip.data(), split);
  scanner.Feed(clip.data() + split, whole - split);
  (void)scanner.Rate().Rate();
  ExpectRangesAgree(clip, scanner, split / kSourcePacketSize);
  InputRecord record;
  record.entryPoints = scanner.TakeEntries();
  (void)ComposeClpi(record);

  AttributeScanner attributes;
  attributes.Feed(clip.data(), split);
  attributes.Feed(clip.data() + split, whole - split);
  attributes.ApplyTo(record.attributes);

  (void)ParsePtsCompanion(std::string_view(reinterpret_cast<const char*>(data), size), 1 << 20);
  return 0;
}
