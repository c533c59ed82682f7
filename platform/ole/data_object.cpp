#include "platform/ole/data_object.h"

#include <algorithm>
#include <utility>

#include "platform/com/object.h"
#include "platform/ole/global_memory.h"

void ReleaseStgMedium(STGMEDIUM* medium) {
  if (!medium) return;
  if (medium->pUnkForRelease) {
    medium->pUnkForRelease->Release();
  } else if (medium->tymed == TYMED_HGLOBAL && medium->hGlobal) {
    GlobalFree(medium->hGlobal);
  }
  medium->tymed = TYMED_NULL;
  medium->hGlobal = nullptr;
  medium->pUnkForRelease = nullptr;
}

namespace platform::ole {
namespace {

class FormatEnumerator : public com::ComObject<IEnumFORMATETC> {
 public:
  FormatEnumerator(std::vector<FORMATETC> formats, std::size_t position)
      : formats_(std::move(formats)), position_(position) {}

  STDMETHODIMP Next(ULONG count, FORMATETC* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    while (n < count && position_ < formats_.size()) out[n++] = formats_[position_++];
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const std::size_t left = formats_.size() - position_;
    position_ += std::min<std::size_t>(left, count);
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumFORMATETC** out) override {
    if (!out) return E_POINTER;
    *out = new FormatEnumerator(formats_, position_);
    return S_OK;
  }

 private:
  std::vector<FORMATETC> formats_;
  std::size_t position_;
};

class GlobalDataObject : public com::ComObject<IDataObject> {
 public:
  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_POINTER;
    Entry* e = nullptr;
    const HRESULT hr = Match(*format, &e);
    if (FAILED(hr)) return hr;
    HGLOBAL copy = CopyGlobal(e->block);
    if (!copy) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* format) override {
    if (!format) return E_POINTER;
    Entry* e = nullptr;
    return Match(*format, &e);
  }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override {
    if (!in || !out) return E_POINTER;
    *out = *in;
    out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
  }
  STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override {
    if (!format || !medium) return E_POINTER;
    if (medium->tymed != TYMED_HGLOBAL || !(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    if (!GlobalLock(medium->hGlobal)) return E_INVALIDARG;  // not a live block
    GlobalUnlock(medium->hGlobal);
    HGLOBAL block;
    if (release && !medium->pUnkForRelease) {
      block = medium->hGlobal;
    } else {
      block = CopyGlobal(medium->hGlobal);
      if (!block) return E_OUTOFMEMORY;
      if (release) ReleaseStgMedium(medium);
    }
    FORMATETC kept = *format;
    kept.ptd = nullptr;
    kept.tymed = TYMED_HGLOBAL;
    for (auto& e : entries_) {
      if (e.format.cfFormat == kept.cfFormat && e.format.dwAspect == kept.dwAspect) {
        GlobalFree(e.block);
        e.block = block;
        return S_OK;
      }
    }
    entries_.push_back({kept, block});
    return S_OK;
  }
  STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    for (auto& e : entries_) formats.push_back(e.format);
    *out = new FormatEnumerator(std::move(formats), 0);
    return S_OK;
  }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 protected:
  ~GlobalDataObject() override {
    for (auto& e : entries_) GlobalFree(e.block);
  }

 private:
  struct Entry {
    FORMATETC format;
    HGLOBAL block;
  };

  HRESULT Match(const FORMATETC& wanted, Entry** found) {
    bool formatSeen = false;
    for (auto& e : entries_) {
      if (e.format.cfFormat != wanted.cfFormat) continue;
      formatSeen = true;
      if (e.format.dwAspect != wanted.dwAspect) continue;
      if (wanted.lindex != -1) return DV_E_LINDEX;
      if (!(wanted.tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
      *found = &e;
      return S_OK;
    }
    return formatSeen ? DV_E_DVASPECT : DV_E_FORMATETC;
  }

  std::vector<Entry> entries_;
};

}  // namespace

CComPtr<IDataObject> CreateDataObject() {
  CComPtr<IDataObject> p;
  p.Attach(new GlobalDataObject);
  return p;
}

CComPtr<IEnumFORMATETC> CreateFormatEnumerator(std::vector<FORMATETC> formats) {
  CComPtr<IEnumFORMATETC> p;
  p.Attach(new FormatEnumerator(std::move(formats), 0));
  return p;
}

CComPtr<IDataObject> CreateGlobalDataObject(CLIPFORMAT format, HGLOBAL block) {
  if (!block) return nullptr;
  auto data = CreateDataObject();
  FORMATETC f;
  f.cfFormat = format;
  STGMEDIUM m;
  m.tymed = TYMED_HGLOBAL;
  m.hGlobal = block;
  if (FAILED(data->SetData(&f, &m, TRUE))) return nullptr;
  return data;
}

}  // namespace platform::ole
