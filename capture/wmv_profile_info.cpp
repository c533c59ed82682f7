#include "capture/wmv_profile_info.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/base/file.h"
#include "platform/base/strings.h"
#include "platform/com/class_table.h"
#include "platform/com/oleauto.h"

CWmvStreamInfo::CWmvStreamInfo(int streamKind) : kind(streamKind), language(GetSystemDefaultLCID()) {}

ULONG CWmvStreamInfo::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

CWmvProfileInfo::CWmvProfileInfo() { CoInitialize(nullptr); }

CWmvProfileInfo::~CWmvProfileInfo() {
  codecInfo_ = nullptr;
  if (audio_) audio_->Release();
  if (video_) video_->Release();
  CoUninitialize();
}

LONGLONG CWmvProfileInfo::FrameTimeOf(double frameRate) {
  return frameRate > 0 ? std::llround(10000000.0 / frameRate) : 0;
}

BOOL CWmvProfileInfo::Init() {
  CComPtr<IWMProfileManager> manager;
  if (FAILED(WMCreateProfileManager(&manager)) ||
      FAILED(manager->QueryInterface(IID_IWMCodecInfo3, reinterpret_cast<void**>(&codecInfo_))))
    return FALSE;
  DWORD count = 0;
  audioCodecs_ = SUCCEEDED(codecInfo_->GetCodecInfoCount(WMMEDIATYPE_Audio, &count)) && count > 0;
  count = 0;
  videoCodecs_ = SUCCEEDED(codecInfo_->GetCodecInfoCount(WMMEDIATYPE_Video, &count)) && count > 0;
  return TRUE;
}

BOOL CWmvProfileInfo::SetCodecVbrSettings(REFGUID type, int codec, BOOL vbr, DWORD passes, DWORD* formats) {
  const DWORD flag = vbr ? 1 : 0;
  HRESULT hr = codecInfo_->SetCodecEnumerationSetting(type, static_cast<DWORD>(codec), "_VBRENABLED", WMT_TYPE_BOOL,
                                                      reinterpret_cast<const BYTE*>(&flag), 4);
  if (hr == NS_E_UNSUPPORTED_PROPERTY && !vbr) hr = S_OK;
  if (FAILED(hr)) return FALSE;
  if (vbr && FAILED(codecInfo_->SetCodecEnumerationSetting(type, static_cast<DWORD>(codec), "_PASSESUSED",
                                                           WMT_TYPE_DWORD, reinterpret_cast<const BYTE*>(&passes), 4)))
    return FALSE;
  DWORD count = 0;
  if (FAILED(codecInfo_->GetCodecFormatCount(type, static_cast<DWORD>(codec), &count))) return FALSE;
  if (formats) *formats = count;
  return TRUE;
}

BOOL CWmvProfileInfo::SetAudioDefaults(CWmvStreamInfo* s) {
  DWORD codecs = 0;
  if (FAILED(codecInfo_->GetCodecInfoCount(WMMEDIATYPE_Audio, &codecs))) return FALSE;
  for (DWORD codec = 0; codec < codecs; ++codec)
    if (SetAudioCodec(s, static_cast<int>(codec))) return TRUE;
  return FALSE;
}

BOOL CWmvProfileInfo::SetAudioCodec(CWmvStreamInfo* s, int codec) {
  const struct {
    BOOL vbr;
    DWORD passes;
    int code;
  } modes[] = {{FALSE, 0, 0}, {TRUE, 1, 5000}, {TRUE, 2, 10000}};
  for (const auto& mode : modes) {
    DWORD formats = 0;
    if (SetCodecVbrSettings(WMMEDIATYPE_Audio, codec, mode.vbr, mode.passes, &formats) && formats > 0) {
      s->codecIndex = codec;
      s->audioFormatCode = mode.code;
      s->audioFormatPosition = 0;
      s->bufferWindow = 3000;
      s->uncompressed = FALSE;
      return TRUE;
    }
  }
  return FALSE;
}

