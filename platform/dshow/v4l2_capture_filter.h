// The capture filter of one of the machine's V4L2 nodes: its formats as IAMStreamConfig caps
// (MJPEG decoded to YUY2), its inputs as a crossbar with the tuner in front, its standards and
// input status through IAMAnalogVideoDecoder, its picture controls through IAMVideoProcAmp, and
// frames streamed from mmap buffers with the driver's times.
#pragma once

#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/v4l2_devices.h"

namespace platform::dshow::v4l2 {

// Fails with the platform's "device not connected" result when the node is gone, and
// E_ACCESSDENIED when the user may not open it.
HRESULT CreateCaptureFilter(const Node& node, REFIID riid, void** ppv);

}  // namespace platform::dshow::v4l2
