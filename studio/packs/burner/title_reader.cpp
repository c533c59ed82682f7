#include "title_reader.h"

#include <algorithm>
#include <atomic>

namespace studio::packs {

void TitleReader::Read(std::vector<std::string> files) {
  if (files.empty()) return;
  workers_.emplace_back([this, files = std::move(files)] {
    // A few at a time: ffprobe mostly waits on its own start.
    std::vector<DiscTitle> read(files.size());
    std::atomic<size_t> next{0};
    const auto work = [&] {
      for (size_t i; (i = next++) < files.size();) read[i] = TitleForFile(files[i]);
    };
    std::vector<std::thread> helpers;
    for (size_t h = 1; h < std::min<size_t>(4, files.size()); ++h) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    {
      std::lock_guard lock(mutex_);
      done_.insert(done_.end(), read.begin(), read.end());
    }
    if (notify_) notify_();
  });
}

std::vector<DiscTitle> TitleReader::Take() {
  std::lock_guard lock(mutex_);
  std::vector<DiscTitle> taken;
  taken.swap(done_);
  return taken;
}

void TitleReader::Wait() {
  for (std::thread& worker : workers_)
    if (worker.joinable()) worker.join();
  workers_.clear();
}

}  // namespace studio::packs
