// The seam between the FireWire camcorder back end and the IEEE 1394 libraries: the units on
// the bus (libraw1394, the config ROM), one AV/C command frame to a unit (FCP through
// libavc1394), and the isochronous stream of a unit as libiec61883 delivers it to its
// callbacks. Tests put a bus model here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::dshow::firewire {

struct Unit {
  int port = 0;
  std::uint16_t node = 0;  // node id on its port; changes with a bus reset, the GUID does not
  std::uint64_t guid = 0;
  std::string vendor;  // from the config ROM's text leaves
  std::string model;
};

// Why the bus could not be looked at: the node the user may not open and the group that owns it.
struct BusDenied {
  std::string node;   // "/dev/fw1"
  std::string group;  // "video", "disk"
};

enum class StreamKind { Dv, Mpeg2Ts };

// Receives what libiec61883 hands its callbacks, with the bus cycle timer read at that moment.
class StreamSink {
 public:
  virtual ~StreamSink() = default;
  // One DV frame; complete false when packets of it were lost.
  virtual void DvFrame(const std::uint8_t* data, std::size_t size, bool complete, std::uint32_t cycleTimer) = 0;
  // One or more 188-byte transport stream packets; dropped counts the packets lost before them.
  virtual void TsPackets(const std::uint8_t* data, std::size_t size, unsigned dropped, std::uint32_t cycleTimer) = 0;
};

class Reception {
 public:
  virtual ~Reception() = default;
  // Waits up to timeoutMs and hands what arrived to the sink: 1 when something arrived, 0 on
  // time-out, -1 with errno when the stream broke (the unit or the bus went away).
  virtual int Iterate(int timeoutMs) = 0;
};

class Bus {
 public:
  virtual ~Bus() = default;
  // The units on every port that have an AV/C tape recorder/player subunit. False when the bus
  // cannot be opened; *denied is filled when that is for want of permission.
  virtual bool TapeUnits(std::vector<Unit>* units, BusDenied* denied) = 0;
  // One AV/C command frame (ctype, subunit, opcode, operands) to the unit; its response frame,
  // empty when the unit does not answer.
  virtual std::vector<std::uint8_t> Avc(const Unit& unit, const std::vector<std::uint8_t>& command) = 0;
  // Connects the unit's output plug to this machine and starts receiving; null on failure.
  virtual std::unique_ptr<Reception> Receive(const Unit& unit, StreamKind kind, StreamSink* sink) = 0;
};

// The bus the back end uses now: the machine's, unless a test put a model in its place.
Bus& CurrentBus();
// Puts a bus model in place of the machine's (tests); null puts the machine's back.
void SetBus(Bus* bus);

// 100-ns units between two readings of the 1394 cycle timer (seconds, 8000 cycles of 3072
// ticks), the later one taken as less than 128 s after the earlier.
std::int64_t CycleTimerDelta(std::uint32_t earlier, std::uint32_t later);

}  // namespace platform::dshow::firewire
