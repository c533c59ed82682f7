// What the capture page and its dialogs ask of an open analog device beyond the graph: the
// video signal, the tuner, the crossbar's connectors and the switch between them.
#pragma once

#include "platform/base/win_types.h"

class CCaptureGraph;

namespace studio {

// The decoder's horizontal lock; a device without a decoder always has a signal.
bool IsVideoSignalPresent(CCaptureGraph& graph);
bool HasTvTuner(CCaptureGraph& graph);
// Whether the crossbar routes has an input of that physical connector type.
bool HasCrossbarInput(CCaptureGraph& graph, long physicalType);
// Routes the first input of that type; false when there is none or the route fails.
bool SelectCrossbarInput(CCaptureGraph& graph, long physicalType);

}  // namespace studio
