#include "bluray_reader.h"

#include <libbluray/bluray.h>

#include <cstdint>

namespace studio::packs {

std::vector<double> BlurayTitleSeconds(const std::string& image) {
  std::vector<double> seconds;
  BLURAY* bd = bd_open(image.c_str(), nullptr);
  if (!bd) return seconds;
  const uint32_t count = bd_get_titles(bd, TITLES_ALL, 0);
  for (uint32_t i = 0; i < count; ++i)
    if (BLURAY_TITLE_INFO* info = bd_get_title_info(bd, i, 0)) {
      seconds.push_back(static_cast<double>(info->duration) / 90000.0);
      bd_free_title_info(info);
    }
  bd_close(bd);
  return seconds;
}

}  // namespace studio::packs
