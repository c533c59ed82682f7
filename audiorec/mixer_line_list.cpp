#include "audiorec/mixer_line_list.h"

#include "capture/device_list.h"
#include "platform/base/strings.h"
#include "platform/com/class_table.h"
#include "platform/registry/registry.h"
#include "widgets/reg_helpers.h"

namespace auvry {
namespace {

constexpr const char* kSoundMapperKey = "Software\\Microsoft\\Multimedia\\Sound Mapper";

HMIXEROBJ MixerObject(UINT id) { return reinterpret_cast<HMIXEROBJ>(static_cast<std::uintptr_t>(id)); }

// The mute control of a line and its current value; false when the line has none.
bool ReadMute(HMIXEROBJ mixer, DWORD flags, DWORD lineId, DWORD* control, int* value) {
  MIXERCONTROL mute;
  MIXERLINECONTROLS controls;
  controls.dwLineID = lineId;
  controls.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
  controls.cControls = 1;
  controls.pamxctrl = &mute;
  if (mixerGetLineControls(mixer, &controls, flags | MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
    return false;
  MIXERCONTROLDETAILS_BOOLEAN state;
  MIXERCONTROLDETAILS details;
  details.dwControlID = mute.dwControlID;
  details.cChannels = 1;
  details.cbDetails = sizeof state;
  details.paDetails = &state;
  if (mixerGetControlDetails(mixer, &details, flags | MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) return false;
  *control = mute.dwControlID;
  *value = state.fValue ? 1 : 0;
  return true;
}

// The destination of a mixer with that component type; false when it has none.
bool FindDestination(HMIXEROBJ mixer, DWORD flags, DWORD type, MIXERLINE* out) {
  MIXERCAPS caps;
  if (!(flags & MIXER_OBJECTF_HANDLE) &&
      mixerGetDevCaps(reinterpret_cast<std::uintptr_t>(mixer), &caps, sizeof caps) != MMSYSERR_NOERROR)
    return false;
  const DWORD destinations = (flags & MIXER_OBJECTF_HANDLE) ? 8 : caps.cDestinations;
  for (DWORD d = 0; d < destinations; ++d) {
    MIXERLINE line;
    line.dwDestination = d;
    if (mixerGetLineInfo(mixer, &line, flags | MIXER_GETLINEINFOF_DESTINATION) != MMSYSERR_NOERROR) break;
    if (line.dwComponentType == type) {
      *out = line;
      return true;
    }
  }
  return false;
}

}  // namespace

CMixerLineList::CMixerLineList() {
  CoInitialize(nullptr);
  Reset();
}

CMixerLineList::~CMixerLineList() {
  Close();
  CoUninitialize();
}

void CMixerLineList::Reset() {
  mixers_.clear();
  speakerLines_.clear();
  waveInputLines_.clear();
  playbackIndex_ = -1;
  playbackRoles_ = 0;
  usbName_.clear();
  opened_ = false;
}

std::string CMixerLineList::ComponentTypeName(DWORD type, bool source) {
  static const char* const kDestinations[] = {"Undefined",  "Digital",   "Line Level", "Monitor",          "Speakers",
                                              "Headphones", "Telephone", "Wave Input", "Voice Recognition"};
  static const char* const kSources[] = {"Undefined",   "Digital",      "Line Level", "Microphone",
                                         "Synthesizer", "Compact Disc", "Telephone",  "PC Speaker",
                                         "Wave Out",    "Auxiliary",    "Analog"};
  if (source) return type >= 4096 && type <= 4106 ? kSources[type - 4096] : "NOT VALID";
  return type <= 8 ? kDestinations[type] : "NOT VALID";
}

BOOL CMixerLineList::EnumerateMixers() {
  const UINT count = mixerGetNumDevs();
  CCaptureDeviceList devices;
  for (UINT id = 0; id < count && mixers_.size() < kCapacity; ++id) {
    MIXERCAPS caps;
    if (mixerGetDevCaps(id, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
    MixerRecord record{caps.szPname, id, 0};
    std::string full = record.name;
    for (int i = 0; i < devices.GetAudioDeviceCount(); ++i) {
      const std::string input = devices.GetAudioDeviceName(i);
      if (!record.name.empty() && input.find(record.name) != std::string::npos) {
        full = input;
        break;
      }
    }
    const std::string lower = platform::TrimRight(platform::ToLowerAscii(full));
    if (lower.find("usb audio device") != std::string::npos || lower.find("usb") != std::string::npos ||
        lower.find(" us") != std::string::npos) {
      record.roles = kRoleUsb;
      usbName_ = record.name;
    } else {
      MIXERLINE line;
      if (FindDestination(MixerObject(id), MIXER_OBJECTF_MIXER, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, &line))
        record.roles |= kRoleSpeakers;
      if (FindDestination(MixerObject(id), MIXER_OBJECTF_MIXER, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, &line))
        record.roles |= kRoleWaveInput;
    }
    mixers_.push_back(record);
  }
  if (mixers_.empty()) return FALSE;
  return mixers_.size() == 1 && mixers_[0].roles == kRoleUsb ? FALSE : TRUE;
}

int CMixerLineList::ChoosePlaybackMixer() const {
  char preferred[REG_READ_STRING_SIZE] = {};
  const bool named = RegReadString(HKEY_CURRENT_USER, kSoundMapperKey, "Playback", preferred, nullptr);
  int first = -1;
  for (size_t i = 0; i < mixers_.size(); ++i) {
    if (!(mixers_[i].roles & kRoleSpeakers)) continue;
    if (first < 0) first = static_cast<int>(i);
    if (named && !mixers_[i].name.empty() && std::string(preferred).find(mixers_[i].name) != std::string::npos)
      return static_cast<int>(i);
  }
  return first;
}

void CMixerLineList::FillSpeakerLines() {
  const HMIXEROBJ mixer = reinterpret_cast<HMIXEROBJ>(playback_);
  MIXERLINE speakers;
  if (!FindDestination(mixer, MIXER_OBJECTF_HMIXER, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, &speakers)) return;
  for (DWORD s = 0; s < speakers.cConnections && speakerLines_.size() < kCapacity; ++s) {
    MIXERLINE line;
    line.dwDestination = speakers.dwDestination;
    line.dwSource = s;
    if (mixerGetLineInfo(mixer, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR ||
        line.cControls == 0)
      continue;
    MixerLineRecord record;
    record.typeName = ComponentTypeName(line.dwComponentType, (line.fdwLine & MIXERLINE_LINEF_SOURCE) != 0);
    record.name = line.szName;
    record.componentType = line.dwComponentType;
    DWORD control = 0;
    ReadMute(mixer, MIXER_OBJECTF_HMIXER, line.dwLineID, &control, &record.savedMute);
    speakerLines_.push_back(record);
  }
}

void CMixerLineList::AddWaveInputLines(HMIXEROBJ mixer, DWORD flags) {
  MIXERLINE waveIn;
  if (!FindDestination(mixer, flags, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, &waveIn)) return;
  for (DWORD s = 0; s < waveIn.cConnections && waveInputLines_.size() < kCapacity; ++s) {
    MIXERLINE line;
    line.dwDestination = waveIn.dwDestination;
    line.dwSource = s;
    if (mixerGetLineInfo(mixer, &line, flags | MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR) continue;
    bool listed = false;
    for (const MixerLineRecord& speaker : speakerLines_) listed |= speaker.name == line.szName;
    if (!listed) continue;
    MixerLineRecord record;
    record.typeName = ComponentTypeName(line.dwComponentType, true);
    record.name = line.szName;
    record.componentType = line.dwComponentType;
    waveInputLines_.push_back(record);
  }
}

BOOL CMixerLineList::Open() {
  Close();
  Reset();
  if (!EnumerateMixers()) {
    Reset();
    return FALSE;
  }
  playbackIndex_ = ChoosePlaybackMixer();
  if (playbackIndex_ < 0 || mixerOpen(&playback_, mixers_[static_cast<size_t>(playbackIndex_)].id, 0, 0,
                                      CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
    playback_ = nullptr;
    Reset();
    return FALSE;
  }
  playbackRoles_ = mixers_[static_cast<size_t>(playbackIndex_)].roles;
  FillSpeakerLines();
  if ((playbackRoles_ & kRoleSpeakers) && (playbackRoles_ & kRoleWaveInput)) {
    AddWaveInputLines(reinterpret_cast<HMIXEROBJ>(playback_), MIXER_OBJECTF_HMIXER);
  } else {
    for (const MixerRecord& m : mixers_)
      if (m.roles & kRoleWaveInput) AddWaveInputLines(MixerObject(m.id), MIXER_OBJECTF_MIXER);
  }
  if (speakerLines_.empty() || waveInputLines_.empty()) {
    Close();
    Reset();
    return FALSE;
  }
  opened_ = true;
  return TRUE;
}

void CMixerLineList::Close() {
  if (playback_) mixerClose(playback_);
  playback_ = nullptr;
  opened_ = false;
}

BOOL CMixerLineList::SetLineMute(const std::string& name, int value) {
  if (!playback_) return FALSE;
  const HMIXEROBJ mixer = reinterpret_cast<HMIXEROBJ>(playback_);
  MIXERLINE speakers;
  if (!FindDestination(mixer, MIXER_OBJECTF_HMIXER, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, &speakers)) return FALSE;
  for (DWORD s = 0; s < speakers.cConnections; ++s) {
    MIXERLINE line;
    line.dwDestination = speakers.dwDestination;
    line.dwSource = s;
    if (mixerGetLineInfo(mixer, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR ||
        name != line.szName)
      continue;
    DWORD control = 0;
    int current = 0;
    if (!ReadMute(mixer, MIXER_OBJECTF_HMIXER, line.dwLineID, &control, &current)) return FALSE;
    MIXERCONTROLDETAILS_BOOLEAN state;
    state.fValue = value ? 1 : 0;
    MIXERCONTROLDETAILS details;
    details.dwControlID = control;
    details.cChannels = 1;
    details.cbDetails = sizeof state;
    details.paDetails = &state;
    return mixerSetControlDetails(mixer, &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
                   MMSYSERR_NOERROR
               ? TRUE
               : FALSE;
  }
  return FALSE;
}

const MixerRecord* CMixerLineList::NthWithRole(int mask, int n) const {
  int seen = 0;
  for (const MixerRecord& m : mixers_)
    if ((m.roles & mask) && seen++ == n) return &m;
  return nullptr;
}

int CMixerLineList::CountWithRole(int mask) const {
  int count = 0;
  for (const MixerRecord& m : mixers_) count += (m.roles & mask) ? 1 : 0;
  return count;
}

int CMixerLineList::IndexOfNthWithRole(int mask, int n) const {
  const MixerRecord* m = NthWithRole(mask, n);
  return m ? static_cast<int>(m - mixers_.data()) : -1;
}

std::string CMixerLineList::NameOfNthWithRole(int mask, int n) const {
  const MixerRecord* m = NthWithRole(mask, n);
  return m ? m->name : std::string();
}

int CMixerLineList::RoleOfNthWithRole(int mask, int n) const {
  const MixerRecord* m = NthWithRole(mask, n);
  return m ? m->roles : 0;
}

}  // namespace auvry
