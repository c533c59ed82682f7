// The property frame over the simulated capture devices: its tabs, the picture sliders that
// reach the device at once and come back on Cancel, the format page that applies when the
// graph is stopped and says why it cannot while it runs, and the decoder page.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/com/task_mem.h"
#include "platform/controls/tab.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/media_types.h"
#include "platform/dshow/pin_walk.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/uuids.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/propertyframe/property_frame.h"
#include "platform/propertyframe/tests/frame_driving.h"
#include "platform/testkit/testkit.h"
#include "platform/window/dialog.h"
#include "platform/window/focus.h"

namespace {

namespace sim = platform::dshow::sim;
using platform::propertyframe::kFrameApplyId;
using platform::propertyframe::kFrameTabId;
using namespace testkit;
using namespace propertyframe_tests;

constexpr int kBrightnessSlider = 1000;  // the picture page's slider of VideoProcAmp_Brightness
constexpr int kContrastSlider = 1001;
constexpr int kFormatList = 1400;
constexpr int kFormatReason = 1401;
constexpr int kStandardList = 1500;
constexpr int kSignalText = 1501;
constexpr int kChannelEdit = 1700;
constexpr int kTunerInput = 1703;
constexpr int kTunerSignal = 1704;
constexpr int kTunerReason = 1705;
constexpr int kDvSends = 1800;
constexpr int kDvPicture = 1801;
constexpr int kDvResolution = 1802;
constexpr int kDvNote = 1803;

// Picks an entry of a drop list by keys, as a user does, so the page hears CBN_SELCHANGE.
void ChooseByKeys(HWND page, int id, int steps) {
  SetFocus(GetDlgItem(page, id));
  for (int i = 0; i < steps; ++i) PressKey(VK_DOWN);
}

long ProcAmp(IBaseFilter* filter, long property) {
  CComPtr<IAMVideoProcAmp> amp;
  filter->QueryInterface(IID_IAMVideoProcAmp, reinterpret_cast<void**>(&amp));
  long value = 0, flags = 0;
  EXPECT_EQ(amp->Get(property, &value, &flags), S_OK);
  return value;
}

// Keeps the latest picture the capture pin delivers, passing over the white flash frames.
class PictureSink : public platform::dshow::CRendererFilter {
 public:
  PictureSink() : CRendererFilter(GUID_NULL, "Pictures", {}) {}
  // Waits for a few more pictures, so the one given is painted after what came before the call.
  std::vector<BYTE> Fresh() {
    const long long wanted = count_.load() + 3;
    for (int i = 0; i < 300 && count_.load() < wanted; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(count_.load(), wanted) << "the capture pin stopped delivering";
    std::lock_guard lock(mutex_);
    return latest_;
  }

 protected:
  void Render(const platform::dshow::MediaSample& s) override {
    if (sim::IsFlashFrame(s.index, s.stop - s.start)) return;
    {
      std::lock_guard lock(mutex_);
      latest_ = s.data;
    }
    ++count_;
  }

 private:
  std::mutex mutex_;
  std::vector<BYTE> latest_;
  std::atomic<long long> count_{0};
};

// Of the bars (the top fifth of a YUY2 picture, which holds nothing that moves): the mean luma,
// the spread of the luma, and the mean distance of the colour difference from grey.
struct BarsMeasure {
  double meanLuma = 0;
  int lumaSpread = 0;
  double chroma = 0;
};

BarsMeasure MeasureBars(const std::vector<BYTE>& yuy2, int width, int height) {
  BarsMeasure m;
  int lo = 255, hi = 0;
  double luma = 0, chroma = 0;
  long count = 0;
  for (int y = 0; y < height / 5; ++y)
    for (int x = 0; x + 1 < width; x += 2) {
      const BYTE* p = yuy2.data() + (static_cast<std::size_t>(y) * width + x) * 2;
      luma += p[0] + p[2];
      lo = std::min<int>({lo, p[0], p[2]});
      hi = std::max<int>({hi, p[0], p[2]});
      chroma += std::abs(p[1] - 128) + std::abs(p[3] - 128);
      ++count;
    }
  if (!count) return m;
  m.meanLuma = luma / (2.0 * count);
  m.lumaSpread = hi - lo;
  m.chroma = chroma / (2.0 * count);
  return m;
}

class PropertyFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::dshow::RegisterStockClasses();
    platform::propertyframe::InstallPropertyFrame();
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
    ASSERT_EQ(graph_.CoCreateInstance(CLSID_FilterGraph), S_OK);
    ASSERT_EQ(sim::CreateDeviceFilter("USBBOX", IID_IBaseFilter, reinterpret_cast<void**>(&box_)), S_OK);
    ASSERT_EQ(graph_->AddFilter(box_, "Vidarro USB Video Capture"), S_OK);
  }
  void TearDown() override {
    CComPtr<IMediaControl> control;
    graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
    if (control) control->Stop();
  }
  CComPtr<IGraphBuilder> graph_;
  CComPtr<IBaseFilter> box_;
};

