// The suite's windows on a private X server: what a person on the desktop sees and does.
// gtest before Xlib, whose macros (None, Bool...) would break it.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "desktop_pictures.h"
#include "desktop_session.h"
#include "xdnd_source.h"

namespace {

using namespace desktop_test;

Window TopLevelTitled(Display* d, const std::string& title) {
  Window rootReturn = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  XQueryTree(d, DefaultRootWindow(d), &rootReturn, &parent, &children, &count);
  for (unsigned int i = 0; i < count; ++i) {
    char* name = nullptr;
    if (XFetchName(d, children[i], &name) && name) {
      if (title == name) found = children[i];
      XFree(name);
    }
  }
  if (children) XFree(children);
  return found;
}

void SetWorkArea(const std::string& display, long x, long y, long width, long height) {
  Display* d = XOpenDisplay(display.c_str());
  if (!d) return;
  const long area[4] = {x, y, width, height};
  XChangeProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_WORKAREA", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(area), 4);
  XCloseDisplay(d);
}

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (FindProgram("Xvfb").empty() || FindProgram("xdotool").empty() || FindProgram("xwd").empty())
      GTEST_SKIP() << "Xvfb, xdotool or xwd is not installed";
    server_ = std::make_unique<XvfbServer>();
    ASSERT_FALSE(server_->Display().empty()) << "Xvfb did not start";
    SetWorkArea(server_->Display(), 0, 0, 1280, 760);  // as a desktop with a bottom panel says
    folder_ =
        std::filesystem::temp_directory_path() / ("desktop_probe_" + std::to_string(getpid()) + "_" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    probe_ = std::make_unique<Child>(DESKTOP_PROBE, folder_.string(), server_->Display());
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(folder_ / "ready"); }, 30))
        << "the probe did not show its windows";
    fields_ = ReadFields(ReadFile((folder_ / "ready").string()));
    ASSERT_TRUE(WaitUntil([&] { return AllShown(); }, 30)) << "the probe's windows are not on the screen";
  }

  bool AllShown() const {
    Display* d = XOpenDisplay(server_->Display().c_str());
    if (!d) return false;
    bool shown = true;
    for (const char* title : {"Probe dialog", "Probe backdrop", "Probe shaped", "Probe oversize", "Probe tip"}) {
      const Window w = TopLevelTitled(d, title);
      XWindowAttributes attributes{};
      shown = shown && w && XGetWindowAttributes(d, w, &attributes) && attributes.map_state == IsViewable;
    }
    XCloseDisplay(d);
    return shown;
  }

  void TearDown() override {
    probe_.reset();
    server_.reset();
  }

  std::string Log() const { return ReadFile((folder_ / "log").string()); }
  bool LogSays(const std::string& line) {
    return WaitUntil([&] { return Log().find(line) != std::string::npos; }, 10);
  }
  bool Xdo(const std::string& arguments) { return RunOnDisplay(server_->Display(), "xdotool " + arguments); }
  std::string At(const std::string& key, int dx = 0, int dy = 0) {
    return std::to_string(fields_[key][0] + dx) + " " + std::to_string(fields_[key][1] + dy);
  }

  std::unique_ptr<XvfbServer> server_;
  std::filesystem::path folder_;
  std::unique_ptr<Child> probe_;
  std::map<std::string, std::vector<int>> fields_;
};

std::string Property(Display* d, Window w, const char* name) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string value;
  if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 64, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) == Success &&
      data) {
    value.assign(reinterpret_cast<const char*>(data), count * (format == 32 ? sizeof(long) : format / 8));
    XFree(data);
  }
  return value;
}

