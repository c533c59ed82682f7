// Helpers the packs share for the texts they are sent.
#pragma once

#include <string>
#include <string_view>

namespace studio::packs {

// The value of `key` among the "key=value;" pairs of text, or `fallback`.
std::string PairValue(std::string_view text, std::string_view key, const std::string& fallback = {});
bool StartsWith(std::string_view text, std::string_view word);
// Whether a program of that name can be run: an executable file in a folder of PATH.
bool ProgramOnPath(const std::string& name);

}  // namespace studio::packs
