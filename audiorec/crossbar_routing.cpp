#include "audiorec/crossbar_routing.h"

#include "platform/dshow/uuids.h"

BOOL CCrossbarRouting::RouteCrossbar(ICaptureGraphBuilder2* builder, IBaseFilter* filter) {
  Reset();
  CComPtr<IPin> input;
  if (!builder || !filter ||
      FAILED(builder->FindPin(filter, PINDIR_INPUT, &PIN_CATEGORY_ANALOGVIDEOIN, nullptr, FALSE, 0, &input)) || !input)
    return FALSE;
  HRESULT hr = E_FAIL;
  crossbar_ = std::make_unique<CCrossbar>(input, &hr);
  if (FAILED(hr) || FAILED(crossbar_->GetInputCount(&inputs_))) inputs_ = 0;
  return inputs_ > 0;
}

BOOL CCrossbarRouting::SelectRoute(long physicalType) {
  if (!crossbar_) return FALSE;
  for (long i = 0; i < inputs_; ++i) {
    long type = -1;
    if (SUCCEEDED(crossbar_->GetInputType(i, &type)) && type == physicalType)
      return SUCCEEDED(crossbar_->SetInputIndex(i));
  }
  return FALSE;
}

void CCrossbarRouting::Reset() {
  crossbar_.reset();
  inputs_ = 0;
}
