// The atoms the presenter speaks: window manager hints, protocols and drag and drop.
#pragma once

#include <X11/Xlib.h>

#include "platform/x11/x11_presenter.h"

namespace platform::x11 {

struct X11Presenter::Atoms {
  explicit Atoms(Display* d)
      : wmDeleteWindow(XInternAtom(d, "WM_DELETE_WINDOW", False)),
        wmTakeFocus(XInternAtom(d, "WM_TAKE_FOCUS", False)),
        wmProtocols(XInternAtom(d, "WM_PROTOCOLS", False)),
        wmSelection(XInternAtom(d, "WM_S0", False)),
        netWmPid(XInternAtom(d, "_NET_WM_PID", False)),
        netWmName(XInternAtom(d, "_NET_WM_NAME", False)),
        netActiveWindow(XInternAtom(d, "_NET_ACTIVE_WINDOW", False)),
        netWorkarea(XInternAtom(d, "_NET_WORKAREA", False)),
        netWmWindowType(XInternAtom(d, "_NET_WM_WINDOW_TYPE", False)),
        typeNormal(XInternAtom(d, "_NET_WM_WINDOW_TYPE_NORMAL", False)),
        typeDialog(XInternAtom(d, "_NET_WM_WINDOW_TYPE_DIALOG", False)),
        typeTooltip(XInternAtom(d, "_NET_WM_WINDOW_TYPE_TOOLTIP", False)),
        typePopupMenu(XInternAtom(d, "_NET_WM_WINDOW_TYPE_POPUP_MENU", False)),
        typeDropdownMenu(XInternAtom(d, "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", False)),
        motifWmHints(XInternAtom(d, "_MOTIF_WM_HINTS", False)),
        utf8String(XInternAtom(d, "UTF8_STRING", False)),
        xdndAware(XInternAtom(d, "XdndAware", False)),
        xdndEnter(XInternAtom(d, "XdndEnter", False)),
        xdndPosition(XInternAtom(d, "XdndPosition", False)),
        xdndStatus(XInternAtom(d, "XdndStatus", False)),
        xdndLeave(XInternAtom(d, "XdndLeave", False)),
        xdndDrop(XInternAtom(d, "XdndDrop", False)),
        xdndFinished(XInternAtom(d, "XdndFinished", False)),
        xdndSelection(XInternAtom(d, "XdndSelection", False)),
        xdndTypeList(XInternAtom(d, "XdndTypeList", False)),
        xdndActionCopy(XInternAtom(d, "XdndActionCopy", False)),
        uriList(XInternAtom(d, "text/uri-list", False)),
        dropProperty(XInternAtom(d, "VIDARRO_DROP", False)) {}

  Atom wmDeleteWindow, wmTakeFocus, wmProtocols, wmSelection;
  Atom netWmPid, netWmName, netActiveWindow, netWorkarea;
  Atom netWmWindowType, typeNormal, typeDialog, typeTooltip, typePopupMenu, typeDropdownMenu;
  Atom motifWmHints, utf8String;
  Atom xdndAware, xdndEnter, xdndPosition, xdndStatus, xdndLeave, xdndDrop, xdndFinished, xdndSelection;
  Atom xdndTypeList, xdndActionCopy, uriList, dropProperty;
};

}  // namespace platform::x11
