// The controls page of the gallery: every standard control in each of its states, as pictures.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Shows the page, paints it and writes "controls.png" (the whole page) plus one PNG per control
// and state (e.g. "button_pressed.png", "combo_dropped.png") into folder, which must exist.
// Returns the files written; empty with a reason in error when the page could not be made.
std::vector<std::string> WriteControlsGalleryPage(const std::string& folder, std::string* error);

}  // namespace platform
