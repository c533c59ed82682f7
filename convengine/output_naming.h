// Chooses the output file of one input from the profile's name pattern.
#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace mordax {

// Local time of day for the clash suffix; replaceable in tests.
using LocalTimeSource = std::function<std::tm()>;

// folder: the output folder (with or without a trailing "/"); title: the source name without
// folder and extension. Returns the chosen path, or empty when the folder does not exist or the
// inputs are empty. Patterns: "@SRC_NAME" (the source's title), a stem with a "#" counter run,
// or a fixed name; a taken name gets "_hhmmss" before its extension.
std::string MakeOutputPath(const std::string& title, std::string folder, const std::string& prefix,
                           const std::string& extension, const LocalTimeSource& now = {});

}  // namespace mordax
