// The one libavcodec decoder behind every decoding filter (the media decoder of file playback,
// the DV video decoder, the MPEG video and audio decoders of the camcorder graphs): compressed
// samples in, as whole packets or as elementary streams of any cut through a parser; pictures
// out in the output type's layout (YV12, YUY2 or bottom-up RGB32, scaled to its size) and sound
// as 16-bit PCM at its rate and channels, stamped with the stream's times.
#pragma once

#include <functional>
#include <memory>

#include "platform/dshow/base_pin.h"
#include "platform/dshow/media_types.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

struct AVCodecParameters;

namespace platform::dshow {

class AvDecoder {
 public:
  using Sink = std::function<void(MediaSample& out)>;

  AvDecoder();
  ~AvDecoder();
  AvDecoder(const AvDecoder&) = delete;
  AvDecoder& operator=(const AvDecoder&) = delete;

  // parse: the samples are cut anywhere, a parser finds the frames. False when the codec is
  // missing or does not open.
  bool Open(const AVCodecParameters* params, bool parse);
  bool Open(AVCodecID id, bool parse);
  bool IsOpen() const;
  void Close();

  // Decodes one sample and hands every frame it completes, converted to `out`, to the sink. A
  // frame without a time follows the one before; a damaged packet is skipped.
  void Decode(const MediaSample& in, const CMediaType& out, const Sink& sink);
  // Hands out the frames the codec still holds (end of stream).
  void Flush(const CMediaType& out, const Sink& sink);
  // Forgets the frames in flight and the running time, keeping the codec open (a stopped graph).
  void Reset();
  // For a graph that wants only its first picture: until a picture has come out, each key
  // picture is handed out as soon as its packet is in, as a drain gives it, instead of after the
  // pictures a stream with B-pictures holds it back for, each decoded into fresh pages.
  void WantFirstPictureOnly();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform::dshow
