#include "platform/dshow/video_window.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/bitmap.h"
#include "platform/window/messages.h"
#include "platform/window/paint.h"
#include "platform/window/window_styles.h"

namespace platform::dshow {
namespace {

constexpr const char* kClassName = "VideoRendererWindow";
constexpr UINT kFrameArrived = WM_APP + 1;

const char* WindowClass() {
  static const bool registered = [] {
    WNDCLASS wc;
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = kClassName;
    wc.lpfnWndProc = VideoWindow::Proc;
    return RegisterClass(&wc) != 0;
  }();
  (void)registered;
  return kClassName;
}

}  // namespace

VideoWindow::~VideoWindow() { SetOwner(nullptr); }

void VideoWindow::SetOwner(HWND owner) {
  if (hwnd_) {
    SetWindowLongPtr(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  framePending_ = false;  // a notice to the window gone is never handled
  if (!owner) return;
  const long width = std::max<long>(position_.right - position_.left, 1);
  const long height = std::max<long>(position_.bottom - position_.top, 1);
  hwnd_ = CreateWindowEx(0, WindowClass(), "ActiveMovie Window", WS_CHILD | (visible_ ? WS_VISIBLE : 0), position_.left,
                         position_.top, width, height, owner, nullptr, nullptr, nullptr);
  if (hwnd_) SetWindowLongPtr(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void VideoWindow::Move(long left, long top, long width, long height) {
  position_ = {static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + width),
               static_cast<LONG>(top + height)};
  if (hwnd_) MoveWindow(hwnd_, left, top, width, height, TRUE);
}

void VideoWindow::Show(bool visible) {
  visible_ = visible;
  if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

void VideoWindow::Present(const std::uint8_t* pixels, std::size_t size, int width, int height) {
  if (width <= 0 || height <= 0 || size < static_cast<std::size_t>(width) * height * 4) return;
  HWND target;
  {
    std::lock_guard lock(mutex_);
    frame_.assign(pixels, pixels + static_cast<std::size_t>(width) * height * 4);
    width_ = width;
    height_ = height;
    target = hwnd_;
  }
  // Posting keeps the window's state on its own thread; one notice at a time, or a source faster
  // than the window paints keeps the thread's queue full and its timers never fire.
  if (target && !framePending_.exchange(true) && !PostMessage(target, kFrameArrived, 0, 0)) framePending_ = false;
}

std::vector<std::uint8_t> VideoWindow::Picture(int* width, int* height) {
  std::lock_guard lock(mutex_);
  if (width) *width = width_;
  if (height) *height = height_;
  return frame_;
}

void VideoWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT client{};
  GetClientRect(hwnd_, &client);
  {
    std::lock_guard lock(mutex_);
    if (dc && !frame_.empty()) {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = width_;
      info.bmiHeader.biHeight = height_;  // bottom-up, as the renderer receives it
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      StretchDIBits(dc, 0, 0, client.right - client.left, client.bottom - client.top, 0, 0, width_, height_,
                    frame_.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    }
  }
  EndPaint(hwnd_, &ps);
}

LRESULT VideoWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<VideoWindow*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (self && msg == kFrameArrived) {
    // Painted now: frames that come meanwhile wait for the next notice, and the timers of the
    // thread get their turn in between.
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    self->framePending_ = false;
    return 0;
  }
  if (self && msg == WM_PAINT) {
    self->Paint();
    return 0;
  }
  if (msg == WM_LBUTTONDBLCLK) {
    // The picture covers its owner, so the owner hears the double click as its own. Posted: the
    // owner may hand the picture to another window, and this one goes with it.
    if (HWND owner = GetParent(hwnd)) {
      POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      MapWindowPoints(hwnd, owner, &at, 1);
      PostMessage(owner, msg, wParam, MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
    }
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace platform::dshow
