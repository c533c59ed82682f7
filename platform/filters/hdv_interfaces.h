// The maker's HDV filters and their private interfaces, in table order (the slot after each
// method, counted from QueryInterface as 0). Methods nobody calls keep their places.
#pragma once

#include "platform/com/oleauto.h"
#include "platform/dshow/filter_interfaces.h"

DEFINE_GUID(CLSID_QnAudioDecoder, 0x6851D13E, 0x3F69, 0x414C, 0x8D, 0x50, 0x2E, 0x71, 0xEC, 0x5A, 0xF5, 0xD7);
DEFINE_GUID(CLSID_QnMpegVideoDecoder, 0x4DCE9512, 0x7473, 0x4938, 0xB4, 0xE1, 0x24, 0x07, 0x62, 0xCD, 0xBB, 0xE5);
DEFINE_GUID(CLSID_QnStreamWriter, 0xFDFCC7ED, 0x7CA5, 0x4008, 0x90, 0xB1, 0x36, 0xCE, 0x3F, 0x5D, 0x98, 0x29);
DEFINE_GUID(CLSID_QnPsiParser, 0xBC08AF6C, 0x63AB, 0x4E43, 0xA7, 0x74, 0x04, 0xBC, 0xA4, 0x87, 0x98, 0x10);
DEFINE_GUID(CLSID_QnMpeg2Multiplexer, 0xAF5E3166, 0x734E, 0x4ABD, 0x95, 0x41, 0xBD, 0x0E, 0x66, 0x33, 0x4A, 0xCB);
DEFINE_GUID(CLSID_QnBdMultiplexer, 0x4221C4BF, 0xD78B, 0x48F8, 0xB7, 0x86, 0x7A, 0x3D, 0xD9, 0xD9, 0x2D, 0x1B);
DEFINE_GUID(CLSID_QnBdMultiplexer2, 0x2BE4D180, 0x6F2E, 0x4B3A, 0xB0, 0xBD, 0xE8, 0x80, 0x91, 0x72, 0x38, 0xDC);
DEFINE_GUID(CLSID_QnLpcmEncoder, 0x40142983, 0x8A71, 0x4B6F, 0x81, 0xE8, 0x55, 0xA7, 0x74, 0xF4, 0x88, 0x66);
DEFINE_GUID(CLSID_QnBufferFilter, 0x87BDB244, 0x67BF, 0x4692, 0xB0, 0x56, 0x43, 0x87, 0xCD, 0x04, 0x33, 0x3D);

// Blu-ray LPCM samples, as the LPCM encoder hands them on.
DEFINE_GUID(MEDIASUBTYPE_MPEG2_PROGRAM, 0xE06D8022, 0xDB46, 0x11CF, 0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA);
DEFINE_GUID(MEDIASUBTYPE_BD_LPCM_AUDIO, 0xA23EB7FC, 0x510B, 0x466F, 0x9F, 0xBF, 0x5F, 0x87, 0x8F, 0x69, 0x34, 0x7C);

DEFINE_GUID(IID_IQnStreamWriter, 0x177A1A0D, 0x6752, 0x4400, 0x9E, 0x6E, 0x0F, 0x0D, 0x65, 0x7D, 0xB3, 0xDD);
DEFINE_GUID(IID_IQnDumpSwitch, 0x0565320C, 0x489C, 0x4A7D, 0x80, 0xF8, 0x2D, 0x2A, 0x36, 0xB3, 0xB9, 0x10);
DEFINE_GUID(IID_IQnPsiParser, 0xAE1A2884, 0x540E, 0x4077, 0xB1, 0xAB, 0x67, 0xA3, 0x4A, 0x72, 0x29, 0x8C);
DEFINE_GUID(IID_IQnVideoDecoderOption, 0xC66E5D44, 0x2D4C, 0x4230, 0xAF, 0xCB, 0xAD, 0xFC, 0x47, 0xD4, 0x5F, 0xBC);
DEFINE_GUID(IID_IQnBdOption, 0x5F97CFFB, 0x665E, 0x4D88, 0xBE, 0xC8, 0x78, 0x89, 0x60, 0x9F, 0xBB, 0x0F);
DEFINE_GUID(IID_IQnBdConfig, 0x486F726E, 0x4D43, 0x49B9, 0x8A, 0x0C, 0xC2, 0x2A, 0x2B, 0x05, 0x24, 0xE8);
DEFINE_GUID(IID_IQnBuffer, 0x1C5E7CBB, 0x6D5D, 0x4229, 0x88, 0x2F, 0x73, 0x9A, 0x2D, 0x50, 0xB2, 0x96);
DEFINE_GUID(QN_BD_PARAMETER, 0x3C9FE97B, 0x9A26, 0x4BC2, 0xAA, 0x11, 0x7E, 0xB8, 0x01, 0xCB, 0x39, 0xDD);

constexpr long EC_QN_PSI_TABLES = 0x8064;  // EC_USER + 100: the program tables have been read

