// The audio-CD writer: 16-bit stereo 44.1 kHz PCM tracks, each after a two-second pregap,
// written disc-at-once. On a simulated drive the disc is a BIN/CUE pair of 2352-byte CD-DA
// sectors (the image and "<drive>.cue" beside it).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/disc/drive_set.h"
#include "platform/disc/eraser.h"
#include "platform/disc/write_engine.h"

class CQnAudioCD {
 public:
  using Callback = platform::disc::DiscCallback;

  CQnAudioCD();
  ~CQnAudioCD();
  CQnAudioCD(const CQnAudioCD&) = delete;
  CQnAudioCD& operator=(const CQnAudioCD&) = delete;

  unsigned char GetDriveCount();
  char* GetDriveName(unsigned char index);
  int ChooseDrive(unsigned char index);
  int IsErasable();
  int StartErase(int mode, Callback callback, void* context);
  int LoadMedium();
  int UnloadMedium();
  int TestUnitReady();
  unsigned char GetDiscType();
  int SupportDisc(unsigned char capability);
  unsigned long GetFreeDiscBlock();

  int Free();
  void SetFinalizeDisc(int finalize);
  // A PCM file (a WAV file or raw samples); `pregap` in sectors (150 when 0).
  int AddAudio(const char* path, int flags, unsigned short pregap, int reserved);
  int StartBurn(Callback callback, void* context);
  void StopBurn();

  // In 2352-byte sectors.
  unsigned long GetBlocksToWrite();
  unsigned long GetBlocksWritten();
  unsigned long GetErrorCode();

 private:
  struct Track {
    std::string path;
    std::uint64_t dataOffset = 0;  // where the samples start
    std::uint64_t bytes = 0;
    std::uint32_t pregap = 150;
  };
  void Run(platform::disc::SimDrive* drive, std::vector<Track> tracks, Callback callback, void* context);
  bool Write(platform::disc::SimDrive* drive, const std::vector<Track>& tracks);

  platform::disc::DriveSet drives_;
  platform::disc::Eraser eraser_;
  std::vector<Track> tracks_;
  std::thread thread_;
  std::mutex startMutex_;
  std::atomic<bool> busy_{false};
  std::atomic<bool> stop_{false};
  std::atomic<std::uint32_t> toWrite_{0};
  std::atomic<std::uint32_t> written_{0};
  std::atomic<std::uint32_t> error_{0};
};
