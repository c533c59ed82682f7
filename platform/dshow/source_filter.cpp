#include "platform/dshow/source_filter.h"

#include <chrono>

#include "platform/base/clock.h"

namespace platform::dshow {

CSourceStream::~CSourceStream() { StopStreaming(); }

void CSourceStream::StartStreaming() {
  if (thread_.joinable() || !IsConnected()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = false;
  }
  const std::uint64_t startMs = platform::CurrentClock().NowMs();
  thread_ = std::thread([this, startMs] { ThreadMain(startMs); });
}

void CSourceStream::StopStreaming() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool CSourceStream::WaitUntilMs(std::uint64_t dueMs) {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stop_) return false;
    }
    platform::Clock& clock = platform::CurrentClock();
    if (auto* manual = dynamic_cast<platform::ManualClock*>(&clock)) {
      // Test time: wait for the test to move the clock, checking for a stop now and then.
      if (manual->WaitUntil(dueMs, 20)) return true;
      continue;
    }
    const std::uint64_t now = clock.NowMs();
    if (now >= dueMs) return true;
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(dueMs - now), [this] { return stop_; });
  }
}

bool CSourceStream::Stopping() {
  std::lock_guard lock(mutex_);
  return stop_;
}

void CSourceStream::ThreadMain(std::uint64_t startMs) {
  REFERENCE_TIME streamTime = 0;
  long long index = 0;
  for (;;) {
    if (!Paced()) {
      if (Stopping()) return;
    } else if (!WaitUntilMs(startMs + static_cast<std::uint64_t>(streamTime / 10000))) {
      return;
    }
    MediaSample sample;
    const REFERENCE_TIME duration = SampleDuration();
    sample.start = streamTime;
    sample.stop = streamTime + duration;
    sample.index = index++;
    const HRESULT hr = FillSample(sample);
    if (hr == S_FALSE) {
      DeliverEndOfStream();
      return;
    }
    if (FAILED(hr)) return;  // the device went away: no end of stream, the graph hears of it

    if (!sample.data.empty()) Deliver(sample);
    streamTime += duration > 0 ? duration : 1;
  }
}

void CSourceFilter::OnRun(REFERENCE_TIME) {
  for (CBasePin* pin : Pins())
    if (auto* stream = dynamic_cast<CSourceStream*>(pin)) stream->StartStreaming();
}

void CSourceFilter::StopStreams() {
  for (CBasePin* pin : Pins())
    if (auto* stream = dynamic_cast<CSourceStream*>(pin)) stream->StopStreaming();
}

}  // namespace platform::dshow
