// The demo job's library-driven steps; each prints what it did and returns false with a reason on failure.
#pragma once

#include <string>

namespace demo {

// Authors <discFolder>BDMV from the clips in <discFolder>BDMV/STREAM through Tarnel.dll.
bool AuthorBluray(const std::string& discFolder, int clipCount);
// Writes the first picture of an MPEG file as a 24-bit BMP.
bool MakeThumbnail(const std::string& mpegPath, const std::string& bmpPath);

}  // namespace demo
