#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/base/clock.h"
#include "platform/com/class_table.h"
#include "platform/com/property_frame.h"
#include "platform/com/task_mem.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/stock_filters.h"
#include "platform/dshow/video_window.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/window/messages.h"
#include "platform/window/timers.h"

using namespace platform::dshow;

namespace {

CComPtr<IPin> PinOf(IBaseFilter* filter, const char* name) {
  CComPtr<IPin> pin;
  filter->FindPin(name, &pin);
  return pin;
}

template <typename I>
CComPtr<I> As(IUnknown* object) {
  CComPtr<I> p;
  if (object) object->QueryInterface(uuidof<I>(), reinterpret_cast<void**>(&p));
  return p;
}

class FiltersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
    ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph), S_OK);
    ASSERT_EQ(builder.CoCreateInstance(CLSID_CaptureGraphBuilder2), S_OK);
    ASSERT_EQ(builder->SetFiltergraph(graph), S_OK);
  }
  CComPtr<IBaseFilter> Device(const char* id, const char* name) {
    CComPtr<IBaseFilter> f;
    EXPECT_EQ(sim::CreateDeviceFilter(id, IID_IBaseFilter, reinterpret_cast<void**>(&f)), S_OK);
    EXPECT_TRUE(SUCCEEDED(graph->AddFilter(f, name)));
    return f;
  }
  CComPtr<IGraphBuilder> graph;
  CComPtr<ICaptureGraphBuilder2> builder;
};

}  // namespace

TEST(MediaTypeTest, CopiesOwnTheirFormatAndPartialTypesMatch) {
  CMediaType video = MakeVideoType(MEDIASUBTYPE_RGB24, 352, 288, 400000);
  AM_MEDIA_TYPE* copy = CreateMediaType(&video);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->pbFormat, video.pbFormat);
  EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(copy->pbFormat)->bmiHeader.biSizeImage, 352u * 288 * 3);
  DeleteMediaType(copy);
  CMediaType pattern;
  pattern.majortype = MEDIATYPE_Video;
  pattern.subtype = GUID_NULL;
  pattern.formattype = GUID_NULL;
  EXPECT_TRUE(video.MatchesPartial(pattern));
  pattern.subtype = MEDIASUBTYPE_YUY2;
  EXPECT_FALSE(video.MatchesPartial(pattern));
  CMediaType assigned;
  assigned = video;
  assigned = assigned;  // self-assignment keeps the block
  EXPECT_EQ(assigned.Format<VIDEOINFOHEADER>()->bmiHeader.biWidth, 352);
  EXPECT_EQ(assigned.Format<WAVEFORMATEX>() == nullptr, false);  // big enough to read, not checked for kind
  EXPECT_EQ(MakeAudioType(2, 44100, 16).Format<WAVEFORMATEX>()->nAvgBytesPerSec, 176400u);
}

TEST_F(FiltersTest, PreviewWithoutPreviewPinGoesThroughSmartTee) {
  auto cam = Device("USBBOX", "Video Capture");
  EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, cam, nullptr, nullptr), 0x0004027E);
  EXPECT_EQ(DumpGraph(graph),
            "Smart Tee\n"
            "  Capture (unconnected)\n"
            "  Preview -> Video Renderer.Input [Video YUY2 720x480]\n"
            "Vidarro USB Crossbar\n"
            "  0: Video Decoder Out -> Video Capture.Analog Video In [AnalogVideo *]\n"
            "  1: Audio Decoder Out (unconnected)\n"
            "Video Capture\n"
            "  Capture -> Smart Tee.Input [Video YUY2 720x480]\n"
            "Video Renderer\n");
}

