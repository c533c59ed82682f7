// The clip information file of one clip: sequences, program, the two streams' coding
// information and the entry-point map of the video stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bdauthor/input_record.h"

namespace bdauthor {

struct CoarseEntry {
  std::uint32_t fineIndex = 0;  // first fine entry it covers
  std::uint32_t pts = 0;        // PTS bits 19..32
  std::uint32_t packet = 0;     // full source packet number
};

struct FineEntry {
  std::uint32_t sizeClass = 0;
  std::uint32_t pts = 0;     // PTS bits 9..19
  std::uint32_t packet = 0;  // source packet number bits 0..16
};

struct EpMap {
  std::vector<CoarseEntry> coarse;
  std::vector<FineEntry> fine;
};

// A reader rebuilds each entry from its coarse entry's upper bits and the fine entry's lower
// bits, so a coarse entry starts whenever those upper bits change.
EpMap BuildEpMap(const std::vector<EpEntry>& entries);

std::vector<std::uint8_t> ComposeClpi(const InputRecord& record);
// Writes BDMV/CLIPINF/<clip>.clpi; false after reporting the failure.
bool CreateCLPI(const std::string& outputFolder, const InputRecord& record, int clipNumber);

}  // namespace bdauthor
