#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/com/object.h"
#include "platform/com/oleauto.h"
#include "platform/com/out_param.h"
#include "platform/wmf/wmf_objects.h"

namespace platform::wmf {
namespace {

template <typename Size>
HRESULT CopyText(const std::string& text, char* out, Size* length) {
  if (!length) return E_POINTER;
  const auto needed = static_cast<Size>(text.size() + 1);
  if (!out) {
    *length = needed;
    return S_OK;
  }
  if (*length < needed) {
    *length = needed;
    return static_cast<HRESULT>(0x8007007A);  // ERROR_INSUFFICIENT_BUFFER
  }
  std::memcpy(out, text.c_str(), text.size() + 1);
  *length = needed;
  return S_OK;
}

DEFINE_GUID(IID_StreamConfigObject, 0x5E2A7C10, 0x4B1D, 0x4E8F, 0x9A, 0x33, 0x71, 0x0C, 0x2D, 0x5B, 0x60, 0x01);
DEFINE_GUID(IID_ProfileObject, 0x5E2A7C10, 0x4B1D, 0x4E8F, 0x9A, 0x33, 0x71, 0x0C, 0x2D, 0x5B, 0x60, 0x02);

class StreamConfig : public com::ComObject<IWMStreamConfig3, IWMVideoMediaProps, IWMPropertyVault> {
 public:
  explicit StreamConfig(StreamData data) : data_(std::move(data)) {}
  StreamData data_;

  void* QueryExtraInterface(REFIID riid) override { return riid == IID_StreamConfigObject ? this : nullptr; }

  STDMETHODIMP GetStreamType(GUID* type) override {
    return com::CopyOut(type, data_.video ? WMMEDIATYPE_Video : WMMEDIATYPE_Audio);
  }
  STDMETHODIMP GetType(GUID* type) override { return GetStreamType(type); }
  STDMETHODIMP GetStreamNumber(WORD* number) override { return com::CopyOut(number, data_.number); }
  STDMETHODIMP SetStreamNumber(WORD number) override {
    if (number < 1 || number > 63) return E_INVALIDARG;
    data_.number = number;
    return S_OK;
  }
  STDMETHODIMP GetStreamName(char* name, WORD* length) override { return CopyText(data_.name, name, length); }
  STDMETHODIMP SetStreamName(LPCOLESTR name) override { return Set(data_.name, name); }
  STDMETHODIMP GetConnectionName(char* name, WORD* length) override { return CopyText(data_.connection, name, length); }
  STDMETHODIMP SetConnectionName(LPCOLESTR name) override { return Set(data_.connection, name); }
  STDMETHODIMP GetBitrate(DWORD* bitrate) override { return com::CopyOut(bitrate, data_.bitrate); }
  STDMETHODIMP SetBitrate(DWORD bitrate) override {
    data_.bitrate = bitrate;
    return S_OK;
  }
  STDMETHODIMP GetBufferWindow(DWORD* ms) override { return com::CopyOut(ms, data_.bufferWindow); }
  STDMETHODIMP SetBufferWindow(DWORD ms) override {
    data_.bufferWindow = ms;
    return S_OK;
  }
  STDMETHODIMP GetTransportType(int* type) override { return com::CopyOut(type, 0); }
  STDMETHODIMP SetTransportType(int) override { return S_OK; }
  STDMETHODIMP GetLanguage(char* language, WORD* length) override { return CopyText(data_.language, language, length); }
  STDMETHODIMP SetLanguage(LPCOLESTR language) override { return Set(data_.language, language); }

