#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/base/clock.h"
#include "platform/com/class_table.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/dshow/stock_filters.h"

using namespace platform::dshow;

namespace {

CComPtr<IBaseFilter> Create(const CLSID& clsid) {
  CComPtr<IBaseFilter> f;
  EXPECT_EQ(f.CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  return f;
}

CComPtr<IBaseFilter> DeviceFilter(const std::string& id) {
  CComPtr<IBaseFilter> f;
  EXPECT_EQ(sim::CreateDeviceFilter(id, IID_IBaseFilter, reinterpret_cast<void**>(&f)), S_OK);
  return f;
}

CComPtr<IPin> PinOf(IBaseFilter* filter, const char* name) {
  CComPtr<IPin> pin;
  filter->FindPin(name, &pin);
  return pin;
}

template <typename Pred>
bool WaitFor(Pred pred) {
  for (int i = 0; i < 500 && !pred(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return pred();
}

class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
    ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER), S_OK);
    ASSERT_EQ(graph.QueryInterface(&control), S_OK);
    ASSERT_EQ(graph.QueryInterface(&events), S_OK);
  }
  CComPtr<IGraphBuilder> graph;
  CComPtr<IMediaControl> control;
  CComPtr<IMediaEventEx> events;
};

}  // namespace

TEST_F(GraphTest, NamesAreMadeUniqueAndRemovalDisconnects) {
  auto a = Create(CLSID_InfTee), b = Create(CLSID_InfTee), c = Create(CLSID_NullRenderer);
  EXPECT_EQ(graph->AddFilter(a, "Tee"), S_OK);
  EXPECT_EQ(graph->AddFilter(b, "Tee"), VFW_S_DUPLICATE_NAME);
  EXPECT_EQ(graph->AddFilter(a, "Again"), E_INVALIDARG);
  EXPECT_EQ(graph->AddFilter(c, nullptr), S_OK);
  CComPtr<IBaseFilter> found;
  EXPECT_EQ(graph->FindFilterByName("Tee 0001", &found), S_OK);
  EXPECT_EQ(found.get(), b.get());
  EXPECT_EQ(graph->FindFilterByName("Nothing", &found), VFW_E_NOT_FOUND);
  EXPECT_EQ(found.get(), nullptr);

  // A tee without an input type offers nothing to connect.
  EXPECT_TRUE(FAILED(graph->ConnectDirect(PinOf(a, "Output1"), PinOf(c, "In"), nullptr)));

  auto cam = DeviceFilter("USBBOX");
  ASSERT_EQ(graph->AddFilter(cam, "Video Capture"), S_OK);
  ASSERT_EQ(graph->ConnectDirect(PinOf(cam, "Capture"), PinOf(a, "Input"), nullptr), S_OK);
  ASSERT_EQ(graph->ConnectDirect(PinOf(a, "Output1"), PinOf(c, "In"), nullptr), S_OK);
  EXPECT_EQ(DumpGraph(graph),
            "Null Renderer\n"
            "Tee\n"
            "  Output1 -> Null Renderer.In [Video YUY2 720x480]\n"
            "  Output2 (unconnected)\n"
            "Tee 0001\n"
            "  Output1 (unconnected)\n"
            "Video Capture\n"
            "  Capture -> Tee.Input [Video YUY2 720x480]\n");
  EXPECT_EQ(graph->RemoveFilter(a), S_OK);
  CComPtr<IPin> peer;
  EXPECT_EQ(PinOf(cam, "Capture")->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(PinOf(c, "In")->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
}

TEST_F(GraphTest, IntelligentConnectAndRenderInsertConverters) {
  auto cam = DeviceFilter("DVCAM");
  ASSERT_EQ(graph->AddFilter(cam, "DV Camcorder"), S_OK);
  auto renderer = Create(CLSID_VideoRenderer);
  ASSERT_EQ(graph->AddFilter(renderer, "Video Render"), S_OK);
  // DV does not go straight into a video renderer...
  EXPECT_TRUE(FAILED(graph->ConnectDirect(PinOf(cam, "DV A/V Out"), PinOf(renderer, "Input"), nullptr)));
  // ...but through the splitter and the decoder.
  ASSERT_EQ(graph->Connect(PinOf(cam, "DV A/V Out"), PinOf(renderer, "Input")), S_OK);
  EXPECT_EQ(DumpGraph(graph),
            "DV Camcorder\n"
            "  DV A/V Out -> DV Splitter.Input [Interleaved dvsd]\n"
            "DV Splitter\n"
            "  DVVidOut0 -> DV Video Decoder.XForm In [Video dvsd]\n"
            "  AudOut00 (unconnected)\n"
            "DV Video Decoder\n"
            "  XForm Out -> Video Render.Input [Video YUY2 360x240]\n"
            "Video Render\n");
  CComPtr<IBaseFilter> splitter;
  ASSERT_EQ(graph->FindFilterByName("DV Splitter", &splitter), S_OK);
  ASSERT_EQ(graph->Render(PinOf(splitter, "AudOut00")), S_OK);
  CComPtr<IBaseFilter> sound;
  EXPECT_EQ(graph->FindFilterByName("Default DirectSound Device", &sound), S_OK);
  // Rendering a DV pin renders its sound too.
  auto other = DeviceFilter("DVCAM");
  ASSERT_EQ(graph->AddFilter(other, "Second DV"), S_OK);
  ASSERT_EQ(graph->Render(PinOf(other, "DV A/V Out")), S_OK);
  const std::string dump = DumpGraph(graph);
  EXPECT_NE(dump.find("DV Splitter 0001\n  DVVidOut0 -> DV Video Decoder 0001.XForm In"), std::string::npos) << dump;
  EXPECT_NE(
      dump.find(
          "  AudOut00 -> Default DirectSound Device 0001.Audio Input pin (rendered) [Audio PCM 48000Hz 2ch 16bit]"),
      std::string::npos)
      << dump;
  // An MPEG-2 transport stream has no default renderer.
  auto hdv = DeviceFilter("HDVCAM");
  ASSERT_EQ(graph->AddFilter(hdv, "HDV"), S_OK);
  EXPECT_EQ(graph->Render(PinOf(hdv, "MPEG2 TS Out")), VFW_E_CANNOT_RENDER);
}

TEST_F(GraphTest, SourceDeliversOneFramePerFrameTimeOfTheManualClock) {
  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  auto cam = DeviceFilter("USBBOX");
  ASSERT_EQ(graph->AddFilter(cam, "Video Capture"), S_OK);
  CComPtr<IBaseFilter> renderer = Create(CLSID_VideoRenderer);
  ASSERT_EQ(graph->AddFilter(renderer, "Video Render"), S_OK);
  CComPtr<IAMStreamConfig> config;
  ASSERT_EQ(PinOf(cam, "Capture").QueryInterface(&config), S_OK);
  CMediaType pal = MakeVideoType(MEDIASUBTYPE_YUY2, 720, 576, 400000);
  ASSERT_EQ(config->SetFormat(&pal), S_OK);
  ASSERT_EQ(graph->ConnectDirect(PinOf(cam, "Capture"), PinOf(renderer, "Input"), nullptr), S_OK);
  auto* counting = dynamic_cast<CRendererFilter*>(AsBaseFilter(renderer));
  ASSERT_NE(counting, nullptr);

  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_TRUE(WaitFor([&] { return counting->SamplesRendered() == 1; }));  // the frame at time 0
  clock.Advance(1000);                                                     // 25 more at 40 ms each
  ASSERT_TRUE(WaitFor([&] { return counting->SamplesRendered() == 26; }));
  ASSERT_EQ(control->Stop(), S_OK);  // joins the source: nothing arrives after this
  EXPECT_EQ(counting->SamplesRendered(), 26);
  EXPECT_EQ(counting->LastSampleIndex(), 25);
  EXPECT_EQ(counting->BytesRendered(), 26u * 720 * 576 * 2);
  OAFilterState state = -1;
  control->GetState(0, &state);
  EXPECT_EQ(state, State_Stopped);
  // A connection cannot change while running.
  ASSERT_EQ(control->Run(), S_OK);
  EXPECT_EQ(graph->Disconnect(PinOf(cam, "Capture")), VFW_E_NOT_STOPPED);
  control->Stop();
}

// A device's YUV or 24-bit picture connected straight to the video renderer is shown as the
// device painted it: the same picture as its 32-bit painting, the right way up; a smaller window
// gets the picture at its own size.
TEST_F(GraphTest, PicturesConnectedStraightAreShownAsTheDevicePaintedThem) {
  constexpr int kWidth = 720, kHeight = 576;
  std::vector<std::uint8_t> expected(static_cast<std::size_t>(kWidth) * kHeight * 4);
  sim::PaintFrame(MEDIASUBTYPE_RGB32, kWidth, kHeight, 0, 400000, expected.data(), kWidth * 4);
  WNDCLASS wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "RendererTestOwner";
  RegisterClass(&wc);
  HWND owner = CreateWindowEx(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_TRUE(owner);
  int tried = 0;
  for (const GUID& subtype : {MEDIASUBTYPE_YUY2, MEDIASUBTYPE_UYVY, MEDIASUBTYPE_RGB24}) {
    platform::ManualClock clock(1000);
    platform::ScopedClock use(clock);
    CComPtr<IGraphBuilder> own;
    ASSERT_EQ(own.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER), S_OK);
    CComPtr<IMediaControl> run;
    ASSERT_EQ(own.QueryInterface(&run), S_OK);
    auto cam = DeviceFilter("USBBOX");
    ASSERT_EQ(own->AddFilter(cam, "Video Capture"), S_OK);
    CComPtr<IBaseFilter> renderer = Create(CLSID_VideoRenderer);
    ASSERT_EQ(own->AddFilter(renderer, "Video Render"), S_OK);
    CComPtr<IAMStreamConfig> config;
    ASSERT_EQ(PinOf(cam, "Capture").QueryInterface(&config), S_OK);
    CMediaType format = MakeVideoType(subtype, kWidth, kHeight, 400000);
    if (config->SetFormat(&format) != S_OK ||
        own->ConnectDirect(PinOf(cam, "Capture"), PinOf(renderer, "Input"), nullptr) != S_OK)
      continue;
    ++tried;
    auto* video = dynamic_cast<CVideoRendererFilter*>(AsBaseFilter(renderer));
    ASSERT_NE(video, nullptr);
    CComPtr<IVideoWindow> window;
    ASSERT_EQ(renderer.QueryInterface(&window), S_OK);
    window->put_Owner(reinterpret_cast<OAHWND>(owner));
    window->SetWindowPosition(0, 0, kWidth, kHeight);
    ASSERT_EQ(run->Run(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return video->SamplesRendered() >= 1; }));
    ASSERT_EQ(run->Stop(), S_OK);
    int width = 0, height = 0;
    const std::vector<std::uint8_t> shown = video->ShownPicture(&width, &height);
    ASSERT_EQ(width, kWidth);
    ASSERT_EQ(height, kHeight);
    ASSERT_EQ(shown.size(), expected.size());
    // Colour is carried at half width in YUV: the pictures agree closely, not byte for byte.
    double difference = 0;
    for (std::size_t i = 0; i < shown.size(); i += 4)
      for (int c = 0; c < 3; ++c) difference += std::abs(int(shown[i + c]) - int(expected[i + c]));
    EXPECT_LT(difference / (static_cast<double>(kWidth) * kHeight * 3), 6.0) << GuidToString(subtype);

    // A quarter-size window: the picture is made at its size.
    window->SetWindowPosition(0, 0, kWidth / 4, kHeight / 4);
    const long long before = video->SamplesRendered();
    ASSERT_EQ(run->Run(), S_OK);
    clock.Advance(40);
    ASSERT_TRUE(WaitFor([&] { return video->SamplesRendered() > before; }));
    ASSERT_EQ(run->Stop(), S_OK);
    video->ShownPicture(&width, &height);
    EXPECT_EQ(width, kWidth / 4);
    EXPECT_EQ(height, kHeight / 4);
    window->put_Owner(0);
  }
  EXPECT_GE(tried, 1);
  DestroyWindow(owner);
}

namespace {
std::mutex postedMutex;
std::vector<std::pair<HWND, UINT>> posted;
BOOL RecordPost(HWND hwnd, UINT msg, WPARAM, LPARAM) {
  std::lock_guard lock(postedMutex);
  posted.emplace_back(hwnd, msg);
  return TRUE;
}
}  // namespace

TEST_F(GraphTest, UnpluggedDeviceReportsDeviceLostToTheNotifyWindow) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  auto previous = SetGraphNotificationPoster(RecordPost);
  posted.clear();
  auto cam = DeviceFilter("USBBOX");
  ASSERT_EQ(graph->AddFilter(cam, "Video Capture"), S_OK);
  auto null = Create(CLSID_NullRenderer);
  ASSERT_EQ(graph->AddFilter(null, "Null"), S_OK);
  ASSERT_EQ(graph->ConnectDirect(PinOf(cam, "Capture"), PinOf(null, "In"), nullptr), S_OK);
  HWND window = reinterpret_cast<HWND>(0x1234);
  ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), 0x0400 + 70, 0), S_OK);
  ASSERT_EQ(control->Run(), S_OK);
  sim::Hardware::Instance().Unplug("USBBOX");

  long code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(code, EC_DEVICE_LOST);
  EXPECT_EQ(p2, 0);
  CComPtr<IUnknown> lostUnknown, camUnknown;
  reinterpret_cast<IUnknown*>(p1)->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&lostUnknown));
  cam->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&camUnknown));
  EXPECT_EQ(lostUnknown.get(), camUnknown.get());
  events->FreeEventParams(code, p1, p2);
  EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
  {
    std::lock_guard lock(postedMutex);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].first, window);
    EXPECT_EQ(posted[0].second, 0x0400u + 70);
  }
  control->Stop();
  // An unplugged device is not listed and cannot be opened.
  CComPtr<IBaseFilter> again;
  EXPECT_EQ(sim::CreateDeviceFilter("USBBOX", IID_IBaseFilter, reinterpret_cast<void**>(&again)),
            sim::E_DEVICE_NOT_CONNECTED);
  sim::Hardware::Instance().Plug("USBBOX");
  SetGraphNotificationPoster(previous);
}

