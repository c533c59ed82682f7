// Feeds arbitrary scripts to the resource compiler: it must compile them or report an error.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "rc_compiler.h"
#include "rc_lexer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/vidarro_rc_fuzz_" + std::to_string(::getpid()) + ".rc";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    rc::GenerateSource(rc::CompileScript(path, {}));
  } catch (const rc::ScriptError&) {
  }
  return 0;
}
