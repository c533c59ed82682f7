#include "bluray_reader.h"

#include <libbluray/bluray.h>

#include <cstdint>

namespace studio::packs {

namespace {

// One value of each title's information, in the disc's title order.
template <typename Value, typename Read>
std::vector<Value> EachTitle(const std::string& image, Read read) {
  std::vector<Value> values;
  BLURAY* bd = bd_open(image.c_str(), nullptr);
  if (!bd) return values;
  const uint32_t count = bd_get_titles(bd, TITLES_ALL, 0);
  for (uint32_t i = 0; i < count; ++i)
    if (BLURAY_TITLE_INFO* info = bd_get_title_info(bd, i, 0)) {
      values.push_back(read(*info));
      bd_free_title_info(info);
    }
  bd_close(bd);
  return values;
}

}  // namespace

std::vector<double> BlurayTitleSeconds(const std::string& image) {
  return EachTitle<double>(image, [](const BLURAY_TITLE_INFO& info) { return info.duration / 90000.0; });
}

std::vector<int> BlurayTitleChapters(const std::string& image) {
  return EachTitle<int>(image, [](const BLURAY_TITLE_INFO& info) { return static_cast<int>(info.chapter_count); });
}

}  // namespace studio::packs
