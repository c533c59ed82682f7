// MovieObject.bdmv: one object per title that plays its playlist and chains to the next title,
// then the top menu's object, the first playback's object and a resume object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bdauthor/navigation_command.h"

namespace bdauthor {

// Largest input count whose movie objects fit the writer's 16 KB limit.
constexpr int kMaxMovieObjectTitles = 118;

struct MovieObject {
  std::uint16_t flags = 0;
  std::vector<NavigationCommand> commands;
};

std::vector<MovieObject> BuildMovieObjects(int inputCount);
std::vector<std::uint8_t> ComposeMovieObjectBdmv(int inputCount);
// Writes BDMV/MovieObject.bdmv; false after reporting the failure.
bool CreateMovieObjectBDMV(const std::string& outputFolder, int inputCount);

}  // namespace bdauthor
