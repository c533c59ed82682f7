#include "writer_reader.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace studio::packs {

// Owned by the reader and its worker alike, so that a worker left behind never reaches a reader
// that has gone.
struct WriterReader::Shared {
  std::mutex mutex;
  std::condition_variable wake;   // a request came, or the reader goes
  std::condition_variable ended;  // the worker ended
  std::condition_variable read;   // a request was read
  std::function<void()> notify;   // emptied when the reader goes
  bool stopping = false;
  bool workerEnded = false;
  std::optional<DiscFormat> asked;  // the newest request, not started yet
  unsigned asks = 0;                // requests made
  unsigned taken = 0;               // the request whose writers were taken last
  unsigned doneAsk = 0;             // the request `done` answers
  std::optional<Read> done;
};

WriterReader::WriterReader(std::function<void()> notify) : shared_(std::make_shared<Shared>()) {
  shared_->notify = std::move(notify);
}

WriterReader::~WriterReader() {
  if (!worker_.joinable()) return;
  std::unique_lock lock(shared_->mutex);
  shared_->stopping = true;
  shared_->notify = nullptr;
  shared_->wake.notify_all();
  const bool ended = shared_->ended.wait_for(lock, std::chrono::seconds(3), [&] { return shared_->workerEnded; });
  lock.unlock();
  if (ended) worker_.join();
  else worker_.detach();
}

void WriterReader::Ask(DiscFormat kind) {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->asked = kind;
    ++shared_->asks;
  }
  shared_->wake.notify_all();
  if (!worker_.joinable()) worker_ = std::thread([s = shared_] { Work(s); });
}

bool WriterReader::Pending() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->taken != shared_->asks;
}

std::optional<WriterReader::Read> WriterReader::WaitAndTake(std::chrono::milliseconds limit) {
  {
    std::unique_lock lock(shared_->mutex);
    shared_->read.wait_for(lock, limit, [&] { return shared_->done && shared_->doneAsk == shared_->asks; });
  }
  return Take();
}

std::optional<WriterReader::Read> WriterReader::Take() {
  std::lock_guard lock(shared_->mutex);
  if (!shared_->done || shared_->doneAsk != shared_->asks) return std::nullopt;
  shared_->taken = shared_->doneAsk;
  std::optional<Read> read = std::move(shared_->done);
  shared_->done.reset();
  return read;
}

void WriterReader::Work(const std::shared_ptr<Shared>& s) {
  std::unique_lock lock(s->mutex);
  for (;;) {
    s->wake.wait(lock, [&] { return s->stopping || s->asked; });
    if (s->stopping) break;
    const DiscFormat kind = *s->asked;
    s->asked.reset();
    const unsigned ask = s->asks;
    lock.unlock();
    std::vector<WriterChoice> writers = ListWriters(kind);
    lock.lock();
    // A newer request waits in `asked`: these writers answer nothing anyone still wants.
    if (ask != s->asks) continue;
    s->done = Read{kind, std::move(writers)};
    s->doneAsk = ask;
    s->read.notify_all();
    // Under the lock: the reader cannot go between the check and the call.
    if (s->notify) s->notify();
  }
  s->workerEnded = true;
  s->ended.notify_all();
}

}  // namespace studio::packs
