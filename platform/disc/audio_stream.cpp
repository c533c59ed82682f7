#include "platform/disc/audio_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/base/strings.h"
#include "platform/disc/disc_kinds.h"

namespace platform::disc {
namespace {

std::uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24; }

std::string Msf(std::uint32_t sectors) {
  return platform::Format("%02u:%02u:%02u", sectors / 75 / 60, sectors / 75 % 60, sectors % 75);
}

std::uint32_t DataSectors(const AudioTrack& t) {
  return static_cast<std::uint32_t>((t.bytes + kAudioBlockBytes - 1) / kAudioBlockBytes);
}

}  // namespace

bool FindAudioSamples(const std::string& path, std::uint64_t* offset, std::uint64_t* bytes) {
  platform::File file(path, platform::FileMode::Read);
  const std::int64_t size = file.Size();
  if (!file.IsOpen() || size < 0) return false;
  unsigned char header[12];
  if (size < 12 || !file.ReadExact(header, 12) || std::memcmp(header, "RIFF", 4) ||
      std::memcmp(header + 8, "WAVE", 4)) {
    *offset = 0;
    *bytes = static_cast<std::uint64_t>(size);
    return true;
  }
  std::uint64_t at = 12;
  unsigned char chunk[8];
  while (at + 8 <= static_cast<std::uint64_t>(size)) {
    if (!file.Seek(static_cast<std::int64_t>(at), platform::SeekFrom::Begin) || !file.ReadExact(chunk, 8)) return false;
    const std::uint64_t length = Le32(chunk + 4);
    if (!std::memcmp(chunk, "data", 4)) {
      *offset = at + 8;
      *bytes = std::min<std::uint64_t>(length, static_cast<std::uint64_t>(size) - *offset);
      return true;
    }
    at += 8 + length + (length & 1);
  }
  return false;
}

AudioStream::AudioStream(std::vector<AudioTrack> tracks) : tracks_(std::move(tracks)), sector_(kAudioBlockBytes) {
  std::uint64_t sectors = 0;
  for (const auto& t : tracks_) sectors += t.pregap + DataSectors(t);
  sectors_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, 0xFFFFFFFFu));
  sectorPos_ = sector_.size();
}

std::string AudioStream::CueSheet(const std::string& binName) const {
  std::string cue = "FILE \"" + binName + "\" BINARY\r\n";
  std::uint32_t at = 0;
  int number = 0;
  for (const auto& t : tracks_) {
    cue += platform::Format("  TRACK %02d AUDIO\r\n    INDEX 00 %s\r\n", ++number, Msf(at).c_str());
    at += t.pregap;
    cue += "    INDEX 01 " + Msf(at) + "\r\n";
    at += DataSectors(t);
  }
  return cue;
}

bool AudioStream::NextSector() {
  std::fill(sector_.begin(), sector_.end(), 0);
  sectorPos_ = 0;
  for (;;) {
    if (track_ >= tracks_.size()) return false;
    const AudioTrack& t = tracks_[track_];
    if (!started_) {
      started_ = true;
      pregapLeft_ = t.pregap;
      dataLeft_ = t.bytes;
      if (!source_.Open(t.path, platform::FileMode::Read) ||
          !source_.Seek(static_cast<std::int64_t>(t.dataOffset), platform::SeekFrom::Begin))
        return failed_ = true, false;
    }
    if (pregapLeft_ > 0) {
      --pregapLeft_;
      return true;
    }
    if (dataLeft_ > 0) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(dataLeft_, kAudioBlockBytes));
      if (!source_.ReadExact(sector_.data(), want)) return failed_ = true, false;
      dataLeft_ -= want;
      return true;
    }
    source_.Close();
    ++track_;
    started_ = false;
  }
}

int AudioStream::Read(unsigned char* buffer, int size) {
  int got = 0;
  while (got < size && !failed_) {
    if (sectorPos_ == sector_.size() && !NextSector()) break;
    const std::size_t n = std::min<std::size_t>(sector_.size() - sectorPos_, static_cast<std::size_t>(size - got));
    std::memcpy(buffer + got, sector_.data() + sectorPos_, n);
    sectorPos_ += n;
    got += static_cast<int>(n);
  }
  if (failed_) return got;
  // The last block of the stream is filled up; the BIN is cut back to whole sectors after.
  if (got > 0 && got < size) {
    std::memset(buffer + got, 0, static_cast<std::size_t>(size - got));
    got = size;
  }
  return got;
}

}  // namespace platform::disc
