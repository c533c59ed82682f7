#include "platform/dshow/media_types.h"

#include <cstring>

#include "platform/com/task_mem.h"

void FreeMediaType(AM_MEDIA_TYPE& mt) {
  if (mt.cbFormat != 0 || mt.pbFormat) CoTaskMemFree(mt.pbFormat);
  mt.cbFormat = 0;
  mt.pbFormat = nullptr;
  if (mt.pUnk) {
    mt.pUnk->Release();
    mt.pUnk = nullptr;
  }
}

void DeleteMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return;
  FreeMediaType(*mt);
  CoTaskMemFree(mt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source) {
  if (!dest || !source) return E_POINTER;
  *dest = *source;
  dest->pbFormat = nullptr;
  dest->cbFormat = 0;
  if (source->cbFormat && source->pbFormat) {
    dest->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (!dest->pbFormat) return E_OUTOFMEMORY;
    std::memcpy(dest->pbFormat, source->pbFormat, source->cbFormat);
    dest->cbFormat = source->cbFormat;
  }
  if (dest->pUnk) dest->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) {
  auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!mt) return nullptr;
  new (mt) AM_MEDIA_TYPE();
  if (source && FAILED(CopyMediaType(mt, source))) {
    CoTaskMemFree(mt);
    return nullptr;
  }
  return mt;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) { CopyMediaType(this, &other); }
CMediaType::CMediaType(const CMediaType& other) : AM_MEDIA_TYPE() { CopyMediaType(this, &other); }
CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other) {
  if (&other != this) {
    FreeMediaType(*this);
    CopyMediaType(this, &other);
  }
  return *this;
}
CMediaType::~CMediaType() { FreeMediaType(*this); }

void CMediaType::SetFormat(GUID formatType, const void* block, ULONG size) {
  FreeMediaType(*this);
  formattype = formatType;
  if (size) {
    pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(size));
    std::memcpy(pbFormat, block, size);
    cbFormat = size;
  }
}

bool CMediaType::MatchesPartial(const AM_MEDIA_TYPE& pattern) const {
  if (pattern.majortype != GUID_NULL && pattern.majortype != majortype) return false;
  if (pattern.subtype != GUID_NULL && pattern.subtype != subtype) return false;
  if (pattern.formattype != GUID_NULL && pattern.formattype != FORMAT_None) {
    if (pattern.formattype != formattype) return false;
    if (pattern.cbFormat != cbFormat) return false;
    if (cbFormat && std::memcmp(pattern.pbFormat, pbFormat, cbFormat) != 0) return false;
  }
  return true;
}

bool CMediaType::IsFullySpecified() const { return majortype != GUID_NULL && formattype != GUID_NULL; }

namespace platform::dshow {

std::string MajorTypeName(REFGUID g) {
  if (g == MEDIATYPE_Video) return "Video";
  if (g == MEDIATYPE_Audio) return "Audio";
  if (g == MEDIATYPE_Interleaved) return "Interleaved";
  if (g == MEDIATYPE_Stream) return "Stream";
  if (g == MEDIATYPE_AnalogVideo) return "AnalogVideo";
  if (g == MEDIATYPE_AnalogAudio) return "AnalogAudio";
  return GuidToString(g);
}

std::string SubTypeName(REFGUID g) {
  if (g == MEDIASUBTYPE_YUY2) return "YUY2";
  if (g == MEDIASUBTYPE_UYVY) return "UYVY";
  if (g == MEDIASUBTYPE_YV12) return "YV12";
  if (g == MEDIASUBTYPE_RGB24) return "RGB24";
  if (g == MEDIASUBTYPE_RGB32) return "RGB32";
  if (g == MEDIASUBTYPE_dvsd) return "dvsd";
  if (g == MEDIASUBTYPE_PCM) return "PCM";
  if (g == MEDIASUBTYPE_Avi) return "Avi";
  if (g == MEDIASUBTYPE_Asf) return "Asf";
  if (g == MEDIASUBTYPE_MPEG2_TRANSPORT) return "MPEG2_TRANSPORT";
  if (g == MEDIASUBTYPE_MPEG2_VIDEO) return "MPEG2_VIDEO";
  if (g == MEDIASUBTYPE_MPEG2_AUDIO) return "MPEG2_AUDIO";
  if (g == GUID_NULL) return "*";
  return GuidToString(g);
}

CMediaType MakeVideoType(GUID subtype, LONG width, LONG height, REFERENCE_TIME frameDuration) {
  CMediaType mt;
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = subtype;
  VIDEOINFOHEADER vih;
  vih.AvgTimePerFrame = frameDuration;
  vih.bmiHeader.biWidth = width;
  vih.bmiHeader.biHeight = height;
  if (subtype == MEDIASUBTYPE_RGB24) {
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = BI_RGB;
  } else if (subtype == MEDIASUBTYPE_RGB32) {
    vih.bmiHeader.biBitCount = 32;
    vih.bmiHeader.biCompression = BI_RGB;
  } else if (subtype == MEDIASUBTYPE_UYVY) {
    vih.bmiHeader.biBitCount = 16;
    vih.bmiHeader.biCompression = MakeFourCC('U', 'Y', 'V', 'Y');
  } else if (subtype == MEDIASUBTYPE_YV12) {
    vih.bmiHeader.biBitCount = 12;
    vih.bmiHeader.biCompression = MakeFourCC('Y', 'V', '1', '2');
  } else {
    vih.bmiHeader.biBitCount = 16;
    vih.bmiHeader.biCompression = MakeFourCC('Y', 'U', 'Y', '2');
  }
  vih.bmiHeader.biSizeImage = static_cast<DWORD>(width * height * vih.bmiHeader.biBitCount / 8);
  mt.lSampleSize = vih.bmiHeader.biSizeImage;
  mt.SetFormat(FORMAT_VideoInfo, vih);
  return mt;
}

CMediaType MakeAudioType(WORD channels, DWORD rate, WORD bits) {
  CMediaType mt;
  mt.majortype = MEDIATYPE_Audio;
  mt.subtype = MEDIASUBTYPE_PCM;
  WAVEFORMATEX wfx;
  wfx.nChannels = channels;
  wfx.nSamplesPerSec = rate;
  wfx.wBitsPerSample = bits;
  wfx.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  wfx.nAvgBytesPerSec = rate * wfx.nBlockAlign;
  mt.lSampleSize = wfx.nBlockAlign;
  mt.SetFormat(FORMAT_WaveFormatEx, wfx);
  return mt;
}

CMediaType MakeDvType() {
  CMediaType mt;
  mt.majortype = MEDIATYPE_Interleaved;
  mt.subtype = MEDIASUBTYPE_dvsd;
  mt.lSampleSize = 144000;
  mt.SetFormat(FORMAT_DvInfo, DVINFO{});
  return mt;
}

CMediaType MakeStreamType(GUID subtype) {
  CMediaType mt;
  mt.majortype = MEDIATYPE_Stream;
  mt.subtype = subtype;
  mt.bFixedSizeSamples = FALSE;
  mt.formattype = FORMAT_None;
  return mt;
}

}  // namespace platform::dshow
