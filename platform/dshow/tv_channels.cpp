#include "platform/dshow/tv_channels.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string_view>

namespace platform::dshow {

namespace {

constexpr std::uint64_t kKHz = 1000;

// Runs of evenly spaced channels: channel `first` at `carrierKHz`, each next one `stepKHz` up.
struct Band {
  long first;
  long last;
  std::uint64_t carrierKHz;
  std::uint64_t stepKHz;
};

struct Plan {
  const Band* bands;
  std::size_t count;
  long min;
  long max;
};

// North America over the air (6 MHz channels): VHF 2-6 with the gap between 4 and 5, VHF 7-13,
// UHF 14-69.
constexpr Band kNorthAmericaAir[] = {
    {2, 4, 55250, 6000},
    {5, 6, 77250, 6000},
    {7, 13, 175250, 6000},
    {14, 69, 471250, 6000},
};

// North American cable, the standard plan: 1 sits below 2, 14-22 are the mid band
// (A to I), 23-94 the super and hyper bands, 95-99 the low channels and 100-125 the
// ultra band above 94.
constexpr Band kNorthAmericaCable[] = {
    {1, 1, 73250, 6000},    {2, 4, 55250, 6000},    {5, 6, 77250, 6000},   {7, 13, 175250, 6000},
    {14, 22, 121250, 6000}, {23, 94, 217250, 6000}, {95, 99, 91250, 6000}, {100, 125, 649250, 6000},
};

// Western Europe (CCIR, PAL B/G): E2-E4 in band I (7 MHz), E5-E12 in band III (7 MHz), E21-E69 in
// bands IV and V (8 MHz); E13-E20 do not exist.
constexpr Band kEurope[] = {
    {2, 4, 48250, 7000},
    {5, 12, 175250, 7000},
    {21, 69, 471250, 8000},
};

constexpr Plan kPlanNorthAmericaAir{kNorthAmericaAir, std::size(kNorthAmericaAir), 2, 69};
constexpr Plan kPlanNorthAmericaCable{kNorthAmericaCable, std::size(kNorthAmericaCable), 1, 125};
constexpr Plan kPlanEurope{kEurope, std::size(kEurope), 2, 69};

// Countries on the North American plan: NTSC-M (and Brazil's PAL-M, on the same channels).
constexpr long kNorthAmerican[] = {1, 52, 55, 56, 57, 58, 63, 82, 502, 503, 504, 505, 506, 507, 509, 591, 593, 886};
// Countries that tune by the CCIR channels (PAL B/G; the United Kingdom's PAL I is on UHF only).
// Italy and Ireland number their VHF channels otherwise and are left out.
constexpr long kCcir[] = {30, 31, 32, 34, 41, 43, 44, 45, 46, 47, 49, 90, 351, 352, 354, 358};

// ISO 3166 territories of the countries above.
struct Territory {
  std::string_view code;
  long country;
};
constexpr Territory kTerritories[] = {
    {"US", 1},   {"CA", 1},   {"PR", 1},   {"MX", 52},  {"BR", 55},  {"CL", 56},  {"CO", 57},  {"VE", 58},  {"PH", 63},
    {"KR", 82},  {"GT", 502}, {"SV", 503}, {"HN", 504}, {"NI", 505}, {"CR", 506}, {"PA", 507}, {"HT", 509}, {"BO", 591},
    {"EC", 593}, {"TW", 886}, {"GR", 30},  {"NL", 31},  {"BE", 32},  {"ES", 34},  {"CH", 41},  {"AT", 43},  {"GB", 44},
    {"DK", 45},  {"SE", 46},  {"NO", 47},  {"DE", 49},  {"TR", 90},  {"PT", 351}, {"LU", 352}, {"IS", 354}, {"FI", 358},
};

bool In(const long* begin, const long* end, long country) { return std::find(begin, end, country) != end; }

const Plan* PlanOf(long country, bool cable) {
  if (In(std::begin(kNorthAmerican), std::end(kNorthAmerican), country))
    return cable ? &kPlanNorthAmericaCable : &kPlanNorthAmericaAir;
  // One plan for both inputs there: the special cable channels (S numbers) are not tuned.
  if (In(std::begin(kCcir), std::end(kCcir), country)) return &kPlanEurope;
  return nullptr;
}

}  // namespace

bool HasChannelPlan(long country) { return PlanOf(country, false) != nullptr; }

ChannelRange ChannelsOf(long country, bool cable) {
  const Plan* plan = PlanOf(country, cable);
  return plan ? ChannelRange{plan->min, plan->max} : ChannelRange{};
}

std::uint64_t VideoCarrierHz(long country, bool cable, long channel) {
  const Plan* plan = PlanOf(country, cable);
  if (!plan) return 0;
  for (std::size_t i = 0; i < plan->count; ++i) {
    const Band& b = plan->bands[i];
    if (channel >= b.first && channel <= b.last)
      return (b.carrierKHz + static_cast<std::uint64_t>(channel - b.first) * b.stepKHz) * kKHz;
  }
  return 0;
}

long ChannelAt(long country, bool cable, std::uint64_t carrierHz) {
  const Plan* plan = PlanOf(country, cable);
  if (!plan || carrierHz == 0) return 0;
  constexpr std::uint64_t kHalfStepHz = 31250;
  for (std::size_t i = 0; i < plan->count; ++i) {
    const Band& b = plan->bands[i];
    for (long channel = b.first; channel <= b.last; ++channel) {
      const std::uint64_t hz = (b.carrierKHz + static_cast<std::uint64_t>(channel - b.first) * b.stepKHz) * kKHz;
      if (carrierHz + kHalfStepHz >= hz && carrierHz <= hz + kHalfStepHz) return channel;
    }
  }
  return 0;
}

long LocaleTunerCountry() {
  for (const char* name : {"LC_ALL", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    const std::string_view locale(value);
    const std::size_t underscore = locale.find('_');
    if (underscore == std::string_view::npos) return 1;
    const std::string_view territory = locale.substr(underscore + 1, 2);
    for (const Territory& t : kTerritories)
      if (t.code == territory) return t.country;
    return 1;
  }
  return 1;
}

}  // namespace platform::dshow
