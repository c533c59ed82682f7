#include "platform/x11/x11_presenter.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <cstring>

#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"
#include "platform/window/focus.h"
#include "platform/window/messages.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"
#include "platform/window/window_styles.h"
#include "platform/x11/x11_atoms.h"
#include "platform/x11/x11_screen.h"

namespace platform::x11 {
namespace {

X11Presenter* g_instance = nullptr;

// X windows cannot be empty or larger than a 16-bit size.
int XSize(LONG v) { return static_cast<int>(std::clamp<LONG>(v, 1, 32767)); }

bool IsPopupClass(const std::string& name) {
  return name == "#32768" || name == "tooltips_class32" || name == "ComboLBox" || name == "#32769";
}

}  // namespace

std::unique_ptr<X11Presenter> X11Presenter::Open(const std::string& programName, const char* displayName) {
  Display* display = XOpenDisplay(displayName);
  if (!display) return nullptr;
  if (!VisualTakesPixelsAsTheyAre(display)) {
    XCloseDisplay(display);
    return nullptr;
  }
  return std::unique_ptr<X11Presenter>(new X11Presenter(display, programName));
}

X11Presenter::X11Presenter(Display* display, std::string programName)
    : display_(display), programName_(std::move(programName)), atoms_(std::make_unique<Atoms>(display)) {
  g_instance = this;
  XSetErrorHandler(OnXError);
  XSetIOErrorHandler(OnIoError);
  XSetIOErrorExitHandler(display_, OnIoErrorExit, this);
  screen_ = DefaultScreen(display_);
  root_ = RootWindow(display_, screen_);
  visual_ = DefaultVisual(display_, screen_);
  depth_ = DefaultDepth(display_, screen_);
  shm_ = ServerOffersShm(display_);
  gc_ = XCreateGC(display_, root_, 0, nullptr);
  XSetLocaleModifiers("");
  im_ = XOpenIM(display_, nullptr, nullptr, nullptr);
  haveWm_ = XGetSelectionOwner(display_, atoms_->wmSelection) != None;
  XSelectInput(display_, root_, PropertyChangeMask);
  ReadMonitors();
  events_ = std::thread([this] { EventLoop(); });
}

X11Presenter::~X11Presenter() {
  stop_ = true;
  stopCv_.notify_all();
  if (events_.joinable()) events_.join();
  std::lock_guard lock(mu_);
  for (auto& [hwnd, shown] : shown_)
    if (shown.region) DeleteObject(shown.region);
  if (lost_) {
    // Freeing anything of the connection talks to the server; without one Xlib would wait for
    // ever. What it holds stays behind, reachable, until the program ends.
    static auto* left = new std::vector<std::unique_ptr<WindowImage>>;
    for (auto& [hwnd, shown] : shown_) left->push_back(std::move(shown.image));
    static Display* leftDisplay = display_;
    static GC leftGc = gc_;
    static_cast<void>(leftDisplay);
    static_cast<void>(leftGc);
  } else {
    for (auto& [xid, ic] : ics_) XDestroyIC(ic);
    if (im_) XCloseIM(im_);
    for (auto& [hwnd, shown] : shown_) {
      shown.image.reset();
      if (shown.xid) XDestroyWindow(display_, shown.xid);
    }
    XFreeGC(display_, gc_);
    XCloseDisplay(display_);
  }
  if (g_instance == this) g_instance = nullptr;
}

int X11Presenter::OnXError(Display*, XErrorEvent*) {
  return 0;  // a window gone on the server side, a refused request: nothing to stop for
}

int X11Presenter::OnIoError(Display*) {
  if (g_instance) g_instance->lost_ = true;
  return 0;
}

void X11Presenter::OnIoErrorExit(Display*, void* self) {
  // Returning keeps the program alive; the connection is dead from here on and is never used
  // again, the event loop closes the windows as a closed desktop would.
  static_cast<X11Presenter*>(self)->lost_ = true;
}

void X11Presenter::ReadMonitors() { SetVirtualMonitors(MonitorsOfDisplay(display_)); }

void X11Presenter::Sync() {
  std::lock_guard lock(mu_);
  if (!lost_) XSync(display_, False);
}

Window X11Presenter::XWindowOf(HWND hwnd) {
  std::lock_guard lock(mu_);
  auto it = shown_.find(hwnd);
  return it == shown_.end() || !it->second.mapped ? 0 : it->second.xid;
}

HWND X11Presenter::HwndOf(Window xid) const {
  for (const auto& [hwnd, shown] : shown_)
    if (shown.xid == xid) return hwnd;
  return nullptr;
}

std::vector<X11Presenter::TopLevel> X11Presenter::GatherTopLevels() {
  std::vector<HWND> handles;
  EnumWindows(
      [](HWND hwnd, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&handles));
  const DWORD thread = GetCurrentThreadId();
  std::vector<TopLevel> tops;
  for (HWND hwnd : handles) {
    if (!IsWindowVisible(hwnd)) continue;
    TopLevel t;
    t.hwnd = hwnd;
    if (!GetWindowRect(hwnd, &t.rect)) continue;
    t.style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
    t.exStyle = static_cast<DWORD>(GetWindowLong(hwnd, GWL_EXSTYLE));
    t.owner = GetWindow(hwnd, GW_OWNER);
    char name[64] = {};
    GetClassName(hwnd, name, sizeof name);
    t.className = name;
    // Text is asked of the window's own thread only: a send to another thread could wait on it.
    if (GetWindowThreadProcessId(hwnd, nullptr) == thread) {
      char title[512] = {};
      GetWindowText(hwnd, title, sizeof title);
      t.title = title;
      t.titleKnown = true;
    }
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(hwnd, region) != ERROR) {
      t.region = region;
    } else {
      DeleteObject(region);
    }
    // Damage first: whatever is painted after it is noted again and shown next time.
    t.damaged = TakeWindowDamage(hwnd, &t.damage);
    t.layout = WindowLayoutKey(hwnd);
    tops.push_back(std::move(t));
  }
  return tops;
}

