// The WMV profiles of the recording formats: the 32 shipped in "WMVProfile" and the one built
// into the temporary folder when a shipped one is missing.
#pragma once

#include <string>

namespace studio {

// Writes the profile of a quality, TV standard (0 NTSC), DVD level and aspect (1 16:9) to
// `path`; false when it cannot be described or saved.
bool BuildWmvProfile(const std::string& path, int quality, int tvStandard, int level, int aspect);

}  // namespace studio
