#include "platform/disc/eraser.h"

#include <algorithm>

#include "platform/base/clock.h"
#include "platform/disc/real_drive.h"
#include "platform/disc/suite_wait.h"

namespace platform::disc {
Eraser::~Eraser() { Join(); }

void Eraser::Join() {
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id()) thread_.detach();
  else thread_.join();
}

bool Eraser::Start(SimDrive* drive, DiscCallback callback, void* context) {
  if (running_ || !drive) return false;
  const MediumState s = drive->State();
  if (s.trayOpen || s.burning || !IsRewritable(s.kind) || !drive->Desc().Writes(CapabilityFor(s.kind))) return false;
  Join();
  std::lock_guard startLock(startMutex_);
  running_ = true;
  ended_ = false;
  succeeded_ = false;
  percent_ = 0;
  thread_ = std::thread(&Eraser::Run, this, drive, callback, context);
  return true;
}

void Eraser::Run(SimDrive* drive, DiscCallback callback, void* context) {
  if (drive->Desc().IsReal()) {
    const bool ok = real::Erase(drive->Desc().realAddress, &percent_);
    if (ok) percent_ = 100;
    succeeded_ = ok;
    running_ = false;
    ended_ = true;
    { std::lock_guard wait(startMutex_); }
    if (callback) callback(ok ? 0 : 1, context);
    return;
  }
  platform::Clock& clock = platform::CurrentClock();
  const std::uint64_t start = clock.NowMs();
  const std::uint64_t total = drive->Desc().eraseMs;
  for (;;) {
    const std::uint64_t elapsed = clock.NowMs() - start;
    if (elapsed >= total) break;
    percent_ = static_cast<int>(elapsed * 100 / total);
    if (!WaitForSuiteTime(clock, start + std::min(total, elapsed + 100))) break;
  }
  const bool ok = !drive->Desc().eraseFails && drive->Blank();
  if (ok) percent_ = 100;
  succeeded_ = ok;
  running_ = false;
  ended_ = true;
  { std::lock_guard wait(startMutex_); }
  if (callback) callback(ok ? 0 : 1, context);
}

}  // namespace platform::disc
