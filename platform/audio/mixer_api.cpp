#include "platform/audio/mixer_api.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/audio/alsa_mixer.h"
#include "platform/audio/playback_lines.h"
#include "platform/base/strings.h"
#include "platform/dshow/sim_hardware.h"

namespace {

namespace audio = platform::audio;
namespace sim = platform::dshow::sim;

struct Mixer {
  std::string name;
  DWORD destinationType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  std::vector<audio::PlaybackLine> lines;
  std::string card;  // the sound card's mixer device; empty for the simulated hardware
  bool HasVolume() const { return !card.empty() && destinationType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN; }
};

// A card's element as the line type its name says.
DWORD ComponentTypeOf(const std::string& element) {
  const std::string name = platform::ToLowerAscii(element);
  auto has = [&name](const char* word) { return name.find(word) != std::string::npos; };
  if (has("mic")) return 4099;
  if (has("line")) return 4098;
  if (has("cd")) return 4101;
  if (has("iec958") || has("digital") || has("spdif")) return 4097;
  if (has("aux")) return 4105;
  if (has("pcm") || has("master") || has("wave")) return 4104;
  return 4106;  // analog
}

std::vector<audio::PlaybackLine> LinesOf(const std::vector<std::string>& elements) {
  std::vector<audio::PlaybackLine> lines;
  for (const auto& e : elements) lines.push_back({e, ComponentTypeOf(e)});
  return lines;
}

// Playback devices first, then the recording inputs, as the system lists its drivers.
std::vector<Mixer> Mixers() {
  std::vector<Mixer> mixers;
  if (!sim::Hardware::Instance().Simulated()) {
    for (const audio::AlsaCard& card : audio::AlsaCards()) {
      const std::string name = card.name.substr(0, MAXPNAMELEN - 1);
      if (!card.channels.empty())
        mixers.push_back({name, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, LinesOf(card.channels), card.device});
      if (!card.captureLines.empty())
        mixers.push_back({name, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, LinesOf(card.captureLines), card.device});
    }
    return mixers;
  }
  for (const audio::PlaybackDevice& device : audio::PlaybackDevices())
    mixers.push_back({device.name, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, device.lines, {}});
  for (const sim::DeviceDesc& d : sim::Hardware::Instance().Devices())
    if (d.kind == sim::DeviceKind::AudioInput && d.present)
      mixers.push_back(
          {d.name.substr(0, MAXPNAMELEN - 1), MIXERLINE_COMPONENTTYPE_DST_WAVEIN, audio::InputLines(), {}});
  return mixers;
}

std::atomic<int> g_calls{0};
std::mutex g_mutex;
std::map<std::uintptr_t, UINT> g_open;  // handle number -> mixer id
std::uintptr_t g_nextHandle = 0x4D00;

void CopyName(char* out, int size, const std::string& name) { platform::CopyToBuffer(name, out, size); }

// The mixer an object names: an open handle, or a mixer id.
bool Resolve(HMIXEROBJ object, DWORD flags, Mixer* out) {
  UINT id = 0;
  if (flags & MIXER_OBJECTF_HANDLE) {
    std::lock_guard lock(g_mutex);
    const auto found = g_open.find(reinterpret_cast<std::uintptr_t>(object));
    if (found == g_open.end()) return false;
    id = found->second;
  } else {
    id = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(object));
  }
  const std::vector<Mixer> mixers = Mixers();
  if (id >= mixers.size()) return false;
  *out = mixers[id];
  return true;
}

constexpr DWORD kDestinationLineId = 0xFFFF0000;
constexpr DWORD kVolumeControls = 0x8000;  // volume control ids follow the mute ones
DWORD SourceLineId(DWORD source) { return (source + 1) << 16; }
DWORD ControlIdOf(DWORD source, bool volume = false) { return source + 1 + (volume ? kVolumeControls : 0); }

void FillDestination(const Mixer& m, MIXERLINE* line) {
  line->dwDestination = 0;
  line->dwSource = 0;
  line->dwLineID = kDestinationLineId;
  line->fdwLine = MIXERLINE_LINEF_ACTIVE;
  line->dwComponentType = m.destinationType;
  line->cChannels = 2;
  line->cConnections = static_cast<DWORD>(m.lines.size());
  line->cControls = 0;
  const std::string name = m.destinationType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS ? "Speakers" : "Wave Input";
  CopyName(line->szShortName, MIXER_SHORT_NAME_CHARS, name);
  CopyName(line->szName, MIXER_LONG_NAME_CHARS, name);
}

void FillSource(const Mixer& m, DWORD source, MIXERLINE* line) {
  const audio::PlaybackLine& l = m.lines[source];
  line->dwDestination = 0;
  line->dwSource = source;
  line->dwLineID = SourceLineId(source);
  line->fdwLine = MIXERLINE_LINEF_ACTIVE | MIXERLINE_LINEF_SOURCE;
  line->dwComponentType = l.componentType;
  line->cChannels = 2;
  line->cConnections = 0;
  line->cControls = m.HasVolume() ? 2 : 1;
  CopyName(line->szShortName, MIXER_SHORT_NAME_CHARS, l.name);
  CopyName(line->szName, MIXER_LONG_NAME_CHARS, l.name);
}

