#include "capture/device_list.h"

#include <cstring>

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
    {"VIDARRO USB VIDEO", 0},  {"VIDARRO VIDEO GRABBER", 0}, {"VIDARRO DVD MAKER", 0}, {"VIDARRO MOVIE BOX", 0},
    {"VIDARRO TV BOX", 0},     {"USB 2861 VIDEO", 0},        {"USB 2860 VIDEO", 0},    {"EM2861 USB VIDEO", 0},
    {"STK1160 USB VIDEO", 0},  {"UT185 USB VIDEO", 0},       {"VIDARRO USB AUDIO", 1},
};

bool SameName(const std::string& a, const std::string& b) { return platform::EqualsNoCase(a, b); }

std::string ReadString(IPropertyBag* bag, const char* name, bool* present) {
    platform::com::ScopedVariant v;
    v.get()->vt = VT_BSTR;
    *present = SUCCEEDED(bag->Read(name, v.get(), nullptr)) && v->vt == VT_BSTR;
    return *present ? platform::com::FromBstr(v->bstrVal) : std::string();
}

// Whether some pin of the filter offers as its first media type one of this major type.
bool HasPinWithFirstType(IBaseFilter* filter, const GUID& major) {
    CComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins)) || !pins) return false;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        CComPtr<IPin> p;
        p.Attach(pin);
        CComPtr<IEnumMediaTypes> types;
        if (FAILED(p->EnumMediaTypes(&types)) || !types) continue;
        AM_MEDIA_TYPE* mt = nullptr;
        if (types->Next(1, &mt, nullptr) != S_OK || !mt) continue;
        const bool match = mt->majortype == major;
        DeleteMediaType(mt);
        if (match) return true;
    }
    return false;
}

CComPtr<IEnumMoniker> ClassEnumerator(const CLSID& category, DWORD flags) {
    CComPtr<ICreateDevEnum> devEnum;
    CComPtr<IEnumMoniker> monikers;
    if (FAILED(devEnum.CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER))) return monikers;
    if (devEnum->CreateClassEnumerator(category, &monikers, flags) != S_OK) monikers = nullptr;
    return monikers;
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
    CComPtr<IEnumMoniker> monikers = ClassEnumerator(CLSID_VideoInputDeviceCategory, CDEF_DEVMON_PNP_DEVICE);
    if (!monikers || FAILED(monikers->Reset())) return;
    IMoniker* m = nullptr;
    while (monikers->Next(1, &m, nullptr) == S_OK) {
        CComPtr<IMoniker> moniker;
        moniker.Attach(m);
        CComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) continue;
        bool present = false;
        auto item = std::make_unique<CCaptureDeviceItem>();
        item->name = ReadString(bag, "FriendlyName", &present);
        if (!present) continue;
        const std::string devicePath = ReadString(bag, "DevicePath", &present);
        if (present) {
            item->path = PathOf(devicePath);
            item->hardwareId = HardwareIdOf(item->path);
        }
        const std::string classGuid = ReadString(bag, "DeviceClassGUID", &present);
        if (present) {
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
    }
}

void CCaptureDeviceList::EnumAudioDevices() {
    ClearAudioDevices();
    CComPtr<IEnumMoniker> monikers = ClassEnumerator(CLSID_AudioInputDeviceCategory, 0);
    if (!monikers || FAILED(monikers->Reset())) return;
    IMoniker* m = nullptr;
    while (monikers->Next(1, &m, nullptr) == S_OK) {
        CComPtr<IMoniker> moniker;
        moniker.Attach(m);
        CComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) continue;
        bool present = false;
        auto item = std::make_unique<CCaptureDeviceItem>();
        item->name = ReadString(bag, "FriendlyName", &present);
        if (!present) continue;
        platform::com::ScopedVariant wave;
        if (SUCCEEDED(bag->Read("WaveInId", wave.get(), nullptr)) && wave->vt == VT_I4) {
            item->waveInId = wave->lVal;
            CompleteAudioEntry(*item);
        }
        audio_.push_back(std::move(item));
    }
}

