// How long the desktop presenter takes to show a fully repainted 1000x680 window, and one repainted
// control of it, against the floor: the same pixels copied into the presenter's own kind of image
// and put the way it puts them (XShmPutImage when the server offers shared memory, else
// XPutImage), then a round trip. Then what a capture page's live preview costs the presenting
// process: PAL and NTSC frames at their rates stretched into the preview rectangle, CPU over at
// least 10 s beside the X server's, and the oldest frame seen on screen. Needs a display, e.g.
// xvfb-run -a -s "-screen 0 2048x768x24" bench_x11 (the two windows side by side, both wholly seen).
// Usage: bench_x11 [rounds, at least 7]
#include <X11/Xlib.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "bench/common/bench_rounds.h"
#include "platform/controls/commctrl.h"
#include "platform/dshow/video_window.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/window/messages.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"
#include "platform/window/window_styles.h"
#include "platform/window/window_surface.h"
#include "platform/x11/window_image.h"
#include "platform/x11/x11_presenter.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 680;
constexpr int kFramesPerRound = 60;
// One control of the window: a button-sized rectangle in the middle.
constexpr RECT kControl{420, 320, 580, 348};

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

LRESULT ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg != WM_PAINT) return DefWindowProc(hwnd, msg, wParam, lParam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  HBRUSH b = CreateSolidBrush(RGB(g_frame & 0xFF, 0x80, 0xFF - (g_frame & 0xFF)));
  RECT r{0, 0, kControl.right - kControl.left, kControl.bottom - kControl.top};
  FillRect(dc, &r, b);
  DeleteObject(b);
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
    presenter.Sync();
    ms += (bench::Now() - start) * 1000;
  }
  return ms / kFramesPerRound;
}

// Where the floor's window goes: beside the presenter's (or below it on a narrow screen), so
// neither covers the other and the server clips neither's puts. Fails when the screen holds
// only one of them.
bool FloorPlace(Display* display, int* x, int* y) {
  const int screen = DefaultScreen(display);
  const int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);
  if (width >= 2 * kWidth && height >= kHeight) return *x = kWidth, *y = 0, true;
  if (width >= kWidth && height >= 2 * kHeight) return *x = 0, *y = kHeight, true;
  return false;
}

struct ScreenRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool Overlaps(const ScreenRect& o) const {
    return x < o.x + o.width && o.x < x + width && y < o.y + o.height && o.y < y + height;
  }
};

// The window's rectangle on the root, and whether it is viewable.
bool RootRect(Display* display, Window window, ScreenRect* r) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(display, window, &a) || a.map_state != IsViewable) return false;
  Window child;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &r->x, &r->y, &child);
  r->width = a.width, r->height = a.height;
  return true;
}