TEST_F(Desktop, ShowsTheDialogWithTheSamePixelsAsItsHeadlessPicture) {
  Picture expected;
  ASSERT_TRUE(ReadPng((folder_ / "dialog.png").string(), &expected));
  const auto& box = fields_["dialog"];
  ASSERT_EQ(box.size(), 4u);
  ASSERT_EQ(expected.width, box[2]);
  ASSERT_EQ(expected.height, box[3]);
  int differing = -1;
  auto matches = [&] {
    const std::string shot = (folder_ / "screen.xwd").string();
    Picture screen;
    if (!RunOnDisplay(server_->Display(), "xwd -root -silent -out " + shot) || !ReadXwd(shot, &screen)) return false;
    differing = 0;
    for (int y = 0; y < expected.height; ++y)
      for (int x = 0; x < expected.width; ++x)
        if (screen.At(box[0] + x, box[1] + y) != expected.At(x, y)) ++differing;
    return differing == 0;
  };
  // The first screenshots may come before the windows are mapped and drawn.
  WaitUntil(matches, 15);
  EXPECT_EQ(differing, 0) << "pixels of the dialog differ on the screen";

  // Another window over the dialog and gone again: the dialog is whole again.
  Display* d = XOpenDisplay(server_->Display().c_str());
  ASSERT_NE(d, nullptr);
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.background_pixel = 0xFF00FF;
  const Window cover = XCreateWindow(d, DefaultRootWindow(d), box[0], box[1], static_cast<unsigned>(box[2]),
                                     static_cast<unsigned>(box[3]), 0, CopyFromParent, InputOutput, CopyFromParent,
                                     CWOverrideRedirect | CWBackPixel, &a);
  XMapRaised(d, cover);
  XSync(d, False);
  XDestroyWindow(d, cover);
  XCloseDisplay(d);
  WaitUntil(matches, 15);
  EXPECT_EQ(differing, 0) << "the uncovered dialog is not repainted";
}

TEST_F(Desktop, NamesAndMarksItsWindowsForTheDesktop) {
  Display* d = XOpenDisplay(server_->Display().c_str());
  ASSERT_NE(d, nullptr);
  const Window dialog = TopLevelTitled(d, "Probe dialog");
  const Window backdrop = TopLevelTitled(d, "Probe backdrop");
  ASSERT_NE(dialog, 0u);
  ASSERT_NE(backdrop, 0u);
  XClassHint cls{};
  ASSERT_TRUE(XGetClassHint(d, dialog, &cls));
  EXPECT_STREQ(cls.res_name, "desktop_probe");
  EXPECT_STREQ(cls.res_class, "Vidarro");
  XFree(cls.res_name);
  XFree(cls.res_class);
  const std::string pid = Property(d, dialog, "_NET_WM_PID");
  ASSERT_EQ(pid.size(), sizeof(long));
  EXPECT_GT(*reinterpret_cast<const long*>(pid.data()), 0);
  EXPECT_EQ(Property(d, dialog, "_NET_WM_NAME"), "Probe dialog");
  // The captionless window draws its own frame; the dialog keeps the desktop's.
  EXPECT_TRUE(Property(d, dialog, "_MOTIF_WM_HINTS").empty());
  const std::string motif = Property(d, backdrop, "_MOTIF_WM_HINTS");
  ASSERT_EQ(motif.size(), 5 * sizeof(long));
  EXPECT_EQ(reinterpret_cast<const long*>(motif.data())[2], 0);  // no decorations
  XCloseDisplay(d);
  // The window system's screen is the server's, not its headless default.
  EXPECT_EQ(fields_["screen"], (std::vector<int>{1280, 800}));
  EXPECT_EQ(fields_["work"], (std::vector<int>{0, 0, 1280, 760}));
  // A window larger than the screen is shown whole; an empty one, which no X window can be, is
  // not shown.
  d = XOpenDisplay(server_->Display().c_str());
  ASSERT_NE(d, nullptr);
  const Window oversize = TopLevelTitled(d, "Probe oversize");
  ASSERT_NE(oversize, 0u);
  XWindowAttributes attributes{};
  XGetWindowAttributes(d, oversize, &attributes);
  EXPECT_EQ(attributes.width, 1400);
  EXPECT_EQ(attributes.height, 900);
  // A tool tip is left alone by the window manager, as popups are.
  const Window tip = TopLevelTitled(d, "Probe tip");
  ASSERT_NE(tip, 0u);
  XGetWindowAttributes(d, tip, &attributes);
  EXPECT_TRUE(attributes.override_redirect);
  XGetWindowAttributes(d, dialog, &attributes);
  EXPECT_FALSE(attributes.override_redirect);
  const Window empty = TopLevelTitled(d, "Probe empty");
  if (empty) {
    XGetWindowAttributes(d, empty, &attributes);
    EXPECT_NE(attributes.map_state, IsViewable);
  }
  XCloseDisplay(d);
}

// The root's children bottom first, as XQueryTree gives them; -1 when not there.
int StackPlace(Display* d, Window w) {
  Window rootReturn = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  int place = -1;
  XQueryTree(d, DefaultRootWindow(d), &rootReturn, &parent, &children, &count);
  for (unsigned int i = 0; i < count; ++i)
    if (children[i] == w) place = static_cast<int>(i);
  if (children) XFree(children);
  return place;
}

