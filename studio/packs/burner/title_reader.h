// Reads the streams of titles put on the disc off the window's thread: ffprobe takes a while for
// each file, and a hundred of them must not stop the window from painting.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "disc_project.h"

namespace studio::packs {

class TitleReader {
 public:
  // `notify` is called from the reading thread each time read titles wait to be taken.
  explicit TitleReader(std::function<void()> notify) : notify_(std::move(notify)) {}
  ~TitleReader() { Wait(); }
  TitleReader(const TitleReader&) = delete;
  TitleReader& operator=(const TitleReader&) = delete;

  void Read(std::vector<std::string> files);
  // The titles read since the last call, in the order they were asked for.
  std::vector<DiscTitle> Take();
  // Waits until every file asked for has been read.
  void Wait();

 private:
  std::function<void()> notify_;
  std::mutex mutex_;  // guards done_
  std::vector<DiscTitle> done_;
  std::vector<std::thread> workers_;  // on the window's thread only
};

}  // namespace studio::packs