// The source of a control id, or -1; *volume tells a volume control from a mute control.
int SourceOfControl(const Mixer& m, DWORD control, bool* volume) {
  *volume = m.HasVolume() && control > kVolumeControls;
  if (*volume) control -= kVolumeControls;
  return control >= 1 && control <= m.lines.size() ? static_cast<int>(control - 1) : -1;
}

void FillControl(const Mixer& m, DWORD source, bool volume, MIXERCONTROL* control) {
  *control = MIXERCONTROL{};
  control->dwControlID = ControlIdOf(source, volume);
  control->dwControlType = volume ? MIXERCONTROL_CONTROLTYPE_VOLUME : MIXERCONTROL_CONTROLTYPE_MUTE;
  control->Bounds.s.lMinimum = 0;
  control->Bounds.s.lMaximum = volume ? 65535 : 1;
  if (volume) control->Metrics.cSteps = 65536;
  const char* what = volume ? "Volume" : "Mute";
  CopyName(control->szShortName, MIXER_SHORT_NAME_CHARS, what);
  CopyName(control->szName, MIXER_LONG_NAME_CHARS, m.lines[source].name + " " + what);
}

// A line's mute: the simulated line's state, a card's playback switch off, or its capture switch off.
bool ReadMute(const Mixer& m, const std::string& line, int* muted) {
  if (m.card.empty()) {
    *muted = audio::ReadLineMute(m.name, line);
    return true;
  }
  if (!m.HasVolume()) return audio::ReadAlsaMute(m.card, line, muted);
  int volume = 0, selected = 0;
  if (!audio::ReadAlsaCapture(m.card, line, &volume, &selected)) return false;
  *muted = selected ? 0 : 1;
  return true;
}

bool WriteMute(const Mixer& m, const std::string& line, int muted) {
  if (m.card.empty()) return audio::WriteLineMute(m.name, line, muted);
  return m.HasVolume() ? audio::WriteAlsaCaptureSelected(m.card, line, muted ? 0 : 1)
                       : audio::WriteAlsaMute(m.card, line, muted);
}

}  // namespace

namespace platform::audio {
int MixerCallCount() { return g_calls.load(); }
}  // namespace platform::audio

UINT mixerGetNumDevs() {
  ++g_calls;
  return static_cast<UINT>(Mixers().size());
}

MMRESULT mixerGetDevCaps(UINT_PTR id, MIXERCAPS* caps, UINT size) {
  ++g_calls;
  if (!caps || size < sizeof(MIXERCAPS)) return MMSYSERR_INVALPARAM;
  const std::vector<Mixer> mixers = Mixers();
  if (id >= mixers.size()) return MMSYSERR_BADDEVICEID;
  *caps = MIXERCAPS{};
  CopyName(caps->szPname, MAXPNAMELEN, mixers[id].name);
  caps->cDestinations = 1;
  return MMSYSERR_NOERROR;
}

MMRESULT mixerOpen(HMIXER* mixer, UINT id, DWORD_PTR, DWORD_PTR, DWORD) {
  ++g_calls;
  if (!mixer) return MMSYSERR_INVALPARAM;
  if (id >= Mixers().size()) return MMSYSERR_BADDEVICEID;
  std::lock_guard lock(g_mutex);
  const std::uintptr_t handle = g_nextHandle++;
  g_open[handle] = id;
  *mixer = reinterpret_cast<HMIXER>(handle);
  return MMSYSERR_NOERROR;
}

