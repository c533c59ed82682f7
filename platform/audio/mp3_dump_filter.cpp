#include <atomic>
#include <mutex>

#include "platform/audio/audio_filters.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/base/file.h"
#include "platform/com/out_param.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/base_pin.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/stock_filters.h"
#include "platform/dshow/uuids.h"

namespace platform::audio {
namespace {

using dshow::CBaseFilter;
using dshow::CBaseInputPin;
using dshow::MediaSample;
using dshow::TypePattern;

// Writes the MPEG audio frames that reach it, back to back: an elementary .mp3 file.
class Mp3Dump : public CBaseFilter, public dshow::CFileSinkBase, public IQnMp3Writer {
 public:
  Mp3Dump() : CBaseFilter(CLSID_QnMp3Dump, "Qn MP3 Dump") {
    input_ = AddPin<dshow::CPatternInputPin>("Input",
                                             std::vector<CMediaType>{TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_MP3)});
  }
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)
  bool IsRenderer() const override { return true; }

  STDMETHODIMP Pause() override {
    if (State() == State_Stopped) {
      std::lock_guard lock(mutex_);
      result_ = 0, bytes_ = 0, failed_ = false;
      if (!FileName().empty() && !file_.Open(FileName(), FileMode::Create)) return E_FAIL;
    }
    return CBaseFilter::Pause();
  }
  void Receive(CBaseInputPin*, const MediaSample& sample) override {
    if (State() != State_Running) return;
    std::lock_guard lock(mutex_);
    if (!file_.IsOpen() || failed_) return;
    if (!file_.Write(sample.data.data(), sample.data.size())) {
      failed_ = true;
      NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
      return;
    }
    bytes_ += sample.data.size();
  }
  void EndOfStream(CBaseInputPin*) override { NotifyEvent(EC_COMPLETE, S_OK, 0); }

  STDMETHODIMP SetFlag(int flag) override { return com::CopyIn(flag_, flag); }
  STDMETHODIMP GetFlag(int* flag) override { return com::CopyOut(flag, flag_.load()); }
  STDMETHODIMP SetParameter(int value) override { return com::CopyIn(parameter_, value); }
  STDMETHODIMP GetParameter(int* value) override { return com::CopyOut(value, parameter_.load()); }
  STDMETHODIMP GetBytesWritten(int* bytes) override {
    std::lock_guard lock(mutex_);
    return com::CopyOut(bytes, static_cast<int>(std::min<std::uint64_t>(bytes_, 0x7FFFFFFF)));
  }
  STDMETHODIMP GetResult(int* result) override {
    std::lock_guard lock(mutex_);
    return com::CopyOut(result, result_);
  }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = dshow::Offer<IFileSinkFilter2>(this, riid)) return p;
    return dshow::Offer<IQnMp3Writer>(this, riid);
  }
  void OnStop() override {
    std::lock_guard lock(mutex_);
    if (!file_.IsOpen()) return;
    result_ = file_.Close() && !failed_ ? 1 : 0;
  }

 private:
  std::mutex mutex_;
  CBaseInputPin* input_;
  File file_;
  std::uint64_t bytes_ = 0;
  int result_ = 0;
  bool failed_ = false;
  std::atomic<int> flag_{0};
  std::atomic<int> parameter_{0};
};

}  // namespace

HRESULT CreateMp3Dump(REFIID riid, void** ppv) { return com::HandOver(new Mp3Dump, riid, ppv); }

}  // namespace platform::audio
