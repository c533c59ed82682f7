// Snapshot enumerators: each holds references to what it lists, taken when it was made.
#pragma once

#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/com/object.h"
#include "platform/dshow/filter_interfaces.h"

namespace platform::dshow {

template <typename EnumI, typename ItemI>
class CComEnum : public com::ComObject<EnumI> {
public:
    explicit CComEnum(std::vector<CComPtr<ItemI>> items) : items_(std::move(items)) {}
    STDMETHODIMP Next(ULONG count, ItemI** out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        if (count > 1 && !fetched) return E_INVALIDARG;
        ULONG n = 0;
        while (n < count && pos_ < items_.size()) {
            out[n] = items_[pos_++];
            out[n]->AddRef();
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
        auto* copy = new CComEnum(items_);
        copy->pos_ = pos_;
        *clone = copy;
        return S_OK;
    }

private:
    std::vector<CComPtr<ItemI>> items_;
    std::size_t pos_ = 0;
};

using CEnumPins = CComEnum<IEnumPins, IPin>;
using CEnumFilters = CComEnum<IEnumFilters, IBaseFilter>;
using CEnumMoniker = CComEnum<IEnumMoniker, IMoniker>;

class CEnumMediaTypes : public com::ComObject<IEnumMediaTypes> {
public:
    explicit CEnumMediaTypes(std::vector<CMediaType> types) : types_(std::move(types)) {}
    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** out, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumMediaTypes** clone) override;

private:
    std::vector<CMediaType> types_;
    std::size_t pos_ = 0;
};

}  // namespace platform::dshow
