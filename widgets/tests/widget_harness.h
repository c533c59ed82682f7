// A class-library parent window that records what the skin controls tell it, with the UI
// resource library loaded, input helpers, pixel probes and a manual clock.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/controls/afx_controls.h"
#include "platform/window/input.h"
#include "resources/skin_ids.h"

namespace widgettest {

struct Event {
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  int id = 0;
  UINT code = 0;
  int pos = 0;
};

class RecordingParent : public CWnd {
 public:
  std::vector<Event> events;
  COLORREF background = CLR_INVALID;  // the skin it paints behind its controls; none: the class's
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

class WidgetTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  HWND Make(const char* cls, const char* text, DWORD style, RECT r, int id, DWORD exStyle = 0);
  void Pump();
  // Paints everything due, children included.
  void Settle();
  void Click(HWND hwnd, int x, int y);
  void Down(HWND hwnd, int x, int y);
  void Move(HWND hwnd, int x, int y);
  void Up(HWND hwnd, int x, int y);
  void Key(HWND hwnd, int vk);
  void Advance(int ms);
  // The composed pixel of a window (client coordinates) after painting everything due.
  COLORREF Pixel(HWND hwnd, int x, int y);
  // The colour of the painted skin strip at (x, y).
  COLORREF StripPixel(UINT id, int x, int y);
  std::vector<Event> Of(UINT msg) const;
  void Clear() { parent_.events.clear(); }
  // Writes the parent's picture under the build folder for people to look at.
  void WritePicture(const std::string& name);

  RecordingParent parent_;
  HMODULE ui_ = nullptr;
  platform::ManualClock clock_{1000};
  std::unique_ptr<platform::ScopedClock> scoped_;
};

}  // namespace widgettest
