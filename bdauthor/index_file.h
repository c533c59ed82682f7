// index.bdmv: first playback, top menu and one title per input, all HDMV movie objects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bdauthor {

// Largest input count whose index fits the writer's 16 KB limit.
constexpr int kMaxIndexTitles = 1355;

std::vector<std::uint8_t> ComposeIndexBdmv(int inputCount);
// Writes BDMV/index.bdmv; false after reporting the failure.
bool CreateIndexBDMV(const std::string& outputFolder, int inputCount);

}  // namespace bdauthor
