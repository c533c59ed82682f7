#include "capture/device_list.h"

#include <cstring>

#include "capture/device_walk.h"
#include "capture/sound_devices.h"
#include "platform/base/strings.h"
#include "platform/com/class_table.h"
#include "platform/com/com_ptr.h"
#include "platform/dshow/device_interfaces.h"

namespace {

struct KnownId {
  const char* id;
  int flag;  // 1: needs the capture timing and line-blanking corrections
};
// The suite's own USB capture boxes.
constexpr KnownId kKnownIds[8] = {
    {"VID_1B80&PID_E309", 0}, {"VID_1B80&PID_E30A", 0}, {"VID_1B80&PID_E30B", 1}, {"VID_1B80&PID_E310", 1},
    {"VID_1B80&PID_E311", 0}, {"VID_1B80&PID_E312", 0}, {"VID_1B80&PID_E320", 0}, {"VID_1B80&PID_E321", 0},
};

struct KnownName {
  const char* name;
  int flag;  // 0 video device, 1 the boxes' USB audio device
};
constexpr KnownName kKnownNames[11] = {
    {"VIDARRO USB VIDEO", 0}, {"VIDARRO VIDEO GRABBER", 0}, {"VIDARRO DVD MAKER", 0}, {"VIDARRO MOVIE BOX", 0},
    {"VIDARRO TV BOX", 0},    {"USB 2861 VIDEO", 0},        {"USB 2860 VIDEO", 0},    {"EM2861 USB VIDEO", 0},
    {"STK1160 USB VIDEO", 0}, {"UT185 USB VIDEO", 0},       {"VIDARRO USB AUDIO", 1},
};

bool SameName(const std::string& a, const std::string& b) { return platform::EqualsNoCase(a, b); }

// Whether some pin of the filter offers as its first media type one of this major type.
bool HasPinWithFirstType(IBaseFilter* filter, const GUID& major) {
  for (const auto& pin : capture::PinsOf(filter))
    if (capture::FirstTypeIs(pin, major)) return true;
  return false;
}

using DeviceItems = std::vector<std::unique_ptr<CCaptureDeviceItem>>;

// The first listed device the test accepts, or nullptr.
template <typename Accepts>
const CCaptureDeviceItem* FirstWhere(const DeviceItems& items, Accepts accepts) {
  for (const auto& d : items)
    if (d && accepts(*d)) return d.get();
  return nullptr;
}

// Puts the name of the first device the test accepts into name.
template <typename Accepts>
BOOL NameOfFirst(const DeviceItems& items, std::string& name, Accepts accepts) {
  const CCaptureDeviceItem* d = FirstWhere(items, accepts);
  if (d) name = d->name;
  return d ? TRUE : FALSE;
}

auto OfKind(int kind) {
  return [kind](const CCaptureDeviceItem& d) { return d.kind == kind; };
}

}  // namespace

CCaptureDeviceList::CCaptureDeviceList() {
  CoInitialize(nullptr);
  Refresh();
}

CCaptureDeviceList::~CCaptureDeviceList() {
  ClearAll();
  CoUninitialize();
}

void CCaptureDeviceList::Refresh() {
  EnumVideoDevices();
  EnumAudioDevices();
}

void CCaptureDeviceList::ClearVideoDevices() { video_.clear(); }
void CCaptureDeviceList::ClearAudioDevices() { audio_.clear(); }
void CCaptureDeviceList::ClearAll() {
  ClearVideoDevices();
  ClearAudioDevices();
}

std::string CCaptureDeviceList::PathOf(const std::string& devicePath) {
  const auto cut = devicePath.find("#{");
  return cut == std::string::npos ? std::string() : devicePath.substr(0, cut);
}

std::string CCaptureDeviceList::HardwareIdOf(const std::string& path) {
  const std::string upper = platform::ToUpperAscii(path);
  const auto vid = upper.find("VID_");
  if (vid == std::string::npos) return {};
  const std::string fromVid = upper.substr(vid);
  const auto pid = fromVid.find("PID_");
  if (pid == std::string::npos) return {};
  return fromVid.substr(0, pid + 8);
}