void X11Presenter::ScreenChanged() {
  if (lost_) return;
  std::unique_lock present(presentMu_, std::try_to_lock);
  if (!present.owns_lock()) {
    MarkScreenChanged();  // another thread is presenting; the next wait shows this change
    return;
  }
  std::vector<TopLevel> tops = GatherTopLevels();
  const HWND active = GetActiveWindow();
  std::vector<Update> updates;
  {
    std::lock_guard lock(mu_);
    if (lost_) return;
    for (TopLevel& t : tops) {
      if (auto area = Show(t)) updates.push_back(Update{t.hwnd, shown_[t.hwnd].image.get(), *area});
      if (t.region) DeleteObject(t.region);
      t.region = nullptr;
    }
    // The server's completion events usually said already that it read the last pictures; one
    // round trip when not, so none is composed over pixels still being read.
    if (std::any_of(updates.begin(), updates.end(), [](const Update& u) { return u.image->ServerMayRead(); }))
      XSync(display_, False);
  }
  // Composed straight into the images the server reads, outside mu_ so the event thread keeps
  // going; only this thread (under presentMu_) makes, resizes or drops the images.
  for (Update& u : updates)
    u.composed =
        ComposeWindowArea(u.hwnd, u.area, u.image->Row(0), u.image->Width(), u.image->Height(), u.image->Stride());
  std::lock_guard lock(mu_);
  if (lost_) return;
  std::vector<HWND> visible;
  for (const TopLevel& t : tops) visible.push_back(t.hwnd);
  SendUpdates(updates);
  // The desktop stacks the windows as the window system does, so a click lands where it looks.
  std::vector<Window> stacking;
  for (const TopLevel& t : tops)
    if (auto it = shown_.find(t.hwnd); it != shown_.end() && it->second.mapped) stacking.push_back(it->second.xid);
  if (stacking != stacking_ && !stacking.empty()) {
    XRestackWindows(display_, stacking.data(), static_cast<int>(stacking.size()));
    stacking_ = stacking;
  }
  for (auto it = shown_.begin(); it != shown_.end();) {
    if (std::find(visible.begin(), visible.end(), it->first) != visible.end()) {
      ++it;
      continue;
    }
    if (!IsWindow(it->first)) {
      Forget(it->first, it->second);
      it = shown_.erase(it);
      continue;
    }
    if (it->second.mapped) XUnmapWindow(display_, it->second.xid);
    it->second.mapped = false;
    ++it;
  }
  if (active != lastActive_) {
    lastActive_ = active;
    if (active) RequestActivation(active);
  }
  XFlush(display_);
}

