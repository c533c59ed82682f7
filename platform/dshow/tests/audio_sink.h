// A renderer that counts the bytes of sound reaching it, and a graph of one capture filter
// feeding it, for the tests of the machine's sound inputs.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/com/com_ptr.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/transform_filter.h"

namespace platform::dshow::testing {

class ByteCounter : public CRendererFilter {
 public:
  ByteCounter() : CRendererFilter(GUID_NULL, "Counter", {}, "In") {}
  bool WaitFor(std::size_t bytes, int seconds) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(seconds), [&] { return bytes_ >= bytes; });
  }

 protected:
  void Render(const MediaSample& s) override {
    std::lock_guard lock(mutex_);
    bytes_ += s.data.size();
    arrived_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::size_t bytes_ = 0;
};

// The capture filter's "Capture" pin into a ByteCounter; `counter` stays the graph's.
struct CountingGraph {
  CComPtr<IGraphBuilder> graph;
  CComPtr<IMediaControl> control;
  CComPtr<IMediaEvent> events;
  ByteCounter* counter = nullptr;

  bool Build(IBaseFilter* capture) {
    if (graph.CoCreateInstance(CLSID_FilterGraph) != S_OK || graph->AddFilter(capture, "Audio Capture Device") != S_OK)
      return false;
    counter = new ByteCounter();
    CComPtr<IBaseFilter> sink;
    sink.Attach(counter);
    return graph->AddFilter(sink, "Counter") == S_OK &&
           graph->ConnectDirect(AsBaseFilter(capture)->PinByName("Capture"), counter->Pins()[0], nullptr) == S_OK &&
           graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)) == S_OK &&
           graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events)) == S_OK;
  }
};

}  // namespace platform::dshow::testing
