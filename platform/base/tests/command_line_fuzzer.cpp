// Any parameter text splits into arguments that join back into text splitting the same way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/base/process.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto args = platform::SplitCommandLine(text);
  if (platform::SplitCommandLine(platform::JoinCommandLine(args)) != args) std::abort();
  return 0;
}