BOOL CWmvProfileInfo::SetVideoDefaults(CWmvStreamInfo* s) {
  DWORD codecs = 0;
  if (FAILED(codecInfo_->GetCodecInfoCount(WMMEDIATYPE_Video, &codecs))) return FALSE;
  for (DWORD codec = 0; codec < codecs; ++codec)
    if (SetVideoCodec(s, static_cast<int>(codec))) return TRUE;
  return FALSE;
}

BOOL CWmvProfileInfo::SetVideoCodec(CWmvStreamInfo* s, int codec) {
  const struct {
    BOOL vbr;
    DWORD passes;
    int mode;
  } modes[] = {{FALSE, 0, 1}, {TRUE, 1, 1}, {TRUE, 2, 3}};
  for (const auto& mode : modes) {
    DWORD formats = 0;
    if (SetCodecVbrSettings(WMMEDIATYPE_Video, codec, mode.vbr, mode.passes, &formats) && formats > 0) {
      s->codecIndex = codec;
      s->vbrEnabled = mode.vbr;
      s->vbrMode = mode.mode;
      s->bitRate = 100000;
      s->bufferWindow = 3000;
      s->width = 320;
      s->height = 240;
      s->frameRate = 30;
      s->secondsPerKeyFrame = 8;
      s->quality = 100;
      s->maxBitRate = 1000000;
      s->maxBufferWindow = 0;
      s->uncompressed = FALSE;
      s->vbrQuality = 0;
      return TRUE;
    }
  }
  return FALSE;
}

int CWmvProfileInfo::FindCodec(REFGUID type, const std::string& name) {
  DWORD codecs = 0;
  if (name.empty() || !codecInfo_ || FAILED(codecInfo_->GetCodecInfoCount(type, &codecs))) return -1;
  for (DWORD codec = 0; codec < codecs; ++codec) {
    DWORD length = 0;
    if (FAILED(codecInfo_->GetCodecName(type, codec, nullptr, &length)) || length == 0) continue;
    std::string text(length, '\0');
    if (FAILED(codecInfo_->GetCodecName(type, codec, text.data(), &length))) continue;
    text.resize(std::strlen(text.c_str()));
    if (platform::EqualsNoCase(text, name)) return static_cast<int>(codec);
  }
  return -1;
}

// A codec named by the caller replaces the default one when it can encode; an unknown name
// keeps the default.
void CWmvProfileInfo::SelectCodecByName(int kind, const std::string& name) {
  CWmvStreamInfo* s = kind == 1 ? audio_ : video_;
  const int codec = FindCodec(kind == 1 ? WMMEDIATYPE_Audio : WMMEDIATYPE_Video, name);
  if (!s || codec < 0 || codec == s->codecIndex) return;
  // Either leaves the stream as it was when the codec cannot encode.
  if (kind == 1) SetAudioCodec(s, codec);
  else SetVideoCodec(s, codec);
}

BOOL CWmvProfileInfo::AddStream(int kind) {
  if (!codecInfo_ || (kind != 1 && kind != 2)) return FALSE;
  if ((kind == 1 && !audioCodecs_) || (kind == 2 && !videoCodecs_)) return FALSE;
  CComPtr<IMultiLanguage> languages;
  if (FAILED(CoCreateInstance(CLSID_CMultiLanguage, nullptr, CLSCTX_INPROC_SERVER, IID_IMultiLanguage,
                              reinterpret_cast<void**>(&languages))))
    return FALSE;
  auto* s = new CWmvStreamInfo(kind);
  if (!(kind == 1 ? SetAudioDefaults(s) : SetVideoDefaults(s))) {
    s->Release();
    return FALSE;
  }
  s->name = kind == 1 ? "Stream Audio" : "Stream Video";
  CWmvStreamInfo*& slot = kind == 1 ? audio_ : video_;
  if (slot) slot->Release();
  slot = s;
  return TRUE;
}

