// Records from a real V4L2 node of this machine (v4l2loopback, vivid, a real device), through
// the kernel: skipped where the machine has none.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/com/com_ptr.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/v4l2_capture_filter.h"
#include "platform/dshow/v4l2_devices.h"

using namespace platform::dshow;

namespace {

class Counter : public CRendererFilter {
 public:
  Counter() : CRendererFilter(GUID_NULL, "Counter", {}, "In") {}
  bool WaitFor(int n, int seconds) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(seconds), [&] { return count_ >= n; });
  }

 protected:
  void Render(const MediaSample& s) override {
    std::lock_guard lock(mutex_);
    if (!s.data.empty()) ++count_;
    arrived_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  int count_ = 0;
};

}  // namespace

TEST(V4l2Hardware, ACaptureNodeOfThisMachineDeliversFrames) {
  const auto nodes = v4l2::CaptureNodes();
  if (nodes.empty()) GTEST_SKIP() << "no V4L2 capture node on this machine";
  const v4l2::Node& node = nodes.front();
  CComPtr<IBaseFilter> capture;
  ASSERT_EQ(v4l2::CreateCaptureFilter(node, IID_IBaseFilter, reinterpret_cast<void**>(&capture)), S_OK) << node.file;
  CComPtr<IGraphBuilder> graph;
  ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph), S_OK);
  ASSERT_EQ(graph->AddFilter(capture, "Video Capture"), S_OK);
  auto* counter = new Counter();
  CComPtr<IBaseFilter> sink;
  sink.Attach(counter);
  ASSERT_EQ(graph->AddFilter(sink, "Counter"), S_OK);
  ASSERT_EQ(graph->ConnectDirect(AsBaseFilter(capture)->PinByName("Capture"), counter->Pins()[0], nullptr), S_OK);
  CComPtr<IMediaControl> control;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Run())) << node.name << " " << node.file;
  EXPECT_TRUE(counter->WaitFor(10, 20)) << node.name << " " << node.file;
  control->Stop();
}
