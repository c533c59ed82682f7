// The machine's V4L2 devices behind the device enumerator, on the device model: what is listed
// and how, formats, inputs, standards, signal and picture controls, and streaming with its
// failures (a pulled device, a device another program holds, damaged MJPEG frames).
#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cstdlib>
#include <condition_variable>
#include <mutex>

#include "platform/base/clock.h"
#include "platform/com/com_ptr.h"
#include "platform/com/oleauto.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/tests/v4l2_model.h"
#include "platform/dshow/tests/listed_devices.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/tv_channels.h"
#include "platform/dshow/v4l2_devices.h"
#include "platform/dshow/v4l2_frames.h"
#include "platform/dshow/wdm_upstream.h"

using namespace platform::dshow;
namespace model = platform::dshow::v4l2::model;

namespace {

using Listed = dshowtest::ListedDevice;
std::vector<Listed> VideoDevices() { return dshowtest::ListedVideoDevices(); }

// Keeps what arrives: the samples' times and frame codes.
class Keeper : public CRendererFilter {
 public:
  Keeper() : CRendererFilter(GUID_NULL, "Keeper", {}, "In") {}
  std::vector<std::pair<REFERENCE_TIME, long long>> Got() {
    std::lock_guard lock(mutex_);
    return got_;
  }
  bool WaitFor(std::size_t n, int realMs) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(realMs), [&] { return got_.size() >= n; });
  }

 protected:
  void Render(const MediaSample& s) override {
    CMediaType mt = Pins()[0]->ConnectedType();
    std::lock_guard lock(mutex_);
    got_.push_back({s.start, sim::FrameNumberOfPicture(mt, s.data)});
    arrived_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::pair<REFERENCE_TIME, long long>> got_;
};

class V4l2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VIDARRO_SIMULATED", "0", 1);
    sim::Hardware::Instance().Reload();
    std::vector<model::DeviceDesc> devices = model::UsbCaptureBox("video0");
    devices.push_back(model::TvCard("video2"));
    model_ = std::make_unique<model::Model>(devices, std::string(VIDARRO_TEST_BINARY_DIR) + "/v4l2_machine");
    ASSERT_EQ(graph_.CoCreateInstance(CLSID_FilterGraph), S_OK);
    ASSERT_EQ(builder_.CoCreateInstance(CLSID_CaptureGraphBuilder2), S_OK);
    ASSERT_EQ(builder_->SetFiltergraph(graph_), S_OK);
  }
  void TearDown() override {
    if (graph_) {
      CComPtr<IMediaControl> control;
      graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
      if (control) control->Stop();
    }
    setenv("VIDARRO_SIMULATED", "1", 1);
    sim::Hardware::Instance().Reload();
  }
  // The listed device of that name, bound and added to the graph as "Video Capture".
  CComPtr<IBaseFilter> Open(const std::string& name) {
    CComPtr<IBaseFilter> filter = dshowtest::BindListedVideoDevice(name);
    if (filter) {
      EXPECT_EQ(graph_->AddFilter(filter, "Video Capture"), S_OK);
    }
    return filter;
  }
  template <typename I>
  CComPtr<I> Find(const GUID* category, IBaseFilter* filter, REFIID iid) {
    CComPtr<I> p;
    builder_->FindInterface(category, category ? &MEDIATYPE_Video : nullptr, filter, iid, reinterpret_cast<void**>(&p));
    return p;
  }
  // Connects the capture pin to a keeper; the graph is ready to run.
  Keeper* Keep(IBaseFilter* capture) {
    auto* keeper = new Keeper();
    CComPtr<IBaseFilter> k;
    k.Attach(keeper);
    EXPECT_EQ(graph_->AddFilter(k, "Keeper"), S_OK);
    EXPECT_EQ(graph_->ConnectDirect(AsBaseFilter(capture)->PinByName("Capture"), keeper->Pins()[0], nullptr), S_OK);
    return keeper;
  }
  IMediaControl* Control() {
    if (!control_) graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_));
    return control_;
  }
  long NextEvent(LONG_PTR* p1, LONG_PTR* p2, long waitMs) {
    CComPtr<IMediaEvent> events;
    graph_->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events));
    long code = 0;
    if (FAILED(events->GetEvent(&code, p1, p2, waitMs))) return 0;
    // The values stay comparable; the references they held are given back.
    events->FreeEventParams(code, *p1, *p2);
    return code;
  }

  std::unique_ptr<model::Model> model_;
  CComPtr<IGraphBuilder> graph_;
  CComPtr<ICaptureGraphBuilder2> builder_;
  CComPtr<IMediaControl> control_;
};

