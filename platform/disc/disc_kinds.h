// Disc kinds and writer capabilities: the numbers GetDiscType and SupportDisc speak, their names
// in devices.ini, and how real drives' MMC profiles map onto them.
#pragma once

#include <cstdint>
#include <string>

namespace platform::disc {

// What GetDiscType reports.
enum DiscKind : unsigned char {
  kNoDisc = 0,
  kCdRom = 1,
  kCdR = 2,
  kCdRw = 3,
  kDvdRom = 6,
  kDvdR = 5,
  kDvdRwOverwrite = 7,
  kDvdRwSequential = 8,
  kDvdRam = 9,
  kDvdPlusRw = 10,
  kDvdPlusR = 11,
  kDvdRDualSequential = 15,
  kDvdPlusRDual = 16,
  kDvdRDualJump = 17,
  kBdRom = 19,
  kBdR = 20,
  kBdRe = 21,
};

// What SupportDisc is asked for: the writer writes media of that class.
enum Capability : unsigned char {
  kWritesCdR = 11,
  kWritesCdRw = 12,
  kWritesDvdR = 14,
  kWritesDvdRw = 15,
  kWritesDvdPlusR = 16,
  kWritesDvdPlusRw = 17,
  kWritesDvdRDual = 18,
  kWritesDvdPlusRDual = 19,
  kWritesBdR = 22,
  kWritesBdRe = 23,
};

// Sizes of sectors on the medium.
constexpr std::uint32_t kDataBlockBytes = 2048;
constexpr std::uint32_t kAudioBlockBytes = 2352;

// "DVD+R", "BD-RE", ... (case-insensitive) -> kind; kNoDisc for "none" and anything unknown,
// with *known false for unknown text.
DiscKind KindFromName(const std::string& name, bool* known = nullptr);
std::string KindName(unsigned char kind);
// The capability a writer needs for a kind (0 for kinds nothing writes).
unsigned char CapabilityFor(unsigned char kind);
// Blank capacity in 2048-byte blocks of a kind's usual medium.
std::uint32_t DefaultCapacity(unsigned char kind);
bool IsRewritable(unsigned char kind);
bool IsCd(unsigned char kind);
bool IsBluRay(unsigned char kind);
// A real drive's current MMC profile (0x1B DVD+R, 0x41 BD-R, ...) -> kind.
DiscKind KindFromProfile(int profile);

}  // namespace platform::disc
