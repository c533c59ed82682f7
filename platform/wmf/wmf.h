// Windows Media Format profiles: the profile manager, profiles, stream configurations with their
// media properties and property vault, the codec information the writer encodes with (wmv2 and
// wmav2), and the header and writer configuration interfaces. Profile text is UTF-16; every
// other string is UTF-8 as everywhere on this platform.
#pragma once

#include <string>

#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/media_types.h"

using LCID = DWORD;

enum WMT_VERSION : DWORD { WMT_VER_4_0 = 0x40000, WMT_VER_7_0 = 0x70000, WMT_VER_8_0 = 0x80000, WMT_VER_9_0 = 0x90000 };
enum WMT_ATTR_DATATYPE : int {
  WMT_TYPE_DWORD = 0,
  WMT_TYPE_STRING = 1,
  WMT_TYPE_BINARY = 2,
  WMT_TYPE_BOOL = 3,
  WMT_TYPE_QWORD = 4,
  WMT_TYPE_WORD = 5,
  WMT_TYPE_GUID = 6,
};
using WM_MEDIA_TYPE = AM_MEDIA_TYPE;

inline constexpr const GUID& WMMEDIATYPE_Audio = MEDIATYPE_Audio;
inline constexpr const GUID& WMMEDIATYPE_Video = MEDIATYPE_Video;

constexpr HRESULT NS_E_UNSUPPORTED_PROPERTY = static_cast<HRESULT>(0xC00D0BC2);
constexpr HRESULT NS_E_INVALID_PROFILE = static_cast<HRESULT>(0xC00D0BC5);

DEFINE_GUID(IID_IWMMediaProps, 0x96406BCE, 0x2B2B, 0x11D3, 0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF);
DEFINE_GUID(IID_IWMVideoMediaProps, 0x96406BCF, 0x2B2B, 0x11D3, 0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF);
DEFINE_GUID(IID_IWMStreamConfig, 0x96406BDC, 0x2B2B, 0x11D3, 0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF);
DEFINE_GUID(IID_IWMStreamConfig2, 0x7688D8CB, 0xFC0D, 0x43BD, 0x94, 0x59, 0x5A, 0x8D, 0xEC, 0x20, 0x0C, 0xFA);
DEFINE_GUID(IID_IWMStreamConfig3, 0xCB164104, 0x3AA9, 0x45A7, 0x9A, 0xC9, 0x4D, 0xAE, 0xE1, 0x31, 0xD6, 0xE1);
DEFINE_GUID(IID_IWMPropertyVault, 0x72995A79, 0x5090, 0x42A4, 0x9C, 0x8C, 0xD9, 0xD0, 0xB6, 0xD3, 0x4B, 0xE5);
DEFINE_GUID(IID_IWMProfile, 0x96406BDB, 0x2B2B, 0x11D3, 0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF);
DEFINE_GUID(IID_IWMProfileManager, 0xD16679F2, 0x6CA0, 0x472D, 0x8D, 0x31, 0x2F, 0x5D, 0x55, 0xAE, 0xE1, 0x55);
DEFINE_GUID(IID_IWMCodecInfo, 0xA970F41E, 0x34DE, 0x4A98, 0xB3, 0xBA, 0xE4, 0xB3, 0xCA, 0x75, 0x28, 0xF0);
DEFINE_GUID(IID_IWMCodecInfo2, 0xAA65E273, 0xB686, 0x4056, 0x91, 0xEC, 0xDD, 0x76, 0x8D, 0x4D, 0xF7, 0x10);
DEFINE_GUID(IID_IWMCodecInfo3, 0x7E51F487, 0x4D93, 0x4F98, 0x8A, 0xB4, 0x27, 0xD0, 0x56, 0x5A, 0xDC, 0x51);
DEFINE_GUID(IID_IWMHeaderInfo, 0x96406BDA, 0x2B2B, 0x11D3, 0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF);
DEFINE_GUID(IID_IConfigAsfWriter, 0x45086030, 0xF7E4, 0x486A, 0xB5, 0x04, 0x82, 0x6B, 0xB5, 0x79, 0x2A, 0x3B);
DEFINE_GUID(CLSID_CMultiLanguage, 0x275C23E2, 0x3747, 0x11D0, 0x9F, 0xEA, 0x00, 0xAA, 0x00, 0x3F, 0x86, 0x46);
DEFINE_GUID(IID_IMultiLanguage, 0x275C23E1, 0x3747, 0x11D0, 0x9F, 0xEA, 0x00, 0xAA, 0x00, 0x3F, 0x86, 0x46);

struct IWMMediaProps : public IUnknown {
  STDMETHOD(GetType)(GUID* type) PURE;
  STDMETHOD(GetMediaType)(WM_MEDIA_TYPE* type, DWORD* size) PURE;
  STDMETHOD(SetMediaType)(WM_MEDIA_TYPE* type) PURE;
};
VIDARRO_INTERFACE(IWMMediaProps, IUnknown, IID_IWMMediaProps);