TEST_F(PropertyFrameTest, PictureSlidersReachTheDeviceAndCancelPutsThemBack) {
  long duringBrightness = 0, duringContrast = 0;
  bool applyBefore = true, applyAfter = false;
  WhenDialogShows([&](HWND frame) {
    EXPECT_EQ(WindowText(frame), "Vidarro USB Video Capture Properties");
    ASSERT_EQ(SendDlgItemMessage(frame, kFrameTabId, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(TabText(frame, 0), "Video Proc Amp");
    EXPECT_EQ(TabText(frame, 1), "Video Format");
    EXPECT_EQ(TabText(frame, 2), "Video Decoder");
    HWND page = PageWith(frame, kBrightnessSlider);
    ASSERT_TRUE(page);
    EXPECT_TRUE(IsWindowVisible(page));
    // The box's hue runs -128..127 around 0, sharpness 0..15: each slider has its device's range.
    EXPECT_EQ(SendDlgItemMessage(page, 1002, TBM_GETRANGEMIN, 0, 0), -128);
    EXPECT_EQ(SendDlgItemMessage(page, 1004, TBM_GETRANGEMAX, 0, 0), 15);
    EXPECT_EQ(GetDlgItem(page, 1005), nullptr);  // no gamma on this box
    applyBefore = ControlEnabled(frame, kFrameApplyId);
    SetFocus(GetDlgItem(page, kBrightnessSlider));
    for (int i = 0; i < 5; ++i) PressKey(VK_RIGHT);
    SetFocus(GetDlgItem(page, kContrastSlider));
    PressKey(VK_END);
    duringBrightness = ProcAmp(box_, VideoProcAmp_Brightness);
    duringContrast = ProcAmp(box_, VideoProcAmp_Contrast);
    EXPECT_EQ(ControlText(page, 1100), "133");
    applyAfter = ControlEnabled(frame, kFrameApplyId);
    EXPECT_FALSE(WritePicture(frame, "video_proc_amp.png").empty());
    ClickButton(frame, IDCANCEL);
  });
  EXPECT_EQ(ShowDevicePages(box_), S_OK);
  EXPECT_EQ(duringBrightness, 133);
  EXPECT_EQ(duringContrast, 255);
  EXPECT_FALSE(applyBefore);
  EXPECT_TRUE(applyAfter);
  EXPECT_EQ(ProcAmp(box_, VideoProcAmp_Brightness), 128);
  EXPECT_EQ(ProcAmp(box_, VideoProcAmp_Contrast), 128);
}

// While the box previews, its pictures follow the sliders: brightness lifts the luma, contrast
// at its least leaves one flat grey level, saturation at its least takes the colour out, hue
// turns the colours without taking them out; Cancel gives the very picture back.
TEST_F(PropertyFrameTest, PreviewFollowsThePictureControlsAndCancelGivesItBack) {
  auto* sink = new PictureSink;
  CComPtr<IBaseFilter> sinkFilter;
  sinkFilter.Attach(sink);
  ASSERT_EQ(graph_->AddFilter(sinkFilter, "Pictures"), S_OK);
  CComPtr<IPin> capture, in;
  ASSERT_EQ(box_->FindPin("Capture", &capture), S_OK);
  ASSERT_EQ(sinkFilter->FindPin("In", &in), S_OK);
  ASSERT_EQ(graph_->Connect(capture, in), S_OK);
  AM_MEDIA_TYPE connected{};
  ASSERT_EQ(capture->ConnectionMediaType(&connected), S_OK);
  const CMediaType type(connected);
  FreeMediaType(connected);
  ASSERT_EQ(type.subtype, MEDIASUBTYPE_YUY2);
  const int w = type.Format<VIDEOINFOHEADER>()->bmiHeader.biWidth;
  const int h = std::abs(type.Format<VIDEOINFOHEADER>()->bmiHeader.biHeight);
  CComPtr<IMediaControl> control;
  graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  const std::vector<BYTE> original = sink->Fresh();
  const BarsMeasure before = MeasureBars(original, w, h);
  ASSERT_GT(before.lumaSpread, 100);
  ASSERT_GT(before.chroma, 20);

  BarsMeasure brighter, flat, grey, turned;
  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kBrightnessSlider);
    ASSERT_TRUE(page);
    SetFocus(GetDlgItem(page, kBrightnessSlider));
    for (int i = 0; i < 20; ++i) PressKey(VK_RIGHT);
    brighter = MeasureBars(sink->Fresh(), w, h);
    SetFocus(GetDlgItem(page, 1002));  // hue
    for (int i = 0; i < 64; ++i) PressKey(VK_RIGHT);
    turned = MeasureBars(sink->Fresh(), w, h);
    SetFocus(GetDlgItem(page, kContrastSlider));
    PressKey(VK_HOME);
    flat = MeasureBars(sink->Fresh(), w, h);
    SetFocus(GetDlgItem(page, 1003));  // saturation
    PressKey(VK_HOME);
    grey = MeasureBars(sink->Fresh(), w, h);
    ClickButton(frame, IDCANCEL);
  });
  EXPECT_EQ(ShowDevicePages(box_), S_OK);
  // 20 steps of a 0..255 brightness: 20 levels up.
  EXPECT_GT(brighter.meanLuma, before.meanLuma + 15);
  EXPECT_LT(brighter.meanLuma, before.meanLuma + 21);
  EXPECT_NEAR(turned.chroma, before.chroma, 3);  // a quarter turn keeps the colour's strength
  EXPECT_EQ(flat.lumaSpread, 0);
  EXPECT_NEAR(flat.meanLuma, 16 + 20, 1);  // black plus the brightness offset
  EXPECT_GT(flat.chroma, 20);              // contrast leaves the colour alone
  EXPECT_LT(grey.chroma, 0.5);
  const std::vector<BYTE> after = sink->Fresh();
  const BarsMeasure back = MeasureBars(after, w, h);
  EXPECT_EQ(back.meanLuma, before.meanLuma);
  EXPECT_EQ(back.chroma, before.chroma);
  EXPECT_EQ(std::vector<BYTE>(after.begin(), after.begin() + static_cast<std::ptrdiff_t>(w * 2 * (h / 5))),
            std::vector<BYTE>(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(w * 2 * (h / 5))));
}

