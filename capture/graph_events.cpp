#include "capture/graph_events.h"

#include "capture/graph_helper.h"
#include "platform/com/com_ptr.h"

namespace {
int Severity(long code) {
  if (code == EC_DEVICE_LOST) return 3;
  if (code == EC_ERRORABORT) return 2;
  return code ? 1 : 0;
}
}  // namespace

long MoreSevereEvent(long current, long next) {
  // Among events of the same weight the later one is the answer.
  return Severity(next) >= Severity(current) ? next : current;
}

long DrainGraphEvents(IMediaEventEx* events, const GraphEventHandler& handler, const GraphAlive& alive) {
  if (!events) return 0;
  CComPtr<IMediaEventEx> hold(events);  // the queue outlives a graph closed by a dispatched message
  long answer = 0;
  long code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  while (SUCCEEDED(hold->GetEvent(&code, &p1, &p2, 0))) {
    answer = MoreSevereEvent(answer, code);
    const GraphEventAction action = handler ? handler(code, p1, p2) : GraphEventAction::Continue;
    hold->FreeEventParams(code, p1, p2);
    if (action == GraphEventAction::Stop) break;
    PumpMessages();
    if (alive && !alive()) break;
  }
  return answer;
}
