#include "platform/dshow/cfgmgr.h"

#include <atomic>
#include <cstring>
#include <map>

#include "platform/base/strings.h"
#include "platform/dshow/sim_hardware.h"

namespace platform::dshow::sim {

namespace {

struct Node {
  std::string id;
  std::string className;  // setup class name ("" with no class GUID)
  GUID classGuid;
  bool hasClass = false;
  std::string enumerator;
  int parent = -1;
  std::vector<int> children;
};

struct Tree {
  std::vector<Node> nodes;
};

std::atomic<bool> unavailable{false};

int AddNode(Tree& t, int parent, std::string id, const char* className, const GUID* guid, std::string enumerator) {
  Node n;
  n.id = std::move(id);
  if (guid) {
    n.hasClass = true;
    n.classGuid = *guid;
    n.className = className;
  }
  n.enumerator = std::move(enumerator);
  n.parent = parent;
  t.nodes.push_back(n);
  const int index = static_cast<int>(t.nodes.size()) - 1;
  if (parent >= 0) t.nodes[static_cast<std::size_t>(parent)].children.push_back(index);
  return index;
}

std::string SerialOf(const std::string& usbId) {
  unsigned h = 2166136261u;
  for (char c : usbId) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return Format("%08X", h);
}

std::string StorageIdOf(const std::string& usbId, const StorageUnit& unit, std::size_t index) {
  const std::string product = Format("PROD_%s", usbId.substr(usbId.find("PID_") + 4, 4).c_str());
  return Format("USBSTOR\\%s&VEN_VIDARRO&%s&REV_1.00\\%s&%zu", unit.cdrom ? "CDROM" : "DISK", product.c_str(),
                SerialOf(usbId).c_str(), index);
}

Tree BuildTree() {
  Tree t;
  const int root = AddNode(t, -1, "HTREE\\ROOT\\0", "", nullptr, "");
  const int usbHost = AddNode(t, root, "PCI\\VEN_8086&DEV_1E31&SUBSYS_00000000&REV_04\\3&11583659&0&A0", "USB",
                              &GUID_DEVCLASS_USB, "PCI");
  const int avc =
      AddNode(t, root, "PCI\\VEN_104C&DEV_8023&SUBSYS_00000000&REV_00\\4&3A1F2B10&0&20F0", "1394", nullptr, "PCI");
  std::map<std::string, int> usbDevices;
  int pciIndex = 0, avcIndex = 0;
  for (const auto& d : Hardware::Instance().Devices()) {
    if (!d.present || d.kind == DeviceKind::Playback) continue;
    const std::string path = d.kind == DeviceKind::AudioInput ? d.dsInterface : d.devicePath;
    const std::string usbId = UsbIdOf(path);
    if (!usbId.empty()) {
      auto it = usbDevices.find(usbId);
      if (it == usbDevices.end()) {
        const int dev = AddNode(t, usbHost, "USB\\" + usbId + "\\" + SerialOf(usbId), "USB", &GUID_DEVCLASS_USB, "USB");
        it = usbDevices.emplace(usbId, dev).first;
      }
      const int dev = it->second;
      const std::size_t mi = t.nodes[static_cast<std::size_t>(dev)].children.size();
      AddNode(t, dev, Format("USB\\%s&MI_%02zu\\6&%s&0&%04zu", usbId.c_str(), mi, SerialOf(usbId).c_str(), mi), "MEDIA",
              &GUID_DEVCLASS_MEDIA, "USB");
      for (std::size_t s = 0; s < d.storage.size(); ++s) {
        const StorageUnit& u = d.storage[s];
        AddNode(t, dev, StorageIdOf(usbId, u, s), u.cdrom ? "CDROM" : "DiskDrive",
                u.cdrom ? &GUID_DEVCLASS_CDROM : &GUID_DEVCLASS_DISKDRIVE, "USBSTOR");
      }
    } else if (d.kind == DeviceKind::DvCamcorder || d.kind == DeviceKind::HdvCamcorder) {
      AddNode(t, avc, Format("AVC\\VIDARRO&CAMCORDER\\%08X", ++avcIndex), "MEDIA", &GUID_DEVCLASS_MEDIA, "AVC");
    } else {
      AddNode(t, root, Format("PCI\\VEN_1131&DEV_7133&SUBSYS_00000000&REV_D1\\4&1F7DBC9F&0&%02X%02X", ++pciIndex, 0),
              "MEDIA", &GUID_DEVCLASS_MEDIA, "PCI");
    }
  }
  return t;
}

Tree* TreeOf(HMACHINE machine) { return static_cast<Tree*>(machine); }

const Node* NodeOf(HMACHINE machine, DEVINST dn) {
  Tree* t = TreeOf(machine);
  if (!t || dn == 0 || dn > t->nodes.size()) return nullptr;
  return &t->nodes[dn - 1];
}

// The frame of a step through the tree: a checked out parameter, a known node, and the node the
// step leads to (its index, or -1 for none).
template <typename Step>
CONFIGRET StepTo(DEVINST* out, DEVINST devInst, HMACHINE machine, Step step) {
  if (!out) return CR_INVALID_POINTER;
  *out = 0;
  const Node* n = NodeOf(machine, devInst);
  if (!n) return CR_INVALID_DEVNODE;
  const int next = step(*n);
  if (next < 0) return CR_NO_SUCH_DEVNODE;
  *out = static_cast<DEVINST>(next + 1);
  return CR_SUCCESS;
}

CONFIGRET PutText(const std::string& text, ULONG* regType, LPVOID buffer, ULONG* length) {
  if (!length) return CR_INVALID_POINTER;
  if (regType) *regType = 1;  // REG_SZ
  const ULONG needed = static_cast<ULONG>(text.size() + 1);
  if (!buffer || *length < needed) {
    *length = needed;
    return CR_BUFFER_SMALL;
  }
  std::memcpy(buffer, text.c_str(), needed);
  *length = needed;
  return CR_SUCCESS;
}

}  // namespace

std::vector<MountEntry> MountedDevices() {
  std::vector<MountEntry> entries;
  for (const auto& d : Hardware::Instance().Devices()) {
    if (!d.present) continue;
    const std::string usbId = UsbIdOf(d.kind == DeviceKind::AudioInput ? d.dsInterface : d.devicePath);
    if (usbId.empty()) continue;
    for (std::size_t s = 0; s < d.storage.size(); ++s) {
      const StorageUnit& u = d.storage[s];
      if (u.mountPoint.empty()) continue;
      std::string link = "\\??\\" + StorageIdOf(usbId, u, s);
      for (char& c : link)
        if (c == '\\' && &c > &link[3]) c = '#';
      link += u.cdrom ? "#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}" : "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
      MountEntry e;
      e.mountPoint = u.mountPoint.back() == '/' ? u.mountPoint : u.mountPoint + "/";
      for (char c : link) {
        e.deviceLink.push_back(static_cast<BYTE>(c));
        e.deviceLink.push_back(0);
      }
      entries.push_back(std::move(e));
    }
  }
  return entries;
}

void SetDeviceTreeUnavailable(bool value) { unavailable = value; }

}  // namespace platform::dshow::sim

