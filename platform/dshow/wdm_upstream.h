// Capture filters whose analog inputs need their crossbars and tuner in front of them answer this;
// the capture graph builder asks it before it searches or renders, as the platform's builder adds
// a device's companion filters.
#pragma once

#include "platform/dshow/filter_interfaces.h"

DEFINE_GUID(IID_IVidarroWdmUpstream, 0x6D1C2B80, 0x3F0E, 0x4A5B, 0x9C, 0x21, 0x5E, 0x7A, 0x10, 0x44, 0xB2, 0x01);

struct IVidarroWdmUpstream : public IUnknown {
  // Adds and connects the filters that feed this filter's analog inputs; S_FALSE when done before.
  STDMETHOD(AddUpstreamFilters)(IGraphBuilder* graph) PURE;
};
VIDARRO_INTERFACE(IVidarroWdmUpstream, IUnknown, IID_IVidarroWdmUpstream);
