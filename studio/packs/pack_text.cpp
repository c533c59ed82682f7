#include "pack_text.h"

#include "pack_host.h"

namespace studio::packs {

std::string PairValue(std::string_view text, std::string_view key, const std::string& fallback) {
  // The command word shares the first pair: "encode project title type=mpeg1" has key "... type".
  for (const auto& [name, value] : SplitPairs(text)) {
    const size_t blank = name.find_last_of(' ');
    if ((blank == std::string::npos ? name : name.substr(blank + 1)) == key) return value;
  }
  return fallback;
}

bool StartsWith(std::string_view text, std::string_view word) { return text.substr(0, word.size()) == word; }

}  // namespace studio::packs
