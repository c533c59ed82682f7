#include "platform/audio/wav_file_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace platform::audio {
namespace {

constexpr std::size_t kHeaderBytes = 44;
// The RIFF sizes are 32-bit: the data stops growing where its chunk size would overflow.
constexpr std::uint64_t kMaxDataBytes = std::numeric_limits<std::uint32_t>::max() - kHeaderBytes;

void Put16(std::uint8_t* at, std::uint16_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

bool WavFileWriter::Open(const std::string& path, int channels, int sampleRate, int bitsPerSample) {
  if (channels < 1 || channels > 8 || sampleRate < 1 || (bitsPerSample != 8 && bitsPerSample != 16)) return false;
  channels_ = channels, sampleRate_ = sampleRate, bits_ = bitsPerSample;
  dataBytes_ = 0;
  failed_ = false;
  if (!file_.Open(path, FileMode::Create)) return false;
  return WriteHeader(0);
}

bool WavFileWriter::WriteHeader(std::uint32_t dataBytes) {
  std::array<std::uint8_t, kHeaderBytes> h{};
  const int blockAlign = channels_ * bits_ / 8;
  std::memcpy(&h[0], "RIFF", 4);
  Put32(&h[4], static_cast<std::uint32_t>(36 + dataBytes));
  std::memcpy(&h[8], "WAVEfmt ", 8);
  Put32(&h[16], 16);
  Put16(&h[20], 1);  // PCM
  Put16(&h[22], static_cast<std::uint16_t>(channels_));
  Put32(&h[24], static_cast<std::uint32_t>(sampleRate_));
  Put32(&h[28], static_cast<std::uint32_t>(sampleRate_ * blockAlign));
  Put16(&h[32], static_cast<std::uint16_t>(blockAlign));
  Put16(&h[34], static_cast<std::uint16_t>(bits_));
  std::memcpy(&h[36], "data", 4);
  Put32(&h[40], dataBytes);
  return file_.Write(h.data(), h.size());
}

bool WavFileWriter::Write(const void* data, std::size_t size) {
  if (!file_.IsOpen() || failed_) return false;
  const std::size_t block = static_cast<std::size_t>(channels_ * bits_ / 8);
  std::size_t room = static_cast<std::size_t>(kMaxDataBytes - dataBytes_);
  room -= room % block;
  const std::size_t take = std::min(size, room);
  if (take && !file_.Write(data, take)) failed_ = true;
  if (!failed_) dataBytes_ += take;
  return !failed_;
}

bool WavFileWriter::Finish() {
  if (!file_.IsOpen()) return false;
  bool ok = !failed_;
  // An odd data size gets its pad byte so the chunk list stays readable.
  if (ok && dataBytes_ % 2) ok = file_.Write("\0", 1);
  ok = ok && file_.Seek(0, SeekFrom::Begin) && WriteHeader(static_cast<std::uint32_t>(dataBytes_));
  return file_.Close() && ok;
}

}  // namespace platform::audio
