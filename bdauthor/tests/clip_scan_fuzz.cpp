// Feeds arbitrary bytes through the clip scanners and the companion reader, as whole packets and
// split at an arbitrary packet boundary. Half of the inputs get their sync bytes set and their
// PIDs steered to the video and audio PIDs, so the search reaches the PES and start-code parsing.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "bdauthor/attribute_scan.h"
#include "bdauthor/clip_info_file.h"
#include "bdauthor/entry_point_scan.h"
#include "bdauthor/pts_companion.h"

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
