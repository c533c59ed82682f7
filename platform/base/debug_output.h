// The debugger channel. Linux has none: when VIDARRO_DEBUG_OUTPUT names a file the text is
// appended to it ("-" means stderr); otherwise it goes nowhere, as on Windows with no debugger.
#pragma once

#include <string>

void OutputDebugString(const char* text);

namespace platform {

// printf formatting, then OutputDebugString.
void OutputDebugFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// While it lives, everything given to the channel (from any thread) is kept here instead of
// going to the file; the newest capture takes it when captures nest.
class DebugOutputCapture {
 public:
  DebugOutputCapture();
  ~DebugOutputCapture();
  DebugOutputCapture(const DebugOutputCapture&) = delete;
  DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

  std::string Text() const;
  void Clear();

 private:
  friend void ::OutputDebugString(const char* text);
  DebugOutputCapture* previous_ = nullptr;
  std::string text_;
};

}  // namespace platform
