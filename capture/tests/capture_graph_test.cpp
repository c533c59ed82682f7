#include <gtest/gtest.h>

#include "capture/capture_graph.h"
#include "platform/com/property_frame.h"
#include "platform/controls/tab.h"
#include "platform/propertyframe/property_frame.h"
#include "platform/testkit/testkit.h"
#include "platform/window/dialog.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"

using namespace platform::dshow;

TEST(CaptureGraphDevicesTest, OpensVideoAndAudioDevicesByName) {
  auto devices = sim::DefaultDevices();
  devices[0].vpPin = true;
  sim::Hardware::Instance().SetDevices(devices);
  CCaptureGraph graph;
  EXPECT_FALSE(graph.AddCaptureDevice("Vidarro USB Video Capture"));  // no graph yet
  ASSERT_TRUE(graph.CreateGraph(nullptr));
  ASSERT_TRUE(graph.AddCaptureDevice("VIDARRO USB VIDEO CAPTURE"));
  EXPECT_TRUE(graph.StreamConfig() != nullptr);
  EXPECT_FALSE(graph.IsInterleaved());
  EXPECT_TRUE(graph.HasVideoPortPin());
  ASSERT_TRUE(graph.AddAudioCaptureDevice("Vidarro USB Audio Capture"));
  EXPECT_TRUE(graph.AudioDeviceAdded());
  EXPECT_FALSE(graph.AddAudioCaptureDevice("No Such Microphone"));
  EXPECT_FALSE(graph.AudioDeviceAdded());
  EXPECT_EQ(graph.AudioCapture(), nullptr);
  EXPECT_EQ(DumpGraph(graph.Graph()).find("Audio Capture Device"), std::string::npos);

  // A DV camcorder has an interleaved output and no stream configuration on a video pin.
  ASSERT_TRUE(graph.CreateGraph(nullptr));
  EXPECT_FALSE(graph.AddCaptureDevice("Vidarro DV Camcorder"));
  EXPECT_TRUE(graph.IsInterleaved());
  EXPECT_FALSE(graph.HasVideoPortPin());
  EXPECT_FALSE(graph.AddCaptureDevice("Nothing"));

  sim::Hardware::Instance().SetDevices({});
  ASSERT_TRUE(graph.CreateGraph(nullptr));
  EXPECT_FALSE(graph.AddCaptureDevice("Vidarro USB Video Capture"));  // an empty category
  graph.ReleaseGraph();
  EXPECT_EQ(graph.Graph(), nullptr);
}

TEST(CaptureGraphDevicesTest, OverlayAspectModeGoesToTheMixerInput) {
  CCaptureGraph graph;
  ASSERT_TRUE(graph.CreateGraph(nullptr));
  IBaseFilter* mixer = nullptr;
  ASSERT_EQ(graph.Helper().AddFilter(CLSID_OverlayMixer, &mixer, "Overlay Mixer"), S_OK);
  EXPECT_EQ(graph.SetOverlayAspectRatioMode(mixer, AM_ARMODE_STRETCHED), S_OK);
  CComPtr<IPin> in = graph.Helper().GetInputPin(mixer, 0);
  CComPtr<IMixerPinConfig> config;
  in.QueryInterface(&config);
  AM_ASPECT_RATIO_MODE mode = AM_ARMODE_CROP;
  config->GetAspectRatioMode(&mode);
  EXPECT_EQ(mode, AM_ARMODE_STRETCHED);
  IBaseFilter* plain = nullptr;
  ASSERT_EQ(graph.Helper().AddFilter(CLSID_NullRenderer, &plain, "Null"), S_OK);
  EXPECT_EQ(graph.SetOverlayAspectRatioMode(plain, AM_ARMODE_STRETCHED), E_NOINTERFACE);
  mixer->Release();
  plain->Release();
}

namespace {

// A card with a tuner, a composite and an S-Video input, no lock on its decoder.
sim::DeviceDesc TunerCard() {
  sim::DeviceDesc card;
  card.id = "CARD";
  card.kind = sim::DeviceKind::AnalogCard;
  card.name = "Vidarro Tuner Card";
  card.formats = {{720, 480, 333667, MEDIASUBTYPE_YUY2}};
  card.crossbars = {{"Card Crossbar", {1, 2, 3, 4096, 4097, 4097}, {12, 4105}, {}, -1}};
  card.tuner = true;
  card.signal = false;
  return card;
}

}  // namespace

