// How a clip's picture goes into a frame of another size: scaled whole, keeping the shape it is
// shown at (its display aspect), and bordered in black where that shape differs from the frame's.
// The editor's renders and the burner's encodes both fit pictures this way.
#pragma once

#include <string>

#include "disc_encode_settings.h"

namespace studio::packs {

// The shape a frame is shown at: a disc's 4:3 or 16:9 picture whatever its pixel size, or a
// file's own square pixels.
enum class FrameShape { Standard, Wide, SquarePixels };

struct FrameSize {
  int width = 0;
  int height = 0;
  FrameShape shape = FrameShape::SquarePixels;
};

// The display aspect of the frame (width / height as shown).
double ShownAspect(const FrameSize& frame);

// The frame shape a title of `displayAspect` gets on the disc: a Video CD shows 4:3 only and a
// Blu-ray 16:9 only; a DVD takes the nearer of the two (a picture of no known shape is 4:3).
FrameShape DiscFrameShape(DiscFormat format, double displayAspect);

// A picture's display aspect from its size and sample (pixel) aspect; a sample aspect that is
// missing, zero or beyond belief counts as square pixels.
double DisplayAspect(int width, int height, int sampleNum, int sampleDen);

// ffmpeg's filter chain fitting the input into `frame`; `squareSource` takes the input's pixels as
// square whatever it says (a still picture's density is no pixel shape).
std::string FitFilter(const FrameSize& frame, bool squareSource);

}  // namespace studio::packs
