// The device pages over the machine's own devices, seen through their models: the V4L2 driver's
// picture controls and standards (the ioctl model), and the sound card's capture level and
// switch (the mixer plugin, read back with amixer as a user would).
#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <alsa/asoundlib.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "platform/com/com_ptr.h"
#include "platform/com/task_mem.h"
#include "platform/controls/tab.h"
#include "platform/dshow/alsa_capture_filter.h"
#include "platform/dshow/alsa_inputs.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/tests/listed_devices.h"
#include "platform/dshow/tests/tone_card.h"
#include "platform/dshow/tests/v4l2_model.h"
#include "platform/dshow/uuids.h"
#include "platform/propertyframe/property_frame.h"
#include "platform/propertyframe/tests/frame_driving.h"
#include "platform/testkit/testkit.h"
#include "platform/window/dialog.h"
#include "platform/window/focus.h"

namespace {

namespace sim = platform::dshow::sim;
namespace model = platform::dshow::v4l2::model;
using platform::dshow::testing::AmixerValues;
using platform::propertyframe::kFrameTabId;
using namespace testkit;
using namespace propertyframe_tests;

// The driver's controls in its id order: brightness, contrast, saturation, hue, then the box's
// automatic white balance (a boolean) and power line frequency (a menu).
constexpr int kDriverBrightness = 2000;
constexpr int kDriverAutoWhite = 2004;
constexpr int kDriverPowerLine = 2005;
constexpr int kStandardList = 1500;
constexpr int kVolumeSlider = 1603;
constexpr int kCaptureSwitch = 1605;
constexpr int kChannelEdit = 1700;
constexpr int kCountryEdit = 1702;
constexpr int kTunerInput = 1703;
constexpr int kTunerSignal = 1704;
constexpr int kTunerReason = 1705;
constexpr int kChannelRange = 1706;

class MachineDevicePagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::dshow::RegisterStockClasses();
    platform::propertyframe::InstallPropertyFrame();
    ASSERT_EQ(graph_.CoCreateInstance(CLSID_FilterGraph), S_OK);
  }
  void TearDown() override {
    setenv("VIDARRO_SIMULATED", "1", 1);
    sim::Hardware::Instance().Reload();
  }
  CComPtr<IGraphBuilder> graph_;
};

