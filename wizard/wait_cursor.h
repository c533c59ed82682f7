// The wait cursor for the length of a scope.
#pragma once

#include "platform/window/focus.h"

namespace wizard {

class WaitCursor {
 public:
  WaitCursor() : previous_(::SetCursor(::LoadCursor(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { ::SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace wizard
