// The audio capture filter of one of the machine's sound inputs (alsa_inputs.h): one "Capture"
// pin with IAMStreamConfig (44.1 and 48 kHz, 16-bit, stereo or mono) and IAMBufferNegotiation.
// The device is opened as the graph leaves stopped, so one that another program holds fails the
// start with ERROR_BUSY and a message naming it; one that vanishes while running stops the graph
// with EC_DEVICE_LOST.
#pragma once

#include "platform/dshow/alsa_inputs.h"
#include "platform/dshow/filter_interfaces.h"

namespace platform::dshow::alsa {

HRESULT CreateCaptureFilter(const Input& input, REFIID riid, void** ppv);

// How many overruns the filter's device has had since it was opened (-1: not such a filter).
long OverrunsOf(IBaseFilter* filter);

}  // namespace platform::dshow::alsa
