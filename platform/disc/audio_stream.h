// The byte stream of an audio CD's BIN image: each track's pregap of silence, then its samples in
// 2352-byte CD-DA sectors (the last one zero-filled), and the CUE sheet that describes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/file.h"

namespace platform::disc {

// An audio CD numbers its tracks 1 to 99.
inline constexpr std::size_t kMaxAudioTracks = 99;

struct AudioTrack {
  std::string path;
  std::uint64_t dataOffset = 0;  // where the samples start
  std::uint64_t bytes = 0;
  std::uint32_t pregap = 150;
};

// The samples of a WAV file (its "data" chunk), or the whole file when it has no RIFF header.
bool FindAudioSamples(const std::string& path, std::uint64_t* offset, std::uint64_t* bytes);

class AudioStream {
 public:
  explicit AudioStream(std::vector<AudioTrack> tracks);
  std::uint32_t Sectors() const { return sectors_; }
  // The CUE sheet for the tracks in a BIN file of that name.
  std::string CueSheet(const std::string& binName) const;
  // Fills `size` bytes (fewer only at the end of the stream, or when a track cannot be read).
  int Read(unsigned char* buffer, int size);

 private:
  bool NextSector();
  std::vector<AudioTrack> tracks_;
  std::uint32_t sectors_ = 0;
  std::size_t track_ = 0;
  std::uint32_t pregapLeft_ = 0;
  std::uint64_t dataLeft_ = 0;
  bool started_ = false;
  platform::File source_;
  std::vector<unsigned char> sector_;
  std::size_t sectorPos_ = 0;
  bool failed_ = false;
};

}  // namespace platform::disc
