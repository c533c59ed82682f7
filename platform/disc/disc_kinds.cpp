#include "platform/disc/disc_kinds.h"

#include <iterator>

#include "platform/base/strings.h"

namespace platform::disc {
namespace {

struct KindInfo {
  DiscKind kind;
  const char* name;
  unsigned char capability;
  std::uint32_t capacity;
  bool rewritable;
  int profile;
};

// Capacities: an 80-minute CD, a 4.7 GB DVD, an 8.5 GB DVD, a 25 GB BD.
constexpr KindInfo kKinds[] = {
    {kCdRom, "CD-ROM", 0, 0, false, 0x08},
    {kCdR, "CD-R", kWritesCdR, 359847, false, 0x09},
    {kCdRw, "CD-RW", kWritesCdRw, 359847, true, 0x0A},
    {kDvdRom, "DVD-ROM", 0, 0, false, 0x10},
    {kDvdR, "DVD-R", kWritesDvdR, 2298496, false, 0x11},
    {kDvdRam, "DVD-RAM", kWritesDvdRw, 2295104, true, 0x12},
    {kDvdRwOverwrite, "DVD-RW", kWritesDvdRw, 2297888, true, 0x13},
    {kDvdRwSequential, "DVD-RW SEQ", kWritesDvdRw, 2297888, true, 0x14},
    {kDvdRDualSequential, "DVD-R DL", kWritesDvdRDual, 4171712, false, 0x15},
    {kDvdRDualJump, "DVD-R DL JUMP", kWritesDvdRDual, 4171712, false, 0x16},
    {kDvdPlusRw, "DVD+RW", kWritesDvdPlusRw, 2295104, true, 0x1A},
    {kDvdPlusR, "DVD+R", kWritesDvdPlusR, 2295104, false, 0x1B},
    {kDvdPlusRDual, "DVD+R DL", kWritesDvdPlusRDual, 4173824, false, 0x2B},
    {kBdRom, "BD-ROM", 0, 0, false, 0x40},
    {kBdR, "BD-R", kWritesBdR, 12219392, false, 0x41},
    {kBdRe, "BD-RE", kWritesBdRe, 12219392, true, 0x43},
};

const KindInfo* Find(unsigned char kind) {
  for (const auto& k : kKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}

}  // namespace

DiscKind KindFromName(const std::string& name, bool* known) {
  const std::string upper = platform::ToUpperAscii(platform::Trim(name));
  if (known) *known = true;
  if (upper == "NONE") return kNoDisc;
  for (const auto& k : kKinds)
    if (upper == k.name) return k.kind;
  if (known) *known = false;
  return kNoDisc;
}

std::string KindName(unsigned char kind) {
  const KindInfo* k = Find(kind);
  return k ? k->name : "none";
}

unsigned char CapabilityFor(unsigned char kind) {
  const KindInfo* k = Find(kind);
  return k ? k->capability : 0;
}

std::uint32_t DefaultCapacity(unsigned char kind) {
  const KindInfo* k = Find(kind);
  return k ? k->capacity : 0;
}

bool IsRewritable(unsigned char kind) {
  const KindInfo* k = Find(kind);
  return k && k->rewritable;
}

bool IsCd(unsigned char kind) { return kind >= kCdRom && kind <= kCdRw; }

bool IsBluRay(unsigned char kind) { return kind >= kBdRom && kind <= kBdRe; }

DiscKind KindFromProfile(int profile) {
  if (profile == 0x42) return kBdR;  // BD-R in random recording mode
  for (const auto& k : kKinds)
    if (k.profile == profile) return k.kind;
  return kNoDisc;
}

}  // namespace platform::disc
