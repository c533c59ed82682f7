#include "bdauthor/index_file.h"

#include "bdauthor/bdmv_paths.h"
#include "bdauthor/byte_composer.h"
#include "bdauthor/error_report.h"
#include "bdauthor/file_io.h"

namespace bdauthor {

namespace {
constexpr std::uint8_t kObjectTypeHdmv = 0x40;
constexpr std::uint8_t kPlaybackInteractive = 0x40;
}  // namespace

std::vector<std::uint8_t> ComposeIndexBdmv(int inputCount) {
  const std::uint32_t n = static_cast<std::uint32_t>(inputCount);
  ByteComposer f(112 + 12 * n);
  f.PutText(0, "INDX");
  f.PutText(4, "0200");
  f.Put32(8, 78);
  f.Put32(12, 108 + 12 * n);
  f.Put32(40, 34);
  f.Put32(78, 26 + 12 * n);
  // First playback runs the object after the top menu's, the top menu the one after the titles'.
  f.Put8(82, kObjectTypeHdmv);
  f.Put16(88, n + 1);
  f.Put8(94, kObjectTypeHdmv);
  f.Put8(98, kPlaybackInteractive);
  f.Put16(100, n);
  f.Put16(106, n);
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::size_t title = 108 + 12 * i;
    f.Put8(title, kObjectTypeHdmv);
    f.Put16(title + 6, i);
  }
  return f.Take();
}

bool CreateIndexBDMV(const std::string& outputFolder, int inputCount) {
  if (inputCount > kMaxIndexTitles) {
    ReportError("CreateIndexBDMV - over buffer");
    return false;
  }
  return WriteReported(IndexPath(outputFolder), ComposeIndexBdmv(inputCount), "index.bdmv");
}

}  // namespace bdauthor
