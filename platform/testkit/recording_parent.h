// A parent window that records what its controls tell it (commands, notifications, scrolls,
// owner drawing) and answers the way a test sets up.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/controls/commctrl.h"
#include "platform/gdi/afx_gdi.h"

namespace testkit {

struct Event {
  UINT msg = 0;
  int id = 0;
  UINT code = 0;   // notification or scroll code
  int pos = 0;     // scroll position, or the item of a list view notification
  UINT state = 0;  // owner-draw state, or new item state
  std::string text;
};

class RecordingParent {
 public:
  // A visible popup of class "ControlTestParent" at `screen`.
  explicit RecordingParent(RECT screen = {100, 100, 700, 500}, const char* title = "Controls");
  ~RecordingParent();
  RecordingParent(const RecordingParent&) = delete;
  RecordingParent& operator=(const RecordingParent&) = delete;

  HWND hwnd() const { return hwnd_; }
  // A visible child control of the parent.
  HWND Make(const char* cls, const char* text, DWORD style, RECT r, int id, DWORD exStyle = 0);

  std::vector<Event> Of(UINT msg) const;
  std::vector<UINT> Codes(UINT msg) const;
  void Clear() { events.clear(); }

  std::vector<Event> events;
  // Custom-draw questions come with every paint; they are answered but kept only when asked.
  bool recordCustomDraw = false;
  // Answers to WM_NOTIFY, by code; 0 when unset.
  std::function<LRESULT(NMHDR*)> onNotify;
  // The brush answered to WM_CTLCOLORSTATIC and WM_CTLCOLORBTN; none (the default colours) when
  // unset or when it gives nullptr.
  std::function<HBRUSH()> ctlColor;
  // Owner-drawn items are filled black unless this draws them.
  std::function<void(DRAWITEMSTRUCT*)> onDrawItem;

 private:
  friend LRESULT RecordingParentProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

}  // namespace testkit
