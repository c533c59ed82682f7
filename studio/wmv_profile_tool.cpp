// wmv_profiles <folder>: writes the 32 shipped WMV profiles of the recording formats.
#include <cstdio>
#include <filesystem>
#include <string>

#include "capture_rules.h"
#include "wmv_profiles.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wmv_profiles <folder>\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  std::filesystem::create_directories(folder + "WMVProfile");
  for (int quality = 0; quality < 4; ++quality)
    for (int standard = 0; standard < 2; ++standard)
      for (int level : {2, 0})
        for (int aspect = 0; aspect < 2; ++aspect) {
          const std::string path = folder + studio::WmvProfileName(quality, standard, level, aspect);
          if (!studio::BuildWmvProfile(path, quality, standard, level, aspect)) {
            std::fprintf(stderr, "wmv_profiles: cannot write %s\n", path.c_str());
            return 1;
          }
        }
  return 0;
}
