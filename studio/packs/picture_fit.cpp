#include "picture_fit.h"

#include <cmath>
#include <cstdio>

namespace studio::packs {
namespace {

// Half way between 4:3 and 16:9, as their ratio goes.
constexpr double kWideFrom = 1.5396;
// Pixels more than this far from square are no camera's or encoder's: a broken header.
constexpr double kLargestSampleAspect = 4.0;

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", value);
  return text;
}

}  // namespace

double ShownAspect(const FrameSize& frame) {
  switch (frame.shape) {
    case FrameShape::Standard: return 4.0 / 3.0;
    case FrameShape::Wide: return 16.0 / 9.0;
    default: return frame.height > 0 ? static_cast<double>(frame.width) / frame.height : 1.0;
  }
}

FrameShape DiscFrameShape(DiscFormat format, double displayAspect) {
  if (IsVideoCd(format)) return FrameShape::Standard;
  if (format == DiscFormat::Bluray) return FrameShape::Wide;
  return displayAspect >= kWideFrom ? FrameShape::Wide : FrameShape::Standard;
}

double DisplayAspect(int width, int height, int sampleNum, int sampleDen) {
  if (width <= 0 || height <= 0) return 0;
  double sample = sampleNum > 0 && sampleDen > 0 ? static_cast<double>(sampleNum) / sampleDen : 1.0;
  if (sample > kLargestSampleAspect || sample < 1 / kLargestSampleAspect) sample = 1.0;
  return static_cast<double>(width) / height * sample;
}

std::string FitFilter(const FrameSize& frame, bool squareSource) {
  const std::string w = std::to_string(frame.width), h = std::to_string(frame.height);
  const std::string shown = Number(ShownAspect(frame));
  // The frame's pixels are not square on a disc: the picture covers a share of the frame's width
  // (or height) equal to its shape over the frame's. The same guard as DisplayAspect keeps a
  // broken sample aspect from leaving a strip; a shape within a hundredth of the frame's fills it.
  const std::string sar = "(if(between(sar,0.25,4),sar,1))";
  const std::string dar = squareSource ? "(iw/ih)" : "(iw/ih*" + sar + ")";
  const std::string ratio = "(" + dar + "/" + shown + ")";
  // Sides are rounded to the nearest even number: truncating would turn 359.9999 into 358.
  const std::string width = "if(gt(" + ratio + ",0.99)," + w + ",max(2,2*trunc(" + w + "*" + ratio + "/2+0.5)))";
  const std::string height = "if(lt(" + ratio + ",1.01)," + h + ",max(2,2*trunc(" + h + "/" + ratio + "/2+0.5)))";
  // Interlaced pictures are scaled field by field, so that the fields do not blur into each other.
  std::string chain =
      "scale=w='" + width + "':h='" + height + "':interl=-1,setsar=1,pad=" + w + ":" + h + ":(ow-iw)/2:(oh-ih)/2";
  if (frame.shape == FrameShape::SquarePixels) chain += ",setsar=1";
  else chain += frame.shape == FrameShape::Wide ? ",setdar=16/9" : ",setdar=4/3";
  return chain;
}

}  // namespace studio::packs
