#include "platform/disc/real_drive.h"

#include <libburn/libburn.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/base/hardware_source.h"
#include "platform/disc/write_engine.h"

using namespace burn;

namespace platform::disc::real {
namespace {

// A grabbed drive, released (and ejected when asked) on scope exit.
class Grab {
 public:
  Grab(const std::string& address, int load) {
    std::string adr = address;
    if (EnsureLibburn() && burn_drive_scan_and_grab(&info_, adr.data(), load) == 1 && info_) drive_ = info_[0].drive;
  }
  ~Grab() {
    if (drive_) burn_drive_release(drive_, eject_ ? 1 : 0);
    if (info_) burn_drive_info_free(info_);
  }
  Grab(const Grab&) = delete;
  Grab& operator=(const Grab&) = delete;
  burn_drive* Drive() const { return drive_; }
  void EjectOnRelease() { eject_ = true; }

 private:
  burn_drive_info* info_ = nullptr;
  burn_drive* drive_ = nullptr;
  bool eject_ = false;
};

void Wait(burn_drive* drive, std::atomic<int>* percent) {
  burn_progress progress;
  while (burn_drive_get_status(drive, &progress) != BURN_DRIVE_IDLE) {
    if (percent && progress.sectors > 0) percent->store(std::min(99, progress.sector * 100 / progress.sectors));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

}  // namespace

bool Wanted() { return !platform::WhichHardware().Simulated(); }

bool NodeBefore(const std::string& a, const std::string& b) {
  // "/dev/sr2" before "/dev/sr10": the digits at the end count as a number.
  auto split = [](const std::string& node) {
    std::size_t digits = node.size();
    while (digits > 0 && node[digits - 1] >= '0' && node[digits - 1] <= '9') --digits;
    const std::string number = node.substr(digits);
    return std::make_pair(node.substr(0, digits), number.empty() ? -1L : std::stol(number.substr(0, 9)));
  };
  return split(a) < split(b);
}

void OrderByNode(std::vector<DriveDesc>* drives) {
  std::stable_sort(drives->begin(), drives->end(),
                   [](const DriveDesc& a, const DriveDesc& b) { return NodeBefore(a.realAddress, b.realAddress); });
}

std::vector<std::string> OpticalNodes(const std::string& folder) {
  std::vector<std::string> nodes;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 2 && name.compare(0, 2, "sr") == 0 &&
          name.find_first_not_of("0123456789", 2) == std::string::npos)
        nodes.push_back(folder + "/" + name);
    }
    ::closedir(dir);
  }
  return nodes;
}

void AddUnopenable(std::vector<DriveDesc>* drives, const std::vector<std::string>& nodes,
                   const std::function<bool(const std::string&)>& canOpen) {
  for (const std::string& node : nodes) {
    const bool listed =
        std::any_of(drives->begin(), drives->end(), [&](const DriveDesc& d) { return d.realAddress == node; });
    if (listed || canOpen(node)) continue;
    DriveDesc d;
    d.realAddress = node;
    d.id = "REAL" + node.substr(node.rfind('/') + 1);
    d.name = kNoPermissionName;
    drives->push_back(std::move(d));
  }
}

std::vector<DriveDesc> Listed(std::vector<DriveDesc> found, const std::vector<std::string>& nodes,
                              const std::function<bool(const std::string&)>& canOpen) {
  AddUnopenable(&found, nodes, canOpen);
  OrderByNode(&found);
  return found;
}

