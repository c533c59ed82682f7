// The mixer functions over a sound card's mixer (real libasound, a control plugin as the card):
// its playback switches are the "Speakers" lines' mutes, its capture lines the "Wave Input"
// lines, whose mute is the capture switch off and whose volume is the capture volume.
#include <gtest/gtest.h>

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/audio/alsa_mixer.h"
#include "platform/audio/mixer_api.h"
#include "platform/dshow/sim_hardware.h"

namespace {

std::string StatePath() { return std::string(std::getenv("HOME")) + "/mixer.state"; }

// Mic and Line, each with a playback switch, a capture switch and a capture volume 0..31; the
// Line's capture switch starts off.
void InstallMixerCard() {
  std::remove(StatePath().c_str());
  std::ofstream(std::string(std::getenv("HOME")) + "/.asoundrc")
      << "ctl_type.vidarromixer { lib \"" VIDARRO_MIXER_PLUGIN "\" }\n"
      << "ctl.!default { type vidarromixer state \"" << StatePath() << "\" }\n";
  snd_config_update_free_global();
  setenv("VIDARRO_SIMULATED", "0", 1);
  platform::dshow::sim::Hardware::Instance().Reload();
}

// The plugin's stored values: Mic playback, capture switch, capture volume, then Line's.
std::vector<long> State() {
  std::ifstream in(StatePath());
  return {std::istream_iterator<long>(in), std::istream_iterator<long>()};
}

struct Line {
  MIXERLINE info;
  std::vector<MIXERCONTROL> controls;
};

Line SourceLine(HMIXER mixer, DWORD source) {
  Line line;
  line.info.dwSource = source;
  EXPECT_EQ(mixerGetLineInfo(reinterpret_cast<HMIXEROBJ>(mixer), &line.info,
                             MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE),
            MMSYSERR_NOERROR);
  line.controls.resize(line.info.cControls);
  MIXERLINECONTROLS lc;
  lc.dwLineID = line.info.dwLineID;
  lc.cControls = line.info.cControls;
  lc.pamxctrl = line.controls.data();
  EXPECT_EQ(
      mixerGetLineControls(reinterpret_cast<HMIXEROBJ>(mixer), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL),
      MMSYSERR_NOERROR);
  return line;
}

template <typename Detail>
MMRESULT Control(HMIXER mixer, DWORD id, Detail* value, bool set) {
  MIXERCONTROLDETAILS d;
  d.dwControlID = id;
  d.cChannels = 1;
  d.cbDetails = sizeof(Detail);
  d.paDetails = value;
  const auto object = reinterpret_cast<HMIXEROBJ>(mixer);
  return set ? mixerSetControlDetails(object, &d, MIXER_OBJECTF_HMIXER)
             : mixerGetControlDetails(object, &d, MIXER_OBJECTF_HMIXER);
}

TEST(MachineMixer, ACardsMixerIsItsPlaybackAndItsCaptureLines) {
  InstallMixerCard();
  const auto cards = platform::audio::AlsaCards();
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_EQ(cards[0].name, "Vidarro Test Mixer");
  // In the simple mixer's own order.
  EXPECT_EQ(cards[0].channels, (std::vector<std::string>{"Line", "Mic"}));
  EXPECT_EQ(cards[0].captureLines, (std::vector<std::string>{"Line", "Mic"}));

  ASSERT_EQ(mixerGetNumDevs(), 2u);
  HMIXER speakers = nullptr, waveIn = nullptr;
  ASSERT_EQ(mixerOpen(&speakers, 0, 0, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  ASSERT_EQ(mixerOpen(&waveIn, 1, 0, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  MIXERLINE destination;
  ASSERT_EQ(mixerGetLineInfo(reinterpret_cast<HMIXEROBJ>(waveIn), &destination,
                             MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION),
            MMSYSERR_NOERROR);
  EXPECT_EQ(destination.dwComponentType, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
  EXPECT_EQ(std::string(destination.szName), "Wave Input");
  ASSERT_EQ(destination.cConnections, 2u);

  const Line line = SourceLine(waveIn, 0), mic = SourceLine(waveIn, 1);
  EXPECT_EQ(std::string(mic.info.szName), "Mic");
  EXPECT_EQ(mic.info.dwComponentType, 4099u);
  EXPECT_EQ(line.info.dwComponentType, 4098u);
  ASSERT_EQ(mic.controls.size(), 2u);
  EXPECT_EQ(mic.controls[0].dwControlType, MIXERCONTROL_CONTROLTYPE_MUTE);
  EXPECT_EQ(mic.controls[1].dwControlType, MIXERCONTROL_CONTROLTYPE_VOLUME);

  // The capture volume in 0..65535, both ways.
  MIXERCONTROLDETAILS_UNSIGNED volume;
  ASSERT_EQ(Control(waveIn, mic.controls[1].dwControlID, &volume, false), MMSYSERR_NOERROR);
  EXPECT_EQ(volume.dwValue, 20u * 65535 / 31);
  volume.dwValue = 65535;
  ASSERT_EQ(Control(waveIn, mic.controls[1].dwControlID, &volume, true), MMSYSERR_NOERROR);
  volume.dwValue = 0;
  ASSERT_EQ(Control(waveIn, mic.controls[1].dwControlID, &volume, false), MMSYSERR_NOERROR);
  EXPECT_EQ(volume.dwValue, 65535u);

  // Selecting the Line input is its capture switch on; muting the speakers' Mic its playback switch off.
  MIXERCONTROLDETAILS_BOOLEAN muted;
  ASSERT_EQ(Control(waveIn, line.controls[0].dwControlID, &muted, false), MMSYSERR_NOERROR);
  EXPECT_EQ(muted.fValue, 1);
  muted.fValue = 0;
  ASSERT_EQ(Control(waveIn, line.controls[0].dwControlID, &muted, true), MMSYSERR_NOERROR);
  const Line speakerMic = SourceLine(speakers, 1);
  ASSERT_EQ(speakerMic.controls.size(), 1u);
  muted.fValue = 1;
  ASSERT_EQ(Control(speakers, speakerMic.controls[0].dwControlID, &muted, true), MMSYSERR_NOERROR);
  EXPECT_EQ(State(), (std::vector<long>{0, 1, 31, 1, 1, 20}));

  // A speaker line has no volume to ask for.
  EXPECT_EQ(Control(speakers, speakerMic.controls[0].dwControlID + 0x8000, &volume, false), MIXERR_INVALCONTROL);
  mixerClose(speakers);
  mixerClose(waveIn);
}

}  // namespace
