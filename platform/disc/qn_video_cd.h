// The Video CD and Super Video CD writer: burns the BIN/CUE pair vcdxbuild made. On a simulated
// writer the disc becomes a BIN/CUE pair as an audio CD does: the image, also named "<drive>.bin",
// and "<drive>.cue" beside it. A real drive is written disc-at-once by cdrdao.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/disc/drive_set.h"
#include "platform/disc/write_engine.h"

class CQnVideoCD {
 public:
  using Callback = platform::disc::DiscCallback;

  CQnVideoCD();
  ~CQnVideoCD();
  CQnVideoCD(const CQnVideoCD&) = delete;
  CQnVideoCD& operator=(const CQnVideoCD&) = delete;

  unsigned char GetDriveCount();
  char* GetDriveName(unsigned char index);
  int ChooseDrive(unsigned char index);
  char GetDriveLetter();
  unsigned char GetDiscType();
  // Blocks holding data (0 on a blank disc) and blocks still writable.
  unsigned long GetTotalDiscBlock();
  unsigned long GetFreeDiscBlock();
  void SetWriteSpeed(int kbPerSecond);

  // Nonzero when the burn started; the callback then comes once, from another thread.
  int StartBurnCue(const char* cuePath, Callback callback, void* context);
  void StopBurn();

  // In 2352-byte sectors.
  unsigned long GetBlocksToWrite();
  unsigned long GetBlocksWritten();
  unsigned long GetErrorCode();
  // A real drive's own words for a failed write (cdrdao's), else empty.
  std::string GetErrorText() const;

 private:
  int StartReal(const std::string& cuePath, std::uint32_t sectors, Callback callback, void* context);
  int Refuse(std::uint32_t code);

  platform::disc::DriveSet drives_;
  platform::disc::WriteEngine engine_;
  std::thread cdrdao_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> real_{false};
  std::atomic<std::uint32_t> realWritten_{0};
  std::uint32_t sectors_ = 0;
  int speed_ = 0;
  std::atomic<std::uint32_t> error_{0};
  mutable std::mutex textMutex_;
  std::string errorText_;
};
