#include "platform/audio/alsa_mixer.h"

#include <alsa/asoundlib.h>

#include <cstdlib>

#include "platform/base/hardware_source.h"

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

  std::vector<std::string> Switches() const {
    std::vector<std::string> names;
    if (!mixer_) return names;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e))
      if (snd_mixer_selem_is_active(e) && snd_mixer_selem_has_playback_switch(e))
        names.push_back(snd_mixer_selem_get_name(e));
    return names;
  }
  snd_mixer_elem_t* Find(const std::string& channel) const {
    if (!mixer_) return nullptr;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e))
      if (snd_mixer_selem_has_playback_switch(e) && channel == snd_mixer_selem_get_name(e)) return e;
    return nullptr;
  }

 private:
  snd_mixer_t* mixer_ = nullptr;
};

}  // namespace

std::vector<AlsaCard> AlsaCards() {
  std::vector<AlsaCard> cards;
  if (platform::WhichHardware().Simulated()) return cards;
  int card = -1;
  while (snd_card_next(&card) >= 0 && card >= 0) {
    char* name = nullptr;
    AlsaCard c;
    c.device = "hw:" + std::to_string(card);
    if (snd_card_get_name(card, &name) >= 0 && name) {
      c.name = name;
      std::free(name);
    } else {
      c.name = c.device;
    }
    c.channels = Mixer(c.device).Switches();
    cards.push_back(std::move(c));
  }
  return cards;
}

bool ReadAlsaMute(const std::string& device, const std::string& channel, int* muted) {
  Mixer mixer(device);
  snd_mixer_elem_t* e = mixer.Find(channel);
  int on = 1;
  if (!e || snd_mixer_selem_get_playback_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &on) < 0) return false;
  *muted = on ? 0 : 1;
  return true;
}

bool WriteAlsaMute(const std::string& device, const std::string& channel, int muted) {
  Mixer mixer(device);
  snd_mixer_elem_t* e = mixer.Find(channel);
  return e && snd_mixer_selem_set_playback_switch_all(e, muted ? 0 : 1) >= 0;
}

}  // namespace platform::audio
