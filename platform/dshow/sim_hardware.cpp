#include "platform/dshow/sim_hardware.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <unordered_map>
#include <mutex>
#include <sstream>

#include "platform/base/hardware_source.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/base/key_file.h"

namespace platform::dshow::sim {

namespace {

std::vector<ProcAmpRange> StandardProcAmp() {
  return {{0, 0, 255, 1, 128, 2},
          {1, 0, 255, 1, 128, 2},
          {2, -128, 127, 1, 0, 2},
          {3, 0, 255, 1, 128, 2},
          {4, 0, 15, 1, 8, 2}};
}

std::vector<VideoFormat> AnalogFormats() {
  std::vector<VideoFormat> f;
  for (auto [w, h] :
       {std::pair{720, 480}, {704, 480}, {640, 480}, {352, 480}, {352, 240}, {320, 240}, {176, 144}, {160, 120}})
    f.push_back({w, h, 333667, MEDIASUBTYPE_YUY2});
  for (auto [w, h] : {std::pair{720, 576}, {704, 576}, {640, 576}, {352, 576}, {352, 288}})
    f.push_back({w, h, 400000, MEDIASUBTYPE_YUY2});
  return f;
}

bool ParseLong(const std::string& text, long* out) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(t.c_str(), &end, 0);
  if (*end != '\0') return false;
  *out = v;
  return true;
}

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, sep)) parts.push_back(Trim(part));
  return parts;
}

bool ParseLongList(const std::string& text, std::vector<long>* out) {
  out->clear();
  for (const auto& p : Split(text, ',')) {
    long v = 0;
    if (!ParseLong(p, &v)) return false;
    out->push_back(v);
  }
  return !out->empty();
}

bool ParseSubtype(const std::string& name, GUID* out) {
  const std::string n = ToUpperAscii(name);
  if (n == "YUY2") *out = MEDIASUBTYPE_YUY2;
  else if (n == "UYVY") *out = MEDIASUBTYPE_UYVY;
  else if (n == "RGB24") *out = MEDIASUBTYPE_RGB24;
  else if (n == "RGB32") *out = MEDIASUBTYPE_RGB32;
  else if (n == "DVSD") *out = MEDIASUBTYPE_dvsd;
  else if (n == "MPEG2_TRANSPORT") *out = MEDIASUBTYPE_MPEG2_TRANSPORT;
  else return false;
  return true;
}

// "720x480@29.97/YUY2"
bool ParseFormat(const std::string& text, VideoFormat* f) {
  unsigned w = 0, h = 0;
  double fps = 0;
  char sub[32] = {};
  if (std::sscanf(text.c_str(), "%ux%u@%lf/%31s", &w, &h, &fps, sub) != 4) return false;
  if (w == 0 || h == 0 || w > 8192 || h > 8192 || !(fps > 0.5 && fps < 1000)) return false;
  f->width = static_cast<LONG>(w);
  f->height = static_cast<LONG>(h);
  f->frameDuration = static_cast<REFERENCE_TIME>(std::llround(1e7 / fps));
  return ParseSubtype(sub, &f->subtype);
}

// "00:01:02:03" to packed BCD.
bool ParseTimecode(const std::string& text, DWORD* out) {
  unsigned hh, mm, ss, ff;
  if (std::sscanf(text.c_str(), "%u:%u:%u:%u", &hh, &mm, &ss, &ff) != 4) return false;
  if (hh > 23 || mm > 59 || ss > 59 || ff > 29) return false;
  auto bcd = [](unsigned v) { return static_cast<DWORD>((v / 10) * 16 + v % 10); };
  *out = (bcd(hh) << 24) | (bcd(mm) << 16) | (bcd(ss) << 8) | bcd(ff);
  return true;
}

