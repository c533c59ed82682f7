// Reads back the samples of a canonical 44-byte-header WAV file the tests wrote.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/file.h"

namespace platform::audio::testing {

inline std::vector<std::int16_t> WavSamples(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, &bytes) || bytes.size() < 44) return {};
  std::vector<std::int16_t> out((bytes.size() - 44) / 2);
  std::memcpy(out.data(), bytes.data() + 44, out.size() * 2);
  return out;
}

inline std::string TempFolder() {
  std::string pattern = ::testing::TempDir() + "audioXXXXXX";
  return mkdtemp(pattern.data()) ? pattern : ::testing::TempDir();
}

}  // namespace platform::audio::testing
