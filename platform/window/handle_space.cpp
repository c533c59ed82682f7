#include "platform/window/handle_space.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/base/paths.h"

namespace platform::win {
namespace {

// Handle values start above the range HWND_BROADCAST and the small sentinels use.
constexpr std::uint32_t kFirstBlock = 16;
constexpr std::uint32_t kLastBlock = 0xFFFFFFFFu / kHandleBlockSize - 1;

std::atomic<std::uint32_t> g_fallbackBlock{kFirstBlock};

std::string BlockFile(std::uint32_t block) { return WindowDirectory() + "block-" + std::to_string(block); }

bool ReadAll(int fd, void* data, size_t size) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = ::pread(fd, static_cast<char*>(data) + got, size - got, static_cast<off_t>(got));
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string WindowDirectory() {
  const std::string runtime = platform::RuntimeFolder();
  if (runtime.empty()) return std::string();
  const std::string dir = runtime + "vidarro-windows";
  ::mkdir(dir.c_str(), 0700);
  // Whoever made the folder first would receive this user's messages, so only a private one of
  // ours is used; without it the windows of this process stay its own.
  if (!platform::IsPrivateFolder(dir)) {
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
      std::fprintf(stderr, "window directory %s refused: not a private folder of this user\n", dir.c_str());
    return std::string();
  }
  return dir + "/";
}

std::uint32_t ReserveHandleBlock() {
  const std::string dir = WindowDirectory();
  std::uint32_t block = 0;
  if (!dir.empty()) {
    int fd = ::open((dir + "handle-blocks").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
      if (::flock(fd, LOCK_EX) == 0) {
        std::uint32_t next = 0;
        if (!ReadAll(fd, &next, sizeof next) || next < kFirstBlock || next > kLastBlock) next = kFirstBlock;
        block = next;
        std::uint32_t after = next + 1 > kLastBlock ? kFirstBlock : next + 1;
        if (::pwrite(fd, &after, sizeof after, 0) != static_cast<ssize_t>(sizeof after)) block = 0;
        ::flock(fd, LOCK_UN);
      }
      ::close(fd);
    }
  }
  if (block == 0) {
    // No runtime folder: handles stay unique within this process only.
    block = g_fallbackBlock.fetch_add(1);
  } else {
    const std::string pid = std::to_string(::getpid());
    FILE* f = std::fopen(BlockFile(block).c_str(), "w");
    if (f) {
      std::fputs(pid.c_str(), f);
      std::fclose(f);
    }
  }
  return block * kHandleBlockSize;
}

std::uint32_t BlockOwner(std::uint32_t handle) {
  const std::uint32_t block = handle / kHandleBlockSize;
  if (block < kFirstBlock || WindowDirectory().empty()) return 0;
  FILE* f = std::fopen(BlockFile(block).c_str(), "r");
  if (!f) return 0;
  unsigned long pid = 0;
  if (std::fscanf(f, "%lu", &pid) != 1) pid = 0;
  std::fclose(f);
  return static_cast<std::uint32_t>(pid);
}

}  // namespace platform::win
