#include "platform/dshow/v4l2_terms.h"

#include <linux/videodev2.h>

#include "platform/base/strings.h"

namespace platform::dshow::v4l2 {

namespace {

struct StandardPair {
  std::uint64_t v4l2;
  long analog;
};

// PAL-D1 and PAL-K are the D/K system that the analog set names PAL_D; NTSC-M-KR is NTSC-M.
constexpr StandardPair kStandards[] = {
    {V4L2_STD_NTSC_M | V4L2_STD_NTSC_M_KR, 0x1},
    {V4L2_STD_NTSC_M_JP, 0x2},
    {V4L2_STD_NTSC_443, 0x4},
    {V4L2_STD_PAL_B | V4L2_STD_PAL_B1, 0x10},
    {V4L2_STD_PAL_D | V4L2_STD_PAL_D1 | V4L2_STD_PAL_K, 0x20},
    {V4L2_STD_PAL_G, 0x40},
    {V4L2_STD_PAL_H, 0x80},
    {V4L2_STD_PAL_I, 0x100},
    {V4L2_STD_PAL_M, 0x200},
    {V4L2_STD_PAL_N, 0x400},
    {V4L2_STD_PAL_60, 0x800},
    {V4L2_STD_SECAM_B, 0x1000},
    {V4L2_STD_SECAM_D, 0x2000},
    {V4L2_STD_SECAM_G, 0x4000},
    {V4L2_STD_SECAM_H, 0x8000},
    {V4L2_STD_SECAM_K, 0x10000},
    {V4L2_STD_SECAM_K1, 0x20000},
    {V4L2_STD_SECAM_L, 0x40000},
    {V4L2_STD_SECAM_LC, 0x80000},
    {V4L2_STD_PAL_Nc, 0x100000},
};

struct ControlPair {
  std::uint32_t id;
  long property;
};

constexpr ControlPair kControls[] = {
    {V4L2_CID_BRIGHTNESS, 0}, {V4L2_CID_CONTRAST, 1},  {V4L2_CID_HUE, 2},
    {V4L2_CID_SATURATION, 3}, {V4L2_CID_SHARPNESS, 4}, {V4L2_CID_GAMMA, 5},
};

}  // namespace

long ConnectorOf(bool tuner, const std::string& name) {
  if (tuner) return 1;
  const std::string lower = platform::ToLowerAscii(name);
  return lower.find("s-video") != std::string::npos || lower.find("svideo") != std::string::npos ? 3 : 2;
}

long AnalogStandardsOf(std::uint64_t v4l2Standards) {
  long bits = 0;
  for (const auto& p : kStandards)
    if (v4l2Standards & p.v4l2) bits |= p.analog;
  return bits;
}

std::uint64_t V4l2StandardsOf(long analogStandard, std::uint64_t supported) {
  for (const auto& p : kStandards)
    if (p.analog == analogStandard) return p.v4l2 & supported;
  return 0;
}

long ProcAmpPropertyOf(std::uint32_t controlId) {
  for (const auto& p : kControls)
    if (p.id == controlId) return p.property;
  return -1;
}

std::uint32_t ControlIdOf(long procAmpProperty) {
  for (const auto& p : kControls)
    if (p.property == procAmpProperty) return p.id;
  return 0;
}

}  // namespace platform::dshow::v4l2