TEST_F(PropertyFrameTest, AppliedPicturesStayAfterCancelAndOkKeepsTheRest) {
  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kBrightnessSlider);
    ASSERT_TRUE(page);
    SetFocus(GetDlgItem(page, kBrightnessSlider));
    PressKey(VK_HOME);
    ClickButton(frame, kFrameApplyId);
    EXPECT_FALSE(ControlEnabled(frame, kFrameApplyId));
    SetFocus(GetDlgItem(page, kBrightnessSlider));
    PressKey(VK_RIGHT);
    ClickButton(frame, IDCANCEL);
  });
  EXPECT_EQ(ShowDevicePages(box_), S_OK);
  EXPECT_EQ(ProcAmp(box_, VideoProcAmp_Brightness), 0);  // applied, then the unapplied step undone

  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kBrightnessSlider);
    ASSERT_TRUE(page);
    // Default puts every slider at the device's own default.
    EXPECT_TRUE(ClickButton(page, 1300));
    EXPECT_EQ(ControlText(page, 1100), "128");
    SetFocus(GetDlgItem(page, 1002));
    PressKey(VK_LEFT);
    ClickButton(frame, IDOK);
  });
  EXPECT_EQ(ShowDevicePages(box_), S_OK);
  EXPECT_EQ(ProcAmp(box_, VideoProcAmp_Brightness), 128);
  EXPECT_EQ(ProcAmp(box_, VideoProcAmp_Hue), -1);
}

