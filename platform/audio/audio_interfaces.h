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