TEST_F(MachineDevicePagesTest, V4l2PicturesAndStandardsReachTheDriver) {
  setenv("VIDARRO_SIMULATED", "0", 1);
  sim::Hardware::Instance().Reload();
  std::vector<model::DeviceDesc> devices = model::UsbCaptureBox("video0");
  devices.push_back(model::TvCard("video2"));
  model::Model machine(devices, std::string(VIDARRO_TEST_BINARY_DIR) + "/v4l2_pages_machine");
  // The devices' filters go before the model they talk to.
  CComPtr<IGraphBuilder> graph;
  ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph), S_OK);

  // The box's brightness runs -128..127 from -11.
  CComPtr<IBaseFilter> box = dshowtest::BindListedVideoDevice("UVC Camera (534d:2109): USB Vid");
  ASSERT_TRUE(box);
  ASSERT_EQ(graph->AddFilter(box, "UVC Camera (534d:2109): USB Vid"), S_OK);
  std::int32_t during = 0, autoWhite = 1, powerLine = 1;
  int tabs = 0;
  std::string menuShown;
  WhenDialogShows([&](HWND frame) {
    tabs = static_cast<int>(SendDlgItemMessage(frame, kFrameTabId, TCM_GETITEMCOUNT, 0, 0));
    HWND page = PageWith(frame, kDriverBrightness);
    ASSERT_TRUE(page);
    EXPECT_EQ(SendDlgItemMessage(page, kDriverBrightness, TBM_GETRANGEMIN, 0, 0), -128);
    EXPECT_EQ(SendDlgItemMessage(page, kDriverBrightness, TBM_GETPOS, 0, 0), -11);
    SetFocus(GetDlgItem(page, kDriverBrightness));
    for (int i = 0; i < 4; ++i) PressKey(VK_LEFT);
    during = machine.ControlValue("video0", V4L2_CID_BRIGHTNESS);
    EXPECT_EQ(ButtonState(page, kDriverAutoWhite), static_cast<UINT>(BST_CHECKED));
    ClickButton(page, kDriverAutoWhite);
    autoWhite = machine.ControlValue("video0", V4L2_CID_AUTO_WHITE_BALANCE);
    menuShown = ControlText(page, kDriverPowerLine);
    SetFocus(GetDlgItem(page, kDriverPowerLine));
    PressKey(VK_DOWN);
    powerLine = machine.ControlValue("video0", V4L2_CID_POWER_LINE_FREQUENCY);
    EXPECT_FALSE(WritePicture(frame, "v4l2_video_proc_amp.png").empty());
    ClickButton(frame, IDCANCEL);
  });
  EXPECT_EQ(ShowDevicePages(box), S_OK);
  EXPECT_EQ(tabs, 2);  // a camera: no decoder
  EXPECT_EQ(during, -15);
  EXPECT_EQ(autoWhite, 0);
  EXPECT_EQ(menuShown, "50 Hz");
  EXPECT_EQ(powerLine, 2);
  // Cancel: the driver has its values back.
  EXPECT_EQ(machine.ControlValue("video0", V4L2_CID_BRIGHTNESS), -11);
  EXPECT_EQ(machine.ControlValue("video0", V4L2_CID_AUTO_WHITE_BALANCE), 1);
  EXPECT_EQ(machine.ControlValue("video0", V4L2_CID_POWER_LINE_FREQUENCY), 1);

  // The TV card's standard, chosen on its decoder page, becomes the driver's.
  CComPtr<IBaseFilter> card = dshowtest::BindListedVideoDevice("Hauppauge WinTV-HVR5525");
  ASSERT_TRUE(card);
  ASSERT_EQ(graph->AddFilter(card, "Hauppauge WinTV-HVR5525"), S_OK);
  std::string first;
  WhenDialogShows([&](HWND frame) {
    ASSERT_EQ(SendDlgItemMessage(frame, kFrameTabId, TCM_GETITEMCOUNT, 0, 0), 3);
    ClickTab(frame, 2);
    HWND page = PageWith(frame, kStandardList);
    ASSERT_TRUE(page);
    SetFocus(GetDlgItem(page, kStandardList));
    PressKey(VK_UP);  // from PAL_B, the card's own, to the first it lists
    first = ControlText(page, kStandardList);
    EXPECT_FALSE(WritePicture(frame, "v4l2_video_decoder.png").empty());
    ClickButton(frame, IDOK);
  });
  EXPECT_EQ(ShowDevicePages(card), S_OK);
  EXPECT_EQ(first, "NTSC_M");
  EXPECT_EQ(machine.Standard("video2"), static_cast<std::uint64_t>(V4L2_STD_NTSC_M));
}

// The card's tuner, found from its capture filter as the capture engine finds it (which puts the
// crossbar and the tuner in front of the card).
CComPtr<IBaseFilter> TunerOf(IGraphBuilder* graph, IBaseFilter* card) {
  CComPtr<ICaptureGraphBuilder2> builder;
  EXPECT_EQ(builder.CoCreateInstance(CLSID_CaptureGraphBuilder2), S_OK);
  EXPECT_EQ(builder->SetFiltergraph(graph), S_OK);
  CComPtr<IAMTVTuner> tuner;
  EXPECT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, card, IID_IAMTVTuner,
                                   reinterpret_cast<void**>(&tuner)),
            S_OK);
  CComPtr<IBaseFilter> filter;
  if (tuner) tuner->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter));
  return filter;
}

// Carriers of the public channel plans, in Hz.
constexpr std::uint64_t kUsCable7 = 175250000;   // cable and air 7, where the card was left
constexpr std::uint64_t kUsAir4 = 67250000;      // cable and air 4
constexpr std::uint64_t kUsCable34 = 283250000;  // cable 34 (super band, ch. U)
constexpr std::uint64_t kUsAir34 = 591250000;    // UHF 34
constexpr std::uint64_t kEuropeE7 = 189250000;   // band III
constexpr std::uint64_t kEuropeE21 = 471250000;  // first UHF channel
constexpr std::uint64_t kEuropeE10 = 210250000;  // band III

