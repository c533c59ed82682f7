// Files dragged from the desktop (XDND): the drop's uri-list becomes the suite's external drop.
#include <X11/Xatom.h>

#include "platform/ole/external_drop.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "platform/x11/uri_list.h"
#include "platform/x11/x11_atoms.h"
#include "platform/x11/x11_presenter.h"

namespace platform::x11 {
namespace {

constexpr long kMaxUriListBytes = 4 << 20;

}  // namespace

void X11Presenter::HandleClientMessage(XClientMessageEvent& e, HWND hwnd, std::vector<Action>& actions) {
  if (e.message_type == atoms_->wmProtocols) {
    const Atom protocol = static_cast<Atom>(e.data.l[0]);
    if (protocol == atoms_->wmDeleteWindow && hwnd) {
      actions.push_back([hwnd] { PostMessage(hwnd, WM_CLOSE, 0, 0); });
    } else if (protocol == atoms_->wmTakeFocus && hwnd) {
      XSetInputFocus(display_, e.window, RevertToParent, static_cast<Time>(e.data.l[1]));
    }
    return;
  }
  if (!hwnd) return;
  if (e.message_type == atoms_->xdndEnter) {
    drag_ = DragIn{};
    drag_.source = static_cast<Window>(e.data.l[0]);
    drag_.target = e.window;
    drag_.version = static_cast<int>((static_cast<unsigned long>(e.data.l[1]) >> 24) & 0xFF);
    if (e.data.l[1] & 1) {
      // More than three types: the source lists them on itself.
      Atom type = None;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(display_, drag_.source, atoms_->xdndTypeList, 0, 1024, False, XA_ATOM, &type, &format,
                             &count, &after, &data) == Success &&
          data && format == 32) {
        const Atom* types = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) drag_.offersFiles |= types[i] == atoms_->uriList;
      }
      if (data) XFree(data);
    } else {
      for (int i = 2; i < 5; ++i) drag_.offersFiles |= static_cast<Atom>(e.data.l[i]) == atoms_->uriList;
    }
  } else if (e.message_type == atoms_->xdndPosition) {
    if (static_cast<Window>(e.data.l[0]) != drag_.source) return;
    const int xr = static_cast<int>((static_cast<unsigned long>(e.data.l[2]) >> 16) & 0xFFFF);
    const int yr = static_cast<int>(static_cast<unsigned long>(e.data.l[2]) & 0xFFFF);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, root_, e.window, xr, yr, &x, &y, &child);
    const Shown& s = shown_[hwnd];
    drag_.screen = POINT{s.rect.left + x, s.rect.top + y};
    drag_.target = e.window;
    // Whether the window under the point takes files is only known when they are dropped.
    SendDndStatus(drag_.offersFiles);
  } else if (e.message_type == atoms_->xdndLeave) {
    drag_ = DragIn{};
  } else if (e.message_type == atoms_->xdndDrop) {
    if (static_cast<Window>(e.data.l[0]) != drag_.source) return;
    if (!drag_.offersFiles) {
      SendDndFinished(drag_.source, e.window, false);
      drag_ = DragIn{};
      return;
    }
    drag_.time = static_cast<unsigned long>(e.data.l[2]);
    XConvertSelection(display_, atoms_->xdndSelection, atoms_->uriList, atoms_->dropProperty, e.window,
                      drag_.version >= 1 ? static_cast<Time>(drag_.time) : CurrentTime);
  }
}

void X11Presenter::HandleSelection(XSelectionEvent& e, std::vector<Action>& actions) {
  if (e.selection != atoms_->xdndSelection || !drag_.source) return;
  std::string text;
  if (e.property != None) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, e.requestor, e.property, 0, kMaxUriListBytes / 4, True, AnyPropertyType, &type,
                           &format, &count, &after, &data) == Success &&
        data && format == 8)
      text.assign(reinterpret_cast<const char*>(data), count);
    if (data) XFree(data);
  }
  const Window source = drag_.source;
  const Window target = drag_.target;
  const POINT at = drag_.screen;
  drag_ = DragIn{};
  std::vector<std::string> paths = PathsFromUriList(text);
  // The drop runs on the window system's side; its answer goes back to the source afterwards.
  actions.push_back([this, source, target, at, paths = std::move(paths)] {
    const bool accepted = !paths.empty() && ole::DropFilesAt(at, paths) != DROPEFFECT_NONE;
    std::lock_guard lock(mu_);
    if (lost_) return;
    SendDndFinished(source, target, accepted);
    XFlush(display_);
  });
}

void X11Presenter::SendDndStatus(bool accept) {
  XEvent reply{};
  reply.xclient.type = ClientMessage;
  reply.xclient.window = drag_.source;
  reply.xclient.message_type = atoms_->xdndStatus;
  reply.xclient.format = 32;
  reply.xclient.data.l[0] = static_cast<long>(drag_.target);
  reply.xclient.data.l[1] = accept ? 3 : 2;  // bit 0: accepts; bit 1: send positions again
  reply.xclient.data.l[4] = accept ? static_cast<long>(atoms_->xdndActionCopy) : 0;
  XSendEvent(display_, drag_.source, False, NoEventMask, &reply);
}

void X11Presenter::SendDndFinished(Window source, Window target, bool accepted) {
  XEvent reply{};
  reply.xclient.type = ClientMessage;
  reply.xclient.window = source;
  reply.xclient.message_type = atoms_->xdndFinished;
  reply.xclient.format = 32;
  reply.xclient.data.l[0] = static_cast<long>(target);
  reply.xclient.data.l[1] = accepted ? 1 : 0;
  reply.xclient.data.l[2] = accepted ? static_cast<long>(atoms_->xdndActionCopy) : 0;
  XSendEvent(display_, source, False, NoEventMask, &reply);
}

}  // namespace platform::x11
