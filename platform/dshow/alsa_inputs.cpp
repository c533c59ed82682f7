#include "platform/dshow/alsa_inputs.h"

#include <alsa/asoundlib.h>

#include <filesystem>
#include <memory>

#include "platform/dshow/v4l2_devices.h"
#include "platform/dshow/v4l2_io.h"

namespace platform::dshow::alsa {

namespace {

constexpr const char* kAudioInterface = "#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\global";

// The description a PCM's configuration gives itself (hint.description), its first line.
std::string HintedDescription(const std::string& pcm) {
  void** hints = nullptr;
  if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return {};
  std::string found;
  for (void** h = hints; *h && found.empty(); ++h) {
    std::unique_ptr<char, decltype(&free)> name(snd_device_name_get_hint(*h, "NAME"), free);
    std::unique_ptr<char, decltype(&free)> desc(snd_device_name_get_hint(*h, "DESC"), free);
    if (name && desc && pcm == name.get())
      found = std::string(desc.get()).substr(0, std::string(desc.get()).find('\n'));
  }
  snd_device_name_free_hint(hints);
  return found;
}

bool OpensForCapture(const std::string& pcm) {
  snd_pcm_t* handle = nullptr;
  // Busy counts as present: the device is there, only held.
  const int error = snd_pcm_open(&handle, pcm.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
  if (handle) snd_pcm_close(handle);
  return error == 0 || error == -EBUSY;
}

void AddCardInputs(int card, const std::string& sysfsRoot, std::vector<Input>* inputs) {
  snd_ctl_t* ctl = nullptr;
  const std::string hw = "hw:" + std::to_string(card);
  if (snd_ctl_open(&ctl, hw.c_str(), 0) < 0) return;
  snd_ctl_card_info_t* cardInfo = nullptr;
  snd_ctl_card_info_alloca(&cardInfo);
  const std::string cardName = snd_ctl_card_info(ctl, cardInfo) == 0 ? snd_ctl_card_info_get_name(cardInfo) : hw;
  snd_pcm_info_t* pcmInfo = nullptr;
  snd_pcm_info_alloca(&pcmInfo);
  for (int device = -1; snd_ctl_pcm_next_device(ctl, &device) == 0 && device >= 0;) {
    snd_pcm_info_set_device(pcmInfo, static_cast<unsigned>(device));
    snd_pcm_info_set_subdevice(pcmInfo, 0);
    snd_pcm_info_set_stream(pcmInfo, SND_PCM_STREAM_CAPTURE);
    if (snd_ctl_pcm_info(ctl, pcmInfo) < 0) continue;  // playback only
    Input in;
    in.pcm = hw + "," + std::to_string(device);
    const std::string deviceName = snd_pcm_info_get_name(pcmInfo);
    in.name = deviceName.empty() || deviceName == cardName ? cardName : deviceName + " (" + cardName + ")";
    in.interfacePath = CardInterfacePath(sysfsRoot, card);
    inputs->push_back(std::move(in));
  }
  snd_ctl_close(ctl);
}

}  // namespace

std::string CardInterfacePath(const std::string& sysfsRoot, int card) {
  const std::string node = "card" + std::to_string(card);
  return v4l2::DevicePathOfSysfsDevice((std::filesystem::path(sysfsRoot) / "class/sound" / node / "device").string(),
                                       node, kAudioInterface);
}

std::vector<Input> CaptureInputs() {
  std::vector<Input> inputs;
  if (OpensForCapture("default")) {
    Input in;
    in.pcm = "default";
    in.name = HintedDescription("default");
    if (in.name.empty()) in.name = "Default Capture Device";
    in.interfacePath = "\\\\?\\root#media#default" + std::string(kAudioInterface);
    inputs.push_back(std::move(in));
  }
  const std::string sysfsRoot = v4l2::CurrentMachine().sysfsRoot;
  for (int card = -1; snd_card_next(&card) == 0 && card >= 0;) AddCardInputs(card, sysfsRoot, &inputs);
  for (std::size_t i = 0; i < inputs.size(); ++i) inputs[i].waveInId = static_cast<int>(i);
  return inputs;
}

}  // namespace platform::dshow::alsa
