#include "xdnd_source.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <chrono>
#include <functional>

namespace desktop_test {
namespace {

Window FindByTitle(Display* d, Window root, const std::string& title) {
  Window parent = 0, rootReturn = 0, *children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (!XQueryTree(d, root, &rootReturn, &parent, &children, &count)) return 0;
  for (unsigned int i = 0; i < count && !found; ++i) {
    char* name = nullptr;
    if (XFetchName(d, children[i], &name) && name) {
      if (title == name) found = children[i];
      XFree(name);
    }
  }
  if (children) XFree(children);
  return found;
}

void SendClient(Display* d, Window to, Atom type, long l0, long l1, long l2, long l3, long l4) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = to;
  e.xclient.message_type = type;
  e.xclient.format = 32;
  e.xclient.data.l[0] = l0;
  e.xclient.data.l[1] = l1;
  e.xclient.data.l[2] = l2;
  e.xclient.data.l[3] = l3;
  e.xclient.data.l[4] = l4;
  XSendEvent(d, to, False, NoEventMask, &e);
  XFlush(d);
}

// Handles events until done() says so or ten seconds pass.
bool Pump(Display* d, const std::function<bool(XEvent&)>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (done(e)) return true;
    }
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, 50);
  }
  return false;
}

}  // namespace

bool DragUriListOnto(const std::string& display, const std::string& targetTitle, int x, int y,
                     const std::string& uriList) {
  Display* d = XOpenDisplay(display.c_str());
  if (!d) return false;
  const Window root = DefaultRootWindow(d);
  const Window target = FindByTitle(d, root, targetTitle);
  const Window source = XCreateSimpleWindow(d, root, 0, 0, 1, 1, 0, 0, 0);
  const Atom selection = XInternAtom(d, "XdndSelection", False);
  const Atom uriType = XInternAtom(d, "text/uri-list", False);
  const Atom status = XInternAtom(d, "XdndStatus", False);
  const Atom finished = XInternAtom(d, "XdndFinished", False);
  bool accepted = false;
  if (target) {
    XSetSelectionOwner(d, selection, source, CurrentTime);
    SendClient(d, target, XInternAtom(d, "XdndEnter", False), static_cast<long>(source), 5L << 24,
               static_cast<long>(uriType), 0, 0);
    SendClient(d, target, XInternAtom(d, "XdndPosition", False), static_cast<long>(source), 0,
               (static_cast<long>(x) << 16) | y, CurrentTime,
               static_cast<long>(XInternAtom(d, "XdndActionCopy", False)));
    bool willAccept = false;
    Pump(d, [&](XEvent& e) {
      if (e.type != ClientMessage || e.xclient.message_type != status) return false;
      willAccept = (e.xclient.data.l[1] & 1) != 0;
      return true;
    });
    if (willAccept) {
      SendClient(d, target, XInternAtom(d, "XdndDrop", False), static_cast<long>(source), 0, CurrentTime, 0, 0);
      Pump(d, [&](XEvent& e) {
        if (e.type == SelectionRequest) {
          XSelectionRequestEvent& r = e.xselectionrequest;
          XEvent reply{};
          reply.xselection.type = SelectionNotify;
          reply.xselection.requestor = r.requestor;
          reply.xselection.selection = r.selection;
          reply.xselection.target = r.target;
          reply.xselection.time = r.time;
          reply.xselection.property = None;
          if (r.target == uriType) {
            XChangeProperty(d, r.requestor, r.property, uriType, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(uriList.data()), static_cast<int>(uriList.size()));
            reply.xselection.property = r.property;
          }
          XSendEvent(d, r.requestor, False, NoEventMask, &reply);
          XFlush(d);
          return false;
        }
        if (e.type != ClientMessage || e.xclient.message_type != finished) return false;
        accepted = (e.xclient.data.l[1] & 1) != 0;
        return true;
      });
    }
  }
  XDestroyWindow(d, source);
  XCloseDisplay(d);
  return accepted;
}

}  // namespace desktop_test