  // The media type: VIDEOINFOHEADER or WAVEFORMATEX, as the writer's inputs describe them.
  STDMETHODIMP GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) override {
    if (!size) return E_POINTER;
    if (!type) {
      *size = sizeof(WM_MEDIA_TYPE);
      return S_OK;
    }
    CMediaType mt;
    if (data_.video) {
      mt = dshow::MakeVideoType(MEDIASUBTYPE_YUY2, data_.width, data_.height, data_.frameTime);
      auto vih = *mt.Format<VIDEOINFOHEADER>();
      vih.dwBitRate = data_.bitrate;
      mt.SetFormat(FORMAT_VideoInfo, vih);
    } else {
      mt = dshow::MakeAudioType(data_.channels, data_.sampleRate, 16);
    }
    CopyMediaType(type, &mt);
    *size = sizeof(WM_MEDIA_TYPE);
    return S_OK;
  }
  STDMETHODIMP SetMediaType(WM_MEDIA_TYPE* type) override {
    if (!type) return E_POINTER;
    if (data_.video) {
      if (type->formattype != FORMAT_VideoInfo || type->cbFormat < sizeof(VIDEOINFOHEADER)) return E_INVALIDARG;
      const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
      if (vih->bmiHeader.biWidth <= 0 || vih->AvgTimePerFrame <= 0) return E_INVALIDARG;
      data_.width = vih->bmiHeader.biWidth;
      data_.height = std::abs(vih->bmiHeader.biHeight);
      data_.frameTime = vih->AvgTimePerFrame;
      if (vih->dwBitRate) data_.bitrate = vih->dwBitRate;
    } else {
      if (type->formattype != FORMAT_WaveFormatEx || type->cbFormat < sizeof(WAVEFORMATEX)) return E_INVALIDARG;
      const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
      data_.sampleRate = wfx->nSamplesPerSec;
      data_.channels = wfx->nChannels;
    }
    return S_OK;
  }
  STDMETHODIMP GetMaxKeyFrameSpacing(LONGLONG* time) override {
    return com::CopyOut(time, static_cast<LONGLONG>(data_.maxKeyFrameSpacing));
  }
  STDMETHODIMP SetMaxKeyFrameSpacing(LONGLONG time) override {
    data_.maxKeyFrameSpacing = time;
    return S_OK;
  }
  STDMETHODIMP GetQuality(DWORD* quality) override { return com::CopyOut(quality, data_.quality); }
  STDMETHODIMP SetQuality(DWORD quality) override {
    if (quality > 100) return E_INVALIDARG;
    data_.quality = quality;
    return S_OK;
  }
  STDMETHODIMP GetPropertyCount(DWORD* count) override {
    return com::CopyOut(count, static_cast<DWORD>(data_.properties.size()));
  }
  STDMETHODIMP GetPropertyByName(LPCOLESTR name, WMT_ATTR_DATATYPE* type, BYTE* value, DWORD* size) override {
    if (!name || !type || !size) return E_POINTER;
    const auto it = data_.properties.find(name);
    if (it == data_.properties.end()) return NS_E_UNSUPPORTED_PROPERTY;
    *type = WMT_TYPE_DWORD;
    if (value && *size >= 4) std::memcpy(value, &it->second, 4);
    *size = 4;
    return S_OK;
  }
  STDMETHODIMP SetProperty(LPCOLESTR name, WMT_ATTR_DATATYPE type, BYTE* value, DWORD size) override {
    if (!name || !value) return E_POINTER;
    if ((type != WMT_TYPE_DWORD && type != WMT_TYPE_BOOL) || size < 4) return E_INVALIDARG;
    std::uint32_t v;
    std::memcpy(&v, value, 4);
    data_.properties[name] = v;
    return S_OK;
  }

 private:
  static HRESULT Set(std::string& field, LPCOLESTR text) {
    if (!text) return E_POINTER;
    field = text;
    return S_OK;
  }
};

StreamConfig* AsStreamConfig(IUnknown* object) {
  void* p = nullptr;
  if (!object || FAILED(object->QueryInterface(IID_StreamConfigObject, &p))) return nullptr;
  auto* config = static_cast<StreamConfig*>(p);
  config->Release();  // the caller holds its own reference
  return config;
}

class Profile : public com::ComObject<IWMProfile> {
 public:
  ProfileData data_;
  void* QueryExtraInterface(REFIID riid) override { return riid == IID_ProfileObject ? this : nullptr; }