void CCaptureDeviceList::EnumVideoDevices() {
  ClearVideoDevices();
  CComPtr<IEnumMoniker> monikers = capture::CategoryMonikers(CLSID_VideoInputDeviceCategory, CDEF_DEVMON_PNP_DEVICE);
  if (!monikers || FAILED(monikers->Reset())) return;
  capture::VisitDeviceBags(monikers, [this](IMoniker* moniker, IPropertyBag* bag) {
    auto item = std::make_unique<CCaptureDeviceItem>();
    if (!capture::ReadBagString(bag, "FriendlyName", &item->name)) return false;
    std::string devicePath;
    if (capture::ReadBagString(bag, "DevicePath", &devicePath)) {
      item->path = PathOf(devicePath);
      item->hardwareId = HardwareIdOf(item->path);
    }
    std::string classGuid;
    if (capture::ReadBagString(bag, "DeviceClassGUID", &classGuid)) {
      if (platform::EqualsNoCase(classGuid, "{8C0F6AF2-0EDB-44C1-8AEB-59040BD830ED}")) item->kind = kDeviceHdv;
    } else {
      CComPtr<IBaseFilter> filter;
      if (SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter))) &&
          filter) {
        if (HasPinWithFirstType(filter, MEDIATYPE_Interleaved)) item->kind = kDeviceDv;
        else if (HasPinWithFirstType(filter, MEDIATYPE_Audio)) item->kind = kDeviceWdmWithAudio;
        else item->kind = kDeviceWdm;
      }
    }
    video_.push_back(std::move(item));
    return false;
  });
}

void CCaptureDeviceList::EnumAudioDevices() {
  ClearAudioDevices();
  CComPtr<IEnumMoniker> monikers = capture::CategoryMonikers(CLSID_AudioInputDeviceCategory, 0);
  if (!monikers || FAILED(monikers->Reset())) return;
  // One enumeration of the sound devices serves every entry: a thousand inputs must not
  // enumerate a thousand times.
  CSoundDeviceList sounds;
  sounds.Enumerate();
  std::unordered_map<int, const CSoundDeviceItem*> waveIds;
  for (const auto& d : sounds.CaptureDevices()) waveIds.emplace(d->waveId, d.get());
  capture::VisitDeviceBags(monikers, [this, &waveIds](IMoniker*, IPropertyBag* bag) {
    auto item = std::make_unique<CCaptureDeviceItem>();
    if (!capture::ReadBagString(bag, "FriendlyName", &item->name)) return false;
    platform::com::ScopedVariant wave;
    if (SUCCEEDED(bag->Read("WaveInId", wave.get(), nullptr)) && wave->vt == VT_I4) {
      item->waveInId = wave->lVal;
      CompleteAudioEntry(*item, waveIds);
    }
    audio_.push_back(std::move(item));
    return false;
  });
}

void CCaptureDeviceList::CompleteAudioEntry(CCaptureDeviceItem& item,
                                            const std::unordered_map<int, const CSoundDeviceItem*>& waveIds) {
  const auto sound = waveIds.find(item.waveInId);
  item.path = PathOf(sound != waveIds.end() ? sound->second->interfacePath : std::string());
  item.description = sound != waveIds.end() ? sound->second->description : std::string();
  item.hardwareId = HardwareIdOf(item.path);
  const auto usb = platform::ToLowerAscii(item.path).find("\\usb");
  item.kind = usb != std::string::npos && usb > 0 ? kDeviceUsbAudio : kDeviceAudio;
}

const CCaptureDeviceItem* CCaptureDeviceList::GetVideoDevice(int index) const {
  return index >= 0 && index < GetVideoDeviceCount() ? video_[static_cast<std::size_t>(index)].get() : nullptr;
}

const CCaptureDeviceItem* CCaptureDeviceList::GetAudioDevice(int index) const {
  return index >= 0 && index < GetAudioDeviceCount() ? audio_[static_cast<std::size_t>(index)].get() : nullptr;
}

std::string CCaptureDeviceList::GetVideoDeviceName(int index) const {
  const auto* d = GetVideoDevice(index);
  return d ? d->name : std::string();
}

std::string CCaptureDeviceList::GetAudioDeviceName(int index) const {
  const auto* d = GetAudioDevice(index);
  return d ? d->name : std::string();
}

const CCaptureDeviceItem* CCaptureDeviceList::FirstVideo(const std::string& name) const {
  return FirstWhere(video_, [&](const CCaptureDeviceItem& d) { return SameName(d.name, name); });
}

const CCaptureDeviceItem* CCaptureDeviceList::FirstAudio(const std::string& name) const {
  return FirstWhere(audio_, [&](const CCaptureDeviceItem& d) { return SameName(d.name, name); });
}

int CCaptureDeviceList::GetDeviceType(const std::string& name) const {
  for (const auto& d : video_) {
    if (!d || !SameName(d->name, name)) continue;
    if (d->kind == kDeviceDv) return kDeviceTypeDv;
    if (d->kind == kDeviceHdv) return kDeviceTypeHdv;
    if (d->kind == kDeviceWdm || d->kind == kDeviceWdmWithAudio) return kDeviceTypeAnalog;
  }
  return kDeviceTypeUnknown;
}

BOOL CCaptureDeviceList::HasAudioPin(const std::string& name) const {
  return FirstWhere(
             video_,
             [&](const CCaptureDeviceItem& d) { return SameName(d.name, name) && d.kind == kDeviceWdmWithAudio; })
             ? TRUE
             : FALSE;
}

