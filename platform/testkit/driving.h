// Driving windows the way a user does: pumping the queue, injected mouse and keys at controls
// by id, the manual clock, and reading back what the controls show.
#pragma once

#include <functional>
#include <vector>
#include <memory>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/win_types.h"

namespace testkit {

// Dispatches everything queued for this thread, timers that are due included, until a round
// finds nothing (at most `maxRounds` rounds); returns how many messages ran.
int Pump(int maxRounds = 5);
// Pumps until `done` holds, at most `maxRounds` rounds; returns whether it held.
bool PumpUntil(const std::function<bool()>& done, int maxRounds = 100);

// Mouse at client coordinates of a window; each pumps after.
void Click(HWND hwnd, int x, int y);
void DoubleClick(HWND hwnd, int x, int y);
void RightClick(HWND hwnd, int x, int y);
void Down(HWND hwnd, int x, int y);
void Move(HWND hwnd, int x, int y);
void Up(HWND hwnd, int x, int y);
// Clicks the middle of a control of `parent`; false when there is no such control.
bool ClickControl(HWND parent, int id);
// A button click by id: the real mouse on it; false when it is missing, hidden or disabled.
bool ClickButton(HWND parent, int id);
// Gives the control the focus, selects its text and types `text` as characters.
bool TypeInto(HWND parent, int id, const std::string& text);
// Key presses and characters to whatever has the focus; each pumps after.
void PressKey(int vk);
void TypeChars(const std::string& text);

// What a control shows and how it stands.
std::string ControlText(HWND parent, int id);
std::string WindowText(HWND hwnd);
bool ControlEnabled(HWND parent, int id);
bool ControlVisible(HWND parent, int id);
// BST_CHECKED and friends of a button.
UINT ButtonState(HWND parent, int id);

// The composed pixel of a window at client coordinates after painting everything due;
// CLR_INVALID outside it or without pixels.
COLORREF Pixel(HWND hwnd, int x, int y);
// The same for every pixel of an area of client coordinates, row by row, composed once.
std::vector<COLORREF> Pixels(HWND hwnd, const RECT& area);

// Stretches of columns of a window's area that hold ink (pixels far from `background`), split
// where at least `gap` blank columns stand: the words and free-standing glyphs of a drawn text.
struct InkRun {
  int left, right, top, bottom;
};
std::vector<InkRun> InkRuns(HWND hwnd, const RECT& area, COLORREF background, int gap = 2);

// A manual clock installed for its lifetime; Advance moves it and pumps so due timers fire.
class ManualTime {
 public:
  explicit ManualTime(std::uint64_t startMs = 1000);
  ~ManualTime();
  ManualTime(const ManualTime&) = delete;
  ManualTime& operator=(const ManualTime&) = delete;

  void Advance(int ms);
  platform::ManualClock& Clock() { return clock_; }

 private:
  platform::ManualClock clock_;
  std::unique_ptr<platform::ScopedClock> scoped_;
};

}  // namespace testkit