std::vector<DriveDesc> Scan() {
  std::vector<DriveDesc> drives;
  if (!EnsureLibburn()) return drives;
  burn_drive_info* info = nullptr;
  unsigned int count = 0;
  // The scan runs on a thread of libburn's: the first call only starts it, and libburn is asked
  // again until it has ended.
  int scanned = 0;
  while ((scanned = burn_drive_scan(&info, &count)) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (scanned < 0) count = 0;
  for (unsigned int i = 0; i < count; ++i) {
    DriveDesc d;
    char adr[BURN_DRIVE_ADR_LEN] = {};
    if (burn_drive_get_adr(&info[i], adr) <= 0) continue;
    d.realAddress = adr;
    d.id = "REAL" + std::string(adr).substr(std::string(adr).rfind('/') + 1);
    d.name = std::string(info[i].vendor) + " " + info[i].product;
    drives.push_back(std::move(d));
  }
  if (info) burn_drive_info_free(info);
  drives = Listed(std::move(drives), OpticalNodes("/dev"),
                  [](const std::string& node) { return ::access(node.c_str(), R_OK | W_OK) == 0; });
  // What each writes and how fast: only a grabbed drive tells.
  for (auto& d : drives) {
    if (d.name == kNoPermissionName) continue;
    Grab grab(d.realAddress, 0);
    if (!grab.Drive()) continue;
    int num = 0, profiles[64];
    char current[64];
    if (burn_drive_get_all_profiles(grab.Drive(), &num, profiles, current) == 1)
      for (int p = 0; p < num; ++p) {
        const unsigned char cap = CapabilityFor(KindFromProfile(profiles[p]));
        if (cap && !d.Writes(cap)) d.writes.push_back(cap);
      }
    burn_speed_descriptor* list = nullptr;
    if (burn_drive_get_speedlist(grab.Drive(), &list) == 1) {
      for (auto* s = list; s; s = s->next)
        if (s->write_speed > 0 && std::find(d.speeds.begin(), d.speeds.end(), s->write_speed) == d.speeds.end())
          d.speeds.push_back(s->write_speed);
      burn_drive_free_speedlist(&list);
    }
    std::sort(d.speeds.rbegin(), d.speeds.rend());
  }
  return drives;
}

bool Query(const std::string& address, MediumState* state, bool* ready) {
  Grab grab(address, 0);
  *ready = false;
  if (!grab.Drive()) return false;
  MediumState s;
  const burn_disc_status status = burn_disc_get_status(grab.Drive());
  if (status == BURN_DISC_EMPTY || status == BURN_DISC_UNREADY) {
    *state = s;
    return true;
  }
  int profile = 0;
  char name[80];
  if (burn_disc_get_profile(grab.Drive(), &profile, name) == 1) s.kind = KindFromProfile(profile);
  s.used = status != BURN_DISC_BLANK;
  s.finalized = status == BURN_DISC_FULL;
  burn_write_opts* opts = burn_write_opts_new(grab.Drive());
  const std::uint32_t free =
      static_cast<std::uint32_t>(burn_disc_available_space(grab.Drive(), opts) / kDataBlockBytes);
  int lba = 0, nwa = 0;
  if (status == BURN_DISC_APPENDABLE && burn_disc_track_lba_nwa(grab.Drive(), opts, 0, &lba, &nwa) > 0)
    s.usedBlocks = static_cast<std::uint32_t>(nwa);
  burn_write_opts_free(opts);
  int start = 0;
  if (s.used && burn_disc_get_msc1(grab.Drive(), &start) == 1) s.lastSession = static_cast<std::uint32_t>(start);
  int readable = 0;
  if (s.finalized && burn_get_read_capacity(grab.Drive(), &readable, 0) == 1 && readable > 0)
    s.usedBlocks = static_cast<std::uint32_t>(readable);
  if (s.used && s.usedBlocks == 0) s.usedBlocks = 1;
  s.capacity = s.usedBlocks + free;
  *state = s;
  *ready = true;
  return true;
}

bool Tray(const std::string& address, bool load) {
  Grab grab(address, load ? 1 : 0);
  if (!grab.Drive()) return false;
  if (!load) grab.EjectOnRelease();
  return true;
}

bool Erase(const std::string& address, std::atomic<int>* percent) {
  Grab grab(address, 0);
  if (!grab.Drive() || !burn_disc_erasable(grab.Drive())) return false;
  burn_disc_erase(grab.Drive(), 1);
  Wait(grab.Drive(), percent);
  return burn_drive_wrote_well(grab.Drive()) == 1;
}

}  // namespace platform::disc::real
