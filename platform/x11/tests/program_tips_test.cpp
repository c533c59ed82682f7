// Each program of the suite on a private X server: a pointer resting on one of its buttons shows
// the button's tip over the program's own window, as a person sees it on the screen.
// gtest before Xlib, whose macros (None, Bool...) would break it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "desktop_pictures.h"
#include "desktop_session.h"

namespace {

using namespace desktop_test;

struct ProgramTip {
  const char* program;
  const char* argument;
  const char* title;
  int x, y;   // a button with a tip, in the window
  int width;  // of the window, to tell it from an intro of the same title; 0 for any
};

std::ostream& operator<<(std::ostream& out, const ProgramTip& p) { return out << p.program; }

struct Top {
  Window id = 0;
  int x = 0, y = 0, width = 0, height = 0;
  std::string name;
};

// The viewable top-level windows, lowest first.
std::vector<Top> ViewableTops(Display* d) {
  Window rootReturn = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  std::vector<Top> tops;
  XQueryTree(d, DefaultRootWindow(d), &rootReturn, &parent, &children, &count);
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
    Top top{children[i], a.x, a.y, a.width, a.height, {}};
    char* name = nullptr;
    if (XFetchName(d, children[i], &name) && name) {
      top.name = name;
      XFree(name);
    }
    tops.push_back(top);
  }
  if (children) XFree(children);
  return tops;
}

class ProgramTips : public ::testing::TestWithParam<ProgramTip> {};

TEST_P(ProgramTips, ATipShowsOverTheProgramsOwnWindow) {
  if (FindProgram("Xvfb").empty() || FindProgram("xdotool").empty() || FindProgram("xwd").empty())
    GTEST_SKIP() << "Xvfb, xdotool or xwd is not installed";
  const ProgramTip& p = GetParam();
  XvfbServer server;
  ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
  const char* folder = std::getenv("VIDARRO_APP_DIR");
  ASSERT_NE(folder, nullptr);
  Child program(std::string(folder) + "/" + p.program, p.argument, server.Display());
  Display* d = XOpenDisplay(server.Display().c_str());
  ASSERT_NE(d, nullptr);
  Top window;
  auto shown = [&] {
    for (const Top& t : ViewableTops(d))
      if (t.name == p.title && (!p.width || t.width == p.width)) window = t;
    return window.id != 0;
  };
  ASSERT_TRUE(WaitUntil(shown, 60)) << p.program << "'s window is not on the screen";
  // The tips made before the window's first activation are the ones that stayed under it.
  const std::string at = std::to_string(window.x + p.x) + " " + std::to_string(window.y + p.y);
  const std::string near = std::to_string(window.x + p.x - 4) + " " + std::to_string(window.y + p.y - 3);
  ASSERT_TRUE(RunOnDisplay(server.Display(), "xdotool mousemove " + near + " sleep 0.2 mousemove " + at));
  // The tip is a viewable window of its own above the program's window, in the tip's colour on
  // the screen.
  const std::string shot = (std::filesystem::temp_directory_path() /
                            (std::string("program_tip_") + p.program + "_" + std::to_string(getpid()) + ".xwd"))
                               .string();
  Picture screen;
  Top tip;
  auto tipOnTop = [&] {
    const std::vector<Top> tops = ViewableTops(d);
    bool aboveWindow = false;
    tip = Top{};
    for (const Top& t : tops) {
      if (t.id == window.id) aboveWindow = true;
      else if (aboveWindow && t.width < 300 && t.height < 60) tip = t;
    }
    if (!RunOnDisplay(server.Display(), "xwd -root -silent -out " + shot) || !ReadXwd(shot, &screen)) return false;
    return tip.id && screen.At(tip.x + 2, tip.y + 2) == 0xFFFFE1u;
  };
  EXPECT_TRUE(WaitUntil(tipOnTop, 15)) << "no tip shows over " << p.program << "'s window at " << window.x << ","
                                       << window.y << " (" << window.width << "x" << window.height << ")";
  XCloseDisplay(d);
  if (screen.width > 0) {
    const std::string pictures = std::string(VIDARRO_PICTURE_DIR) + "/../" + p.program + "/";
    std::filesystem::create_directories(pictures);
    const int right = std::min(screen.width, std::max(window.x + window.width, tip.x + tip.width));
    const int bottom = std::min(screen.height, std::max(window.y + window.height, tip.y + tip.height));
    EXPECT_TRUE(
        WritePng(screen, window.x, window.y, right - window.x, bottom - window.y, pictures + "desktop_tip.png"));
  }
  std::filesystem::remove(shot);
}

INSTANTIATE_TEST_SUITE_P(EveryProgram, ProgramTips,
                         ::testing::Values(ProgramTip{"Lanvik", "", "Narvell Vidarro 5.0 Starter", 365, 165, 800},
                                           ProgramTip{"Wendrel", "", "Narvell Vidarro 5.0", 520, 295, 0},
                                           ProgramTip{"Quillon", "", "Narvell Vidarro 5.0", 805, 36, 0},
                                           ProgramTip{"Auvry", "", "Narvell Vidarro 5.0", 681, 396, 0},
                                           ProgramTip{"Parvel", "/PSP", "Publish - PSP", 36, 314, 0},
                                           ProgramTip{"Corrin", "", "Publish - YouTube", 599, 20, 0}),
                         [](const ::testing::TestParamInfo<ProgramTip>& info) {
                           return std::string(info.param.program);
                         });

}  // namespace
