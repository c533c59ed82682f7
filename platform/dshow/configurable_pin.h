// The capture pin of a device whose formats are a fixed list: IAMStreamConfig over that list and,
// where the device takes suggestions, IAMBufferNegotiation.
#pragma once

#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/com/out_param.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/source_filter.h"
#include "platform/dshow/stream_caps.h"

namespace platform::dshow {

// A capture pin of a device, with IAMStreamConfig: its caps are the pin's offered types; with
// `negotiates`, IAMBufferNegotiation too.
class ConfigurablePin : public CSourceStream, public IAMStreamConfig, public IAMBufferNegotiation {
 public:
  ConfigurablePin(CBaseFilter* filter, std::string name, std::vector<CMediaType> caps, bool negotiates)
      : CSourceStream(filter, std::move(name)), caps_(std::move(caps)), negotiates_(negotiates) {
    current_ = caps_.front();
  }
  DSHOW_FORWARD_IUNKNOWN(CSourceStream)

  std::vector<CMediaType> GetMediaTypes() override {
    std::lock_guard lock(mutex_);
    return CurrentFirst(current_, caps_);
  }
  HRESULT CheckMediaType(const CMediaType& mt) override { return Supported(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED; }

  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* pmt) override {
    if (!pmt) return E_POINTER;
    CMediaType mt(*pmt);
    if (!Supported(mt)) return VFW_E_INVALIDMEDIATYPE;
    if (IsConnected() && filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
    std::lock_guard lock(mutex_);
    current_ = mt;
    return S_OK;
  }
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** pmt) override {
    if (!pmt) return E_POINTER;
    std::lock_guard lock(mutex_);
    *pmt = CreateMediaType(IsConnected() ? &mt_ : &current_);
    return *pmt ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override { return CapsCount(caps_, count, size); }
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** pmt, BYTE* caps) override {
    return CapAt(caps_, index, pmt, caps);
  }
  STDMETHODIMP SuggestAllocatorProperties(const ALLOCATOR_PROPERTIES* props) override {
    if (!props) return E_POINTER;
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    suggested_ = *props;
    return S_OK;
  }
  STDMETHODIMP GetAllocatorProperties(ALLOCATOR_PROPERTIES* props) override { return com::CopyOut(props, suggested_); }

 protected:
  void* GetPinInterface(REFIID riid) override {
    if (void* p = Offer<IAMStreamConfig>(this, riid)) return p;
    return negotiates_ ? Offer<IAMBufferNegotiation>(this, riid) : nullptr;
  }
  // The type samples are made for: the connection's, else the configured one.
  CMediaType Current() {
    std::lock_guard lock(mutex_);
    return IsConnected() ? mt_ : current_;
  }
  bool Supported(const CMediaType& mt) {
    for (const auto& c : caps_) {
      if (c.majortype != mt.majortype || c.subtype != mt.subtype) continue;
      if (mt.formattype == GUID_NULL || mt.cbFormat == 0) return true;
      if (mt.formattype != c.formattype || mt.cbFormat < c.cbFormat) continue;
      if (mt.formattype == FORMAT_VideoInfo) {
        const auto* a = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
        const auto* b = reinterpret_cast<const VIDEOINFOHEADER*>(c.pbFormat);
        if (a->bmiHeader.biWidth == b->bmiHeader.biWidth &&
            std::abs(a->bmiHeader.biHeight) == std::abs(b->bmiHeader.biHeight))
          return true;
      } else if (mt.formattype == FORMAT_WaveFormatEx) {
        const auto* a = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
        const auto* b = reinterpret_cast<const WAVEFORMATEX*>(c.pbFormat);
        if (a->nSamplesPerSec == b->nSamplesPerSec && a->nChannels == b->nChannels &&
            a->wBitsPerSample == b->wBitsPerSample)
          return true;
      } else {
        return true;
      }
    }
    return false;
  }

  std::mutex mutex_;
  std::vector<CMediaType> caps_;
  CMediaType current_;
  bool negotiates_;
  ALLOCATOR_PROPERTIES suggested_;
};

}  // namespace platform::dshow
