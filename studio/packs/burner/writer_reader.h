// Reads the writers of a disc kind and their media off the window's thread: every drive is grabbed
// for its medium, a second or more for a real one, and the Burn step must keep painting meanwhile.
// One reading runs at a time; a newer request supersedes the result of one still running.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "disc_writers.h"

namespace studio::packs {

class WriterReader {
 public:
  struct Read {
    DiscFormat kind;  // the kind they were read for
    std::vector<WriterChoice> writers;
  };

  // `notify` is called from the reading thread when the writers asked for last wait to be taken;
  // never once the reader is gone.
  explicit WriterReader(std::function<void()> notify);
  // A reading stuck in a drive is left to end on its own rather than holding the window up.
  ~WriterReader();
  WriterReader(const WriterReader&) = delete;
  WriterReader& operator=(const WriterReader&) = delete;

  // Reads the writers of `kind`; a request made meanwhile supersedes this one.
  void Ask(DiscFormat kind);
  // Writers were asked for and not taken yet.
  bool Pending() const;
  // The writers of the last request, once read; nothing while it is still being read.
  std::optional<Read> Take();
  // Take, once the last request has been read or `limit` has passed.
  std::optional<Read> WaitAndTake(std::chrono::milliseconds limit);

 private:
  struct Shared;
  static void Work(const std::shared_ptr<Shared>& s);

  std::shared_ptr<Shared> shared_;
  std::thread worker_;
};

}  // namespace studio::packs