BOOL CCaptureDeviceList::IsUsbAudioDevice(const std::string& name) const {
  if (const auto* d = FirstAudio(name)) return d->kind == kDeviceUsbAudio;
  const std::string upper = platform::ToUpperAscii(name);
  return upper.find("USB") != std::string::npos || upper.find(" US") != std::string::npos;
}

std::string CCaptureDeviceList::GetHdvDeviceName() const {
  std::string name;
  NameOfFirst(video_, name, OfKind(kDeviceHdv));
  return name;
}

std::string CCaptureDeviceList::GetDvDeviceName() const {
  std::string name;
  NameOfFirst(video_, name, OfKind(kDeviceDv));
  return name;
}

BOOL CCaptureDeviceList::HasHdvDevice() const { return FirstWhere(video_, OfKind(kDeviceHdv)) ? TRUE : FALSE; }

BOOL CCaptureDeviceList::HasDvDevice() const { return FirstWhere(video_, OfKind(kDeviceDv)) ? TRUE : FALSE; }

BOOL CCaptureDeviceList::HasWdmDevice() const {
  return FirstWhere(video_, OfKind(kDeviceWdm)) || FirstWhere(video_, OfKind(kDeviceWdmWithAudio)) ? TRUE : FALSE;
}

std::string CCaptureDeviceList::GetVideoHardwareId(const std::string& name) const {
  const auto* d = FirstVideo(name);
  return d ? d->hardwareId : std::string();
}

std::string CCaptureDeviceList::GetAudioHardwareId(const std::string& name) const {
  const auto* d = FirstAudio(name);
  return d ? d->hardwareId : std::string();
}

BOOL CCaptureDeviceList::FindAudioPartner(const std::string& videoName, std::string& audioName) const {
  audioName.clear();
  const auto* video = FirstVideo(videoName);
  if (!video || video->hardwareId.empty()) return FALSE;
  return NameOfFirst(audio_, audioName, [&](const CCaptureDeviceItem& d) { return d.hardwareId == video->hardwareId; });
}

BOOL CCaptureDeviceList::FindVideoPartner(const std::string& audioName, std::string& videoName) const {
  videoName.clear();
  const auto* audio = FirstAudio(audioName);
  if (!audio || audio->hardwareId.empty()) return FALSE;
  return NameOfFirst(video_, videoName, [&](const CCaptureDeviceItem& d) { return d.hardwareId == audio->hardwareId; });
}

BOOL CCaptureDeviceList::IsKnownUsbHardwareId(const std::string& id) {
  for (const auto& row : kKnownIds)
    if (platform::EqualsNoCase(id, row.id)) return TRUE;
  return FALSE;
}

BOOL CCaptureDeviceList::IsSpecialUsbDevice(const std::string& name) const {
  for (const auto& d : video_) {
    if (!d || !SameName(d->name, name)) continue;
    for (const auto& row : kKnownIds)
      if (platform::EqualsNoCase(d->hardwareId, row.id)) return row.flag == 1;
  }
  return FALSE;
}

namespace {
BOOL HoldsKnownName(const std::string& name, int flag) {
  const std::string upper = platform::ToUpperAscii(name);
  for (const auto& row : kKnownNames)
    if (row.flag == flag && upper.find(row.name) != std::string::npos) return TRUE;
  return FALSE;
}
}  // namespace

BOOL CCaptureDeviceList::IsKnownVideoDeviceName(const std::string& name) { return HoldsKnownName(name, 0); }
BOOL CCaptureDeviceList::IsKnownAudioDeviceName(const std::string& name) { return HoldsKnownName(name, 1); }

namespace {
bool KnownVideoName(const CCaptureDeviceItem& d) { return CCaptureDeviceList::IsKnownVideoDeviceName(d.name); }
bool KnownAudioName(const CCaptureDeviceItem& d) { return CCaptureDeviceList::IsKnownAudioDeviceName(d.name); }
bool KnownHardwareId(const CCaptureDeviceItem& d) { return CCaptureDeviceList::IsKnownUsbHardwareId(d.hardwareId); }
}  // namespace

BOOL CCaptureDeviceList::HasKnownVideoDeviceName() const { return FirstWhere(video_, KnownVideoName) ? TRUE : FALSE; }

BOOL CCaptureDeviceList::FindKnownVideoDevice(std::string& name) const {
  name.clear();
  return NameOfFirst(video_, name, KnownHardwareId);
}

BOOL CCaptureDeviceList::FindKnownVideoDeviceByName(std::string& name) const {
  name.clear();
  return NameOfFirst(video_, name, KnownVideoName);
}

BOOL CCaptureDeviceList::FindKnownAudioDevice(std::string& name) const {
  name.clear();
  return NameOfFirst(audio_, name, KnownAudioName) || NameOfFirst(audio_, name, KnownHardwareId) ? TRUE : FALSE;
}
