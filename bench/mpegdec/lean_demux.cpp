#include "bench/mpegdec/lean_demux.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

constexpr std::uint8_t kPack = 0xBA, kEnd = 0xB9, kVideo = 0xE0;
constexpr std::size_t kElementaryPiece = 64 * 1024;

bool StartCodeAt(const std::uint8_t* p, std::size_t left) { return left >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 1; }

// Bytes of a PES header before its payload, MPEG-2 or MPEG-1 form; 0 when malformed.
std::size_t PesHeaderLength(const std::uint8_t* packet, std::size_t length) {
  if (length >= 3 && (packet[0] & 0xC0) == 0x80) return 3 + std::size_t{packet[2]};
  std::size_t i = 0;
  while (i < length && packet[i] == 0xFF) ++i;  // stuffing
  if (i < length && (packet[i] & 0xC0) == 0x40) i += 2;
  if (i >= length) return 0;
  if ((packet[i] & 0xF0) == 0x20) return i + 5;
  if ((packet[i] & 0xF0) == 0x30) return i + 10;
  return packet[i] == 0x0F ? i + 1 : 0;
}

}  // namespace

bool DemuxProgramStream(const std::uint8_t* data, std::size_t size, const VideoSink& sink) {
  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t* p = data + at;
    if (!StartCodeAt(p, size - at)) return false;
    const std::uint8_t id = p[3];
    if (id == kEnd) return true;
    if (id == kPack) {
      if (size - at < 14) return false;
      at += (p[4] & 0xC0) == 0x40 ? 14 + (p[13] & 7) : 12;
      continue;
    }
    if (size - at < 6 || id < 0xBB) return false;
    const std::size_t length = std::size_t{p[4]} << 8 | p[5];
    if (length > size - at - 6) return false;
    if (id == kVideo) {
      const std::size_t header = PesHeaderLength(p + 6, length);
      if (header == 0 || header > length) return false;
      if (length > header) sink(p + 6 + header, length - header);
    }
    at += 6 + length;
  }
  return true;
}

bool FeedVideo(const std::string& path, const VideoSink& sink) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || st.st_size < 4) {
    close(fd);
    return false;
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (mapped == MAP_FAILED) return false;
  const auto* data = static_cast<const std::uint8_t*>(mapped);
  bool ok = true;
  if (StartCodeAt(data, size) && data[3] == kPack) {
    ok = DemuxProgramStream(data, size, sink);
  } else {
    for (std::size_t at = 0; at < size; at += kElementaryPiece) sink(data + at, std::min(kElementaryPiece, size - at));
  }
  munmap(mapped, size);
  return ok;
}
