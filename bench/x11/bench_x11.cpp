// Prints how long the desktop presenter takes to show a fully repainted 1000x680 window (compose,
// find the changed rows, send them, wait for the server) beside one plain XPutImage of the same
// pixels and a round trip, against the 16.7 ms of one frame at 60 Hz.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/controls/commctrl.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/window/messages.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"
#include "platform/window/window_styles.h"
#include "platform/x11/x11_presenter.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 680;
constexpr int kRounds = 60;
constexpr double kFrameMs = 1000.0 / 60.0;

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Every pixel changes from one paint to the next: stripes that move each round.
int g_round = 0;
LRESULT StripesProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg != WM_PAINT) return DefWindowProc(hwnd, msg, wParam, lParam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  for (int x = 0; x < kWidth; x += 4) {
    HBRUSH b = CreateSolidBrush(RGB((x + g_round) & 0xFF, (x * 3 + g_round) & 0xFF, 0x40 + (g_round & 0x3F)));
    RECT r{x, 0, x + 4, kHeight};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

double PlainPutImage(Display* display) {
  const int screen = DefaultScreen(display);
  Window w = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, kWidth, kHeight, 0, 0, 0);
  XMapWindow(display, w);
  XSync(display, False);
  GC gc = XCreateGC(display, w, 0, nullptr);
  std::vector<std::uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight);
  XImage* image = XCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen), ZPixmap, 0,
                               reinterpret_cast<char*>(pixels.data()), kWidth, kHeight, 32, kWidth * 4);
  double total = 0;
  for (int i = 0; i < kRounds; ++i) {
    for (size_t p = 0; p < pixels.size(); ++p) pixels[p] = static_cast<std::uint32_t>(p * 7 + i);
    const auto start = std::chrono::steady_clock::now();
    XPutImage(display, w, gc, image, 0, 0, 0, 0, kWidth, kHeight);
    XSync(display, False);
    total += Ms(std::chrono::steady_clock::now() - start);
  }
  image->data = nullptr;
  XDestroyImage(image);
  XFreeGC(display, gc);
  XDestroyWindow(display, w);
  XSync(display, False);
  return total / kRounds;
}

}  // namespace

int main() {
  InitCommonControls();
  auto presenter = platform::x11::X11Presenter::Open("bench_x11");
  if (!presenter) {
    std::fprintf(stderr, "bench_x11: no X display (run it under xvfb-run or on the desktop)\n");
    return 1;
  }
  WNDCLASS wc;
  wc.lpfnWndProc = StripesProc;
  wc.lpszClassName = "BenchStripes";
  RegisterClass(&wc);
  HWND hwnd = CreateWindowEx(0, "BenchStripes", "bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr,
                             nullptr, nullptr);
  UpdateWindow(hwnd);
  presenter->ScreenChanged();
  double presented = 0;
  for (g_round = 1; g_round <= kRounds; ++g_round) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const auto start = std::chrono::steady_clock::now();
    presenter->ScreenChanged();
    XSync(presenter->XDisplay(), False);
    presented += Ms(std::chrono::steady_clock::now() - start);
  }
  presented /= kRounds;
  DestroyWindow(hwnd);
  presenter->ScreenChanged();
  Display* plain = XOpenDisplay(nullptr);
  const double put = plain ? PlainPutImage(plain) : 0;
  if (plain) XCloseDisplay(plain);
  std::printf("full repaint of %dx%d shown: %.2f ms (%.0f%% of a 60 Hz frame)\n", kWidth, kHeight, presented,
              100.0 * presented / kFrameMs);
  std::printf("plain XPutImage of the same pixels: %.2f ms; ratio %.2f\n", put, put > 0 ? presented / put : 0.0);
  return 0;
}
