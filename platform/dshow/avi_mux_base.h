// What every AVI multiplexer shares: an input "Input 01", "Input 02", ... (a fresh one whenever
// all are taken), one "AVI Out" stream output, the end of stream once every connected input has
// ended, and the IConfigAviMux / IConfigInterleaving settings.
#pragma once

#include <mutex>
#include <string>

#include "platform/dshow/base_filter.h"
#include "platform/dshow/writer_interfaces.h"

namespace platform::dshow {

class CAviMuxBase : public CBaseFilter, public IConfigAviMux, public IConfigInterleaving {
 public:
  CAviMuxBase();
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)

  void EndOfStream(CBaseInputPin* pin) override;

  STDMETHODIMP SetMasterStream(LONG stream) override;
  STDMETHODIMP GetMasterStream(LONG* stream) override;
  STDMETHODIMP SetOutputCompatibilityIndex(BOOL oldIndex) override;
  STDMETHODIMP GetOutputCompatibilityIndex(BOOL* oldIndex) override;
  STDMETHODIMP put_Mode(InterleavingMode mode) override;
  STDMETHODIMP get_Mode(InterleavingMode* mode) override;
  STDMETHODIMP put_Interleaving(const REFERENCE_TIME* leave, const REFERENCE_TIME* preroll) override;
  STDMETHODIMP get_Interleaving(REFERENCE_TIME* leave, REFERENCE_TIME* preroll) override;

 protected:
  void* GetFilterInterface(REFIID riid) override;
  void OnRun(REFERENCE_TIME start) override;

  // Held while a sample or an end of stream is taken.
  std::mutex mutex_;
  CBaseOutputPin* output_;

 private:
  class In;
  class Out;
  void InputConnected();

  int ended_ = 0;
  LONG master_ = -1;
  BOOL oldIndex_ = FALSE;
  InterleavingMode mode_ = INTERLEAVE_NONE;
  REFERENCE_TIME leave_ = 0;
  REFERENCE_TIME preroll_ = 0;
};

}  // namespace platform::dshow
