#include "platform/testkit/driving.h"

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

COLORREF Pixel(HWND hwnd, int x, int y) {
  HWND top = GetAncestor(hwnd, GA_ROOT);
  if (!top) return CLR_INVALID;
  UpdateWindow(top);
  Pump();
  platform::PixelImage img;
  if (!platform::ComposeWindow(top, &img)) return CLR_INVALID;
  POINT p = Screen(hwnd, x, y);
  RECT tr{};
  GetWindowRect(top, &tr);
  const int px = p.x - tr.left, py = p.y - tr.top;
  if (px < 0 || py < 0 || px >= img.width || py >= img.height) return CLR_INVALID;
  const uint32_t v = img.pixels[static_cast<size_t>(py) * img.width + px];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

ManualTime::ManualTime(std::uint64_t startMs)
    : clock_(startMs), scoped_(std::make_unique<platform::ScopedClock>(clock_)) {}

ManualTime::~ManualTime() { scoped_.reset(); }

void ManualTime::Advance(int ms) {
  clock_.Advance(static_cast<std::uint64_t>(ms));
  Pump();
}

}  // namespace testkit
