#include "platform/dshow/firewire_devices.h"

#include <cctype>

#include "platform/dshow/avc_tape.h"
#include "platform/dshow/device_problem.h"

namespace platform::dshow::firewire {

namespace {

// A path segment: lower case, letters and digits, anything else an underscore.
std::string Segment(const std::string& text, const char* fallback) {
  std::string s;
  for (unsigned char c : text) s += std::isalnum(c) ? static_cast<char>(std::tolower(c)) : '_';
  return s.empty() ? fallback : s;
}

}  // namespace

std::string DevicePathOf(const Unit& unit, bool hdv) {
  char guid[17];
  std::snprintf(guid, sizeof guid, "%016llx", static_cast<unsigned long long>(unit.guid));
  const char* kind = hdv ? "hdv" : "dv";
  return "\\\\?\\avc#" + Segment(unit.vendor, "vendor") + "&" + Segment(unit.model, "camcorder") + "&camcorder&" +
         kind + "#" + guid + "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
}

std::vector<Camcorder> Camcorders() {
  Bus& bus = CurrentBus();
  std::vector<Unit> units;
  BusDenied denied;
  const bool opened = bus.TapeUnits(&units, &denied);
  if (!denied.node.empty()) {
    ReportDeviceProblem("The FireWire bus cannot be opened: " + denied.node + " belongs to the group \"" +
                        denied.group + "\"; is the user in the " + denied.group + " group?");
  }
  std::vector<Camcorder> out;
  if (!opened) return out;
  for (const Unit& u : units) {
    Camcorder c;
    c.unit = u;
    const PlugFormat format = TapeTransport(bus, u).OutputFormat();
    c.hdv = format == PlugFormat::Mpeg2Ts;
    c.pal = format == PlugFormat::Dv625;
    c.systemKnown = format != PlugFormat::Unknown;
    const std::string model = u.model.empty() ? (c.hdv ? "HDV Camcorder" : "DV Camcorder") : u.model;
    c.name = u.vendor.empty() || model.rfind(u.vendor, 0) == 0 ? model : u.vendor + " " + model;
    c.devicePath = DevicePathOf(u, c.hdv);
    out.push_back(std::move(c));
  }
  return out;
}

}  // namespace platform::dshow::firewire
