// The step of the main job that still goes through the suite's libraries while the program
// that will take it over is being built; scripts/demo-job runs it as one marked step:
//   vidarro_demo bluray <disc folder>         authors <disc>BDMV from <disc>BDMV/STREAM/00000.m2ts
#include <cstdio>
#include <string>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "steps.h"

int main(int argc, char** argv) {
  const std::string step = argc > 1 ? argv[1] : "";
  if (step == "bluray" && argc == 3) {
    const std::string disc = platform::WithTrailingSlash(argv[2]);
    if (!platform::FileExists(disc + "BDMV/STREAM/00000.m2ts")) {
      std::fprintf(stderr, "The camcorder recording is missing in %s\n", disc.c_str());
      return 2;
    }
    return demo::AuthorBluray(disc, 1) ? 0 : 1;
  }
  std::fprintf(stderr, "usage: vidarro_demo bluray <disc folder>\n");
  return 2;
}
