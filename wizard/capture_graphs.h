// The wizard's capture graphs: the analog graph its pages preview and record with, and the
// DV/HDV graph behind a narrow seam until that graph lands.
#pragma once

#include <functional>
#include <memory>

#include "platform/base/win_types.h"

class CCaptureGraph;

namespace wizard {

// The analog graph, made on first use.
CCaptureGraph& AnalogGraph();
bool AnalogGraphRunning();
// What the wizard needs of the DV/HDV graph; empty functions mean there is none.
struct DvGraphSeam {
  std::function<bool()> running;
  std::function<HRESULT(HWND)> setVideoWindowOwner;
  std::function<void()> release;
};
DvGraphSeam& DvGraph();
// Lets both graphs go (the analog one is closed and dropped).
void ReleaseCaptureGraphs();
// The analog graph's preview state, kept by the pages that start and stop it.
void SetAnalogGraphRunning(bool running);

}  // namespace wizard
