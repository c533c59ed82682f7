#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/base/clock.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/transform_filter.h"
#include "platform/filters/filter_classes.h"
#include "platform/filters/hdv_filters.h"
#include "platform/filters/hdv_interfaces.h"
#include "platform/filters/maker_interfaces.h"

namespace platform::filters {
namespace {

using namespace platform::dshow;

class KeepingSink : public CRendererFilter {
 public:
  KeepingSink() : CRendererFilter(GUID_NULL, "Keeping Sink", {}) {}
  MediaSample Last() {
    std::lock_guard lock(mutex_);
    return last_;
  }
  CMediaType Type() { return Input()->ConnectedType(); }

 protected:
  void Render(const MediaSample& s) override {
    std::lock_guard lock(mutex_);
    last_ = s;
  }

 private:
  std::mutex mutex_;
  MediaSample last_;
};

CComPtr<IPin> PinAt(IBaseFilter* f, PIN_DIRECTION dir) {
  CComPtr<IEnumPins> pins;
  f->EnumPins(&pins);
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    CComPtr<IPin> p;
    p.Attach(pin);
    PIN_DIRECTION d;
    p->QueryDirection(&d);
    if (d == dir) return p;
  }
  return nullptr;
}

// A sink that holds each sample until it is let through, noting the order they came in.
class GateSink : public CRendererFilter {
 public:
  GateSink() : CRendererFilter(GUID_NULL, "Gate Sink", {}) {}
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }
  std::vector<long long> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 protected:
  void Render(const MediaSample& s) override {
    std::unique_lock lock(mutex_);
    opened_.wait_for(lock, std::chrono::seconds(10), [&] { return open_; });
    seen_.push_back(s.index);
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
  std::vector<long long> seen_;
};

// Device pin -> filter -> sink, one sample through on a manual clock.
class SmallFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto box = sim::DefaultDevices()[0];
    box.audioPin = true;
    box.formats = {{352, 240, 333667, subtype}};
    sim::Hardware::Instance().SetDevices({box});
    graph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
    graph.QueryInterface(&control);
    sim::CreateDeviceFilter("USBBOX", IID_IBaseFilter, reinterpret_cast<void**>(&device));
    graph->AddFilter(device, "Video Capture");
    sink = new KeepingSink;
    sinkFilter.Attach(sink);
    graph->AddFilter(sinkFilter, "Sink");
  }
  CComPtr<IBaseFilter> Through(const CLSID& clsid, const char* devicePin) {
    CComPtr<IBaseFilter> f;
    EXPECT_EQ(f.CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER), S_OK);
    graph->AddFilter(f, "Under Test");
    CComPtr<IPin> out;
    device->FindPin(devicePin, &out);
    EXPECT_EQ(graph->ConnectDirect(out, PinAt(f, PINDIR_INPUT), nullptr), S_OK);
    EXPECT_EQ(graph->ConnectDirect(PinAt(f, PINDIR_OUTPUT), PinAt(sinkFilter, PINDIR_INPUT), nullptr), S_OK);
    return f;
  }
  MediaSample RunOnce(long long samples = 2) {
    platform::ManualClock clock(0);
    platform::ScopedClock use(clock);
    control->Run();
    for (int i = 0; i < 500 && sink->SamplesRendered() < samples; ++i) {
      clock.Advance(40);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    control->Stop();
    return sink->Last();
  }
  GUID subtype = MEDIASUBTYPE_YUY2;
  CComPtr<IGraphBuilder> graph;
  CComPtr<IMediaControl> control;
  CComPtr<IBaseFilter> device, sinkFilter;
  KeepingSink* sink = nullptr;
};

TEST_F(SmallFilterTest, EraseLineBlanksTheTopLinesOnly) {
  auto f = Through(CLSID_QnEraseLine, "Capture");
  CComPtr<IQnEraseLine> erase;
  ASSERT_EQ(f->QueryInterface(IID_IQnEraseLine, reinterpret_cast<void**>(&erase)), S_OK);
  erase->SetEraseLines(4);
  const MediaSample s = RunOnce();
  ASSERT_EQ(s.data.size(), 352u * 240 * 2);
  EXPECT_EQ(s.data[0], 16);
  EXPECT_EQ(s.data[1], 128);
  EXPECT_EQ(s.data[3 * 704 + 10], 16);
  EXPECT_NE(s.data[4 * 704 + 10], 16);  // line 4 is the first kept
}

TEST_F(SmallFilterTest, DownSamplerHalvesTheHeightAndKeepsTheCode) {
  Through(CLSID_QnVideoDownSampler, "Capture");
  const MediaSample s = RunOnce();
  EXPECT_EQ(std::abs(sink->Type().Format<VIDEOINFOHEADER>()->bmiHeader.biHeight), 120);
  EXPECT_EQ(sim::FrameNumberOfPicture(sink->Type(), s.data), s.index);
}

TEST_F(SmallFilterTest, ColourConverterTakesUyvyToRgb32) {
  subtype = MEDIASUBTYPE_UYVY;
  SetUp();
  Through(CLSID_QnSpaceColorConverter, "Capture");
  const MediaSample s = RunOnce();
  EXPECT_EQ(sink->Type().subtype, MEDIASUBTYPE_RGB32);
  ASSERT_EQ(s.data.size(), 352u * 240 * 4);
  EXPECT_EQ(sim::FrameNumberOfPicture(sink->Type(), s.data), s.index);
}

