#include "disc_check.h"

#include <cstdio>

#include "burn_rules.h"
#include "burn_text.h"

namespace auvry {

namespace {

// The capability the writer must report for a kind, 0 for a kind not burned in this mode.
unsigned char CapabilityFor(unsigned char kind, bool dvd) {
  if (!dvd) return kind == 2 ? 11 : kind == 3 ? 12 : 0;
  switch (kind) {
    case 5: return 14;
    case 7:
    case 8:
    case 9: return 15;
    case 10: return 17;
    case 11: return 16;
    default: return 0;
  }
}

bool StillAccepted(unsigned char kind, bool dvd) {
  return dvd ? kind == 1 || kind >= 4 : (kind >= 1 && kind <= 4) || kind >= 12;
}

std::string WithRetry(const std::string& text) { return text + "\n\n" + BurnText(kStrRetry); }

}  // namespace

DiscCheckResult CheckDisc(DiscWriter& writer, bool dvd, std::uint64_t blocksNeeded) {
  DiscCheckResult result;
  if (writer.TestUnitReady() == 0) {
    result.message = BurnText(kStrNotReady) + ".\n" + BurnText(kStrRetry);
    return result;
  }
  const unsigned char capability = CapabilityFor(writer.GetDiscType(), dvd);
  if (capability == 0 || writer.SupportDisc(capability) == 0) {
    writer.UnloadMedium();
    result.message = WithRetry(BurnText(kStrNotSupported) + ". " + BurnText(kStrInsertWritable) + ".");
    return result;
  }
  if (!StillAccepted(writer.GetDiscType(), dvd)) {
    writer.UnloadMedium();
    result.message =
        WithRetry(BurnText(kStrAlreadySelected) + " " + (dvd ? "DVD" : "CD") + ". " + BurnText(kStrRecheck) + ".");
    return result;
  }
  const std::uint64_t free = writer.GetFreeDiscBlock();
  if (free >= blocksNeeded) {
    result.ok = true;
    return result;
  }
  writer.UnloadMedium();
  char figure[48];
  std::snprintf(figure, sizeof figure, "[%7.2fMb]", FreeMegabytes(free));
  result.message = BurnText(kStrWontFit) + " \n\n" + figure;
  return result;
}

}  // namespace auvry
