#include "title_reader.h"

namespace studio::packs {

void TitleReader::Read(std::vector<std::string> files) {
  if (files.empty()) return;
  workers_.emplace_back([this, files = std::move(files)] {
    std::vector<DiscTitle> read;
    for (const std::string& file : files) read.push_back(TitleForFile(file));
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