TEST_F(FiltersTest, FileWritersAreMadeAndFedByTheCaptureGraphBuilder) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  auto cam = Device("DVCAM", "DV");
  CComPtr<IBaseFilter> mux;
  CComPtr<IFileSinkFilter> sink;
  ASSERT_EQ(builder->SetOutputFileName(&MEDIASUBTYPE_Avi, "/tmp/x.avi", &mux, &sink), S_OK);
  ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, cam, nullptr, mux), S_OK);
  LPOLESTR file = nullptr;
  ASSERT_EQ(sink->GetCurFile(&file, nullptr), S_OK);
  EXPECT_STREQ(file, "/tmp/x.avi");
  CoTaskMemFree(file);
  EXPECT_EQ(DumpGraph(graph),
            "AVI Mux\n"
            "  AVI Out -> File writer.in [Stream Avi]\n"
            "DV\n"
            "  DV A/V Out -> AVI Mux.Input 01 [Interleaved dvsd]\n"
            "File writer\n");
  auto config = As<IConfigAviMux>(mux);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->SetMasterStream(0), S_OK);
  auto interleave = As<IConfigInterleaving>(mux);
  EXPECT_EQ(interleave->put_Mode(INTERLEAVE_CAPTURE), S_OK);
  EXPECT_EQ(interleave->put_Mode(static_cast<InterleavingMode>(9)), E_INVALIDARG);
  EXPECT_TRUE(PinOf(mux, "Input 02"));  // a fresh input once the first is taken

  CComPtr<IMediaControl> control;
  graph.QueryInterface(&control);
  CComPtr<IBaseFilter> writer;
  graph->FindFilterByName("File writer", &writer);
  auto* counting = dynamic_cast<CRendererFilter*>(AsBaseFilter(writer));
  ASSERT_NE(counting, nullptr);
  control->Run();
  clock.Advance(90);  // frames at 0, 33.4 and 66.7 ms are due, the one at 100.1 ms is not
  for (int i = 0; i < 500 && counting->SamplesRendered() < 3; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  control->Stop();
  EXPECT_EQ(counting->SamplesRendered(), 3);
  EXPECT_EQ(counting->BytesRendered(), 3u * 120000);

  CComPtr<IBaseFilter> asf;
  EXPECT_EQ(builder->SetOutputFileName(&MEDIASUBTYPE_Asf, "/tmp/x.wmv", &asf, nullptr), S_OK);
  EXPECT_TRUE(PinOf(asf, "Video Input 01") && PinOf(asf, "Audio Input 01"));
  CComPtr<IBaseFilter> none;
  EXPECT_EQ(builder->SetOutputFileName(&MEDIASUBTYPE_PCM, "/tmp/x", &none, nullptr), E_INVALIDARG);
  EXPECT_EQ(none.get(), nullptr);
}

TEST_F(FiltersTest, DemultiplexerPinsMixerModesAndRendererState) {
  CComPtr<IBaseFilter> demux;
  ASSERT_EQ(demux.CoCreateInstance(CLSID_MPEG2Demultiplexer), S_OK);
  auto control = As<IMpeg2Demultiplexer>(demux);
  CMediaType video = MakeStreamType(MEDIASUBTYPE_MPEG2_VIDEO);
  video.majortype = MEDIATYPE_Video;
  CComPtr<IPin> out;
  ASSERT_EQ(control->CreateOutputPin(&video, "Video", &out), S_OK);
  CComPtr<IPin> again;
  EXPECT_EQ(control->CreateOutputPin(&video, "Video", &again), E_INVALIDARG);
  auto map = As<IMPEG2PIDMap>(out);
  ASSERT_TRUE(map);
  ULONG pid = 0x810;
  EXPECT_EQ(map->MapPID(1, &pid, MEDIA_ELEMENTARY_STREAM), S_OK);
  out = nullptr;
  map = nullptr;
  EXPECT_EQ(control->DeleteOutputPin("Video"), S_OK);
  EXPECT_EQ(control->DeleteOutputPin("Video"), VFW_E_NOT_FOUND);

  CComPtr<IBaseFilter> mixer;
  ASSERT_EQ(mixer.CoCreateInstance(CLSID_OverlayMixer), S_OK);
  auto pinConfig = As<IMixerPinConfig>(PinOf(mixer, "Input0"));
  ASSERT_TRUE(pinConfig);
  EXPECT_FALSE(As<IMixerPinConfig>(PinOf(mixer, "Output")));
  AM_ASPECT_RATIO_MODE mode = AM_ARMODE_CROP;
  EXPECT_EQ(pinConfig->SetAspectRatioMode(AM_ARMODE_STRETCHED), S_OK);
  pinConfig->GetAspectRatioMode(&mode);
  EXPECT_EQ(mode, AM_ARMODE_STRETCHED);

  CComPtr<IBaseFilter> renderer;
  ASSERT_EQ(renderer.CoCreateInstance(CLSID_VideoRendererDefault), S_OK);
  auto window = As<IVideoWindow>(renderer);
  ASSERT_TRUE(window);
  window->put_Owner(0x42);
  window->SetWindowPosition(100, 0, 600, 450);
  long l, t, w, h;
  OAHWND owner = 0;
  window->get_Owner(&owner);
  window->GetWindowPosition(&l, &t, &w, &h);
  EXPECT_EQ(owner, 0x42);
  EXPECT_EQ(l + w + t + h, 100 + 600 + 0 + 450);

  CComPtr<IBaseFilter> sound;
  ASSERT_EQ(sound.CoCreateInstance(CLSID_AudioRender), S_OK);
  auto audio = As<IBasicAudio>(sound);
  EXPECT_EQ(audio->put_Volume(1), E_INVALIDARG);
  EXPECT_EQ(audio->put_Volume(-2000), S_OK);
  EXPECT_TRUE(As<IReferenceClock>(sound));
  CComPtr<IBaseFilter> decoder;
  ASSERT_EQ(decoder.CoCreateInstance(CLSID_DVVideoCodec), S_OK);
  auto dv = As<IIPDVDec>(decoder);
  EXPECT_EQ(dv->put_IPDisplay(DVRESOLUTION_QUARTER), S_OK);
  EXPECT_EQ(dv->put_IPDisplay(5), E_INVALIDARG);
}