BOOL CWmvProfileInfo::ListAudioFormats(int codec) {
  audioFormats_.clear();
  const struct {
    BOOL vbr;
    DWORD passes;
    int base;
  } modes[] = {{FALSE, 0, 0}, {TRUE, 1, 5000}, {TRUE, 2, 10000}};
  for (const auto& mode : modes) {
    DWORD formats = 0;
    if (!SetCodecVbrSettings(WMMEDIATYPE_Audio, codec, mode.vbr, mode.passes, &formats)) break;
    for (DWORD f = 0; f < formats; ++f) {
      DWORD length = 0;
      if (FAILED(codecInfo_->GetCodecFormatDesc(WMMEDIATYPE_Audio, static_cast<DWORD>(codec), f, nullptr, nullptr,
                                                &length)))
        return FALSE;
      std::string text(length, '\0');
      if (FAILED(codecInfo_->GetCodecFormatDesc(WMMEDIATYPE_Audio, static_cast<DWORD>(codec), f, nullptr, text.data(),
                                                &length)))
        return FALSE;
      text.resize(length ? length - 1 : 0);
      audioFormats_.push_back({text, mode.base + static_cast<int>(f)});
    }
  }
  return TRUE;
}

BOOL CWmvProfileInfo::SetStreamParams(int kind, const WmvStreamParams& p) {
  if (kind == 1) {
    if (!audio_) return FALSE;
    SelectCodecByName(1, p.audioCodec);
    if (!ListAudioFormats(audio_->codecIndex)) return FALSE;
    const std::string wanted =
        platform::Format("%d kbps, %d khz, %s", p.audioKbps, p.audioKhz, p.channels == 1 ? "mono" : "stereo");
    for (std::size_t i = 0; i < audioFormats_.size(); ++i) {
      std::string lower = audioFormats_[i].description;
      std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
      if (lower.rfind(wanted, 0) == 0) {
        audio_->audioFormatCode = audioFormats_[i].code;
        audio_->audioFormatPosition = static_cast<int>(i);
        break;
      }
    }
    return TRUE;
  }
  if (kind != 2 || !video_) return FALSE;
  SelectCodecByName(2, p.videoCodec);
  video_->width = p.width;
  video_->height = p.height;
  // The rate keeps its fraction: 29.97 frames a second is 333,667 units a frame, not 29.
  video_->frameRate = p.frameRate;
  video_->bitRate = p.videoKbps * 1000;
  video_->maxBitRate = p.videoKbps * 1000;
  return TRUE;
}

HRESULT CWmvProfileInfo::SetLanguage(IWMStreamConfig* config, LCID language) {
  CComPtr<IMultiLanguage> languages;
  HRESULT hr = CoCreateInstance(CLSID_CMultiLanguage, nullptr, CLSCTX_INPROC_SERVER, IID_IMultiLanguage,
                                reinterpret_cast<void**>(&languages));
  if (FAILED(hr)) return hr;
  BSTR name = nullptr;
  if (FAILED(hr = languages->GetRfc1766FromLcid(language, &name))) return hr;
  CComPtr<IWMStreamConfig3> config3;
  hr = config->QueryInterface(IID_IWMStreamConfig3, reinterpret_cast<void**>(&config3));
  if (SUCCEEDED(hr)) hr = config3->SetLanguage(name);
  SysFreeString(name);
  return hr;
}

