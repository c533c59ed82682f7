// Source filters: each output stream has a thread that, while the graph runs, produces samples at
// their due times on the process clock and pushes them downstream. Under a ManualClock a test
// moves time and counts what arrived.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/dshow/base_filter.h"

namespace platform::dshow {

class CSourceStream : public CBaseOutputPin {
 public:
  CSourceStream(CBaseFilter* filter, std::string name) : CBaseOutputPin(filter, std::move(name)) {}
  ~CSourceStream() override;

  // Fills the next sample (data, times); S_FALSE ends the stream with end-of-stream downstream,
  // a failure ends it without (a lost device). A sample left empty is not delivered: the source
  // has nothing for that time (a stopped tape).
  virtual HRESULT FillSample(MediaSample& sample) = 0;
  // Length of the sample FillSample will produce next, in 100-ns units (> 0).
  virtual REFERENCE_TIME SampleDuration() = 0;
  // False for a source that delivers as fast as downstream takes its samples, still stamped at
  // its own rate.
  virtual bool Paced() { return true; }

  void StartStreaming();
  void StopStreaming();  // joins the thread
  bool Streaming() const { return thread_.joinable(); }

 private:
  void ThreadMain(std::uint64_t startMs);
  bool WaitUntilMs(std::uint64_t dueMs);
  bool Stopping();

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
};

// A filter whose output pins are CSourceStreams; they stream only while running (live sources
// deliver nothing in pause).
class CSourceFilter : public CBaseFilter {
 public:
  using CBaseFilter::CBaseFilter;
  bool IsSource() const override { return true; }

 protected:
  void OnRun(REFERENCE_TIME) override;
  void OnPause() override { StopStreams(); }
  void OnStop() override { StopStreams(); }
  void StopStreams();
};

}  // namespace platform::dshow
