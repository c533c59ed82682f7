#include "platform/testkit/pictures.h"

#include <filesystem>

#include "platform/base/paths.h"
#include "platform/testkit/driving.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"
#include "platform/window/window_surface.h"

namespace testkit {

std::string PictureFolderFor(const std::string& compiledFolder) {
  std::string folder = compiledFolder.empty() ? platform::TempFolder() + "pictures/" : compiledFolder;
  folder = platform::WithTrailingSlash(folder);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return folder;
}

std::string WriteWindowPicture(HWND hwnd, const std::string& folder, const std::string& name) {
  if (!IsWindow(hwnd)) return {};
  UpdateWindow(hwnd);
  Pump();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string path = platform::WithTrailingSlash(folder) + name;
  return platform::WriteWindowPng(hwnd, path) ? path : std::string();
}

}  // namespace testkit
