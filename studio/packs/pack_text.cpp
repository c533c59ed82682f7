#include "pack_text.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <algorithm>

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

bool ProgramOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  for (std::string_view rest = path ? path : ""; !rest.empty();) {
    const size_t colon = std::min(rest.find(':'), rest.size());
    const std::string folder(rest.substr(0, colon));
    if (!folder.empty() && ::access((folder + "/" + name).c_str(), X_OK) == 0) return true;
    rest.remove_prefix(std::min(colon + 1, rest.size()));
  }
  return false;
}

}  // namespace studio::packs
