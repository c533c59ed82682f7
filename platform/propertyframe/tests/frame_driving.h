// Driving a property frame in the tests as a person does: its pages, its tabs, and the frame a
// device's own pages open in.
#pragma once

#include <string>

#include "platform/dshow/filter_interfaces.h"

namespace propertyframe_tests {

// The page window of the frame that holds a control with this id.
HWND PageWith(HWND frame, int id);
std::string TabText(HWND frame, int index);
// A click in the middle of the tab, so the frame hears the change as from the mouse.
void ClickTab(HWND frame, int index);
// The device's own pages in a frame with no caption given, as the capture engine opens it.
HRESULT ShowDevicePages(IBaseFilter* filter);

}  // namespace propertyframe_tests