struct IWMVideoMediaProps : public IWMMediaProps {
  STDMETHOD(GetMaxKeyFrameSpacing)(LONGLONG* time) PURE;
  STDMETHOD(SetMaxKeyFrameSpacing)(LONGLONG time) PURE;
  STDMETHOD(GetQuality)(DWORD* quality) PURE;
  STDMETHOD(SetQuality)(DWORD quality) PURE;
};
VIDARRO_INTERFACE(IWMVideoMediaProps, IWMMediaProps, IID_IWMVideoMediaProps);

struct IWMStreamConfig : public IUnknown {
  STDMETHOD(GetStreamType)(GUID* type) PURE;
  STDMETHOD(GetStreamNumber)(WORD* number) PURE;
  STDMETHOD(SetStreamNumber)(WORD number) PURE;
  STDMETHOD(GetStreamName)(char* name, WORD* length) PURE;
  STDMETHOD(SetStreamName)(LPCOLESTR name) PURE;
  STDMETHOD(GetConnectionName)(char* name, WORD* length) PURE;
  STDMETHOD(SetConnectionName)(LPCOLESTR name) PURE;
  STDMETHOD(GetBitrate)(DWORD* bitrate) PURE;
  STDMETHOD(SetBitrate)(DWORD bitrate) PURE;
  STDMETHOD(GetBufferWindow)(DWORD* ms) PURE;
  STDMETHOD(SetBufferWindow)(DWORD ms) PURE;
};
VIDARRO_INTERFACE(IWMStreamConfig, IUnknown, IID_IWMStreamConfig);

struct IWMStreamConfig2 : public IWMStreamConfig {
  STDMETHOD(GetTransportType)(int* type) PURE;
  STDMETHOD(SetTransportType)(int type) PURE;
};
VIDARRO_INTERFACE(IWMStreamConfig2, IWMStreamConfig, IID_IWMStreamConfig2);

struct IWMStreamConfig3 : public IWMStreamConfig2 {
  STDMETHOD(GetLanguage)(char* language, WORD* length) PURE;
  STDMETHOD(SetLanguage)(LPCOLESTR language) PURE;
};
VIDARRO_INTERFACE(IWMStreamConfig3, IWMStreamConfig2, IID_IWMStreamConfig3);

struct IWMPropertyVault : public IUnknown {
  STDMETHOD(GetPropertyCount)(DWORD* count) PURE;
  STDMETHOD(GetPropertyByName)(LPCOLESTR name, WMT_ATTR_DATATYPE* type, BYTE* value, DWORD* size) PURE;
  STDMETHOD(SetProperty)(LPCOLESTR name, WMT_ATTR_DATATYPE type, BYTE* value, DWORD size) PURE;
};
VIDARRO_INTERFACE(IWMPropertyVault, IUnknown, IID_IWMPropertyVault);

struct IWMProfile : public IUnknown {
  STDMETHOD(GetVersion)(WMT_VERSION* version) PURE;
  STDMETHOD(GetName)(char* name, DWORD* length) PURE;
  STDMETHOD(SetName)(LPCOLESTR name) PURE;
  STDMETHOD(GetDescription)(char* text, DWORD* length) PURE;
  STDMETHOD(SetDescription)(LPCOLESTR text) PURE;
  STDMETHOD(GetStreamCount)(DWORD* count) PURE;
  STDMETHOD(GetStream)(DWORD index, IWMStreamConfig** config) PURE;
  STDMETHOD(GetStreamByNumber)(WORD number, IWMStreamConfig** config) PURE;
  STDMETHOD(RemoveStream)(IWMStreamConfig* config) PURE;
  STDMETHOD(RemoveStreamByNumber)(WORD number) PURE;
  STDMETHOD(AddStream)(IWMStreamConfig* config) PURE;
  STDMETHOD(ReconfigStream)(IWMStreamConfig* config) PURE;
  STDMETHOD(CreateNewStream)(REFGUID type, IWMStreamConfig** config) PURE;
};
VIDARRO_INTERFACE(IWMProfile, IUnknown, IID_IWMProfile);

struct IWMProfileManager : public IUnknown {
  STDMETHOD(CreateEmptyProfile)(WMT_VERSION version, IWMProfile** profile) PURE;
  STDMETHOD(LoadProfileByID)(REFGUID id, IWMProfile** profile) PURE;
  // data: UTF-16 text, zero-terminated.
  STDMETHOD(LoadProfileByData)(const char16_t* data, IWMProfile** profile) PURE;
  // UTF-16 text into data (length in characters, the terminator included); data may be null to
  // ask the length.
  STDMETHOD(SaveProfile)(IWMProfile* profile, char16_t* data, DWORD* length) PURE;
  STDMETHOD(GetSystemProfileCount)(DWORD* count) PURE;
  STDMETHOD(LoadSystemProfile)(DWORD index, IWMProfile** profile) PURE;
};
VIDARRO_INTERFACE(IWMProfileManager, IUnknown, IID_IWMProfileManager);

