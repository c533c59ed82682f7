// The capture engine's working objects, one each for the whole program: the device list, the
// analog/USB graph and the DV/HDV graph. The capture page drives them; a device is held only
// while that page shows.
#pragma once

#include "capture/capture_graph.h"
#include "capture/device_list.h"
#include "capture/dv_capture_graph.h"

namespace studio {

struct CaptureEngine {
  CCaptureDeviceList devices;
  CCaptureGraph graph;
  CDvCaptureGraph dvGraph;
};

// Made on the first call (the program's start-up makes that call) and kept until exit.
CaptureEngine& TheCaptureEngine();

}  // namespace studio