TEST_F(PropertyFrameTest, FormatAppliesWhileStoppedAndSaysWhyNotWhileRunning) {
  CComPtr<IPin> capture;
  for (auto& pin : platform::dshow::PinsOf(box_))
    if (platform::dshow::DirectionOf(pin) == PINDIR_OUTPUT && !capture) capture = pin;
  ASSERT_TRUE(capture);
  CComPtr<IAMStreamConfig> config;
  ASSERT_EQ(capture->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)), S_OK);
  auto width = [&] {
    AM_MEDIA_TYPE* mt = nullptr;
    EXPECT_EQ(config->GetFormat(&mt), S_OK);
    const CMediaType type(*mt);
    DeleteMediaType(mt);
    return type.Format<VIDEOINFOHEADER>()->bmiHeader.biWidth;
  };
  const long before = width();
  std::string shown, first;
  WhenDialogShows([&](HWND frame) {
    ClickTab(frame, 1);
    HWND page = PageWith(frame, kFormatList);
    ASSERT_TRUE(page);
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_FALSE(IsWindowVisible(PageWith(frame, kBrightnessSlider)));
    first = ControlText(page, kFormatList);
    ChooseByKeys(page, kFormatList, 2);
    shown = ControlText(page, kFormatList);
    EXPECT_FALSE(WritePicture(frame, "video_format.png").empty());
    ClickButton(frame, IDOK);
  });
  EXPECT_EQ(ShowDevicePages(box_), S_OK);
  EXPECT_NE(shown, first);
  EXPECT_NE(width(), before);
  EXPECT_EQ(shown.rfind(std::to_string(width()) + " x ", 0), 0u) << shown;

  // Running, the pin keeps its format and the page stays open with the reason.
  ASSERT_TRUE(SUCCEEDED(graph_->Render(capture)));
  CComPtr<IMediaControl> control;
  graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  const long running = width();
  std::string reason;
  bool stayedOpen = false;
  WhenDialogShows([&](HWND frame) {
    ClickTab(frame, 1);
    HWND page = PageWith(frame, kFormatList);
    ASSERT_TRUE(page);
    ChooseByKeys(page, kFormatList, 3);
    ClickButton(frame, IDOK);
    stayedOpen = IsWindow(frame) && IsWindowVisible(frame);
    reason = ControlText(page, kFormatReason);
    ClickButton(frame, IDCANCEL);
  });
  EXPECT_EQ(ShowDevicePages(box_), S_OK);
  EXPECT_TRUE(stayedOpen);
  EXPECT_NE(reason.find("recording"), std::string::npos) << reason;
  EXPECT_EQ(width(), running);
}

TEST_F(PropertyFrameTest, DecoderPageSetsTheStandardAndShowsTheSignal) {
  CComPtr<IAMAnalogVideoDecoder> decoder;
  ASSERT_EQ(box_->QueryInterface(IID_IAMAnalogVideoDecoder, reinterpret_cast<void**>(&decoder)), S_OK);
  ASSERT_EQ(decoder->put_TVFormat(AnalogVideo_NTSC_M), S_OK);
  std::string standard, signal;
  WhenDialogShows([&](HWND frame) {
    ClickTab(frame, 2);
    HWND page = PageWith(frame, kStandardList);
    ASSERT_TRUE(page);
    standard = ControlText(page, kStandardList);
    signal = ControlText(page, kSignalText);
    // NTSC_M, NTSC_M_J, PAL_B: the box's third standard.
    ChooseByKeys(page, kStandardList, 2);
    EXPECT_FALSE(WritePicture(frame, "video_decoder.png").empty());
    ClickButton(frame, IDOK);
  });
  EXPECT_EQ(ShowDevicePages(box_), S_OK);
  EXPECT_EQ(standard, "NTSC_M");
  EXPECT_EQ(signal.rfind("Locked", 0), 0u) << signal;
  long now = 0;
  decoder->get_TVFormat(&now);
  EXPECT_EQ(now, AnalogVideo_PAL_B);
}

