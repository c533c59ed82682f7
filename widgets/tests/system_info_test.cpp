#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "widgets/reg_helpers.h"
#include "widgets/system_facts.h"
#include "widgets/system_info.h"

TEST(SystemInfo, FixedAnswersOfThisSystem) {
  EXPECT_EQ(IsWow64(), FALSE);
  EXPECT_EQ(CWinVersion().GetVersion(), 10);
  // A test takes an older system's paths; objects made before keep their code.
  CWinVersion before;
  CWinVersion::SetProcessVersionCode(6);
  EXPECT_EQ(CWinVersion().GetVersion(), 6);
  EXPECT_EQ(before.GetVersion(), 10);
  CWinVersion::SetProcessVersionCode(CWinVersion::kLinuxVersionCode);
  EXPECT_EQ(CWinVersion().GetVersion(), 10);

  std::string path = "stale";
  EXPECT_EQ(CSystemInfoLauncher::GetSystemInfoPath(path), FALSE);
  EXPECT_EQ(path, "");
}

TEST(SystemFacts, ProcessorAndMemoryTables) {
  const std::string x86 =
      "processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz\n\n"
      "processor\t: 1\nmodel name\t: Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz\n";
  EXPECT_EQ(ProcessorModel(x86), "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz");
  EXPECT_EQ(ProcessorEntries(x86), 2);
  // Boards without a model name give their model; nothing at all gives nothing.
  EXPECT_EQ(ProcessorModel("processor : 0\nBogoMIPS : 108.00\nModel : Raspberry Pi 4 Model B\n"),
            "Raspberry Pi 4 Model B");
  EXPECT_EQ(ProcessorModel(""), "");
  EXPECT_EQ(ProcessorModel("model name :\n"), "");

  const std::string meminfo = "MemTotal:       16303364 kB\nMemFree:  100 kB\nMemAvailable:    9041236 kB\n";
  EXPECT_EQ(MemoryField(meminfo, "MemTotal"), 16303364ull * 1024);
  EXPECT_EQ(MemoryField(meminfo, "MemAvailable"), 9041236ull * 1024);
  EXPECT_EQ(MemoryField(meminfo, "SwapTotal"), 0u);
  EXPECT_EQ(MemoryField("MemTotal: lots\n", "MemTotal"), 0u);
  EXPECT_EQ(MemoryField("MemTotal: 99999999999999999999 kB\n", "MemTotal"), 0u);
}

// Only storage of this machine is listed, so that no remote server is ever asked for its sizes.
TEST(SystemFacts, MountTableKeepsLocalStorageOnce) {
  const std::string mounts =
      "/dev/nvme0n1p2 / ext4 rw,relatime 0 0\n"
      "proc /proc proc rw 0 0\n"
      "sysfs /sys sysfs rw 0 0\n"
      "tmpfs /run tmpfs rw 0 0\n"
      "server:/export /mnt/nfs nfs4 rw 0 0\n"
      "//nas/share /mnt/share cifs rw 0 0\n"
      "me@host:/ /mnt/ssh fuse.sshfs rw 0 0\n"
      "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
      "/dev/sdb1 /media/me/My\\040Disk vfat rw 0 0\n"
      "/dev/sdc1 /media/me/win fuseblk rw 0 0\n"
      "overlay /var/lib/docker/overlay2/x/merged overlay rw 0 0\n"
      "/dev/nvme0n1p2 / ext4 rw,relatime 0 0\n"
      "broken line\n";
  EXPECT_EQ(LocalMountPoints(mounts),
            (std::vector<std::string>{"/", "/media/me/My Disk", "/media/me/win", "/var/lib/docker/overlay2/x/merged"}));
  EXPECT_TRUE(LocalMountPoints("").empty());
}

TEST(SystemFacts, WhatCannotBeHadReadsUnknown) {
  const std::string text = DescribeSystem(SystemFacts{});
  EXPECT_NE(text.find("Processor: unknown\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Logical cores: unknown\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Memory: unknown total, unknown available\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Display: unknown, colour depth unknown\r\n"), std::string::npos) << text;
  SystemFacts facts;
  facts.processor = "Test CPU";
  facts.logicalCores = 4;
  facts.memoryTotal = 8ull << 30;
  facts.memoryAvailable = 3ull << 29;
  facts.screenWidth = 1920;
  facts.screenHeight = 1080;
  facts.colourBits = 24;
  facts.fileSystems = {{"/", 500ull << 30, 1536ull << 20}};
  const std::string known = DescribeSystem(facts);
  EXPECT_NE(known.find("Memory: 8.0 GB total, 1.5 GB available"), std::string::npos) << known;
  EXPECT_NE(known.find("Display: 1920 x 1080, 24-bit colour"), std::string::npos) << known;
  EXPECT_NE(known.find("  /: 500.0 GB, 1.5 GB free"), std::string::npos) << known;
  EXPECT_EQ(ByteSizeText(1023), "1023 bytes");
  EXPECT_EQ(ByteSizeText(1024), "1.0 KB");
}

TEST(SystemInfo, ProbeFolderAccess) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = std::string(tmp ? tmp : "/tmp") + "/probe/";
  ::mkdir(base.c_str(), 0700);
  const std::string file = base + "file.txt";
  std::ofstream(file) << "x";
  const std::string locked = base + "locked/";
  ::mkdir(locked.c_str(), 0500);

  struct Case {
    std::string folder;
    BOOL expected;
  };
  std::vector<Case> cases = {{base, TRUE}, {base + "missing/", FALSE}, {file, FALSE}, {"", FALSE}};
  if (geteuid() != 0) cases.push_back({locked, FALSE});  // root may write anywhere
  for (const Case& c : cases) {
    BOOL folders = 7, files = 7;
    ProbeFolderAccess(c.folder.c_str(), &folders, &files);
    EXPECT_EQ(folders, c.expected) << c.folder;
    EXPECT_EQ(files, c.expected) << c.folder;
  }
  ::chmod(locked.c_str(), 0700);
}
