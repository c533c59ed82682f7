// The maker's stream writer: writes its samples as delivered into parts of at most the set size
// ("name.ext", then "name_1.ext", "name_2.ext", ...), a new part only between samples, so whole
// transport packets or packs stay together. With its dump switch off it opens nothing.
#include <atomic>
#include <mutex>

#include "platform/base/file.h"
#include "platform/base/strings.h"
#include "platform/com/out_param.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/stock_filters.h"
#include "platform/dshow/transform_filter.h"
#include "platform/filters/hdv_filters.h"
#include "platform/filters/hdv_interfaces.h"

namespace platform::filters {
namespace {

using dshow::CBaseInputPin;
using dshow::MediaSample;

class StreamWriter : public dshow::CRendererFilter,
                     public dshow::CFileSinkBase,
                     public IQnStreamWriter,
                     public IQnDumpSwitch {
 public:
  StreamWriter() : CRendererFilter(CLSID_QnStreamWriter, "Stream Writer", {}, "Input") {}
  DSHOW_FORWARD_IUNKNOWN(CRendererFilter)

  STDMETHODIMP SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* mt) override {
    std::lock_guard lock(mutex_);
    const HRESULT hr = CFileSinkBase::SetFileName(file, mt);
    if (FAILED(hr)) return hr;
    file_.Close();
    bytes_ = 0;
    parts_ = 0;
    partBytes_ = 0;
    failed_ = false;
    return S_OK;
  }
  STDMETHODIMP SetMaxPartSize(DWORD low, DWORD high) override {
    maxPart_ = static_cast<ULONGLONG>(high) << 32 | low;
    return S_OK;
  }
  STDMETHODIMP GetMaxPartSize(ULONGLONG* size) override { return com::CopyOut(size, maxPart_.load()); }
  STDMETHODIMP GetBytesWritten(ULONGLONG* bytes) override { return com::CopyOut(bytes, bytes_.load()); }
  STDMETHODIMP GetCurrentPart(DWORD* part) override {
    return com::CopyOut(part, parts_.load() ? parts_.load() - 1 : 0);
  }
  STDMETHODIMP GetFileCount(DWORD* count) override { return com::CopyOut(count, parts_.load()); }
  STDMETHODIMP GetEnable(BOOL* on) override { return com::CopyOut(on, enabled_.load() ? TRUE : FALSE); }
  STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
  STDMETHODIMP SetEnable(BOOL on) override {
    enabled_ = on != 0;
    if (!on) {
      std::lock_guard lock(mutex_);
      file_.Close();
    }
    return S_OK;
  }

  // The name of part n: the set name itself first, then "%s_%d<ext>" from 1.
  static std::string PartName(const std::string& name, DWORD n) {
    if (n == 0) return name;
    const std::size_t slash = name.find_last_of('/');
    const std::size_t dot = name.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExt ? name.substr(0, dot) : name;
    const std::string ext = hasExt ? name.substr(dot) : "";
    return platform::Format("%s_%u%s", stem.c_str(), static_cast<unsigned>(n), ext.c_str());
  }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = dshow::Offer<IFileSinkFilter2>(this, riid)) return p;
    if (void* p = dshow::Offer<IQnStreamWriter>(this, riid)) return p;
    return dshow::Offer<IQnDumpSwitch>(this, riid);
  }
  void Render(const MediaSample& s) override {
    if (!enabled_ || s.data.empty()) return;
    std::lock_guard lock(mutex_);
    if (failed_ || FileName().empty()) return;
    const ULONGLONG limit = maxPart_;
    if (file_.IsOpen() && limit && partBytes_ > 0 && partBytes_ + s.data.size() > limit) file_.Close();
    if (!file_.IsOpen()) {
      // A recording that stopped and goes on continues in its next part.
      if (!file_.Open(PartName(FileName(), parts_), platform::FileMode::Create)) return Fail();
      ++parts_;
      partBytes_ = 0;
    }
    if (!file_.Write(s.data.data(), s.data.size())) return Fail();
    partBytes_ += s.data.size();
    bytes_ += s.data.size();
  }
  void OnStop() override {
    CRendererFilter::OnStop();
    std::lock_guard lock(mutex_);
    if (file_.IsOpen() && !file_.Close()) Fail();
  }

 private:
  void Fail() {
    if (!failed_) NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    failed_ = true;
    file_.Close();
  }

  std::mutex mutex_;
  platform::File file_;
  std::atomic<bool> enabled_{true};
  std::atomic<ULONGLONG> maxPart_{0};
  std::atomic<ULONGLONG> bytes_{0};
  std::atomic<DWORD> parts_{0};
  ULONGLONG partBytes_ = 0;
  bool failed_ = false;
};

}  // namespace

HRESULT CreateStreamWriter(REFIID riid, void** ppv) { return com::HandOver(new StreamWriter, riid, ppv); }

}  // namespace platform::filters
