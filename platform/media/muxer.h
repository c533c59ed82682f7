// A libavformat muxer whose bytes go through callbacks rather than a file libav opens itself,
// so the caller decides where they land (parts, growing files, a full disk it must report).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/media/encoder.h"

struct AVFormatContext;
struct AVIOContext;

namespace media {

class Muxer {
 public:
  // Writes all bytes or answers false.
  using WriteFn = std::function<bool(const std::uint8_t* data, std::size_t size)>;
  // Moves to an absolute offset; formats that patch their headers (avi, asf) need it.
  using SeekFn = std::function<bool(std::int64_t offset)>;

  // format: libavformat short name ("dvd", "vcd", "svcd", "avi", "asf", "mpeg2video", "mp2"...).
  static std::unique_ptr<Muxer> Open(const std::string& format, WriteFn write, SeekFn seek, std::string* error);
  ~Muxer();
  Muxer(const Muxer&) = delete;
  Muxer& operator=(const Muxer&) = delete;

  // A stream carrying what encoder makes; its index, -1 on failure.
  int AddStream(const Encoder& encoder);
  // A stream from codec parameters alone, packets in timeBase.
  int AddStream(const AVCodecParameters* parameters, AVRational timeBase);
  // Header with muxer options ("packetsize", "muxrate"...); false on failure.
  bool WriteHeader(const Options& options = {});
  // Interleaves one packet whose times are in timeBase; the packet is consumed.
  bool WritePacket(AVPacket* packet, int stream, AVRational timeBase);
  // Trailer and flush; false when anything written failed.
  bool Finish();
  // Whether a write or seek callback has failed.
  bool Failed() const { return failed_; }
  AVFormatContext* Context() const { return context_; }
  const std::string& Error() const { return error_; }
  // Sets title-like metadata written into the header.
  void SetMetadata(const std::string& key, const std::string& value);

 private:
  Muxer() = default;
  static int WritePacketThunk(void* opaque, std::uint8_t* data, int size);
  static std::int64_t SeekThunk(void* opaque, std::int64_t offset, int whence);

  AVFormatContext* context_ = nullptr;
  AVIOContext* io_ = nullptr;
  WriteFn write_;
  SeekFn seek_;
  std::int64_t position_ = 0;
  std::int64_t size_ = 0;
  bool failed_ = false;
  bool headerWritten_ = false;
  bool finished_ = false;
  std::string error_;
};

}  // namespace media
