// "Buffer Filter": passes its samples on in order; its depth (how many it may hold) is kept for
// the graph that sets it.
#include <atomic>

#include "platform/com/out_param.h"
#include "platform/dshow/transform_filter.h"
#include "platform/filters/hdv_filters.h"
#include "platform/filters/hdv_interfaces.h"

namespace platform::filters {
namespace {

class BufferFilter : public dshow::CTransformFilter, public IQnBuffer {
 public:
  BufferFilter() : CTransformFilter(CLSID_QnBufferFilter, "Buffer Filter", {}) {}
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)
  STDMETHODIMP SetDepth(int samples) override {
    if (samples < 1) return E_INVALIDARG;
    depth_ = samples;
    return S_OK;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return dshow::Offer<IQnBuffer>(this, riid); }

 private:
  std::atomic<int> depth_{1};
};

}  // namespace

HRESULT CreateBufferFilter(REFIID riid, void** ppv) { return com::HandOver(new BufferFilter, riid, ppv); }

}  // namespace platform::filters