MMRESULT mixerClose(HMIXER mixer) {
  ++g_calls;
  std::lock_guard lock(g_mutex);
  return g_open.erase(reinterpret_cast<std::uintptr_t>(mixer)) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT mixerGetLineInfo(HMIXEROBJ object, MIXERLINE* line, DWORD flags) {
  ++g_calls;
  if (!line || line->cbStruct < sizeof(MIXERLINE)) return MMSYSERR_INVALPARAM;
  Mixer m;
  if (!Resolve(object, flags, &m)) return MMSYSERR_INVALHANDLE;
  switch (flags & MIXER_GETLINEINFOF_QUERYMASK) {
    case MIXER_GETLINEINFOF_DESTINATION:
      if (line->dwDestination != 0) return MIXERR_INVALLINE;
      FillDestination(m, line);
      return MMSYSERR_NOERROR;
    case MIXER_GETLINEINFOF_SOURCE:
      if (line->dwDestination != 0 || line->dwSource >= m.lines.size()) return MIXERR_INVALLINE;
      FillSource(m, line->dwSource, line);
      return MMSYSERR_NOERROR;
    case MIXER_GETLINEINFOF_LINEID:
      if (line->dwLineID == kDestinationLineId) {
        FillDestination(m, line);
        return MMSYSERR_NOERROR;
      }
      for (DWORD s = 0; s < m.lines.size(); ++s)
        if (SourceLineId(s) == line->dwLineID) {
          FillSource(m, s, line);
          return MMSYSERR_NOERROR;
        }
      return MIXERR_INVALLINE;
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
      if (line->dwComponentType == m.destinationType) {
        FillDestination(m, line);
        return MMSYSERR_NOERROR;
      }
      for (DWORD s = 0; s < m.lines.size(); ++s)
        if (m.lines[s].componentType == line->dwComponentType) {
          FillSource(m, s, line);
          return MMSYSERR_NOERROR;
        }
      return MIXERR_INVALLINE;
    default: return MMSYSERR_INVALFLAG;
  }
}

MMRESULT mixerGetLineControls(HMIXEROBJ object, MIXERLINECONTROLS* controls, DWORD flags) {
  ++g_calls;
  if (!controls || !controls->pamxctrl || controls->cbmxctrl < sizeof(MIXERCONTROL) || controls->cControls < 1)
    return MMSYSERR_INVALPARAM;
  Mixer m;
  if (!Resolve(object, flags, &m)) return MMSYSERR_INVALHANDLE;
  int source = -1;
  bool volume = false;
  switch (flags & MIXER_GETLINECONTROLSF_QUERYMASK) {
    case MIXER_GETLINECONTROLSF_ALL:
    case MIXER_GETLINECONTROLSF_ONEBYTYPE:
      for (DWORD s = 0; s < m.lines.size(); ++s)
        if (SourceLineId(s) == controls->dwLineID) source = static_cast<int>(s);
      if (source < 0) return MIXERR_INVALLINE;
      if ((flags & MIXER_GETLINECONTROLSF_QUERYMASK) == MIXER_GETLINECONTROLSF_ONEBYTYPE) {
        volume = m.HasVolume() && controls->dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME;
        if (!volume && controls->dwControlType != MIXERCONTROL_CONTROLTYPE_MUTE) return MIXERR_INVALCONTROL;
      }
      break;
    case MIXER_GETLINECONTROLSF_ONEBYID:
      source = SourceOfControl(m, controls->dwControlID, &volume);
      if (source < 0) return MIXERR_INVALCONTROL;
      controls->dwLineID = SourceLineId(static_cast<DWORD>(source));
      break;
    default: return MMSYSERR_INVALFLAG;
  }
  FillControl(m, static_cast<DWORD>(source), volume, controls->pamxctrl);
  // All of a line's controls, as many as the caller has room for: the mute, then the volume.
  if ((flags & MIXER_GETLINECONTROLSF_QUERYMASK) == MIXER_GETLINECONTROLSF_ALL && m.HasVolume() &&
      controls->cControls >= 2)
    FillControl(m, static_cast<DWORD>(source), true, controls->pamxctrl + 1);
  return MMSYSERR_NOERROR;
}

MMRESULT mixerGetControlDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* details, DWORD flags) {
  ++g_calls;
  if (!details || !details->paDetails || details->cbDetails < sizeof(MIXERCONTROLDETAILS_BOOLEAN))
    return MMSYSERR_INVALPARAM;
  Mixer m;
  if (!Resolve(object, flags, &m)) return MMSYSERR_INVALHANDLE;
  bool volume = false;
  const int source = SourceOfControl(m, details->dwControlID, &volume);
  if (source < 0) return MIXERR_INVALCONTROL;
  const std::string& line = m.lines[static_cast<size_t>(source)].name;
  int value = 0, selected = 0;
  if (volume ? !audio::ReadAlsaCapture(m.card, line, &value, &selected) : !ReadMute(m, line, &value))
    return MMSYSERR_INVALPARAM;
  // One value for every channel asked for (a uniform control answers once).
  const DWORD channels = details->cChannels == 0 ? 1 : details->cChannels;
  for (DWORD c = 0; c < channels; ++c) {
    if (volume) static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)[c].dwValue = static_cast<DWORD>(value);
    else static_cast<MIXERCONTROLDETAILS_BOOLEAN*>(details->paDetails)[c].fValue = value;
  }
  return MMSYSERR_NOERROR;
}

MMRESULT mixerSetControlDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* details, DWORD flags) {
  ++g_calls;
  if (!details || !details->paDetails || details->cbDetails < sizeof(MIXERCONTROLDETAILS_BOOLEAN))
    return MMSYSERR_INVALPARAM;
  Mixer m;
  if (!Resolve(object, flags, &m)) return MMSYSERR_INVALHANDLE;
  bool volume = false;
  const int source = SourceOfControl(m, details->dwControlID, &volume);
  if (source < 0) return MIXERR_INVALCONTROL;
  const std::string& line = m.lines[static_cast<size_t>(source)].name;
  const bool written =
      volume ? audio::WriteAlsaCaptureVolume(
                   m.card, line,
                   static_cast<int>(static_cast<const MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue))
             : WriteMute(m, line, static_cast<const MIXERCONTROLDETAILS_BOOLEAN*>(details->paDetails)->fValue != 0);
  return written ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
}
