// A model of the FireWire bus at the seam of firewire_io.h: camcorders that answer AV/C tape
// commands as the tape recorder/player subunit does (a transport state, a time code, the output
// plug's signal format) and stream what a test feeds them through the callbacks libiec61883
// calls, stamped with a running cycle timer. A test switches a camcorder off, breaks its stream,
// loses frames or refuses the bus. Streams made with ffmpeg come from MakeDvFrames/MakeHdvChunks.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/avc_tape.h"
#include "platform/dshow/firewire_io.h"

namespace platform::dshow::firewire::model {

struct Camera {
  Unit unit;
  PlugFormat format = PlugFormat::Dv525;
  bool cassette = true;
  std::uint8_t transportOpcode = 0xC4;                  // WIND
  std::uint8_t transportState = 0x60;                   // STOP
  std::uint8_t timecode[4] = {0x00, 0x00, 0x00, 0x00};  // hh mm ss ff, BCD; 0xFF: none
};

// A camcorder of that GUID and config ROM names, its tape stopped.
Camera CameraOf(std::uint64_t guid, const std::string& vendor, const std::string& model,
                PlugFormat format = PlugFormat::Dv525);

class BusModel : public Bus {
 public:
  BusModel();  // in place of the machine's bus until destroyed
  ~BusModel() override;

  void Add(const Camera& camera);
  void Deny(const BusDenied& denied);  // the bus cannot be opened
  // What the camcorder streams next: DV frames, or transport-stream chunks of one frame's time.
  void Feed(std::uint64_t guid, const std::vector<std::vector<std::uint8_t>>& items);
  // A frame the bus lost packets of, and frame times that pass with nothing sent.
  void FeedIncomplete(std::uint64_t guid, const std::vector<std::uint8_t>& frame);
  void Skip(std::uint64_t guid, int frames);
  // Off: the unit answers nothing; unplugged also breaks a running stream at once.
  void SwitchOff(std::uint64_t guid, bool unplugged);
  // Feeds the items and runs `between` (the test moving its clock on, answering the graph's
  // events) until they have all been handed to a sink; false when they never are.
  bool Play(std::uint64_t guid, const std::vector<std::vector<std::uint8_t>>& items,
            const std::function<void()>& between);
  // Waits until everything fed has been handed to a sink; false after timeoutMs.
  bool WaitDelivered(std::uint64_t guid, int timeoutMs);
  void SetTimecode(std::uint64_t guid, std::uint8_t hh, std::uint8_t mm, std::uint8_t ss, std::uint8_t ff);

  // Every AV/C command frame sent, in order.
  std::vector<std::vector<std::uint8_t>> Commands();
  void ClearCommands();
  Camera CameraState(std::uint64_t guid);

  bool TapeUnits(std::vector<Unit>* units, BusDenied* denied) override;
  std::vector<std::uint8_t> Avc(const Unit& unit, const std::vector<std::uint8_t>& command) override;
  std::unique_ptr<Reception> Receive(const Unit& unit, StreamKind kind, StreamSink* sink) override;

 private:
  struct Item {
    std::vector<std::uint8_t> data;
    bool complete = true;
    long long slot = 0;  // frame time it is sent at
  };
  struct Unit_ {
    Camera camera;
    bool on = true;
    bool unplugged = false;
    std::deque<Item> queue;
    long long nextSlot = 0;
    bool receiving = false;
  };
  class ModelReception;
  Unit_* Find(std::uint64_t guid);
  std::vector<std::uint8_t> Answer(Unit_& u, const std::vector<std::uint8_t>& c);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Unit_> units_;
  BusDenied denied_;
  bool deny_ = false;
  std::vector<std::vector<std::uint8_t>> commands_;
};

// DV frames made by ffmpeg: "ntsc" or "pal", aspect "4:3" or "16:9", frames long; a moving
// test picture with a 1 kHz tone. Empty when ffmpeg cannot make them.
std::vector<std::vector<std::uint8_t>> MakeDvFrames(const std::string& system, const std::string& aspect, int frames);
// An HDV-like transport stream made by ffmpeg (MPEG-2 1440x1080 interlaced 16:9 at 29.97, MPEG-1
// Layer II sound) cut into chunks of whole packets, one per frame time.
std::vector<std::vector<std::uint8_t>> MakeHdvChunks(int frames);

}  // namespace platform::dshow::firewire::model
