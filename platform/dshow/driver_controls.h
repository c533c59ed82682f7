// The controls a capture driver offers of its own, beyond the ProcAmp properties it maps: each
// with its type (integer, boolean, menu), range and menu items, read and set by the driver's id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/unknown.h"

DEFINE_GUID(IID_IVidarroDriverControls, 0x8E3C1F52, 0x40A9, 0x4B6D, 0x93, 0x1E, 0x7A, 0x25, 0xD0, 0x4C, 0x61, 0xB8);

struct DriverControl {
  enum class Kind { Integer, Boolean, Menu, Button };
  std::uint32_t id = 0;
  Kind kind = Kind::Integer;
  std::string name;
  std::int32_t min = 0, max = 0, step = 1, defaultValue = 0;
  bool readOnly = false;
  bool inactive = false;  // another control's setting makes it meaningless for now (an Auto that is on)
  std::vector<std::pair<std::int32_t, std::string>> menu;  // the items the driver lists, by value
};

struct IVidarroDriverControls : public IUnknown {
  STDMETHOD(GetDriverControls)(std::vector<DriverControl>* controls) PURE;
  STDMETHOD(GetDriverControl)(std::uint32_t id, std::int32_t* value) PURE;
  STDMETHOD(SetDriverControl)(std::uint32_t id, std::int32_t value) PURE;
};
VIDARRO_INTERFACE(IVidarroDriverControls, IUnknown, IID_IVidarroDriverControls);
