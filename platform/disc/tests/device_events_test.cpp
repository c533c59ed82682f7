#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "disc_test_support.h"
#include "platform/disc/device_events.h"
#include "platform/disc/medium_watch.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/disc/real_drive.h"
#include "platform/disc/udev_monitor.h"
#include "platform/window/device_change.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "platform/window/wm_messages.h"

using namespace platform::disc;

namespace {

struct Heard {
  std::atomic<int> arrivals{0}, removals{0};
  DWORD mask = 0;
  std::string name;
  GUID classGuid{};
};
Heard heard;

LRESULT ListenerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m != WM_DEVICECHANGE || (w != DBT_DEVICEARRIVAL && w != DBT_DEVICEREMOVECOMPLETE))
    return DefWindowProc(h, m, w, l);
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(l);
  if (header->dbch_devicetype == DBT_DEVTYP_VOLUME) {
    heard.mask = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(l)->dbcv_unitmask;
  } else if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
    const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(l);
    heard.name = device->dbcc_name;
    heard.classGuid = device->dbcc_classguid;
  }
  ++(w == DBT_DEVICEARRIVAL ? heard.arrivals : heard.removals);
  return TRUE;
}

void Pump() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
}

// Pumps until `count` events arrived; the bound only keeps a broken build from hanging.
bool PumpUntil(const std::atomic<int>& events, int count) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (events.load() < count && std::chrono::steady_clock::now() < giveUp) {
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return events.load() >= count;
}

class DeviceEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    heard.arrivals = heard.removals = 0;
    heard.mask = 0;
    heard.name.clear();
    WNDCLASS wc{};
    wc.lpszClassName = "DeviceListener";
    wc.lpfnWndProc = ListenerProc;
    RegisterClass(&wc);
    window_ = CreateWindowEx(0, "DeviceListener", "listener", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(window_);
    unsetenv("VIDARRO_SIMULATED");
    setenv("VIDARRO_SIMULATED", "1", 1);
    ReloadMachineDrives();
  }
  // The machine's own hardware, with these drives as if the scan had found them.
  static void UseRealDrives(std::vector<std::string> nodes) {
    setenv("VIDARRO_SIMULATED", "0", 1);
    std::vector<DriveDesc> drives;
    for (const auto& node : nodes) {
      DriveDesc d;
      d.realAddress = node;
      d.id = node;
      d.name = "Drive " + node;
      drives.push_back(d);
    }
    real::OrderByNode(&drives);
    SetMachineDrives(drives);
  }
  static DeviceRecord Record(std::string subsystem, std::string action, std::string node,
                             std::map<std::string, std::string> properties = {}) {
    return DeviceRecord{std::move(subsystem), std::move(action), std::move(node), std::move(properties)};
  }
  HWND window_ = nullptr;
};

TEST(RealDriveOrder, IsByDeviceNodeWhateverOrderTheScanFoundThem) {
  auto letters = [](std::vector<std::string> found) {
    std::vector<DriveDesc> drives;
    for (auto& node : found) {
      DriveDesc d;
      d.realAddress = node;
      drives.push_back(d);
    }
    real::OrderByNode(&drives);
    std::string order;
    for (auto& d : drives) order += d.realAddress + " ";
    return order;
  };
  // Two processes whose scans answer in different orders give the drives the same letters.
  EXPECT_EQ(letters({"/dev/sr1", "/dev/sr0"}), "/dev/sr0 /dev/sr1 ");
  EXPECT_EQ(letters({"/dev/sr0", "/dev/sr1"}), "/dev/sr0 /dev/sr1 ");
  EXPECT_EQ(letters({"/dev/sr10", "/dev/sr2", "/dev/sr0"}), "/dev/sr0 /dev/sr2 /dev/sr10 ");
}

TEST(RealDriveOrder, ADriveTheUserMayNotOpenIsListedWithTheReasonAndKeepsItsLetter) {
  const std::string folder = platform::LocalAppDataFolder() + "nodes/";
  platform::CreateFolders(folder);
  for (const char* name : {"sr1", "sr0", "sda", "srx"}) platform::WriteWholeFileAtomic(folder + name, "");
  auto nodes = real::OpticalNodes(folder.substr(0, folder.size() - 1));
  std::sort(nodes.begin(), nodes.end());
  ASSERT_EQ(nodes, (std::vector<std::string>{folder + "sr0", folder + "sr1"}));

  std::vector<DriveDesc> drives(1);
  drives[0].realAddress = folder + "sr1";
  drives[0].name = "Writer";
  real::AddUnopenable(&drives, nodes, [](const std::string&) { return false; });
  real::OrderByNode(&drives);
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].realAddress, folder + "sr0");
  EXPECT_STREQ(drives[0].name.c_str(), real::kNoPermissionName);
  EXPECT_EQ(drives[1].name, "Writer");
  // Every burn mode lists it, so the user reads why it cannot be used.
  SetMachineDrives(drives);
  DriveSet set;
  for (unsigned char mode : {0, 1, 8}) {
    set.Select(mode);
    ASSERT_EQ(set.Count(), 1u) << int(mode);
    EXPECT_NE(std::string(set.Name(0)).find("D: no permission"), std::string::npos) << set.Name(0);
  }
  ReloadMachineDrives();
}

