#include "platform/dvd/mpeg_frames.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace platform::dvd {

namespace {

// The offset of the first 00 00 01 <code> at or after `from`, or `size` when there is none.
std::size_t FindStartCode(const std::uint8_t* data, std::size_t size, std::uint8_t code, std::size_t from = 0) {
  for (std::size_t i = from; i + 3 < size; ++i)
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == code) return i;
  return size;
}

}  // namespace

bool FindSequenceHeader(const std::uint8_t* data, std::size_t size, SequenceInfo* info) {
  const std::size_t at = FindStartCode(data, size, 0xB3);
  if (at + 8 > size) return false;
  const std::uint8_t* p = data + at + 4;
  info->width = p[0] << 4 | p[1] >> 4;
  info->height = (p[1] & 0x0F) << 8 | p[2];
  info->frameRateCode = p[3] & 0x0F;
  // 90 kHz ticks per frame of each frame rate code.
  static const int kTicks[] = {0, 3754, 3750, 3600, 3003, 3000, 1800, 1502, 1500};
  if (info->frameRateCode < 1 || info->frameRateCode > 8 || info->width == 0 || info->height == 0) return false;
  info->frameTicks = kTicks[info->frameRateCode];
  info->pal = info->frameRateCode == 3;
  return true;
}

bool FindPictureHeader(const std::uint8_t* data, std::size_t size, PictureInfo* info) {
  const std::size_t at = FindStartCode(data, size, 0x00);
  if (at + 6 > size) return false;
  info->temporalReference = data[at + 4] << 2 | data[at + 5] >> 6;
  info->codingType = (data[at + 5] >> 3) & 7;
  info->gopStart = FindStartCode(data, at, 0xB8) < at;
  return info->codingType >= 1 && info->codingType <= 3;
}

bool ParseAudioFrameHeader(const std::uint8_t* data, std::size_t size, AudioFrameInfo* info) {
  if (size < 4 || data[0] != 0xFF || (data[1] & 0xE0) != 0xE0) return false;
  const int version = (data[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  const int layer = 4 - ((data[1] >> 1) & 3);
  const int rateIndex = (data[2] >> 2) & 3;
  const int bitIndex = data[2] >> 4;
  if (version == 1 || layer == 4 || rateIndex == 3 || bitIndex == 0 || bitIndex == 15) return false;
  static const int kRates[] = {44100, 48000, 32000};
  static const int kLayer2[] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
  static const int kLayer1[] = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
  static const int kLayer3[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  int rate = kRates[rateIndex];
  if (version == 2) rate /= 2;
  if (version == 0) rate /= 4;
  const int* table = layer == 1 ? kLayer1 : layer == 2 ? kLayer2 : kLayer3;
  info->sampleRate = rate;
  info->channels = (data[3] >> 6) == 3 ? 1 : 2;
  info->bitRate = table[bitIndex] * 1000;
  info->samples = layer == 1 ? 384 : (layer == 3 && version != 3) ? 576 : 1152;
  return true;
}

FrameSplitter::FrameSplitter(int codecId) {
  const auto id = static_cast<AVCodecID>(codecId);
  parser_ = av_parser_init(id);
  context_ = avcodec_alloc_context3(nullptr);
  if (context_) context_->codec_id = id;
}

FrameSplitter::~FrameSplitter() {
  if (parser_) av_parser_close(parser_);
  avcodec_free_context(&context_);
}

int FrameSplitter::Parse(const std::uint8_t* data, std::size_t size, const std::uint8_t** out, int* outSize) {
  std::uint8_t* frame = nullptr;
  const int used = av_parser_parse2(parser_, context_, &frame, outSize, size ? data : nullptr, static_cast<int>(size),
                                    AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
  *out = frame;
  return used;
}

}  // namespace platform::dvd
