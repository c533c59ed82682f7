// The one write engine: a stream of 2048-byte blocks handed to libburn, which writes it to the
// drive's stdio: image on a writer thread, or a producer writing a simulated fresh disc's image
// itself. Every kind of burn goes through it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/disc/audio_stream.h"
#include "platform/disc/sim_drive.h"

namespace platform::disc {

// The writers' completion callback: status 0 success, 1 failure; called once, from the writer
// thread, after the last block.
using DiscCallback = void (*)(int status, void* context);

struct WriteJob {
  // The stream: a readable descriptor (a tool's pipe or an open file) that the job owns, or
  // else a reader that fills whole blocks and returns the bytes given (0 at the end, -1 on error).
  int sourceFd = -1;
  std::function<int(unsigned char* buffer, int size)> read;
  // Blocks the stream holds; known before the start and never 0.
  std::uint32_t blocks = 0;
  // Blocks of the medium the stream fills, when they differ from its 2048-byte blocks (audio
  // sectors hold 2352 bytes); 0: the same.
  std::uint32_t mediumBlocks = 0;
  bool finalize = true;
  // Writes after what the medium already holds (a new data session) instead of replacing it.
  bool append = false;
  // Where the stream goes when the caller fixed it (a data session is made for its address);
  // -1: after the medium's last session when appending, else block 0.
  std::int64_t startBlock = -1;
  int speedKBs = 0;
  // On a real drive: audio tracks written disc-at-once in place of the stream (`blocks` then
  // counts their sectors).
  std::vector<AudioTrack> audioTracks;
  // In place of a stream, where WritesIntoImage allows it: a producer that writes the whole
  // stream into the drive's image file itself, so its bytes cross no pipe. `startInto` starts it
  // with that file as its output (false when it cannot); `producerEnded` waits up to the given
  // milliseconds for it to end and says whether it has; `stopProducer` ends it early.
  std::function<bool(const std::string& image)> startInto;
  std::function<bool(int waitMs)> producerEnded;
  std::function<void()> stopProducer;
  // Runs on the writer thread once the stream has ended: true when its producer succeeded.
  std::function<bool()> producerSucceeded;
  // Runs after a good write, before the medium counts as written (a data session's new
  // volume descriptors). Gets the image path; false fails the burn.
  std::function<bool(const std::string& image)> afterWrite;
};

class WriteEngine {
 public:
  WriteEngine() = default;
  ~WriteEngine();
  WriteEngine(const WriteEngine&) = delete;
  WriteEngine& operator=(const WriteEngine&) = delete;

  // Checks the medium (ready, writable, free space) and starts the writer thread. False with
  // *error set when nothing was started; the callback then never comes.
  bool Start(SimDrive* drive, WriteJob job, DiscCallback callback, void* context, std::uint32_t* error);
  // The block where a job's stream will start on this drive's medium.
  static std::uint32_t StartBlock(const MediumState& s, bool append);
  // Whether a fresh disc in this drive is a plain file a producer may write itself: a simulated
  // drive that neither paces its writing nor fails at a block, whose image is a regular file
  // or none yet.
  static bool WritesIntoImage(const DriveDesc& desc);
  // Asks the running burn to end; its callback reports failure.
  void Stop();
  // Waits for the writer thread to end.
  void Join();
  bool Busy() const { return busy_; }

  std::uint32_t BlocksToWrite() const { return toWrite_; }
  std::uint32_t BlocksWritten() const { return written_; }
  std::uint32_t ErrorCode() const { return error_; }

 private:
  void Run(SimDrive* drive, WriteJob job, std::uint32_t startBlock, DiscCallback callback, void* context);
  bool Write(SimDrive* drive, const WriteJob& job, std::uint32_t startBlock);
  bool WriteInto(const WriteJob& job, const std::string& image);

  std::thread thread_;
  std::mutex startMutex_;  // held by Start until it returns, so the callback comes after it
  std::atomic<bool> busy_{false};
  std::atomic<bool> stop_{false};
  std::atomic<std::uint32_t> toWrite_{0};
  std::atomic<std::uint32_t> written_{0};
  std::atomic<std::uint32_t> error_{0};
};

// libburn, started once per process; false when it cannot start.
bool EnsureLibburn();

}  // namespace platform::disc