TEST(MediumChanges, TellWhatWentAndCame) {
  MediumState in;
  in.kind = kDvdPlusR;
  MediumState open = in;
  open.trayOpen = true;
  MediumState empty;
  MediumState other = in;
  other.kind = kCdR;
  bool removed = false, arrived = false;
  EXPECT_EQ(MediumEvents(in, open, &removed, &arrived), 1);
  EXPECT_TRUE(removed);
  EXPECT_EQ(MediumEvents(open, in, &removed, &arrived), 1);
  EXPECT_TRUE(arrived);
  EXPECT_EQ(MediumEvents(in, other, &removed, &arrived), 2);  // swapped while closed
  EXPECT_EQ(MediumEvents(in, in, &removed, &arrived), 0);
  EXPECT_EQ(MediumEvents(open, empty, &removed, &arrived), 0);  // closed on nothing
  MediumState written = in;
  written.used = true;
  EXPECT_EQ(MediumEvents(in, written, &removed, &arrived), 0);  // a burn is no new disc
}

TEST_F(DeviceEvents, DiscInARealDriveReachesTopLevelWindowsWithItsLetter) {
  UseRealDrives({"/dev/sr1", "/dev/sr0"});
  EXPECT_EQ(RealDriveLetter("/dev/sr0"), 'D');
  EXPECT_EQ(RealDriveLetter("/dev/sr1"), 'E');
  EXPECT_EQ(RealDriveLetter("/dev/sr7"), '\0');

  // As the kernel sends them: a media change marked so, the disc's properties from cdrom_id.
  const auto media =
      Record("block", "change", "/dev/sr1", {{"ID_CDROM", "1"}, {"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM_MEDIA", "1"}});
  EXPECT_TRUE(DeliverDeviceRecord(media));
  // udev repeats the state on events that change nothing: no second arrival.
  EXPECT_FALSE(DeliverDeviceRecord(media));
  Pump();
  EXPECT_EQ(heard.arrivals.load(), 1);
  EXPECT_EQ(heard.mask, DWORD{1} << ('E' - 'A'));

  // The eject button on a drive that may be locked: nothing has gone yet.
  EXPECT_FALSE(
      DeliverDeviceRecord(Record("block", "change", "/dev/sr1", {{"ID_CDROM", "1"}, {"DISK_EJECT_REQUEST", "1"}})));
  EXPECT_TRUE(
      DeliverDeviceRecord(Record("block", "change", "/dev/sr1", {{"ID_CDROM", "1"}, {"DISK_MEDIA_CHANGE", "1"}})));
  Pump();
  EXPECT_EQ(heard.removals.load(), 1);
  // A disk that is no listed drive, and any record under simulated hardware, say nothing.
  EXPECT_FALSE(DeliverDeviceRecord(Record("block", "change", "/dev/sda", {{"DISK_MEDIA_CHANGE", "1"}})));
  setenv("VIDARRO_SIMULATED", "1", 1);
  EXPECT_FALSE(DeliverDeviceRecord(
      Record("block", "change", "/dev/sr0", {{"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM_MEDIA", "1"}})));
  Pump();
  EXPECT_EQ(heard.arrivals.load() + heard.removals.load(), 2);
}

// The first record heard of a drive that holds a disc from before the program started, sent by
// a probe or a trigger (no media change): the disc did not arrive now, and the capture page must
// not be told to fit the recording to it. Its going later is heard.
TEST_F(DeviceEvents, ADiscThatWasInBeforeIsNoArrival) {
  UseRealDrives({"/dev/sr2"});
  EXPECT_FALSE(
      DeliverDeviceRecord(Record("block", "change", "/dev/sr2", {{"ID_CDROM", "1"}, {"ID_CDROM_MEDIA", "1"}})));
  EXPECT_FALSE(
      DeliverDeviceRecord(Record("block", "change", "/dev/sr2", {{"ID_CDROM", "1"}, {"ID_CDROM_MEDIA", "1"}})));
  EXPECT_TRUE(DeliverDeviceRecord(Record("block", "change", "/dev/sr2", {{"ID_CDROM", "1"}})));
  Pump();
  EXPECT_EQ(heard.arrivals.load(), 0);
  EXPECT_EQ(heard.removals.load(), 1);
  EXPECT_EQ(heard.mask, DWORD{1} << ('D' - 'A'));
}

