// What the editor's File Information tells of a clip: its container, length and streams, as
// ffprobe reads them, shown in a dialog of its own.
#pragma once

#include <string>

#include "platform/base/win_types.h"

namespace studio::packs {

// The lines ("Label: value") of File Information for `path`; empty when ffprobe cannot read it.
std::string FileInformationText(const std::string& path);

class FileInformationDialog {
 public:
  static constexpr int kFirstLabelId = 2300;  // the labels, then their values from kFirstValueId
  static constexpr int kFirstValueId = 2330;
  // Shows `text` (FileInformationText's lines) modally over `owner`.
  static void Run(HWND owner, const std::string& path, const std::string& text);
};

}  // namespace studio::packs