// The card's tuner follows its page as the channel is typed or stepped; Cancel tunes it back, OK
// keeps the channel and the cable or antenna input.
TEST_F(PropertyFrameTest, TunerPageTunesTheCardAndCancelTunesBack) {
  sim::DeviceDesc card;
  card.id = "TVCARD";
  card.kind = sim::DeviceKind::AnalogCard;
  card.name = "Vidarro TV Card";
  card.formats = {{720, 576, 400000, MEDIASUBTYPE_YUY2}};
  card.crossbars = {{"Video Crossbar", {1, 2, 4096}, {12, 4105}, {}, -1}};
  card.tuner = true;
  card.tvFormats = AnalogVideo_PAL_B | AnalogVideo_PAL_I;
  sim::Hardware::Instance().SetDevices({card});
  CComPtr<ICaptureGraphBuilder2> builder;
  ASSERT_EQ(builder.CoCreateInstance(CLSID_CaptureGraphBuilder2), S_OK);
  ASSERT_EQ(builder->SetFiltergraph(graph_), S_OK);
  CComPtr<IBaseFilter> cap;
  ASSERT_EQ(sim::CreateDeviceFilter("TVCARD", IID_IBaseFilter, reinterpret_cast<void**>(&cap)), S_OK);
  ASSERT_EQ(graph_->AddFilter(cap, "Vidarro TV Card"), S_OK);
  CComPtr<IAMTVTuner> tuner;
  ASSERT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, cap, IID_IAMTVTuner,
                                   reinterpret_cast<void**>(&tuner)),
            S_OK);
  CComPtr<IBaseFilter> tunerFilter;
  ASSERT_EQ(tuner->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&tunerFilter)), S_OK);
  auto channel = [&] {
    long c = 0, v = 0, a = 0;
    EXPECT_EQ(tuner->get_Channel(&c, &v, &a), S_OK);
    return c;
  };
  ASSERT_EQ(tuner->put_Channel(4, -1, -1), S_OK);

  std::string shown, signal, range, refused;
  long whileTyped = 0, whileHalf = 0;
  WhenDialogShows([&](HWND frame) {
    EXPECT_EQ(WindowText(frame), "TV Tuner Properties");
    HWND page = PageWith(frame, kChannelEdit);
    ASSERT_TRUE(page);
    shown = ControlText(page, kChannelEdit);
    signal = ControlText(page, kTunerSignal);
    EXPECT_TRUE(TypeInto(page, kChannelEdit, "2"));
    whileHalf = channel();
    TypeChars("7");
    whileTyped = channel();
    TypeInto(page, kChannelEdit, "400");  // beyond the tuner's channels: it keeps the last good one
    refused = ControlText(page, kTunerReason);
    EXPECT_FALSE(WritePicture(frame, "tv_tuner.png").empty());
    ClickButton(frame, IDCANCEL);
  });
  EXPECT_EQ(ShowDevicePages(tunerFilter), S_OK);
  EXPECT_EQ(shown, "4");
  EXPECT_EQ(signal, "Signal present");
  EXPECT_EQ(whileHalf, 2);
  EXPECT_EQ(whileTyped, 27);
  EXPECT_NE(refused.find("1 to 125"), std::string::npos) << refused;
  EXPECT_EQ(channel(), 4);

  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kChannelEdit);
    ASSERT_TRUE(page);
    TypeInto(page, kChannelEdit, "61");
    ChooseByKeys(page, kTunerInput, 1);
    ClickButton(frame, IDOK);
  });
  EXPECT_EQ(ShowDevicePages(tunerFilter), S_OK);
  EXPECT_EQ(channel(), 61);
  TunerInputType input = TunerInputCable;
  EXPECT_EQ(tuner->get_InputType(0, &input), S_OK);
  EXPECT_EQ(input, TunerInputAntenna);
}

