// The capture filter of a FireWire camcorder: its stream (DV frames, or the HDV MPEG-2
// transport stream) on one output pin as the camcorder graphs take it, with times from the
// bus cycle timer and lost frames counted, and its tape transport and time code over AV/C.
#pragma once

#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/firewire_devices.h"

namespace platform::dshow::firewire {

// A camcorder that no longer answers, or whose stream breaks, reports EC_DEVICE_LOST.
HRESULT CreateCaptureFilter(const Camcorder& camcorder, REFIID riid, void** ppv);

// How long the stream may be silent before the unit is asked whether it is still there.
inline constexpr int kSilenceMs = 2000;

}  // namespace platform::dshow::firewire
