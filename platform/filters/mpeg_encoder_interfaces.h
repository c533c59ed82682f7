// The private interfaces of "Qn MPEG Encoder", method for method in their table order (the
// comment after each is its slot; IUnknown holds 0 to 2). Slots the capture graph never calls
// are kept so later ones stay in place.
#pragma once

#include "platform/dshow/filter_interfaces.h"

DEFINE_GUID(CLSID_QnMpegEncoder, 0x5083B9E8, 0x713F, 0x40AA, 0xB5, 0xF3, 0x2A, 0xD3, 0x5D, 0x3D, 0x74, 0x98);
DEFINE_GUID(IID_IQnMpegEncoder, 0xC291943E, 0x8A3F, 0x468E, 0xAA, 0xDD, 0x66, 0xFE, 0x34, 0xC5, 0xEB, 0x8A);
DEFINE_GUID(IID_IQnMpegBurnBuffer, 0xE750D754, 0xA6BE, 0x4EBD, 0xA0, 0xFA, 0x85, 0xE5, 0x10, 0x0E, 0x6F, 0x3E);
DEFINE_GUID(IID_IQnMpegParts, 0xA07A54EA, 0x29F5, 0x4A54, 0x9B, 0xA9, 0xC0, 0xF5, 0x01, 0x95, 0x9C, 0x33);
DEFINE_GUID(IID_IQnMpegLongPlay, 0x1DA46474, 0xBD95, 0x4CB3, 0xA6, 0x8D, 0x2D, 0x18, 0x58, 0x9E, 0x25, 0x77);
DEFINE_GUID(IID_IQnMpegAspect, 0x2610B365, 0x21B2, 0x4693, 0xA0, 0x95, 0xA7, 0x45, 0x37, 0xBC, 0x15, 0x1E);
DEFINE_GUID(IID_IQnMotionSearch, 0xEED418E0, 0xFBF0, 0x40E4, 0x9A, 0xE4, 0x77, 0x33, 0x88, 0xB8, 0x2A, 0x89);

struct IQnMpegEncoder : public IUnknown {
  STDMETHOD(SetStreamType)(long type) PURE;                 // 3
  STDMETHOD(Reserved4)(long value) PURE;                    // 4
  STDMETHOD(SetVideoBitRate)(long bitsPerSecond) PURE;      // 5
  STDMETHOD(Reserved6)(long value) PURE;                    // 6
  STDMETHOD(Reserved7)(long value) PURE;                    // 7
  STDMETHOD(SetFrameRateCode)(long code) PURE;              // 8
  STDMETHOD(Reserved9)(long value) PURE;                    // 9
  STDMETHOD(SetMaxFileSize)(long megabytes) PURE;           // 10
  STDMETHOD(Reserved11)(long value) PURE;                   // 11
  STDMETHOD(SetOption12)(long value) PURE;                  // 12
  STDMETHOD(SetElementaryOutput)(long on) PURE;             // 13
  STDMETHOD(Reserved14)(long value) PURE;                   // 14
  STDMETHOD(Reserved15)(long value) PURE;                   // 15
  STDMETHOD(Reserved16)(long value) PURE;                   // 16
  STDMETHOD(GetBytesWritten)(LONGLONG* bytes) PURE;         // 17
  STDMETHOD(GetFramesEncoded)(DWORD* frames) PURE;          // 18
  STDMETHOD(SetOption19)(long value) PURE;                  // 19
  STDMETHOD(Reserved20)(long value) PURE;                   // 20
  STDMETHOD(Reserved21)(long value) PURE;                   // 21
  STDMETHOD(Reserved22)(long value) PURE;                   // 22
  STDMETHOD(SetOption23)(long value) PURE;                  // 23
  STDMETHOD(Reserved24)(long value) PURE;                   // 24
  STDMETHOD(Reserved25)(long value) PURE;                   // 25
  STDMETHOD(Reserved26)(long value) PURE;                   // 26
  STDMETHOD(SetAudioBitRate)(long kbitPerSecond) PURE;      // 27
  STDMETHOD(Reserved28)(long value) PURE;                   // 28
  STDMETHOD(SetAudioSampleRate)(long hz) PURE;              // 29
  STDMETHOD(Reserved30)(long value) PURE;                   // 30
  STDMETHOD(SetAudioChannels)(long channels) PURE;          // 31
  STDMETHOD(Reserved32)(long value) PURE;                   // 32
  STDMETHOD(Reserved33)(long value) PURE;                   // 33
  STDMETHOD(Reserved34)(long value) PURE;                   // 34
  STDMETHOD(Reserved35)(long value) PURE;                   // 35
  STDMETHOD(Reserved36)(long value) PURE;                   // 36
  STDMETHOD(SetFixedValue)(long value) PURE;                // 37
  STDMETHOD(Reserved38)(long value) PURE;                   // 38
  STDMETHOD(Reserved39)(long value) PURE;                   // 39
  STDMETHOD(Reserved40)(long value) PURE;                   // 40
  STDMETHOD(Reserved41)(long value) PURE;                   // 41
  STDMETHOD(Reserved42)(long value) PURE;                   // 42
  STDMETHOD(Reserved43)(long value) PURE;                   // 43
  STDMETHOD(Reserved44)(long value) PURE;                   // 44
  STDMETHOD(SetOption45)(long value) PURE;                  // 45
  STDMETHOD(Reserved46)(long value) PURE;                   // 46
  STDMETHOD(Reserved47)(long value) PURE;                   // 47
  STDMETHOD(Reserved48)(long value) PURE;                   // 48
  STDMETHOD(Reserved49)(long value) PURE;                   // 49
  STDMETHOD(Reserved50)(long value) PURE;                   // 50
  STDMETHOD(Reserved51)(long value) PURE;                   // 51
  STDMETHOD(Reserved52)(long value) PURE;                   // 52
  STDMETHOD(Reserved53)(long value) PURE;                   // 53
  STDMETHOD(SetPictureSize)(long width, long height) PURE;  // 54
};
VIDARRO_INTERFACE(IQnMpegEncoder, IUnknown, IID_IQnMpegEncoder);

