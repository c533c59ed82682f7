// The file dialogs of the Burn step: clips to add, and where an image file goes.
#pragma once

#include <string>
#include <vector>

#include "platform/base/win_types.h"

namespace studio::packs {

// The clips the user picks; none when the dialog is cancelled.
std::vector<std::string> ChooseClipFiles(HWND owner);
// The image's path (".iso", or ".bin" of a BIN/CUE pair for a CD); empty when cancelled.
std::string ChooseImageFile(HWND owner, bool cd, const std::string& suggestedName);

}  // namespace studio::packs
