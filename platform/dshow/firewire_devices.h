// The machine's FireWire camcorders: every unit on the bus with a tape recorder/player
// subunit, a DV or an HDV capture device by what its output plug sends, under its model name
// and with a device path in the form the capture engine parses, unique per unit (its GUID):
// avc#VENDOR&MODEL&camcorder&dv#GUID#{65e8773d-...}\global.
#pragma once

#include <string>
#include <vector>

#include "platform/dshow/firewire_io.h"

namespace platform::dshow::firewire {

struct Camcorder {
  Unit unit;
  std::string name;
  std::string devicePath;
  bool hdv = false;
  bool pal = false;  // DV only: 625 lines at 25 frames
  // DV only: false when the unit would not say what its plug sends; the stream's first frame
  // tells.
  bool systemKnown = true;
};

// The camcorders of the current bus (firewire_io.h). A bus the user may not open gives none and
// a line on stderr naming the device node and its group.
std::vector<Camcorder> Camcorders();

// The device path of a unit, from its config ROM names and GUID.
std::string DevicePathOf(const Unit& unit, bool hdv);

// The DeviceClassGUID HDV camcorders report.
inline constexpr const char* kHdvClassGuid = "{8C0F6AF2-0EDB-44C1-8AEB-59040BD830ED}";

}  // namespace platform::dshow::firewire