const char kBox[] = "UVC Camera (534d:2109): USB Vid";
const char kCard[] = "Hauppauge WinTV-HVR5525";

}  // namespace

// The capture nodes are listed by card name with paths the capture engine pairs by VID/PID; the
// metadata node is not, and neither is any simulated device. Named simulated hardware hides the
// machine's devices.
TEST_F(V4l2Test, CaptureNodesAreListedWithSysfsPathsAndNeverBesideSimulatedOnes) {
  const auto listed = VideoDevices();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].name, kBox);
  EXPECT_EQ(listed[0].path, "\\\\?\\usb#vid_534d&pid_2109&mi_00#1-1#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
  EXPECT_EQ(listed[1].name, kCard);
  EXPECT_EQ(listed[1].path,
            "\\\\?\\pci#ven_14f1&dev_8852&subsys_f0380070&rev_04#0000&05&00.0#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"
            "\\global");
  EXPECT_EQ(sim::UsbIdOf(listed[0].path), "VID_534D&PID_2109");

  setenv("VIDARRO_SIMULATED", "1", 1);
  sim::Hardware::Instance().Reload();
  for (const auto& l : VideoDevices()) EXPECT_NE(l.name, kBox);
  setenv("VIDARRO_SIMULATED", "0", 1);
  // A description set in code (a benchmark's) is simulated hardware too.
  sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
  for (const auto& l : VideoDevices()) EXPECT_NE(l.name, kBox);
  sim::Hardware::Instance().Reload();

  // A pulled device is no longer listed; a node without bus details gets a path of its own.
  model_->Unplug("video2");
  ASSERT_EQ(VideoDevices().size(), 1u);
  EXPECT_EQ(v4l2::DevicePathOf("/nonexistent", "video7"),
            "\\\\?\\root#media#video7#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
}

// The box: one type per layout and size at its best rate (MJPEG offered decoded as YUY2), no
// crossbar or decoder, its controls as ProcAmp; choosing a type sets the driver's format.
TEST_F(V4l2Test, UsbBoxOffersItsFormatsAsCapsAndItsControlsAsProcAmp) {
  CComPtr<IBaseFilter> box = Open(kBox);
  ASSERT_TRUE(box);
  auto config = Find<IAMStreamConfig>(&PIN_CATEGORY_CAPTURE, box, IID_IAMStreamConfig);
  ASSERT_TRUE(config);
  int count = 0, size = 0;
  ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
  EXPECT_EQ(count, 11);  // the eleven sizes; MJPEG and YUYV are both YUY2 here
  bool found = false;
  BYTE caps[128];
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* pmt = nullptr;
    ASSERT_EQ(config->GetStreamCaps(i, &pmt, caps), S_OK);
    CMediaType mt(*pmt);
    DeleteMediaType(pmt);
    const auto* vih = mt.Format<VIDEOINFOHEADER>();
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_YUY2);
    if (vih->bmiHeader.biWidth == 720 && vih->bmiHeader.biHeight == 480) {
      found = true;
      EXPECT_EQ(vih->AvgTimePerFrame, 166667);  // 60 fps, through MJPEG
    }
  }
  EXPECT_TRUE(found);

  // 720x480 at 29.97: YUYV's own 30 fps is nearer than MJPEG's.
  CMediaType dvd = MakeVideoType(MEDIASUBTYPE_YUY2, 720, 480, 333667);
  EXPECT_EQ(config->SetFormat(&dvd), S_OK);
  EXPECT_EQ(model_->PixelFormat("video0"), static_cast<std::uint32_t>(V4L2_PIX_FMT_YUYV));
  EXPECT_EQ(model_->Width("video0"), 720u);
  CMediaType uyvy = MakeVideoType(MEDIASUBTYPE_UYVY, 720, 480, 333667);
  EXPECT_EQ(config->SetFormat(&uyvy), VFW_E_INVALIDMEDIATYPE);
  CMediaType odd = MakeVideoType(MEDIASUBTYPE_YUY2, 704, 480, 333667);
  EXPECT_EQ(config->SetFormat(&odd), VFW_E_INVALIDMEDIATYPE);

  EXPECT_FALSE(Find<IAMCrossbar>(&LOOK_UPSTREAM_ONLY, box, IID_IAMCrossbar));
  CComPtr<IAMAnalogVideoDecoder> decoder;
  EXPECT_EQ(box->QueryInterface(IID_IAMAnalogVideoDecoder, reinterpret_cast<void**>(&decoder)), E_NOINTERFACE);
  CComPtr<IAMVideoProcAmp> procAmp;
  ASSERT_EQ(box->QueryInterface(IID_IAMVideoProcAmp, reinterpret_cast<void**>(&procAmp)), S_OK);
  long min = 0, max = 0, step = 0, def = 0, flags = 0, value = 0;
  ASSERT_EQ(procAmp->GetRange(0, &min, &max, &step, &def, &flags), S_OK);  // brightness
  EXPECT_EQ(min, -128);
  EXPECT_EQ(max, 127);
  EXPECT_EQ(def, -11);
  EXPECT_EQ(procAmp->Set(0, 20, 2), S_OK);
  EXPECT_EQ(model_->ControlValue("video0", V4L2_CID_BRIGHTNESS), 20);
  EXPECT_EQ(procAmp->Get(0, &value, &flags), S_OK);
  EXPECT_EQ(value, 20);
  EXPECT_EQ(procAmp->Set(0, 200, 2), E_INVALIDARG);
  EXPECT_EQ(procAmp->GetRange(4, &min, &max, &step, &def, &flags), E_PROP_ID_UNSUPPORTED);  // no sharpness
}

