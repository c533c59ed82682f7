// The rows of a driver's own controls on a page: sliders for integers, check boxes for booleans,
// drop lists for menus, push buttons for actions. Changes reach the driver at once; Revert puts
// back the values read when the rows were built or last kept.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/dshow/driver_controls.h"

namespace platform::propertyframe {

class DriverControlRows {
 public:
  // The ids of a row's widget and of its value text.
  static constexpr int kWidgetBase = 2000;
  static constexpr int kValueBase = 2100;

  // Builds the rows from `top` on; false when the driver lists nothing to show.
  bool Create(HWND page, IVidarroDriverControls* driver, int top);
  // True when the driver took a change.
  bool OnSlider(HWND slider);
  bool OnCommand(int id, int code);
  void Keep();
  void Revert();

 private:
  HWND Add(const char* className, const char* text, DWORD style, int x, int y, int cx, int cy, int id);
  bool Set(std::size_t row, std::int32_t value);
  void ShowValue(std::size_t row, std::int32_t value);
  void RefreshStates();

  HWND page_ = nullptr;
  CComPtr<IVidarroDriverControls> driver_;
  std::vector<DriverControl> controls_;
  std::vector<std::int32_t> kept_;
};

}  // namespace platform::propertyframe
