#include "bdauthor/clip_mapping.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>

namespace bdauthor {

namespace {

// The mappings a bus error may hit, so that the handler can tell its own from any other; the
// handler reads them without locks.
constexpr int kSlots = 16;
struct Slot {
  std::atomic<std::uintptr_t> begin{0}, end{0};
  std::atomic<bool> lost{false};
};
Slot gSlots[kSlots];
std::mutex gSlotsMutex;
std::uintptr_t gPageSize = 4096;
struct sigaction gPrevious {};

void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (Slot& slot : gSlots) {
    const std::uintptr_t begin = slot.begin.load(), end = slot.end.load();
    if (begin == 0 || address < begin || address >= end) continue;
    // The page went with the end of the file: a page of zeros takes its place.
    void* page = reinterpret_cast<void*>(address & ~(gPageSize - 1));
    if (::mmap(page, gPageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
      slot.lost.store(true);
      return;
    }
  }
  // Not a clip's page: whatever handled the signal before handles it.
  if (gPrevious.sa_flags & SA_SIGINFO) {
    if (gPrevious.sa_sigaction) gPrevious.sa_sigaction(signal, info, context);
    return;
  }
  if (gPrevious.sa_handler == SIG_DFL || gPrevious.sa_handler == SIG_IGN) {
    // The faulting access runs again and ends the process as it would have.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(SIGBUS, &fallback, nullptr);
    return;
  }
  gPrevious.sa_handler(signal);
}

// The handler stands only while a clip is mapped (the module holding it may be unloaded later),
// and goes only when it is still the one in place. Called with gSlotsMutex held.
int gMapped = 0;

void InstallHandler() {
  if (gMapped++ > 0) return;
  gPageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, &gPrevious);
}

void RemoveHandler() {
  if (--gMapped > 0) return;
  struct sigaction current {};
  if (::sigaction(SIGBUS, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) &&
      current.sa_sigaction == OnBusError)
    ::sigaction(SIGBUS, &gPrevious, nullptr);
}

// cachestat(2), Linux 6.5 on: how much of a range the page cache holds, counted a folio at a
// time rather than a page at a time as mincore does. Spelt out here, as older headers lack it.
constexpr long kCachestat = 451;
struct CachestatRange {
  std::uint64_t offset, length;
};
struct Cachestat {
  std::uint64_t cache, dirty, writeback, evicted, recentlyEvicted;
};

// Whether the page cache holds every page of [offset, offset + bytes); nothing when the system
// cannot tell this way.
std::optional<bool> AllCached(int descriptor, std::int64_t offset, std::int64_t bytes, std::int64_t page) {
  static std::atomic<bool> works{true};
  if (!works || descriptor < 0 || bytes <= 0) return std::nullopt;
  const std::int64_t first = offset / page, last = (offset + bytes - 1) / page;
  CachestatRange range{static_cast<std::uint64_t>(first * page), static_cast<std::uint64_t>((last - first + 1) * page)};
  Cachestat stat{};
  if (::syscall(kCachestat, descriptor, &range, &stat, 0) != 0) {
    if (errno == ENOSYS) works = false;
    return std::nullopt;
  }
  return stat.cache >= static_cast<std::uint64_t>(last - first + 1);
}

}  // namespace

std::optional<bool> SpanCached(int descriptor, std::int64_t offset, std::int64_t bytes) {
  return AllCached(descriptor, offset, bytes, ::sysconf(_SC_PAGESIZE));
}

ClipMapping::ClipMapping(int descriptor, std::int64_t from, std::int64_t end) {
  if (descriptor < 0 || from < 0 || end <= from) return;
  std::lock_guard lock(gSlotsMutex);
  for (int i = 0; i < kSlots && slot_ < 0; ++i)
    if (gSlots[i].begin.load() == 0) slot_ = i;
  if (slot_ < 0) return;  // many clips mapped at once: the caller reads instead
  InstallHandler();
  mappedFrom_ = from & ~static_cast<std::int64_t>(gPageSize - 1);
  length_ = static_cast<std::size_t>(end - mappedFrom_);
  void* base = ::mmap(nullptr, length_, PROT_READ, MAP_SHARED, descriptor, mappedFrom_);
  if (base == MAP_FAILED) {
    RemoveHandler();
    slot_ = -1;
    return;
  }
  base_ = static_cast<std::uint8_t*>(base);
  descriptor_ = descriptor;
  Slot& slot = gSlots[slot_];
  slot.lost.store(false);
  slot.end.store(reinterpret_cast<std::uintptr_t>(base_) + length_);
  slot.begin.store(reinterpret_cast<std::uintptr_t>(base_));
}

ClipMapping::~ClipMapping() {
  if (!base_) return;
  std::lock_guard lock(gSlotsMutex);
  gSlots[slot_].begin.store(0);
  gSlots[slot_].end.store(0);
  ::munmap(base_, length_);
  RemoveHandler();
}

std::int64_t ClipMapping::ResidentFrom(std::int64_t offset, std::int64_t bytes) {
  if (!base_ || bytes <= 0) return 0;
  const std::int64_t page = static_cast<std::int64_t>(gPageSize);
  // Nearly always the whole span is cached; only a span that is not needs the page by page look.
  // A cached span's page table entries are made in one call: touched one by one, its pages would
  // cost a fault every few, which on a busy machine costs as much as the scan.
  if (AllCached(descriptor_, offset, bytes, page).value_or(false)) {
    const std::int64_t first = (offset - mappedFrom_) / page, last = (offset - mappedFrom_ + bytes - 1) / page;
    ::madvise(base_ + first * page, static_cast<std::size_t>(last - first + 1) * gPageSize, MADV_POPULATE_READ);
    return bytes;
  }
  const std::int64_t first = (offset - mappedFrom_) / page;
  const std::int64_t last = (offset - mappedFrom_ + bytes - 1) / page;
  pages_.resize(static_cast<std::size_t>(last - first + 1));
  if (::mincore(base_ + first * page, static_cast<std::size_t>(last - first + 1) * gPageSize, pages_.data()) != 0)
    return 0;
  const auto gap = std::find_if(pages_.begin(), pages_.end(), [](unsigned char p) { return (p & 1) == 0; });
  if (gap == pages_.end()) return bytes;
  const std::int64_t runEnd = mappedFrom_ + (first + (gap - pages_.begin())) * page;
  return std::max<std::int64_t>(0, runEnd - offset);
}

bool ClipMapping::Lost() const { return base_ && gSlots[slot_].lost.load(); }

}  // namespace bdauthor
