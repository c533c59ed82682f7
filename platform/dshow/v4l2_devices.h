// The machine's video capture devices: every V4L2 node that captures video (not metadata nodes),
// with its card's friendly name and a device path built from sysfs in the form the capture
// engine parses (usb#vid_XXXX&pid_XXXX&mi_NN#... for USB, pci#ven_XXXX&dev_XXXX... for PCI).
#pragma once

#include <string>
#include <vector>

namespace platform::dshow::v4l2 {

struct Node {
  std::string file;        // "/dev/video0"
  std::string name;        // the card's name, the device's friendly name
  std::string devicePath;  // "\\?\usb#vid_534d&pid_2109&mi_00#...#{65e8773d-...}\global"
};

// The capture nodes of the current machine (v4l2_io.h), in node number order. A node that
// cannot be opened is left out with a line on stderr saying why.
std::vector<Node> CaptureNodes();

// The device path of video node `node` ("video0") from the sysfs tree under sysfsRoot.
std::string DevicePathOf(const std::string& sysfsRoot, const std::string& node);

}  // namespace platform::dshow::v4l2