using platform::dshow::sim::NodeOf;
using platform::dshow::sim::StepTo;
using platform::dshow::sim::Tree;

CONFIGRET CM_Connect_MachineA(LPCSTR machineName, HMACHINE* machine) {
  if (!machine) return CR_INVALID_POINTER;
  *machine = nullptr;
  if (machineName && *machineName && std::strncmp(machineName, "\\\\", 2) != 0) return CR_INVALID_MACHINENAME;
  if (platform::dshow::sim::unavailable) return CR_MACHINE_UNAVAILABLE;
  *machine = new Tree(platform::dshow::sim::BuildTree());
  return CR_SUCCESS;
}

CONFIGRET CM_Disconnect_Machine(HMACHINE machine) {
  delete static_cast<Tree*>(machine);
  return CR_SUCCESS;
}

CONFIGRET CM_Locate_DevNode_ExA(DEVINST* devInst, LPCSTR deviceId, ULONG, HMACHINE machine) {
  if (!devInst) return CR_INVALID_POINTER;
  *devInst = 0;
  Tree* t = static_cast<Tree*>(machine);
  if (!t) return CR_MACHINE_UNAVAILABLE;
  for (std::size_t i = 0; i < t->nodes.size(); ++i) {
    if ((!deviceId || !*deviceId) ? t->nodes[i].parent < 0 : platform::EqualsNoCase(t->nodes[i].id, deviceId)) {
      *devInst = static_cast<DEVINST>(i + 1);
      return CR_SUCCESS;
    }
  }
  return CR_NO_SUCH_DEVNODE;
}

