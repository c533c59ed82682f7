// Media information of one input through libmediainfo, loaded at run time.
#pragma once

#include <string>

#include "convengine/mordax_api.h"

namespace mordax {

// The shared library loaded by name; tests point it elsewhere to see a missing library.
void SetMediaInfoLibraryName(const std::string& name);
const std::string& MediaInfoLibraryName();

// Fills *info for the file. False (with the reason in *why) when the library is missing, the
// file cannot be opened, or it has no size or no duration.
bool ReadMediaInfo(const std::string& path, Qn_MediaInfo* info, std::string* why);

}  // namespace mordax
