// Feeds arbitrary bytes to the template readers: they must refuse or accept, never crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/templates.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (auto dialog = platform::ParseDialog(text)) platform::ParseDialog(platform::SerializeDialog(*dialog));
  if (auto menu = platform::ParseMenu(text)) platform::ParseMenu(platform::SerializeMenu(*menu));
  return 0;
}