  STDMETHODIMP GetVersion(WMT_VERSION* version) override { return com::CopyOut(version, WMT_VER_9_0); }
  STDMETHODIMP GetName(char* name, DWORD* length) override { return CopyText(data_.name, name, length); }
  STDMETHODIMP SetName(LPCOLESTR name) override {
    if (!name) return E_POINTER;
    data_.name = name;
    return S_OK;
  }
  STDMETHODIMP GetDescription(char* text, DWORD* length) override { return CopyText(data_.description, text, length); }
  STDMETHODIMP SetDescription(LPCOLESTR text) override {
    if (!text) return E_POINTER;
    data_.description = text;
    return S_OK;
  }
  STDMETHODIMP GetStreamCount(DWORD* count) override {
    return com::CopyOut(count, static_cast<DWORD>(data_.streams.size()));
  }
  STDMETHODIMP GetStream(DWORD index, IWMStreamConfig** config) override {
    if (!config) return E_POINTER;
    *config = nullptr;
    if (index >= data_.streams.size()) return E_INVALIDARG;
    *config = new StreamConfig(data_.streams[index]);
    return S_OK;
  }
  STDMETHODIMP GetStreamByNumber(WORD number, IWMStreamConfig** config) override {
    for (DWORD i = 0; i < data_.streams.size(); ++i)
      if (data_.streams[i].number == number) return GetStream(i, config);
    if (config) *config = nullptr;
    return NS_E_INVALID_PROFILE;
  }
  STDMETHODIMP RemoveStream(IWMStreamConfig* config) override {
    auto* s = AsStreamConfig(config);
    return s ? RemoveStreamByNumber(s->data_.number) : E_INVALIDARG;
  }
  STDMETHODIMP RemoveStreamByNumber(WORD number) override {
    const auto before = data_.streams.size();
    std::erase_if(data_.streams, [&](const StreamData& s) { return s.number == number; });
    return data_.streams.size() < before ? S_OK : NS_E_INVALID_PROFILE;
  }
  STDMETHODIMP AddStream(IWMStreamConfig* config) override {
    auto* s = AsStreamConfig(config);
    if (!s) return E_INVALIDARG;
    if (s->data_.number == 0) return NS_E_INVALID_PROFILE;
    for (const StreamData& existing : data_.streams)
      if (existing.number == s->data_.number) return NS_E_INVALID_PROFILE;
    data_.streams.push_back(s->data_);
    return S_OK;
  }
  STDMETHODIMP ReconfigStream(IWMStreamConfig* config) override {
    auto* s = AsStreamConfig(config);
    if (!s) return E_INVALIDARG;
    for (StreamData& existing : data_.streams)
      if (existing.number == s->data_.number) {
        existing = s->data_;
        return S_OK;
      }
    return NS_E_INVALID_PROFILE;
  }
  STDMETHODIMP CreateNewStream(REFGUID type, IWMStreamConfig** config) override {
    if (!config) return E_POINTER;
    StreamData s;
    s.video = type == WMMEDIATYPE_Video;
    if (!s.video && type != WMMEDIATYPE_Audio) return E_INVALIDARG;
    *config = new StreamConfig(s);
    return S_OK;
  }
};

// What the codec list offers: for each kind one codec, constant bit rate only.
class CodecInfo : public com::ComObject<IWMCodecInfo3> {
 public:
  STDMETHODIMP GetCodecInfoCount(REFGUID type, DWORD* count) override {
    if (!count) return E_POINTER;
    *count = (type == WMMEDIATYPE_Audio || type == WMMEDIATYPE_Video) ? 1 : 0;
    return S_OK;
  }
  STDMETHODIMP GetCodecFormatCount(REFGUID type, DWORD codec, DWORD* count) override {
    if (!count) return E_POINTER;
    if (codec != 0) return E_INVALIDARG;
    if (Vbr(type)) {
      *count = 0;
      return S_OK;
    }
    *count = type == WMMEDIATYPE_Audio ? static_cast<DWORD>(AudioFormats().size()) : 1;
    return S_OK;
  }
  STDMETHODIMP GetCodecFormat(REFGUID type, DWORD codec, DWORD format, IWMStreamConfig** config) override {
    return GetCodecFormatDesc(type, codec, format, config, nullptr, nullptr);
  }
  STDMETHODIMP GetCodecName(REFGUID type, DWORD codec, char* name, DWORD* length) override {
    if (codec != 0) return E_INVALIDARG;
    return CopyText(CodecName(type == WMMEDIATYPE_Video), name, length);
  }
  STDMETHODIMP GetCodecFormatDesc(REFGUID type, DWORD codec, DWORD format, IWMStreamConfig** config, char* text,
                                  DWORD* length) override {
    DWORD count = 0;
    if (FAILED(GetCodecFormatCount(type, codec, &count)) || format >= count) return E_INVALIDARG;
    StreamData s;
    s.video = type == WMMEDIATYPE_Video;
    s.codec = 0;
    std::string description;
    if (s.video) {
      s.width = 320, s.height = 240, s.frameTime = 333667, s.bitrate = 100000, s.quality = 100;
      s.maxKeyFrameSpacing = 80000000;
      description = std::string(CodecName(true)) + " CBR";
    } else {
      const AudioFormat& f = AudioFormats()[format];
      s.bitrate = f.bitrate, s.sampleRate = f.sampleRate, s.channels = f.channels;
      description = AudioFormatText(f);
    }
    if (config) *config = new StreamConfig(s);
    if (length) return CopyText(description, text, length);
    return S_OK;
  }
  STDMETHODIMP GetCodecFormatProp(REFGUID, DWORD, DWORD, LPCOLESTR, WMT_ATTR_DATATYPE*, BYTE*, DWORD*) override {
    return NS_E_UNSUPPORTED_PROPERTY;
  }
  STDMETHODIMP GetCodecProp(REFGUID, DWORD, LPCOLESTR, WMT_ATTR_DATATYPE*, BYTE*, DWORD*) override {
    return NS_E_UNSUPPORTED_PROPERTY;
  }
  // Only constant bit rate is encoded: asking for variable rate is refused as unsupported.
  STDMETHODIMP SetCodecEnumerationSetting(REFGUID type, DWORD codec, LPCOLESTR name, WMT_ATTR_DATATYPE,
                                          const BYTE* value, DWORD size) override {
    if (!name || !value || size < 4 || codec != 0) return E_INVALIDARG;
    std::uint32_t v;
    std::memcpy(&v, value, 4);
    if (std::string(name) == "_VBRENABLED") {
      (type == WMMEDIATYPE_Video ? videoVbr_ : audioVbr_) = v != 0;
      return v ? NS_E_UNSUPPORTED_PROPERTY : S_OK;
    }
    if (std::string(name) == "_PASSESUSED") return S_OK;
    return NS_E_UNSUPPORTED_PROPERTY;
  }
  STDMETHODIMP GetCodecEnumerationSetting(REFGUID type, DWORD, LPCOLESTR name, WMT_ATTR_DATATYPE* kind, BYTE* value,
                                          DWORD* size) override {
    if (!name || !kind || !size) return E_POINTER;
    if (std::string(name) != "_VBRENABLED") return NS_E_UNSUPPORTED_PROPERTY;
    *kind = WMT_TYPE_BOOL;
    const std::uint32_t v = Vbr(type) ? 1 : 0;
    if (value && *size >= 4) std::memcpy(value, &v, 4);
    *size = 4;
    return S_OK;
  }

