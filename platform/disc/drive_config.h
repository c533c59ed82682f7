// The simulated disc writers of this machine: the writer sections of devices.ini (see README.md)
// or the built-in writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/disc/disc_kinds.h"

namespace platform::disc {

struct WriteFault {
  std::uint32_t block = 0;  // the write fails when it reaches this block of the burn
  std::uint32_t sense = 0;  // key << 16 | ASC << 8 | ASCQ
};

struct DriveDesc {
  std::string id;                     // section name; names the image and its medium state
  std::string realAddress;            // a real drive's device node; empty for a simulated drive
  std::string name;                   // shown to the user
  std::vector<unsigned char> writes;  // capabilities (Capability)
  // Medium in the drive when its state file does not exist yet.
  unsigned char medium = kNoDisc;
  bool mediumUsed = false;       // holds data
  bool mediumFinalized = false;  // closed: nothing more can be appended
  std::uint32_t capacity = 0;    // blocks; 0: the kind's usual size
  std::uint32_t usedBlocks = 0;
  std::vector<int> speeds;            // KB/s, fastest first
  std::string imageFolder;            // ends in "/"
  unsigned char nextBlank = kNoDisc;  // kind of the blank that closing the tray inserts (0: first writable)
  int notReadyPolls = 0;              // TestUnitReady fails this many times after each load
  bool hasWriteFault = false;
  WriteFault writeFault;
  bool eraseFails = false;
  std::uint32_t eraseMs = 10000;  // suite-clock time of an erase
  std::uint32_t pace = 0;         // blocks per suite-clock second; 0: as fast as it goes

  std::string ImagePath() const { return imageFolder + id + ".img"; }
  std::string StatePath() const { return imageFolder + id + ".medium"; }
  bool Writes(unsigned char capability) const;
  bool IsReal() const { return !realAddress.empty(); }
  // The writable kind that a fresh blank of this drive is.
  unsigned char BlankKind() const;
};

// The built-in writer: takes CD-R/RW, DVD±R/RW, DVD+R DL and BD-R/RE, holds a blank DVD+R.
std::vector<DriveDesc> DefaultDrives();
// The writer sections (KIND=writer) of a devices.ini text; other sections are left to their
// readers. A malformed section is skipped with a line on stderr (and in *problems).
std::vector<DriveDesc> ParseDriveSections(const std::string& path, std::vector<std::string>* problems = nullptr);
// From DevicesFilePath() when the file exists, else the built-in writer.
std::vector<DriveDesc> ConfiguredDrives();
// Where images go when a section names no folder.
std::string DefaultImageFolder();

}  // namespace platform::disc