// The TV card's tuner page: a channel typed reaches the card's frequency by the plan of the
// country and input chosen, the signal shown is the card's, Cancel tunes back, and a European
// country tunes by the CCIR plan.
TEST_F(MachineDevicePagesTest, TunerPageTunesTheCardByTheCountrysChannelPlan) {
  setenv("VIDARRO_SIMULATED", "0", 1);
  sim::Hardware::Instance().Reload();
  model::Model machine({model::TvCard("video2")}, std::string(VIDARRO_TEST_BINARY_DIR) + "/v4l2_tuner_machine");
  machine.SetStations("video2", {kUsAir4, kEuropeE21});
  CComPtr<IGraphBuilder> graph;
  ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph), S_OK);
  CComPtr<IBaseFilter> card = dshowtest::BindListedVideoDevice("Hauppauge WinTV-HVR5525");
  ASSERT_TRUE(card);
  ASSERT_EQ(graph->AddFilter(card, "Hauppauge WinTV-HVR5525"), S_OK);
  CComPtr<IBaseFilter> tuner = TunerOf(graph, card);
  ASSERT_TRUE(tuner);
  // The tuner takes up the channel the card was left on.
  EXPECT_EQ(machine.FrequencyHz("video2"), kUsCable7);

  std::string range, signalBefore, signalOnStation;
  std::uint64_t cable34 = 0, air34 = 0, air4 = 0;
  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kChannelEdit);
    ASSERT_TRUE(page);
    range = ControlText(page, kChannelRange);
    signalBefore = ControlText(page, kTunerSignal);
    EXPECT_TRUE(TypeInto(page, kChannelEdit, "34"));
    cable34 = machine.FrequencyHz("video2");
    SetFocus(GetDlgItem(page, kTunerInput));
    PressKey(VK_DOWN);  // antenna: the same number over the air is a UHF channel
    air34 = machine.FrequencyHz("video2");
    EXPECT_EQ(ControlText(page, kChannelRange), "(2 to 69)");
    TypeInto(page, kChannelEdit, "4");
    air4 = machine.FrequencyHz("video2");
    signalOnStation = ControlText(page, kTunerSignal);
    EXPECT_FALSE(WritePicture(frame, "v4l2_tv_tuner.png").empty());
    ClickButton(frame, IDCANCEL);
  });
  EXPECT_EQ(ShowDevicePages(tuner), S_OK);
  EXPECT_EQ(range, "(1 to 125)");
  EXPECT_EQ(signalBefore, "No signal");
  EXPECT_EQ(cable34, kUsCable34);
  EXPECT_EQ(air34, kUsAir34);
  EXPECT_EQ(air4, kUsAir4);
  EXPECT_EQ(signalOnStation, "Signal present");
  EXPECT_EQ(machine.FrequencyHz("video2"), kUsCable7);  // Cancel tuned back

  // Germany: channel 7 is E7 of band III, E21 the first UHF channel; there is no E13.
  std::uint64_t e7 = 0, e10 = 0, e21 = 0;
  std::string reasonE13, signalE21;
  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kChannelEdit);
    ASSERT_TRUE(page);
    TypeInto(page, kCountryEdit, "49");
    e7 = machine.FrequencyHz("video2");
    EXPECT_EQ(ControlText(page, kChannelRange), "(2 to 69)");
    TypeInto(page, kChannelEdit, "13");
    reasonE13 = ControlText(page, kTunerReason);
    TypeInto(page, kChannelEdit, "10");
    e10 = machine.FrequencyHz("video2");
    TypeInto(page, kChannelEdit, "21");
    e21 = machine.FrequencyHz("video2");
    signalE21 = ControlText(page, kTunerSignal);
    ClickButton(frame, IDOK);
  });
  EXPECT_EQ(ShowDevicePages(tuner), S_OK);
  EXPECT_EQ(e7, kEuropeE7);
  EXPECT_NE(reasonE13.find("refused"), std::string::npos) << reasonE13;
  EXPECT_EQ(e10, kEuropeE10);
  EXPECT_EQ(e21, kEuropeE21);
  EXPECT_EQ(signalE21, "Signal present");
  EXPECT_EQ(machine.FrequencyHz("video2"), kEuropeE21);

  // A card that is gone refuses the channel, and the page says so.
  machine.Unplug("video2");
  std::string reasonGone, signalGone;
  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kChannelEdit);
    ASSERT_TRUE(page);
    signalGone = ControlText(page, kTunerSignal);
    TypeInto(page, kChannelEdit, "5");
    reasonGone = ControlText(page, kTunerReason);
    ClickButton(frame, IDCANCEL);
  });
  EXPECT_EQ(ShowDevicePages(tuner), S_OK);
  EXPECT_EQ(signalGone, "Unknown");
  EXPECT_NE(reasonGone.find("refused"), std::string::npos) << reasonGone;
}