void CCaptureDeviceList::CompleteAudioEntry(CCaptureDeviceItem& item) {
    CSoundDeviceList sounds;
    sounds.Enumerate();
    item.path = PathOf(sounds.GetInterfaceByWaveId(item.waveInId));
    item.description = sounds.GetDescriptionByWaveId(item.waveInId);
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
    for (const auto& d : video_)
        if (d && SameName(d->name, name)) return d.get();
    return nullptr;
}

const CCaptureDeviceItem* CCaptureDeviceList::FirstAudio(const std::string& name) const {
    for (const auto& d : audio_)
        if (d && SameName(d->name, name)) return d.get();
    return nullptr;
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
    for (const auto& d : video_)
        if (d && SameName(d->name, name) && d->kind == kDeviceWdmWithAudio) return TRUE;
    return FALSE;
}

BOOL CCaptureDeviceList::IsUsbAudioDevice(const std::string& name) const {
    if (const auto* d = FirstAudio(name)) return d->kind == kDeviceUsbAudio;
    const std::string upper = platform::ToUpperAscii(name);
    return upper.find("USB") != std::string::npos || upper.find(" US") != std::string::npos;
}

std::string CCaptureDeviceList::GetHdvDeviceName() const {
    for (const auto& d : video_)
        if (d && d->kind == kDeviceHdv) return d->name;
    return {};
}

std::string CCaptureDeviceList::GetDvDeviceName() const {
    for (const auto& d : video_)
        if (d && d->kind == kDeviceDv) return d->name;
    return {};
}

BOOL CCaptureDeviceList::HasHdvDevice() const {
    for (const auto& d : video_)
        if (d && d->kind == kDeviceHdv) return TRUE;
    return FALSE;
}

BOOL CCaptureDeviceList::HasDvDevice() const {
    for (const auto& d : video_)
        if (d && d->kind == kDeviceDv) return TRUE;
    return FALSE;
}

BOOL CCaptureDeviceList::HasWdmDevice() const {
    for (const auto& d : video_)
        if (d && (d->kind == kDeviceWdm || d->kind == kDeviceWdmWithAudio)) return TRUE;
    return FALSE;
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
    for (const auto& d : audio_)
        if (d && d->hardwareId == video->hardwareId) {
            audioName = d->name;
            return TRUE;
        }
    return FALSE;
}

BOOL CCaptureDeviceList::FindVideoPartner(const std::string& audioName, std::string& videoName) const {
    videoName.clear();
    const auto* audio = FirstAudio(audioName);
    if (!audio || audio->hardwareId.empty()) return FALSE;
    for (const auto& d : video_)
        if (d && d->hardwareId == audio->hardwareId) {
            videoName = d->name;
            return TRUE;
        }
    return FALSE;
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

BOOL CCaptureDeviceList::HasKnownVideoDeviceName() const {
    for (const auto& d : video_)
        if (d && IsKnownVideoDeviceName(d->name)) return TRUE;
    return FALSE;
}

BOOL CCaptureDeviceList::FindKnownVideoDevice(std::string& name) const {
    name.clear();
    for (const auto& d : video_)
        if (d && IsKnownUsbHardwareId(d->hardwareId)) {
            name = d->name;
            return TRUE;
        }
    return FALSE;
}

BOOL CCaptureDeviceList::FindKnownVideoDeviceByName(std::string& name) const {
    name.clear();
    for (const auto& d : video_)
        if (d && IsKnownVideoDeviceName(d->name)) {
            name = d->name;
            return TRUE;
        }
    return FALSE;
}

BOOL CCaptureDeviceList::FindKnownAudioDevice(std::string& name) const {
    name.clear();
    for (const auto& d : audio_)
        if (d && IsKnownAudioDeviceName(d->name)) {
            name = d->name;
            return TRUE;
        }
    for (const auto& d : audio_)
        if (d && IsKnownUsbHardwareId(d->hardwareId)) {
            name = d->name;
            return TRUE;
        }
    return FALSE;
}
