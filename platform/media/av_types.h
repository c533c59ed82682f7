// Owning handles for the libav objects every media user passes around.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace media {

struct FrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// A picture with its buffers; null when it cannot be had.
FramePtr MakeVideoFrame(AVPixelFormat format, int width, int height);
// Room for `samples` samples per channel.
FramePtr MakeAudioFrame(AVSampleFormat format, int channels, int sampleRate, int samples);
PacketPtr MakePacket();

// libav's text for an AVERROR code.
std::string ErrorText(int error);

}  // namespace media
