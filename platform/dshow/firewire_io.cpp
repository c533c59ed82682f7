#include "platform/dshow/firewire_io.h"

#include <grp.h>
#include <libavc1394/avc1394.h>
#include <libavc1394/rom1394.h>
#include <libiec61883/iec61883.h>
#include <libraw1394/raw1394.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

namespace platform::dshow::firewire {

namespace {

struct Handle {
  raw1394handle_t h = nullptr;
  explicit Handle(raw1394handle_t handle) : h(handle) {}
  ~Handle() {
    if (h) raw1394_destroy_handle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};

// Whether the node is an AV/C unit (a camcorder, a deck): its sysfs units name the AV/C
// specifier 0x00a02d with a version 0x01xxxx. Controllers' own nodes are not, and are rightly
// closed to users.
bool AvcNode(const std::string& name) {
  std::ifstream in("/sys/bus/firewire/devices/" + name + "/units");
  std::string units((std::istreambuf_iterator<char>(in)), {});
  return units.find("0x00a02d:0x01") != std::string::npos;
}

// The first AV/C /dev/fw* node the user may not read and write, and its group.
BusDenied DeniedNode() {
  BusDenied d;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("/dev", ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("fw", 0) != 0 || !AvcNode(name) || ::access(e.path().c_str(), R_OK | W_OK) == 0) continue;
    struct stat st {};
    if (::stat(e.path().c_str(), &st) != 0) continue;
    d.node = e.path().string();
    const group* g = ::getgrgid(st.st_gid);
    d.group = g ? g->gr_name : std::to_string(st.st_gid);
    break;
  }
  return d;
}

std::uint32_t CycleTimerNow(raw1394handle_t h) {
  std::uint32_t cycle = 0;
  std::uint64_t local = 0;
  return raw1394_read_cycle_timer(h, &cycle, &local) == 0 ? cycle : 0;
}

// The unit's node on its port now (after a bus reset it may have moved), -1 when gone.
int NodeOf(raw1394handle_t h, std::uint64_t guid) {
  const int nodes = raw1394_get_nodecount(h);
  for (int i = 0; i < nodes; ++i)
    if (rom1394_get_guid(h, static_cast<nodeid_t>(i)) == guid) return i;
  return -1;
}

class KernelReception;

// The receptions by handle, for the bus reset handler (libiec61883 keeps the handle's user data).
std::mutex g_receptionsMutex;
std::map<raw1394handle_t, KernelReception*> g_receptions;

class KernelReception : public Reception {
 public:
  KernelReception(raw1394handle_t h, nodeid_t node, std::uint64_t guid, StreamKind kind, StreamSink* sink)
      : handle_(h), node_(node), guid_(guid), sink_(sink) {
    oplug_ = -1;
    iplug_ = -1;
    channel_ = iec61883_cmp_connect(h, node_ | 0xFFC0, &oplug_, raw1394_get_local_id(h), &iplug_, &bandwidth_);
    connected_ = channel_ >= 0;
    if (!connected_) channel_ = 63;  // a unit without plug control broadcasts on 63
    if (kind == StreamKind::Dv) {
      dv_ = iec61883_dv_fb_init(h, &KernelReception::OnDv, this);
      ok_ = dv_ && iec61883_dv_fb_start(dv_, channel_) == 0;
    } else {
      ts_ = iec61883_mpeg2_recv_init(h, &KernelReception::OnTs, this);
      ok_ = ts_ && iec61883_mpeg2_recv_start(ts_, channel_) == 0;
    }
    std::lock_guard lock(g_receptionsMutex);
    g_receptions[h] = this;
    raw1394_set_bus_reset_handler(h, &KernelReception::OnBusReset);
  }
  ~KernelReception() override {
    {
      std::lock_guard lock(g_receptionsMutex);
      g_receptions.erase(handle_.h);
    }
    if (dv_) iec61883_dv_fb_close(dv_);
    if (ts_) iec61883_mpeg2_close(ts_);
    if (connected_)
      iec61883_cmp_disconnect(handle_.h, node_ | 0xFFC0, oplug_, raw1394_get_local_id(handle_.h), iplug_, channel_,
                              bandwidth_);
  }
  bool Ok() const { return ok_; }
  int Iterate(int timeoutMs) override {
    pollfd p{raw1394_get_fd(handle_.h), POLLIN | POLLPRI, 0};
    const int n = ::poll(&p, 1, timeoutMs);
    if (n <= 0) return n < 0 && errno == EINTR ? 0 : n;
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
      errno = ENODEV;
      return -1;
    }
    if (raw1394_loop_iterate(handle_.h) < 0) return errno == EINTR || errno == EAGAIN ? 0 : -1;
    if (gone_) {
      errno = ENODEV;
      return -1;
    }
    return 1;
  }

