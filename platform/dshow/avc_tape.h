// The tape transport of a FireWire camcorder over AV/C: the tape recorder/player subunit's
// PLAY, WIND, RECORD, TRANSPORT STATE and TIME CODE commands, and the unit's OUTPUT PLUG SIGNAL
// FORMAT, spoken in the transport modes and packed BCD time codes of IAMExtTransport.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/dshow/firewire_io.h"

namespace platform::dshow::firewire {

// What the unit's output plug sends.
enum class PlugFormat { Unknown, Dv525, Dv625, Mpeg2Ts };

class TapeTransport {
 public:
  TapeTransport(Bus& bus, Unit unit) : bus_(bus), unit_(std::move(unit)) {}

  // ED_MODE_PLAY, _STOP, _FREEZE, _FF, _REW, _RECORD and the shuttle modes of the tape buttons;
  // false when the mode has no command or the unit refuses it or does not answer.
  bool SetMode(long mode);
  // The transport's state as an ED_MODE_ value; nothing when the unit does not answer.
  std::optional<long> Mode();
  // False without a cassette (the transport reports an ejected medium) or without an answer.
  bool HasTape();
  // hh:mm:ss:ff packed BCD; nothing without an answer or a time code on the tape.
  std::optional<std::uint32_t> Timecode();
  PlugFormat OutputFormat();
  // True when the unit answers at all (a unit switched off or unplugged does not).
  bool Answers();

 private:
  std::optional<std::vector<std::uint8_t>> Ask(std::uint8_t ctype, std::uint8_t subunit, std::uint8_t opcode,
                                               std::vector<std::uint8_t> operands);
  Bus& bus_;
  Unit unit_;
};

}  // namespace platform::dshow::firewire
