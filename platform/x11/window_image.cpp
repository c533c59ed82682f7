#include "platform/x11/window_image.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <atomic>
#include <cstdlib>

namespace platform::x11 {
namespace {

std::atomic<bool> g_attachFailed{false};

int NoteAttachError(Display*, XErrorEvent*) {
  g_attachFailed = true;
  return 0;
}

}  // namespace

bool VisualTakesPixelsAsTheyAre(Display* display) {
  const int screen = DefaultScreen(display);
  Visual* v = DefaultVisual(display, screen);
  const int depth = DefaultDepth(display, screen);
  if (depth != 24 && depth != 32) return false;
  if (v->red_mask != 0xFF0000 || v->green_mask != 0xFF00 || v->blue_mask != 0xFF) return false;
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  bool ok = false;
  for (int i = 0; i < count; ++i)
    if (formats[i].depth == depth) ok = formats[i].bits_per_pixel == 32;
  if (formats) XFree(formats);
  return ok && ImageByteOrder(display) == LSBFirst;
}

bool ServerOffersShm(Display* display) {
  const char* off = std::getenv("VIDARRO_X11_NO_SHM");
  if (off && *off == '1') return false;
  return XShmQueryExtension(display) == True;
}

WindowImage::WindowImage(Display* display, Visual* visual, int depth, bool useShm)
    : display_(display), visual_(visual), depth_(depth), wantShm_(useShm) {}

WindowImage::~WindowImage() { Release(); }

void WindowImage::Release() {
  if (!image_) return;
  if (shm_) {
    XShmDetach(display_, &segment_);
    XSync(display_, False);
    shmdt(segment_.shmaddr);
    image_->data = nullptr;
  }
  XDestroyImage(image_);
  image_ = nullptr;
  shm_ = false;
  width_ = height_ = 0;
}

bool WindowImage::Resize(int width, int height) {
  if (width == width_ && height == height_ && image_) return true;
  Release();
  if (width <= 0 || height <= 0) return false;
  if (wantShm_) {
    image_ = XShmCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr, &segment_,
                             static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image_) {
      segment_.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image_->bytes_per_line) * height, IPC_CREAT | 0600);
      void* addr = segment_.shmid >= 0 ? shmat(segment_.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
      if (addr != reinterpret_cast<void*>(-1)) {
        segment_.shmaddr = image_->data = static_cast<char*>(addr);
        segment_.readOnly = False;
        g_attachFailed = false;
        XSync(display_, False);
        auto* previous = XSetErrorHandler(NoteAttachError);
        XShmAttach(display_, &segment_);
        XSync(display_, False);
        XSetErrorHandler(previous);
        shmctl(segment_.shmid, IPC_RMID, nullptr);  // goes away with the last user
        if (!g_attachFailed) {
          shm_ = true;
          width_ = width;
          height_ = height;
          return true;
        }
        shmdt(addr);
      } else if (segment_.shmid >= 0) {
        shmctl(segment_.shmid, IPC_RMID, nullptr);
      }
      image_->data = nullptr;
      XDestroyImage(image_);
      image_ = nullptr;
      wantShm_ = false;  // a remote server: plain images from now on
    }
  }
  const size_t bytes = static_cast<size_t>(width) * height * 4;
  char* data = static_cast<char*>(std::malloc(bytes));
  if (!data) return false;
  image_ = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, data,
                        static_cast<unsigned>(width), static_cast<unsigned>(height), 32, width * 4);
  if (!image_) {
    std::free(data);
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}

std::uint32_t* WindowImage::Row(int y) {
  return reinterpret_cast<std::uint32_t*>(image_->data + static_cast<size_t>(y) * image_->bytes_per_line);
}

bool WindowImage::ServerMayRead() const { return shm_ && XLastKnownRequestProcessed(display_) < lastPut_; }

int WindowImage::Stride() const { return image_ ? image_->bytes_per_line / 4 : 0; }

void WindowImage::Put(Drawable target, GC gc, int x, int y, int width, int height) {
  if (!image_ || width <= 0 || height <= 0) return;
  if (shm_) {
    lastPut_ = NextRequest(display_);
    XShmPutImage(display_, target, gc, image_, x, y, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
                 True);
  } else {
    XPutImage(display_, target, gc, image_, x, y, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
  }
}

}  // namespace platform::x11