struct IWMCodecInfo : public IUnknown {
  STDMETHOD(GetCodecInfoCount)(REFGUID type, DWORD* count) PURE;
  STDMETHOD(GetCodecFormatCount)(REFGUID type, DWORD codec, DWORD* count) PURE;
  STDMETHOD(GetCodecFormat)(REFGUID type, DWORD codec, DWORD format, IWMStreamConfig** config) PURE;
};
VIDARRO_INTERFACE(IWMCodecInfo, IUnknown, IID_IWMCodecInfo);

struct IWMCodecInfo2 : public IWMCodecInfo {
  STDMETHOD(GetCodecName)(REFGUID type, DWORD codec, char* name, DWORD* length) PURE;
  STDMETHOD(GetCodecFormatDesc)
  (REFGUID type, DWORD codec, DWORD format, IWMStreamConfig** config, char* text, DWORD* length) PURE;
};
VIDARRO_INTERFACE(IWMCodecInfo2, IWMCodecInfo, IID_IWMCodecInfo2);

struct IWMCodecInfo3 : public IWMCodecInfo2 {
  STDMETHOD(GetCodecFormatProp)
  (REFGUID type, DWORD codec, DWORD format, LPCOLESTR name, WMT_ATTR_DATATYPE* kind, BYTE* value, DWORD* size) PURE;
  STDMETHOD(GetCodecProp)
  (REFGUID type, DWORD codec, LPCOLESTR name, WMT_ATTR_DATATYPE* kind, BYTE* value, DWORD* size) PURE;
  STDMETHOD(SetCodecEnumerationSetting)
  (REFGUID type, DWORD codec, LPCOLESTR name, WMT_ATTR_DATATYPE kind, const BYTE* value, DWORD size) PURE;
  STDMETHOD(GetCodecEnumerationSetting)
  (REFGUID type, DWORD codec, LPCOLESTR name, WMT_ATTR_DATATYPE* kind, BYTE* value, DWORD* size) PURE;
};
VIDARRO_INTERFACE(IWMCodecInfo3, IWMCodecInfo2, IID_IWMCodecInfo3);

struct IWMHeaderInfo : public IUnknown {
  STDMETHOD(GetAttributeCount)(WORD stream, WORD* count) PURE;
  STDMETHOD(GetAttributeByIndex)
  (WORD index, WORD* stream, char* name, WORD* nameLength, WMT_ATTR_DATATYPE* type, BYTE* value, WORD* length) PURE;
  STDMETHOD(GetAttributeByName)(WORD* stream, LPCOLESTR name, WMT_ATTR_DATATYPE* type, BYTE* value, WORD* length) PURE;
  // Strings are UTF-16 with their terminator; length in bytes.
  STDMETHOD(SetAttribute)(WORD stream, LPCOLESTR name, WMT_ATTR_DATATYPE type, const BYTE* value, WORD length) PURE;
};
VIDARRO_INTERFACE(IWMHeaderInfo, IUnknown, IID_IWMHeaderInfo);

struct IConfigAsfWriter : public IUnknown {
  STDMETHOD(ConfigureFilterUsingProfileId)(DWORD id) PURE;
  STDMETHOD(GetCurrentProfileId)(DWORD* id) PURE;
  STDMETHOD(ConfigureFilterUsingProfileGuid)(REFGUID profile) PURE;
  STDMETHOD(GetCurrentProfileGuid)(GUID* profile) PURE;
  STDMETHOD(ConfigureFilterUsingProfile)(IWMProfile* profile) PURE;
  STDMETHOD(GetCurrentProfile)(IWMProfile** profile) PURE;
  STDMETHOD(SetIndexMode)(BOOL index) PURE;
  STDMETHOD(GetIndexMode)(BOOL* index) PURE;
};
VIDARRO_INTERFACE(IConfigAsfWriter, IUnknown, IID_IConfigAsfWriter);

struct IMultiLanguage : public IUnknown {
  STDMETHOD(GetRfc1766FromLcid)(LCID locale, BSTR* name) PURE;
};
VIDARRO_INTERFACE(IMultiLanguage, IUnknown, IID_IMultiLanguage);

HRESULT WMCreateProfileManager(IWMProfileManager** manager);
// From LC_ALL, LC_MESSAGES or LANG ("de_DE.UTF-8" is 0x0407); the C locale gives 0x0409.
LCID GetSystemDefaultLCID();

// UTF-8 and UTF-16 conversion for profile and header text.
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);
