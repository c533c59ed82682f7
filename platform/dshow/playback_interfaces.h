// What file playback adds to the graph: sources that load a file, and seeking (duration and
// position) that the graph answers for its source.
#pragma once

#include "platform/dshow/filter_interfaces.h"

DEFINE_GUID(IID_IFileSourceFilter, 0x56A868A6, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IMediaSeeking, 0x36B73880, 0xC2C8, 0x11CF, 0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60);
DEFINE_GUID(TIME_FORMAT_NONE, 0x00000000, 0x0000, 0x0000, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00);
DEFINE_GUID(TIME_FORMAT_FRAME, 0x7B785570, 0x8C82, 0x11CF, 0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6);
DEFINE_GUID(TIME_FORMAT_SAMPLE, 0x7B785572, 0x8C82, 0x11CF, 0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6);
DEFINE_GUID(TIME_FORMAT_MEDIA_TIME, 0x7B785574, 0x8C82, 0x11CF, 0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6);

constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = static_cast<HRESULT>(0x80040240);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x80040265);
constexpr HRESULT VFW_S_PARTIAL_RENDER = static_cast<HRESULT>(0x00040242);

enum AM_SEEKING_SEEKING_CAPABILITIES : DWORD {
  AM_SEEKING_CanSeekAbsolute = 0x1,
  AM_SEEKING_CanSeekForwards = 0x2,
  AM_SEEKING_CanSeekBackwards = 0x4,
  AM_SEEKING_CanGetCurrentPos = 0x8,
  AM_SEEKING_CanGetStopPos = 0x10,
  AM_SEEKING_CanGetDuration = 0x20,
};

struct IFileSourceFilter : public IUnknown {
  STDMETHOD(Load)(LPCOLESTR file, const AM_MEDIA_TYPE* mt) PURE;
  STDMETHOD(GetCurFile)(LPOLESTR* file, AM_MEDIA_TYPE* mt) PURE;
};
VIDARRO_INTERFACE(IFileSourceFilter, IUnknown, IID_IFileSourceFilter);

// Times are in the current time format; only TIME_FORMAT_MEDIA_TIME (100-ns units) is supported.
struct IMediaSeeking : public IUnknown {
  STDMETHOD(GetCapabilities)(DWORD* capabilities) PURE;
  STDMETHOD(CheckCapabilities)(DWORD* capabilities) PURE;
  STDMETHOD(IsFormatSupported)(const GUID* format) PURE;
  STDMETHOD(QueryPreferredFormat)(GUID* format) PURE;
  STDMETHOD(GetTimeFormat)(GUID* format) PURE;
  STDMETHOD(IsUsingTimeFormat)(const GUID* format) PURE;
  STDMETHOD(SetTimeFormat)(const GUID* format) PURE;
  STDMETHOD(GetDuration)(LONGLONG* duration) PURE;
  STDMETHOD(GetStopPosition)(LONGLONG* stop) PURE;
  STDMETHOD(GetCurrentPosition)(LONGLONG* current) PURE;
  STDMETHOD(ConvertTimeFormat)
  (LONGLONG* target, const GUID* targetFormat, LONGLONG source, const GUID* sourceFormat) PURE;
  STDMETHOD(SetPositions)(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) PURE;
  STDMETHOD(GetPositions)(LONGLONG* current, LONGLONG* stop) PURE;
  STDMETHOD(GetAvailable)(LONGLONG* earliest, LONGLONG* latest) PURE;
  STDMETHOD(SetRate)(double rate) PURE;
  STDMETHOD(GetRate)(double* rate) PURE;
  STDMETHOD(GetPreroll)(LONGLONG* preroll) PURE;
};
VIDARRO_INTERFACE(IMediaSeeking, IUnknown, IID_IMediaSeeking);
