#include "platform/dshow/transform_filter.h"

namespace platform::dshow {

class CTransformFilter::InputPin : public CPatternInputPin {
 public:
  using CPatternInputPin::CPatternInputPin;
  HRESULT CheckMediaType(const CMediaType& mt) override {
    if (FAILED(CPatternInputPin::CheckMediaType(mt))) return VFW_E_TYPE_NOT_ACCEPTED;
    return static_cast<CTransformFilter*>(filter_)->CheckInputType(mt);
  }
};

CFollowingOutputPin::CFollowingOutputPin(CBaseFilter* filter, std::string name, CBaseInputPin* input, TypesFor types,
                                         bool strict)
    : CBaseOutputPin(filter, std::move(name)), input_(input), types_(std::move(types)), strict_(strict) {}

std::vector<CMediaType> CFollowingOutputPin::GetMediaTypes() {
  if (!input_->IsConnected()) return {};
  return types_(input_->ConnectedType());
}

HRESULT CFollowingOutputPin::CheckMediaType(const CMediaType& mt) {
  if (!strict_) return CBaseOutputPin::CheckMediaType(mt);
  if (!input_->IsConnected()) return VFW_E_NOT_CONNECTED;
  for (const auto& t : GetMediaTypes())
    if (t.majortype == mt.majortype && t.subtype == mt.subtype) return S_OK;
  return VFW_E_TYPE_NOT_ACCEPTED;
}

CTransformFilter::CTransformFilter(const CLSID& clsid, std::string defaultName, std::vector<CMediaType> inputTypes,
                                   std::string inputName, std::string outputName)
    : CBaseFilter(clsid, std::move(defaultName)) {
  input_ = AddPin<InputPin>(std::move(inputName), std::move(inputTypes));
  output_ = AddPin<CFollowingOutputPin>(
      std::move(outputName), input_, [this](const CMediaType& in) { return OutputTypes(in); }, true);
}

HRESULT CTransformFilter::CheckInputType(const CMediaType&) { return S_OK; }

HRESULT CTransformFilter::Transform(const MediaSample& in, MediaSample& out) {
  out = in;
  return S_OK;
}

void CTransformFilter::Receive(CBaseInputPin*, const MediaSample& sample) {
  MediaSample out;
  if (Transform(sample, out) == S_OK) output_->Deliver(out);
}

void CTransformFilter::EndOfStream(CBaseInputPin*) { output_->DeliverEndOfStream(); }

class CTeeFilter::OutputPin : public CFollowingOutputPin {
 public:
  OutputPin(CBaseFilter* f, std::string name, CBaseInputPin* input)
      : CFollowingOutputPin(
            f, std::move(name), input, [](const CMediaType& in) { return std::vector{in}; }, true) {}
  HRESULT CompleteConnect(IPin*) override {
    static_cast<CTeeFilter*>(filter_)->OutputConnected();
    return S_OK;
  }
};

CTeeFilter::CTeeFilter(const CLSID& clsid, std::string defaultName, std::string inputName,
                       std::vector<std::string> outputNames, bool growOutputs)
    : CBaseFilter(clsid, std::move(defaultName)), grow_(growOutputs) {
  input_ = AddPin<CPatternInputPin>(std::move(inputName));
  for (auto& name : outputNames) AddPin<OutputPin>(std::move(name), input_);
}

void CTeeFilter::OutputConnected() {
  const int outputs = CountPins(PINDIR_OUTPUT);
  if (!grow_ || CountPins(PINDIR_OUTPUT, true) < outputs) return;
  AddPin<OutputPin>("Output" + std::to_string(outputs + 1), input_);
}

void CTeeFilter::Receive(CBaseInputPin*, const MediaSample& sample) {
  for (CBasePin* p : Pins())
    if (auto* out = dynamic_cast<CBaseOutputPin*>(p)) out->Deliver(sample);
}

void CTeeFilter::EndOfStream(CBaseInputPin*) {
  for (CBasePin* p : Pins())
    if (auto* out = dynamic_cast<CBaseOutputPin*>(p)) out->DeliverEndOfStream();
}

CRendererFilter::CRendererFilter(const CLSID& clsid, std::string defaultName, std::vector<CMediaType> accepted,
                                 std::string inputName)
    : CBaseFilter(clsid, std::move(defaultName)) {
  input_ = AddPin<CPatternInputPin>(std::move(inputName), std::move(accepted));
}

void CRendererFilter::Receive(CBaseInputPin*, const MediaSample& sample) {
  Render(sample);
  bytes_ += sample.data.size();
  lastIndex_ = sample.index;
  ++rendered_;
}

void CRendererFilter::EndOfStream(CBaseInputPin*) {
  if (!endOfStream_.exchange(true)) NotifyEvent(EC_COMPLETE, S_OK, 0);
}

}  // namespace platform::dshow