// The TV card: its inputs as one crossbar (tuner, composite, S-Video) with the tuner in front;
// routing chooses the driver's input; standards and the input's lock come from the driver.
TEST_F(V4l2Test, TvCardRoutesInputsSwitchesStandardsAndReportsTheSignal) {
  CComPtr<IBaseFilter> card = Open(kCard);
  ASSERT_TRUE(card);
  auto config = Find<IAMStreamConfig>(&PIN_CATEGORY_CAPTURE, card, IID_IAMStreamConfig);
  ASSERT_TRUE(config);
  int count = 0, size = 0;
  ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
  EXPECT_EQ(count, 2);  // 720x480 and 720x576, from its standards
  EXPECT_TRUE(Find<IAMTVTuner>(&PIN_CATEGORY_CAPTURE, card, IID_IAMTVTuner));
  auto xbar = Find<IAMCrossbar>(&LOOK_UPSTREAM_ONLY, card, IID_IAMCrossbar);
  ASSERT_TRUE(xbar);
  long outs = 0, ins = 0, related = 0, type = 0;
  ASSERT_EQ(xbar->get_PinCounts(&outs, &ins), S_OK);
  ASSERT_EQ(ins, 3);
  const long expected[] = {PhysConn_Video_Tuner, PhysConn_Video_Composite, PhysConn_Video_SVideo};
  for (long i = 0; i < 3; ++i) {
    ASSERT_EQ(xbar->get_CrossbarPinInfo(TRUE, i, &related, &type), S_OK);
    EXPECT_EQ(type, expected[i]);
  }
  EXPECT_EQ(model_->Input("video2"), 0u);  // the crossbar's first route is the device's input
  EXPECT_EQ(xbar->Route(0, 2), S_OK);
  EXPECT_EQ(model_->Input("video2"), 2u);

  CComPtr<IAMAnalogVideoDecoder> decoder;
  ASSERT_EQ(card->QueryInterface(IID_IAMAnalogVideoDecoder, reinterpret_cast<void**>(&decoder)), S_OK);
  long formats = 0, format = 0, locked = -1, lines = 0;
  ASSERT_EQ(decoder->get_AvailableTVFormats(&formats), S_OK);
  EXPECT_EQ(formats, 0x1 | 0x10 | 0x20 | 0x40 | 0x100);  // NTSC-M, PAL B, D, G, I
  EXPECT_EQ(decoder->put_TVFormat(0x1), S_OK);
  EXPECT_EQ(model_->Standard("video2"), V4L2_STD_NTSC_M);
  EXPECT_EQ(decoder->get_TVFormat(&format), S_OK);
  EXPECT_EQ(format, 0x1);
  EXPECT_EQ(decoder->get_NumberOfLines(&lines), S_OK);
  EXPECT_EQ(lines, 525);
  // In NTSC the driver gives 480 lines at most: it refuses a PAL-sized picture.
  CMediaType pal = MakeVideoType(MEDIASUBTYPE_YUY2, 720, 576, 400000);
  EXPECT_EQ(config->SetFormat(&pal), VFW_E_INVALIDMEDIATYPE);
  CMediaType ntsc = MakeVideoType(MEDIASUBTYPE_YUY2, 720, 480, 333667);
  EXPECT_EQ(config->SetFormat(&ntsc), S_OK);
  EXPECT_EQ(decoder->put_TVFormat(0x1000), E_INVALIDARG);  // SECAM-B: not this card's
  EXPECT_EQ(decoder->put_TVFormat(0x10), S_OK);
  EXPECT_EQ(model_->Standard("video2"), static_cast<std::uint64_t>(V4L2_STD_PAL_B | V4L2_STD_PAL_B1));

  ASSERT_EQ(decoder->get_HorizontalLocked(&locked), S_OK);
  EXPECT_EQ(locked, 1);
  model_->SetStatus("video2", 2, V4L2_IN_ST_NO_SIGNAL);
  ASSERT_EQ(decoder->get_HorizontalLocked(&locked), S_OK);
  EXPECT_EQ(locked, 0);
  model_->SetStatus("video2", 2, V4L2_IN_ST_NO_H_LOCK);
  ASSERT_EQ(decoder->get_HorizontalLocked(&locked), S_OK);
  EXPECT_EQ(locked, 0);
}