// The first scan of the machine's drives runs on a thread of its own: a writer made (as Wendrel
// makes one when its window opens) while the scan still runs does not wait for it, and lists the
// drives the scan found once they are asked for.
TEST_F(DeviceEvents, AWriterMadeWhileTheScanRunsDoesNotWaitForIt) {
  setenv("VIDARRO_SIMULATED", "0", 1);
  ReloadMachineDrives();
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> scanning{false};
  SetDriveScan([&] {
    scanning = true;
    released.wait();
    std::vector<DriveDesc> found(2);
    found[0].realAddress = found[0].id = "/dev/sr1";
    found[1].realAddress = found[1].id = "/dev/sr0";
    for (auto& d : found) {
      d.name = "Writer";
      d.writes = {kWritesDvdPlusR};
    }
    return real::Listed(found, {}, [](const std::string&) { return true; });
  });
  ScanMachineDrivesInBackground();
  while (!scanning) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  std::unique_ptr<CQnDataCDDVD> writer;
  auto made = std::async(std::launch::async, [&] {
    writer = std::make_unique<CQnDataCDDVD>();
    writer->Initialize();
    writer->SetBurnMode(0);
  });
  const bool waited = made.wait_for(std::chrono::seconds(20)) != std::future_status::ready;
  release.set_value();
  made.wait();
  EXPECT_FALSE(waited) << "the writer waited for the scan";
  ASSERT_EQ(writer->GetDriveCount(), 2);
  EXPECT_STREQ(writer->GetDriveName(0), "D: Writer (/dev/sr0)");
  EXPECT_STREQ(writer->GetDriveName(1), "E: Writer (/dev/sr1)");
  writer.reset();
  SetDriveScan(nullptr);
}

TEST_F(DeviceEvents, CaptureDevicesComeAndGoAsCaptureInterfaceEvents) {
  UseRealDrives({});
  DEV_BROADCAST_DEVICEINTERFACE filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kCaptureInterfaceClass;
  HDEVNOTIFY registration =
      RegisterDeviceNotification(reinterpret_cast<HANDLE>(window_), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  ASSERT_NE(registration, nullptr);

  EXPECT_TRUE(DeliverDeviceRecord(
      Record("video4linux", "add", "/dev/video2", {{"ID_V4L_CAPABILITIES", ":capture:"}, {"ID_VENDOR_ID", "534d"}})));
  Pump();
  EXPECT_EQ(heard.arrivals.load(), 1);
  EXPECT_EQ(heard.name, "/dev/video2");
  EXPECT_TRUE(heard.classGuid == kCaptureInterfaceClass);
  EXPECT_TRUE(DeliverDeviceRecord(Record("video4linux", "remove", "/dev/video2")));
  Pump();
  EXPECT_EQ(heard.removals.load(), 1);

  // A sound card counts once, by its control node; an output-only video node not at all.
  EXPECT_TRUE(DeliverDeviceRecord(Record("sound", "add", "/dev/snd/controlC1")));
  EXPECT_FALSE(DeliverDeviceRecord(Record("sound", "add", "/dev/snd/pcmC1D0c")));
  EXPECT_FALSE(
      DeliverDeviceRecord(Record("video4linux", "add", "/dev/video3", {{"ID_V4L_CAPABILITIES", ":video_output:"}})));
  Pump();
  EXPECT_EQ(heard.arrivals.load(), 2);
  EXPECT_EQ(heard.name, "/dev/snd/controlC1");

  // Unregistered, the window hears no more device-interface events.
  EXPECT_TRUE(UnregisterDeviceNotification(registration));
  DeliverDeviceRecord(Record("video4linux", "add", "/dev/video4", {{"ID_V4L_CAPABILITIES", ":capture:"}}));
  Pump();
  EXPECT_EQ(heard.arrivals.load(), 2);
}

// Another process moves the simulated tray: this process's windows hear it with the drive's letter.
TEST_F(DeviceEvents, SimulatedTrayMovedByAnotherProcessReachesThisOne) {
  disctest::UseDevices(disctest::Writer("A", "WRITES=CD-R\nMEDIUM=CD-R\n") +
                       disctest::Writer("B", "WRITES=DVD+R\nMEDIUM=DVD+R\n"));
  const DriveDesc second = MachineDrives()[1]->Desc();
  ASSERT_TRUE(WatchMediumStates());
  ASSERT_TRUE(MediumWatchCovers(second.StatePath()));
  auto inOtherProcess = [&](bool load) {
    const pid_t child = fork();
    if (child == 0) {
      SimDrive drive(second);
      bool hadDisc = false;
      _exit((load ? drive.Load() : drive.Unload(&hadDisc)) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  ASSERT_TRUE(inOtherProcess(false));
  ASSERT_TRUE(PumpUntil(heard.removals, 1));
  EXPECT_EQ(heard.mask, DWORD{1} << ('E' - 'A'));
  ASSERT_TRUE(inOtherProcess(true));
  ASSERT_TRUE(PumpUntil(heard.arrivals, 1));
  EXPECT_EQ(heard.mask, DWORD{1} << ('E' - 'A'));
  EXPECT_EQ(heard.removals.load(), 1);
}

}  // namespace

// A machine without the udev service (a container): a program on its own hardware starts, hears
// nothing and says nothing; udev is watched only where the service runs.
TEST(MachineEventsWithoutUdev, StartQuietly) {
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t child = fork();
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(out[1], STDERR_FILENO);
    setenv("VIDARRO_SIMULATED", "0", 1);
    SetMachineDrives({});  // no drive of the machine is opened by this test
    StartMachineEvents();
    const bool service = ::access("/run/udev/control", F_OK) == 0;
    _exit(UdevWatching() == service ? 0 : 3);
  }
  ::close(out[1]);
  std::string said;
  char buffer[256];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(said, "");
}
