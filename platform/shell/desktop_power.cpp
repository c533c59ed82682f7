#include "platform/shell/desktop_power.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/shell/desktop_bus.h"
#include "platform/shell/logind_client.h"
#include "platform/shell/power.h"
#include "platform/shell/screen_saver_client.h"

namespace platform {
namespace {

constexpr const char* kSleepWhy = "Capture, recording and burning must not be cut by sleep";
constexpr const char* kSuspendWhy = "Recordings are closed before the machine sleeps";
constexpr const char* kScreenSaverReason = "Capturing, recording or burning video";

struct Wanted {
  bool systemAwake = false;
  bool screenSaverOff = false;
};

void CloseDescriptor(int* fd) {
  if (*fd >= 0) ::close(*fd);
  *fd = -1;
}

// The bus thread and everything it owns. Requests only change `wanted_` and wake the thread, so
// the UI thread never waits on a bus.
class DesktopPower {
 public:
  DesktopPower() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    onPrepare_ = [this](bool starting) { sleepEvents_.push_back(starting); };
    thread_ = std::thread([this] { Run(); });
  }

  ~DesktopPower() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    Wake();
    thread_.join();
    if (wake_ >= 0) ::close(wake_);
  }

  void Want(const std::function<void(Wanted&)>& change) {
    {
      std::lock_guard lock(mutex_);
      change(wanted_);
    }
    Wake();
  }

 private:
  void Wake() {
    const uint64_t one = 1;
    if (wake_ < 0) return;
    [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
  }

  void Run() {
    system_ = std::make_unique<DesktopBus>(DesktopBus::Kind::System);
    // A delay lock is what lets the windows answer before the machine goes down.
    if (logind::WatchPrepareForSleep(*system_, &onPrepare_)) TakeDelayLock();
    for (;;) {
      Wanted wanted;
      bool stop = false;
      {
        std::lock_guard lock(mutex_);
        wanted = wanted_;
        stop = stop_;
      }
      if (stop) break;
      Apply(wanted);
      WaitForWork();
      system_->Process();
      if (session_) session_->Process();
      while (!sleepEvents_.empty()) {
        const bool starting = sleepEvents_.front();
        sleepEvents_.pop_front();
        OnPrepareForSleep(starting);
      }
    }
    Apply(Wanted{});
    CloseDescriptor(&delayFd_);
    session_.reset();
    system_.reset();
  }

  // Only a change is carried out, so a missing service is asked once per request, not per wake.
  void Apply(const Wanted& wanted) {
    if (wanted.systemAwake != held_.systemAwake) {
      if (wanted.systemAwake)
        blockFd_ = logind::Inhibit(*system_, "sleep:idle", program_invocation_short_name, kSleepWhy, "block");
      else CloseDescriptor(&blockFd_);
      held_.systemAwake = wanted.systemAwake;
    }
    if (wanted.screenSaverOff != held_.screenSaverOff) {
      if (wanted.screenSaverOff) {
        if (!session_) session_ = std::make_unique<DesktopBus>(DesktopBus::Kind::Session);
        cookie_ = screen_saver::Inhibit(*session_, program_invocation_short_name, kScreenSaverReason);
      } else if (cookie_) {
        screen_saver::UnInhibit(*session_, *cookie_);
        cookie_.reset();
      }
      held_.screenSaverOff = wanted.screenSaverOff;
    }
  }

  void TakeDelayLock() {
    if (delayFd_ < 0)
      delayFd_ = logind::Inhibit(*system_, "sleep", program_invocation_short_name, kSuspendWhy, "delay");
  }

  void OnPrepareForSleep(bool starting) {
    if (starting) {
      BroadcastPowerEvent(PBT_APMSUSPEND);
      CloseDescriptor(&delayFd_);
    } else {
      BroadcastPowerEvent(PBT_APMRESUMEAUTOMATIC);
      TakeDelayLock();
    }
  }

  void WaitForWork() {
    pollfd fds[3] = {{wake_, POLLIN, 0}, {system_->Descriptor(), system_->PollEvents(), 0}, {-1, 0, 0}};
    uint64_t deadline = system_->Deadline();
    if (session_) {
      fds[2] = {session_->Descriptor(), session_->PollEvents(), 0};
      deadline = std::min(deadline, session_->Deadline());
    }
    int timeoutMs = -1;
    if (deadline != UINT64_MAX) {
      timespec now{};
      ::clock_gettime(CLOCK_MONOTONIC, &now);
      const uint64_t nowUs = static_cast<uint64_t>(now.tv_sec) * 1000000 + static_cast<uint64_t>(now.tv_nsec) / 1000;
      timeoutMs =
          deadline <= nowUs ? 0 : static_cast<int>(std::min<uint64_t>((deadline - nowUs + 999) / 1000, INT_MAX));
    }
    while (::poll(fds, 3, timeoutMs) < 0 && errno == EINTR) {
    }
    uint64_t count = 0;
    [[maybe_unused]] auto drained = ::read(wake_, &count, sizeof count);
  }

  std::mutex mutex_;
  Wanted wanted_;
  bool stop_ = false;
  const int wake_;
  std::thread thread_;

  // The bus thread's own.
  std::unique_ptr<DesktopBus> system_;
  std::unique_ptr<DesktopBus> session_;
  Wanted held_;
  int blockFd_ = -1;
  int delayFd_ = -1;
  std::optional<uint32_t> cookie_;
  std::function<void(bool)> onPrepare_;
  std::deque<bool> sleepEvents_;
};

std::mutex& InstanceMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unique_ptr<DesktopPower>& Instance() {
  static std::unique_ptr<DesktopPower> instance;
  return instance;
}

// Starts the bus thread for a request to hold something; a give-back with nothing started is
// nothing to do.
void Request(bool hold, const std::function<void(Wanted&)>& change) {
  std::lock_guard lock(InstanceMutex());
  auto& instance = Instance();
  if (!instance) {
    if (!hold) return;
    instance = std::make_unique<DesktopPower>();
  }
  instance->Want(change);
}

}  // namespace

void KeepSystemAwake(bool on) {
  Request(on, [on](Wanted& wanted) { wanted.systemAwake = on; });
}

void KeepScreenSaverOff(bool off) {
  Request(off, [off](Wanted& wanted) { wanted.screenSaverOff = off; });
}

void StopDesktopPower() {
  std::unique_ptr<DesktopPower> ending;
  {
    std::lock_guard lock(InstanceMutex());
    ending = std::move(Instance());
  }
}

}  // namespace platform
