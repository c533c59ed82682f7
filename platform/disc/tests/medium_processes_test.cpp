// Two other processes and this one share a devices file: a tray this process moves reaches the
// windows of both, with the letter every process gives the drive. Two processes whose scans find
// the machine's drives in different orders give them the same letters.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "disc_test_support.h"
#include "platform/base/process.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/disc/real_drive.h"

using namespace platform::disc;

namespace {

// Reads the listener's output until it holds `text`; the bound only keeps a broken build from hanging.
bool ReadUntil(platform::ChildProcess& listener, std::string* out, const std::string& text) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  std::string err;
  while (out->find(text) == std::string::npos && std::chrono::steady_clock::now() < giveUp)
    if (!listener.ReadOutput(out, &err, 500)) break;
  return out->find(text) != std::string::npos;
}

TEST(MediumInOtherProcesses, ATrayMovedHereReachesBothWithTheDrivesLetter) {
  disctest::UseDevices(disctest::Writer("A", "WRITES=CD-R\nMEDIUM=CD-R\n") +
                       disctest::Writer("B", "WRITES=DVD+R\nMEDIUM=DVD+R\n"));
  platform::ChildProcess first, second;
  std::string firstOut, secondOut;
  ASSERT_TRUE(first.Start(MEDIUM_LISTENER, {"2"}));
  ASSERT_TRUE(second.Start(MEDIUM_LISTENER, {"2"}));
  ASSERT_TRUE(ReadUntil(first, &firstOut, "ready\n")) << firstOut;
  ASSERT_TRUE(ReadUntil(second, &secondOut, "ready\n")) << secondOut;

  CQnDataCDDVD writer;
  writer.SetBurnMode(0);  // lists only B, which is E: in every process
  ASSERT_EQ(writer.GetDriveLetter(), 'E');
  ASSERT_EQ(writer.UnloadMedium(), 1);
  EXPECT_TRUE(ReadUntil(first, &firstOut, "E removed\n")) << firstOut;
  EXPECT_TRUE(ReadUntil(second, &secondOut, "E removed\n")) << secondOut;
  writer.LoadMedium();
  EXPECT_TRUE(ReadUntil(first, &firstOut, "E arrived\n")) << firstOut;
  EXPECT_TRUE(ReadUntil(second, &secondOut, "E arrived\n")) << secondOut;
  EXPECT_EQ(firstOut, "ready\nE removed\nE arrived\n");
  EXPECT_EQ(secondOut, "ready\nE removed\nE arrived\n");
  EXPECT_TRUE(first.Wait(60000));
  EXPECT_TRUE(second.Wait(60000));
  EXPECT_EQ(first.ExitCode(), 0);
}

// udev's record of a disc put into /dev/sr1 reaches each process as E:, and a drive neither may
// open keeps F: in both.
TEST(MediumInOtherProcesses, RealDrivesFoundInAnyOrderHaveTheSameLettersInEach) {
  platform::ChildProcess first, second;
  ASSERT_TRUE(first.Start(MEDIUM_LISTENER, {"real", "/dev/sr1", "/dev/sr1", "/dev/sr0", "!/dev/sr2"}));
  ASSERT_TRUE(second.Start(MEDIUM_LISTENER, {"real", "/dev/sr1", "!/dev/sr2", "/dev/sr0", "/dev/sr1"}));
  std::string firstOut, secondOut;
  EXPECT_TRUE(ReadUntil(first, &firstOut, "arrived\n")) << firstOut;
  EXPECT_TRUE(ReadUntil(second, &secondOut, "arrived\n")) << secondOut;
  const std::string listed = std::string("D: Writer (/dev/sr0)\nE: Writer (/dev/sr1)\nF: ") + real::kNoPermissionName +
                             " (/dev/sr2)\nE arrived\n";
  EXPECT_EQ(firstOut, listed);
  EXPECT_EQ(secondOut, listed);
  EXPECT_TRUE(first.Wait(60000));
  EXPECT_TRUE(second.Wait(60000));
  EXPECT_EQ(first.ExitCode(), 0);
  EXPECT_EQ(second.ExitCode(), 0);
}

}  // namespace