HRESULT CWmvProfileInfo::BuildStream(IWMProfile* profile, CWmvStreamInfo* s) {
  CComPtr<IWMStreamConfig> config;
  HRESULT hr;
  const bool audio = s->kind == 1;
  if (audio) {
    const int passes = s->audioFormatCode / 5000;
    if (!SetCodecVbrSettings(WMMEDIATYPE_Audio, s->codecIndex, passes != 0, static_cast<DWORD>(passes), nullptr))
      return E_FAIL;
    if (FAILED(hr = codecInfo_->GetCodecFormat(WMMEDIATYPE_Audio, static_cast<DWORD>(s->codecIndex),
                                               static_cast<DWORD>(s->audioFormatCode % 5000), &config)))
      return hr;
    if (FAILED(hr = config->SetBufferWindow(static_cast<DWORD>(s->bufferWindow)))) return hr;
  } else {
    const DWORD passes = !s->vbrEnabled ? 0 : s->vbrMode == 1 ? 1 : 2;
    if (!SetCodecVbrSettings(WMMEDIATYPE_Video, s->codecIndex, s->vbrEnabled, passes, nullptr)) return E_FAIL;
    if (FAILED(hr = codecInfo_->GetCodecFormat(WMMEDIATYPE_Video, static_cast<DWORD>(s->codecIndex), 0, &config)))
      return hr;
    CComPtr<IWMVideoMediaProps> props;
    if (FAILED(hr = config->QueryInterface(IID_IWMVideoMediaProps, reinterpret_cast<void**>(&props)))) return hr;
    DWORD size = 0;
    WM_MEDIA_TYPE mt{};
    if (FAILED(hr = props->GetMediaType(&mt, &size))) return hr;
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat);
    vih->bmiHeader.biWidth = s->width;
    vih->bmiHeader.biHeight = s->height;
    vih->dwBitRate = static_cast<DWORD>(s->bitRate);
    vih->AvgTimePerFrame = FrameTimeOf(s->frameRate);
    hr = props->SetMediaType(&mt);
    FreeMediaType(mt);
    if (FAILED(hr) || FAILED(hr = config->SetBitrate(static_cast<DWORD>(s->bitRate))) ||
        FAILED(hr = config->SetBufferWindow(static_cast<DWORD>(s->bufferWindow))) ||
        FAILED(hr = props->SetQuality(static_cast<DWORD>(s->quality))) ||
        FAILED(hr = props->SetMaxKeyFrameSpacing(static_cast<LONGLONG>(s->secondsPerKeyFrame) * 10000000)))
      return hr;
    CComPtr<IWMPropertyVault> vault;
    if (s->vbrEnabled && SUCCEEDED(config->QueryInterface(IID_IWMPropertyVault, reinterpret_cast<void**>(&vault)))) {
      DWORD value = static_cast<DWORD>(s->vbrMode == 1 ? s->vbrQuality : s->maxBitRate);
      if (s->vbrMode == 1) {
        if (FAILED(hr = vault->SetProperty("_VBRQUALITY", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&value), 4)))
          return hr;
      } else if (s->vbrMode == 2) {
        DWORD window = static_cast<DWORD>(s->maxBufferWindow);
        if (FAILED(hr = vault->SetProperty("_RMAX", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&value), 4)) ||
            FAILED(hr = vault->SetProperty("_BMAX", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&window), 4)))
          return hr;
      }
    }
  }
  if (FAILED(hr = SetLanguage(config, s->language))) return hr;
  if (FAILED(hr = config->SetStreamNumber(s->streamNumber))) return hr;
  const std::string name = platform::Format("%s%d", audio ? "Audio" : "Video", s->streamNumber);
  if (FAILED(hr = config->SetStreamName(name.c_str())) || FAILED(hr = config->SetConnectionName(name.c_str())))
    return hr;
  return profile->AddStream(config);
}

BOOL CWmvProfileInfo::SaveProfile(const std::string& path) {
  if (!codecInfo_) return FALSE;
  WORD number = 1;
  if (audio_) audio_->streamNumber = number++;
  if (video_) video_->streamNumber = number++;
  CComPtr<IWMProfileManager> manager;
  CComPtr<IWMProfile> profile;
  if (FAILED(WMCreateProfileManager(&manager)) || FAILED(manager->CreateEmptyProfile(WMT_VER_9_0, &profile)) ||
      FAILED(profile->SetName("")))
    return FALSE;
  for (CWmvStreamInfo* s : {audio_, video_})
    if (s && FAILED(BuildStream(profile, s))) return FALSE;
  std::string description = "Streams: ";
  if (audio_) description += "1 audio ";
  if (video_) description += "1 video ";
  while (!description.empty() && description.back() == ' ') description.pop_back();
  if (FAILED(profile->SetDescription(description.c_str()))) return FALSE;
  DWORD length = 0;
  if (FAILED(manager->SaveProfile(profile, nullptr, &length))) return FALSE;
  std::u16string text(length, u'\0');
  if (FAILED(manager->SaveProfile(profile, text.data(), &length))) return FALSE;
  // Written as the manager made it: UTF-16LE, no terminator.
  std::string bytes(reinterpret_cast<const char*>(text.data()), (length ? length - 1 : 0) * 2);
  return platform::WriteWholeFileAtomic(path, bytes);
}
