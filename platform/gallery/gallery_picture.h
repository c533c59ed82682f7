// The gallery's work: opens the gallery dialog from its resource library and writes its picture.
#pragma once

#include <string>

namespace platform {

// Loads the resource library (a "X.dll" name), shows the gallery dialog, paints it and writes it
// to a PNG file; false with a reason when any step fails.
bool WriteGalleryPicture(const std::string& resourceLibrary, const std::string& pngPath, std::string* error);

}  // namespace platform