 private:
  bool Vbr(REFGUID type) const { return type == WMMEDIATYPE_Video ? videoVbr_ : audioVbr_; }
  bool audioVbr_ = false;
  bool videoVbr_ = false;
};

class ProfileManager : public com::ComObject<IWMProfileManager, IWMCodecInfo3> {
 public:
  STDMETHODIMP CreateEmptyProfile(WMT_VERSION version, IWMProfile** profile) override {
    if (!profile) return E_POINTER;
    *profile = nullptr;
    if (version != WMT_VER_9_0 && version != WMT_VER_8_0 && version != WMT_VER_7_0) return E_INVALIDARG;
    *profile = new Profile;
    return S_OK;
  }
  STDMETHODIMP LoadProfileByID(REFGUID, IWMProfile** profile) override {
    if (profile) *profile = nullptr;
    return NS_E_INVALID_PROFILE;
  }
  STDMETHODIMP LoadProfileByData(const char16_t* data, IWMProfile** profile) override {
    if (!data || !profile) return E_POINTER;
    *profile = nullptr;
    auto* made = new Profile;
    if (!FromXml(Utf16ToUtf8(data), &made->data_)) {
      made->Release();
      return NS_E_INVALID_PROFILE;
    }
    *profile = made;
    return S_OK;
  }
  STDMETHODIMP SaveProfile(IWMProfile* profile, char16_t* data, DWORD* length) override {
    ProfileData d;
    if (!length || !ProfileDataOf(profile, &d)) return E_INVALIDARG;
    const std::u16string text = Utf8ToUtf16(ToXml(d));
    const auto needed = static_cast<DWORD>(text.size() + 1);
    if (!data) {
      *length = needed;
      return S_OK;
    }
    if (*length < needed) {
      *length = needed;
      return static_cast<HRESULT>(0x8007007A);
    }
    std::copy(text.begin(), text.end(), data);
    data[text.size()] = 0;
    *length = needed;
    return S_OK;
  }
  STDMETHODIMP GetSystemProfileCount(DWORD* count) override { return com::CopyOut(count, DWORD{0}); }
  STDMETHODIMP LoadSystemProfile(DWORD, IWMProfile** profile) override {
    if (profile) *profile = nullptr;
    return E_INVALIDARG;
  }

#define FORWARD(call) return codecs_.call
  STDMETHODIMP GetCodecInfoCount(REFGUID t, DWORD* c) override { FORWARD(GetCodecInfoCount(t, c)); }
  STDMETHODIMP GetCodecFormatCount(REFGUID t, DWORD i, DWORD* c) override { FORWARD(GetCodecFormatCount(t, i, c)); }
  STDMETHODIMP GetCodecFormat(REFGUID t, DWORD i, DWORD f, IWMStreamConfig** s) override {
    FORWARD(GetCodecFormat(t, i, f, s));
  }
  STDMETHODIMP GetCodecName(REFGUID t, DWORD i, char* n, DWORD* l) override { FORWARD(GetCodecName(t, i, n, l)); }
  STDMETHODIMP GetCodecFormatDesc(REFGUID t, DWORD i, DWORD f, IWMStreamConfig** s, char* x, DWORD* l) override {
    FORWARD(GetCodecFormatDesc(t, i, f, s, x, l));
  }
  STDMETHODIMP GetCodecFormatProp(REFGUID t, DWORD i, DWORD f, LPCOLESTR n, WMT_ATTR_DATATYPE* k, BYTE* v,
                                  DWORD* s) override {
    FORWARD(GetCodecFormatProp(t, i, f, n, k, v, s));
  }
  STDMETHODIMP GetCodecProp(REFGUID t, DWORD i, LPCOLESTR n, WMT_ATTR_DATATYPE* k, BYTE* v, DWORD* s) override {
    FORWARD(GetCodecProp(t, i, n, k, v, s));
  }
  STDMETHODIMP SetCodecEnumerationSetting(REFGUID t, DWORD i, LPCOLESTR n, WMT_ATTR_DATATYPE k, const BYTE* v,
                                          DWORD s) override {
    FORWARD(SetCodecEnumerationSetting(t, i, n, k, v, s));
  }
  STDMETHODIMP GetCodecEnumerationSetting(REFGUID t, DWORD i, LPCOLESTR n, WMT_ATTR_DATATYPE* k, BYTE* v,
                                          DWORD* s) override {
    FORWARD(GetCodecEnumerationSetting(t, i, n, k, v, s));
  }
#undef FORWARD

