#include "platform/testkit/driving.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/gdi/afx_gdi.h"
#include "platform/script/user_actions.h"
#include "platform/window/dialog.h"
#include "platform/window/focus.h"
#include "platform/window/input.h"
#include "platform/window/window_surface.h"

namespace testkit {
namespace {

POINT Screen(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

}  // namespace

int Pump(int maxRounds) {
  int total = 0;
  for (int round = 0; round < maxRounds; ++round) {
    MSG m;
    int n = 0;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) return total + n;
      TranslateMessage(&m);
      DispatchMessage(&m);
      ++n;
    }
    total += n;
    if (!n) break;
  }
  return total;
}

bool PumpUntil(const std::function<bool()>& done, int maxRounds) {
  for (int round = 0; round < maxRounds; ++round) {
    if (done()) return true;
    Pump(1);
  }
  return done();
}

void Click(HWND hwnd, int x, int y) {
  platform::InjectClick(platform::MouseButton::Left, Screen(hwnd, x, y));
  Pump();
}
void DoubleClick(HWND hwnd, int x, int y) {
  platform::InjectDoubleClick(platform::MouseButton::Left, Screen(hwnd, x, y));
  Pump();
}
void RightClick(HWND hwnd, int x, int y) {
  platform::InjectClick(platform::MouseButton::Right, Screen(hwnd, x, y));
  Pump();
}
void Down(HWND hwnd, int x, int y) {
  platform::InjectMouseDown(platform::MouseButton::Left, Screen(hwnd, x, y));
  Pump();
}
void Move(HWND hwnd, int x, int y) {
  platform::InjectMouseMove(Screen(hwnd, x, y));
  Pump();
}
void Up(HWND hwnd, int x, int y) {
  platform::InjectMouseUp(platform::MouseButton::Left, Screen(hwnd, x, y));
  Pump();
}

bool ClickControl(HWND parent, int id) {
  if (!platform::script::ClickControlOf(parent, id)) return false;
  Pump();
  return true;
}

bool ClickButton(HWND parent, int id) {
  if (!platform::script::UsableControl(parent, id)) return false;
  return ClickControl(parent, id);
}

bool TypeInto(HWND parent, int id, const std::string& text) {
  if (!platform::script::TypeIntoControl(parent, id, text)) return false;
  Pump();
  return true;
}

void PressKey(int vk) {
  platform::InjectKey(vk);
  Pump();
}

void TypeChars(const std::string& text) {
  for (char c : text) platform::InjectChar(c);
  Pump();
}

std::string WindowText(HWND hwnd) { return platform::script::TextOf(hwnd); }

std::string ControlText(HWND parent, int id) { return WindowText(GetDlgItem(parent, id)); }

bool ControlEnabled(HWND parent, int id) {
  HWND control = GetDlgItem(parent, id);
  return control && IsWindowEnabled(control);
}

bool ControlVisible(HWND parent, int id) {
  HWND control = GetDlgItem(parent, id);
  return control && IsWindowVisible(control);
}

UINT ButtonState(HWND parent, int id) { return IsDlgButtonChecked(parent, id); }

namespace {

// The composed image of a window's top-level window after painting everything due, and where the
// window's client origin lies in it.
bool ComposeAround(HWND hwnd, platform::PixelImage* img, POINT* origin) {
  HWND top = GetAncestor(hwnd, GA_ROOT);
  if (!top) return false;
  UpdateWindow(top);
  Pump();
  if (!platform::ComposeWindow(top, img)) return false;
  RECT tr{};
  GetWindowRect(top, &tr);
  const POINT p = Screen(hwnd, 0, 0);
  *origin = {p.x - tr.left, p.y - tr.top};
  return true;
}

COLORREF At(const platform::PixelImage& img, POINT origin, int x, int y) {
  const int px = origin.x + x, py = origin.y + y;
  if (px < 0 || py < 0 || px >= img.width || py >= img.height) return CLR_INVALID;
  const uint32_t v = img.pixels[static_cast<size_t>(py) * img.width + px];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

}  // namespace

COLORREF Pixel(HWND hwnd, int x, int y) {
  platform::PixelImage img;
  POINT origin{};
  return ComposeAround(hwnd, &img, &origin) ? At(img, origin, x, y) : CLR_INVALID;
}

std::vector<COLORREF> Pixels(HWND hwnd, const RECT& area) {
  platform::PixelImage img;
  POINT origin{};
  const bool composed = ComposeAround(hwnd, &img, &origin);
  std::vector<COLORREF> pixels;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) pixels.push_back(composed ? At(img, origin, x, y) : CLR_INVALID);
  return pixels;
}

std::vector<InkRun> InkRuns(HWND hwnd, const RECT& area, COLORREF background, int gap) {
  platform::PixelImage img;
  POINT origin{};
  if (!ComposeAround(hwnd, &img, &origin)) return {};
  auto ink = [&](int x, int y) {
    const COLORREF c = At(img, origin, x, y);
    return c != CLR_INVALID && std::abs(GetRValue(c) - GetRValue(background)) +
                                       std::abs(GetGValue(c) - GetGValue(background)) +
                                       std::abs(GetBValue(c) - GetBValue(background)) >
                                   120;
  };
  std::vector<InkRun> runs;
  int blank = gap;
  for (int x = area.left; x < area.right; ++x) {
    int first = area.bottom, last = -1;
    for (int y = area.top; y < area.bottom; ++y)
      if (ink(x, y)) first = std::min(first, y), last = std::max(last, y);
    if (last < 0) {
      ++blank;
      continue;
    }
    if (blank >= gap || runs.empty()) runs.push_back({x, x, first, last});
    InkRun& run = runs.back();
    run.right = x;
    run.top = std::min(run.top, first);
    run.bottom = std::max(run.bottom, last);
    blank = 0;
  }
  return runs;
}

ManualTime::ManualTime(std::uint64_t startMs)
    : clock_(startMs), scoped_(std::make_unique<platform::ScopedClock>(clock_)) {}

ManualTime::~ManualTime() { scoped_.reset(); }

void ManualTime::Advance(int ms) {
  clock_.Advance(static_cast<std::uint64_t>(ms));
  Pump();
}

}  // namespace testkit
