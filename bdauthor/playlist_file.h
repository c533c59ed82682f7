// The playlist of one clip: one play item over the whole clip and the clip's chapter marks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bdauthor/input_record.h"

namespace bdauthor {

// Most marks the writer's 16 KB limit holds.
constexpr std::size_t kMaxPlaylistMarks = 1158;

std::vector<std::uint8_t> ComposeMpls(const InputRecord& record, int clipNumber);
// Writes BDMV/PLAYLIST/<clip>.mpls; false after reporting the failure.
bool CreateMPLS(const std::string& outputFolder, const InputRecord& record, int clipNumber);

}  // namespace bdauthor
