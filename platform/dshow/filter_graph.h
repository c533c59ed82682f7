// The filter graph manager: filters under unique names, direct and intelligent connection,
// rendering to default renderers, the state machine, the event queue with window notification,
// and the class-table registration of the layer's stock classes.
#pragma once

#include <string>

#include "platform/dshow/control_interfaces.h"

namespace platform::dshow {

// Registers the graph manager, the capture graph builder, the system device enumerator and the
// stock filters in the class table; safe to call more than once. Every entry point of the layer
// calls it, so programs need not.
void RegisterStockClasses();

// A filter class the graph may insert between two pins that do not connect directly; a first
// one is tried before those registered earlier.
void RegisterConverterClass(const CLSID& clsid, bool first = false);

// The canonical text form of a graph, for tests and diagnostics: filters in name order, each
// followed by its output pins and what they connect to:
//   Video Capture
//     Capture -> InfTee Video.Input [Video YUY2 720x480]
//     Preview (unconnected)
std::string DumpGraph(IFilterGraph* graph);

// Where graph events go when a window asked for them (SetNotifyWindow). It is the window
// system's PostMessage unless a test installs another poster.
using GraphNotificationPoster = BOOL (*)(HWND, UINT, WPARAM, LPARAM);
GraphNotificationPoster SetGraphNotificationPoster(GraphNotificationPoster poster);
BOOL PostGraphNotification(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace platform::dshow
