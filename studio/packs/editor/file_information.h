// What the editor's File Information tells of a clip: its container, length and streams, as
// ffprobe reads them, shown in a dialog of its own.
#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/base/win_types.h"

namespace studio::packs {

// The lines ("Label: value") of File Information for `path`; empty when ffprobe cannot read it
// (or `stop` was set).
std::string FileInformationText(const std::string& path, const std::atomic<bool>* stop = nullptr);

// Reads File Information off the window's thread, one file after the other, and posts `message` to
// `window` as each is read: a file that never answers (a pipe, a lost share) holds no window.
// Going, it ends the tool it waits on.
class FileInformationReader {
 public:
  FileInformationReader(HWND window, UINT message);
  ~FileInformationReader();
  FileInformationReader(const FileInformationReader&) = delete;
  FileInformationReader& operator=(const FileInformationReader&) = delete;

  void Read(const std::string& path);
  // The files read since the last call, each with its text (empty: not readable).
  std::vector<std::pair<std::string, std::string>> Take();

 private:
  void Work();

  HWND window_;
  UINT message_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::deque<std::string> waiting_;
  std::vector<std::pair<std::string, std::string>> read_;
  bool busy_ = false;  // the worker runs and takes what waits
  std::thread worker_;
};

class FileInformationDialog {
 public:
  static constexpr int kFirstLabelId = 2300;  // the labels, then their values from kFirstValueId
  static constexpr int kFirstValueId = 2330;
  // Shows `text` (FileInformationText's lines) modally over `owner`.
  static void Run(HWND owner, const std::string& path, const std::string& text);
};

}  // namespace studio::packs
