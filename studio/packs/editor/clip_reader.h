// Reads clips off the UI thread: their facts through ffprobe and pictures of their frames
// through ffmpeg. Each finished job is kept for the owner and announced by a message posted to
// its window, so the window never waits on a clip.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/win_types.h"
#include "storyboard.h"

namespace studio::packs {

// Runs a tool to its end and keeps what it printed; false when it fails, takes longer than 30 s (a
// file that never ends, such as a pipe) or `stop` is set meanwhile.
bool RunReadingTool(const std::string& program, const std::vector<std::string>& args, std::string* out,
                    const std::atomic<bool>* stop = nullptr);
// What ffprobe says of a clip; false when it is no video or picture file, or `stop` was set.
bool ProbeClip(const std::string& path, ClipFacts* facts, const std::atomic<bool>* stop = nullptr);
// A 24-bit bitmap file image of the frame at `seconds`, fitted into width x height on black;
// empty when ffmpeg cannot make it (or `stop` was set).
std::vector<std::uint8_t> GrabFrame(const std::string& path, double seconds, int width, int height,
                                    const std::atomic<bool>* stop = nullptr);

class ClipReader {
 public:
  struct Job {
    std::uint64_t id = 0;  // the owner's, given back with the result
    std::string path;
    bool probe = true;  // read the facts first (and make the picture only when it is a clip)
    double at = 0;      // where the picture is taken, seconds into the source
    int width = 80;
    int height = 60;
  };
  struct Result {
    Job job;
    bool readable = false;
    ClipFacts facts;
    std::vector<std::uint8_t> picture;  // empty when no picture could be made
  };

  // `workers` threads post `message` to `window` after each job.
  ClipReader(HWND window, UINT message, int workers = 2);
  ~ClipReader();
  ClipReader(const ClipReader&) = delete;
  ClipReader& operator=(const ClipReader&) = delete;

  void Queue(Job job);
  // Jobs not yet begun are dropped (their owner has no use for them any more).
  void DropQueued();
  std::vector<Result> TakeResults();
  // Jobs queued or running.
  size_t Pending() const;

 private:
  void Work();

  HWND window_;
  UINT message_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  std::vector<Result> results_;
  size_t running_ = 0;
  std::atomic<bool> stopping_{false};  // also ends the tools the workers wait on
  std::vector<std::thread> workers_;
};

}  // namespace studio::packs
