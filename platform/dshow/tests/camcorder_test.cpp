#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/base/clock.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/writer_interfaces.h"

using namespace platform::dshow;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Keeps what it is given.
class Collector : public CRendererFilter {
 public:
  Collector() : CRendererFilter(GUID_NULL, "Collector", {}) {}
  std::vector<Bytes> Samples() {
    std::lock_guard lock(mutex_);
    return samples_;
  }

 protected:
  void Render(const MediaSample& s) override {
    std::lock_guard lock(mutex_);
    samples_.push_back(s.data);
  }

 private:
  std::mutex mutex_;
  std::vector<Bytes> samples_;
};

double Peak(const std::vector<std::int16_t>& pcm) {
  int peak = 0;
  for (auto v : pcm) peak = std::max(peak, std::abs(static_cast<int>(v)));
  return peak / 32768.0;
}

long long CodeOfYuy2(const Bytes& yuy2, int width, int height) {
  Bytes luma(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < luma.size(); ++i) luma[i] = yuy2[i * 2];
  return sim::ReadFrameCode(luma.data(), width, height, width);
}

int PidOf(const std::uint8_t* p) { return ((p[1] & 0x1F) << 8) | p[2]; }

TEST(CamcorderStreamsTest, DvLoopsAreDifFramesOfThePatternWithItsTone) {
  for (const bool pal : {false, true}) {
    const auto& loop = sim::DvLoop(pal);
    ASSERT_EQ(loop.size(), pal ? 25u : 30u);
    const int height = pal ? 576 : 480;
    sim::DvPictureDecoder decoder;
    for (std::size_t n : {std::size_t{0}, std::size_t{7}}) {
      ASSERT_EQ(loop[n].size(), pal ? sim::kDvFramePal : sim::kDvFrameNtsc);
      std::vector<std::int16_t> pcm;
      ASSERT_TRUE(sim::DvFrameAudio(loop[n].data(), loop[n].size(), &pcm));
      // 1600 or 1602 stereo samples (NTSC), 1920 (PAL); the tone at -12 dBFS.
      EXPECT_NEAR(static_cast<double>(pcm.size()) / 2, pal ? 1920 : 1601, 1.5);
      EXPECT_NEAR(Peak(pcm), sim::kToneAmplitude, 0.02);
      Bytes picture;
      ASSERT_TRUE(decoder.Decode(loop[n].data(), loop[n].size(), 720, height, &picture));
      EXPECT_EQ(CodeOfYuy2(picture, 720, height), static_cast<long long>(n));
      ASSERT_TRUE(decoder.Decode(loop[n].data(), loop[n].size(), 360, height / 2, &picture));
      EXPECT_EQ(picture.size(), 360u * height / 2 * 2);
    }
  }
  std::vector<std::int16_t> pcm;
  Bytes junk(1000, 0x11);
  EXPECT_FALSE(sim::DvFrameAudio(junk.data(), junk.size(), &pcm));
}

TEST(CamcorderStreamsTest, HdvLoopCarriesTablesClockAndBothStreamsAndRebasesIntoOneStream) {
  const Bytes& loop = sim::HdvLoop();
  ASSERT_GT(loop.size(), 100u * sim::kTsPacket);
  ASSERT_EQ(loop.size() % sim::kTsPacket, 0u);
  bool pat = false, pmt = false, pcr = false, video = false, audio = false;
  for (std::size_t at = 0; at < loop.size(); at += sim::kTsPacket) ASSERT_EQ(loop[at], 0x47);
  // PAT, PMT and the null packet are the only PIDs below the streams'.
  for (std::size_t at = 0; at < loop.size(); at += sim::kTsPacket) {
    const int pid = PidOf(&loop[at]);
    pat |= pid == 0;
    pmt |= pid == 0x1000;
    video |= pid == sim::kHdvVideoPid;
    audio |= pid == sim::kHdvAudioPid;
    pcr |= (loop[at + 3] & 0x20) && loop[at + 4] >= 7 && (loop[at + 5] & 0x10);
    EXPECT_TRUE(pid == 0 || pid > 2);
  }
  EXPECT_TRUE(pat && pmt && pcr && video && audio);

  // Two copies rebased: continuity counters run on across the seam, stamps move by the loop.
  sim::TsLoopRebaser rebaser;
  Bytes first = loop, second = loop;
  rebaser.Rebase(first.data(), first.size(), 0);
  const std::int64_t ticks = sim::HdvLoopFrames() * 3003;
  rebaser.Rebase(second.data(), second.size(), ticks);
  std::vector<int> last(8192, -1);
  for (const Bytes* copy : {&first, &second})
    for (std::size_t at = 0; at < copy->size(); at += sim::kTsPacket) {
      const std::uint8_t* p = copy->data() + at;
      if (!(p[3] & 0x10)) continue;
      const int pid = PidOf(p), cc = p[3] & 0x0F;
      if (last[static_cast<std::size_t>(pid)] >= 0) {
        ASSERT_EQ(cc, (last[static_cast<std::size_t>(pid)] + 1) & 15);
      }
      last[static_cast<std::size_t>(pid)] = cc;
    }
}

class CamcorderTransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
    ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER), S_OK);
    ASSERT_EQ(graph.QueryInterface(&control), S_OK);
  }
  void Open(const std::string& id) {
    ASSERT_EQ(sim::CreateDeviceFilter(id, IID_IBaseFilter, reinterpret_cast<void**>(&cam)), S_OK);
    ASSERT_EQ(graph->AddFilter(cam, "Cam"), S_OK);
    sink.Attach(new Collector);
    ASSERT_EQ(graph->AddFilter(sink, "Sink"), S_OK);
    CComPtr<IEnumPins> pins;
    cam->EnumPins(&pins);
    CComPtr<IPin> out, in;
    pins->Next(1, &out, nullptr);
    CComPtr<IEnumPins> sinkPins;
    sink->EnumPins(&sinkPins);
    sinkPins->Next(1, &in, nullptr);
    ASSERT_EQ(graph->ConnectDirect(out, in, nullptr), S_OK);
    ASSERT_EQ(cam.QueryInterface(&transport), S_OK);
  }
  Collector* Sink() { return static_cast<Collector*>(static_cast<IBaseFilter*>(sink.get())); }
  DWORD Timecode() {
    CComPtr<IAMTimecodeReader> reader;
    cam.QueryInterface(&reader);
    TIMECODE_SAMPLE tc;
    reader->GetTimecode(&tc);
    EXPECT_EQ(tc.dwFlags, ED_DEVCAP_TIMECODE_READ);
    return tc.timecode.dwFrames;
  }
  // Moves the test clock a frame at a time and gives the source time to deliver.
  void Frames(platform::ManualClock& clock, int count, std::size_t expectSamples) {
    for (int i = 0; i < count; ++i) {
      clock.Advance(34);
      std::this_thread::sleep_for(std::chrono::milliseconds(15));
      for (int k = 0; k < 200 && Sink()->Samples().size() < expectSamples; ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  CComPtr<IGraphBuilder> graph;
  CComPtr<IMediaControl> control;
  CComPtr<IBaseFilter> cam;
  CComPtr<IBaseFilter> sink;
  CComPtr<IAMExtTransport> transport;
};

TEST_F(CamcorderTransportTest, TapePlaysFreezesStopsWindsAndEndsWhereTheTransportSays) {
  const std::string tape = std::string(VIDARRO_TEST_BINARY_DIR) + "/transport.dv";
  {
    std::FILE* f = std::fopen(tape.c_str(), "wb");
    const auto& loop = sim::DvLoop(false);
    for (int i = 0; i < 20; ++i) std::fwrite(loop[static_cast<std::size_t>(i)].data(), 1, sim::kDvFrameNtsc, f);
    std::fwrite(loop[0].data(), 1, 500, f);  // a torn last frame is no frame
    std::fclose(f);
  }
  sim::Hardware::Instance().Update("DVCAM", [&](sim::DeviceDesc& d) { d.tape = tape; });
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  Open("DVCAM");
  long value = 0;
  ASSERT_EQ(transport->GetStatus(ED_MEDIA_TYPE, &value), S_OK);
  EXPECT_EQ(value, 4612);
  ASSERT_EQ(transport->GetTransportBasicParameters(ED_TRANSBASIC_INPUT_SIGNAL, &value, nullptr), S_OK);
  EXPECT_EQ(value, 5038);

  ASSERT_EQ(control->Run(), S_OK);
  Frames(clock, 3, 0);
  EXPECT_TRUE(Sink()->Samples().empty()) << "a stopped tape gives nothing";
  ASSERT_EQ(transport->put_Mode(ED_MODE_PLAY), S_OK);
  Frames(clock, 3, 3);
  auto samples = Sink()->Samples();
  ASSERT_GE(samples.size(), 2u);
  EXPECT_EQ(samples[0], sim::DvLoop(false)[0]);
  EXPECT_EQ(samples[1], sim::DvLoop(false)[1]);
  ASSERT_EQ(transport->put_Mode(ED_MODE_FREEZE), S_OK);
  const std::size_t before = Sink()->Samples().size();
  Frames(clock, 2, before + 2);
  samples = Sink()->Samples();
  EXPECT_EQ(samples.back(), samples[before - 1]) << "freeze repeats the frame";
  const DWORD frozenAt = Timecode();
  ASSERT_EQ(transport->put_Mode(ED_MODE_FF), S_OK);
  const std::size_t winding = Sink()->Samples().size();
  Frames(clock, 1, 0);
  EXPECT_EQ(Sink()->Samples().size(), winding) << "winding shows no pictures";
  EXPECT_GT(Timecode(), frozenAt);
  // Play to the end: the torn frame is dropped and the transport stops.
  ASSERT_EQ(transport->put_Mode(ED_MODE_PLAY), S_OK);
  Frames(clock, 25, 0);
  transport->get_Mode(&value);
  EXPECT_EQ(value, ED_MODE_STOP);
  EXPECT_EQ(Timecode(), 0x00010020u);  // 20 frames past 00:01:00:00
  for (const auto& s : Sink()->Samples()) EXPECT_EQ(s.size(), sim::kDvFrameNtsc);
  control->Stop();
}

TEST_F(CamcorderTransportTest, LiveCameraDeliversWithoutTapeAndSaysSo) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  Open("HDVCAM");
  long value = 0;
  ASSERT_EQ(transport->GetStatus(ED_MEDIA_TYPE, &value), S_OK);
  EXPECT_EQ(value, 5023);
  ASSERT_EQ(transport->GetTransportBasicParameters(ED_TRANSBASIC_INPUT_SIGNAL, &value, nullptr), S_OK);
  EXPECT_EQ(value, 5042);
  ASSERT_EQ(control->Run(), S_OK);
  Frames(clock, 2, 2);
  const auto samples = Sink()->Samples();
  ASSERT_GE(samples.size(), 1u);
  EXPECT_EQ(samples[0].size() % sim::kTsPacket, 0u);
  EXPECT_EQ(samples[0][0], 0x47);
  control->Stop();
}

TEST_F(CamcorderTransportTest, MissingOrNotTsTapeEndsTheStreamAtOnce) {
  const std::string text = std::string(VIDARRO_TEST_BINARY_DIR) + "/not_ts.m2t";
  std::FILE* f = std::fopen(text.c_str(), "wb");
  std::fputs("this is not a transport stream", f);
  std::fclose(f);
  for (const std::string& tape : {std::string("/nonexistent/tape.m2t"), text}) {
    sim::Hardware::Instance().Update("HDVCAM", [&](sim::DeviceDesc& d) { d.tape = tape; });
    platform::ManualClock clock;
    platform::ScopedClock use(clock);
    cam.Release();
    sink.Release();
    graph.Release();
    control.Release();
    ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER), S_OK);
    ASSERT_EQ(graph.QueryInterface(&control), S_OK);
    Open("HDVCAM");
    transport->put_Mode(ED_MODE_PLAY);
    ASSERT_EQ(control->Run(), S_OK);
    Frames(clock, 3, 0);
    EXPECT_TRUE(Sink()->Samples().empty());
    control->Stop();
  }
}

}  // namespace

