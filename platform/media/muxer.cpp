#include "platform/media/muxer.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace media {
namespace {
constexpr int kIoBufferSize = 64 * 1024;
}

std::unique_ptr<Muxer> Muxer::Open(const std::string& format, WriteFn write, SeekFn seek, std::string* error) {
  std::unique_ptr<Muxer> muxer(new Muxer);
  muxer->write_ = std::move(write);
  muxer->seek_ = std::move(seek);
  const int result = avformat_alloc_output_context2(&muxer->context_, nullptr, format.c_str(), nullptr);
  if (result < 0 || !muxer->context_) {
    if (error) *error = "no muxer " + format;
    return nullptr;
  }
  auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
  muxer->io_ = avio_alloc_context(buffer, kIoBufferSize, 1, muxer.get(), nullptr, &Muxer::WritePacketThunk,
                                  muxer->seek_ ? &Muxer::SeekThunk : nullptr);
  if (!muxer->io_) {
    av_free(buffer);
    if (error) *error = "out of memory";
    return nullptr;
  }
  muxer->io_->seekable = muxer->seek_ ? AVIO_SEEKABLE_NORMAL : 0;
  muxer->context_->pb = muxer->io_;
  muxer->context_->flags |= AVFMT_FLAG_CUSTOM_IO;
  return muxer;
}

Muxer::~Muxer() {
  if (context_) {
    if (headerWritten_ && !finished_) av_write_trailer(context_);
    avformat_free_context(context_);
  }
  if (io_) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
}

int Muxer::WritePacketThunk(void* opaque, std::uint8_t* data, int size) {
  auto* self = static_cast<Muxer*>(opaque);
  if (self->failed_ || !self->write_(data, static_cast<std::size_t>(size))) {
    self->failed_ = true;
    return AVERROR(EIO);
  }
  self->position_ += size;
  if (self->position_ > self->size_) self->size_ = self->position_;
  return size;
}

std::int64_t Muxer::SeekThunk(void* opaque, std::int64_t offset, int whence) {
  auto* self = static_cast<Muxer*>(opaque);
  whence &= ~AVSEEK_FORCE;
  if (whence == AVSEEK_SIZE) return self->size_;
  std::int64_t target = offset;
  if (whence == SEEK_CUR) target = self->position_ + offset;
  if (whence == SEEK_END) target = self->size_ + offset;
  if (target < 0 || self->failed_ || !self->seek_(target)) {
    self->failed_ = true;
    return AVERROR(EIO);
  }
  self->position_ = target;
  return target;
}

int Muxer::AddStream(const Encoder& encoder) {
  AVStream* stream = avformat_new_stream(context_, nullptr);
  if (!stream) return -1;
  if (avcodec_parameters_from_context(stream->codecpar, encoder.Context()) < 0) return -1;
  stream->time_base = encoder.TimeBase();
  stream->sample_aspect_ratio = encoder.Context()->sample_aspect_ratio;
  stream->avg_frame_rate = encoder.Context()->framerate;
  return stream->index;
}

int Muxer::AddStream(const AVCodecParameters* parameters, AVRational timeBase) {
  AVStream* stream = avformat_new_stream(context_, nullptr);
  if (!stream) return -1;
  if (avcodec_parameters_copy(stream->codecpar, parameters) < 0) return -1;
  stream->time_base = timeBase;
  return stream->index;
}

void Muxer::SetMetadata(const std::string& key, const std::string& value) {
  av_dict_set(&context_->metadata, key.c_str(), value.c_str(), 0);
}

bool Muxer::WriteHeader(const Options& options) {
  AVDictionary* dictionary = nullptr;
  for (const auto& [key, value] : options) av_dict_set(&dictionary, key.c_str(), value.c_str(), 0);
  const int result = avformat_write_header(context_, &dictionary);
  av_dict_free(&dictionary);
  if (result < 0) {
    error_ = ErrorText(result);
    return false;
  }
  headerWritten_ = true;
  return !failed_;
}

bool Muxer::WritePacket(AVPacket* packet, int stream, AVRational timeBase) {
  if (!headerWritten_ || failed_) {
    av_packet_unref(packet);
    return false;
  }
  packet->stream_index = stream;
  av_packet_rescale_ts(packet, timeBase, context_->streams[stream]->time_base);
  const int result = av_interleaved_write_frame(context_, packet);
  if (result < 0) error_ = ErrorText(result);
  return result >= 0 && !failed_;
}

bool Muxer::Finish() {
  if (finished_) return !failed_;
  finished_ = true;
  if (!headerWritten_) return false;
  const int result = av_write_trailer(context_);
  avio_flush(io_);
  return result >= 0 && !failed_;
}

}  // namespace media