 private:
  // A bus reset renumbers the nodes and drops the plug connection: found again by its GUID the
  // camcorder is connected again; not found, it was unplugged.
  static int OnBusReset(raw1394handle_t h, unsigned int generation) {
    raw1394_update_generation(h, generation);
    KernelReception* reception = nullptr;
    {
      std::lock_guard lock(g_receptionsMutex);
      const auto it = g_receptions.find(h);
      if (it != g_receptions.end()) reception = it->second;
    }
    // Unlocked: reading the config ROM iterates the handle again. The reception outlives the
    // streaming thread this runs on.
    if (reception) reception->Reconnect();
    return 0;
  }
  void Reconnect() {
    const int node = NodeOf(handle_.h, guid_);
    if (node < 0) {
      gone_ = true;
      return;
    }
    node_ = static_cast<nodeid_t>(node);
    if (connected_)
      iec61883_cmp_reconnect(handle_.h, node_ | 0xFFC0, &oplug_, raw1394_get_local_id(handle_.h), &iplug_, &bandwidth_,
                             channel_);
  }
  static int OnDv(unsigned char* data, int len, int complete, void* self) {
    auto* r = static_cast<KernelReception*>(self);
    r->sink_->DvFrame(data, static_cast<std::size_t>(len), complete != 0, CycleTimerNow(r->handle_.h));
    return 0;
  }
  static int OnTs(unsigned char* data, int len, unsigned int dropped, void* self) {
    auto* r = static_cast<KernelReception*>(self);
    r->sink_->TsPackets(data, static_cast<std::size_t>(len), dropped, CycleTimerNow(r->handle_.h));
    return 0;
  }

  Handle handle_;
  nodeid_t node_;
  std::uint64_t guid_;
  StreamSink* sink_;
  iec61883_dv_fb_t dv_ = nullptr;
  iec61883_mpeg2_t ts_ = nullptr;
  int oplug_, iplug_;
  int channel_ = 63;
  int bandwidth_ = -1;  // asked for; what was allocated once connected
  bool connected_ = false;
  bool gone_ = false;
  bool ok_ = false;
};

class KernelBus : public Bus {
 public:
  bool TapeUnits(std::vector<Unit>* units, BusDenied* denied) override {
    units->clear();
    Handle probe(raw1394_new_handle());
    if (!probe.h) {
      if (errno == EACCES || errno == EPERM) *denied = DeniedNode();
      return false;
    }
    const int ports = raw1394_get_port_info(probe.h, nullptr, 0);
    if (ports < 0) {
      if (errno == EACCES || errno == EPERM) *denied = DeniedNode();
      return false;
    }
    for (int port = 0; port < ports; ++port) {
      Handle h(raw1394_new_handle_on_port(port));
      if (!h.h) {
        if ((errno == EACCES || errno == EPERM) && denied->node.empty()) *denied = DeniedNode();
        continue;
      }
      const int nodes = raw1394_get_nodecount(h.h);
      const int local = raw1394_get_local_id(h.h) & 0x3F;
      for (int i = 0; i < nodes; ++i) {
        if (i == local) continue;
        rom1394_directory dir{};
        if (rom1394_get_directory(h.h, static_cast<nodeid_t>(i), &dir) < 0) continue;
        const bool avc = rom1394_get_node_type(&dir) == ROM1394_NODE_TYPE_AVC;
        Unit u;
        u.port = port;
        u.node = static_cast<std::uint16_t>(i);
        u.guid = rom1394_get_guid(h.h, static_cast<nodeid_t>(i));
        if (dir.nr_textual_leafs > 1 && dir.textual_leafs[0]) u.vendor = dir.textual_leafs[0];
        if (dir.label) u.model = dir.label;
        rom1394_free_directory(&dir);
        if (avc && avc1394_check_subunit_type(h.h, static_cast<nodeid_t>(i), AVC1394_SUBUNIT_TYPE_VCR))
          units->push_back(u);
      }
    }
    // The library passes over nodes it may not open without saying so.
    if (units->empty() && denied->node.empty()) *denied = DeniedNode();
    return true;
  }

