// The input device list: audio inputs, video devices with their own audio, and the saved choice.
#include <gtest/gtest.h>

#include <algorithm>

#include "audiorec/input_devices.h"
#include "platform/dshow/sim_hardware.h"

namespace auvry {
namespace {

namespace sim = platform::dshow::sim;

TEST(InputDevices, TheDefaultHardwareOffersItsAudioInputs) {
  sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
  CCaptureDeviceList devices;
  const auto entries = InputDeviceEntries(devices);
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries[0], (InputEntry{"Vidarro USB Audio Capture", 0}));
  for (const InputEntry& entry : entries) EXPECT_EQ(entry.data == 1, devices.HasAudioPin(entry.name)) << entry.name;
}

TEST(InputDevices, AVideoDeviceWithItsOwnAudioHidesOnlyItsPartnerNeverAnInputWithoutHardwareId) {
  auto devices = sim::DefaultDevices();
  for (auto& d : devices)
    if (d.kind == sim::DeviceKind::UsbBox) d.audioPin = true;
  sim::DeviceDesc video;
  video.id = "ONBOARDVIDEO";
  video.kind = sim::DeviceKind::AnalogCard;
  video.name = "Onboard Video";
  video.devicePath = "\\\\?\\pci#onboard_video#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
  video.formats = {sim::VideoFormat{}};
  video.audioPin = true;
  sim::DeviceDesc mic;
  mic.id = "ONBOARDMIC";
  mic.kind = sim::DeviceKind::AudioInput;
  mic.name = "Onboard Mic";
  mic.waveInId = 1;
  devices.push_back(video);
  devices.push_back(mic);
  sim::Hardware::Instance().SetDevices(devices);
  CCaptureDeviceList list;
  ASSERT_TRUE(list.GetAudioHardwareId("Onboard Mic").empty());
  const auto entries = InputDeviceEntries(list);
  auto has = [&entries](const InputEntry& e) { return std::find(entries.begin(), entries.end(), e) != entries.end(); };
  EXPECT_FALSE(has({"Vidarro USB Audio Capture", 0}));
  EXPECT_TRUE(has({"Vidarro USB Video Capture", 1}));
  EXPECT_TRUE(has({"Onboard Mic", 0}));
  EXPECT_TRUE(has({"Onboard Video", 1}));
}

TEST(InputDevices, ASavedNameIsFoundInAnyCaseElseTheFirstEntry) {
  const std::vector<InputEntry> entries = {{"Line In", 0}, {"USB Box", 1}};
  EXPECT_EQ(SavedEntryIndex(entries, "usb box"), 1);
  EXPECT_EQ(SavedEntryIndex(entries, "gone"), 0);
  EXPECT_EQ(SavedEntryIndex(entries, ""), 0);
  EXPECT_EQ(SavedEntryIndex({}, "Line In"), -1);
  EXPECT_EQ(NamesOf(entries[0]).audio, "Line In");
  EXPECT_TRUE(NamesOf(entries[0]).video.empty());
  EXPECT_EQ(NamesOf(entries[1]).video, "USB Box");
  EXPECT_TRUE(NamesOf(entries[1]).audio.empty());
}

}  // namespace
}  // namespace auvry