TEST_F(GraphTest, TapeEndGivesOneCompleteEventForTheGraph) {
  // A short "tape" of three DV frames.
  const std::string tape = std::string(VIDARRO_TEST_BINARY_DIR) + "/tape.dv";
  {
    std::FILE* f = std::fopen(tape.c_str(), "wb");
    std::vector<char> frame(120000, 7);
    for (int i = 0; i < 3; ++i) std::fwrite(frame.data(), 1, frame.size(), f);
    std::fclose(f);
  }
  sim::Hardware::Instance().Update("DVCAM", [&](sim::DeviceDesc& d) { d.tape = tape; });
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  auto cam = DeviceFilter("DVCAM");
  ASSERT_EQ(graph->AddFilter(cam, "DV"), S_OK);
  auto tee = Create(CLSID_InfTee);
  ASSERT_EQ(graph->AddFilter(tee, "Tee"), S_OK);
  auto r1 = Create(CLSID_NullRenderer), r2 = Create(CLSID_NullRenderer);
  graph->AddFilter(r1, "R1");
  graph->AddFilter(r2, "R2");
  ASSERT_EQ(graph->ConnectDirect(PinOf(cam, "DV A/V Out"), PinOf(tee, "Input"), nullptr), S_OK);
  ASSERT_EQ(graph->ConnectDirect(PinOf(tee, "Output1"), PinOf(r1, "In"), nullptr), S_OK);
  ASSERT_EQ(graph->ConnectDirect(PinOf(tee, "Output2"), PinOf(r2, "In"), nullptr), S_OK);
  // A tape plays only when the transport does.
  CComPtr<IAMExtTransport> transport;
  ASSERT_EQ(cam->QueryInterface(IID_IAMExtTransport, reinterpret_cast<void**>(&transport)), S_OK);
  ASSERT_EQ(transport->put_Mode(ED_MODE_PLAY), S_OK);
  ASSERT_EQ(control->Run(), S_OK);
  clock.Advance(1000);
  long code = 0;
  ASSERT_EQ(events->WaitForCompletion(5000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  LONG_PTR p1, p2;
  ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);  // one for both renderers
  EXPECT_EQ(dynamic_cast<CRendererFilter*>(AsBaseFilter(r2))->SamplesRendered(), 3);
  // The time code follows the tape: three frames past where the tape starts.
  CComPtr<IAMTimecodeReader> timecode;
  ASSERT_EQ(cam->QueryInterface(IID_IAMTimecodeReader, reinterpret_cast<void**>(&timecode)), S_OK);
  TIMECODE_SAMPLE tc{};
  ASSERT_EQ(timecode->GetTimecode(&tc), S_OK);
  EXPECT_EQ(tc.timecode.dwFrames, 0x00010003u);
  control->Stop();
}

#include "platform/window/messages.h"
#include "platform/window/window.h"

namespace {
LRESULT Quiet(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProc(hwnd, msg, wParam, lParam); }
}  // namespace

TEST_F(GraphTest, DeviceLostArrivesAsAWindowMessage) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  WNDCLASS wc{};
  wc.lpfnWndProc = Quiet;
  wc.lpszClassName = "GraphOwner";
  RegisterClass(&wc);
  HWND owner = CreateWindowEx(0, "GraphOwner", "owner", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  auto cam = DeviceFilter("DVCAM");
  ASSERT_EQ(graph->AddFilter(cam, "DV"), S_OK);
  ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(owner), WM_USER + 70, 5), S_OK);
  sim::Hardware::Instance().Unplug("DVCAM");
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, owner, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 70u);
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_EQ(msg.lParam, 5);
  long code = 0;
  LONG_PTR p1, p2;
  ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(code, EC_DEVICE_LOST);
  events->FreeEventParams(code, p1, p2);
  sim::Hardware::Instance().Plug("DVCAM");
  DestroyWindow(owner);
}

