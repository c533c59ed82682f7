// Walks over a filter's pins through the public interfaces only, for the graph manager and the
// capture graph builder, which must work with any filter, not only the layer's own.
#pragma once

#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/dshow/filter_interfaces.h"

namespace platform::dshow {

std::vector<CComPtr<IPin>> PinsOf(IBaseFilter* filter);
PIN_DIRECTION DirectionOf(IPin* pin);
bool IsConnected(IPin* pin);
// The filter's first unconnected pin of that direction, or nullptr.
CComPtr<IPin> FirstFreePin(IBaseFilter* filter, PIN_DIRECTION dir);
// Renders each of a source's outputs through the graph: S_OK when all were rendered,
// VFW_S_PARTIAL_RENDER when some, VFW_E_CANNOT_RENDER when none.
HRESULT RenderOutputs(IGraphBuilder* graph, IBaseFilter* source);

}  // namespace platform::dshow
