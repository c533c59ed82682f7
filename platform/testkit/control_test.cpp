#include "platform/testkit/control_test.h"

#include "platform/window/input.h"

namespace testkit {

void ControlTest::SetUp() {
  environment_ = std::make_unique<Environment>(CurrentTestName());
  time_ = std::make_unique<ManualTime>(1000);
  InitCommonControls();
  recorder_ = std::make_unique<RecordingParent>(RECT{100, 100, 700, 500});
  ASSERT_NE(nullptr, recorder_->hwnd());
  parent_ = recorder_->hwnd();
  recorder_->onNotify = [this](NMHDR* h) { return onNotify_ ? onNotify_(h) : 0; };
  recorder_->ctlColor = [this] { return ctlColorBrush_; };
}

void ControlTest::TearDown() {
  recorder_.reset();
  parent_ = nullptr;
  platform::ResetInputState();
  if (ctlColorBrush_) DeleteObject(ctlColorBrush_);
  ctlColorBrush_ = nullptr;
  time_.reset();
  environment_.reset();
}

}  // namespace testkit
