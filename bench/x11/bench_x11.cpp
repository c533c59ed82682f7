// How long the desktop presenter takes to show a fully repainted 1000x680 window (compose, find
// the changed rows, copy and send them, wait for the server) against the floor: the same pixels
// copied into the presenter's own kind of image and put the way it puts them (XShmPutImage when
// the server offers shared memory, else XPutImage), then a round trip. Needs a display, e.g.
// xvfb-run -a bench_x11.
// Usage: bench_x11 [rounds, at least 7]
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/common/bench_rounds.h"
#include "platform/controls/commctrl.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/window/messages.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"
#include "platform/window/window_styles.h"
#include "platform/x11/window_image.h"
#include "platform/x11/x11_presenter.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 680;
constexpr int kFramesPerRound = 60;

// Every pixel changes from one paint to the next: stripes that move each frame.
int g_frame = 0;
LRESULT StripesProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg != WM_PAINT) return DefWindowProc(hwnd, msg, wParam, lParam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  for (int x = 0; x < kWidth; x += 4) {
    HBRUSH b = CreateSolidBrush(RGB((x + g_frame) & 0xFF, (x * 3 + g_frame) & 0xFF, 0x40 + (g_frame & 0x3F)));
    RECT r{x, 0, x + 4, kHeight};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

// Milliseconds a frame for the presenter over one round; the painting itself is not counted.
double Presented(platform::x11::X11Presenter& presenter, HWND hwnd) {
  double ms = 0;
  for (int i = 0; i < kFramesPerRound; ++i) {
    ++g_frame;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const double start = bench::Now();
    presenter.ScreenChanged();
    XSync(presenter.XDisplay(), False);
    ms += (bench::Now() - start) * 1000;
  }
  return ms / kFramesPerRound;
}

class Floor {
 public:
  explicit Floor(Display* display)
      : display_(display),
        image_(display, DefaultVisual(display, DefaultScreen(display)), DefaultDepth(display, DefaultScreen(display)),
               platform::x11::ServerOffersShm(display)),
        pixels_(static_cast<size_t>(kWidth) * kHeight) {
    const int screen = DefaultScreen(display);
    window_ = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, kWidth, kHeight, 0, 0, 0);
    XMapWindow(display, window_);
    gc_ = XCreateGC(display, window_, 0, nullptr);
    image_.Resize(kWidth, kHeight);
    XSync(display, False);
  }
  ~Floor() {
    XFreeGC(display_, gc_);
    XDestroyWindow(display_, window_);
    XSync(display_, False);
  }
  bool UsesShm() const { return image_.UsesShm(); }

  // Milliseconds a frame: copy every row into the image, put it whole, wait for the server.
  double Round() {
    double ms = 0;
    for (int i = 0; i < kFramesPerRound; ++i) {
      ++g_frame;
      for (size_t p = 0; p < pixels_.size(); ++p) pixels_[p] = static_cast<std::uint32_t>(p * 7 + g_frame);
      const double start = bench::Now();
      for (int y = 0; y < kHeight; ++y)
        std::memcpy(image_.Row(y), pixels_.data() + static_cast<size_t>(y) * kWidth, kWidth * 4);
      image_.Put(window_, gc_, 0, 0, kWidth, kHeight);
      XSync(display_, False);
      ms += (bench::Now() - start) * 1000;
    }
    return ms / kFramesPerRound;
  }

 private:
  Display* display_;
  platform::x11::WindowImage image_;
  std::vector<std::uint32_t> pixels_;
  Window window_ = 0;
  GC gc_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  InitCommonControls();
  auto presenter = platform::x11::X11Presenter::Open("bench_x11");
  Display* plain = presenter ? XOpenDisplay(nullptr) : nullptr;
  if (!presenter || !plain) bench::MissingPeer("no X display (run it under xvfb-run -a or on the desktop)");
  WNDCLASS wc;
  wc.lpfnWndProc = StripesProc;
  wc.lpszClassName = "BenchStripes";
  RegisterClass(&wc);
  HWND hwnd = CreateWindowEx(0, "BenchStripes", "bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr,
                             nullptr, nullptr);
  UpdateWindow(hwnd);
  presenter->ScreenChanged();
  bench::Session session("Desktop presenter against the same pixels put by hand", rounds);
  {
    Floor floor(plain);
    bench::Figure fig{"full repaint shown", "ms", false, {}, {}};
    bench::Interleave(
        rounds, fig, [&] { return Presented(*presenter, hwnd); }, [&] { return floor.Round(); });
    bench::Section("A fully repainted " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                       " window, ms a frame of " + std::to_string(kFramesPerRound) +
                       " (lower is better; a 60 Hz frame is 16.7 ms); project: the "
                       "presenter composing, comparing, copying and sending the changed rows",
                   std::string("every row copied into the presenter's own image class, put whole with ") +
                       (floor.UsesShm() ? "XShmPutImage" : "XPutImage (the server offers no MIT-SHM)") + ", then XSync",
                   "the floor composes nothing and compares no rows; both use one connection each to the same server");
    bench::Print(fig);
  }
  DestroyWindow(hwnd);
  presenter->ScreenChanged();
  XCloseDisplay(plain);
  return 0;
}
