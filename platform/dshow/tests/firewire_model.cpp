#include "platform/dshow/tests/firewire_model.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace platform::dshow::firewire::model {

namespace {

constexpr std::uint8_t kAccepted = 0x09, kRejected = 0x0A, kStable = 0x0C, kNotImplemented = 0x08;

// The cycle timer at a frame time: seconds, cycles of 8000 a second and ticks of 3072 a cycle,
// starting half a second before it wraps so every stream crosses the wrap.
std::uint32_t CycleTimerAt(long long slot, PlugFormat format) {
  constexpr long long kTicksPerSecond = 24576000, kWrap = 128 * kTicksPerSecond;
  const long long ticks =
      format == PlugFormat::Dv625 ? slot * kTicksPerSecond / 25 : slot * kTicksPerSecond * 1001 / 30000;
  const long long t = (kWrap - kTicksPerSecond / 2 + ticks) % kWrap;
  const auto seconds = static_cast<std::uint32_t>(t / kTicksPerSecond);
  const auto cycles = static_cast<std::uint32_t>(t / 3072 % 8000);
  const auto offset = static_cast<std::uint32_t>(t % 3072);
  return seconds << 25 | cycles << 12 | offset;
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("vidarro_fw_" + std::to_string(::getpid()) + "_" + name)).string();
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace

class BusModel::ModelReception : public Reception {
 public:
  ModelReception(BusModel* bus, std::uint64_t guid, StreamSink* sink) : bus_(bus), guid_(guid), sink_(sink) {}
  ~ModelReception() override {
    std::lock_guard lock(bus_->mutex_);
    if (Unit_* u = bus_->Find(guid_)) u->receiving = false;
  }
  int Iterate(int timeoutMs) override {
    std::unique_lock lock(bus_->mutex_);
    Unit_* u = bus_->Find(guid_);
    bus_->changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return u->unplugged || !u->queue.empty(); });
    if (u->unplugged) {
      errno = ENODEV;
      return -1;
    }
    if (u->queue.empty()) return 0;
    Item item = std::move(u->queue.front());
    u->queue.pop_front();
    const std::uint32_t cycle = CycleTimerAt(item.slot, u->camera.format);
    if (u->camera.format == PlugFormat::Mpeg2Ts) sink_->TsPackets(item.data.data(), item.data.size(), 0, cycle);
    else sink_->DvFrame(item.data.data(), item.data.size(), item.complete, cycle);
    bus_->changed_.notify_all();
    return 1;
  }

 private:
  BusModel* bus_;
  std::uint64_t guid_;
  StreamSink* sink_;
};

Camera CameraOf(std::uint64_t guid, const std::string& vendor, const std::string& model, PlugFormat format) {
  Camera c;
  c.unit.guid = guid;
  c.unit.vendor = vendor;
  c.unit.model = model;
  c.format = format;
  return c;
}

BusModel::BusModel() { SetBus(this); }
BusModel::~BusModel() { SetBus(nullptr); }

BusModel::Unit_* BusModel::Find(std::uint64_t guid) {
  for (auto& u : units_)
    if (u.camera.unit.guid == guid) return &u;
  return nullptr;
}

void BusModel::Add(const Camera& camera) {
  std::lock_guard lock(mutex_);
  units_.push_back(Unit_{camera, true, false, {}, 0, false});
}

void BusModel::Deny(const BusDenied& denied) {
  std::lock_guard lock(mutex_);
  deny_ = true;
  denied_ = denied;
}

void BusModel::Feed(std::uint64_t guid, const std::vector<std::vector<std::uint8_t>>& items) {
  std::lock_guard lock(mutex_);
  Unit_* u = Find(guid);
  for (const auto& data : items) u->queue.push_back({data, true, u->nextSlot++});
  changed_.notify_all();
}

void BusModel::FeedIncomplete(std::uint64_t guid, const std::vector<std::uint8_t>& frame) {
  std::lock_guard lock(mutex_);
  Unit_* u = Find(guid);
  u->queue.push_back({frame, false, u->nextSlot++});
  changed_.notify_all();
}

void BusModel::Skip(std::uint64_t guid, int frames) {
  std::lock_guard lock(mutex_);
  Find(guid)->nextSlot += frames;
}

void BusModel::SwitchOff(std::uint64_t guid, bool unplugged) {
  std::lock_guard lock(mutex_);
  Unit_* u = Find(guid);
  u->on = false;
  u->unplugged = unplugged;
  changed_.notify_all();
}

bool BusModel::Play(std::uint64_t guid, const std::vector<std::vector<std::uint8_t>>& items,
                    const std::function<void()>& between) {
  Feed(guid, items);
  for (int i = 0; i < 3000; ++i) {
    if (WaitDelivered(guid, 5)) return true;
    between();
  }
  return WaitDelivered(guid, 0);
}

bool BusModel::WaitDelivered(std::uint64_t guid, int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return Find(guid)->queue.empty(); });
}

void BusModel::SetTimecode(std::uint64_t guid, std::uint8_t hh, std::uint8_t mm, std::uint8_t ss, std::uint8_t ff) {
  std::lock_guard lock(mutex_);
  Camera& c = Find(guid)->camera;
  c.timecode[0] = hh;
  c.timecode[1] = mm;
  c.timecode[2] = ss;
  c.timecode[3] = ff;
}

std::vector<std::vector<std::uint8_t>> BusModel::Commands() {
  std::lock_guard lock(mutex_);
  return commands_;
}

void BusModel::ClearCommands() {
  std::lock_guard lock(mutex_);
  commands_.clear();
}

Camera BusModel::CameraState(std::uint64_t guid) {
  std::lock_guard lock(mutex_);
  return Find(guid)->camera;
}