// Frames stream from the driver's buffers at its times: YUYV as it is, MJPEG decoded; both
// carry the pattern's frame code in order.
TEST_F(V4l2Test, FramesStreamWithTheDriversTimesInBothLayouts) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  CComPtr<IBaseFilter> box = Open(kBox);
  ASSERT_TRUE(box);
  auto config = Find<IAMStreamConfig>(&PIN_CATEGORY_CAPTURE, box, IID_IAMStreamConfig);
  for (REFERENCE_TIME rate : {333667LL, 166667LL}) {  // YUYV at 30, MJPEG at 60 fps
    CMediaType mt = MakeVideoType(MEDIASUBTYPE_YUY2, 720, 480, rate);
    ASSERT_EQ(config->SetFormat(&mt), S_OK);
    Keeper* keeper = Keep(box);
    ASSERT_EQ(Control()->Run(), S_OK);
    for (int i = 0; i < 500 && !keeper->WaitFor(6, 20); ++i) clock.Advance(20);
    Control()->Stop();
    const auto got = keeper->Got();
    ASSERT_GE(got.size(), 6u) << rate << " delivered " << model_->FramesDelivered("video0");
    const REFERENCE_TIME frame = rate == 333667 ? 333333 : 166666;
    for (std::size_t i = 0; i < 6; ++i) {
      EXPECT_NEAR(static_cast<double>(got[i].first), static_cast<double>(frame * static_cast<REFERENCE_TIME>(i)), 10.0);
      EXPECT_EQ(got[i].second, static_cast<long long>(i));
    }
    EXPECT_EQ(model_->PixelFormat("video0"), rate == 333667 ? static_cast<std::uint32_t>(V4L2_PIX_FMT_YUYV)
                                                            : static_cast<std::uint32_t>(V4L2_PIX_FMT_MJPEG));
    EXPECT_FALSE(model_->Streaming("video0"));
    graph_->RemoveFilter(AsBaseFilter(keeper));
  }
}

