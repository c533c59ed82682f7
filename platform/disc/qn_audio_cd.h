// The audio-CD writer: 16-bit stereo 44.1 kHz PCM tracks, each after its pregap, written
// disc-at-once through the write engine. On a simulated drive the disc is a BIN/CUE pair of
// 2352-byte CD-DA sectors (the image and "<drive>.cue" beside it).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/disc/audio_stream.h"
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
  // A PCM file (a WAV file or raw samples); `pregap` in sectors (150 when 0). 0 for a file that
  // cannot be read and for a track past the 99 a disc holds.
  int AddAudio(const char* path, int flags, unsigned short pregap, int reserved);
  int StartBurn(Callback callback, void* context);
  void StopBurn();

  // In 2352-byte sectors.
  unsigned long GetBlocksToWrite();
  unsigned long GetBlocksWritten();
  unsigned long GetErrorCode();

 private:
  platform::disc::DriveSet drives_;
  platform::disc::WriteEngine engine_;
  platform::disc::Eraser eraser_;
  std::vector<platform::disc::AudioTrack> tracks_;
  std::uint32_t sectors_ = 0;
  bool real_ = false;  // the running burn writes a real drive (progress in its sectors)
  std::uint32_t error_ = 0;
};
