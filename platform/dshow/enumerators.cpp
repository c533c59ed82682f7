#include "platform/dshow/enumerators.h"

namespace platform::dshow {

STDMETHODIMP CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** out, ULONG* fetched) {
    if (!out) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG n = 0;
    while (n < count && pos_ < types_.size()) {
        out[n] = CreateMediaType(&types_[pos_++]);
        if (!out[n]) break;
        ++n;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG count) {
    pos_ += count;
    if (pos_ > types_.size()) {
        pos_ = types_.size();
        return S_FALSE;
    }
    return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Reset() {
    pos_ = 0;
    return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Clone(IEnumMediaTypes** clone) {
    if (!clone) return E_POINTER;
    auto* copy = new CEnumMediaTypes(types_);
    copy->pos_ = pos_;
    *clone = copy;
    return S_OK;
}

}  // namespace platform::dshow
