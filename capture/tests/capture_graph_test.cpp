#include <gtest/gtest.h>

#include "capture/capture_graph.h"
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