// The viewable top-level window at exactly that place and size.
Window TopLevelAt(Display* d, const std::vector<int>& box) {
  Window rootReturn = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  XQueryTree(d, DefaultRootWindow(d), &rootReturn, &parent, &children, &count);
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable && a.x == box[0] && a.y == box[1] &&
        a.width == box[2] && a.height == box[3])
      found = children[i];
  }
  if (children) XFree(children);
  return found;
}

std::vector<int> LoggedBox(const std::string& log, const std::string& key) {
  const size_t at = log.rfind(key + " ");
  if (at == std::string::npos) return {};
  const size_t end = log.find('\n', at);
  return ReadFields(log.substr(at, end - at))[key];
}

TEST_F(Desktop, AToolTipShowsAboveTheWindowItWasMadeFor) {
  // The tip was made before its dialog was first activated; a click on the dialog raises it again.
  ASSERT_TRUE(Xdo("mousemove " + At("edit") + " click 1"));
  ASSERT_TRUE(LogSays("edit focus"));
  ASSERT_TRUE(Xdo("mousemove " + At("check", -3) + " sleep 0.1 mousemove " + At("check")));
  ASSERT_TRUE(LogSays("tipshown")) << Log();
  const std::vector<int> tip = LoggedBox(Log(), "tipshown");
  ASSERT_EQ(tip.size(), 4u) << Log();
  Display* d = XOpenDisplay(server_->Display().c_str());
  ASSERT_NE(d, nullptr);
  Window shown = 0;
  WaitUntil([&] { return (shown = TopLevelAt(d, tip)) != 0; }, 10);
  ASSERT_NE(shown, 0u) << "the tip is not on the screen";
  EXPECT_GT(StackPlace(d, shown), StackPlace(d, TopLevelTitled(d, "Probe dialog")));
  XCloseDisplay(d);
  // What the screen shows there is the tip's own colour, not the dialog under it.
  std::uint32_t inside = 0;
  auto tipColour = [&] {
    const std::string shot = (folder_ / "tip.xwd").string();
    Picture screen;
    if (!RunOnDisplay(server_->Display(), "xwd -root -silent -out " + shot) || !ReadXwd(shot, &screen)) return false;
    inside = screen.At(tip[0] + 2, tip[1] + 2);
    return inside == 0xFFFFE1u;
  };
  EXPECT_TRUE(WaitUntil(tipColour, 10)) << std::hex << inside;
}

TEST_F(Desktop, ASecondStartBringsTheOpenDialogForwardAndItAnswers) {
  ASSERT_TRUE(Xdo("mousemove " + At("settings") + " click 1"));
  ASSERT_TRUE(LogSays("settings shown"));
  Display* d = XOpenDisplay(server_->Display().c_str());
  ASSERT_NE(d, nullptr);
  Window settings = 0;
  WaitUntil([&] { return (settings = TopLevelTitled(d, "Probe settings")) != 0; }, 10);
  ASSERT_NE(settings, 0u);
  // Another window taken to the front, then the program started again.
  ASSERT_TRUE(Xdo("mousemove " + At("backdrop", 225, 100) + " click 1"));
  ASSERT_TRUE(LogSays("backdrop click"));
  Child second(DESKTOP_PROBE, "--front", server_->Display());
  EXPECT_EQ(second.WaitForExit(20), 0);
  const Window dialog = TopLevelTitled(d, "Probe dialog");
  const Window backdrop = TopLevelTitled(d, "Probe backdrop");
  EXPECT_TRUE(WaitUntil(
      [&] {
        XSync(d, False);
        return StackPlace(d, settings) > StackPlace(d, dialog) && StackPlace(d, dialog) > StackPlace(d, backdrop);
      },
      10))
      << "settings " << StackPlace(d, settings) << ", dialog " << StackPlace(d, dialog) << ", backdrop "
      << StackPlace(d, backdrop);
  XCloseDisplay(d);
  // The keys go to the dialog in front: Escape answers it.
  ASSERT_TRUE(Xdo("key Escape"));
  EXPECT_TRUE(LogSays("settings cancel")) << Log();
}

TEST_F(Desktop, AClickOutsideAShapedWindowsRegionFallsThrough) {
  // The shaped window covers the backdrop; its region keeps only the left half.
  ASSERT_TRUE(Xdo("mousemove " + At("backdrop", 75, 100) + " click 1"));
  EXPECT_TRUE(LogSays("shaped click"));
  ASSERT_TRUE(Xdo("mousemove " + At("backdrop", 225, 100) + " click 1"));
  EXPECT_TRUE(LogSays("backdrop click"));
  EXPECT_EQ(Log().find("shaped click"), Log().rfind("shaped click"));
}