// A source that outpaces the preview's painting: one notice of a new frame waits at a time, so
// the window's thread takes its due timers (a capture page's clock) between frames.
TEST(VideoWindowTest, FramesFasterThanThePaintingLeaveTheTimersTheirTurn) {
  platform::ManualClock clock(1000);
  platform::Clock* const previous = platform::SetClock(&clock);
  WNDCLASS wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "VideoWindowTestOwner";
  RegisterClass(&wc);
  HWND owner = CreateWindowEx(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr, nullptr,
                              nullptr);
  ASSERT_TRUE(owner);
  VideoWindow video;
  video.SetOwner(owner);
  video.Move(0, 0, 320, 240);
  const std::vector<std::uint8_t> frame(64 * 48 * 4, 0x80);
  SetTimer(owner, 7, 40, nullptr);
  clock.Advance(50);
  for (int i = 0; i < 30; ++i) video.Present(frame.data(), frame.size(), 64, 48);

  int handledFirst = 0;
  bool ticked = false;
  MSG m;
  while (!ticked && handledFirst < 30 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_TIMER && m.hwnd == owner) {
      ticked = true;
      break;
    }
    ++handledFirst;
    // The next frame comes while this message is handled.
    video.Present(frame.data(), frame.size(), 64, 48);
    DispatchMessage(&m);
  }
  EXPECT_TRUE(ticked);
  EXPECT_LE(handledFirst, 3);

  KillTimer(owner, 7);
  video.SetOwner(nullptr);
  DestroyWindow(owner);
  platform::SetClock(previous);
}