 private:
  CodecInfo codecs_;
};

class MultiLanguage : public com::ComObject<IMultiLanguage> {
 public:
  STDMETHODIMP GetRfc1766FromLcid(LCID locale, BSTR* name) override {
    if (!name) return E_POINTER;
    static const std::pair<LCID, const char*> names[] = {
        {0x0409, "en-US"}, {0x0809, "en-GB"}, {0x0407, "de-DE"}, {0x040C, "fr-FR"}, {0x0410, "it-IT"},
        {0x0C0A, "es-ES"}, {0x0411, "ja-JP"}, {0x0804, "zh-CN"}, {0x0404, "zh-TW"}, {0x0412, "ko-KR"},
        {0x0413, "nl-NL"}, {0x0416, "pt-BR"}, {0x0419, "ru-RU"}};
    for (const auto& [id, text] : names)
      if (id == locale) {
        *name = SysAllocString(text);
        return S_OK;
      }
    *name = nullptr;
    return E_INVALIDARG;
  }
};

[[maybe_unused]] const bool multiLanguageRegistered = [] {
  com::RegisterClassForever(CLSID_CMultiLanguage, com::CreatorOf<MultiLanguage>());
  return true;
}();

}  // namespace

bool ProfileDataOf(IWMProfile* profile, ProfileData* data) {
  void* p = nullptr;
  if (!profile || FAILED(profile->QueryInterface(IID_ProfileObject, &p))) return false;
  auto* object = static_cast<Profile*>(p);
  if (data) *data = object->data_;
  object->Release();
  return true;
}

}  // namespace platform::wmf