// Both windows viewable, wholly on the screen, apart, and no other window over either: what
// each puts all reaches the screen, so neither contender is spared any of its work.
std::string WhyNotBothVisible(Display* display, Window a, Window b) {
  ScreenRect ra, rb;
  if (!RootRect(display, a, &ra)) return "the presenter's window is not viewable";
  if (!RootRect(display, b, &rb)) return "the floor's window is not viewable";
  const int screen = DefaultScreen(display);
  const ScreenRect whole{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
  for (const ScreenRect& r : {ra, rb})
    if (r.x < 0 || r.y < 0 || r.x + r.width > whole.width || r.y + r.height > whole.height)
      return "a window reaches past the screen's edge";
  if (ra.Overlaps(rb)) return "the two windows overlap";
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return "no window tree";
  std::string why;
  for (unsigned i = 0; i < count && why.empty(); ++i) {
    ScreenRect other;
    if (children[i] == a || children[i] == b || !RootRect(display, children[i], &other)) continue;
    if (other.Overlaps(ra) || other.Overlaps(rb)) why = "another window covers one of them";
  }
  if (children) XFree(children);
  return why;
}

class Floor {
 public:
  Floor(Display* display, int x, int y)
      : display_(display),
        image_(display, DefaultVisual(display, DefaultScreen(display)), DefaultDepth(display, DefaultScreen(display)),
               platform::x11::ServerOffersShm(display)),
        pixels_(static_cast<size_t>(kWidth) * kHeight) {
    const int screen = DefaultScreen(display);
    window_ = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, kWidth, kHeight, 0, 0, 0);
    // No window manager may move it back over the presenter's.
    XSetWindowAttributes attributes;
    attributes.override_redirect = True;
    XChangeWindowAttributes(display, window_, CWOverrideRedirect, &attributes);
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
  Window XWindow() const { return window_; }

  // Milliseconds a frame: copy the rows of the rectangle into the image, put it, wait for the
  // server.
  double Round(const RECT& r = RECT{0, 0, kWidth, kHeight}) {
    const int width = r.right - r.left;
    double ms = 0;
    for (int i = 0; i < kFramesPerRound; ++i) {
      ++g_frame;
      for (size_t p = 0; p < pixels_.size(); ++p) pixels_[p] = static_cast<std::uint32_t>(p * 7 + g_frame);
      const double start = bench::Now();
      for (int y = r.top; y < r.bottom; ++y)
        std::memcpy(image_.Row(y) + r.left, pixels_.data() + static_cast<size_t>(y) * kWidth + r.left,
                    static_cast<size_t>(width) * 4);
      image_.Put(window_, gc_, r.left, r.top, width, r.bottom - r.top);
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

// The capture page's live preview: a page window with the renderer's video window in its preview
// rectangle, frames posted at the source's rate by a streaming thread as a capture graph does.
constexpr RECT kPreview{29, 29, 29 + 320, 29 + 240};
constexpr double kPreviewSeconds = 10;
constexpr UINT kPreviewDone = WM_APP + 9;

LRESULT PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kPreviewDone) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// CPU seconds (user + system) of the X server showing DISPLAY, when it is an Xvfb of this machine.
double ServerCpuSeconds() {
  const char* display = std::getenv("DISPLAY");
  if (!display || *display != ':') return -1;
  const std::string name = std::string(display).substr(0, std::string(display).find('.'));
  DIR* proc = opendir("/proc");
  if (!proc) return -1;
  double seconds = -1;
  while (dirent* e = readdir(proc)) {
    if (!std::isdigit(static_cast<unsigned char>(e->d_name[0]))) continue;
    std::ifstream cmd(std::string("/proc/") + e->d_name + "/cmdline");
    std::string all((std::istreambuf_iterator<char>(cmd)), {});
    std::replace(all.begin(), all.end(), '\0', ' ');
    if (all.find("Xvfb") == std::string::npos || (all + " ").find(" " + name + " ") == std::string::npos) continue;
    std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    std::vector<std::string> f;
    while (fields >> field) f.push_back(field);
    if (f.size() > 12) seconds = (std::stod(f[11]) + std::stod(f[12])) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  closedir(proc);
  return seconds;
}

double ProcessSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct PreviewFigures {
  double processPercent = 0;
  double serverPercent = -1;
  double oldestMs = 0;  // the oldest a frame on screen grew before a newer one replaced it
  int shown = 0;
  int sent = 0;
};

// Runs the preview for kPreviewSeconds on this (the window) thread. Each frame carries its number
// in a band at its top, read back off the video window after every present.
PreviewFigures RunPreview(HWND page, int width, int height, double fps) {
  platform::dshow::VideoWindow video;
  video.Move(kPreview.left, kPreview.top, kPreview.right - kPreview.left, kPreview.bottom - kPreview.top);
  video.SetOwner(page);
  // A few pictures made beforehand, so the source itself costs next to nothing.
  std::vector<std::vector<std::uint8_t>> pictures(4,
                                                  std::vector<std::uint8_t>(static_cast<size_t>(width) * height * 4));
  for (size_t k = 0; k < pictures.size(); ++k)
    for (size_t p = 0; p < pictures[k].size(); ++p) pictures[k][p] = static_cast<std::uint8_t>(p * 13 + k * 61);
  constexpr int kBand = 24;
  std::mutex mu;
  std::vector<double> sentAt;
  const double period = 1.0 / fps;
  const double start = bench::Now();
  const double cpuStart = ProcessSeconds();
  const double serverStart = ServerCpuSeconds();
  std::thread source([&] {
    std::vector<std::uint8_t> frame;
    for (int n = 0;; ++n) {
      const double due = start + n * period;
      if (due - start > kPreviewSeconds) break;
      std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
          std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(due))));
      frame = pictures[static_cast<size_t>(n) % pictures.size()];
      // Bottom-up: the band at the top of the picture is the last rows in memory.
      auto* band = reinterpret_cast<std::uint32_t*>(frame.data()) + static_cast<size_t>(height - kBand) * width;
      std::fill_n(band, static_cast<size_t>(kBand) * width, static_cast<std::uint32_t>(0x100000 + n));
      {
        std::lock_guard lock(mu);
        sentAt.push_back(bench::Now());
      }
      video.Present(frame.data(), frame.size(), width, height);
    }
    PostMessage(page, kPreviewDone, 0, 0);
  });
  PreviewFigures figures;
  int onScreen = -1;
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0) > 0) {
    DispatchMessage(&m);
    platform::PresentIfChanged();
    int number = -1;
    platform::GetWindowSurfaceProvider()->UseWindowPixels(video.Handle(), [&](const platform::PixelView& v) {
      if (v.width > 2 && v.height > 2) number = static_cast<int>((v.pixels[v.stride * 2 + 2] & 0xFFFFFF) - 0x100000);
    });
    if (number == onScreen || number < 0) continue;
    const double now = bench::Now();
    std::lock_guard lock(mu);
    if (number >= static_cast<int>(sentAt.size())) continue;
    if (onScreen >= 0)
      figures.oldestMs = std::max(figures.oldestMs, (now - sentAt[static_cast<size_t>(onScreen)]) * 1000);
    onScreen = number;
    ++figures.shown;
  }
  source.join();
  const double wall = bench::Now() - start;
  figures.processPercent = (ProcessSeconds() - cpuStart) / wall * 100;
  const double serverEnd = ServerCpuSeconds();
  if (serverStart >= 0 && serverEnd >= 0) figures.serverPercent = (serverEnd - serverStart) / wall * 100;
  figures.sent = static_cast<int>(sentAt.size());
  video.SetOwner(nullptr);
  return figures;
}