  std::vector<std::uint8_t> Avc(const Unit& unit, const std::vector<std::uint8_t>& command) override {
    std::lock_guard lock(mutex_);
    Handle h(raw1394_new_handle_on_port(unit.port));
    if (!h.h) return {};
    const int node = NodeOf(h.h, unit.guid);
    if (node < 0) return {};
    // FCP frames travel as big-endian quadlets.
    std::vector<quadlet_t> q((command.size() + 3) / 4, 0);
    for (std::size_t i = 0; i < command.size(); ++i)
      q[i / 4] |= static_cast<quadlet_t>(command[i]) << (24 - 8 * (i % 4));
    unsigned int answered = 0;
    quadlet_t* r = avc1394_transaction_block2(h.h, static_cast<nodeid_t>(node), q.data(), static_cast<int>(q.size()),
                                              &answered, 2);
    std::vector<std::uint8_t> response;
    if (!r) return response;
    for (unsigned int i = 0; i < answered * 4; ++i)
      response.push_back(static_cast<std::uint8_t>(r[i / 4] >> (24 - 8 * (i % 4))));
    avc1394_transaction_block_close(h.h);
    return response;
  }

  std::unique_ptr<Reception> Receive(const Unit& unit, StreamKind kind, StreamSink* sink) override {
    raw1394handle_t h = raw1394_new_handle_on_port(unit.port);
    if (!h) return nullptr;
    const int node = NodeOf(h, unit.guid);
    if (node < 0) {
      raw1394_destroy_handle(h);
      return nullptr;
    }
    auto r = std::make_unique<KernelReception>(h, static_cast<nodeid_t>(node), unit.guid, kind, sink);
    if (!r->Ok()) return nullptr;
    return r;
  }

 private:
  std::mutex mutex_;
};

std::mutex g_mutex;
Bus* g_bus = nullptr;

}  // namespace

Bus& CurrentBus() {
  static KernelBus kernel;
  std::lock_guard lock(g_mutex);
  return g_bus ? *g_bus : kernel;
}

void SetBus(Bus* bus) {
  std::lock_guard lock(g_mutex);
  g_bus = bus;
}

std::int64_t CycleTimerDelta(std::uint32_t earlier, std::uint32_t later) {
  // In ticks of 24.576 MHz: 3072 per cycle, 8000 cycles per second, 128 seconds around.
  auto ticks = [](std::uint32_t t) {
    const std::int64_t seconds = (t >> 25) & 0x7F, cycles = (t >> 12) & 0x1FFF, offset = t & 0xFFF;
    return (seconds * 8000 + cycles) * 3072 + offset;
  };
  constexpr std::int64_t kWrap = 128LL * 8000 * 3072;
  std::int64_t d = ticks(later) - ticks(earlier);
  if (d < 0) d += kWrap;
  return d * 10000000 / 24576000;
}

}  // namespace platform::dshow::firewire
