// The broadcast and cable channel plans a TV tuner tunes by: a channel number, the country code
// (as a telephone country code) and the tuner's input give the channel's video carrier.
#pragma once

#include <cstdint>

namespace platform::dshow {

struct ChannelRange {
  long min = 0;
  long max = 0;
};

// Whether the country has a plan here.
bool HasChannelPlan(long country);

// The lowest and highest channel number of the country's plan for that input (cable or not).
ChannelRange ChannelsOf(long country, bool cable);

// The video carrier of the channel in Hz; 0 when the plan has no such channel (a number in a
// gap of the plan, or a country without one).
std::uint64_t VideoCarrierHz(long country, bool cable, long channel);

// The channel of the plan whose video carrier is within half a tuning step (31.25 kHz) of
// `carrierHz`; 0 when none is.
long ChannelAt(long country, bool cable, std::uint64_t carrierHz);

// The country code of the system's locale (LC_ALL, else LANG: "de_DE.UTF-8" is 49) when it has a
// plan here, else 1: a tuner starts in the user's own country, as the system's tuners do.
long LocaleTunerCountry();

}  // namespace platform::dshow
