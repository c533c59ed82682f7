// Muting the computer's own playback while recording, on both paths, and the mixer line list.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "audiorec/playback_mute.h"
#include "platform/audio/alsa_mixer.h"
#include "platform/audio/playback_lines.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "widgets/reg_helpers.h"
#include "widgets/system_info.h"

namespace auvry {
namespace {

namespace sim = platform::dshow::sim;
using platform::audio::ReadLineMute;
using platform::audio::WriteLineMute;

const char* const kLines[] = {"Wave", "Microphone", "Line In", "CD Audio", "Digital", "Aux"};

class PlaybackMuteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The machine's own sound cards stay as they are.
    setenv("VIDARRO_SIMULATED_AUDIO", "1", 1);
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
    // The user had the line input muted already.
    ASSERT_TRUE(WriteLineMute("Speakers", "Line In", 1));
  }
  void TearDown() override { CWinVersion::SetProcessVersionCode(CWinVersion::kLinuxVersionCode); }
  static std::string States() {
    std::ostringstream text;
    for (const char* line : kLines) text << ReadLineMute("Speakers", line);
    return text.str();
  }
  // What another process finds in the shared state.
  static std::string StateFile() {
    std::ifstream in(platform::audio::MuteStatePath());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  testkit::Environment env_{testkit::CurrentTestName()};
};

TEST_F(PlaybackMuteTest, OnNewerSystemsEveryChannelIsMutedAndRestoredThroughCoreAudioAlone) {
  EXPECT_TRUE(platform::audio::AlsaCards().empty());  // the simulated devices, whatever cards there are
  CMixerLineList mixer;
  CPlaybackMute mute(mixer);
  const int mixerCalls = platform::audio::MixerCallCount();
  mute.InitPlaybackMute();
  EXPECT_EQ(0, mute.DefaultDevice());
  EXPECT_EQ(1, mute.GetSaved(2));
  EXPECT_TRUE(mute.IsSaved(5));
  EXPECT_FALSE(mute.IsSaved(6));
  mute.MutePlayback(1);
  EXPECT_EQ("111111", States());
  EXPECT_NE(std::string::npos, StateFile().find("Speakers|Microphone=1"));
  mute.MutePlayback(0);
  EXPECT_EQ("001000", States());
  EXPECT_EQ(mixerCalls, platform::audio::MixerCallCount());
}

TEST_F(PlaybackMuteTest, OnOlderSystemsTheMixerMutesTheSourcesAndRestoresEverySavedValueWithoutCoreAudio) {
  CWinVersion::SetProcessVersionCode(6);
  CMixerLineList mixer;
  const int coreCalls = CQnCoreAudio::CallCount();
  ASSERT_TRUE(mixer.Open());
  ASSERT_EQ(6u, mixer.GetSpeakerLines().size());
  EXPECT_EQ("Wave Out", mixer.GetSpeakerLines()[0].typeName);
  EXPECT_EQ(1, mixer.GetSpeakerLines()[2].savedMute);
  CPlaybackMute mute(mixer);
  mute.InitPlaybackMute();
  mute.MutePlayback(1);
  // Wave out keeps playing: only digital, line, microphone, compact disc and auxiliary go quiet.
  EXPECT_EQ("011111", States());
  mute.MutePlayback(0);
  EXPECT_EQ("001000", States());
  mixer.Close();
  EXPECT_EQ(coreCalls, CQnCoreAudio::CallCount());
}

TEST_F(PlaybackMuteTest, TheMixerListKnowsTheRolesAndChoosesThePreferredPlaybackMixer) {
  CMixerLineList mixer;
  ASSERT_TRUE(mixer.Open());
  // The USB input counts with every role.
  EXPECT_EQ(2, mixer.CountWithRole(kRoleSpeakers));
  EXPECT_EQ(1, mixer.CountWithRole(kRoleWaveInput));
  EXPECT_EQ("Speakers", mixer.NameOfNthWithRole(kRoleSpeakers, 0));
  EXPECT_EQ(kRoleUsb, mixer.RoleOfNthWithRole(kRoleWaveInput, 0));
  EXPECT_EQ(1, mixer.IndexOfNthWithRole(kRoleWaveInput, 0));
  EXPECT_EQ(-1, mixer.IndexOfNthWithRole(kRoleWaveInput, 1));
  EXPECT_EQ("Vidarro USB Audio Capture", mixer.UsbDeviceName());
  EXPECT_EQ(2u, mixer.GetWaveInputLines().size());
  EXPECT_TRUE(mixer.SetLineMute("CD Audio", 1));
  EXPECT_FALSE(mixer.SetLineMute("CD", 1));
  EXPECT_EQ(1, ReadLineMute("Speakers", "CD Audio"));

  // The system's preferred playback device, when it is the USB input, has no speaker lines.
  RegWriteString(HKEY_CURRENT_USER, "Software\\Microsoft\\Multimedia\\Sound Mapper", "Playback",
                 "Vidarro USB Audio Capture");
  EXPECT_FALSE(mixer.Open());
  EXPECT_TRUE(mixer.GetSpeakerLines().empty());
}

TEST_F(PlaybackMuteTest, AloneAUsbInputOrNothingOpensNoMixerAndTablesStopAtTheirCapacity) {
  auto devices = sim::DefaultDevices();
  std::vector<sim::DeviceDesc> usbOnly;
  for (const auto& d : devices)
    if (d.kind == sim::DeviceKind::AudioInput) usbOnly.push_back(d);
  sim::Hardware::Instance().SetDevices(usbOnly);
  CMixerLineList mixer;
  EXPECT_FALSE(mixer.Open());
  sim::Hardware::Instance().SetDevices({});
  EXPECT_FALSE(mixer.Open());

  for (auto& d : devices)
    if (d.kind == sim::DeviceKind::Playback) {
      d.playbackLines.clear();
      for (int i = 0; i < 20; ++i) d.playbackLines.emplace_back("Line " + std::to_string(i), 4098);
      d.playbackLines.emplace_back("Microphone", 4099);
    }
  sim::Hardware::Instance().SetDevices(devices);
  EXPECT_FALSE(mixer.Open());  // the microphone, past the capacity, is the only line both lists share
  EXPECT_EQ("Compact Disc", CMixerLineList::ComponentTypeName(4101, true));
  EXPECT_EQ("Wave Input", CMixerLineList::ComponentTypeName(7, false));
  EXPECT_EQ("NOT VALID", CMixerLineList::ComponentTypeName(4200, true));
  EXPECT_EQ("NOT VALID", CMixerLineList::ComponentTypeName(9, false));
}

}  // namespace
}  // namespace auvry
