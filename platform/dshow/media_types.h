// Media types and their format blocks, with the SDK's layouts, and the helpers that copy and
// free them (format blocks are task memory).
#pragma once

#include <string>
#include <vector>

#include "platform/com/unknown.h"
#include "platform/gdi/gdi_types.h"
#include "platform/dshow/uuids.h"

using REFERENCE_TIME = LONGLONG;  // 100-ns units
constexpr REFERENCE_TIME UNITS = 10000000;

struct AM_MEDIA_TYPE {
  GUID majortype;
  GUID subtype;
  BOOL bFixedSizeSamples = TRUE;
  BOOL bTemporalCompression = FALSE;
  ULONG lSampleSize = 0;
  GUID formattype;
  IUnknown* pUnk = nullptr;
  ULONG cbFormat = 0;
  BYTE* pbFormat = nullptr;
};

#pragma pack(push, 2)
struct WAVEFORMATEX {
  WORD wFormatTag = 1;
  WORD nChannels = 2;
  DWORD nSamplesPerSec = 48000;
  DWORD nAvgBytesPerSec = 192000;
  WORD nBlockAlign = 4;
  WORD wBitsPerSample = 16;
  WORD cbSize = 0;
};
#pragma pack(pop)
constexpr WORD WAVE_FORMAT_PCM = 1;

struct VIDEOINFOHEADER {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate = 0;
  DWORD dwBitErrorRate = 0;
  REFERENCE_TIME AvgTimePerFrame = 0;
  BITMAPINFOHEADER bmiHeader;
};
struct VIDEOINFOHEADER2 {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate = 0;
  DWORD dwBitErrorRate = 0;
  REFERENCE_TIME AvgTimePerFrame = 0;
  DWORD dwInterlaceFlags = 0;
  DWORD dwCopyProtectFlags = 0;
  DWORD dwPictAspectRatioX = 0;
  DWORD dwPictAspectRatioY = 0;
  DWORD dwControlFlags = 0;
  DWORD dwReserved2 = 0;
  BITMAPINFOHEADER bmiHeader;
};
struct DVINFO {
  DWORD dwDVAAuxSrc = 0;
  DWORD dwDVAAuxCtl = 0;
  DWORD dwDVAAuxSrc1 = 0;
  DWORD dwDVAAuxCtl1 = 0;
  DWORD dwDVVAuxSrc = 0;
  DWORD dwDVVAuxCtl = 0;
  DWORD dwDVReserved[2] = {};
};

constexpr DWORD MakeFourCC(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<BYTE>(a)) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
         (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) | (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}

// Frees the format block and the pUnk of a media type the caller owns (the struct stays).
void FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees a media type allocated with CoTaskMemAlloc, format block included.
void DeleteMediaType(AM_MEDIA_TYPE* mt);
// Deep copy into dest (dest's old contents are not freed).
HRESULT CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source);
// A task-memory copy, as enumerators and GetFormat hand them out.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);

// CMediaType: an AM_MEDIA_TYPE that owns its format block.
class CMediaType : public AM_MEDIA_TYPE {
 public:
  CMediaType() { formattype = FORMAT_None; }
  CMediaType(const AM_MEDIA_TYPE& other);
  CMediaType(const CMediaType& other);
  CMediaType& operator=(const AM_MEDIA_TYPE& other);
  CMediaType& operator=(const CMediaType& other) { return *this = static_cast<const AM_MEDIA_TYPE&>(other); }
  ~CMediaType();

  void SetFormat(GUID formatType, const void* block, ULONG size);
  template <typename T>
  void SetFormat(GUID formatType, const T& block) {
    SetFormat(formatType, &block, sizeof block);
  }
  template <typename T>
  const T* Format() const {
    return cbFormat >= sizeof(T) ? reinterpret_cast<const T*>(pbFormat) : nullptr;
  }
  // Matches when every field the pattern sets (non-null GUIDs) is equal.
  bool MatchesPartial(const AM_MEDIA_TYPE& pattern) const;
  bool IsFullySpecified() const;
};

namespace platform::dshow {
// Short names for dumps: "Video", "Audio", "Interleaved", "Stream", else the GUID text.
std::string MajorTypeName(REFGUID g);
std::string SubTypeName(REFGUID g);

CMediaType MakeVideoType(GUID subtype, LONG width, LONG height, REFERENCE_TIME frameDuration);
CMediaType MakeAudioType(WORD channels, DWORD rate, WORD bits);
CMediaType MakeDvType();
CMediaType MakeStreamType(GUID subtype);
}  // namespace platform::dshow
