// What the editor's File Information tells of a clip: its container, length and streams, as
// ffprobe reads them.
#pragma once

#include <string>

namespace studio::packs {

// The lines of the File Information box for `path`; empty when ffprobe cannot read it.
std::string FileInformationText(const std::string& path);

}  // namespace studio::packs
