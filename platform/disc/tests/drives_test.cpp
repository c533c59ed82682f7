#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "disc_test_support.h"
#include "platform/base/clock.h"
#include "platform/base/devices_file.h"
#include "platform/disc/image_tool.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/disc/sense_codes.h"
#include "platform/window/device_change.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "platform/window/wm_messages.h"

using namespace platform::disc;
using disctest::UseDevices;
using disctest::Writer;

namespace {

class Drives : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::DeleteFile(platform::DevicesFilePath());
    ReloadMachineDrives();
  }
};

TEST_F(Drives, BuiltInWriterTakesEveryKindAndHoldsABlankDvdPlusR) {
  CQnDataCDDVD writer;
  writer.Initialize();
  ASSERT_EQ(writer.GetDriveCount(), 1);
  EXPECT_EQ(std::string(writer.GetDriveName(0)).substr(0, 3), "D: ");
  EXPECT_NE(std::string(writer.GetDriveName(0)).find(".img)"), std::string::npos);
  EXPECT_EQ(writer.ChooseDrive(0), 1);
  EXPECT_EQ(writer.GetDriveLetter(), 'D');
  EXPECT_EQ(writer.TestUnitReady(), 1);
  EXPECT_EQ(writer.GetDiscType(), kDvdPlusR);
  for (unsigned char cap : {11, 12, 14, 15, 16, 17, 19, 22, 23}) EXPECT_EQ(writer.SupportDisc(cap), 1) << int(cap);
  EXPECT_EQ(writer.SupportDisc(18), 0);
  EXPECT_EQ(writer.GetTotalDiscBlock(), 0u);
  EXPECT_EQ(writer.GetFreeDiscBlock(), DefaultCapacity(kDvdPlusR));
  ASSERT_GT(writer.GetWriteSpeedCount(), 0);
  EXPECT_GT(writer.GetWriteSpeed(0), writer.GetWriteSpeed(writer.GetWriteSpeedCount() - 1));
  EXPECT_EQ(writer.GetWriteSpeed(99), 0);
  // Every burn mode lists it.
  for (unsigned char mode : {0, 1, 8}) {
    writer.SetBurnMode(mode);
    EXPECT_EQ(writer.GetDriveCount(), 1) << int(mode);
  }
}

TEST_F(Drives, ListsNoneOneOrTwoConfiguredWritersWithTheirMedia) {
  UseDevices("[BOX]\nKIND=usb\nNAME=Capture box\n");
  CQnDataCDDVD none;
  EXPECT_EQ(none.GetDriveCount(), 0);
  EXPECT_STREQ(none.GetDriveName(0), "");
  EXPECT_EQ(none.TestUnitReady(), 0);
  EXPECT_EQ(none.GetDiscType(), kNoDisc);

  UseDevices(Writer("DVD",
                    "WRITES=DVD-R,DVD+R,DVD+RW\nMEDIUM=DVD+RW\nSTATE=appendable\nUSED=1000\nCAPACITY=5000\n"
                    "SPEEDS=5540,22160,11080\n") +
             Writer("BD", "WRITES=BD-R,BD-RE\nMEDIUM=BD-R\n"));
  CQnDataCDDVD two;
  two.Initialize();
  ASSERT_EQ(two.GetDriveCount(), 2);
  EXPECT_EQ(std::string(two.GetDriveName(1)).substr(0, 12), "E: Writer BD");
  two.ChooseDrive(0);
  EXPECT_EQ(two.GetDiscType(), kDvdPlusRw);
  EXPECT_EQ(two.GetTotalDiscBlock(), 1000u);
  EXPECT_EQ(two.GetFreeDiscBlock(), 5000u - 1024u);  // the next session starts on a 32-block boundary
  EXPECT_EQ(two.IsErasable(), 1);
  ASSERT_EQ(two.GetWriteSpeedCount(), 3);
  EXPECT_EQ(two.GetWriteSpeed(0), 22160);
  EXPECT_EQ(two.GetWriteSpeed(2), 5540);
  two.ChooseDrive(1);
  EXPECT_EQ(two.GetDiscType(), kBdR);
  EXPECT_EQ(two.GetFreeDiscBlock(), DefaultCapacity(kBdR));
  EXPECT_EQ(two.IsErasable(), 0);
  EXPECT_EQ(two.GetDriveLetter(), 'E');

  // Burn modes narrow the list; the letters stay those of the machine.
  two.SetBurnMode(8);
  ASSERT_EQ(two.GetDriveCount(), 1);
  EXPECT_EQ(std::string(two.GetDriveName(0)).substr(0, 2), "E:");
  two.SetBurnMode(1);
  EXPECT_EQ(two.GetDriveCount(), 0);
}

