// The pixels of one X window on the client side, put to the server rectangle by rectangle:
// through shared memory when the server offers MIT-SHM, else with XPutImage.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>

namespace platform::x11 {

class WindowImage {
 public:
  WindowImage(Display* display, Visual* visual, int depth, bool useShm);
  ~WindowImage();
  WindowImage(const WindowImage&) = delete;
  WindowImage& operator=(const WindowImage&) = delete;

  // Makes room for width x height pixels (contents undefined after a change); false when the
  // image cannot be made.
  bool Resize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool UsesShm() const { return shm_; }
  // 0x00RRGGBB rows of Stride() pixels.
  std::uint32_t* Row(int y);
  int Stride() const;
  // Sends a rectangle of the image to the same place of the window. With shared memory the server
  // reads the pixels later and says so with a completion event.
  void Put(Drawable target, GC gc, int x, int y, int width, int height);
  // True while the server may still read the shared pixels of the last Put: nothing it answered
  // since (a reply, an event) came after that request.
  bool ServerMayRead() const;

 private:
  void Release();

  Display* display_;
  Visual* visual_;
  int depth_;
  bool wantShm_;
  bool shm_ = false;
  XImage* image_ = nullptr;
  XShmSegmentInfo segment_{};
  unsigned long lastPut_ = 0;  // request serial
  int width_ = 0;
  int height_ = 0;
};

// True when the server's default visual takes 0x00RRGGBB pixels in 32-bit words as they are.
bool VisualTakesPixelsAsTheyAre(Display* display);
// True when MIT-SHM can be used with this server (a local one).
bool ServerOffersShm(Display* display);

}  // namespace platform::x11
