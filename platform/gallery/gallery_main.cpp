// vidarro_gallery [folder]: writes the gallery dialog's picture ("gallery.png") and the controls
// page, every standard control in each state, into the folder (default: the current folder).
#include <cstdio>
#include <string>

#include "gallery_picture.h"
#include "platform/controls/gallery_page.h"

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : ".";
  if (folder.back() != '/') folder += '/';
  std::string error;
  if (!platform::WriteGalleryPicture("VidarroGalleryUI.dll", folder + "gallery.png", &error)) {
    std::fprintf(stderr, "vidarro_gallery: %s\n", error.c_str());
    return 1;
  }
  std::printf("%sgallery.png\n", folder.c_str());
  const auto files = platform::WriteControlsGalleryPage(folder, &error);
  if (files.empty()) {
    std::fprintf(stderr, "vidarro_gallery: %s\n", error.c_str());
    return 1;
  }
  for (const std::string& f : files) std::printf("%s\n", f.c_str());
  return 0;
}
