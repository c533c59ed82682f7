// A parent window that records what its controls tell it, input helpers and a manual clock.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/controls/commctrl.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/window/input.h"
#include "platform/window/window_surface.h"

namespace ctltest {

struct Event {
  UINT msg = 0;
  int id = 0;
  UINT code = 0;   // notification or scroll code
  int pos = 0;     // scroll position, or the item of a list view notification
  UINT state = 0;  // owner-draw state, or new item state
  std::string text;
};

class ControlTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  HWND Make(const char* cls, const char* text, DWORD style, RECT r, int id, DWORD exStyle = 0);
  void Pump();
  void Click(HWND hwnd, int x, int y);
  void Down(HWND hwnd, int x, int y);
  void Move(HWND hwnd, int x, int y);
  void Up(HWND hwnd, int x, int y);
  void Advance(int ms);
  // The composed pixel of a window (client coordinates) after painting everything due.
  COLORREF Pixel(HWND hwnd, int x, int y);
  std::vector<Event> Of(UINT msg) const;
  std::vector<UINT> Codes(UINT msg) const;
  void Clear() { events_.clear(); }

  HWND parent_ = nullptr;
  platform::ManualClock clock_{1000};
  std::unique_ptr<platform::ScopedClock> scoped_;
  static ControlTest* current_;
  std::vector<Event> events_;
  // Answers the parent gives to WM_NOTIFY, by code.
  std::function<LRESULT(NMHDR*)> onNotify_;
  HBRUSH ctlColorBrush_ = nullptr;
};

}  // namespace ctltest
