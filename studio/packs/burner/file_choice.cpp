#include "file_choice.h"

#include <vector>

#include "platform/shell/file_dialog.h"

namespace studio::packs {

// The plain dialog functions, not CFileDialog: the pack is a module whose loader resolves only
// functions late, and a class's table would have to be found when the module loads.
std::vector<std::string> ChooseClipFiles(HWND owner) {
  std::vector<char> buffer(64 * 1024, '\0');
  OPENFILENAME ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter =
      "Video files (*.mpg,*.vob,*.m2ts,*.avi,*.mp4)\0*.mpg;*.mpeg;*.vob;*.m2ts;*.mts;*.ts;*.avi;*.mp4;*.mov;*.wmv\0"
      "All files (*.*)\0*.*\0";
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileName(&ofn)) return {};
  // One file: its path. Several: the folder, then each name, each ended by a zero.
  std::vector<std::string> parts;
  for (const char* at = buffer.data(); *at && at < buffer.data() + buffer.size(); at += parts.back().size() + 1)
    parts.emplace_back(at);
  if (parts.size() <= 1) return parts;
  std::string folder = parts.front();
  if (folder.back() != '/') folder += '/';
  std::vector<std::string> files;
  for (size_t i = 1; i < parts.size(); ++i) files.push_back(folder + parts[i]);
  return files;
}

std::string ChooseImageFile(HWND owner, bool cd, const std::string& suggestedName) {
  std::vector<char> buffer(4096, '\0');
  suggestedName.copy(buffer.data(), buffer.size() - 1);
  OPENFILENAME ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = cd ? "BIN/CUE image (*.bin)\0*.bin\0" : "ISO image (*.iso)\0*.iso\0";
  ofn.lpstrDefExt = cd ? "bin" : "iso";
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  if (!GetSaveFileName(&ofn)) return {};
  return buffer.data();
}

}  // namespace studio::packs
