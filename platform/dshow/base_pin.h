// Pin base classes of the push streaming model: an output pin hands each sample straight to the
// input pin it is connected to, on the thread of the source that produced it (no allocators).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/com/object.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_interfaces.h"

namespace platform::dshow {

class CBaseFilter;

struct MediaSample {
  std::vector<BYTE> data;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  bool syncPoint = true;
  long long index = 0;         // running number given by the source
  REFERENCE_TIME decode = -1;  // decode time of a compressed sample that carries one (-1: none)
};

// Returns p as a void* when riid names I or an interface I extends, else nullptr.
template <typename I>
void* Offer(I* p, REFIID riid) {
  return com::InterfaceChainHas<I>(riid) ? static_cast<void*>(p) : nullptr;
}

// For classes that add interfaces to a base: one IUnknown for all of them.
#define DSHOW_FORWARD_IUNKNOWN(Base)                                                                        \
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return Base::QueryInterface(riid, ppv); } \
  STDMETHODIMP_(ULONG) AddRef() override { return Base::AddRef(); }                                         \
  STDMETHODIMP_(ULONG) Release() override { return Base::Release(); }

// A pin lives as long as its filter and counts references on it. It reports its category through
// IKsPropertySet (AMPROPSETID_Pin) when it has one.
class CBasePin : public IPin, public IKsPropertySet {
 public:
  CBasePin(CBaseFilter* filter, std::string name, PIN_DIRECTION dir);
  virtual ~CBasePin();
  CBasePin(const CBasePin&) = delete;
  CBasePin& operator=(const CBasePin&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override;
  STDMETHODIMP QueryId(LPOLESTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override { return S_OK; }
  STDMETHODIMP EndFlush() override { return S_OK; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

  STDMETHODIMP Set(REFGUID propSet, DWORD id, LPVOID instanceData, DWORD instanceLength, LPVOID data,
                   DWORD dataLength) override;
  STDMETHODIMP Get(REFGUID propSet, DWORD id, LPVOID instanceData, DWORD instanceLength, LPVOID data, DWORD dataLength,
                   DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID propSet, DWORD id, DWORD* typeSupport) override;

  // Types this pin offers, in order of preference. The default offers the list set by SetMediaTypes.
  virtual std::vector<CMediaType> GetMediaTypes();
  // The default accepts a type whose major and sub type match an offered type (any type when
  // none is offered).
  virtual HRESULT CheckMediaType(const CMediaType& mt);
  virtual HRESULT CompleteConnect(IPin*) { return S_OK; }
  virtual void BreakConnect() {}

  void SetMediaTypes(std::vector<CMediaType> types) { types_ = std::move(types); }
  void SetCategory(const GUID& category) {
    category_ = category;
    hasCategory_ = true;
  }
  const std::string& Name() const { return name_; }
  PIN_DIRECTION Direction() const { return dir_; }
  bool IsConnected() const { return peer_ != nullptr; }
  IPin* Peer() const { return peer_; }
  const CMediaType& ConnectedType() const { return mt_; }
  CBaseFilter* Filter() const { return filter_; }

 protected:
  // Interfaces a derived pin adds; nullptr when it has none for riid.
  virtual void* GetPinInterface(REFIID) { return nullptr; }
  HRESULT TryConnect(IPin* receivePin, const CMediaType& mt);

  CBaseFilter* filter_;
  std::string name_;
  PIN_DIRECTION dir_;
  CComPtr<IPin> peer_;
  CMediaType mt_;
  std::vector<CMediaType> types_;
  GUID category_;
  bool hasCategory_ = false;
};

class CBaseInputPin : public CBasePin {
 public:
  CBaseInputPin(CBaseFilter* filter, std::string name) : CBasePin(filter, std::move(name), PINDIR_INPUT) {}
  // Called on the streaming thread of the upstream source.
  virtual void Receive(const MediaSample& sample);
  STDMETHODIMP EndOfStream() override;
};

// A pattern for the types an input takes: a major and a sub type, GUID_NULL for any.
CMediaType TypePattern(const GUID& major, const GUID& sub = GUID_NULL);

// An input pin that offers no types and takes those matching one of its patterns (any type
// when it has none).
class CPatternInputPin : public CBaseInputPin {
 public:
  CPatternInputPin(CBaseFilter* filter, std::string name, std::vector<CMediaType> patterns = {})
      : CBaseInputPin(filter, std::move(name)), patterns_(std::move(patterns)) {}
  std::vector<CMediaType> GetMediaTypes() override { return {}; }
  HRESULT CheckMediaType(const CMediaType& mt) override;

 private:
  std::vector<CMediaType> patterns_;
};

class CBaseOutputPin : public CBasePin {
 public:
  CBaseOutputPin(CBaseFilter* filter, std::string name) : CBasePin(filter, std::move(name), PINDIR_OUTPUT) {}
  // Hands the sample to the connected input pin; S_FALSE when nothing is connected.
  HRESULT Deliver(const MediaSample& sample);
  HRESULT DeliverEndOfStream();
};

}  // namespace platform::dshow