HRESULT WMCreateProfileManager(IWMProfileManager** manager) {
  if (!manager) return E_POINTER;
  *manager = new platform::wmf::ProfileManager;
  return S_OK;
}

LCID GetSystemDefaultLCID() {
  static const std::pair<const char*, LCID> locales[] = {
      {"en_GB", 0x0809}, {"en", 0x0409}, {"de", 0x0407}, {"fr", 0x040C}, {"it", 0x0410}, {"es", 0x0C0A}, {"ja", 0x0411},
      {"zh_TW", 0x0404}, {"zh", 0x0804}, {"ko", 0x0412}, {"nl", 0x0413}, {"pt", 0x0416}, {"ru", 0x0419}};
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if ((name = std::getenv(variable)) && *name) break;
  if (!name || !*name) return 0x0409;
  const std::string text = name;
  for (const auto& [prefix, id] : locales)
    if (text.rfind(prefix, 0) == 0) return id;
  return 0x0409;  // "C", "POSIX" and the unknown
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    char32_t cp;
    int extra;
    if (c < 0x80) cp = c, extra = 0;
    else if ((c >> 5) == 6) cp = c & 0x1F, extra = 1;
    else if ((c >> 4) == 14) cp = c & 0x0F, extra = 2;
    else if ((c >> 3) == 30) cp = c & 0x07, extra = 3;
    else cp = 0xFFFD, extra = 0;
    ++i;
    for (int k = 0; k < extra; ++k, ++i) {
      if (i >= text.size() || (static_cast<unsigned char>(text[i]) >> 6) != 2) {
        cp = 0xFFFD;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}