bool ParseKind(const std::string& text, DeviceKind* kind) {
  const std::string k = ToLowerAscii(Trim(text));
  if (k == "analog") *kind = DeviceKind::AnalogCard;
  else if (k == "usb") *kind = DeviceKind::UsbBox;
  else if (k == "dv") *kind = DeviceKind::DvCamcorder;
  else if (k == "hdv") *kind = DeviceKind::HdvCamcorder;
  else if (k == "audio") *kind = DeviceKind::AudioInput;
  else if (k == "playback") *kind = DeviceKind::Playback;
  else return false;
  return true;
}

bool ParseBool(const std::string& text, bool* out) {
  const std::string t = Trim(text);
  if (t == "1" || EqualsNoCase(t, "yes") || EqualsNoCase(t, "true")) *out = true;
  else if (t == "0" || EqualsNoCase(t, "no") || EqualsNoCase(t, "false")) *out = false;
  else return false;
  return true;
}

Crossbar* CrossbarAt(DeviceDesc& d, long number) {
  if (number < 1 || number > 8) return nullptr;
  if (d.crossbars.size() < static_cast<std::size_t>(number)) d.crossbars.resize(static_cast<std::size_t>(number));
  return &d.crossbars[static_cast<std::size_t>(number - 1)];
}

// Keys whose value is kept as it is written.
struct TextKey {
  const char* key;
  std::string DeviceDesc::*field;
};
constexpr TextKey kTextKeys[] = {
    {"PATH", &DeviceDesc::devicePath},   {"CLASSGUID", &DeviceDesc::deviceClassGuid},
    {"TAPE", &DeviceDesc::tape},         {"DSDESC", &DeviceDesc::dsDescription},
    {"DSMODULE", &DeviceDesc::dsModule}, {"DSPATH", &DeviceDesc::dsInterface},
};

struct SwitchKey {
  const char* key;
  bool DeviceDesc::*field;
};
constexpr SwitchKey kSwitchKeys[] = {
    {"PNP", &DeviceDesc::pnp},     {"PRESENT", &DeviceDesc::present}, {"AUDIOPIN", &DeviceDesc::audioPin},
    {"VPPIN", &DeviceDesc::vpPin}, {"TUNER", &DeviceDesc::tuner},     {"SIGNAL", &DeviceDesc::signal},
};

