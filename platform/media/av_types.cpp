#include "platform/media/av_types.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
}

namespace media {

FramePtr MakeVideoFrame(AVPixelFormat format, int width, int height) {
  FramePtr frame(av_frame_alloc());
  if (!frame) return nullptr;
  frame->format = format;
  frame->width = width;
  frame->height = height;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
  return frame;
}

FramePtr MakeAudioFrame(AVSampleFormat format, int channels, int sampleRate, int samples) {
  FramePtr frame(av_frame_alloc());
  if (!frame) return nullptr;
  frame->format = format;
  frame->sample_rate = sampleRate;
  frame->nb_samples = samples;
  av_channel_layout_default(&frame->ch_layout, channels);
  if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
  return frame;
}

PacketPtr MakePacket() { return PacketPtr(av_packet_alloc()); }

std::string ErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

}  // namespace media