bool BusModel::TapeUnits(std::vector<Unit>* units, BusDenied* denied) {
  std::lock_guard lock(mutex_);
  units->clear();
  if (deny_) {
    *denied = denied_;
    return false;
  }
  for (const auto& u : units_)
    if (!u.unplugged) units->push_back(u.camera.unit);
  return true;
}

std::vector<std::uint8_t> BusModel::Avc(const Unit& unit, const std::vector<std::uint8_t>& command) {
  std::lock_guard lock(mutex_);
  commands_.push_back(command);
  Unit_* u = Find(unit.guid);
  if (!u || !u->on) return {};
  return Answer(*u, command);
}

std::vector<std::uint8_t> BusModel::Answer(Unit_& u, const std::vector<std::uint8_t>& c) {
  if (c.size() < 4) return {kNotImplemented};
  const std::uint8_t ctype = c[0], subunit = c[1], opcode = c[2];
  Camera& cam = u.camera;
  if (subunit == 0xFF && opcode == 0x18 && ctype == 0x01) {
    if (cam.format == PlugFormat::Unknown) return {kNotImplemented, subunit, opcode};
    const std::uint8_t fmt = cam.format == PlugFormat::Mpeg2Ts ? 0xA0 : 0x80;
    const std::uint8_t fdf = cam.format == PlugFormat::Dv625 ? 0x80 : 0x00;
    return {kStable, subunit, opcode, c[3], fmt, fdf, 0x00, 0x00};
  }
  if (subunit != 0x20) return {kNotImplemented, subunit, opcode};
  if (ctype == 0x01 && opcode == 0xD0) {
    if (!cam.cassette) return {kStable, subunit, opcode, 0xC1, 0x60};
    return {kStable, subunit, opcode, cam.transportOpcode, cam.transportState};
  }
  // TIME CODE status: the operands after 0x71 carry frames, seconds, minutes, hours (the order
  // libavc1394's avc1394_vcr_get_timecode2 prints from the answer's second quadlet).
  if (ctype == 0x01 && opcode == 0x51 && c[3] == 0x71)
    return {kStable, subunit, opcode, 0x71, cam.timecode[3], cam.timecode[2], cam.timecode[1], cam.timecode[0]};
  if (ctype == 0x00 && (opcode == 0xC2 || opcode == 0xC3 || opcode == 0xC4)) {
    if (!cam.cassette) return {kRejected, subunit, opcode, c[3]};
    cam.transportOpcode = opcode;
    cam.transportState = c[3];
    return {kAccepted, subunit, opcode, c[3]};
  }
  return {kNotImplemented, subunit, opcode};
}

std::unique_ptr<Reception> BusModel::Receive(const Unit& unit, StreamKind, StreamSink* sink) {
  std::lock_guard lock(mutex_);
  Unit_* u = Find(unit.guid);
  if (!u || !u->on) return nullptr;
  u->receiving = true;
  return std::make_unique<ModelReception>(this, unit.guid, sink);
}

std::vector<std::vector<std::uint8_t>> MakeDvFrames(const std::string& system, const std::string& aspect, int frames) {
  const bool pal = system == "pal";
  const std::string file = TempPath(system + "_" + std::to_string(frames) + ".dv");
  const std::string rate = pal ? "25" : "30000/1001";
  const std::string size = pal ? "720x576" : "720x480";
  const std::string command = "ffmpeg -v error -y -f lavfi -i testsrc=size=" + size + ":rate=" + rate +
                              " -f lavfi -i sine=frequency=1000:sample_rate=48000 -t " +
                              std::to_string((frames + 10) / (pal ? 25.0 : 29.97)) + " -target " + system +
                              "-dv -aspect " + aspect + " -f dv '" + file + "' </dev/null";
  std::vector<std::vector<std::uint8_t>> out;
  if (std::system(command.c_str()) != 0) return out;
  const std::vector<std::uint8_t> bytes = ReadAll(file);
  std::filesystem::remove(file);
  const std::size_t frame = pal ? 144000 : 120000;
  for (std::size_t at = 0; at + frame <= bytes.size() && out.size() < static_cast<std::size_t>(frames); at += frame)
    out.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + frame));
  return out;
}

std::vector<std::vector<std::uint8_t>> MakeHdvChunks(int frames) {
  const std::string file = TempPath("hdv_" + std::to_string(frames) + ".ts");
  const std::string command =
      "ffmpeg -v error -y -f lavfi -i testsrc=size=1440x1080:rate=30000/1001 -f lavfi -i "
      "sine=frequency=1000:sample_rate=48000 -frames:v " +
      std::to_string(frames) +
      " -c:v mpeg2video -b:v 25M -minrate 25M -maxrate 25M -bufsize 7M -flags +ilme+ildct -top 1 -g 15 -bf 2"
      " -aspect 16:9 -c:a mp2 -b:a 384k -ac 2 -f mpegts '" +
      file + "' </dev/null";
  std::vector<std::vector<std::uint8_t>> out;
  if (std::system(command.c_str()) != 0) return out;
  const std::vector<std::uint8_t> bytes = ReadAll(file);
  std::filesystem::remove(file);
  const std::size_t packets = bytes.size() / 188;
  for (int i = 0; i < frames; ++i) {
    const std::size_t first = packets * static_cast<std::size_t>(i) / static_cast<std::size_t>(frames);
    const std::size_t last = packets * static_cast<std::size_t>(i + 1) / static_cast<std::size_t>(frames);
    out.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(first * 188),
                     bytes.begin() + static_cast<std::ptrdiff_t>(last * 188));
  }
  return out;
}

}  // namespace platform::dshow::firewire::model
