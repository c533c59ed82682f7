// Writes a canonical PCM WAV file: the header first with its sizes open, completed at Finish.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/file.h"

namespace platform::audio {

class WavFileWriter {
 public:
  bool Open(const std::string& path, int channels, int sampleRate, int bitsPerSample);
  bool Write(const void* data, std::size_t size);
  // Fills in the sizes and closes the file; false when any write failed.
  bool Finish();
  bool IsOpen() const { return file_.IsOpen(); }
  std::uint64_t DataBytes() const { return dataBytes_; }

 private:
  bool WriteHeader(std::uint32_t dataBytes);
  File file_;
  int channels_ = 2, sampleRate_ = 44100, bits_ = 16;
  std::uint64_t dataBytes_ = 0;
  bool failed_ = false;
};

}  // namespace platform::audio
