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

// A value goes into one line of the project file: CR and LF would end the line there. Only values
// holding them are coded ("%0A", "%0D", and "%25" for '%'), under a key of their own, so plain ones
// read the same by earlier builds.
bool NeedsLineCoding(const std::string& value);
std::string EncodeLine(const std::string& value);
std::string DecodeLine(const std::string& text);

}  // namespace studio::packs