TEST_F(Drives, MalformedSectionsAreSkippedAndTheRestLoads) {
  const auto problems =
      UseDevices(Writer("BAD1", "WRITES=DVD+R,FLOPPY\n") + Writer("BAD2", "SPEEDS=fast\nWRITES=CD-R\n") +
                 "[NONAME]\nKIND=writer\nWRITES=CD-R\n" + Writer("GOOD", "WRITES=CD-R\n"));
  EXPECT_EQ(problems.size(), 3u);
  CQnDataCDDVD writer;
  ASSERT_EQ(writer.GetDriveCount(), 1);
  EXPECT_NE(std::string(writer.GetDriveName(0)).find("Writer GOOD"), std::string::npos);
  // A CD-only writer gets a blank CD-R when nothing is said about its medium... once its tray cycles.
  EXPECT_EQ(writer.GetDiscType(), kNoDisc);
  writer.UnloadMedium();
  writer.LoadMedium();
  EXPECT_EQ(writer.GetDiscType(), kCdR);
}

TEST_F(Drives, ConfiguredFileIsReadFromTheSuiteConfigFolder) {
  const std::string path = platform::DevicesFilePath();
  EXPECT_EQ(path, platform::ConfigFolder() + "vidarro/devices.ini");
  platform::CreateFolders(platform::FolderOf(path));
  platform::WriteWholeFileAtomic(path, Writer("A", "WRITES=CD-R\n") + Writer("B", "WRITES=CD-RW\n"));
  ReloadMachineDrives();
  CQnDataCDDVD writer;
  EXPECT_EQ(writer.GetDriveCount(), 2);
}

TEST_F(Drives, TrayLockAndReadinessFollowTheDrive) {
  UseDevices(Writer("W", "WRITES=DVD+R,DVD-R,BD-R\nMEDIUM=DVD-R\nSTATE=used\nUSED=300\nNOTREADY=2\n"));
  CQnDataCDDVD writer;
  writer.Initialize();
  EXPECT_EQ(writer.GetDiscType(), kDvdR);
  EXPECT_EQ(writer.GetFreeDiscBlock(), 0u);  // closed
  EXPECT_EQ(writer.GetTotalDiscBlock(), 300u);

  EXPECT_EQ(writer.LockMedium(), 1);
  EXPECT_EQ(writer.UnloadMedium(), 0);  // locked
  EXPECT_EQ(writer.TestUnitReady(), 1);
  writer.UnlockMedium();
  ASSERT_EQ(writer.UnloadMedium(), 1);
  EXPECT_EQ(writer.TestUnitReady(), 0);
  EXPECT_EQ(writer.GetDiscType(), kNoDisc);
  EXPECT_EQ(writer.GetFreeDiscBlock(), 0u);

  // Closing the tray puts in a fresh blank of the drive's first kind, then it spins up.
  writer.LoadMedium();
  EXPECT_EQ(writer.GetDiscType(), kDvdR);
  EXPECT_EQ(writer.GetTotalDiscBlock(), 0u);
  int polls = 0;
  while (!writer.TestUnitReady() && polls < 10) ++polls;
  EXPECT_EQ(polls, 2);

  // The next blank's kind is chosen; another writer object (or process) sees the same disc.
  MachineDrives()[0]->SetNextBlank(kBdR);
  writer.UnloadMedium();
  writer.LoadMedium();
  CQnDataCDDVD other;
  EXPECT_EQ(other.GetDiscType(), kBdR);
  other.UnloadMedium();
  other.LoadMedium();
  EXPECT_EQ(writer.GetDiscType(), kDvdR);
}

