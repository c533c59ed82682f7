// What the simulated devices show and play: colour bars, a moving box, the frame number in
// digits and as a block code that survives scaling and lossy encoding, a white flash at every
// whole second, and a 1 kHz tone at -12 dBFS with a 0.1 s 2 kHz burst at every whole second.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/com/guid.h"
#include "platform/dshow/media_types.h"

namespace platform::dshow::sim {

// Bits of the block code: the frame number modulo 2^24.
inline constexpr int kCodeBits = 24;
inline constexpr int kToneHz = 1000;
inline constexpr int kBurstHz = 2000;
inline constexpr double kToneAmplitude = 0.2512;  // -12 dBFS

// Whether frame n of frameDuration (100-ns units) is the first at or after a whole second.
bool IsFlashFrame(long long n, REFERENCE_TIME frameDuration);

// What a video decoder's picture controls do to the picture: the luma gets a gain about black
// and an offset (in 8-bit levels), the colour difference a gain and a rotation (degrees). The
// default leaves the picture exactly as painted.
struct PictureAdjust {
  double lumaOffset = 0;
  double lumaGain = 1;
  double chromaGain = 1;
  double hueDegrees = 0;
  bool Neutral() const { return lumaOffset == 0 && lumaGain == 1 && chromaGain == 1 && hueDegrees == 0; }
};

// Paints frame n into data: subtype YUY2, UYVY, RGB24 or RGB32 (others get YUY2 bytes),
// height rows, DIB layout (RGB bottom-up, YUV top-down). data holds stride x height bytes.
void PaintFrame(const GUID& subtype, int width, int height, long long n, REFERENCE_TIME frameDuration,
                std::uint8_t* data, std::size_t stride, const PictureAdjust& adjust = {});

// The frame number read back from a luma plane of any size: -1 when the band does not hold a
// code (too few rows).
long long ReadFrameCode(const std::uint8_t* luma, int width, int height, std::ptrdiff_t stride);

// Fills count interleaved 16-bit frames starting at sample firstSample of the stream.
void FillTone(std::int16_t* pcm, int channels, int rate, long long firstSample, std::size_t count);

}  // namespace platform::dshow::sim
