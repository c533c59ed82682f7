// The TV tuner of a V4L2 card: a channel's video carrier set with VIDIOC_S_FREQUENCY in the
// units its VIDIOC_G_TUNER gives, and the signal that tuner reports.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/dshow/analog_companions.h"
#include "platform/dshow/v4l2_device.h"

namespace platform::dshow::v4l2 {

std::shared_ptr<TunerDevice> MakeCardTuner(std::shared_ptr<Device> device, std::uint32_t tunerIndex);

}  // namespace platform::dshow::v4l2
