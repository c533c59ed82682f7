// Draining a graph's event queue after WM_USER+70, shared by the capture graphs. Dispatching a
// window message between events can run code that closes the graph, so the drain holds its own
// reference on the event interface and stops as soon as the owner says the graph is gone; and it
// answers with the most severe event seen, so an abort is not hidden by a later, harmless event.
#pragma once

#include <functional>

#include "platform/dshow/control_interfaces.h"

// What the owner does with one event: Continue, or Stop (the owner closed the graph for it).
enum class GraphEventAction { Continue, Stop };
using GraphEventHandler = std::function<GraphEventAction(long code, LONG_PTR param1, LONG_PTR param2)>;
using GraphAlive = std::function<bool()>;

// Takes every waiting event (time-out 0); each is freed after the handler saw it, then one
// waiting window message is dispatched. Returns EC_DEVICE_LOST when one was seen, else
// EC_ERRORABORT when one was seen, else the last event's code; 0 when there was none.
long DrainGraphEvents(IMediaEventEx* events, const GraphEventHandler& handler, const GraphAlive& alive);

// The severity order of the answer: device lost, then error abort, then anything else.
long MoreSevereEvent(long current, long next);
