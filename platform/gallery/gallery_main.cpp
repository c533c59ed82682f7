// vidarro_gallery [picture.png]: writes the gallery dialog's picture (default "gallery.png").
#include <cstdio>
#include <string>

#include "gallery_picture.h"

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "gallery.png";
  std::string error;
  if (!platform::WriteGalleryPicture("VidarroGalleryUI.dll", path, &error)) {
    std::fprintf(stderr, "vidarro_gallery: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", path.c_str());
  return 0;
}
