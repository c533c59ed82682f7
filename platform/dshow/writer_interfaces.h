// Interfaces of the writing and demultiplexing stock filters, the overlay mixer and the DV decoder.
#pragma once

#include "platform/dshow/filter_interfaces.h"

DEFINE_GUID(IID_IFileSinkFilter, 0xA2104830, 0x7C70, 0x11CF, 0x8B, 0xCE, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6);
DEFINE_GUID(IID_IFileSinkFilter2, 0x00855B90, 0xCE1B, 0x11D0, 0xBD, 0x4F, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86);
DEFINE_GUID(IID_IConfigAviMux, 0x5ACD6AA0, 0xF482, 0x11CE, 0x8B, 0x67, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6);
DEFINE_GUID(IID_IConfigInterleaving, 0xBEE3D220, 0x157B, 0x11D0, 0xBD, 0x23, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86);
DEFINE_GUID(IID_IMpeg2Demultiplexer, 0x436EEE9C, 0x264F, 0x4242, 0x90, 0xE1, 0x4E, 0x33, 0x0C, 0x10, 0x75, 0x12);
DEFINE_GUID(IID_IMPEG2PIDMap, 0xAFB6C2A1, 0x2C41, 0x11D3, 0x8A, 0x60, 0x00, 0x00, 0xF8, 0x1E, 0x0E, 0x4A);
DEFINE_GUID(IID_IEnumPIDMap, 0xAFB6C2A2, 0x2C41, 0x11D3, 0x8A, 0x60, 0x00, 0x00, 0xF8, 0x1E, 0x0E, 0x4A);
DEFINE_GUID(IID_IMixerPinConfig, 0x593CDDE1, 0x0759, 0x11D1, 0x9E, 0x69, 0x00, 0xC0, 0x4F, 0xD7, 0xC1, 0x5B);
DEFINE_GUID(IID_IIPDVDec, 0xB8E8BD60, 0x0BFE, 0x11D0, 0xAF, 0x91, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42);

constexpr DWORD AM_FILE_OVERWRITE = 0x1;

struct IFileSinkFilter : public IUnknown {
  STDMETHOD(SetFileName)(LPCOLESTR file, const AM_MEDIA_TYPE* mt) PURE;
  STDMETHOD(GetCurFile)(LPOLESTR* file, AM_MEDIA_TYPE* mt) PURE;
};
VIDARRO_INTERFACE(IFileSinkFilter, IUnknown, IID_IFileSinkFilter);

struct IFileSinkFilter2 : public IFileSinkFilter {
  STDMETHOD(SetMode)(DWORD flags) PURE;
  STDMETHOD(GetMode)(DWORD* flags) PURE;
};
VIDARRO_INTERFACE(IFileSinkFilter2, IFileSinkFilter, IID_IFileSinkFilter2);

struct IConfigAviMux : public IUnknown {
  STDMETHOD(SetMasterStream)(LONG stream) PURE;
  STDMETHOD(GetMasterStream)(LONG* stream) PURE;
  STDMETHOD(SetOutputCompatibilityIndex)(BOOL oldIndex) PURE;
  STDMETHOD(GetOutputCompatibilityIndex)(BOOL* oldIndex) PURE;
};
VIDARRO_INTERFACE(IConfigAviMux, IUnknown, IID_IConfigAviMux);

enum InterleavingMode {
  INTERLEAVE_NONE = 0,
  INTERLEAVE_CAPTURE = 1,
  INTERLEAVE_FULL = 2,
  INTERLEAVE_NONE_BUFFERED = 3
};

struct IConfigInterleaving : public IUnknown {
  STDMETHOD(put_Mode)(InterleavingMode mode) PURE;
  STDMETHOD(get_Mode)(InterleavingMode* mode) PURE;
  STDMETHOD(put_Interleaving)(const REFERENCE_TIME* leave, const REFERENCE_TIME* preroll) PURE;
  STDMETHOD(get_Interleaving)(REFERENCE_TIME* leave, REFERENCE_TIME* preroll) PURE;
};
VIDARRO_INTERFACE(IConfigInterleaving, IUnknown, IID_IConfigInterleaving);

struct IMpeg2Demultiplexer : public IUnknown {
  STDMETHOD(CreateOutputPin)(AM_MEDIA_TYPE* mt, LPCOLESTR name, IPin** pin) PURE;
  STDMETHOD(SetOutputPinMediaType)(LPCOLESTR name, AM_MEDIA_TYPE* mt) PURE;
  STDMETHOD(DeleteOutputPin)(LPCOLESTR name) PURE;
};
VIDARRO_INTERFACE(IMpeg2Demultiplexer, IUnknown, IID_IMpeg2Demultiplexer);

enum MEDIA_SAMPLE_CONTENT {
  MEDIA_TRANSPORT_PACKET = 0,
  MEDIA_ELEMENTARY_STREAM = 1,
  MEDIA_MPEG2_PSI = 2,
  MEDIA_TRANSPORT_PAYLOAD = 3,
};

struct PID_MAP {
  ULONG ulPID = 0;
  MEDIA_SAMPLE_CONTENT MediaSampleContent = MEDIA_TRANSPORT_PACKET;
};

struct IEnumPIDMap : public IUnknown {
  STDMETHOD(Next)(ULONG count, PID_MAP* maps, ULONG* fetched) PURE;
  STDMETHOD(Skip)(ULONG count) PURE;
  STDMETHOD(Reset)() PURE;
  STDMETHOD(Clone)(IEnumPIDMap** clone) PURE;
};
VIDARRO_INTERFACE(IEnumPIDMap, IUnknown, IID_IEnumPIDMap);

struct IMPEG2PIDMap : public IUnknown {
  STDMETHOD(MapPID)(ULONG count, ULONG* pids, MEDIA_SAMPLE_CONTENT content) PURE;
  STDMETHOD(UnmapPID)(ULONG count, ULONG* pids) PURE;
  STDMETHOD(EnumPIDMap)(IEnumPIDMap** maps) PURE;
};
VIDARRO_INTERFACE(IMPEG2PIDMap, IUnknown, IID_IMPEG2PIDMap);

enum AM_ASPECT_RATIO_MODE {
  AM_ARMODE_STRETCHED = 0,
  AM_ARMODE_LETTER_BOX = 1,
  AM_ARMODE_CROP = 2,
  AM_ARMODE_STRETCHED_AS_PRIMARY = 3,
};

struct IMixerPinConfig : public IUnknown {
  STDMETHOD(SetAspectRatioMode)(AM_ASPECT_RATIO_MODE mode) PURE;
  STDMETHOD(GetAspectRatioMode)(AM_ASPECT_RATIO_MODE* mode) PURE;
};
VIDARRO_INTERFACE(IMixerPinConfig, IUnknown, IID_IMixerPinConfig);

constexpr int DVRESOLUTION_FULL = 1000;
constexpr int DVRESOLUTION_HALF = 1001;
constexpr int DVRESOLUTION_QUARTER = 1002;
constexpr int DVRESOLUTION_DC = 1003;

struct IIPDVDec : public IUnknown {
  STDMETHOD(get_IPDisplay)(int* displayPix) PURE;
  STDMETHOD(put_IPDisplay)(int displayPix) PURE;
};
VIDARRO_INTERFACE(IIPDVDec, IUnknown, IID_IIPDVDec);
