// Error codes of the writers, in the SCSI form callers unpack: sense key << 16 | ASC << 8 | ASCQ.
#pragma once

#include <cstdint>

namespace platform::disc {

constexpr std::uint32_t Sense(std::uint32_t key, std::uint32_t asc, std::uint32_t ascq) {
  return key << 16 | asc << 8 | ascq;
}

constexpr std::uint32_t kSenseNoMedium = Sense(0x2, 0x3A, 0x00);          // medium not present
constexpr std::uint32_t kSenseNotReady = Sense(0x2, 0x04, 0x00);          // not ready
constexpr std::uint32_t kSenseWriteError = Sense(0x3, 0x0C, 0x00);        // write error
constexpr std::uint32_t kSenseSourceUnreadable = Sense(0x3, 0x11, 0x00);  // what to burn could not be read
constexpr std::uint32_t kSenseToolMissing = Sense(0x4, 0x44, 0x00);       // imaging tool or library missing
constexpr std::uint32_t kSenseNoSpace = Sense(0x5, 0x21, 0x00);           // burn larger than the free space
constexpr std::uint32_t kSenseBadRequest = Sense(0x5, 0x24, 0x00);        // nothing (valid) to burn
constexpr std::uint32_t kSenseIncompatible = Sense(0x5, 0x30, 0x05);      // medium the writer cannot write
constexpr std::uint32_t kSenseMediumClosed = Sense(0x5, 0x30, 0x00);      // finalized medium
constexpr std::uint32_t kSenseEraseFailed = Sense(0x3, 0x51, 0x00);       // erase failure
constexpr std::uint32_t kSenseAborted = Sense(0xB, 0x00, 0x00);           // stopped by the caller

}  // namespace platform::disc
