// Filters of the simulated devices: capture filters with their crossbars and tuner, audio
// capture filters and camcorders. Their sources produce real data at the device's formats: the
// pattern and tone of sim_pattern.h, for camcorders as DV or HDV streams (camcorder_streams.h)
// or the frames of the raw DV or TS file that stands in for the tape.
#pragma once

#include <string>

#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/media_types.h"

namespace platform::dshow::sim {

// Creates the filter of the described device; fails with the platform's "device not connected"
// result when it is unplugged or unknown.
HRESULT CreateDeviceFilter(const std::string& deviceId, REFIID riid, void** ppv);

constexpr HRESULT E_DEVICE_NOT_CONNECTED = static_cast<HRESULT>(0x8007048F);

// The frame number a pattern picture of that type carries in its block code.
long long FrameNumberOfPicture(const CMediaType& mt, const std::vector<BYTE>& frame);

}  // namespace platform::dshow::sim
