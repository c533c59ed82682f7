// The recorder's routing of a capture box's crossbars: the route list of the capture engine's
// CCrossbar, built from the box's analog video input, and the choice of one connector type.
#pragma once

#include <memory>

#include "capture/crossbar.h"
#include "platform/dshow/control_interfaces.h"

class CCrossbarRouting {
 public:
  // Drops an earlier route list and builds one for the filter's first analog video input;
  // FALSE when the filter has none or no crossbar feeds it.
  BOOL RouteCrossbar(ICaptureGraphBuilder2* builder, IBaseFilter* filter);
  // Routes the first input of that physical connector type (2 composite, 3 S-Video...); FALSE
  // without a route list or without such an input.
  BOOL SelectRoute(long physicalType);
  long InputCount() const { return inputs_; }
  void Reset();

 private:
  std::unique_ptr<CCrossbar> crossbar_;
  long inputs_ = 0;
};
