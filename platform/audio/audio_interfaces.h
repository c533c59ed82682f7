// The private interfaces of the outside audio filters, in table order (slot after each method).
#pragma once

#include "platform/dshow/filter_interfaces.h"

DEFINE_GUID(CLSID_QnNoiseReduction, 0x0E558950, 0x6D70, 0x4570, 0x70, 0xEC, 0x3F, 0x15, 0x77, 0x7F, 0xBB, 0xA1);
DEFINE_GUID(CLSID_QnPcmDump, 0x36A56240, 0xF44C, 0x113E, 0xA1, 0xE2, 0x01, 0xAB, 0x40, 0x3F, 0xDC, 0x55);
DEFINE_GUID(IID_IQnNoiseReduction, 0x0E558952, 0x6D70, 0x4570, 0x70, 0xEC, 0x3F, 0x15, 0x77, 0x7F, 0xBB, 0xA1);
DEFINE_GUID(IID_IQnPcmFormat, 0xB81EF030, 0x0830, 0x4930, 0x8E, 0xE2, 0x01, 0xAB, 0x40, 0x3F, 0xDC, 0x55);
DEFINE_GUID(IID_IQnPcmWriter, 0xB81EF032, 0x0830, 0x4930, 0x8E, 0xE2, 0x01, 0xAB, 0x40, 0x3F, 0xDC, 0x55);

// Amount: the most the expander takes off quiet passages, in dB (0 leaves the sound as it is).
struct IQnNoiseReduction : public IUnknown {
  STDMETHOD(GetAmount)(float* amount) PURE;   // 1
  STDMETHOD(GetEnabled)(BYTE* enabled) PURE;  // 2
  STDMETHOD(SetAmount)(float amount) PURE;    // 3
  STDMETHOD(GetThreshold)(float* dbfs) PURE;  // 4
  STDMETHOD(SetEnabled)(BYTE enabled) PURE;   // 5
};
VIDARRO_INTERFACE(IQnNoiseReduction, IUnknown, IID_IQnNoiseReduction);

// The format the writer expects and what it has written.
struct IQnPcmFormat : public IUnknown {
  STDMETHOD(SetFormat)(int channels, int sampleRate, int bitsPerSample) PURE;     // 1
  STDMETHOD(GetFormat)(int* channels, int* sampleRate, int* bitsPerSample) PURE;  // 2
  STDMETHOD(GetBytesWritten)(int* bytes) PURE;                                    // 3
};
VIDARRO_INTERFACE(IQnPcmFormat, IUnknown, IID_IQnPcmFormat);

// The recording flag and parameter, and the result at stop: 1 when the file was completed, else 0.
struct IQnPcmWriter : public IUnknown {
  STDMETHOD(SetFlag)(int flag) PURE;         // 1
  STDMETHOD(GetFlag)(int* flag) PURE;        // 2
  STDMETHOD(SetParameter)(int value) PURE;   // 3
  STDMETHOD(GetParameter)(int* value) PURE;  // 4
  STDMETHOD(GetResult)(int* result) PURE;    // 5
};
VIDARRO_INTERFACE(IQnPcmWriter, IUnknown, IID_IQnPcmWriter);

DEFINE_GUID(CLSID_QnMp3Encoder, 0xE7D270FF, 0x4532, 0x2345, 0x43, 0xEE, 0x0D, 0x23, 0x61, 0x63, 0x62, 0x34);
DEFINE_GUID(CLSID_QnMp3Dump, 0x36A56240, 0xF33C, 0x113E, 0xA1, 0xE3, 0x02, 0xAB, 0x40, 0x3F, 0xDC, 0x55);
DEFINE_GUID(IID_IQnMp3Encoder, 0xC27697F0, 0x17BE, 0x55D3, 0x37, 0x12, 0x40, 0xA8, 0x49, 0x21, 0xBF, 0x77);
DEFINE_GUID(IID_IQnMp3Writer, 0xB81EF030, 0xF330, 0x4930, 0x8E, 0xE3, 0x02, 0xAB, 0x40, 0x3F, 0xDC, 0x55);
// The wave format tag 0x55 (MPEG layer 3) as a sub type.
DEFINE_GUID(MEDIASUBTYPE_MP3, 0x00000055, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71);

