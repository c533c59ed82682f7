// The input device list: audio inputs, video devices with their own audio, and the saved choice.
#include <gtest/gtest.h>

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
