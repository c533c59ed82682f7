// The private interfaces of the maker's small filters, in table order (slot after each method).
#pragma once

#include "platform/dshow/filter_interfaces.h"

DEFINE_GUID(CLSID_QnEraseLine, 0x165B4273, 0x51A3, 0x462C, 0xB7, 0x00, 0xE8, 0xA9, 0xF9, 0x88, 0xD8, 0x9E);
DEFINE_GUID(CLSID_QnVideoDownSampler, 0x6387359E, 0x189D, 0x43B7, 0x81, 0xD6, 0x22, 0x88, 0xD5, 0x2D, 0x9E, 0x67);
DEFINE_GUID(CLSID_QnSpaceColorConverter, 0x747F0221, 0x0571, 0x4555, 0x97, 0x41, 0xBB, 0x2F, 0x2D, 0x64, 0xD2, 0xA0);
DEFINE_GUID(CLSID_QnAudioAnalyzer, 0x0E558951, 0x6D30, 0x4530, 0x30, 0xEC, 0x3F, 0x15, 0x77, 0x7F, 0xBB, 0xE1);
DEFINE_GUID(CLSID_QnTimeOffset, 0xA79D1EF9, 0xBB85, 0x4FDA, 0xB2, 0x12, 0x8C, 0x51, 0x04, 0xAE, 0x1F, 0xEE);
DEFINE_GUID(IID_IQnEraseLine, 0x112981D3, 0x19C2, 0x46C6, 0x8F, 0xE4, 0x0A, 0x7D, 0xCE, 0x0E, 0xB2, 0x58);
DEFINE_GUID(IID_IQnAudioGain, 0xB81EF052, 0x0830, 0x4930, 0x30, 0x6C, 0x6A, 0x79, 0x21, 0x5D, 0x73, 0x81);
DEFINE_GUID(IID_IQnAudioLevel, 0xB81EF051, 0x0830, 0x4930, 0x30, 0x6C, 0x6A, 0x79, 0x21, 0x5D, 0x73, 0x81);
DEFINE_GUID(IID_IQnTimeOffset, 0x291960E6, 0xD8D6, 0x44B6, 0xAE, 0xEC, 0xE6, 0xD6, 0x1E, 0xDD, 0x94, 0x68);

struct IQnEraseLine : public IUnknown {
  STDMETHOD(SetEraseLines)(int lines) PURE;  // 3
};
VIDARRO_INTERFACE(IQnEraseLine, IUnknown, IID_IQnEraseLine);

struct IQnAudioGain : public IUnknown {
  STDMETHOD(SetGain)(float gain) PURE;      // 3
  STDMETHOD(GetGain)(float* gain) PURE;     // 4
  STDMETHOD(SetEnable)(BYTE enable) PURE;   // 5
  STDMETHOD(GetEnable)(BYTE* enable) PURE;  // 6
};
VIDARRO_INTERFACE(IQnAudioGain, IUnknown, IID_IQnAudioGain);

// The level record: 88 bytes, the left and right peak in dBFS as doubles at bytes 64 and 72.
inline constexpr int kLevelRecordBytes = 88;
struct IQnAudioLevel : public IUnknown {
  STDMETHOD(GetLevels)(BYTE* record) PURE;  // 3
};
VIDARRO_INTERFACE(IQnAudioLevel, IUnknown, IID_IQnAudioLevel);

struct IQnTimeOffset : public IUnknown {
  STDMETHOD(SetOffset)(LONGLONG offset) PURE;  // 3, 100-ns units
};
VIDARRO_INTERFACE(IQnTimeOffset, IUnknown, IID_IQnTimeOffset);
