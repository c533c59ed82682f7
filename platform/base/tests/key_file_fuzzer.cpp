// Any bytes read as a key file give a document whose written form reads back to itself.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/base/key_file.h"

namespace {

std::string ReadThenWrite(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  ProjectKeyFile file;
  file.Open(path, FALSE);
  return file.Serialize();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* tmp = std::getenv("TMPDIR");
  static const std::string path = std::string(tmp ? tmp : "/tmp") + "/key_file_fuzz." + std::to_string(getpid());
  const std::string once = ReadThenWrite(path, std::string(reinterpret_cast<const char*>(data), size));
  if (ReadThenWrite(path, once) != once) std::abort();
  unlink(path.c_str());
  return 0;
}