// A DV camcorder's page says what it sends and sets the size its preview decoder shows; Cancel
// gives the decoder its size back. An HDV unit's page says what it sends and offers no size.
TEST_F(PropertyFrameTest, CamcorderPageShowsTheSignalAndSetsTheDvSize) {
  CComPtr<IBaseFilter> dv;
  ASSERT_EQ(sim::CreateDeviceFilter("DVCAM", IID_IBaseFilter, reinterpret_cast<void**>(&dv)), S_OK);
  ASSERT_EQ(graph_->AddFilter(dv, "Vidarro DV Camcorder"), S_OK);
  CComPtr<IPin> out;
  for (auto& pin : platform::dshow::PinsOf(dv))
    if (platform::dshow::DirectionOf(pin) == PINDIR_OUTPUT && !out) out = pin;
  ASSERT_TRUE(out);
  ASSERT_TRUE(SUCCEEDED(graph_->Render(out)));
  CComPtr<IIPDVDec> decoder;
  {
    CComPtr<IEnumFilters> filters;
    ASSERT_EQ(graph_->EnumFilters(&filters), S_OK);
    IBaseFilter* f = nullptr;
    while (!decoder && filters->Next(1, &f, nullptr) == S_OK) {
      f->QueryInterface(IID_IIPDVDec, reinterpret_cast<void**>(&decoder));
      f->Release();
    }
  }
  ASSERT_TRUE(decoder);
  auto size = [&] {
    int display = 0;
    EXPECT_EQ(decoder->get_IPDisplay(&display), S_OK);
    return display;
  };
  ASSERT_EQ(decoder->put_IPDisplay(DVRESOLUTION_HALF), S_OK);

  std::string sends, picture, resolution;
  int during = 0;
  WhenDialogShows([&](HWND frame) {
    EXPECT_EQ(WindowText(frame), "Vidarro DV Camcorder Properties");
    HWND page = PageWith(frame, kDvResolution);
    ASSERT_TRUE(page);
    sends = ControlText(page, kDvSends);
    picture = ControlText(page, kDvPicture);
    resolution = ControlText(page, kDvResolution);
    ChooseByKeys(page, kDvResolution, 1);
    during = size();
    EXPECT_FALSE(WritePicture(frame, "dv_camcorder.png").empty());
    ClickButton(frame, IDCANCEL);
  });
  EXPECT_EQ(ShowDevicePages(dv), S_OK);
  EXPECT_EQ(sends, "DV, 525 lines at 60 fields (NTSC)");
  EXPECT_EQ(picture.rfind("720 x 480,", 0), 0u) << picture;
  EXPECT_EQ(resolution, "Half (360 wide)");
  EXPECT_EQ(during, DVRESOLUTION_QUARTER);
  EXPECT_EQ(size(), DVRESOLUTION_HALF);

  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kDvResolution);
    ASSERT_TRUE(page);
    SetFocus(GetDlgItem(page, kDvResolution));
    PressKey(VK_UP);
    ClickButton(frame, IDOK);
  });
  EXPECT_EQ(ShowDevicePages(dv), S_OK);
  EXPECT_EQ(size(), DVRESOLUTION_FULL);

  CComPtr<IBaseFilter> hdv;
  ASSERT_EQ(sim::CreateDeviceFilter("HDVCAM", IID_IBaseFilter, reinterpret_cast<void**>(&hdv)), S_OK);
  ASSERT_EQ(graph_->AddFilter(hdv, "Vidarro HDV Camcorder"), S_OK);
  bool hasSizes = true;
  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kDvSends);
    ASSERT_TRUE(page);
    sends = ControlText(page, kDvSends);
    picture = ControlText(page, kDvPicture);
    hasSizes = GetDlgItem(page, kDvResolution) != nullptr;
    EXPECT_FALSE(WritePicture(frame, "hdv_camcorder.png").empty());
    ClickButton(frame, IDOK);
  });
  EXPECT_EQ(ShowDevicePages(hdv), S_OK);
  EXPECT_EQ(sends, "HDV, MPEG-2 transport stream");
  EXPECT_NE(picture.find("MPEG-2"), std::string::npos) << picture;
  EXPECT_FALSE(hasSizes);
}

// A PAL unit not yet previewed: the page says its lines and why no size can be chosen yet.
TEST_F(PropertyFrameTest, CamcorderPageOfAPalUnitWithoutPreview) {
  sim::DeviceDesc cam;
  cam.id = "PALCAM";
  cam.kind = sim::DeviceKind::DvCamcorder;
  cam.name = "PAL Camcorder";
  cam.formats = {{720, 576, 400000, MEDIASUBTYPE_dvsd}};
  sim::Hardware::Instance().SetDevices({cam});
  CComPtr<IBaseFilter> dv;
  ASSERT_EQ(sim::CreateDeviceFilter("PALCAM", IID_IBaseFilter, reinterpret_cast<void**>(&dv)), S_OK);
  ASSERT_EQ(graph_->AddFilter(dv, "PAL Camcorder"), S_OK);
  std::string sends, note;
  bool enabled = true;
  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kDvResolution);
    ASSERT_TRUE(page);
    sends = ControlText(page, kDvSends);
    note = ControlText(page, kDvNote);
    enabled = ControlEnabled(page, kDvResolution);
    ClickButton(frame, IDCANCEL);
  });
  EXPECT_EQ(ShowDevicePages(dv), S_OK);
  EXPECT_EQ(sends, "DV, 625 lines at 50 fields (PAL)");
  EXPECT_FALSE(enabled);
  EXPECT_NE(note.find("preview"), std::string::npos) << note;
}

// A frame whose pages cannot be made is not shown, and says so.
TEST_F(PropertyFrameTest, UnknownPagesAreRefused) {
  IUnknown* objects[] = {box_.get()};
  const CLSID nothing = IID_IUnknown;
  EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, nullptr, 1, objects, 1, &nothing, 0, 0, nullptr),
            REGDB_E_CLASSNOTREG);
}

}  // namespace
