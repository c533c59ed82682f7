#include "platform/audio/alsa_mixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdlib>

#include "platform/dshow/sim_hardware.h"

namespace platform::audio {
namespace {

// An open simple mixer of one card, closed with the object.
class Mixer {
 public:
  explicit Mixer(const std::string& device) {
    if (snd_mixer_open(&mixer_, 0) < 0) {
      mixer_ = nullptr;
      return;
    }
    if (snd_mixer_attach(mixer_, device.c_str()) < 0 || snd_mixer_selem_register(mixer_, nullptr, nullptr) < 0 ||
        snd_mixer_load(mixer_) < 0) {
      snd_mixer_close(mixer_);
      mixer_ = nullptr;
    }
  }
  ~Mixer() {
    if (mixer_) snd_mixer_close(mixer_);
  }
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  std::vector<std::string> Names(bool (*has)(snd_mixer_elem_t*)) const {
    std::vector<std::string> names;
    if (!mixer_) return names;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e))
      if (snd_mixer_selem_is_active(e) && has(e)) names.push_back(snd_mixer_selem_get_name(e));
    return names;
  }
  snd_mixer_elem_t* Find(const std::string& name, bool (*has)(snd_mixer_elem_t*)) const {
    if (!mixer_) return nullptr;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e))
      if (has(e) && name == snd_mixer_selem_get_name(e)) return e;
    return nullptr;
  }

 private:
  snd_mixer_t* mixer_ = nullptr;
};

bool HasPlaybackSwitch(snd_mixer_elem_t* e) { return snd_mixer_selem_has_playback_switch(e); }
bool IsCaptureLine(snd_mixer_elem_t* e) {
  return snd_mixer_selem_has_capture_volume(e) || snd_mixer_selem_has_capture_switch(e);
}

// Whether `device` opens as a control of no card (a sound server's, a plugin's), and its name.
bool IsPluginControl(const std::string& device, std::string* name) {
  snd_ctl_t* ctl = nullptr;
  if (snd_ctl_open(&ctl, device.c_str(), 0) < 0) return false;
  snd_ctl_card_info_t* info = nullptr;
  snd_ctl_card_info_alloca(&info);
  const bool plugin = snd_ctl_card_info(ctl, info) == 0 && snd_ctl_card_info_get_card(info) < 0;
  if (plugin) *name = snd_ctl_card_info_get_name(info);
  snd_ctl_close(ctl);
  return plugin;
}

AlsaCard Card(const std::string& device, const std::string& name) {
  AlsaCard c;
  c.device = device;
  c.name = name;
  const Mixer mixer(device);
  c.channels = mixer.Names(HasPlaybackSwitch);
  c.captureLines = mixer.Names(IsCaptureLine);
  return c;
}

}  // namespace

std::vector<AlsaCard> AlsaCards() {
  std::vector<AlsaCard> cards;
  if (platform::dshow::sim::Hardware::Instance().Simulated()) return cards;
  for (int card = -1; snd_card_next(&card) >= 0 && card >= 0;) {
    char* name = nullptr;
    const std::string device = "hw:" + std::to_string(card);
    std::string cardName = device;
    if (snd_card_get_name(card, &name) >= 0 && name) {
      cardName = name;
      std::free(name);
    }
    cards.push_back(Card(device, cardName));
  }
  if (std::string name; IsPluginControl("default", &name))
    cards.push_back(Card("default", name.empty() ? "default" : name));
  return cards;
}

bool ReadAlsaMute(const std::string& device, const std::string& channel, int* muted) {
  Mixer mixer(device);
  snd_mixer_elem_t* e = mixer.Find(channel, HasPlaybackSwitch);
  int on = 1;
  if (!e || snd_mixer_selem_get_playback_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &on) < 0) return false;
  *muted = on ? 0 : 1;
  return true;
}

bool WriteAlsaMute(const std::string& device, const std::string& channel, int muted) {
  Mixer mixer(device);
  snd_mixer_elem_t* e = mixer.Find(channel, HasPlaybackSwitch);
  return e && snd_mixer_selem_set_playback_switch_all(e, muted ? 0 : 1) >= 0;
}

bool ReadAlsaCapture(const std::string& device, const std::string& line, int* volume, int* selected) {
  Mixer mixer(device);
  snd_mixer_elem_t* e = mixer.Find(line, IsCaptureLine);
  if (!e) return false;
  long min = 0, max = 0, value = 0;
  *volume = 65535;
  if (snd_mixer_selem_has_capture_volume(e) && snd_mixer_selem_get_capture_volume_range(e, &min, &max) == 0 &&
      max > min && snd_mixer_selem_get_capture_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &value) == 0)
    *volume = static_cast<int>((value - min) * 65535 / (max - min));
  int on = 1;
  if (snd_mixer_selem_has_capture_switch(e)) snd_mixer_selem_get_capture_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &on);
  *selected = on ? 1 : 0;
  return true;
}

bool WriteAlsaCaptureVolume(const std::string& device, const std::string& line, int volume) {
  Mixer mixer(device);
  snd_mixer_elem_t* e = mixer.Find(line, IsCaptureLine);
  long min = 0, max = 0;
  if (!e || !snd_mixer_selem_has_capture_volume(e) || snd_mixer_selem_get_capture_volume_range(e, &min, &max) < 0)
    return false;
  const long value = min + (static_cast<long>(std::clamp(volume, 0, 65535)) * (max - min) + 32767) / 65535;
  return snd_mixer_selem_set_capture_volume_all(e, value) >= 0;
}

bool WriteAlsaCaptureSelected(const std::string& device, const std::string& line, int selected) {
  Mixer mixer(device);
  snd_mixer_elem_t* e = mixer.Find(line, IsCaptureLine);
  return e && snd_mixer_selem_has_capture_switch(e) && snd_mixer_selem_set_capture_switch_all(e, selected ? 1 : 0) >= 0;
}

}  // namespace platform::audio