namespace {
// A sink that keeps the last sample it was given.
class KeepingSink : public CRendererFilter {
 public:
  KeepingSink() : CRendererFilter(GUID_NULL, "Keeper", {}, "In") {}
  MediaSample Last() {
    std::lock_guard lock(mutex_);
    return last_;
  }

 protected:
  void Render(const MediaSample& s) override {
    std::lock_guard lock(mutex_);
    last_ = s;
  }

 private:
  std::mutex mutex_;
  MediaSample last_;
};
}  // namespace

TEST_F(GraphTest, SourcesDeliverMovingBarsAToneAndReportArrival) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  auto card = sim::DefaultDevices()[0];
  card.audioPin = true;
  sim::Hardware::Instance().SetDevices({card});
  auto cam = DeviceFilter("USBBOX");
  ASSERT_EQ(graph->AddFilter(cam, "Video Capture"), S_OK);
  auto* video = new KeepingSink();
  auto* audio = new KeepingSink();
  CComPtr<IBaseFilter> videoSink, audioSink;
  videoSink.Attach(video);
  audioSink.Attach(audio);
  graph->AddFilter(videoSink, "Video Sink");
  graph->AddFilter(audioSink, "Audio Sink");
  ASSERT_EQ(graph->ConnectDirect(PinOf(cam, "Capture"), PinOf(videoSink, "In"), nullptr), S_OK);
  ASSERT_EQ(graph->ConnectDirect(PinOf(cam, "Audio"), PinOf(audioSink, "In"), nullptr), S_OK);
  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_TRUE(WaitFor([&] { return video->SamplesRendered() == 1 && audio->SamplesRendered() == 1; }));
  const MediaSample first = video->Last();
  clock.Advance(34);
  ASSERT_TRUE(WaitFor([&] { return video->SamplesRendered() == 2; }));
  const MediaSample second = video->Last();
  const CMediaType yuy2 = MakeVideoType(MEDIASUBTYPE_YUY2, 720, 480, 333667);
  EXPECT_EQ(sim::FrameNumberOfPicture(yuy2, first.data), 0);
  EXPECT_EQ(sim::FrameNumberOfPicture(yuy2, second.data), 1);
  EXPECT_EQ(second.start, 333667);
  ASSERT_EQ(first.data.size(), 720u * 480 * 2);
  // Frame 0 opens a second with the white flash; frame 1 shows the bars, white bar first.
  EXPECT_GT(first.data[2 * 720 * 100 + 2 * 400], 220);
  EXPECT_NEAR(second.data[2 * 720 * 100], 180, 2);
  EXPECT_LT(second.data[2 * 720 * 100 + 2 * 700], 50);  // the blue bar
  const MediaSample tone = audio->Last();
  ASSERT_EQ(tone.data.size(), 4800u * 2 * 2);  // 100 ms of 48 kHz stereo
  short peak = 0;
  for (std::size_t i = 0; i + 1 < tone.data.size(); i += 2) {
    short v;
    std::memcpy(&v, &tone.data[i], 2);
    peak = std::max<short>(peak, v);
  }
  EXPECT_GT(peak, 7000);
  control->Stop();

  // Removal, then arrival again: lParam2 0, then 1.
  sim::Hardware::Instance().Unplug("USBBOX");
  sim::Hardware::Instance().Plug("USBBOX");
  long code;
  LONG_PTR p1, p2;
  ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(p2, 0);
  events->FreeEventParams(code, p1, p2);
  ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(code, EC_DEVICE_LOST);
  EXPECT_EQ(p2, 1);
  events->FreeEventParams(code, p1, p2);
}