TEST_F(Drives, EraseEmptiesARewritableDiscWithProgressOrFails) {
  UseDevices(Writer("RW", "WRITES=DVD+RW,DVD-R\nMEDIUM=DVD+RW\nSTATE=appendable\nUSED=4000\nERASETIME=400\n") +
             Writer("BAD", "WRITES=DVD+RW\nMEDIUM=DVD+RW\nUSED=10\nERASEFAIL=1\nERASETIME=0\n"));
  CQnDataCDDVD writer;
  writer.Initialize();
  ASSERT_EQ(writer.IsErasable(), 1);
  static std::atomic<int> calls{0}, lastStatus{-1};
  auto onEnd = [](int status, void*) {
    lastStatus = status;
    ++calls;
  };
  ASSERT_EQ(writer.StartErase(1, onEnd, &writer), 1);
  EXPECT_EQ(writer.StartErase(1, nullptr, nullptr), 0);  // one at a time
  int seen = -1;
  bool rose = true;
  for (int i = 0; i < 4000 && !writer.TestEraseEnd(); ++i) {
    const int p = writer.GetEraseProgress();
    rose = rose && p >= seen;
    seen = p;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(writer.TestEraseEnd(), 1);
  EXPECT_TRUE(rose);
  EXPECT_EQ(writer.TestEraseSuccess(), 1);
  EXPECT_EQ(writer.GetEraseProgress(), 100);
  for (int i = 0; i < 200 && calls == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(calls.load(), 1);
  EXPECT_EQ(lastStatus.load(), 0);
  EXPECT_EQ(writer.GetTotalDiscBlock(), 0u);

  writer.ChooseDrive(1);
  ASSERT_EQ(writer.StartErase(1, onEnd, nullptr), 1);
  for (int i = 0; i < 4000 && !writer.TestEraseEnd(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(writer.TestEraseSuccess(), 0);
  EXPECT_EQ(writer.GetTotalDiscBlock(), 10u);  // a failed erase leaves the data
  for (int i = 0; i < 200 && calls < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(lastStatus.load(), 1);

  // A write-once disc cannot be erased.
  UseDevices(Writer("R", "WRITES=DVD-R\nMEDIUM=DVD-R\n"));
  CQnDataCDDVD once;
  EXPECT_EQ(once.IsErasable(), 0);
  EXPECT_EQ(once.StartErase(1, nullptr, nullptr), 0);
}

TEST_F(Drives, EraseRunsOnTheSuiteClock) {
  UseDevices(Writer("RW", "WRITES=CD-RW\nMEDIUM=CD-RW\nUSED=50\nERASETIME=3600000\n"));
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  CQnDataCDDVD writer;
  const auto settle = [&](const std::function<bool()>& done) {
    // Bounded by wall time only so a loaded machine still finishes.
    for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  ASSERT_EQ(writer.StartErase(1, nullptr, nullptr), 1);
  // The erase waits for the test's clock and never moves it: nothing ends while it stands still.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(writer.TestEraseEnd(), 0);
  EXPECT_EQ(clock.NowMs(), 0u);
  EXPECT_EQ(writer.GetTotalDiscBlock(), 50u);

  clock.Advance(1800000);
  settle([&] { return writer.GetEraseProgress() >= 50; });
  EXPECT_EQ(writer.GetEraseProgress(), 50);
  EXPECT_EQ(writer.TestEraseEnd(), 0);

  clock.Advance(1799900);
  settle([&] { return writer.GetEraseProgress() >= 99; });
  EXPECT_EQ(writer.TestEraseEnd(), 0) << "ended 100 ms early";
  clock.Advance(100);
  settle([&] { return writer.TestEraseEnd() == 1; });
  EXPECT_EQ(writer.TestEraseSuccess(), 1);
  EXPECT_EQ(writer.GetEraseProgress(), 100);
  EXPECT_EQ(clock.NowMs(), 3600000u);
  EXPECT_EQ(writer.GetTotalDiscBlock(), 0u);
}

TEST_F(Drives, ADiscWhoseBurnerDiedReadsAsWrittenAndOpen) {
  UseDevices(Writer("W", "WRITES=DVD+R\nMEDIUM=DVD+R\nCAPACITY=10000\n"));
  CQnDataCDDVD writer;
  ASSERT_EQ(writer.GetTotalDiscBlock(), 0u);
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  // What a burning process leaves when it is killed mid-burn.
  ASSERT_TRUE(MachineDrives()[0]->Change([&](MediumState& s) {
    s.burning = true;
    s.burner = child;
    s.used = true;
    s.usedBlocks = 640;
  }));
  MediumState s;
  ASSERT_TRUE(LoadMediumState(MachineDrives()[0]->Desc().StatePath(), &s));
  EXPECT_FALSE(s.burning);
  EXPECT_TRUE(s.used);
  EXPECT_FALSE(s.finalized);
  EXPECT_EQ(writer.GetTotalDiscBlock(), 640u);
  EXPECT_EQ(writer.GetFreeDiscBlock(), 10000u - 640u);
  EXPECT_EQ(writer.UnloadMedium(), 1);  // the drive is free again

  // While the burning process lives, the disc stays busy.
  writer.LoadMedium();
  ASSERT_TRUE(MachineDrives()[0]->Change([&](MediumState& m) {
    m.burning = true;
    m.burner = static_cast<int>(getpid());
  }));
  EXPECT_EQ(writer.UnloadMedium(), 0);
}

TEST(VolumeLabels, AreCutToThirtyTwoBytesOnACharacterBoundary) {
  EXPECT_EQ(VolumeLabel("20061208_1530"), "20061208_1530");
  const std::string accents = "\xC3\xA9t\xC3\xA9 \xC3\xA0 la plage avec les enfants";  // multi-byte letters
  const std::string cut = VolumeLabel(std::string(31, 'a') + "\xC3\xA9");
  EXPECT_EQ(cut, std::string(31, 'a'));
  EXPECT_LE(VolumeLabel(accents).size(), 32u);
  EXPECT_EQ(accents.compare(0, VolumeLabel(accents).size(), VolumeLabel(accents)), 0);
  EXPECT_NE(static_cast<unsigned char>(VolumeLabel(accents).back()) & 0xC0, 0xC0u);
}

struct Seen {
  std::atomic<int> arrivals{0}, removals{0};
  std::atomic<DWORD> mask{0};
  std::atomic<WORD> flags{0};
};
Seen seen;

LRESULT ListenerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_DEVICECHANGE && (w == DBT_DEVICEARRIVAL || w == DBT_DEVICEREMOVECOMPLETE)) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(l);
    if (header->dbch_devicetype == DBT_DEVTYP_VOLUME) {
      const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(l);
      seen.mask = volume->dbcv_unitmask;
      seen.flags = volume->dbcv_flags;
      ++(w == DBT_DEVICEARRIVAL ? seen.arrivals : seen.removals);
    }
    return TRUE;
  }
  return DefWindowProc(h, m, w, l);
}

TEST_F(Drives, MediumChangeReachesTopLevelWindowsAsDeviceChange) {
  UseDevices(Writer("A", "WRITES=CD-R\nMEDIUM=CD-R\n") + Writer("B", "WRITES=DVD+R\nMEDIUM=DVD+R\n"));
  WNDCLASS wc{};
  wc.lpszClassName = "DiscListener";
  wc.lpfnWndProc = ListenerProc;
  RegisterClass(&wc);
  HWND window = CreateWindowEx(0, "DiscListener", "listener", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  CQnDataCDDVD writer;
  writer.SetBurnMode(0);  // lists only B, which is E:
  ASSERT_EQ(writer.UnloadMedium(), 1);
  auto pump = [] {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
  };
  pump();
  EXPECT_EQ(seen.removals.load(), 1);
  EXPECT_EQ(seen.mask.load(), DWORD{1} << ('E' - 'A'));
  EXPECT_EQ(seen.flags.load() & DBTF_MEDIA, DBTF_MEDIA);
  writer.LoadMedium();
  pump();
  EXPECT_EQ(seen.arrivals.load(), 1);
  // Closing a closed tray changes nothing.
  writer.LoadMedium();
  pump();
  EXPECT_EQ(seen.arrivals.load(), 1);
  DestroyWindow(window);

  // Device-interface registrations come and go.
  DEV_BROADCAST_DEVICEINTERFACE filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  HDEVNOTIFY handle =
      RegisterDeviceNotification(reinterpret_cast<HANDLE>(window), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(UnregisterDeviceNotification(handle));
  EXPECT_FALSE(UnregisterDeviceNotification(handle));
  DEV_BROADCAST_HDR volume{sizeof(DEV_BROADCAST_HDR), DBT_DEVTYP_VOLUME, 0};
  EXPECT_EQ(RegisterDeviceNotification(reinterpret_cast<HANDLE>(window), &volume, 0), nullptr);
}

}  // namespace
