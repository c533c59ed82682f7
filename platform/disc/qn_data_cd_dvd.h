// The disc writer of the wizard and the audio recorder's data discs: drives and media, erase,
// and burns of a DVD-Video folder, a BDMV folder (UDF), a data compilation or an ISO image,
// all through the one write engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/disc/drive_set.h"
#include "platform/disc/eraser.h"
#include "platform/disc/write_engine.h"

namespace platform::disc {
class DataCompilation;
}

class CQnDataCDDVD {
 public:
  using Callback = platform::disc::DiscCallback;

  CQnDataCDDVD();
  ~CQnDataCDDVD();
  CQnDataCDDVD(const CQnDataCDDVD&) = delete;
  CQnDataCDDVD& operator=(const CQnDataCDDVD&) = delete;

  // Opens the engine and lists the drives (all classes until SetBurnMode narrows them).
  int Initialize();
  int Uninitialize();
  // 0 DVD, 1 CD, 8 Blu-ray: which writers GetDriveCount lists.
  void SetBurnMode(unsigned char mode);

  unsigned char GetDriveCount();
  // "D: name (image)"; the text stays valid until the drive list changes.
  char* GetDriveName(unsigned char index);
  int ChooseDrive(unsigned char index);
  char GetDriveLetter();

  int TestUnitReady();
  int LoadMedium();
  int UnloadMedium();
  int LockMedium();
  int UnlockMedium();
  unsigned char GetDiscType();
  int SupportDisc(unsigned char capability);
  // Blocks holding data (0 on a blank disc) and blocks still writable.
  unsigned long GetTotalDiscBlock();
  unsigned long GetFreeDiscBlock();

  int GetWriteSpeedCount();
  int GetWriteSpeed(int index);  // KB/s
  void SetWriteSpeed(int kbPerSecond);

  int IsErasable();
  int StartErase(int mode, Callback callback, void* context);
  int TestEraseEnd();
  int TestEraseSuccess();
  int GetEraseProgress();

  // Empties the compilation and forgets the last burn's options.
  int Free();
  void SetDiscLabel(const char* label);
  void SetFinalizeDisc(int finalize);
  unsigned long Ready();
  // Reads the last session of an appendable disc so that the next data burn keeps its files.
  // Returns the files found.
  unsigned long LoadSession();
  void AddFile(const char* discFolder, const char* path, const char* longName, const char* shortName);

  // Burns; nonzero when the burn started, and then the callback comes once.
  int StartBurnVideoTSFolder(const char* folder, Callback callback, void* context);
  int StartBurnFolderInUDF(const char* folder, Callback callback, void* context);
  int StartBurnData(Callback callback, void* context);
  int StartBurnImage(const char* isoPath, Callback callback, void* context);
  void StopBurn();

  unsigned long GetBlocksToWrite();
  unsigned long GetBlocksWritten();
  unsigned long GetErrorCode();

 private:
  int StartFolder(int kind, const char* folder, Callback callback, void* context);
  int Refuse(std::uint32_t code);

  platform::disc::DriveSet drives_;
  platform::disc::WriteEngine engine_;
  platform::disc::Eraser eraser_;
  std::unique_ptr<platform::disc::DataCompilation> compilation_;
  bool initialized_ = false;
  unsigned char burnMode_ = 0xFF;
  std::string label_;
  bool finalize_ = true;
  int speed_ = 0;
  std::uint32_t error_ = 0;
};
