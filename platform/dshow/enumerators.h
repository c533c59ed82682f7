// Snapshot enumerators: each holds what it lists (references, or copies of media types), taken
// when it was made.
#pragma once

#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/com/object.h"
#include "platform/dshow/filter_interfaces.h"

namespace platform::dshow {

namespace enum_items {
// What the caller of Next receives for one listed item; nullptr when it cannot be made.
template <typename I>
I* HandOut(const CComPtr<I>& item) {
  if (item) item->AddRef();
  return item;
}
inline AM_MEDIA_TYPE* HandOut(const CMediaType& type) { return CreateMediaType(&type); }
}  // namespace enum_items

template <typename EnumI, typename Item, typename OutT>
class CSnapshotEnum : public com::ComObject<EnumI> {
 public:
  explicit CSnapshotEnum(std::vector<Item> items) : items_(std::move(items)) {}
  STDMETHODIMP Next(ULONG count, OutT** out, ULONG* fetched) override {
    if (!out) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG n = 0;
    while (n < count && pos_ < items_.size()) {
      out[n] = enum_items::HandOut(items_[pos_++]);
      if (!out[n]) break;
      ++n;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    pos_ += count;
    if (pos_ > items_.size()) {
      pos_ = items_.size();
      return S_FALSE;
    }
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    pos_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(EnumI** clone) override {
    if (!clone) return E_POINTER;
    auto* copy = new CSnapshotEnum(items_);
    copy->pos_ = pos_;
    *clone = copy;
    return S_OK;
  }

 private:
  std::vector<Item> items_;
  std::size_t pos_ = 0;
};

template <typename EnumI, typename ItemI>
using CComEnum = CSnapshotEnum<EnumI, CComPtr<ItemI>, ItemI>;

using CEnumPins = CComEnum<IEnumPins, IPin>;
using CEnumFilters = CComEnum<IEnumFilters, IBaseFilter>;
using CEnumMoniker = CComEnum<IEnumMoniker, IMoniker>;
using CEnumMediaTypes = CSnapshotEnum<IEnumMediaTypes, CMediaType, AM_MEDIA_TYPE>;

}  // namespace platform::dshow
