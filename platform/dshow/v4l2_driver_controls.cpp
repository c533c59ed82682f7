// Every control the driver lists, walked with V4L2_CTRL_FLAG_NEXT_CTRL, with the items of its
// menus (VIDIOC_QUERYMENU, which skips the indices a driver leaves out).
#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>

#include "platform/dshow/v4l2_device.h"

namespace platform::dshow::v4l2 {

namespace {
std::string Name(const std::uint8_t* text, std::size_t size) {
  const auto* begin = reinterpret_cast<const char*>(text);
  return std::string(begin, strnlen(begin, size));
}
}  // namespace

std::vector<DriverControl> Device::DriverControls() {
  std::vector<DriverControl> controls;
  if (fd_ < 0) return controls;
  Io& io = *machine_.io;
  v4l2_queryctrl q{};
  q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
  while (Xioctl(io, fd_, VIDIOC_QUERYCTRL, &q) == 0) {
    const std::uint32_t id = q.id;
    DriverControl c;
    c.id = id;
    c.name = Name(q.name, sizeof q.name);
    c.min = q.minimum;
    c.max = q.maximum;
    c.step = q.step > 0 ? q.step : 1;
    c.defaultValue = q.default_value;
    c.readOnly = q.flags & (V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_GRABBED);
    c.inactive = q.flags & V4L2_CTRL_FLAG_INACTIVE;
    bool shown = !(q.flags & V4L2_CTRL_FLAG_DISABLED);
    switch (q.type) {
      case V4L2_CTRL_TYPE_INTEGER: c.kind = DriverControl::Kind::Integer; break;
      case V4L2_CTRL_TYPE_BOOLEAN: c.kind = DriverControl::Kind::Boolean; break;
      case V4L2_CTRL_TYPE_BUTTON: c.kind = DriverControl::Kind::Button; break;
      case V4L2_CTRL_TYPE_MENU:
      case V4L2_CTRL_TYPE_INTEGER_MENU:
        c.kind = DriverControl::Kind::Menu;
        for (std::int32_t i = q.minimum; i <= q.maximum && i >= 0; ++i) {
          v4l2_querymenu m{};
          m.id = id;
          m.index = static_cast<std::uint32_t>(i);
          if (Xioctl(io, fd_, VIDIOC_QUERYMENU, &m) != 0) continue;
          c.menu.emplace_back(i, q.type == V4L2_CTRL_TYPE_MENU ? Name(m.name, sizeof m.name)
                                                               : std::to_string(static_cast<long long>(m.value)));
        }
        shown = shown && !c.menu.empty();
        break;
      default: shown = false;  // class headers, strings and compound controls
    }
    if (shown) controls.push_back(std::move(c));
    q = v4l2_queryctrl{};
    q.id = id | V4L2_CTRL_FLAG_NEXT_CTRL;
  }
  return controls;
}

}  // namespace platform::dshow::v4l2
