// A writer. A simulated one's medium is an image file that libburn writes as a stdio:
// pseudo-drive, and the medium's state (kind, blank or used, tray, lock) lives in a small file
// beside the image so that every process sees the same disc, also after one of them died
// mid-burn. A real drive (a description with a device node) answers through libburn instead,
// and only its lock and burn flags live here, in memory.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/disc/drive_config.h"

namespace platform::disc {

struct MediumState {
  unsigned char kind = kNoDisc;
  bool used = false;
  bool finalized = false;
  std::uint32_t capacity = 0;
  std::uint32_t usedBlocks = 0;
  // Block where the last session starts (data discs append after it).
  std::uint32_t lastSession = 0;
  bool trayOpen = false;
  bool locked = false;
  // The process whose burn started and has not ended (0: none); a reader takes the disc as used,
  // and once that process is gone the drive is free again.
  int burner = 0;
  bool burning = false;
  int notReadyLeft = 0;
  unsigned char nextBlank = kNoDisc;
};

bool LoadMediumState(const std::string& path, MediumState* state);
bool SaveMediumState(const std::string& path, const MediumState& state);

class SimDrive {
 public:
  explicit SimDrive(DriveDesc desc) : desc_(std::move(desc)) {}

  const DriveDesc& Desc() const { return desc_; }
  MediumState State();
  // Changes the state under the drive's lock and writes it back; false when it cannot be written.
  template <typename F>
  bool Change(F&& change) {
    std::lock_guard lock(mutex_);
    MediumState s = LoadLocked();
    change(s);
    if (desc_.IsReal()) {
      realLocked_ = s.locked;
      realBurning_ = s.burning;
      return true;
    }
    return SaveMediumState(desc_.StatePath(), s);
  }

  // One poll: false while the tray is open, no disc is in, or the drive still spins up.
  bool TestUnitReady();
  // Closes the tray; a tray that was open gets a fresh blank. Returns whether a disc went in.
  bool Load();
  // Opens the tray (refused while locked). Returns whether a disc was in.
  bool Unload(bool* hadDisc);
  void SetLocked(bool locked);
  // Kind of the next blank the tray takes (tests, scripts; also the NEXTBLANK key).
  void SetNextBlank(unsigned char kind);

  // Empties the medium: image and state.
  bool Blank();

 private:
  MediumState LoadLocked();
  MediumState FreshBlank(unsigned char kind) const;
  DriveDesc desc_;
  std::mutex mutex_;
  bool realLocked_ = false;
  bool realBurning_ = false;
};

}  // namespace platform::disc
