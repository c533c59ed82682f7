// The writers the Burn step offers for a disc kind, each with what its medium is to that kind,
// and "Image file" last.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disc_encode_settings.h"

namespace studio::packs {

struct WriterChoice {
  char letter = 0;  // 0: the image file
  std::string name;
  std::string medium;          // "Medium: DVD+R, blank, 4.4 GB free"
  std::uint64_t capacity = 0;  // bytes the disc takes; 0 when its medium cannot take the kind
};

// The writer's burn mode for the kind: 0 DVD, 1 CD, 8 Blu-ray.
unsigned char BurnModeFor(DiscFormat kind);
// Reads the writers of the kind's class and their media now.
std::vector<WriterChoice> ListWriters(DiscFormat kind);

}  // namespace studio::packs
