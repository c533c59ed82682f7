// The window a video renderer paints into: a child of the owner the graph's user gives it,
// showing the latest picture stretched to the window. Frames arrive on a streaming thread; the
// window repaints on its own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/window/window.h"

namespace platform::dshow {

class VideoWindow {
 public:
  VideoWindow() = default;
  ~VideoWindow();
  VideoWindow(const VideoWindow&) = delete;
  VideoWindow& operator=(const VideoWindow&) = delete;

  // A child window of owner (none: the window goes).
  void SetOwner(HWND owner);
  void Move(long left, long top, long width, long height);
  void Show(bool visible);
  // A bottom-up 32-bit picture; the window repaints when its thread next takes messages.
  void Present(const std::uint8_t* pixels, std::size_t size, int width, int height);
  HWND Handle() const { return hwnd_; }
  // The latest picture as it is shown (bottom-up, 32-bit) and its size.
  std::vector<std::uint8_t> Picture(int* width, int* height);

 private:
 public:
  // The window procedure of every video window.
  static LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void Paint();

  HWND hwnd_ = nullptr;
  std::mutex mutex_;
  std::vector<std::uint8_t> frame_;
  int width_ = 0, height_ = 0;
  RECT position_{0, 0, 0, 0};
  bool visible_ = true;
  std::atomic<bool> framePending_{false};
};

}  // namespace platform::dshow
