// Records 2 s from this machine's "default" capture device through its audio capture filter:
// skipped where the machine has none.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/com/com_ptr.h"
#include "platform/dshow/alsa_capture_filter.h"
#include "platform/dshow/alsa_inputs.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/transform_filter.h"

using namespace platform::dshow;

namespace {

// Counts the bytes of sound that arrive.
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

}  // namespace

TEST(AlsaHardware, TheDefaultCaptureDeviceOfThisMachineRecordsTwoSeconds) {
  const auto inputs = alsa::CaptureInputs();
  if (inputs.empty() || inputs.front().pcm != "default") GTEST_SKIP() << "no default capture device on this machine";
  CComPtr<IBaseFilter> capture;
  ASSERT_EQ(alsa::CreateCaptureFilter(inputs.front(), IID_IBaseFilter, reinterpret_cast<void**>(&capture)), S_OK);
  CComPtr<IGraphBuilder> graph;
  ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph), S_OK);
  ASSERT_EQ(graph->AddFilter(capture, "Audio Capture Device"), S_OK);
  auto* counter = new ByteCounter();
  CComPtr<IBaseFilter> sink;
  sink.Attach(counter);
  ASSERT_EQ(graph->AddFilter(sink, "Counter"), S_OK);
  ASSERT_EQ(graph->ConnectDirect(AsBaseFilter(capture)->PinByName("Capture"), counter->Pins()[0], nullptr), S_OK);
  CComPtr<IMediaControl> control;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Run())) << inputs.front().name;
  // The first type the pin offers: 48 kHz, 16-bit stereo.
  EXPECT_TRUE(counter->WaitFor(2 * 48000 * 4, 20)) << inputs.front().name;
  control->Stop();
}