// Applies one KEY=value of a device section; false when the key or value is not understood.
bool ApplyKey(DeviceDesc& d, const std::string& key, const std::string& value) {
  const std::string v = Trim(value);
  for (const auto& t : kTextKeys)
    if (key == t.key) {
      d.*t.field = v;
      return true;
    }
  for (const auto& s : kSwitchKeys)
    if (key == s.key) return ParseBool(v, &(d.*s.field));
  if (key == "KIND") return ParseKind(v, &d.kind);
  if (key == "NEEDSVIDEO") return ParseBool(v, &d.needsVideo);
  if (key == "NAME") {
    if (v.empty()) return false;  // skipped: a name given earlier stays
    d.name = v;
    return true;
  }
  if (key == "TVFORMATS") {
    std::vector<long> bits;
    if (!ParseLongList(v, &bits)) return false;
    d.tvFormats = 0;
    for (long b : bits) d.tvFormats |= b;
    return true;
  }
  if (key == "TVFORMAT") return ParseLong(v, &d.tvFormat);
  if (key == "FORMATS") {
    std::vector<VideoFormat> formats;
    for (const auto& p : Split(v, ',')) {
      VideoFormat f;
      if (!ParseFormat(p, &f)) return false;
      formats.push_back(f);
    }
    if (formats.empty()) return false;
    d.formats = formats;
    return true;
  }
  if (key == "PROCAMP") {
    std::vector<ProcAmpRange> ranges;
    for (const auto& p : Split(v, ',')) {
      ProcAmpRange r;
      if (std::sscanf(p.c_str(), "%ld:%ld:%ld:%ld:%ld", &r.property, &r.min, &r.max, &r.step, &r.defaultValue) != 5 ||
          r.min > r.max || r.defaultValue < r.min || r.defaultValue > r.max || r.step <= 0)
        return false;
      ranges.push_back(r);
    }
    d.procAmp = ranges;
    return true;
  }
  if (key == "TIMECODE") return ParseTimecode(v, &d.timecodeStart);
  if (key == "WAVEIN") {
    long id = -1;
    if (!ParseLong(v, &id) || id < -1) return false;
    d.waveInId = static_cast<int>(id);
    return true;
  }
  if (key == "DSGUID") return GuidFromString(v, &d.dsGuid);
  if (key == "LINES") {
    std::vector<std::pair<std::string, unsigned>> lines;
    for (const auto& p : Split(v, ',')) {
      const auto colon = p.rfind(':');
      long type = 0;
      if (colon == std::string::npos || colon == 0 || !ParseLong(p.substr(colon + 1), &type) || type < 4096 ||
          type > 4106)
        return false;
      lines.emplace_back(Trim(p.substr(0, colon)), static_cast<unsigned>(type));
    }
    if (lines.empty()) return false;
    d.playbackLines = std::move(lines);
    return true;
  }
  if (key == "TONE") return ParseToneSignal(v, &d.audioSignal);
  if (key == "NOISE") return ParseNoiseSignal(v, &d.audioSignal);
  if (key == "FILE") {
    if (v.empty()) return false;
    d.audioSignal = AudioSignal{AudioSignal::Kind::File, 1000.0, 0.0, v};
    return true;
  }
  if (key == "STORAGE") {
    std::vector<StorageUnit> units;
    for (const auto& p : Split(v, ',')) {
      const auto colon = p.find(':');
      if (colon == std::string::npos) return false;
      StorageUnit u;
      const std::string type = ToLowerAscii(p.substr(0, colon));
      if (type == "cdrom") u.cdrom = true;
      else if (type != "disk") return false;
      u.mountPoint = p.substr(colon + 1);
      units.push_back(u);
    }
    d.storage = units;
    return true;
  }
  // CROSSBARn=name|inputs|outputs, CROSSBARn.BLOCKED=out:in,..., CROSSBARn.FEEDS=input. The
  // value is parsed whole before the crossbar is touched: a bad line leaves no half crossbar
  // that would take the device with it.
  if (key.rfind("CROSSBAR", 0) == 0) {
    const std::string rest = key.substr(8);
    const auto dot = rest.find('.');
    long number = 0;
    if (!ParseLong(rest.substr(0, dot), &number) || number < 1 || number > 8) return false;
    const std::string field = dot == std::string::npos ? "" : rest.substr(dot + 1);
    if (field.empty()) {
      const auto parts = Split(v, '|');
      std::vector<long> inputs, outputs;
      if (parts.size() != 3 || !ParseLongList(parts[1], &inputs) || !ParseLongList(parts[2], &outputs)) return false;
      Crossbar* x = CrossbarAt(d, number);
      x->name = parts[0];
      x->inputs = std::move(inputs);
      x->outputs = std::move(outputs);
      return true;
    }
    if (field == "BLOCKED") {
      std::vector<std::pair<long, long>> blocked;
      for (const auto& p : Split(v, ',')) {
        long o = 0, i = 0;
        if (std::sscanf(p.c_str(), "%ld:%ld", &o, &i) != 2) return false;
        blocked.emplace_back(o, i);
      }
      CrossbarAt(d, number)->blocked = std::move(blocked);
      return true;
    }
    if (field == "FEEDS") {
      long input = -1;
      if (!ParseLong(v, &input) || input < 0) return false;
      CrossbarAt(d, number)->feedsInput = input;
      return true;
    }
    return false;
  }
  return false;
}

bool Complete(const DeviceDesc& d, std::string* why) {
  if (d.name.empty()) {
    *why = "no NAME";
    return false;
  }
  for (std::size_t i = 0; i < d.crossbars.size(); ++i) {
    const Crossbar& x = d.crossbars[i];
    if (x.inputs.empty() || x.outputs.empty()) {
      *why = "crossbar " + std::to_string(i + 1) + " has no pins";
      return false;
    }
    if (i > 0 && (x.feedsInput < 0 || x.feedsInput >= static_cast<long>(d.crossbars[i - 1].inputs.size()))) {
      *why = "crossbar " + std::to_string(i + 1) + " feeds no input of the crossbar before it";
      return false;
    }
  }
  return true;
}

}  // namespace

