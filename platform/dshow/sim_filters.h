// Filters of the simulated devices: capture filters with their crossbars and tuner, audio
// capture filters and camcorders. Their sources produce real data at the device's formats:
// moving bars with the frame number in the first eight bytes, a 1 kHz tone, and for camcorders
// the frames of the media file that stands in for the tape.
#pragma once

#include <string>

#include "platform/dshow/filter_interfaces.h"

namespace platform::dshow::sim {

// Creates the filter of the described device; fails with the platform's "device not connected"
// result when it is unplugged or unknown.
HRESULT CreateDeviceFilter(const std::string& deviceId, REFIID riid, void** ppv);

constexpr HRESULT E_DEVICE_NOT_CONNECTED = static_cast<HRESULT>(0x8007048F);

// The frame number a bars frame carries.
long long FrameNumberOf(const std::vector<BYTE>& frame);

}  // namespace platform::dshow::sim
