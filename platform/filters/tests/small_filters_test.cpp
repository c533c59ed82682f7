#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "platform/base/clock.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/writer_interfaces.h"
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

// A transport packet of PID `pid`: PAT (table 0) and PMT (table 2) sections, a video PES start
// with or without a sequence header, or a continuation.
std::vector<BYTE> TsPacket(int pid, int kind) {
  std::vector<BYTE> p(188, 0xFF);
  p[0] = 0x47;
  p[1] = static_cast<BYTE>(((kind != 0) ? 0x40 : 0) | (pid >> 8));
  p[2] = static_cast<BYTE>(pid & 0xFF);
  p[3] = 0x10;
  if (kind == 1 || kind == 2) p[4] = 0, p[5] = kind == 1 ? 0 : 2;  // pointer field, table id
  if (kind >= 3) {
    const BYTE pes[] = {0, 0, 1, 0xE0, 0, 0, 0x80, 0, 0, 0, 0, 1, static_cast<BYTE>(kind == 3 ? 0xB3 : 0x00)};
    std::copy(std::begin(pes), std::end(pes), p.begin() + 4);
  }
  return p;
}

class StreamWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(writer.CoCreateInstance(CLSID_QnStreamWriter, nullptr, CLSCTX_INPROC_SERVER), S_OK);
    folder = ::testing::TempDir() + "stream_writer/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  void Record(const std::vector<std::vector<BYTE>>& samples, ULONGLONG part) {
    CComPtr<IFileSinkFilter> sink;
    ASSERT_EQ(writer->QueryInterface(IID_IFileSinkFilter, reinterpret_cast<void**>(&sink)), S_OK);
    ASSERT_EQ(sink->SetFileName((folder + "rec.m2ts").c_str(), nullptr), S_OK);
    CComPtr<IQnStreamWriter> stream;
    ASSERT_EQ(writer->QueryInterface(IID_IQnStreamWriter, reinterpret_cast<void**>(&stream)), S_OK);
    stream->SetMaxPartSize(static_cast<DWORD>(part), 0);
    CBaseFilter* base = AsBaseFilter(writer);
    auto* input = dynamic_cast<CBaseInputPin*>(static_cast<IPin*>(PinAt(writer, PINDIR_INPUT)));
    ASSERT_NE(input, nullptr);
    writer->Run(0);
    for (const auto& data : samples) {
      MediaSample s;
      s.data = data;
      base->Receive(input, s);
    }
    writer->Stop();
    stream->GetFileCount(&count);
  }
  std::vector<BYTE> Part(DWORD n) {
    std::ifstream in(folder + (n == 0 ? "rec.m2ts" : "rec_" + std::to_string(n) + ".m2ts"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  CComPtr<IBaseFilter> writer;
  std::string folder;
  DWORD count = 0;
};

TEST_F(StreamWriterTest, TransportStreamPartsBeginWithTheTablesAheadOfASequenceAndJoinToTheStream) {
  // Three sequences of 12 packets (tables, a sequence start, audio and pictures), one packet a
  // sample; a part holds 30 packets, so each part takes whole sequences.
  std::vector<std::vector<BYTE>> samples;
  std::vector<BYTE> stream;
  for (int sequence = 0; sequence < 3; ++sequence)
    for (int i = 0; i < 12; ++i) {
      const std::vector<BYTE> packet = i == 0   ? TsPacket(0, 1)
                                       : i == 1 ? TsPacket(0x100, 2)
                                       : i == 2 ? TsPacket(0x1011, 3)
                                       : i == 6 ? TsPacket(0x1011, 4)
                                       : i == 7 ? TsPacket(0x1100, 0)
                                                : TsPacket(0x1011, 0);
      samples.push_back(packet);
      stream.insert(stream.end(), packet.begin(), packet.end());
    }
  Record(samples, 30 * 188);
  ASSERT_EQ(count, 2u);
  std::vector<BYTE> joined;
  for (DWORD n = 0; n < count; ++n) {
    const std::vector<BYTE> part = Part(n);
    EXPECT_LE(part.size(), 30u * 188) << n;
    ASSERT_GE(part.size(), 188u);
    EXPECT_EQ(part[1] & 0x5F, 0x40) << "part " << n << " opens with the association table";
    joined.insert(joined.end(), part.begin(), part.end());
  }
  EXPECT_EQ(Part(0).size(), 24u * 188);
  EXPECT_EQ(joined, stream);
}

TEST_F(StreamWriterTest, ASequenceLongerThanAPartAndOtherStreamsAreCutBetweenSamples) {
  std::vector<std::vector<BYTE>> samples;
  samples.push_back(TsPacket(0x1011, 3));
  for (int i = 0; i < 24; ++i) samples.push_back(TsPacket(0x1011, 0));
  Record(samples, 10 * 188);
  EXPECT_EQ(count, 3u);
  for (DWORD n = 0; n < count; ++n) EXPECT_LE(Part(n).size(), 10u * 188);
  EXPECT_EQ(Part(0).size() + Part(1).size() + Part(2).size(), 25u * 188);

  // Program-stream packs are not transport packets: cut as they come.
  samples.assign(5, std::vector<BYTE>(1000, 0x00));
  Record(samples, 2500);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(Part(0).size(), 2000u);
  EXPECT_EQ(Part(2).size(), 1000u);
}

}  // namespace
}  // namespace platform::filters
