// "Buffer Filter": a queue between its input and output. Samples are taken at once and passed
// on in order by a thread of its own, so a slow branch downstream does not hold up the stream
// that feeds it until the queue (slot 3: its depth) is full.
#include <chrono>
#include <cstddef>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/com/out_param.h"
#include "platform/dshow/transform_filter.h"
#include "platform/filters/hdv_filters.h"
#include "platform/filters/hdv_interfaces.h"

namespace platform::filters {
namespace {

using dshow::MediaSample;

class BufferFilter : public dshow::CTransformFilter, public IQnBuffer {
 public:
  BufferFilter() : CTransformFilter(CLSID_QnBufferFilter, "Buffer Filter", {}) {}
  ~BufferFilter() override { Halt(); }
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)

  STDMETHODIMP SetDepth(int samples) override {
    if (samples < 1) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    depth_ = samples;
    room_.notify_all();
    return S_OK;
  }

  void Receive(dshow::CBaseInputPin*, const MediaSample& sample) override { Push(Item{sample}); }
  void EndOfStream(dshow::CBaseInputPin*) override { Push(Item{std::nullopt}); }

  std::size_t Queued() {
    std::lock_guard lock(mutex_);
    return queue_.size();
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return dshow::Offer<IQnBuffer>(this, riid); }
  void OnPause() override { Start(); }
  void OnRun(REFERENCE_TIME) override { Start(); }
  // What the queue holds still goes out: the sources have stopped first, and everything
  // downstream is to see the last sample.
  void OnStop() override { Halt(); }

 private:
  struct Item {
    std::optional<MediaSample> sample;  // none: the end of the stream
  };

  void Start() {
    std::lock_guard lock(mutex_);
    if (worker_.joinable()) return;
    halting_ = false;
    worker_ = std::thread([this] { Work(); });
  }

  void Halt() {
    {
      std::lock_guard lock(mutex_);
      if (!worker_.joinable()) {
        queue_.clear();
        return;
      }
      halting_ = true;
    }
    ready_.notify_all();
    room_.notify_all();
    worker_.join();
    std::lock_guard lock(mutex_);
    queue_.clear();
  }

  void Push(Item item) {
    std::unique_lock lock(mutex_);
    if (!worker_.joinable() || halting_) return;  // stopped: nothing flows
    // A queue that stays full (a branch that stopped taking samples) sheds its oldest sample
    // rather than stall the stream that feeds it.
    // The end of the stream is no sample and never waits.
    if (item.sample &&
        !room_.wait_for(lock, std::chrono::seconds(2), [&] { return queue_.size() < Depth() || halting_; }))
      queue_.pop_front();
    if (halting_) return;
    queue_.push_back(std::move(item));
    ready_.notify_one();
  }

  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      ready_.wait(lock, [&] { return !queue_.empty() || halting_; });
      if (queue_.empty()) return;
      Item item = std::move(queue_.front());
      queue_.pop_front();
      room_.notify_all();
      lock.unlock();
      if (item.sample) Output()->Deliver(*item.sample);
      else Output()->DeliverEndOfStream();
      lock.lock();
    }
  }

  std::size_t Depth() const { return static_cast<std::size_t>(depth_); }

  std::mutex mutex_;
  std::condition_variable ready_, room_;
  std::deque<Item> queue_;
  int depth_ = 1;
  bool halting_ = false;
  std::thread worker_;
};

}  // namespace

HRESULT CreateBufferFilter(REFIID riid, void** ppv) { return com::HandOver(new BufferFilter, riid, ppv); }

std::size_t BufferedSamples(IBaseFilter* filter) {
  auto* buffer = dynamic_cast<BufferFilter*>(dshow::AsBaseFilter(filter));
  return buffer ? buffer->Queued() : 0;
}

}  // namespace platform::filters
