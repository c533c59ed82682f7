// controls_gallery [folder]: writes the controls page of the gallery and a picture of every
// control in each state into folder (default: the current folder).
#include <cstdio>
#include <string>

#include "platform/controls/gallery_page.h"

int main(int argc, char** argv) {
  std::string error;
  auto files = platform::WriteControlsGalleryPage(argc > 1 ? argv[1] : ".", &error);
  if (files.empty()) {
    std::fprintf(stderr, "controls_gallery: %s\n", error.c_str());
    return 1;
  }
  for (const std::string& f : files) std::printf("%s\n", f.c_str());
  return 0;
}