TEST(CaptureGraphInputsTest, OpenedCardKnowsItsCrossbarTunerAndSignal) {
  auto devices = sim::DefaultDevices();
  devices.push_back(TunerCard());
  sim::Hardware::Instance().SetDevices(devices);
  CCaptureGraph graph;
  EXPECT_FALSE(graph.HasCrossbar());
  EXPECT_EQ(graph.GetCurrentCrossbarInputType(), -1);
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro Tuner Card", "NULL", 1));
  ASSERT_TRUE(graph.HasCrossbar());
  EXPECT_EQ(graph.CrossbarInputCount(), 3);
  EXPECT_TRUE(graph.HasCrossbarInput(PhysConn_Video_SVideo));
  EXPECT_FALSE(graph.HasCrossbarInput(4097));  // audio inputs are no inputs of their own
  EXPECT_FALSE(graph.SelectCrossbarInput(PhysConn_Video_YRYBY));
  EXPECT_TRUE(graph.HasTvTuner());

  ASSERT_TRUE(graph.SelectCrossbarInput(PhysConn_Video_SVideo));
  EXPECT_EQ(graph.GetCurrentCrossbarInputType(), PhysConn_Video_SVideo);
  EXPECT_FALSE(graph.IsVideoSignalPresent());  // the decoder has no lock
  ASSERT_TRUE(graph.SelectCrossbarInput(PhysConn_Video_Tuner));
  EXPECT_TRUE(graph.IsVideoSignalPresent());  // a tuner always counts as a signal
  graph.CloseDevice();
  EXPECT_FALSE(graph.HasCrossbar());

  // The USB box: a crossbar without a tuner, its decoder locked.
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  EXPECT_TRUE(graph.HasCrossbar());
  EXPECT_FALSE(graph.HasTvTuner());
  EXPECT_EQ(graph.GetCurrentCrossbarInputType(), PhysConn_Video_Composite);
  EXPECT_TRUE(graph.IsVideoSignalPresent());
}

TEST(CaptureGraphInputsTest, ADeviceWithoutCrossbarFollowsItsDecoderLock) {
  auto card = TunerCard();
  card.crossbars.clear();
  card.tuner = false;
  sim::Hardware::Instance().SetDevices({card});
  CCaptureGraph graph;
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro Tuner Card", "NULL", 1));
  EXPECT_FALSE(graph.HasCrossbar());
  EXPECT_FALSE(graph.SelectCrossbarInput(PhysConn_Video_Composite));
  EXPECT_EQ(graph.GetCurrentCrossbarInputType(), -1);
  EXPECT_FALSE(graph.IsVideoSignalPresent());
}

TEST(CaptureGraphInputsTest, PropertyPagesOpenForEveryObjectThere) {
  auto devices = sim::DefaultDevices();
  devices.push_back(TunerCard());
  sim::Hardware::Instance().SetDevices(devices);
  CCaptureGraph graph;
  EXPECT_FALSE(graph.ShowDevicePropertyPage());  // nothing open
  const HWND owner = reinterpret_cast<HWND>(0x40);
  ASSERT_TRUE(graph.OpenDevice(owner, nullptr, "Vidarro Tuner Card", "NULL", 1));
  // The card's frame and its crossbar's each show the object's pages, captioned with its name.
  std::vector<std::pair<std::string, int>> frames;
  for (int i = 0; i < 2; ++i)
    testkit::WhenDialogShows([&](HWND frame) {
      frames.emplace_back(
          testkit::WindowText(frame),
          static_cast<int>(::SendDlgItemMessage(frame, platform::propertyframe::kFrameTabId, TCM_GETITEMCOUNT, 0, 0)));
      testkit::ClickButton(frame, IDCANCEL);
    });
  testkit::EndUnansweredDialogs();
  EXPECT_TRUE(graph.ShowDevicePropertyPage());
  EXPECT_TRUE(graph.ShowCrossbarPropertyPage());
  EXPECT_TRUE(graph.ShowTvTunerPropertyPage());
  EXPECT_FALSE(graph.ShowAudioDevicePropertyPage());  // opened without a separate audio device
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].first, "Vidarro Tuner Card Properties");
  EXPECT_EQ(frames[0].second, 3);  // picture, format, decoder
  EXPECT_EQ(frames[1].second, 1);  // the crossbar's input
}
