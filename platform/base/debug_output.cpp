#include "platform/base/debug_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/base/strings.h"

namespace {

// One lock for the capture chain and the file, so lines from different threads stay whole.
std::mutex& ChannelLock() {
  static std::mutex lock;
  return lock;
}

platform::DebugOutputCapture* g_capture = nullptr;

void AppendToFile(const char* path, const char* text) {
  if (std::strcmp(path, "-") == 0) {
    std::fputs(text, stderr);
    std::fflush(stderr);
    return;
  }
  if (std::FILE* file = std::fopen(path, "ab")) {
    std::fputs(text, file);
    std::fclose(file);
  }
}

}  // namespace

void OutputDebugString(const char* text) {
  if (!text) return;
  std::lock_guard lock(ChannelLock());
  if (g_capture) {
    g_capture->text_ += text;
    return;
  }
  const char* path = std::getenv("VIDARRO_DEBUG_OUTPUT");
  if (path && *path) AppendToFile(path, text);
}

namespace platform {

void OutputDebugFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = FormatV(format, args);
  va_end(args);
  OutputDebugString(text.c_str());
}

DebugOutputCapture::DebugOutputCapture() {
  std::lock_guard lock(ChannelLock());
  previous_ = g_capture;
  g_capture = this;
}

DebugOutputCapture::~DebugOutputCapture() {
  std::lock_guard lock(ChannelLock());
  // Captures end in reverse order of their start; one ended out of order is unlinked where it is.
  for (DebugOutputCapture** at = &g_capture; *at; at = &(*at)->previous_) {
    if (*at == this) {
      *at = previous_;
      break;
    }
  }
}

std::string DebugOutputCapture::Text() const {
  std::lock_guard lock(ChannelLock());
  return text_;
}

void DebugOutputCapture::Clear() {
  std::lock_guard lock(ChannelLock());
  text_.clear();
}

}  // namespace platform