// The stock inputs take only what their filters can use; a wrong type is refused before any
// connection is tried.
TEST(StockInputsTest, TakeOnlyTheirTypes) {
  RegisterStockClasses();
  auto accepts = [](const CLSID& clsid, const char* pin, const CMediaType& mt) {
    CComPtr<IBaseFilter> f;
    EXPECT_EQ(f.CoCreateInstance(clsid), S_OK);
    CComPtr<IPin> p = PinOf(f, pin);
    EXPECT_TRUE(p != nullptr) << pin;
    return p && p->QueryAccept(&mt) == S_OK;
  };
  const CMediaType video = MakeVideoType(MEDIASUBTYPE_YUY2, 720, 480, 333667);
  const CMediaType audio = MakeAudioType(2, 48000, 16);
  const CMediaType dv = MakeDvType();
  CMediaType ts = MakeStreamType(MEDIASUBTYPE_MPEG2_TRANSPORT);
  const CMediaType avi = MakeStreamType(MEDIASUBTYPE_Avi);

  EXPECT_TRUE(accepts(CLSID_DVSplitter, "Input", dv));
  EXPECT_FALSE(accepts(CLSID_DVSplitter, "Input", video));
  EXPECT_TRUE(accepts(CLSID_OverlayMixer, "Input0", video));
  EXPECT_FALSE(accepts(CLSID_OverlayMixer, "Input0", audio));
  EXPECT_TRUE(accepts(CLSID_AviDest, "Input 01", video));
  EXPECT_TRUE(accepts(CLSID_AviDest, "Input 01", audio));
  EXPECT_TRUE(accepts(CLSID_AviDest, "Input 01", dv));
  EXPECT_FALSE(accepts(CLSID_AviDest, "Input 01", avi));
  EXPECT_TRUE(accepts(CLSID_WMAsfWriter, "Video Input 01", video));
  EXPECT_FALSE(accepts(CLSID_WMAsfWriter, "Video Input 01", audio));
  EXPECT_TRUE(accepts(CLSID_WMAsfWriter, "Audio Input 01", audio));
  EXPECT_FALSE(accepts(CLSID_WMAsfWriter, "Audio Input 01", video));
  EXPECT_TRUE(accepts(CLSID_MPEG2Demultiplexer, "MPEG-2 Stream", ts));
  ts.majortype = MEDIATYPE_Video;  // the sub type alone decides
  EXPECT_TRUE(accepts(CLSID_MPEG2Demultiplexer, "MPEG-2 Stream", ts));
  EXPECT_FALSE(accepts(CLSID_MPEG2Demultiplexer, "MPEG-2 Stream", avi));
  EXPECT_TRUE(accepts(CLSID_InfTee, "Input", audio));
  EXPECT_TRUE(accepts(CLSID_InfTee, "Input", avi));
  EXPECT_TRUE(accepts(CLSID_FileWriter, "in", avi));
  EXPECT_FALSE(accepts(CLSID_FileWriter, "in", video));
  EXPECT_TRUE(accepts(CLSID_Colour, "Input", video));
  EXPECT_FALSE(accepts(CLSID_Colour, "Input", MakeVideoType(MEDIASUBTYPE_dvsd, 720, 480, 333667)));
}

