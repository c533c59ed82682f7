#include "platform/dshow/base_pin.h"

#include <algorithm>
#include <cstring>

#include "platform/com/out_param.h"
#include "platform/dshow/base_filter.h"
#include "platform/base/strings.h"
#include "platform/dshow/enumerators.h"

namespace platform::dshow {

CBasePin::CBasePin(CBaseFilter* filter, std::string name, PIN_DIRECTION dir)
    : filter_(filter), name_(std::move(name)), dir_(dir) {}

CBasePin::~CBasePin() = default;

STDMETHODIMP CBasePin::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IPin) {
    *ppv = static_cast<IPin*>(this);
  } else if (riid == IID_IKsPropertySet && hasCategory_) {
    *ppv = static_cast<IKsPropertySet*>(this);
  } else {
    *ppv = GetPinInterface(riid);
  }
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CBasePin::AddRef() { return filter_->AddRef(); }
STDMETHODIMP_(ULONG) CBasePin::Release() { return filter_->Release(); }

std::vector<CMediaType> CBasePin::GetMediaTypes() { return types_; }

CMediaType TypePattern(const GUID& major, const GUID& sub) {
  CMediaType mt;
  mt.majortype = major;
  mt.subtype = sub;
  mt.formattype = GUID_NULL;
  return mt;
}

HRESULT CPatternInputPin::CheckMediaType(const CMediaType& mt) {
  if (patterns_.empty()) return S_OK;
  for (const auto& p : patterns_) {
    if (p.majortype != GUID_NULL && p.majortype != mt.majortype) continue;
    if (p.subtype != GUID_NULL && p.subtype != mt.subtype) continue;
    return S_OK;
  }
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CBasePin::CheckMediaType(const CMediaType& mt) {
  const auto offered = GetMediaTypes();
  if (offered.empty()) return S_OK;
  for (const auto& t : offered) {
    if (t.majortype == mt.majortype && (t.subtype == mt.subtype || t.subtype == GUID_NULL)) return S_OK;
  }
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CBasePin::TryConnect(IPin* receivePin, const CMediaType& mt) {
  if (FAILED(CheckMediaType(mt))) return VFW_E_TYPE_NOT_ACCEPTED;
  HRESULT hr = receivePin->ReceiveConnection(this, &mt);
  if (FAILED(hr)) return hr;
  peer_ = receivePin;
  mt_ = mt;
  hr = CompleteConnect(receivePin);
  if (FAILED(hr)) {
    receivePin->Disconnect();
    Disconnect();
  }
  return hr;
}

STDMETHODIMP CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* pmt) {
  if (!receivePin) return E_POINTER;
  if (dir_ != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  PIN_DIRECTION otherDir = PINDIR_OUTPUT;
  receivePin->QueryDirection(&otherDir);
  if (otherDir != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;

  CMediaType pattern;
  pattern.majortype = GUID_NULL;
  pattern.subtype = GUID_NULL;
  pattern.formattype = GUID_NULL;
  if (pmt) {
    pattern = *pmt;
    if (pattern.IsFullySpecified() && pmt->subtype != GUID_NULL) return TryConnect(receivePin, pattern);
  }
  // Our own types first, then what the receiving pin proposes.
  std::vector<CMediaType> candidates = GetMediaTypes();
  CComPtr<IEnumMediaTypes> theirs;
  if (SUCCEEDED(receivePin->EnumMediaTypes(&theirs)) && theirs) {
    AM_MEDIA_TYPE* t = nullptr;
    while (theirs->Next(1, &t, nullptr) == S_OK) {
      candidates.emplace_back(*t);
      DeleteMediaType(t);
    }
  }
  for (const auto& mt : candidates) {
    if (!mt.MatchesPartial(pattern)) continue;
    if (SUCCEEDED(TryConnect(receivePin, mt))) return S_OK;
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

STDMETHODIMP CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* pmt) {
  if (!connector || !pmt) return E_POINTER;
  if (dir_ != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  CMediaType mt(*pmt);
  if (FAILED(CheckMediaType(mt))) return VFW_E_TYPE_NOT_ACCEPTED;
  peer_ = connector;
  mt_ = mt;
  const HRESULT hr = CompleteConnect(connector);
  if (FAILED(hr)) Disconnect();
  return hr;
}

STDMETHODIMP CBasePin::Disconnect() {
  if (!peer_) return S_FALSE;
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  peer_ = nullptr;
  mt_ = CMediaType();
  BreakConnect();
  return S_OK;
}

STDMETHODIMP CBasePin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  if (!peer_) return VFW_E_NOT_CONNECTED;
  return peer_.CopyTo(pin);
}

STDMETHODIMP CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (!peer_) {
    *mt = AM_MEDIA_TYPE();
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(mt, &mt_);
}

STDMETHODIMP CBasePin::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  info->pFilter = filter_;
  filter_->AddRef();
  info->dir = dir_;
  platform::CopyToBuffer(name_, info->achName, sizeof info->achName);
  return S_OK;
}

STDMETHODIMP CBasePin::QueryDirection(PIN_DIRECTION* dir) { return com::CopyOut(dir, dir_); }

STDMETHODIMP CBasePin::QueryId(LPOLESTR* id) { return com::CopyOutText(name_, id); }

STDMETHODIMP CBasePin::QueryAccept(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return SUCCEEDED(CheckMediaType(CMediaType(*mt))) ? S_OK : S_FALSE;
}

STDMETHODIMP CBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (!types) return E_POINTER;
  *types = new CEnumMediaTypes(GetMediaTypes());
  return S_OK;
}

STDMETHODIMP CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

STDMETHODIMP CBasePin::EndOfStream() { return E_UNEXPECTED; }

STDMETHODIMP CBasePin::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) { return E_PROP_ID_UNSUPPORTED; }

STDMETHODIMP CBasePin::Get(REFGUID propSet, DWORD id, LPVOID, DWORD, LPVOID data, DWORD dataLength, DWORD* returned) {
  if (propSet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (!data) return E_POINTER;
  if (dataLength < sizeof(GUID)) return E_UNEXPECTED;
  std::memcpy(data, &category_, sizeof(GUID));
  if (returned) *returned = sizeof(GUID);
  return S_OK;
}

STDMETHODIMP CBasePin::QuerySupported(REFGUID propSet, DWORD id, DWORD* typeSupport) {
  if (propSet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (typeSupport) *typeSupport = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

void CBaseInputPin::Receive(const MediaSample& sample) { filter_->Receive(this, sample); }

STDMETHODIMP CBaseInputPin::EndOfStream() {
  filter_->EndOfStream(this);
  return S_OK;
}

HRESULT CBaseOutputPin::Deliver(const MediaSample& sample) {
  CBasePin* peer = AsBasePin(peer_);
  auto* input = dynamic_cast<CBaseInputPin*>(peer);
  if (!input) return S_FALSE;
  input->Receive(sample);
  return S_OK;
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
  if (!peer_) return S_FALSE;
  return peer_->EndOfStream();
}

}  // namespace platform::dshow