TEST_F(MachineDevicePagesTest, SoundInputLevelAndSwitchReachTheCardsMixer) {
  namespace tone = platform::dshow::testing;
  tone::InstallToneCard(tone::Silence(48000, 2, 1.0), {});
  const std::string home = std::getenv("HOME");
  std::remove((home + "/mixer.state").c_str());
  std::ofstream(home + "/.asoundrc", std::ios::app)
      << "ctl_type.vidarromixer { lib \"" VIDARRO_MIXER_PLUGIN "\" }\n"
      << "ctl.!default { type vidarromixer state \"" << home << "/mixer.state\" }\n";
  snd_config_update_free_global();
  sim::Hardware::Instance().Reload();
  const auto inputs = platform::dshow::alsa::CaptureInputs();
  ASSERT_FALSE(inputs.empty());
  CComPtr<IBaseFilter> input;
  ASSERT_EQ(platform::dshow::alsa::CreateCaptureFilter(inputs[0], IID_IBaseFilter, reinterpret_cast<void**>(&input)),
            S_OK);
  ASSERT_EQ(graph_->AddFilter(input, inputs[0].name.c_str()), S_OK);
  ASSERT_EQ(AmixerValues("Mic Capture Volume"), "20,20");

  std::string format, percent, duringVolume, duringSwitch;
  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kVolumeSlider);
    ASSERT_TRUE(page);
    format = ControlText(page, 1600);
    percent = ControlText(page, 1604);
    SetFocus(GetDlgItem(page, kVolumeSlider));
    PressKey(VK_END);
    ClickButton(page, kCaptureSwitch);
    duringVolume = AmixerValues("Mic Capture Volume");
    duringSwitch = AmixerValues("Mic Capture Switch");
    EXPECT_FALSE(WritePicture(frame, "audio_format.png").empty());
    ClickButton(frame, IDOK);
  });
  EXPECT_EQ(ShowDevicePages(input), S_OK);
  EXPECT_EQ(format, "48000 Hz, 2 channels, 16 bits");
  EXPECT_EQ(percent, "65 %");  // 20 of 31
  EXPECT_EQ(duringVolume, "31,31");
  EXPECT_EQ(duringSwitch, "off,off");
  EXPECT_EQ(AmixerValues("Mic Capture Volume"), "31,31");

  // Cancel puts the mixer back.
  WhenDialogShows([&](HWND frame) {
    HWND page = PageWith(frame, kVolumeSlider);
    ASSERT_TRUE(page);
    SetFocus(GetDlgItem(page, kVolumeSlider));
    PressKey(VK_HOME);
    duringVolume = AmixerValues("Mic Capture Volume");
    ClickButton(frame, IDCANCEL);
  });
  EXPECT_EQ(ShowDevicePages(input), S_OK);
  EXPECT_EQ(duringVolume, "0,0");
  EXPECT_EQ(AmixerValues("Mic Capture Volume"), "31,31");
  EXPECT_EQ(AmixerValues("Mic Capture Switch"), "off,off");
  tone::RemoveSoundCards();
}

}  // namespace