void PrintPreview(const char* name, const PreviewFigures& f, double fps) {
  std::printf("  %-28s process %5.1f %% of a core (goal under 10)", name, f.processPercent);
  if (f.serverPercent >= 0) std::printf(" | X server %5.1f %%", f.serverPercent);
  std::printf(" | %d of %d frames shown, oldest on screen %.1f ms (goal under %.1f)\n", f.shown, f.sent, f.oldestMs,
              2000 / fps);
}

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
  int floorX = 0, floorY = 0;
  if (!FloorPlace(plain, &floorX, &floorY))
    bench::MissingPeer(
        "the screen cannot hold the presenter's and the floor's windows apart; run under "
        "xvfb-run -a -s \"-screen 0 2048x768x24\"");
  bench::Session session("Desktop presenter against the same pixels put by hand", rounds);
  {
    Floor floor(plain, floorX, floorY);
    presenter->Sync();
    const std::string hidden = WhyNotBothVisible(plain, presenter->XWindowOf(hwnd), floor.XWindow());
    if (!hidden.empty()) {
      std::fprintf(stderr, "bench_x11: %s; a hidden window's puts are clipped, so no figure is fair\n", hidden.c_str());
      return 1;
    }
    std::printf("presenter's window at 0,0 and the floor's at %d,%d, both %dx%d and wholly visible\n", floorX, floorY,
                kWidth, kHeight);
    const char* put = floor.UsesShm() ? "XShmPutImage" : "XPutImage (the server offers no MIT-SHM)";
    bench::Figure fig{"full repaint shown", "ms", false, {}, {}, {}};
    bench::Interleave(
        rounds, fig, [&] { return Presented(*presenter, hwnd); }, [&] { return floor.Round(); });
    bench::Section(
        "A fully repainted " + std::to_string(kWidth) + "x" + std::to_string(kHeight) + " window, ms a frame of " +
            std::to_string(kFramesPerRound) +
            " (lower is better; a 60 Hz frame is 16.7 ms); project: the presenter composing what "
            "was painted into its image and sending it",
        std::string("every row copied into the presenter's own image class, put whole with ") + put + ", then XSync",
        "the floor composes nothing; both use one connection each to the same server");
    bench::Print(fig);

    WNDCLASS cc;
    cc.lpfnWndProc = ControlProc;
    cc.lpszClassName = "BenchControl";
    RegisterClass(&cc);
    HWND control =
        CreateWindowEx(0, "BenchControl", "", WS_CHILD | WS_VISIBLE, kControl.left, kControl.top,
                       kControl.right - kControl.left, kControl.bottom - kControl.top, hwnd, nullptr, nullptr, nullptr);
    UpdateWindow(control);
    presenter->ScreenChanged();
    bench::Figure one{"one control repainted", "ms", false, {}, {}, {}};
    bench::Interleave(
        rounds, one, [&] { return Presented(*presenter, control); }, [&] { return floor.Round(kControl); });
    bench::Section(
        "One " + std::to_string(kControl.right - kControl.left) + "x" + std::to_string(kControl.bottom - kControl.top) +
            " control repainted in that window, ms a frame (lower is better)",
        std::string("the control's rows copied into the image, that rectangle put with ") + put + ", then XSync",
        "the floor gathers no windows and composes nothing");
    bench::Print(one);
    DestroyWindow(control);
  }
  DestroyWindow(hwnd);
  presenter->ScreenChanged();

  // The live preview, in the presenting process as a program runs it: the presenter installed,
  // presents made by the window thread's message loop.
  WNDCLASS pc;
  pc.lpfnWndProc = PageProc;
  pc.lpszClassName = "BenchCapturePage";
  RegisterClass(&pc);
  HWND page = CreateWindowEx(0, "BenchCapturePage", "Capture", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
                             nullptr, nullptr, nullptr);
  UpdateWindow(page);
  platform::SetScreenPresenter(presenter.get());
  bench::Section("Live preview of a capture page, " + std::to_string(static_cast<int>(kPreviewSeconds)) +
                     " s each, stretched into " + std::to_string(kPreview.right - kPreview.left) + "x" +
                     std::to_string(kPreview.bottom - kPreview.top) +
                     "; CPU is user+system time of this process over wall time (the X server's beside it); "
                     "a frame's age runs from its hand-over to the renderer until a newer one replaces it on screen",
                 "none: the goals are absolute (under 10 % of a core, no frame older than two frame periods)",
                 "the synthetic source (a picture copy and a stamp a frame) is counted in the process");
  const PreviewFigures pal = RunPreview(page, 720, 576, 25);
  PrintPreview("720x576 at 25 frames/s", pal, 25);
  const PreviewFigures ntsc = RunPreview(page, 720, 480, 30000.0 / 1001);
  PrintPreview("720x480 at 29.97 frames/s", ntsc, 30000.0 / 1001);
  platform::SetScreenPresenter(nullptr);
  DestroyWindow(page);
  presenter->ScreenChanged();
  XCloseDisplay(plain);
  return 0;
}