namespace {

// A source that pushes a byte buffer in uneven pieces, once.
class BufferSource : public CBaseFilter {
 public:
  BufferSource() : CBaseFilter(GUID_NULL, "Buffer") {
    out_ = AddPin<Out>("Out");
    out_->SetMediaTypes({MakeStreamType(MEDIASUBTYPE_MPEG2_TRANSPORT)});
  }
  void Push(const Bytes& bytes, std::size_t piece) {
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
      MediaSample s;
      s.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), at + piece)));
      out_->Deliver(s);
    }
  }

 private:
  class Out : public CBaseOutputPin {
   public:
    using CBaseOutputPin::CBaseOutputPin;
  };
  CBaseOutputPin* out_;
};

class StampCollector : public CRendererFilter {
 public:
  StampCollector() : CRendererFilter(GUID_NULL, "Stamps", {}) {}
  std::vector<MediaSample> samples;

 protected:
  void Render(const MediaSample& s) override { samples.push_back(s); }
};

// Pieces cut anywhere, and pieces of whole packets as the camcorder delivers them (read where they
// lie until the lost bytes leave a piece's tail over for the next).
class Mpeg2DemultiplexerTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(Mpeg2DemultiplexerTest, FindsSyncAgainAndRoutesSectionsAndStreamsByTheirMaps) {
  CComPtr<IGraphBuilder> graph;
  ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  CComPtr<IBaseFilter> source, demux, psi, video;
  source.Attach(new BufferSource);
  psi.Attach(new StampCollector);
  video.Attach(new StampCollector);
  ASSERT_EQ(demux.CoCreateInstance(CLSID_MPEG2Demultiplexer, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  for (auto [f, name] :
       {std::pair{source.get(), "Source"}, {demux.get(), "Demux"}, {psi.get(), "PSI"}, {video.get(), "Video"}})
    ASSERT_EQ(graph->AddFilter(f, name), S_OK);
  CComPtr<IMpeg2Demultiplexer> create;
  ASSERT_EQ(demux.QueryInterface(&create), S_OK);
  CMediaType psiType = MakeStreamType(GUID_NULL);
  psiType.majortype = MEDIATYPE_MPEG2_PSI;
  CMediaType videoType = MakeStreamType(MEDIASUBTYPE_MPEG2_VIDEO);
  videoType.majortype = MEDIATYPE_Video;
  CComPtr<IPin> psiPin, videoPin, in;
  ASSERT_EQ(create->CreateOutputPin(&psiType, "PSI", &psiPin), S_OK);
  ASSERT_EQ(create->CreateOutputPin(&videoType, "Video", &videoPin), S_OK);
  CComPtr<IMPEG2PIDMap> psiMap, videoMap;
  ASSERT_EQ(psiPin.QueryInterface(&psiMap), S_OK);
  ASSERT_EQ(videoPin.QueryInterface(&videoMap), S_OK);
  ULONG pat = 0, placeholder = 1, pid = sim::kHdvVideoPid;
  ASSERT_EQ(psiMap->MapPID(1, &pat, MEDIA_MPEG2_PSI), S_OK);
  ASSERT_EQ(videoMap->MapPID(1, &placeholder, MEDIA_ELEMENTARY_STREAM), S_OK);
  // Remapped as the graph does it: enumerate, unmap each, map the one.
  CComPtr<IEnumPIDMap> maps;
  ASSERT_EQ(videoMap->EnumPIDMap(&maps), S_OK);
  PID_MAP entry;
  ULONG got = 0;
  ASSERT_EQ(maps->Next(1, &entry, &got), S_OK);
  EXPECT_EQ(entry.ulPID, 1u);
  EXPECT_EQ(maps->Next(1, &entry, &got), S_FALSE);
  ASSERT_EQ(videoMap->UnmapPID(1, &placeholder), S_OK);
  ASSERT_EQ(videoMap->MapPID(1, &pid, MEDIA_ELEMENTARY_STREAM), S_OK);

  CComPtr<IEnumPins> pins;
  demux->EnumPins(&pins);
  pins->Next(1, &in, nullptr);
  CComPtr<IPin> sourceOut, psiIn, videoIn;
  source->FindPin("Out", &sourceOut);
  psi->FindPin("In", &psiIn);
  video->FindPin("In", &videoIn);
  ASSERT_EQ(graph->ConnectDirect(sourceOut, in, nullptr), S_OK);
  ASSERT_EQ(graph->ConnectDirect(psiPin, psiIn, nullptr), S_OK);
  ASSERT_EQ(graph->ConnectDirect(videoPin, videoIn, nullptr), S_OK);
  CComPtr<IMediaControl> control;
  ASSERT_EQ(graph.QueryInterface(&control), S_OK);
  ASSERT_EQ(control->Run(), S_OK);

  // The loop with bytes lost in its middle: the demultiplexer finds the packets again.
  Bytes stream = sim::HdvLoop();
  stream.insert(stream.begin() + static_cast<std::ptrdiff_t>(stream.size() / 2), {0x47, 0x00, 0x12, 0x47, 0x99});
  static_cast<BufferSource*>(static_cast<IBaseFilter*>(source.get()))->Push(stream, GetParam());
  control->Stop();
  const auto& sections = static_cast<StampCollector*>(static_cast<IBaseFilter*>(psi.get()))->samples;
  ASSERT_FALSE(sections.empty());
  EXPECT_EQ(sections[0].data[0], 0x00) << "the PAT";
  const auto& pictures = static_cast<StampCollector*>(static_cast<IBaseFilter*>(video.get()))->samples;
  ASSERT_GE(pictures.size(), static_cast<std::size_t>(sim::HdvLoopFrames() - 2));
  EXPECT_EQ(pictures[0].data[3], 0xB3) << "the first PES starts with its sequence header";
  for (const auto& p : pictures) {
    EXPECT_GE(p.start, 0);
    EXPECT_LE(p.decode, p.start) << "decode before presentation";
  }
  // However the stream was cut, the same pictures, whole and in order; only the one the lost bytes
  // fell in may differ, as where sync is found again depends on how much follows in the piece.
  static std::vector<Bytes> first;
  if (first.empty()) {
    for (const auto& p : pictures) first.push_back(p.data);
    return;
  }
  ASSERT_EQ(pictures.size(), first.size());
  int differing = 0;
  for (std::size_t i = 0; i < first.size(); ++i) differing += pictures[i].data != first[i];
  EXPECT_LE(differing, 1);
}

INSTANTIATE_TEST_SUITE_P(Pieces, Mpeg2DemultiplexerTest, ::testing::Values(std::size_t{1000}, std::size_t{188 * 554}));

}  // namespace