std::string UsbIdOf(const std::string& path) {
  const std::string upper = ToUpperAscii(path);
  const auto vid = upper.find("VID_");
  if (vid == std::string::npos) return {};
  const auto pid = upper.find("PID_", vid);
  if (pid == std::string::npos || pid + 8 > upper.size()) return {};
  return upper.substr(vid, pid + 8 - vid);
}

std::vector<DeviceDesc> DefaultDevices() {
  std::vector<DeviceDesc> devices;

  DeviceDesc box;
  box.id = "USBBOX";
  box.kind = DeviceKind::UsbBox;
  box.name = "Vidarro USB Video Capture";
  box.devicePath =
      "\\\\?\\usb#vid_1b80&pid_e309&mi_00#7&2a1b3c4d&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
  box.formats = AnalogFormats();
  box.crossbars.push_back({"Vidarro USB Crossbar", {2, 3, 4097, 4097}, {12, 4105}, {}, -1});
  box.tvFormats = 0x1 | 0x2 | 0x10 | 0x20 | 0x40 | 0x80 | 0x100 | 0x200 | 0x400 | 0x1000;
  box.procAmp = StandardProcAmp();
  devices.push_back(box);

  DeviceDesc audio;
  audio.id = "USBAUDIO";
  audio.kind = DeviceKind::AudioInput;
  audio.name = "Vidarro USB Audio Capture";
  audio.waveInId = 0;
  GuidFromString("{BD6DD71B-3DEB-4F3A-9C1F-5A2B1E6C0D01}", &audio.dsGuid);
  audio.dsDescription = "Vidarro USB Audio Capture";
  audio.dsModule = "usbaudio.sys";
  audio.dsInterface =
      "\\\\?\\usb#vid_1b80&pid_e309&mi_01#7&2a1b3c4d&0&0001#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\global";
  devices.push_back(audio);

  DeviceDesc dv;
  dv.id = "DVCAM";
  dv.kind = DeviceKind::DvCamcorder;
  dv.name = "Vidarro DV Camcorder";
  dv.devicePath =
      "\\\\?\\avc#vidarro&dv_camcorder&camcorder&dv#6500000000000101#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
  dv.formats = {{720, 480, 333667, MEDIASUBTYPE_dvsd}};
  dv.timecodeStart = 0x00010000;
  devices.push_back(dv);

  DeviceDesc hdv;
  hdv.id = "HDVCAM";
  hdv.kind = DeviceKind::HdvCamcorder;
  hdv.name = "Vidarro HDV Camcorder";
  hdv.devicePath =
      "\\\\?\\avc#vidarro&hdv_camcorder&camcorder&hdv#6500000000000102#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
  hdv.deviceClassGuid = "{8C0F6AF2-0EDB-44C1-8AEB-59040BD830ED}";
  hdv.formats = {{1440, 1080, 333667, MEDIASUBTYPE_MPEG2_TRANSPORT}};
  hdv.timecodeStart = 0x00020000;
  devices.push_back(hdv);

  DeviceDesc speakers;
  speakers.id = "SPEAKERS";
  speakers.kind = DeviceKind::Playback;
  speakers.name = "Speakers";
  GuidFromString("{BD6DD71B-3DEB-4F3A-9C1F-5A2B1E6C0D02}", &speakers.dsGuid);
  speakers.dsDescription = "Speakers (High Definition Audio Device)";
  speakers.dsModule = "hdaudio.sys";
  speakers.dsInterface =
      "\\\\?\\hdaudio#func_01&ven_10ec&dev_0888#4&2c2a8f6a&0&0001#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\speakers";
  devices.push_back(speakers);
  return devices;
}

