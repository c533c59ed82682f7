// Transform, tee and renderer base filters.
#pragma once

#include <atomic>
#include <functional>

#include "platform/dshow/base_filter.h"

namespace platform::dshow {

// An output whose types follow the type an input of its filter is connected with; it offers none
// while that input is free. A strict one also takes nothing then, and later only an offered major
// and sub type.
class CFollowingOutputPin : public CBaseOutputPin {
 public:
  using TypesFor = std::function<std::vector<CMediaType>(const CMediaType& input)>;
  CFollowingOutputPin(CBaseFilter* filter, std::string name, CBaseInputPin* input, TypesFor types, bool strict);
  std::vector<CMediaType> GetMediaTypes() override;
  HRESULT CheckMediaType(const CMediaType& mt) override;

 private:
  CBaseInputPin* input_;
  TypesFor types_;
  bool strict_;
};

// One input, one output. The output offers what OutputTypes() gives for the connected input
// type (the input type itself by default: a pass-through).
class CTransformFilter : public CBaseFilter {
 public:
  CTransformFilter(const CLSID& clsid, std::string defaultName, std::vector<CMediaType> inputTypes,
                   std::string inputName = "XForm In", std::string outputName = "XForm Out");

  // The accepted input types (major plus sub type; GUID_NULL sub type for any).
  virtual HRESULT CheckInputType(const CMediaType& mt);
  virtual std::vector<CMediaType> OutputTypes(const CMediaType& input) { return {input}; }
  // The default copies the sample.
  virtual HRESULT Transform(const MediaSample& in, MediaSample& out);

  void Receive(CBaseInputPin* pin, const MediaSample& sample) override;
  void EndOfStream(CBaseInputPin* pin) override;
  CBaseInputPin* Input() const { return input_; }
  CBaseOutputPin* Output() const { return output_; }

 private:
  class InputPin;
  CBaseInputPin* input_;
  CBaseOutputPin* output_;
};

// One input and outputs that follow the input's type. With growOutputs, a fresh output appears
// whenever all are connected ("Output1", "Output2", ... as InfTee names them).
class CTeeFilter : public CBaseFilter {
 public:
  CTeeFilter(const CLSID& clsid, std::string defaultName, std::string inputName, std::vector<std::string> outputNames,
             bool growOutputs);
  void Receive(CBaseInputPin* pin, const MediaSample& sample) override;
  void EndOfStream(CBaseInputPin* pin) override;
  void OutputConnected();

 private:
  class OutputPin;
  bool grow_;
  CBaseInputPin* input_;
};

// A sink that takes samples and counts them. It reports EC_COMPLETE when its input ends.
class CRendererFilter : public CBaseFilter {
 public:
  CRendererFilter(const CLSID& clsid, std::string defaultName, std::vector<CMediaType> accepted,
                  std::string inputName = "In");
  bool IsRenderer() const override { return true; }
  void Receive(CBaseInputPin* pin, const MediaSample& sample) override;
  void EndOfStream(CBaseInputPin* pin) override;
  long long SamplesRendered() const { return rendered_.load(); }
  long long LastSampleIndex() const { return lastIndex_.load(); }
  std::uint64_t BytesRendered() const { return bytes_.load(); }
  CBaseInputPin* Input() const { return input_; }

 protected:
  void OnStop() override { endOfStream_ = false; }
  virtual void Render(const MediaSample&) {}

 private:
  CBaseInputPin* input_;
  std::atomic<long long> rendered_{0};
  std::atomic<long long> lastIndex_{-1};
  std::atomic<std::uint64_t> bytes_{0};
  std::atomic<bool> endOfStream_{false};
};

}  // namespace platform::dshow