Window X11Presenter::CreateXWindow(const TopLevel& top, bool popup) {
  XSetWindowAttributes a{};
  a.override_redirect = popup ? True : False;
  a.background_pixmap = None;
  a.bit_gravity = NorthWestGravity;
  a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                 KeyReleaseMask | StructureNotifyMask | FocusChangeMask | EnterWindowMask | LeaveWindowMask;
  const Window xid = XCreateWindow(display_, root_, top.rect.left, top.rect.top,
                                   static_cast<unsigned>(XSize(top.rect.right - top.rect.left)),
                                   static_cast<unsigned>(XSize(top.rect.bottom - top.rect.top)), 0, depth_, InputOutput,
                                   visual_, CWOverrideRedirect | CWBackPixmap | CWBitGravity | CWEventMask, &a);

  XClassHint cls{};
  std::string name = programName_.empty() ? std::string("vidarro") : programName_;
  std::string className = "Vidarro";
  cls.res_name = name.data();
  cls.res_class = className.data();
  XSetClassHint(display_, xid, &cls);
  XWMHints hints{};
  hints.flags = InputHint | StateHint;
  hints.input = True;
  hints.initial_state = NormalState;
  XSetWMHints(display_, xid, &hints);
  XSizeHints size{};
  size.flags = USPosition | PPosition | USSize | PSize;
  size.x = top.rect.left;
  size.y = top.rect.top;
  size.width = XSize(top.rect.right - top.rect.left);
  size.height = XSize(top.rect.bottom - top.rect.top);
  XSetWMNormalHints(display_, xid, &size);
  const long pid = static_cast<long>(getpid());
  XChangeProperty(display_, xid, atoms_->netWmPid, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) == 0)
    XChangeProperty(display_, xid, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(host), static_cast<int>(std::strlen(host)));
  Atom protocols[] = {atoms_->wmDeleteWindow, atoms_->wmTakeFocus};
  XSetWMProtocols(display_, xid, protocols, 2);
  const long xdndVersion = 5;
  XChangeProperty(display_, xid, atoms_->xdndAware, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&xdndVersion), 1);
  if (!(top.style & WS_CAPTION)) {
    // A skinned window draws its own frame: no decorations from the window manager.
    const long motif[5] = {2 /* decorations */, 0, 0, 0, 0};
    XChangeProperty(display_, xid, atoms_->motifWmHints, atoms_->motifWmHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), 5);
  }
  Atom type = atoms_->typeNormal;
  if (popup)
    type = top.className == "tooltips_class32" ? atoms_->typeTooltip
           : top.className == "#32768"         ? atoms_->typePopupMenu
           : top.className == "ComboLBox"      ? atoms_->typeDropdownMenu
                                               : atoms_->typePopupMenu;
  else if (top.owner || (top.style & WS_POPUP)) type = atoms_->typeDialog;
  XChangeProperty(display_, xid, atoms_->netWmWindowType, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&type), 1);
  if (top.owner) {
    auto owner = shown_.find(top.owner);
    if (owner != shown_.end()) XSetTransientForHint(display_, xid, owner->second.xid);
  }
  if (im_) {
    XIC ic = XCreateIC(im_, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, xid, XNFocusWindow, xid,
                       nullptr);
    if (ic) ics_[xid] = ic;
  }
  return xid;
}

