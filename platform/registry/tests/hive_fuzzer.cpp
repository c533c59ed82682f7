// Any bytes are either refused or read as a tree whose text form reads back to itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry/hive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace platform::registry;
  const auto tree = ParseHive(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!tree) return 0;
  const std::string text = SerializeHive(*tree, "v");
  const auto again = ParseHive(text);
  if (!again || SerializeHive(*again, "v") != text) std::abort();
  return 0;
}
