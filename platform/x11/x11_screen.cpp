#include "platform/x11/x11_screen.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace platform::x11 {
namespace {

// The desktop's work area for the current desktop, or the whole screen when it says none.
RECT WorkArea(Display* display, const RECT& screen) {
  Atom workarea = XInternAtom(display, "_NET_WORKAREA", True);
  if (workarea == None) return screen;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  RECT work = screen;
  if (XGetWindowProperty(display, DefaultRootWindow(display), workarea, 0, 4, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      data && format == 32 && count >= 4) {
    const long* v = reinterpret_cast<const long*>(data);
    if (v[2] > 0 && v[3] > 0)
      work = RECT{static_cast<LONG>(v[0]), static_cast<LONG>(v[1]), static_cast<LONG>(v[0] + v[2]),
                  static_cast<LONG>(v[1] + v[3])};
  }
  if (data) XFree(data);
  return work;
}

}  // namespace

std::vector<VirtualMonitor> MonitorsOfDisplay(Display* display) {
  const int screen = DefaultScreen(display);
  const RECT whole{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
  const RECT work = WorkArea(display, whole);
  std::vector<VirtualMonitor> monitors;
  int event = 0, error = 0;
  if (XRRQueryExtension(display, &event, &error)) {
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    for (int i = 0; i < count; ++i) {
      if (info[i].width <= 0 || info[i].height <= 0) continue;
      VirtualMonitor m;
      m.bounds = RECT{info[i].x, info[i].y, info[i].x + info[i].width, info[i].y + info[i].height};
      // The work area spans all monitors; each keeps the part of it that lies on it.
      m.work = RECT{std::max(m.bounds.left, work.left), std::max(m.bounds.top, work.top),
                    std::min(m.bounds.right, work.right), std::min(m.bounds.bottom, work.bottom)};
      if (m.work.left >= m.work.right || m.work.top >= m.work.bottom) m.work = m.bounds;
      if (info[i].primary) monitors.insert(monitors.begin(), m);
      else monitors.push_back(m);
    }
    if (info) XRRFreeMonitors(info);
  }
  if (monitors.empty()) monitors.push_back(VirtualMonitor{whole, work});
  return monitors;
}

}  // namespace platform::x11
