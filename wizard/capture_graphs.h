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
// Routes the analog device's crossbar to the cable of `inputCable` (0 tuner when there is one,
// 1 Composite, 2 S-Video, 3 Y/Pb/Pr, 4 Y/Cb/Cr); a choice the device cannot take becomes
// Composite and sets `inputCable` to 1. A device without a crossbar is left as it is.
void SelectAnalogInput(int& inputCable);
// Whether the analog device's decoder is locked to a picture; a device that cannot tell counts
// as having one.
bool AnalogSignalPresent();

// The camcorder graph, made on first use; open while a page previews a camcorder with it.
CDvCaptureGraph& DvGraph();
bool DvGraphOpen();
void SetDvGraphOpen(bool open);
// Closes the camcorder graph (harmless when nothing is open).
void CloseDvGraph();

// Lets both graphs go (each is closed and dropped).
void ReleaseCaptureGraphs();

}  // namespace wizard
