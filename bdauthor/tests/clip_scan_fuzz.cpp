// Feeds arbitrary bytes through the clip scanners and the companion reader, as whole packets and
// split at an arbitrary packet boundary.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bdauthor/attribute_scan.h"
#include "bdauthor/clip_info_file.h"
#include "bdauthor/entry_point_scan.h"
#include "bdauthor/pts_companion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace bdauthor;
  const std::size_t whole = size / kSourcePacketSize * kSourcePacketSize;
  const std::size_t split = size == 0 ? 0 : (data[0] % (whole / kSourcePacketSize + 1)) * kSourcePacketSize;

  EntryPointScanner scanner;
  scanner.Feed(data, split);
  scanner.Feed(data + split, whole - split);
  (void)scanner.Rate().Rate();
  InputRecord record;
  record.entryPoints = scanner.TakeEntries();
  (void)ComposeClpi(record);

  AttributeScanner attributes;
  attributes.Feed(data, whole);
  attributes.ApplyTo(record.attributes);

  (void)ParsePtsCompanion(std::string_view(reinterpret_cast<const char*>(data), size), 1 << 20);
  return 0;
}
