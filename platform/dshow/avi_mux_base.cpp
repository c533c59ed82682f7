#include "platform/dshow/avi_mux_base.h"

#include "platform/base/strings.h"
#include "platform/com/out_param.h"
#include "platform/dshow/media_types.h"
#include "platform/dshow/uuids.h"

namespace platform::dshow {

class CAviMuxBase::In : public CPatternInputPin {
 public:
  In(CBaseFilter* f, std::string name)
      : CPatternInputPin(
            f, std::move(name),
            {TypePattern(MEDIATYPE_Video), TypePattern(MEDIATYPE_Audio), TypePattern(MEDIATYPE_Interleaved)}) {}
  HRESULT CompleteConnect(IPin*) override {
    static_cast<CAviMuxBase*>(filter_)->InputConnected();
    return S_OK;
  }
};

class CAviMuxBase::Out : public CBaseOutputPin {
 public:
  using CBaseOutputPin::CBaseOutputPin;
  std::vector<CMediaType> GetMediaTypes() override { return {MakeStreamType(MEDIASUBTYPE_Avi)}; }
};

CAviMuxBase::CAviMuxBase() : CBaseFilter(CLSID_AviDest, "AVI Mux") {
  output_ = AddPin<Out>("AVI Out");
  AddPin<In>("Input 01");
}

void CAviMuxBase::EndOfStream(CBaseInputPin*) {
  std::lock_guard lock(mutex_);
  if (++ended_ >= CountPins(PINDIR_INPUT, true)) output_->DeliverEndOfStream();
}

void CAviMuxBase::InputConnected() {
  const int inputs = CountPins(PINDIR_INPUT);
  if (CountPins(PINDIR_INPUT, true) == inputs) AddPin<In>(platform::Format("Input %02d", inputs + 1));
}

STDMETHODIMP CAviMuxBase::SetMasterStream(LONG stream) { return com::CopyIn(master_, stream); }
STDMETHODIMP CAviMuxBase::GetMasterStream(LONG* stream) { return com::CopyOut(stream, master_); }
STDMETHODIMP CAviMuxBase::SetOutputCompatibilityIndex(BOOL oldIndex) { return com::CopyIn(oldIndex_, oldIndex); }
STDMETHODIMP CAviMuxBase::GetOutputCompatibilityIndex(BOOL* oldIndex) { return com::CopyOut(oldIndex, oldIndex_); }

STDMETHODIMP CAviMuxBase::put_Mode(InterleavingMode mode) {
  if (mode < INTERLEAVE_NONE || mode > INTERLEAVE_NONE_BUFFERED) return E_INVALIDARG;
  mode_ = mode;
  return S_OK;
}
STDMETHODIMP CAviMuxBase::get_Mode(InterleavingMode* mode) { return com::CopyOut(mode, mode_); }

STDMETHODIMP CAviMuxBase::put_Interleaving(const REFERENCE_TIME* leave, const REFERENCE_TIME* preroll) {
  if (!leave || !preroll) return E_POINTER;
  leave_ = *leave, preroll_ = *preroll;
  return S_OK;
}
STDMETHODIMP CAviMuxBase::get_Interleaving(REFERENCE_TIME* leave, REFERENCE_TIME* preroll) {
  if (!leave || !preroll) return E_POINTER;
  *leave = leave_, *preroll = preroll_;
  return S_OK;
}

void* CAviMuxBase::GetFilterInterface(REFIID riid) {
  if (void* p = Offer<IConfigAviMux>(this, riid)) return p;
  return Offer<IConfigInterleaving>(this, riid);
}

void CAviMuxBase::OnRun(REFERENCE_TIME) { ended_ = 0; }

}  // namespace platform::dshow
