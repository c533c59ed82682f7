// How V4L2's terms read in the capture graph's: inputs as PhysicalConnectorType, standards as
// AnalogVideoStandard bits, picture controls as VideoProcAmpProperty numbers.
#pragma once

#include <cstdint>
#include <string>

namespace platform::dshow::v4l2 {

// 1 (tuner) for a tuner input; a camera input named like "S-Video" or "SVideo" is 3, else 2
// (composite).
long ConnectorOf(bool tuner, const std::string& name);

// The AnalogVideoStandard bits of a V4L2 standard set, and the V4L2 standards (within
// `supported`) of one AnalogVideoStandard bit (0 when none).
long AnalogStandardsOf(std::uint64_t v4l2Standards);
std::uint64_t V4l2StandardsOf(long analogStandard, std::uint64_t supported);

// The VideoProcAmpProperty of a V4L2 control id, -1 for one that is not a picture control;
// and the other way (0 for none).
long ProcAmpPropertyOf(std::uint32_t controlId);
std::uint32_t ControlIdOf(long procAmpProperty);

}  // namespace platform::dshow::v4l2