std::vector<DeviceDesc> ParseDevicesFile(const std::string& path, std::vector<std::string>* problems) {
  std::vector<DeviceDesc> devices;
  auto report = [&](const std::string& text) {
    std::fprintf(stderr, "devices.ini: %s\n", text.c_str());
    if (problems) problems->push_back(text);
  };
  ProjectKeyFile file;
  if (!file.Open(path, FALSE)) return devices;
  for (const auto& group : file.Groups()) {
    for (const auto& section : group->Sections()) {
      // Disc writers share the file; the disc library reads those sections.
      const int kind = section->FindKey("KIND");
      if (kind >= 0 && platform::EqualsNoCase(platform::Trim(section->ValueAt(kind)), "writer")) continue;
      DeviceDesc d;
      d.id = section->Name();
      bool hasKind = false;
      for (std::size_t i = 0; i < section->Count(); ++i) {
        const std::string& key = section->KeyAt(i);
        if (key.empty() || key[0] == ';' || key[0] == '#') continue;
        if (!ApplyKey(d, key, section->ValueAt(i))) {
          report("[" + d.id + "] " + key + "=" + section->ValueAt(i) + " skipped");
          continue;
        }
        if (key == "KIND") hasKind = true;
      }
      std::string why;
      if (!hasKind) {
        report("[" + d.id + "] skipped: no valid KIND");
        continue;
      }
      if (!Complete(d, &why)) {
        report("[" + d.id + "] skipped: " + why);
        continue;
      }
      const bool video = d.kind == DeviceKind::AnalogCard || d.kind == DeviceKind::UsbBox ||
                         d.kind == DeviceKind::DvCamcorder || d.kind == DeviceKind::HdvCamcorder;
      if (video && d.formats.empty()) {
        if (d.kind == DeviceKind::DvCamcorder) d.formats = {{720, 480, 333667, MEDIASUBTYPE_dvsd}};
        else if (d.kind == DeviceKind::HdvCamcorder) d.formats = {{1440, 1080, 333667, MEDIASUBTYPE_MPEG2_TRANSPORT}};
        else d.formats = AnalogFormats();
      }
      devices.push_back(std::move(d));
    }
  }
  return devices;
}

struct Hardware::Impl {
  std::mutex mutex;
  bool loaded = false;
  bool simulated = true;
  std::vector<DeviceDesc> devices;
  // Present devices by kind and DirectSound identifier: their position in `devices` and their
  // place among the present devices of their kind. Rebuilt after any change to the list.
  struct SoundEntry {
    std::size_t position;
    int placeOfKind;
  };
  std::unordered_map<std::string, SoundEntry> soundIndex;
  bool soundIndexed = false;
  std::map<int, std::pair<std::string, Watcher>> watchers;
  int lastToken = 0;
};

Hardware& Hardware::Instance() {
  static Hardware* hardware = new Hardware();  // filters may outlive static destruction
  return *hardware;
}

Hardware::Hardware() : impl_(new Impl()) {}

namespace {
std::string SoundKey(DeviceKind kind, const GUID& id) {
  std::string key(1, static_cast<char>(kind));
  key.append(reinterpret_cast<const char*>(&id), sizeof id);
  return key;
}
}  // namespace

void Hardware::LoadLocked() {
  if (impl_->loaded) return;
  impl_->loaded = true;
  impl_->soundIndexed = false;
  // The machine's own devices are listed beside this set by their back ends; it stays empty then.
  const platform::HardwareChoice choice = platform::WhichHardware();
  impl_->simulated = choice.Simulated();
  if (choice.source == platform::HardwareSource::DevicesFile) impl_->devices = ParseDevicesFile(choice.file);
  else if (choice.source == platform::HardwareSource::BuiltIn) impl_->devices = DefaultDevices();
  else impl_->devices.clear();
}

std::vector<DeviceDesc> Hardware::Devices() {
  std::lock_guard lock(impl_->mutex);
  LoadLocked();
  return impl_->devices;
}

