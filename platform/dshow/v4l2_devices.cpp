#include "platform/dshow/v4l2_devices.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/base/strings.h"
#include "platform/dshow/device_problem.h"
#include "platform/dshow/v4l2_io.h"

namespace platform::dshow::v4l2 {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCaptureInterface = "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

std::string ReadLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return platform::Trim(line);
}

// "0x14f1" or "14f1" as four lower-case hex digits; "" when not hex.
std::string Hex4(std::string text) {
  if (text.rfind("0x", 0) == 0) text = text.substr(2);
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return "";
  text = platform::ToLowerAscii(text);
  return std::string(4 - text.size(), '0') + text;
}

// A part of the path between '#' separators: no '#' and no '\'.
std::string Instance(std::string text) {
  for (char& c : text)
    if (c == '#' || c == '\\' || c == ':' || c == '/') c = '&';
  return text;
}

int NodeNumber(const std::string& name) { return name.size() > 5 ? std::atoi(name.c_str() + 5) : -1; }

}  // namespace

std::string DevicePathOfSysfsDevice(const std::string& deviceLink, const std::string& node,
                                    const std::string& interfaceSuffix) {
  std::error_code ec;
  const fs::path device = fs::canonical(deviceLink, ec);
  if (!ec) {
    // A USB interface: its number beside it, the vendor and product one folder up.
    const std::string iface = ReadLine(device / "bInterfaceNumber");
    const std::string vid = Hex4(ReadLine(device.parent_path() / "idVendor"));
    const std::string pid = Hex4(ReadLine(device.parent_path() / "idProduct"));
    if (!iface.empty() && !vid.empty() && !pid.empty()) {
      const int mi = std::atoi(iface.c_str());
      char head[64];
      std::snprintf(head, sizeof head, "usb#vid_%s&pid_%s&mi_%02x#", vid.c_str(), pid.c_str(), mi & 0xFF);
      return "\\\\?\\" + std::string(head) + Instance(device.parent_path().filename().string()) + interfaceSuffix;
    }
    const std::string ven = Hex4(ReadLine(device / "vendor"));
    const std::string dev = Hex4(ReadLine(device / "device"));
    if (!ven.empty() && !dev.empty()) {
      std::string head = "pci#ven_" + ven + "&dev_" + dev;
      const std::string subVen = Hex4(ReadLine(device / "subsystem_vendor"));
      const std::string subDev = Hex4(ReadLine(device / "subsystem_device"));
      if (!subVen.empty() && !subDev.empty()) head += "&subsys_" + subDev + subVen;
      std::string rev = ReadLine(device / "revision");
      if (rev.rfind("0x", 0) == 0 && rev.size() == 4) head += "&rev_" + rev.substr(2);
      return "\\\\?\\" + head + "#" + Instance(device.filename().string()) + interfaceSuffix;
    }
  }
  // Neither (a virtual driver): a root device of its own.
  return "\\\\?\\root#media#" + Instance(node) + interfaceSuffix;
}

std::string DevicePathOf(const std::string& sysfsRoot, const std::string& node) {
  return DevicePathOfSysfsDevice((fs::path(sysfsRoot) / "class/video4linux" / node / "device").string(), node,
                                 kCaptureInterface);
}

std::vector<Node> CaptureNodes() {
  const Machine machine = CurrentMachine();
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(machine.sysfsRoot) / "class/video4linux", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("video", 0) == 0 && NodeNumber(name) >= 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return NodeNumber(a) < NodeNumber(b); });
  std::vector<Node> nodes;
  for (const auto& name : names) {
    Node n;
    n.file = machine.devRoot + "/" + name;
    const int fd = machine.io->Open(n.file);
    if (fd < 0) {
      const int error = errno;
      if (error == EACCES)
        ReportDeviceProblem(n.file +
                            " cannot be opened: it belongs to the group \"video\"; is the user in the video group?");
      else std::fprintf(stderr, "vidarro: %s: %s\n", n.file.c_str(), std::strerror(error));
      continue;
    }
    v4l2_capability cap{};
    const bool queried = Xioctl(*machine.io, fd, VIDIOC_QUERYCAP, &cap) == 0;
    machine.io->Close(fd);
    if (!queried) continue;
    const std::uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) continue;
    n.name = std::string(reinterpret_cast<const char*>(cap.card),
                         strnlen(reinterpret_cast<const char*>(cap.card), sizeof cap.card));
    if (n.name.empty()) n.name = name;
    n.devicePath = DevicePathOf(machine.sysfsRoot, name);
    nodes.push_back(std::move(n));
  }
  return nodes;
}

}  // namespace platform::dshow::v4l2
