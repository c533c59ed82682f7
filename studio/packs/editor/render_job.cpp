#include "render_job.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "platform/base/process.h"
#include "platform/window/messages.h"

namespace studio::packs {
namespace {

// How often the worker looks for a cancel while ffmpeg says nothing.
constexpr DWORD kReadSliceMs = 100;
// The longest the window and the side program go without hearing of the render: ffmpeg says
// nothing while it opens its inputs, which takes seconds for a long storyboard.
constexpr auto kLongestSilence = std::chrono::milliseconds(900);

std::string LastLine(const std::string& text) {
  const size_t end = text.find_last_not_of("\r\n ");
  if (end == std::string::npos) return {};
  const size_t newline = text.find_last_of('\n', end);
  const size_t start = newline == std::string::npos ? 0 : newline + 1;
  return text.substr(start, end + 1 - start);
}

}  // namespace

RenderJob::RenderJob(HWND window, UINT progress, UINT ended)
    : window_(window), progressMessage_(progress), endedMessage_(ended) {}

RenderJob::~RenderJob() { Cancel(); }

bool RenderJob::Start(const std::vector<std::string>& args, double totalSeconds) {
  if (started_) return false;
  totalSeconds_ = totalSeconds;
  // Started here, so a program that cannot run is told at once; watched from then on by the worker.
  auto ffmpeg = std::make_shared<platform::ChildProcess>();
  if (!ffmpeg->Start("ffmpeg", args)) return false;
  started_ = true;
  worker_ = std::thread([this, ffmpeg] {
    std::string output, errors;
    auto told = std::chrono::steady_clock::now();
    while (!stop_.load()) {
      std::string err;
      const bool more = ffmpeg->ReadOutput(&output, &err, kReadSliceMs);
      if (!err.empty()) {
        std::lock_guard lock(mutex_);
        errors_ += err;
        // Only the last words say why it failed.
        if (errors_.size() > 8192) errors_.erase(0, errors_.size() - 4096);
      }
      // Each block of "-progress" ends with "progress=continue" (or "=end"); its out_time_us is how far it got.
      for (size_t block = output.find("progress="); block != std::string::npos; block = output.find("progress=")) {
        const size_t at = output.rfind("out_time_us=", block);
        if (at != std::string::npos && totalSeconds_ > 0) {
          const double us = std::atof(output.c_str() + at + 12);
          percent_.store(std::clamp(static_cast<int>(us / 1e4 / totalSeconds_), 0, 99));
        }
        const size_t end = output.find('\n', block);
        output.erase(0, end == std::string::npos ? output.size() : end + 1);
        ::PostMessage(window_, progressMessage_, 0, 0);
        told = std::chrono::steady_clock::now();
      }
      if (std::chrono::steady_clock::now() - told >= kLongestSilence) {
        ::PostMessage(window_, progressMessage_, 0, 0);
        told = std::chrono::steady_clock::now();
      }
      if (!more) break;
    }
    if (stop_.load()) {
      ffmpeg->Kill();
      ffmpeg->Wait(5000);
    } else {
      ffmpeg->Wait(0xFFFFFFFF);
      succeeded_ = ffmpeg->ExitCode() == 0;
    }
    ended_.store(true);
    if (!stop_.load()) ::PostMessage(window_, endedMessage_, 0, 0);
  });
  return true;
}

std::string RenderJob::Reason() const {
  std::lock_guard lock(mutex_);
  return LastLine(errors_);
}

void RenderJob::Cancel() {
  stop_.store(true);
  if (worker_.joinable()) worker_.join();
}

}  // namespace studio::packs