// FindInterface as documented: without a category the whole graph around the filter (the
// filter, its pins, downstream and upstream, whatever pins carry the media type); a pin
// category narrows the downstream search to its pins; LOOK_UPSTREAM_ONLY and
// LOOK_DOWNSTREAM_ONLY leave the filter itself out.
TEST_F(GraphTest, FindInterfaceSearchesAsEachCategorySays) {
  auto cam = DeviceFilter("USBBOX");
  auto tee = Create(CLSID_InfTee);
  auto renderer = Create(CLSID_VideoRenderer);
  ASSERT_EQ(graph->AddFilter(cam, "Video Capture"), S_OK);
  ASSERT_EQ(graph->AddFilter(tee, "Tee"), S_OK);
  ASSERT_EQ(graph->AddFilter(renderer, "Video Render"), S_OK);
  ASSERT_EQ(graph->ConnectDirect(PinOf(cam, "Capture"), PinOf(tee, "Input"), nullptr), S_OK);
  ASSERT_EQ(graph->Connect(PinOf(tee, "Output1"), PinOf(renderer, "Input")), S_OK);
  CComPtr<ICaptureGraphBuilder2> builder;
  ASSERT_EQ(builder.CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  ASSERT_EQ(builder->SetFiltergraph(graph), S_OK);
  CComPtr<IVideoWindow> rendererWindow;
  ASSERT_EQ(renderer.QueryInterface(&rendererWindow), S_OK);
  auto find = [&](const GUID* category, const GUID* type, IBaseFilter* from, REFIID iid) {
    CComPtr<IUnknown> found;
    const HRESULT hr = builder->FindInterface(category, type, from, iid, reinterpret_cast<void**>(&found));
    EXPECT_EQ(SUCCEEDED(hr), found != nullptr);
    return found;
  };
  auto same = [](IUnknown* a, IUnknown* b) {
    CComPtr<IUnknown> ia, ib;
    if (!a || !b) return false;
    a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ia));
    b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ib));
    return ia.get() == ib.get();
  };

  // An HDV camcorder has no interleaved pin: the renderer behind it is found all the same.
  EXPECT_TRUE(same(find(nullptr, &MEDIATYPE_Interleaved, cam, IID_IVideoWindow), rendererWindow));
  EXPECT_TRUE(same(find(nullptr, nullptr, cam, IID_IVideoWindow), rendererWindow));
  EXPECT_TRUE(same(find(nullptr, &MEDIATYPE_Video, tee, IID_IVideoWindow), rendererWindow));
  // Upstream of the tee, on the camcorder's pin, and on the renderer itself.
  EXPECT_TRUE(find(nullptr, nullptr, tee, IID_IAMStreamConfig));
  EXPECT_TRUE(same(find(nullptr, nullptr, renderer, IID_IVideoWindow), rendererWindow));
  // The capture pin leads to the renderer; a category the camcorder has no pin of finds nothing.
  EXPECT_TRUE(same(find(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, cam, IID_IVideoWindow), rendererWindow));
  EXPECT_TRUE(find(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, cam, IID_IAMStreamConfig));
  EXPECT_FALSE(find(&PIN_CATEGORY_VIDEOPORT, nullptr, cam, IID_IVideoWindow));
  // Upstream and downstream only: never the filter itself.
  EXPECT_FALSE(find(&LOOK_UPSTREAM_ONLY, nullptr, renderer, IID_IVideoWindow));
  EXPECT_FALSE(find(&LOOK_DOWNSTREAM_ONLY, nullptr, renderer, IID_IVideoWindow));
  EXPECT_TRUE(same(find(&LOOK_DOWNSTREAM_ONLY, nullptr, cam, IID_IVideoWindow), rendererWindow));
  EXPECT_TRUE(find(&LOOK_UPSTREAM_ONLY, nullptr, renderer, IID_IAMStreamConfig));
}