// Damaged MJPEG frames are dropped and counted; the stream goes on when they mend. A device
// pulled mid-stream reports EC_DEVICE_LOST from its filter, once.
TEST_F(V4l2Test, DamagedFramesAreDroppedAndAPulledDeviceIsReportedLost) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  CComPtr<IBaseFilter> box = Open(kBox);
  ASSERT_TRUE(box);
  auto config = Find<IAMStreamConfig>(&PIN_CATEGORY_CAPTURE, box, IID_IAMStreamConfig);
  CMediaType mt = MakeVideoType(MEDIASUBTYPE_YUY2, 640, 480, 166667);
  ASSERT_EQ(config->SetFormat(&mt), S_OK);
  Keeper* keeper = Keep(box);
  CComPtr<IAMDroppedFrames> dropped;
  ASSERT_EQ(
      AsBaseFilter(box)->PinByName("Capture")->QueryInterface(IID_IAMDroppedFrames, reinterpret_cast<void**>(&dropped)),
      S_OK);
  model_->DamageFrames("video0", 1);
  ASSERT_EQ(Control()->Run(), S_OK);
  for (int i = 0; i < 500 && !model_->WaitDelivered("video0", 4, 20); ++i) clock.Advance(20);
  model_->DamageFrames("video0", 2);
  long lost = 0;
  for (int i = 0; i < 500 && lost < 8; ++i) {
    model_->WaitDelivered("video0", model_->FramesDelivered("video0") + 1, 20);
    dropped->GetNumDropped(&lost);
    clock.Advance(20);
  }
  EXPECT_GE(lost, 8);
  model_->DamageFrames("video0", 0);
  const std::size_t before = keeper->Got().size();
  for (int i = 0; i < 500 && !keeper->WaitFor(before + 2, 20); ++i) clock.Advance(20);
  EXPECT_GE(keeper->Got().size(), before + 2);

  model_->UnplugAfter("video0", model_->FramesDelivered("video0") + 3);
  LONG_PTR p1 = 0, p2 = -1;
  long code = 0;
  for (int i = 0; i < 500 && code != EC_DEVICE_LOST; ++i) {
    clock.Advance(20);
    code = NextEvent(&p1, &p2, 20);
  }
  ASSERT_EQ(code, EC_DEVICE_LOST);
  EXPECT_EQ(p1, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(static_cast<IBaseFilter*>(box))));
  EXPECT_EQ(p2, 0);
}

// Another program streaming from the device fails the start of the graph with ERROR_BUSY; the
// graph starts once it lets go.
TEST_F(V4l2Test, ABusyDeviceFailsTheStartAndStartsWhenFree) {
  CComPtr<IBaseFilter> card = Open(kCard);
  ASSERT_TRUE(card);
  Keep(card);
  model_->SetBusy("video2", true);
  EXPECT_EQ(Control()->Run(), HRESULT_FROM_WIN32(170));
  EXPECT_FALSE(model_->Streaming("video2"));
  model_->SetBusy("video2", false);
  EXPECT_EQ(Control()->Run(), S_OK);
  EXPECT_TRUE(model_->Streaming("video2"));
}

