// Pictures a test writes for people to look at: build/pictures/<program>/, the folder the build
// gives each test target (VIDARRO_PICTURE_DIR), else "pictures/" under the temporary folder.
#pragma once

#include <string>

#include "platform/base/win_types.h"

namespace testkit {

// The folder for `compiledFolder` (empty: none given), created when missing, ending in "/".
std::string PictureFolderFor(const std::string& compiledFolder);

#ifdef VIDARRO_PICTURE_DIR
inline std::string PictureFolder() { return PictureFolderFor(VIDARRO_PICTURE_DIR); }
#else
inline std::string PictureFolder() { return PictureFolderFor(""); }
#endif

// Paints everything due and writes the window (frame included) as `name` ("dialog.png") into
// `folder`; returns the path written, or "" on failure.
std::string WriteWindowPicture(HWND hwnd, const std::string& folder, const std::string& name);
inline std::string WritePicture(HWND hwnd, const std::string& name) {
  return WriteWindowPicture(hwnd, PictureFolder(), name);
}

}  // namespace testkit
