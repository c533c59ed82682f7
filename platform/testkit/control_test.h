// The fixture of control tests: a fresh environment, a manual clock and a recording parent,
// with the driving helpers as members so a test reads as a user's steps.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/testkit/driving.h"
#include "platform/testkit/environment.h"
#include "platform/testkit/recording_parent.h"
#include "platform/window/input.h"
#include "platform/window/window_surface.h"

namespace testkit {

class ControlTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  HWND Make(const char* cls, const char* text, DWORD style, RECT r, int id, DWORD exStyle = 0) {
    return recorder_->Make(cls, text, style, r, id, exStyle);
  }
  void Pump() { testkit::Pump(); }
  void Click(HWND hwnd, int x, int y) { testkit::Click(hwnd, x, y); }
  void Down(HWND hwnd, int x, int y) { testkit::Down(hwnd, x, y); }
  void Move(HWND hwnd, int x, int y) { testkit::Move(hwnd, x, y); }
  void Up(HWND hwnd, int x, int y) { testkit::Up(hwnd, x, y); }
  void Advance(int ms) { time_->Advance(ms); }
  COLORREF Pixel(HWND hwnd, int x, int y) { return testkit::Pixel(hwnd, x, y); }
  std::vector<Event> Of(UINT msg) const { return recorder_->Of(msg); }
  std::vector<UINT> Codes(UINT msg) const { return recorder_->Codes(msg); }
  void Clear() { recorder_->Clear(); }
  RecordingParent& recorder() { return *recorder_; }

  HWND parent_ = nullptr;
  // Answers the parent gives to WM_NOTIFY, by code.
  std::function<LRESULT(NMHDR*)> onNotify_;
  // Answer to WM_CTLCOLORSTATIC/BTN when set; deleted at the end of the test.
  HBRUSH ctlColorBrush_ = nullptr;

 private:
  std::unique_ptr<Environment> environment_;
  std::unique_ptr<ManualTime> time_;
  std::unique_ptr<RecordingParent> recorder_;
};

}  // namespace testkit
