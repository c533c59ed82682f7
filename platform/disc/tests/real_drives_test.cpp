#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "platform/disc/drive_set.h"
#include "platform/disc/real_drive.h"

using namespace platform::disc;

// The machine's own drives, as the suite lists them; a machine without any skips.
TEST(MachineDrives, ListTheRealWritersWithLettersFromD) {
  setenv("VIDARRO_SIMULATED", "0", 1);
  ASSERT_TRUE(real::Wanted());
  const auto drives = real::Scan();
  // Every optical node of the machine is listed: by libburn, or with the reason it cannot be opened.
  const auto nodes = real::OpticalNodes("/dev");
  for (const std::string& node : nodes)
    EXPECT_TRUE(std::any_of(drives.begin(), drives.end(), [&](const DriveDesc& d) { return d.realAddress == node; }))
        << node << " is not listed";
  if (nodes.empty()) GTEST_SKIP() << "no optical drive on this machine";
  for (std::size_t i = 0; i < drives.size(); ++i) {
    std::cout << DriveLetter(i) << ": " << drives[i].name << " (" << drives[i].realAddress << ")\n";
    EXPECT_FALSE(drives[i].realAddress.empty());
    if (i > 0) {
      EXPECT_TRUE(real::NodeBefore(drives[i - 1].realAddress, drives[i].realAddress));
    }
  }
}
