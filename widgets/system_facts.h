// What the system information window tells: processor, memory, display and local file systems,
// read from the kernel's own tables. A value that cannot be had stays at its "unknown" mark.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FileSystemFacts {
  std::string mountPoint;
  std::uint64_t totalBytes = 0;
  std::uint64_t freeBytes = 0;
};

struct SystemFacts {
  std::string processor;          // empty: unknown
  int logicalCores = 0;           // 0: unknown
  std::uint64_t memoryTotal = 0;  // bytes; 0: unknown
  std::uint64_t memoryAvailable = 0;
  int screenWidth = 0;  // 0: unknown
  int screenHeight = 0;
  int colourBits = 0;
  std::vector<FileSystemFacts> fileSystems;
};

// The "model name" of a /proc/cpuinfo text (the first one; empty when none) and its number of
// "processor" entries.
std::string ProcessorModel(const std::string& cpuinfo);
int ProcessorEntries(const std::string& cpuinfo);
// A /proc/meminfo field ("MemTotal", "MemAvailable") in bytes; 0 when absent or unreadable.
std::uint64_t MemoryField(const std::string& meminfo, const std::string& field);

// The mount points of a mount table (/proc/self/mounts) that lie on local storage, in table
// order, each once. Network file systems are left out unasked, so that a server that stalls can
// never hold the window up; so are the kernel's pseudo file systems.
std::vector<std::string> LocalMountPoints(const std::string& mounts);

// Everything above for this machine; file-system sizes from statvfs of each local mount point.
SystemFacts GatherSystemFacts();

// The window's text, one line per fact, "unknown" for what could not be had.
std::string DescribeSystem(const SystemFacts& facts);
// Bytes in the largest unit that keeps a whole part: "512 bytes", "3.4 MB", "1.8 TB".
std::string ByteSizeText(std::uint64_t bytes);