// The encoder's settings in getter/setter pairs; the encoder takes them when the graph runs.
// Only the bit rate (kbit/s), the output sample rate and the variable-rate switch are honoured.
struct IQnMp3Encoder : public IUnknown {
  STDMETHOD(GetChannelMode)(int* mode) PURE;  // 1
  STDMETHOD(SetChannelMode)(int mode) PURE;   // 2
  STDMETHOD(GetBitRate)(int* kbps) PURE;      // 3
  STDMETHOD(SetBitRate)(int kbps) PURE;       // 4
  STDMETHOD(GetQuality)(int* quality) PURE;   // 5
  STDMETHOD(SetQuality)(int quality) PURE;    // 6
  STDMETHOD(GetCrc)(int* crc) PURE;           // 7
  STDMETHOD(SetCrc)(int crc) PURE;            // 8
  STDMETHOD(GetCopyright)(int* flag) PURE;    // 9
  STDMETHOD(SetCopyright)(int flag) PURE;     // 10
  STDMETHOD(GetOriginal)(int* flag) PURE;     // 11
  STDMETHOD(SetOriginal)(int flag) PURE;      // 12
  STDMETHOD(GetVbrQuality)(int* q) PURE;      // 13
  STDMETHOD(SetVbrQuality)(int q) PURE;       // 14
  STDMETHOD(GetMinBitRate)(int* kbps) PURE;   // 15
  STDMETHOD(SetMinBitRate)(int kbps) PURE;    // 16
  STDMETHOD(GetSampleRate)(int* hz) PURE;     // 17
  STDMETHOD(SetSampleRate)(int hz) PURE;      // 18
  STDMETHOD(GetVariableRate)(int* on) PURE;   // 19
  STDMETHOD(SetVariableRate)(int on) PURE;    // 20
};
VIDARRO_INTERFACE(IQnMp3Encoder, IUnknown, IID_IQnMp3Encoder);

// The MP3 file writer's flag and parameter, what it has written and its result at stop (1: the
// file is complete).
struct IQnMp3Writer : public IUnknown {
  STDMETHOD(SetFlag)(int flag) PURE;            // 1
  STDMETHOD(GetFlag)(int* flag) PURE;           // 2
  STDMETHOD(SetParameter)(int value) PURE;      // 3
  STDMETHOD(GetParameter)(int* value) PURE;     // 4
  STDMETHOD(GetBytesWritten)(int* bytes) PURE;  // 5
  STDMETHOD(GetResult)(int* result) PURE;       // 6
};
VIDARRO_INTERFACE(IQnMp3Writer, IUnknown, IID_IQnMp3Writer);

DEFINE_GUID(IID_IQnAudioMode, 0xB81EF053, 0x0830, 0x4930, 0x30, 0x6C, 0x6A, 0x79, 0x21, 0x5D, 0x73, 0x81);
DEFINE_GUID(IID_IQnAudioRecordFlags, 0xB81EF054, 0x0830, 0x4930, 0x30, 0x6C, 0x6A, 0x79, 0x21, 0x5D, 0x73, 0x81);

// The analyzer's measuring mode and its three parameters, kept for the caller.
struct IQnAudioMode : public IUnknown {
  STDMETHOD(SetMode)(int mode) PURE;                                // 1
  STDMETHOD(GetMode)(int* mode) PURE;                               // 2
  STDMETHOD(SetParameters)(int first, int second, int third) PURE;  // 3
};
VIDARRO_INTERFACE(IQnAudioMode, IUnknown, IID_IQnAudioMode);

// Set when a recording starts: the peaks and spectrum restart from silence.
struct IQnAudioRecordFlags : public IUnknown {
  STDMETHOD(SetRecording)(int on) PURE;  // 1
  STDMETHOD(SetReset)(int on) PURE;      // 2
};
VIDARRO_INTERFACE(IQnAudioRecordFlags, IUnknown, IID_IQnAudioRecordFlags);