TEST_F(SmallFilterTest, AnalyzerAppliesGainAndReportsPeaks) {
  auto f = Through(CLSID_QnAudioAnalyzer, "Audio");
  CComPtr<IQnAudioGain> gain;
  CComPtr<IQnAudioLevel> level;
  ASSERT_EQ(f->QueryInterface(IID_IQnAudioGain, reinterpret_cast<void**>(&gain)), S_OK);
  ASSERT_EQ(f->QueryInterface(IID_IQnAudioLevel, reinterpret_cast<void**>(&level)), S_OK);
  BYTE record[kLevelRecordBytes];
  ASSERT_EQ(level->GetLevels(record), S_OK);
  double left;
  std::memcpy(&left, record + 64, 8);
  EXPECT_EQ(left, -80.0);  // nothing measured yet: the floor
  gain->SetGain(0.5f);
  gain->SetEnable(1);
  EXPECT_EQ(gain->SetGain(-1.0f), E_INVALIDARG);
  RunOnce();
  ASSERT_EQ(level->GetLevels(record), S_OK);
  double right;
  std::memcpy(&left, record + 64, 8);
  std::memcpy(&right, record + 72, 8);
  // The -12 dBFS tone at half gain peaks at -18 dBFS.
  EXPECT_NEAR(left, -18.0, 0.2);
  EXPECT_NEAR(right, -18.0, 0.2);
}

TEST_F(SmallFilterTest, TimeOffsetShiftsAndDropsWhatFallsBeforeZero) {
  auto f = Through(CLSID_QnTimeOffset, "Capture");
  CComPtr<IQnTimeOffset> offset;
  ASSERT_EQ(f->QueryInterface(IID_IQnTimeOffset, reinterpret_cast<void**>(&offset)), S_OK);
  offset->SetOffset(-5000000);  // -500 ms: the first 15 frames go
  const MediaSample s = RunOnce(3);
  EXPECT_GE(s.index, 17);
  EXPECT_EQ(s.start, s.index * 333667 - 5000000);
}

}  // namespace
}  // namespace platform::filters

namespace platform::filters {
namespace {

TEST(BufferFilterTest, TakesSamplesWhileDownstreamIsBusyAndPassesThemOnInOrder) {
  auto box = sim::DefaultDevices()[0];
  box.audioPin = true;
  sim::Hardware::Instance().SetDevices({box});
  CComPtr<IGraphBuilder> graph;
  ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  CComPtr<IBaseFilter> device, buffer, sinkFilter;
  sim::CreateDeviceFilter("USBBOX", IID_IBaseFilter, reinterpret_cast<void**>(&device));
  ASSERT_EQ(buffer.CoCreateInstance(CLSID_QnBufferFilter, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  auto* gate = new GateSink;
  sinkFilter.Attach(gate);
  graph->AddFilter(device, "Device");
  graph->AddFilter(buffer, "Buffer Filter");
  graph->AddFilter(sinkFilter, "Sink");
  CComPtr<IPin> audio;
  device->FindPin("Audio", &audio);
  ASSERT_EQ(graph->ConnectDirect(audio, PinAt(buffer, PINDIR_INPUT), nullptr), S_OK);
  ASSERT_EQ(graph->ConnectDirect(PinAt(buffer, PINDIR_OUTPUT), PinAt(sinkFilter, PINDIR_INPUT), nullptr), S_OK);
  CComPtr<IQnBuffer> depth;
  ASSERT_EQ(buffer->QueryInterface(IID_IQnBuffer, reinterpret_cast<void**>(&depth)), S_OK);
  EXPECT_EQ(depth->SetDepth(0), E_INVALIDARG);
  ASSERT_EQ(depth->SetDepth(20), S_OK);

  // Only the buffer and the sink run; the test feeds the buffer itself.
  CBaseFilter* base = AsBaseFilter(buffer);
  auto* input = dynamic_cast<CBaseInputPin*>(static_cast<IPin*>(PinAt(buffer, PINDIR_INPUT)));
  ASSERT_NE(input, nullptr);
  base->Receive(input, MediaSample{});  // stopped: nothing flows
  EXPECT_EQ(BufferedSamples(buffer), 0u);
  sinkFilter->Run(0);
  buffer->Run(0);
  // The sink holds the first sample; twenty more wait in the queue and no push waits for room.
  for (long long i = 0; i < 21; ++i) {
    MediaSample s;
    s.index = i;
    s.data.assign(4, static_cast<BYTE>(i));
    base->Receive(input, s);
  }
  base->EndOfStream(input);
  EXPECT_GE(BufferedSamples(buffer), 20u);
  gate->Open();
  buffer->Stop();  // what the queue holds still goes out
  EXPECT_EQ(BufferedSamples(buffer), 0u);
  std::vector<long long> expected(21);
  for (long long i = 0; i < 21; ++i) expected[static_cast<std::size_t>(i)] = i;
  EXPECT_EQ(gate->Seen(), expected);
  sinkFilter->Stop();
}

}  // namespace
}  // namespace platform::filters