TEST_F(Desktop, DoubleClicksAndTheWheelArriveAsTheWindowSystemsOwn) {
  ASSERT_TRUE(Xdo("mousemove " + At("backdrop", 225, 100) + " click --repeat 2 --delay 80 1"));
  EXPECT_TRUE(LogSays("backdrop double click"));
  ASSERT_TRUE(Xdo("click 5"));
  EXPECT_TRUE(LogSays("backdrop wheel -120"));
}

TEST_F(Desktop, FilesDroppedFromTheDesktopArriveAsDroppedFiles) {
  const auto& b = fields_["backdrop"];
  EXPECT_TRUE(DragUriListOnto(server_->Display(), "Probe backdrop", b[0] + 250, b[1] + 50,
                              "file:///tmp/My%20Clips/caf%C3%A9.mpg\r\n"));
  EXPECT_TRUE(LogSays("drop /tmp/My Clips/caf\xC3\xA9.mpg"));
}

// Gives é a key of its own, as a layout with it has: xdotool otherwise maps one for each press
// and maps it back at once, before a busy program may have looked the key up.
void GiveEAcuteAKey(const std::string& display) {
  Display* d = XOpenDisplay(display.c_str());
  if (!d) return;
  int low = 0, high = 0, perCode = 0;
  XDisplayKeycodes(d, &low, &high);
  KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(low), high - low + 1, &perCode);
  for (int code = high; code >= low; --code) {
    bool unused = true;
    for (int i = 0; i < perCode; ++i) unused = unused && map[(code - low) * perCode + i] == NoSymbol;
    if (!unused) continue;
    KeySym syms[2] = {XK_eacute, XK_Eacute};
    XChangeKeyboardMapping(d, code, 2, syms, 1);
    break;
  }
  XFree(map);
  XSync(d, False);
  XCloseDisplay(d);
}

TEST_F(Desktop, ClicksAndTypingReachTheDialogAndEnterClosesIt) {
  GiveEAcuteAKey(server_->Display());
  ASSERT_TRUE(Xdo("mousemove " + At("check") + " click 1"));
  ASSERT_TRUE(LogSays("check clicked"));
  ASSERT_TRUE(Xdo("mousemove " + At("edit") + " click 1"));
  ASSERT_TRUE(LogSays("edit focus"));  // as a person waits for the caret before typing
  ASSERT_TRUE(Xdo("type --delay 30 'Caf\xC3\xA9 Nr 7!'"));
  ASSERT_TRUE(Xdo("key Return"));
  EXPECT_EQ(probe_->WaitForExit(15), 0);
  EXPECT_NE(Log().find("result ok check=1 text=Caf\xC3\xA9 Nr 7!"), std::string::npos) << Log();
}

TEST_F(Desktop, TheDesktopsCloseRequestClosesTheDialog) {
  Display* d = XOpenDisplay(server_->Display().c_str());
  ASSERT_NE(d, nullptr);
  const Window dialog = TopLevelTitled(d, "Probe dialog");
  ASSERT_NE(dialog, 0u);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = dialog;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, dialog, False, NoEventMask, &e);
  XCloseDisplay(d);
  EXPECT_EQ(probe_->WaitForExit(15), 1);
  EXPECT_NE(Log().find("result cancel"), std::string::npos);
}

TEST_F(Desktop, ALostDisplayClosesTheWindowsAndEndsTheProgram) {
  server_->Kill();
  EXPECT_NE(probe_->WaitForExit(20), -1) << "the probe hangs without its display";
  EXPECT_NE(Log().find("result cancel"), std::string::npos);
}

TEST(DesktopStartUp, WithoutAReachableDisplayOrWhenAskedProgramsStayHeadless) {
  const std::string folder = std::filesystem::temp_directory_path() / "desktop_probe_headless";
  std::filesystem::create_directories(folder);
  Child nowhere(DESKTOP_PROBE, folder, ":97");  // no server there
  EXPECT_EQ(nowhere.WaitForExit(20), 3);
  if (FindProgram("Xvfb").empty()) return;
  XvfbServer server;
  ASSERT_FALSE(server.Display().empty());
  Child asked(DESKTOP_PROBE, folder, server.Display(), /*headless=*/true);
  EXPECT_EQ(asked.WaitForExit(20), 3);
}

}  // namespace
