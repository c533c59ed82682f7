// The wizard's capture graphs, one of each kind for the whole wizard: the analog/USB graph and
// the DV/HDV camcorder graph its pages preview and record with.
#pragma once

#include "platform/base/win_types.h"

class CCaptureGraph;
class CDvCaptureGraph;

namespace wizard {

// The analog graph, made on first use.
CCaptureGraph& AnalogGraph();
bool AnalogGraphRunning();
// The analog graph's preview state, kept by the pages that start and stop it.
void SetAnalogGraphRunning(bool running);
// Routes the analog device's crossbar to the cable of `inputCable` (0 tuner when the device has
// one, 1 Composite, 2 S-Video, 3 Y/Pb/Pr, 4 Y/Cb/Cr); a tuner cable without a tuner and an
// unknown cable become Composite and set `inputCable` to 1. An input the crossbar lacks is not
// routed.
void SelectAnalogInput(int& inputCable);

// The camcorder graph, made on first use; open while a page previews a camcorder with it.
CDvCaptureGraph& DvGraph();
bool DvGraphOpen();
void SetDvGraphOpen(bool open);
// Closes the camcorder graph (harmless when nothing is open).
void CloseDvGraph();

// Lets both graphs go (each is closed and dropped).
void ReleaseCaptureGraphs();

}  // namespace wizard