// Driver layouts become the pin's: padded YUYV lines lose their padding, top-down RGB becomes
// bottom-up BGR, and a frame shorter than its picture makes none.
TEST(V4l2Frames, LayoutsBecomeThePinsAndShortFramesMakeNoPicture) {
  std::vector<BYTE> picture;
  // 2x2 YUYV in lines of 8 bytes (4 of them padding).
  const std::uint8_t yuyv[] = {1, 2, 3, 4, 0, 0, 0, 0, 5, 6, 7, 8};
  v4l2::FrameConverter packed(V4L2_PIX_FMT_YUYV, MakeVideoType(MEDIASUBTYPE_YUY2, 2, 2, 333667));
  ASSERT_TRUE(packed.Convert(yuyv, sizeof yuyv, 8, &picture));
  EXPECT_EQ(picture, (std::vector<BYTE>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_FALSE(packed.Convert(yuyv, 9, 8, &picture));
  EXPECT_TRUE(picture.empty());

  // 1x2 RGB24: red on top, green below.
  const std::uint8_t rgb[] = {255, 0, 0, 0, 255, 0};
  v4l2::FrameConverter flipped(V4L2_PIX_FMT_RGB24, MakeVideoType(MEDIASUBTYPE_RGB24, 1, 2, 333667));
  ASSERT_TRUE(flipped.Convert(rgb, sizeof rgb, 3, &picture));
  EXPECT_EQ(picture, (std::vector<BYTE>{0, 255, 0, 0, 0, 255}));  // green row first, then red as B,G,R
  const std::uint8_t noise[] = {0xFF, 0xD8, 0x00, 0x01, 0x02};
  v4l2::FrameConverter jpeg(V4L2_PIX_FMT_MJPEG, MakeVideoType(MEDIASUBTYPE_YUY2, 16, 16, 333667));
  EXPECT_FALSE(jpeg.Convert(noise, sizeof noise, 0, &picture));
}

// As videobuf2 drivers behave: an input or a standard switched while the card streams stops
// the stream for the switch and starts it again; flagged buffers and a short run of EIO are
// dropped frames, a long run of EIO is a lost device.
TEST_F(V4l2Test, SwitchesWhileStreamingAndBadBuffersAreWhatDriversAllow) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  CComPtr<IBaseFilter> card = Open(kCard);
  ASSERT_TRUE(card);
  auto crossbar = Find<IAMCrossbar>(&LOOK_UPSTREAM_ONLY, card, IID_IAMCrossbar);
  ASSERT_TRUE(crossbar);
  Keeper* keeper = Keep(card);
  ASSERT_EQ(Control()->Run(), S_OK);
  auto frames = [&](std::size_t n) {
    const std::size_t before = keeper->Got().size();
    for (int i = 0; i < 500 && !keeper->WaitFor(before + n, 10); ++i) clock.Advance(20);
    return keeper->Got().size() >= before + n;
  };
  ASSERT_TRUE(frames(3));

  // The crossbar's route reaches the driver as S_INPUT, which it takes only with the stream off.
  long outputs = 0, inputs = 0;
  ASSERT_EQ(crossbar->get_PinCounts(&outputs, &inputs), S_OK);
  ASSERT_GE(inputs, 2);
  ASSERT_EQ(crossbar->Route(0, 2), S_OK);
  EXPECT_EQ(model_->Input("video2"), 2u);
  EXPECT_TRUE(model_->Streaming("video2"));
  EXPECT_TRUE(frames(3)) << "the picture goes on after the switch";

  // The standard likewise (the same lines: the mode stays).
  CComPtr<IAMAnalogVideoDecoder> decoder;
  ASSERT_EQ(card->QueryInterface(IID_IAMAnalogVideoDecoder, reinterpret_cast<void**>(&decoder)), S_OK);
  long now = 0;
  ASSERT_EQ(decoder->get_TVFormat(&now), S_OK);
  const long sameLines = (now & 0x1) ? 0x1 : 0x20;  // NTSC-M again, or PAL D for a PAL one
  ASSERT_EQ(decoder->put_TVFormat(sameLines), S_OK);
  EXPECT_TRUE(model_->Streaming("video2"));
  EXPECT_TRUE(frames(3)) << "the picture goes on after the standard";

  CComPtr<IAMDroppedFrames> dropped;
  ASSERT_EQ(AsBaseFilter(card)->PinByName("Capture")->QueryInterface(IID_IAMDroppedFrames,
                                                                     reinterpret_cast<void**>(&dropped)),
            S_OK);
  long before = 0;
  dropped->GetNumDropped(&before);
  const std::size_t kept = keeper->Got().size();
  model_->FlagErrors("video2", 4);
  model_->FailReads("video2", 10);
  ASSERT_TRUE(frames(3)) << "a short loss of signal is no lost device";
  long after = 0;
  dropped->GetNumDropped(&after);
  EXPECT_GE(after - before, 14) << "each flagged buffer and each frame lost to EIO counts";
  // No flagged buffer became a picture: the first frames after them carry their own numbers.
  for (std::size_t i = kept; i < keeper->Got().size(); ++i) EXPECT_NE(keeper->Got()[i].second, -1);

  model_->FailReads("video2", 1000);
  LONG_PTR p1 = 0, p2 = -1;
  long code = 0;
  for (int i = 0; i < 2000 && code != EC_DEVICE_LOST; ++i) {
    clock.Advance(40);
    code = NextEvent(&p1, &p2, 5);
  }
  EXPECT_EQ(code, EC_DEVICE_LOST);
}

// The public channel plans: the carriers at the edges of each band and the gaps between them.
TEST(TvChannels, PlansGiveThePublishedCarriersAndNothingInTheirGaps) {
  struct Case {
    long country;
    bool cable;
    long channel;
    std::uint64_t hz;
  };
  const Case cases[] = {
      {1, false, 2, 55250000},    {1, false, 4, 67250000},    {1, false, 5, 77250000},   {1, false, 6, 83250000},
      {1, false, 7, 175250000},   {1, false, 13, 211250000},  {1, false, 14, 471250000}, {1, false, 69, 801250000},
      {1, true, 1, 73250000},     {1, true, 14, 121250000},   {1, true, 22, 169250000},  {1, true, 23, 217250000},
      {1, true, 34, 283250000},   {1, true, 94, 643250000},   {1, true, 95, 91250000},   {1, true, 99, 115250000},
      {1, true, 100, 649250000},  {1, true, 125, 799250000},  {52, false, 4, 67250000},  {82, true, 34, 283250000},
      {49, false, 2, 48250000},   {49, false, 4, 62250000},   {49, false, 5, 175250000}, {49, true, 12, 224250000},
      {44, false, 21, 471250000}, {31, false, 69, 855250000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(VideoCarrierHz(c.country, c.cable, c.channel), c.hz)
        << "country " << c.country << (c.cable ? " cable " : " air ") << c.channel;
  EXPECT_EQ(VideoCarrierHz(1, false, 1), 0u);  // no channel 1 over the air
  EXPECT_EQ(VideoCarrierHz(1, false, 70), 0u);
  EXPECT_EQ(VideoCarrierHz(49, false, 13), 0u);  // no E13-E20
  EXPECT_EQ(VideoCarrierHz(49, false, 20), 0u);
  EXPECT_EQ(VideoCarrierHz(81, false, 4), 0u);  // Japan numbers its own way: no plan here
  EXPECT_FALSE(HasChannelPlan(81));
  EXPECT_EQ(ChannelsOf(1, true).max, 125);
  EXPECT_EQ(ChannelsOf(1, false).min, 2);
  EXPECT_EQ(ChannelsOf(49, true).max, 69);

  // A card's frequency read back names its channel within half a 62.5 kHz step.
  EXPECT_EQ(ChannelAt(1, true, 283250000), 34);
  EXPECT_EQ(ChannelAt(1, true, 283250000 - 31250), 34);
  EXPECT_EQ(ChannelAt(1, true, 283250000 + 62500), 0);
  EXPECT_EQ(ChannelAt(1, false, 283250000), 0);  // no air channel there
  EXPECT_EQ(ChannelAt(49, false, 471250000), 21);
  EXPECT_EQ(ChannelAt(49, false, 0), 0);
}

// The user's country comes from the locale, as the system's tuners take it from its settings.
TEST(TvChannels, TheLocaleNamesTheTunersCountry) {
  const char* all = std::getenv("LC_ALL");
  const std::string saved = all ? all : "";
  const struct {
    const char* locale;
    long country;
  } cases[] = {{"de_DE.UTF-8", 49}, {"en_GB", 44},  {"es_MX.UTF-8", 52}, {"en_US.UTF-8", 1},
               {"ja_JP.UTF-8", 1},  {"C.UTF-8", 1}, {"pt_BR", 55}};
  for (const auto& c : cases) {
    setenv("LC_ALL", c.locale, 1);
    EXPECT_EQ(LocaleTunerCountry(), c.country) << c.locale;
  }
  if (all) setenv("LC_ALL", saved.c_str(), 1);
  else unsetenv("LC_ALL");
}

// A card keeps its frequency between programs: the tuner takes up the channel it was left on
// (the user's last choice) and tunes nothing; a frequency that is no channel of the user's
// country's plan gets the tuner's own channel.
TEST_F(V4l2Test, TheTunerTakesUpTheChannelTheCardWasLeftOn) {
  struct Case {
    const char* locale;
    std::uint32_t startUnits;  // 62.5 kHz steps
    long channel;
    TunerInputType input;
    long country;
    std::uint64_t tunedHz;
  };
  const Case cases[] = {
      {"en_US.UTF-8", 283250000 / 62500, 34, TunerInputCable, 1, 283250000},
      {"en_US.UTF-8", 591250000 / 62500, 34, TunerInputAntenna, 1, 591250000},  // UHF 34 is no cable channel
      {"de_DE.UTF-8", 471250000 / 62500, 21, TunerInputCable, 49, 471250000},
      {"de_DE.UTF-8", 61250000 / 62500, 3, TunerInputCable, 49, 55250000},  // US 3 is no German channel: E3
      {"en_US.UTF-8", 44000000 / 62500, 3, TunerInputCable, 1, 61250000},
  };
  const char* all = std::getenv("LC_ALL");
  const std::string saved = all ? all : "";
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " at " + std::to_string(c.startUnits));
    setenv("LC_ALL", c.locale, 1);
    model::DeviceDesc d = model::TvCard("video4");
    d.tuners[0].frequency = c.startUnits;
    // The last case's graph holds its card: it goes before the machine the card lives on.
    builder_ = nullptr;
    graph_ = nullptr;
    model_.reset();
    model_ = std::make_unique<model::Model>(
        std::vector<model::DeviceDesc>{d},
        std::string(VIDARRO_TEST_BINARY_DIR) + "/v4l2_tuner_left_" + std::to_string(k++));
    ASSERT_EQ(graph_.CoCreateInstance(CLSID_FilterGraph), S_OK);
    ASSERT_EQ(builder_.CoCreateInstance(CLSID_CaptureGraphBuilder2), S_OK);
    ASSERT_EQ(builder_->SetFiltergraph(graph_), S_OK);
    CComPtr<IBaseFilter> card = Open(kCard);
    ASSERT_TRUE(card);
    auto tuner = Find<IAMTVTuner>(&PIN_CATEGORY_CAPTURE, card, IID_IAMTVTuner);
    ASSERT_TRUE(tuner);
    long channel = 0, video = 0, audio = 0, country = 0;
    TunerInputType input{};
    ASSERT_EQ(tuner->get_Channel(&channel, &video, &audio), S_OK);
    ASSERT_EQ(tuner->get_InputType(0, &input), S_OK);
    ASSERT_EQ(tuner->get_CountryCode(&country), S_OK);
    EXPECT_EQ(channel, c.channel);
    EXPECT_EQ(input, c.input);
    EXPECT_EQ(country, c.country);
    EXPECT_EQ(model_->FrequencyHz("video4"), c.tunedHz);
  }
  if (all) setenv("LC_ALL", saved.c_str(), 1);
  else unsetenv("LC_ALL");
}

// A card whose TV tuner is its second (the first is its FM radio) and counts in 62.5 Hz steps,
// reaching only up to 470 MHz: channels are tuned on that tuner in those units, one it cannot
// reach is refused and leaves it where it was, and the signal is the tuner's.
TEST_F(V4l2Test, TunerTunesTheInputsTunerInItsOwnUnits) {
  model::DeviceDesc d = model::TvCard("video4");
  d.inputs[0].tunerIndex = 1;
  d.tuners = {{"FM Radio", V4L2_TUNER_RADIO, V4L2_TUNER_CAP_LOW, 1400000, 1728000, 1500000},
              {"Television", V4L2_TUNER_ANALOG_TV, V4L2_TUNER_CAP_LOW | V4L2_TUNER_CAP_NORM, 704000, 7520000, 704000}};
  model_.reset();
  model_ = std::make_unique<model::Model>(std::vector<model::DeviceDesc>{d},
                                          std::string(VIDARRO_TEST_BINARY_DIR) + "/v4l2_tuner_low");
  model_->SetStations("video4", {77250000});
  CComPtr<IBaseFilter> card = Open(kCard);
  ASSERT_TRUE(card);
  auto tuner = Find<IAMTVTuner>(&PIN_CATEGORY_CAPTURE, card, IID_IAMTVTuner);
  ASSERT_TRUE(tuner);
  EXPECT_EQ(model_->FrequencyHz("video4", 1), 61250000u);  // cable 3, from the start
  EXPECT_EQ(model_->FrequencyHz("video4", 0), 93750000u);  // the radio is left alone
  long strength = -5;
  EXPECT_EQ(tuner->SignalPresent(&strength), S_OK);
  EXPECT_EQ(strength, AMTUNER_NOSIGNAL);

  EXPECT_EQ(tuner->put_InputType(0, TunerInputAntenna), S_OK);
  long min = 0, max = 0;
  ASSERT_EQ(tuner->ChannelMinMax(&min, &max), S_OK);
  EXPECT_EQ(min, 2);
  EXPECT_EQ(max, 69);
  EXPECT_EQ(tuner->put_Channel(5, -1, -1), S_OK);
  EXPECT_EQ(model_->FrequencyHz("video4", 1), 77250000u);
  EXPECT_EQ(tuner->SignalPresent(&strength), S_OK);
  EXPECT_EQ(strength, AMTUNER_SIGNALPRESENT);

  // UHF 14 is beyond this tuner: refused, not tuned to the nearest it can do.
  EXPECT_TRUE(FAILED(tuner->put_Channel(14, -1, -1)));
  EXPECT_EQ(model_->FrequencyHz("video4", 1), 77250000u);
  long channel = 0, video = 0, audio = 0;
  ASSERT_EQ(tuner->get_Channel(&channel, &video, &audio), S_OK);
  EXPECT_EQ(channel, 5);
  EXPECT_EQ(tuner->put_Channel(1, -1, -1), E_INVALIDARG);  // no channel 1 over the air

  // A country without a plan is refused; a PAL country retunes the channel by its own plan.
  EXPECT_EQ(tuner->put_CountryCode(81), E_INVALIDARG);
  EXPECT_EQ(tuner->put_CountryCode(49), S_OK);
  EXPECT_EQ(model_->FrequencyHz("video4", 1), 175250000u);  // E5
  long country = 0;
  tuner->get_CountryCode(&country);
  EXPECT_EQ(country, 49);
}