void X11Presenter::SetTitle(Window xid, const std::string& title) {
  XChangeProperty(display_, xid, atoms_->netWmName, atoms_->utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
  XStoreName(display_, xid, title.c_str());
}

std::optional<RECT> X11Presenter::Show(TopLevel& top) {
  const bool popup = IsPopupClass(top.className) ||
                     (!(top.style & WS_CAPTION) && (top.exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) != 0);
  auto found = shown_.find(top.hwnd);
  if (found != shown_.end() && found->second.popup != popup) {
    Forget(top.hwnd, found->second);  // override-redirect is fixed while a window is mapped
    shown_.erase(found);
    found = shown_.end();
  }
  if (found == shown_.end()) {
    Shown s;
    s.popup = popup;
    s.xid = CreateXWindow(top, popup);
    s.rect = top.rect;
    s.image = std::make_unique<WindowImage>(display_, visual_, depth_, shm_);
    found = shown_.emplace(top.hwnd, std::move(s)).first;
  }
  Shown& s = found->second;
  const int width = static_cast<int>(top.rect.right - top.rect.left);
  const int height = static_cast<int>(top.rect.bottom - top.rect.top);
  if (width <= 0 || height <= 0) {
    // Nothing to show: an X window cannot be empty.
    if (s.mapped) XUnmapWindow(display_, s.xid);
    s.mapped = false;
    return std::nullopt;
  }
  if (!EqualRect(&s.rect, &top.rect)) {
    XMoveResizeWindow(display_, s.xid, top.rect.left, top.rect.top, static_cast<unsigned>(XSize(width)),
                      static_cast<unsigned>(XSize(height)));
    s.rect = top.rect;
  }
  if (top.titleKnown && (top.title != s.title || !s.mapped)) {
    SetTitle(s.xid, top.title);
    s.title = top.title;
  }
  SetShape(s, top.region, width, height);
  // A window that moved inside, showed, hid or restacked is composed whole: nothing paints for it.
  bool full = !s.imageValid || s.layout != top.layout;
  s.layout = top.layout;
  if (s.image->Width() != width || s.image->Height() != height) {
    full = true;
    s.imageValid = false;
    if (!s.image->Resize(width, height)) return std::nullopt;
  }
  if (!s.mapped) {
    XMapRaised(display_, s.xid);
    s.mapped = true;
    full = true;
  }
  const RECT whole{0, 0, width, height};
  if (full) return whole;
  RECT area{};
  if (!top.damaged || !IntersectRect(&area, &top.damage, &whole)) return std::nullopt;
  return area;
}

void X11Presenter::SetShape(Shown& s, HRGN region, int width, int height) {
  if (!region && !s.region) return;
  if (region && s.region && EqualRgn(region, s.region)) return;
  if (!region) {
    XShapeCombineMask(display_, s.xid, ShapeBounding, 0, 0, None, ShapeSet);
    DeleteObject(s.region);
    s.region = nullptr;
    return;
  }
  if (!s.region) s.region = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(s.region, region, nullptr, RGN_COPY);
  const DWORD bytes = GetRegionData(region, 0, nullptr);
  std::vector<unsigned char> buffer(std::max<DWORD>(bytes, sizeof(RGNDATA)));
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  if (!bytes || GetRegionData(region, bytes, data) != bytes) return;
  const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
  std::vector<XRectangle> xrects;
  xrects.reserve(data->rdh.nCount);
  for (DWORD i = 0; i < data->rdh.nCount; ++i) {
    RECT r = rects[i];
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, width);
    r.bottom = std::min<LONG>(r.bottom, height);
    if (r.right <= r.left || r.bottom <= r.top) continue;
    xrects.push_back(XRectangle{static_cast<short>(r.left), static_cast<short>(r.top),
                                static_cast<unsigned short>(r.right - r.left),
                                static_cast<unsigned short>(r.bottom - r.top)});
  }
  XShapeCombineRectangles(display_, s.xid, ShapeBounding, 0, 0, xrects.data(), static_cast<int>(xrects.size()),
                          ShapeSet, Unsorted);
}

void X11Presenter::SendUpdates(const std::vector<Update>& updates) {
  for (const Update& u : updates) {
    auto it = shown_.find(u.hwnd);
    if (it == shown_.end() || it->second.image.get() != u.image) continue;  // gone meanwhile
    Shown& s = it->second;
    if (!u.composed) {
      s.imageValid = false;  // compose it whole next time
      continue;
    }
    s.image->Put(s.xid, gc_, u.area.left, u.area.top, u.area.right - u.area.left, u.area.bottom - u.area.top);
    s.imageValid = true;
  }
}

void X11Presenter::Forget(HWND, Shown& s) {
  if (s.region) DeleteObject(s.region);
  s.region = nullptr;
  s.image.reset();
  if (auto ic = ics_.find(s.xid); ic != ics_.end()) {
    XDestroyIC(ic->second);
    ics_.erase(ic);
  }
  if (s.xid) XDestroyWindow(display_, s.xid);
  if (pointerWindow_ == s.xid) pointerWindow_ = 0;
  s.xid = 0;
}

void X11Presenter::RequestActivation(HWND hwnd) {
  auto it = shown_.find(hwnd);
  if (it == shown_.end() || !it->second.mapped || it->second.popup) return;
  if (haveWm_) {
    // The desktop decides; a window of ours asks as an application would.
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = it->second.xid;
    e.xclient.message_type = atoms_->netActiveWindow;
    e.xclient.format = 32;
    e.xclient.data.l[0] = 1;
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  } else {
    // Raised over other programs' windows together with what stays above it (its dialogs and
    // tips, topmost windows), bottom first, so the order among ours holds.
    const auto at = std::find(stacking_.begin(), stacking_.end(), it->second.xid);
    if (at != stacking_.end())
      for (auto up = std::make_reverse_iterator(at + 1); up != stacking_.rend(); ++up) XRaiseWindow(display_, *up);
    XSetInputFocus(display_, it->second.xid, RevertToParent, CurrentTime);
  }
}

}  // namespace platform::x11