struct IQnStreamWriter : public IUnknown {
  STDMETHOD(SetMaxPartSize)(DWORD low, DWORD high) PURE;  // 3
  STDMETHOD(GetMaxPartSize)(ULONGLONG* size) PURE;        // 4
  STDMETHOD(GetBytesWritten)(ULONGLONG* bytes) PURE;      // 5
  STDMETHOD(GetCurrentPart)(DWORD* part) PURE;            // 6
  STDMETHOD(GetFileCount)(DWORD* count) PURE;             // 7
};
VIDARRO_INTERFACE(IQnStreamWriter, IUnknown, IID_IQnStreamWriter);

struct IQnDumpSwitch : public IUnknown {
  STDMETHOD(GetEnable)(BOOL* on) PURE;  // 3
  STDMETHOD(Reserved4)() PURE;          // 4
  STDMETHOD(SetEnable)(BOOL on) PURE;   // 5
};
VIDARRO_INTERFACE(IQnDumpSwitch, IUnknown, IID_IQnDumpSwitch);

struct IQnPsiParser : public IUnknown {
  STDMETHOD(Start)() PURE;                                             // 3
  STDMETHOD(GetTransportStreamId)(WORD* id) PURE;                      // 4
  STDMETHOD(GetPatVersion)(BYTE* version) PURE;                        // 5
  STDMETHOD(GetProgramCount)(int* count) PURE;                         // 6
  STDMETHOD(GetProgramNumber)(int program, WORD* number) PURE;         // 7
  STDMETHOD(GetPmtPid)(int program, WORD* pid) PURE;                   // 8
  STDMETHOD(GetPmtVersion)(int program, BYTE* version) PURE;           // 9
  STDMETHOD(GetPcrPid)(int program, WORD* pid) PURE;                   // 10
  STDMETHOD(GetStreamCount)(int program, WORD* count) PURE;            // 11
  STDMETHOD(GetStreamType)(int program, int stream, BYTE* type) PURE;  // 12
  STDMETHOD(GetStreamPid)(int program, int stream, WORD* pid) PURE;    // 13
};
VIDARRO_INTERFACE(IQnPsiParser, IUnknown, IID_IQnPsiParser);

struct IQnVideoDecoderOption : public IUnknown {
  STDMETHOD(Reserved3)() PURE;
  STDMETHOD(Reserved4)() PURE;
  STDMETHOD(Reserved5)() PURE;
  STDMETHOD(Reserved6)() PURE;
  STDMETHOD(Reserved7)() PURE;
  STDMETHOD(Reserved8)() PURE;
  STDMETHOD(Reserved9)() PURE;
  STDMETHOD(Reserved10)() PURE;
  STDMETHOD(Reserved11)() PURE;
  STDMETHOD(Reserved12)() PURE;
  STDMETHOD(SetOption)(const int* value) PURE;  // 13
};
VIDARRO_INTERFACE(IQnVideoDecoderOption, IUnknown, IID_IQnVideoDecoderOption);

struct IQnBdOption : public IUnknown {
  STDMETHOD(Reserved3)() PURE;
  STDMETHOD(Reserved4)() PURE;
  STDMETHOD(SetOption)(DWORD value) PURE;  // 5
};
VIDARRO_INTERFACE(IQnBdOption, IUnknown, IID_IQnBdOption);

struct IQnBdConfig : public IUnknown {
  STDMETHOD(IsSupported)(const GUID* parameter) PURE;                                                    // 3
  STDMETHOD(IsModifiable)(const GUID* parameter) PURE;                                                   // 4
  STDMETHOD(GetParameterRange)(const GUID* parameter, VARIANT* low, VARIANT* high, VARIANT* step) PURE;  // 5
  STDMETHOD(GetParameterValues)(const GUID* parameter, VARIANT** values, ULONG* count) PURE;             // 6
  STDMETHOD(GetDefaultValue)(const GUID* parameter, VARIANT* value) PURE;                                // 7
  STDMETHOD(SetValue)(const GUID* parameter, VARIANT* value) PURE;                                       // 8
  STDMETHOD(GetValue)(const GUID* parameter, VARIANT* value) PURE;                                       // 9
  STDMETHOD(RegisterForEvent)(const GUID* event, LONG_PTR user) PURE;                                    // 10
  STDMETHOD(UnregisterForEvent)(const GUID* event) PURE;                                                 // 11
  STDMETHOD(SetAllDefaults)() PURE;                                                                      // 12
  STDMETHOD(SetValueWithNotify)(const GUID* parameter, VARIANT* value) PURE;                             // 13
  STDMETHOD(Commit)(VARIANT* result) PURE;                                                               // 14
};
VIDARRO_INTERFACE(IQnBdConfig, IUnknown, IID_IQnBdConfig);

struct IQnBuffer : public IUnknown {
  STDMETHOD(SetDepth)(int samples) PURE;  // 3
};
VIDARRO_INTERFACE(IQnBuffer, IUnknown, IID_IQnBuffer);
