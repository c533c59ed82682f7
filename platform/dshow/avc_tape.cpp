#include "platform/dshow/avc_tape.h"

#include <algorithm>

#include "platform/dshow/device_interfaces.h"

namespace platform::dshow::firewire {

namespace {

constexpr std::uint8_t kControl = 0x00, kStatus = 0x01;
constexpr std::uint8_t kAccepted = 0x09, kStable = 0x0C;
constexpr std::uint8_t kTapeSubunit = 0x20;  // type 4, id 0
constexpr std::uint8_t kUnit = 0xFF;

constexpr std::uint8_t kOutputPlugSignalFormat = 0x18;
constexpr std::uint8_t kLoadMedium = 0xC1, kRecord = 0xC2, kPlay = 0xC3, kWind = 0xC4;
constexpr std::uint8_t kTransportState = 0xD0, kTimeCode = 0x51;

// Operands of PLAY, WIND and RECORD.
constexpr std::uint8_t kForward = 0x75, kForwardPause = 0x7D, kReversePause = 0x6D, kReverse = 0x65;
constexpr std::uint8_t kFastestForward = 0x3F, kFastestReverse = 0x4F;
constexpr std::uint8_t kWindStop = 0x60, kWindRewind = 0x65, kWindFastForward = 0x75, kWindHighSpeedRewind = 0x45;
constexpr std::uint8_t kRecordPause = 0x7D;

// The tape buttons' shuttle modes: play fast forward or backward while the picture shows.
constexpr long kShuttleForward = 4304, kShuttleForwardAlt = 5029;
constexpr long kShuttleReverse = 4905, kShuttleReverseAlt = 5031;

struct Command {
  std::uint8_t opcode;
  std::uint8_t operand;
};

std::optional<Command> CommandFor(long mode) {
  switch (mode) {
    case ED_MODE_PLAY:
    case ED_MODE_THAW: return Command{kPlay, kForward};
    case ED_MODE_STOP: return Command{kWind, kWindStop};
    case ED_MODE_FREEZE: return Command{kPlay, kForwardPause};
    case ED_MODE_FF: return Command{kWind, kWindFastForward};
    case ED_MODE_REW: return Command{kWind, kWindRewind};
    case ED_MODE_RECORD: return Command{kRecord, kForward};
    case kShuttleForward:
    case kShuttleForwardAlt: return Command{kPlay, kFastestForward};
    case kShuttleReverse:
    case kShuttleReverseAlt: return Command{kPlay, kFastestReverse};
    default: return std::nullopt;
  }
}

long ModeOf(std::uint8_t opcode, std::uint8_t state) {
  if (opcode == kRecord) return state == kRecordPause ? ED_MODE_FREEZE : ED_MODE_RECORD;
  if (opcode == kPlay) {
    if (state == kForwardPause || state == kReversePause) return ED_MODE_FREEZE;
    if (state >= 0x39 && state <= 0x3F) return kShuttleForward;
    if ((state >= 0x41 && state <= 0x4F) || state == kReverse) return kShuttleReverse;
    return ED_MODE_PLAY;
  }
  if (opcode == kWind) {
    if (state == kWindRewind || state == kWindHighSpeedRewind) return ED_MODE_REW;
    if (state == kWindFastForward) return ED_MODE_FF;
  }
  return ED_MODE_STOP;
}

bool Bcd(std::uint8_t b) { return (b >> 4) < 10 && (b & 0xF) < 10; }

}  // namespace

std::optional<std::vector<std::uint8_t>> TapeTransport::Ask(std::uint8_t ctype, std::uint8_t subunit,
                                                            std::uint8_t opcode, std::vector<std::uint8_t> operands) {
  std::vector<std::uint8_t> command(3 + operands.size());
  command[0] = ctype;
  command[1] = subunit;
  command[2] = opcode;
  std::copy(operands.begin(), operands.end(), command.begin() + 3);
  std::vector<std::uint8_t> r = bus_.Avc(unit_, command);
  const std::uint8_t wanted = ctype == kControl ? kAccepted : kStable;
  // The answer names the same subunit and opcode as the command.
  if (r.size() < 3 || r[0] != wanted || r[1] != subunit || r[2] != opcode) return std::nullopt;
  return r;
}

bool TapeTransport::SetMode(long mode) {
  const auto c = CommandFor(mode);
  return c && Ask(kControl, kTapeSubunit, c->opcode, {c->operand});
}

std::optional<long> TapeTransport::Mode() {
  const auto r = Ask(kStatus, kTapeSubunit, kTransportState, {0x7F});
  if (!r || r->size() < 5) return std::nullopt;
  return ModeOf((*r)[3], (*r)[4]);
}

bool TapeTransport::HasTape() {
  const auto r = Ask(kStatus, kTapeSubunit, kTransportState, {0x7F});
  return r && r->size() >= 5 && (*r)[3] != kLoadMedium;
}

std::optional<std::uint32_t> TapeTransport::Timecode() {
  const auto r = Ask(kStatus, kTapeSubunit, kTimeCode, {0x71, 0xFF, 0xFF, 0xFF, 0xFF});
  if (!r || r->size() < 8) return std::nullopt;
  // Frames first, hours last, each in BCD.
  const std::uint8_t ff = (*r)[4], ss = (*r)[5], mm = (*r)[6], hh = (*r)[7];
  if (!Bcd(hh) || !Bcd(mm) || !Bcd(ss) || !Bcd(ff)) return std::nullopt;  // 0xFF: no time code on the tape
  return (static_cast<std::uint32_t>(hh) << 24) | (static_cast<std::uint32_t>(mm) << 16) |
         (static_cast<std::uint32_t>(ss) << 8) | ff;
}

PlugFormat TapeTransport::OutputFormat() {
  const auto r = Ask(kStatus, kUnit, kOutputPlugSignalFormat, {0x00, 0xFF, 0xFF, 0xFF, 0xFF});
  if (!r || r->size() < 6) return PlugFormat::Unknown;
  const std::uint8_t fmt = (*r)[4] & 0x3F;
  if (fmt == 0x20) return PlugFormat::Mpeg2Ts;
  if (fmt == 0x00) return ((*r)[5] & 0x80) ? PlugFormat::Dv625 : PlugFormat::Dv525;
  return PlugFormat::Unknown;
}

bool TapeTransport::Answers() { return Ask(kStatus, kTapeSubunit, kTransportState, {0x7F}).has_value(); }

}  // namespace platform::dshow::firewire
