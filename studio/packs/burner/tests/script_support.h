// What the tests that play scripts in the main program share.
#pragma once

#include <string>
#include <vector>

namespace studio::packs {

std::string ReadText(const std::string& path);
// What the tool wrote, on stdout and stderr.
std::string ToolOutput(const std::string& program, const std::vector<std::string>& args);
// Registers the packs as the program finds them once installed; false when regsvr32 failed.
bool RegisterInstalledPacks();

}  // namespace studio::packs