TEST_F(FiltersTest, CaptureDeviceControls) {
  sim::DeviceDesc card = sim::DefaultDevices()[0];
  card.id = "CARD";
  card.audioPin = true;
  card.vpPin = true;
  card.signal = false;
  card.tvFormats = AnalogVideo_NTSC_M | AnalogVideo_PAL_B;
  sim::Hardware::Instance().SetDevices({card, sim::DefaultDevices()[3]});
  auto cap = Device("CARD", "Video Capture");
  auto procAmp = As<IAMVideoProcAmp>(cap);
  long min, max, step, def, caps, value, flags;
  ASSERT_EQ(procAmp->GetRange(VideoProcAmp_Brightness, &min, &max, &step, &def, &caps), S_OK);
  EXPECT_EQ(procAmp->Set(VideoProcAmp_Brightness, max + 1, VideoProcAmp_Flags_Manual), E_INVALIDARG);
  EXPECT_EQ(procAmp->Set(VideoProcAmp_Brightness, max, VideoProcAmp_Flags_Manual), S_OK);
  procAmp->Get(VideoProcAmp_Brightness, &value, &flags);
  EXPECT_EQ(value, max);
  EXPECT_EQ(procAmp->Get(VideoProcAmp_Gamma, &value, &flags), E_PROP_ID_UNSUPPORTED);

  auto decoder = As<IAMAnalogVideoDecoder>(cap);
  long locked = 1, lines = 0;
  decoder->get_HorizontalLocked(&locked);
  EXPECT_EQ(locked, 0);
  EXPECT_EQ(decoder->put_TVFormat(AnalogVideo_SECAM_L), E_INVALIDARG);
  EXPECT_EQ(decoder->put_TVFormat(AnalogVideo_PAL_B), S_OK);
  decoder->get_NumberOfLines(&lines);
  EXPECT_EQ(lines, 625);
  sim::Hardware::Instance().Update("CARD", [](sim::DeviceDesc& d) { d.signal = true; });
  decoder->get_HorizontalLocked(&locked);
  EXPECT_EQ(locked, 1);

  // The own audio pin takes a format and a buffer suggestion; the "VP" pin is a video port.
  CComPtr<IPin> audioPin;
  ASSERT_EQ(builder->FindPin(cap, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, TRUE, 0, &audioPin), S_OK);
  auto config = As<IAMStreamConfig>(audioPin);
  CMediaType mono = MakeAudioType(1, 44100, 16);
  EXPECT_EQ(config->SetFormat(&mono), S_OK);
  CMediaType odd = MakeAudioType(6, 96000, 24);
  EXPECT_EQ(config->SetFormat(&odd), VFW_E_INVALIDMEDIATYPE);
  AM_MEDIA_TYPE* now = nullptr;
  ASSERT_EQ(config->GetFormat(&now), S_OK);
  EXPECT_EQ(reinterpret_cast<WAVEFORMATEX*>(now->pbFormat)->nChannels, 1);
  DeleteMediaType(now);
  ALLOCATOR_PROPERTIES props;
  props.cBuffers = 5;
  props.cbBuffer = 48000;
  EXPECT_EQ(As<IAMBufferNegotiation>(audioPin)->SuggestAllocatorProperties(&props), S_OK);
  CComPtr<IPin> vp;
  EXPECT_EQ(builder->FindPin(cap, PINDIR_OUTPUT, &PIN_CATEGORY_VIDEOPORT, nullptr, FALSE, 0, &vp), S_OK);

  // The device names its picture, format and decoder pages (the frame that shows them is tested with it in
  // platform/propertyframe).
  auto pages = As<ISpecifyPropertyPages>(cap);
  ASSERT_TRUE(pages);
  CAUUID ids;
  ASSERT_EQ(pages->GetPages(&ids), S_OK);
  ASSERT_EQ(ids.cElems, 3u);
  EXPECT_EQ(ids.pElems[0], CLSID_VideoProcAmpPropertyPage);
  EXPECT_EQ(ids.pElems[1], CLSID_VideoStreamConfigPropertyPage);
  EXPECT_EQ(ids.pElems[2], CLSID_AnalogVideoDecoderPropertyPage);
  CoTaskMemFree(ids.pElems);

  // Camcorder transport and time code.
  auto hdv = Device("HDVCAM", "HDV");
  auto transport = As<IAMExtTransport>(hdv);
  ASSERT_TRUE(transport);
  EXPECT_EQ(transport->put_Mode(ED_MODE_PLAY), S_OK);
  long mode = 0;
  transport->get_Mode(&mode);
  EXPECT_EQ(mode, 4296);
  TIMECODE_SAMPLE tc;
  ASSERT_EQ(As<IAMTimecodeReader>(hdv)->GetTimecode(&tc), S_OK);
  EXPECT_EQ(tc.timecode.dwFrames, 0x00020000u);
  long type = 0;
  As<IAMExtDevice>(hdv)->GetCapability(ED_DEVCAP_DEVICE_TYPE, &type, nullptr);
  EXPECT_EQ(type, ED_DEVTYPE_VCR);
  sim::Hardware::Instance().Unplug("HDVCAM");
  EXPECT_EQ(transport->put_Mode(ED_MODE_STOP), sim::E_DEVICE_NOT_CONNECTED);
}

TEST(HardwareTest, DescriptionComesFromTheNamedFileElseTheDefault) {
  const std::string path = std::string(VIDARRO_TEST_BINARY_DIR) + "/named_devices.ini";
  std::ofstream(path) << "<DEVICES>\r\n[ONLY]\r\nKIND=dv\r\nNAME=Only Camcorder\r\nTIMECODE=01:02:03:04\r\n";
  setenv("VIDARRO_DEVICES", path.c_str(), 1);
  sim::Hardware::Instance().Reload();
  auto devices = sim::Hardware::Instance().Devices();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].name, "Only Camcorder");
  EXPECT_EQ(devices[0].timecodeStart, 0x01020304u);
  EXPECT_EQ(devices[0].formats.front().subtype, MEDIASUBTYPE_dvsd);
  setenv("VIDARRO_DEVICES", (path + ".missing").c_str(), 1);
  sim::Hardware::Instance().Reload();
  EXPECT_EQ(sim::Hardware::Instance().Devices().size(), sim::DefaultDevices().size());
  unsetenv("VIDARRO_DEVICES");

  // Watchers hear of unplugging and plugging.
  std::vector<bool> heard;
  const int token = sim::Hardware::Instance().Watch("USBBOX", [&](bool present) { heard.push_back(present); });
  sim::Hardware::Instance().Unplug("USBBOX");
  sim::Hardware::Instance().Plug("USBBOX");
  sim::Hardware::Instance().Unwatch(token);
  sim::Hardware::Instance().Unplug("USBBOX");
  EXPECT_EQ(heard, (std::vector<bool>{false, true}));
  sim::Hardware::Instance().Plug("USBBOX");
}
