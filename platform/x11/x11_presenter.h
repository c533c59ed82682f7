// The presenter that shows each visible top-level window of the suite as an X window and feeds
// what the desktop does to them back into the window system.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/window/window_surface.h"
#include "platform/x11/window_image.h"

namespace platform::x11 {

class X11Presenter : public ScreenPresenter {
 public:
  // Connects to the display named by DISPLAY (or displayName); nullptr when none can be used.
  static std::unique_ptr<X11Presenter> Open(const std::string& programName, const char* displayName = nullptr);
  ~X11Presenter() override;

  void Present(const PixelImage&) override {}
  void ScreenChanged() override;

  // Waits until the server has handled all that was sent to it (a round trip).
  void Sync();
  // The X window showing a top-level window, 0 when it is not shown.
  Window XWindowOf(HWND hwnd);
  Display* XDisplay() const { return display_; }

 private:
  using Action = std::function<void()>;

  // What the window system says about one top-level window at one moment.
  struct TopLevel {
    HWND hwnd = nullptr;
    RECT rect{};
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND owner = nullptr;
    std::string className;
    bool titleKnown = false;
    std::string title;
    HRGN region = nullptr;  // a copy, or null for none
    std::uint64_t layout = 0;
    bool damaged = false;
    RECT damage{};  // painted since last shown, window coordinates
  };
  struct Shown {
    Window xid = 0;
    RECT rect{};
    bool mapped = false;
    bool popup = false;
    std::string title;
    HRGN region = nullptr;
    std::unique_ptr<WindowImage> image;
    bool imageValid = false;
    std::uint64_t layout = 0;
  };
  // A part of a shown window to compose into its image and send.
  struct Update {
    HWND hwnd = nullptr;
    WindowImage* image = nullptr;
    RECT area{};
    bool composed = false;
  };
  struct DragIn {
    Window source = 0;
    Window target = 0;
    bool offersFiles = false;
    POINT screen{};
    unsigned long time = 0;
    int version = 5;
  };

  X11Presenter(Display* display, std::string programName);

  std::vector<TopLevel> GatherTopLevels();
  // Under mu_; the area of the window's image to compose and send, if any.
  std::optional<RECT> Show(TopLevel& top);
  void SendUpdates(const std::vector<Update>& updates);  // under mu_
  Window CreateXWindow(const TopLevel& top, bool popup);
  void SetTitle(Window xid, const std::string& title);
  void SetShape(Shown& shown, HRGN region, int width, int height);
  void Forget(HWND hwnd, Shown& shown);
  void RequestActivation(HWND hwnd);

  void EventLoop();
  void HandleEvent(XEvent& event, std::vector<Action>& actions);
  void HandleKey(XKeyEvent& event, bool down, std::vector<Action>& actions);
  void HandleButton(XButtonEvent& event, HWND hwnd, bool down, std::vector<Action>& actions);
  void HandleClientMessage(XClientMessageEvent& event, HWND hwnd, std::vector<Action>& actions);
  void HandleSelection(XSelectionEvent& event, std::vector<Action>& actions);
  void SendDndStatus(bool accept);
  void SendDndFinished(Window source, Window target, bool accepted);
  void UpdateCursor();
  void ReadMonitors();
  HWND HwndOf(Window xid) const;
  void CloseEverything();

  static int OnXError(Display*, XErrorEvent*);
  static int OnIoError(Display*);
  static void OnIoErrorExit(Display*, void*);

  Display* display_;
  std::string programName_;
  int screen_ = 0;
  Window root_ = 0;
  Visual* visual_ = nullptr;
  int depth_ = 0;
  bool shm_ = false;
  GC gc_ = nullptr;
  XIM im_ = nullptr;
  std::map<Window, XIC> ics_;
  bool haveWm_ = false;

  std::mutex mu_;         // every Xlib call and the maps
  std::mutex presentMu_;  // one present at a time
  std::map<HWND, Shown> shown_;
  std::vector<Window> stacking_;  // top first, as last told to the server
  HWND lastActive_ = nullptr;
  HCURSOR lastCursor_ = nullptr;
  std::map<unsigned short, Cursor> cursors_;
  Window pointerWindow_ = 0;
  DragIn drag_;
  // Double clicks: the last press.
  unsigned int lastButton_ = 0;
  unsigned long lastPressTime_ = 0;
  POINT lastPressAt_{};
  bool lastWasDouble_ = false;

  std::atomic<bool> stop_{false};
  std::atomic<bool> lost_{false};
  std::mutex stopMu_;
  std::condition_variable stopCv_;
  std::thread events_;

  struct Atoms;
  std::unique_ptr<Atoms> atoms_;
};

}  // namespace platform::x11