void Hardware::Visit(const std::function<bool(const DeviceDesc&)>& visit) {
  std::lock_guard lock(impl_->mutex);
  LoadLocked();
  for (const auto& d : impl_->devices)
    if (visit(d)) return;
}

bool Hardware::Find(const std::string& id, DeviceDesc* out) {
  std::lock_guard lock(impl_->mutex);
  LoadLocked();
  for (const auto& d : impl_->devices)
    if (d.id == id) {
      if (out) *out = d;
      return true;
    }
  return false;
}

bool Hardware::FindByName(const std::string& name, DeviceKind kind, DeviceDesc* out) {
  std::lock_guard lock(impl_->mutex);
  LoadLocked();
  for (const auto& d : impl_->devices)
    if (d.name == name && d.kind == kind) {
      if (out) *out = d;
      return true;
    }
  return false;
}

bool Hardware::FindBySoundId(const GUID& id, DeviceKind kind, DeviceDesc* out, int* placeOfKind) {
  std::lock_guard lock(impl_->mutex);
  LoadLocked();
  if (!impl_->soundIndexed) {
    impl_->soundIndex.clear();
    std::map<DeviceKind, int> places;
    for (std::size_t i = 0; i < impl_->devices.size(); ++i) {
      const auto& d = impl_->devices[i];
      if (!d.present) continue;
      // The first of two devices sharing an identifier answers, as a walk through the list would.
      impl_->soundIndex.try_emplace(SoundKey(d.kind, d.dsGuid), Impl::SoundEntry{i, places[d.kind]});
      ++places[d.kind];
    }
    impl_->soundIndexed = true;
  }
  const auto found = impl_->soundIndex.find(SoundKey(kind, id));
  if (found == impl_->soundIndex.end()) return false;
  if (out) *out = impl_->devices[found->second.position];
  if (placeOfKind) *placeOfKind = found->second.placeOfKind;
  return true;
}

bool Hardware::Simulated() {
  std::lock_guard lock(impl_->mutex);
  LoadLocked();
  return impl_->simulated;
}

void Hardware::SetDevices(std::vector<DeviceDesc> devices) {
  std::lock_guard lock(impl_->mutex);
  impl_->loaded = true;
  impl_->simulated = true;
  impl_->devices = std::move(devices);
  impl_->soundIndexed = false;
}

void Hardware::Reload() {
  std::lock_guard lock(impl_->mutex);
  impl_->loaded = false;
  LoadLocked();
}

void Hardware::Update(const std::string& id, const std::function<void(DeviceDesc&)>& change) {
  std::lock_guard lock(impl_->mutex);
  LoadLocked();
  for (auto& d : impl_->devices)
    if (d.id == id) change(d);
  impl_->soundIndexed = false;
}

void Hardware::Unplug(const std::string& id) {
  std::vector<Watcher> toCall;
  {
    std::lock_guard lock(impl_->mutex);
    LoadLocked();
    for (auto& d : impl_->devices)
      if (d.id == id) d.present = false;
    impl_->soundIndexed = false;
    for (auto& [token, w] : impl_->watchers)
      if (w.first == id) toCall.push_back(w.second);
  }
  for (auto& w : toCall) w(false);
}

void Hardware::Plug(const std::string& id) {
  std::vector<Watcher> toCall;
  {
    std::lock_guard lock(impl_->mutex);
    LoadLocked();
    for (auto& d : impl_->devices)
      if (d.id == id) d.present = true;
    impl_->soundIndexed = false;
    for (auto& [token, w] : impl_->watchers)
      if (w.first == id) toCall.push_back(w.second);
  }
  for (auto& w : toCall) w(true);
}

int Hardware::Watch(const std::string& id, Watcher watcher) {
  std::lock_guard lock(impl_->mutex);
  const int token = ++impl_->lastToken;
  impl_->watchers[token] = {id, std::move(watcher)};
  return token;
}

void Hardware::Unwatch(int token) {
  std::lock_guard lock(impl_->mutex);
  impl_->watchers.erase(token);
}

}  // namespace platform::dshow::sim