CONFIGRET CM_Get_Child_Ex(DEVINST* child, DEVINST devInst, ULONG, HMACHINE machine) {
  return StepTo(child, devInst, machine, [](const auto& n) { return n.children.empty() ? -1 : n.children.front(); });
}

CONFIGRET CM_Get_Sibling_Ex(DEVINST* sibling, DEVINST devInst, ULONG, HMACHINE machine) {
  return StepTo(sibling, devInst, machine, [&](const auto& n) {
    if (n.parent < 0) return -1;
    const auto& brothers = static_cast<Tree*>(machine)->nodes[static_cast<std::size_t>(n.parent)].children;
    for (std::size_t i = 0; i + 1 < brothers.size(); ++i)
      if (static_cast<DEVINST>(brothers[i] + 1) == devInst) return brothers[i + 1];
    return -1;
  });
}

CONFIGRET CM_Get_Parent_Ex(DEVINST* parent, DEVINST devInst, ULONG, HMACHINE machine) {
  return StepTo(parent, devInst, machine, [](const auto& n) { return n.parent; });
}

CONFIGRET CM_Get_DevNode_Registry_Property_ExA(DEVINST devInst, ULONG property, ULONG* regType, LPVOID buffer,
                                               ULONG* length, ULONG, HMACHINE machine) {
  const auto* n = NodeOf(machine, devInst);
  if (!n) return CR_INVALID_DEVNODE;
  switch (property) {
    case CM_DRP_CLASS:
      if (!n->hasClass) return CR_NO_SUCH_VALUE;
      return platform::dshow::sim::PutText(n->className, regType, buffer, length);
    case CM_DRP_CLASSGUID: {
      if (!n->hasClass) return CR_NO_SUCH_VALUE;
      return platform::dshow::sim::PutText(platform::ToLowerAscii(GuidToString(n->classGuid)), regType, buffer, length);
    }
    case CM_DRP_ENUMERATOR_NAME:
      if (n->enumerator.empty()) return CR_NO_SUCH_VALUE;
      return platform::dshow::sim::PutText(n->enumerator, regType, buffer, length);
    default: return CR_NO_SUCH_VALUE;
  }
}

CONFIGRET CM_Get_Device_ID_ExA(DEVINST devInst, LPSTR buffer, ULONG length, ULONG, HMACHINE machine) {
  if (!buffer) return CR_INVALID_POINTER;
  const auto* n = NodeOf(machine, devInst);
  if (!n) return CR_INVALID_DEVNODE;
  if (length < n->id.size() + 1) return CR_BUFFER_SMALL;
  std::memcpy(buffer, n->id.c_str(), n->id.size() + 1);
  return CR_SUCCESS;
}

CONFIGRET CM_Get_DevNode_Status_Ex(ULONG* status, ULONG* problem, DEVINST devInst, ULONG, HMACHINE machine) {
  if (!status || !problem) return CR_INVALID_POINTER;
  if (!NodeOf(machine, devInst)) return CR_INVALID_DEVNODE;
  *status = DN_STARTED;
  *problem = 0;
  return CR_SUCCESS;
}