struct IQnMpegBurnBuffer : public IUnknown {
  STDMETHOD(SetBuffering)(long percent, long seconds) PURE;  // 3
};
VIDARRO_INTERFACE(IQnMpegBurnBuffer, IUnknown, IID_IQnMpegBurnBuffer);

struct IQnMpegParts : public IUnknown {
  STDMETHOD(GetPartCount)(DWORD* parts) PURE;  // 3
  STDMETHOD(SetSplitting)(long on) PURE;       // 4
};
VIDARRO_INTERFACE(IQnMpegParts, IUnknown, IID_IQnMpegParts);

struct IQnMpegLongPlay : public IUnknown {
  STDMETHOD(SetLongPlay)(long on) PURE;  // 3
};
VIDARRO_INTERFACE(IQnMpegLongPlay, IUnknown, IID_IQnMpegLongPlay);

struct IQnMpegAspect : public IUnknown {
  STDMETHOD(SetAspect)(long index, const long* aspect, long count) PURE;  // 3
};
VIDARRO_INTERFACE(IQnMpegAspect, IUnknown, IID_IQnMpegAspect);

struct IQnMotionSearch : public IUnknown {
  STDMETHOD(SetSearch3)(long value) PURE;                            // 3
  STDMETHOD(SearchReserved4)(long value) PURE;                       // 4
  STDMETHOD(SetHalfPel)(long value) PURE;                            // 5
  STDMETHOD(SearchReserved6)(long value) PURE;                       // 6
  STDMETHOD(SetRateDistortion)(long value) PURE;                     // 7
  STDMETHOD(SearchReserved8)(long value) PURE;                       // 8
  STDMETHOD(SetSearch9)(long value) PURE;                            // 9
  STDMETHOD(SearchReserved10)(long value) PURE;                      // 10
  STDMETHOD(SetSearch11)(long value) PURE;                           // 11
  STDMETHOD(SearchReserved12)(long value) PURE;                      // 12
  STDMETHOD(SetSearch13)(long value) PURE;                           // 13
  STDMETHOD(SearchReserved14)(long value) PURE;                      // 14
  STDMETHOD(SetSearchRange)(long x, long y, long bx, long by) PURE;  // 15
};
VIDARRO_INTERFACE(IQnMotionSearch, IUnknown, IID_IQnMotionSearch);
