// The simulated box running free: as fast as its graph takes the pictures, and its sound (on the
// box's own sound interface) no faster than them, as one device with one clock would deliver.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <utility>
#include <thread>

#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/transform_filter.h"

using namespace platform::dshow;

namespace {

// Takes each sample `costMs` long and keeps where the latest one ends.
class TimingSink : public CRendererFilter {
 public:
  explicit TimingSink(int costMs) : CRendererFilter(GUID_NULL, "Timing", {}), costMs_(costMs) {}
  REFERENCE_TIME Reached() const { return reached_.load(); }

 protected:
  void Render(const MediaSample& s) override {
    if (costMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(costMs_));
    reached_ = std::max(reached_.load(), s.stop);
  }

 private:
  int costMs_;
  std::atomic<REFERENCE_TIME> reached_{0};
};

class SimFreeRunningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
    sim::Hardware::SetFreeRunning(true);
    ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph), S_OK);
  }
  void TearDown() override { sim::Hardware::SetFreeRunning(false); }
  CComPtr<IBaseFilter> Device(const char* id, const char* name) {
    CComPtr<IBaseFilter> f;
    EXPECT_EQ(sim::CreateDeviceFilter(id, IID_IBaseFilter, reinterpret_cast<void**>(&f)), S_OK);
    EXPECT_TRUE(SUCCEEDED(graph->AddFilter(f, name)));
    return f;
  }
  TimingSink* Sink(const char* name, int costMs) {
    auto* sink = new TimingSink(costMs);
    CComPtr<IBaseFilter> f;
    f.Attach(sink);
    EXPECT_TRUE(SUCCEEDED(graph->AddFilter(f, name)));
    return sink;
  }
  static CComPtr<IPin> PinOf(IBaseFilter* filter, const char* name) {
    CComPtr<IPin> pin;
    filter->FindPin(name, &pin);
    return pin;
  }
  void Connect(IBaseFilter* from, const char* pin, TimingSink* to) {
    CComPtr<IPin> in;
    to->FindPin("In", &in);
    ASSERT_EQ(graph->Connect(PinOf(from, pin), in), S_OK);
  }
  // Runs the graph free for `ms` of wall time; where the sound and then the pictures had got
  // while it ran (the stop frees the sound once the box's pictures have stopped).
  std::pair<REFERENCE_TIME, REFERENCE_TIME> RunFor(int ms, TimingSink* sound, TimingSink* pictures) {
    CComPtr<IMediaControl> control;
    graph.QueryInterface(&control);
    EXPECT_EQ(control->Run(), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    const REFERENCE_TIME heard = sound->Reached();
    const REFERENCE_TIME seen = pictures ? pictures->Reached() : 0;
    control->Stop();
    return {heard, seen};
  }
  CComPtr<IGraphBuilder> graph;
};

TEST_F(SimFreeRunningTest, TheBoxsSoundKeepsToItsPicturesWhenTheyAreSlowOrFast) {
  for (const int pictureCostMs : {8, 0}) {
    SCOPED_TRACE(pictureCostMs);
    graph.Release();
    ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph), S_OK);
    auto box = Device("USBBOX", "Video Capture");
    auto audio = Device("USBAUDIO", "Audio Capture");
    TimingSink* pictures = Sink("Pictures", pictureCostMs);
    TimingSink* sound = Sink("Sound", 0);
    Connect(box, "Capture", pictures);
    Connect(audio, "Capture", sound);
    const auto [heard, seen] = RunFor(600, sound, pictures);
    // Running free, and the sound a block (and a picture) ahead of the pictures at most; it
    // keeps up with them (read first, it may trail pictures that are fast).
    EXPECT_GT(seen, 6000000);
    EXPECT_LE(heard, seen + 1000000 + 333667);
    EXPECT_GE(heard, seen / 2);
  }
}

TEST_F(SimFreeRunningTest, SoundWithoutTheBoxsPicturesRunsFree) {
  auto audio = Device("USBAUDIO", "Audio Capture");
  TimingSink* sound = Sink("Sound", 0);
  Connect(audio, "Capture", sound);
  EXPECT_GT(RunFor(300, sound, nullptr).first, 3 * 10000000LL);  // far more than the 0.3 s that passed
}

}  // namespace
