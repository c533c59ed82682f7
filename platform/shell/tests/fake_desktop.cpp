#include "fake_desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "platform/testkit/driving.h"

extern char** environ;

namespace shell_tests {
namespace {

constexpr const char* kConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=@SOCKET@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

struct HeldLock {
  Inhibitor facts;
  int watch = -1;  // the read end of the pipe whose write end the client holds
};

struct HeldInhibit {
  ScreenSaverInhibit facts;
  std::string sender;
};

}  // namespace

struct FakeDesktop::Service {
  std::string folder;
  std::string address;
  std::string failure;
  pid_t daemon = -1;
  sd_bus* bus = nullptr;
  int stop = -1;
  std::thread thread;
  std::mutex mutex;  // guards the bus and everything below
  std::vector<HeldLock> locks;
  std::map<uint32_t, HeldInhibit> inhibits;
  std::vector<std::string> givenBack;  // by application
  uint32_t nextCookie = 1;

  bool StartDaemon();
  bool StartService();
  void Run();
  void DropClosedLocks();
};

namespace {

int OnInhibit(sd_bus_message* message, void* userdata, sd_bus_error* error) {
  auto* service = static_cast<FakeDesktop::Service*>(userdata);
  const char *what = nullptr, *who = nullptr, *why = nullptr, *mode = nullptr;
  if (sd_bus_message_read(message, "ssss", &what, &who, &why, &mode) < 0)
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "four strings expected");
  if (std::string(mode) != "block" && std::string(mode) != "delay")
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "unknown inhibitor mode");
  if (std::string(mode) == "delay" && std::string(what).find("sleep") == std::string::npos &&
      std::string(what).find("shutdown") == std::string::npos)
    return sd_bus_error_set(error, SD_BUS_ERROR_NOT_SUPPORTED,
                            "Delay inhibitors only supported for shutdown and sleep");
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) < 0) return sd_bus_error_set_errno(error, errno);
  service->locks.push_back({{what, who, why, mode}, ends[0]});
  const int r = sd_bus_reply_method_return(message, "h", ends[1]);
  ::close(ends[1]);  // the reply carried a copy: only the client's keeps the lock now
  return r;
}

int OnScreenSaverInhibit(sd_bus_message* message, void* userdata, sd_bus_error* error) {
  auto* service = static_cast<FakeDesktop::Service*>(userdata);
  const char *application = nullptr, *reason = nullptr;
  if (sd_bus_message_read(message, "ss", &application, &reason) < 0)
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "two strings expected");
  const uint32_t cookie = service->nextCookie++;
  service->inhibits[cookie] = {{application, reason}, sd_bus_message_get_sender(message)};
  return sd_bus_reply_method_return(message, "u", cookie);
}

int OnScreenSaverUnInhibit(sd_bus_message* message, void* userdata, sd_bus_error* error) {
  auto* service = static_cast<FakeDesktop::Service*>(userdata);
  uint32_t cookie = 0;
  if (sd_bus_message_read(message, "u", &cookie) < 0)
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "a cookie expected");
  const auto found = service->inhibits.find(cookie);
  if (found != service->inhibits.end()) {
    service->givenBack.push_back(found->second.facts.application);
    service->inhibits.erase(found);
  }
  return sd_bus_reply_method_return(message, "");
}

// Like the desktops, an inhibit dies with the connection that took it.
int OnNameOwnerChanged(sd_bus_message* message, void* userdata, sd_bus_error*) {
  auto* service = static_cast<FakeDesktop::Service*>(userdata);
  const char *name = nullptr, *before = nullptr, *after = nullptr;
  if (sd_bus_message_read(message, "sss", &name, &before, &after) < 0 || *after) return 0;
  std::erase_if(service->inhibits, [&](const auto& entry) { return entry.second.sender == name; });
  return 0;
}

const sd_bus_vtable kLogind[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Inhibit", "ssss", "h", OnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("PrepareForSleep", "b", 0),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable kScreenSaver[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Inhibit", "ss", "u", OnScreenSaverInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("UnInhibit", "u", "", OnScreenSaverUnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

}  // namespace

bool FakeDesktop::Service::StartDaemon() {
  char pattern[] = "/tmp/vbus-XXXXXX";  // short: a socket path has little room
  if (!::mkdtemp(pattern)) return false;
  folder = pattern;
  std::string config = kConfig;
  config.replace(config.find("@SOCKET@"), 8, folder + "/bus");
  std::ofstream(folder + "/bus.conf") << config;
  int out[2];
  if (::pipe2(out, O_CLOEXEC) < 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  const std::string configArg = "--config-file=" + folder + "/bus.conf";
  char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>(configArg.c_str()), const_cast<char*>("--nofork"),
                  const_cast<char*>("--print-address"), nullptr};
  const int spawned = posix_spawnp(&daemon, "dbus-daemon", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    daemon = -1;
    ::close(out[0]);
    failure = "dbus-daemon did not start";
    return false;
  }
  // The daemon prints its address once it listens.
  char c = 0;
  while (::read(out[0], &c, 1) == 1 && c != '\n') address += c;
  ::close(out[0]);
  if (address.empty()) failure = "dbus-daemon printed no address";
  return !address.empty();
}

bool FakeDesktop::Service::StartService() {
  if (sd_bus_new(&bus) < 0 || sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
      sd_bus_start(bus) < 0) {
    failure = "no connection to the private bus";
    return false;
  }
  if (sd_bus_request_name(bus, "org.freedesktop.login1", 0) < 0 ||
      sd_bus_request_name(bus, "org.freedesktop.ScreenSaver", 0) < 0 ||
      sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", kLogind,
                               this) < 0 ||
      sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                               kScreenSaver, this) < 0 ||
      sd_bus_match_signal(bus, nullptr, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                          "NameOwnerChanged", OnNameOwnerChanged, this) < 0) {
    failure = "the service could not take its names";
    return false;
  }
  stop = ::eventfd(0, EFD_CLOEXEC);
  thread = std::thread([this] { Run(); });
  return true;
}

void FakeDesktop::Service::Run() {
  for (;;) {
    pollfd fds[2] = {{stop, POLLIN, 0}, {-1, 0, 0}};
    {
      std::lock_guard lock(mutex);
      while (sd_bus_process(bus, nullptr) > 0) {
      }
      fds[1] = {sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0};
    }
    // sd-bus's own timeouts are short-lived here: a bounded wait picks them up.
    ::poll(fds, 2, 100);
    if (fds[0].revents) return;
  }
}

void FakeDesktop::Service::DropClosedLocks() {
  std::erase_if(locks, [](HeldLock& held) {
    pollfd fd{held.watch, POLLIN, 0};
    if (::poll(&fd, 1, 0) <= 0 || !(fd.revents & (POLLHUP | POLLERR))) return false;
    ::close(held.watch);
    return true;
  });
}

FakeDesktop::FakeDesktop() : service_(std::make_unique<Service>()) {
  if (!service_->StartDaemon() || !service_->StartService()) return;
  system_ = std::make_unique<testkit::ScopedVariable>("DBUS_SYSTEM_BUS_ADDRESS", service_->address);
  session_ = std::make_unique<testkit::ScopedVariable>("DBUS_SESSION_BUS_ADDRESS", service_->address);
}

FakeDesktop::~FakeDesktop() {
  system_.reset();
  session_.reset();
  auto& s = *service_;
  if (s.thread.joinable()) {
    const uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(s.stop, &one, sizeof one);
    s.thread.join();
  }
  if (s.stop >= 0) ::close(s.stop);
  if (s.bus) sd_bus_flush_close_unref(s.bus);
  for (auto& held : s.locks) ::close(held.watch);
  if (s.daemon > 0) {
    ::kill(s.daemon, SIGTERM);
    ::waitpid(s.daemon, nullptr, 0);
  }
  if (!s.folder.empty()) std::filesystem::remove_all(s.folder);
}

bool FakeDesktop::Ready() const { return service_->thread.joinable(); }
const std::string& FakeDesktop::Failure() const { return service_->failure; }

std::vector<Inhibitor> FakeDesktop::Inhibitors() {
  std::lock_guard lock(service_->mutex);
  service_->DropClosedLocks();
  std::vector<Inhibitor> live;
  for (const auto& held : service_->locks) live.push_back(held.facts);
  return live;
}

std::vector<ScreenSaverInhibit> FakeDesktop::ScreenSaverInhibits() {
  std::lock_guard lock(service_->mutex);
  std::vector<ScreenSaverInhibit> live;
  for (const auto& [cookie, held] : service_->inhibits) live.push_back(held.facts);
  return live;
}

void FakeDesktop::PrepareForSleep(bool starting) {
  std::lock_guard lock(service_->mutex);
  sd_bus_emit_signal(service_->bus, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", "b",
                     starting ? 1 : 0);
  sd_bus_flush(service_->bus);
}

size_t FakeDesktop::Count(const std::string& who, const std::string& mode) {
  size_t count = 0;
  for (const auto& lock : Inhibitors()) count += lock.who == who && lock.mode == mode;
  return count;
}

size_t FakeDesktop::ScreenSaverCount(const std::string& application) {
  size_t count = 0;
  for (const auto& inhibit : ScreenSaverInhibits()) count += inhibit.application == application;
  return count;
}

size_t FakeDesktop::GivenBack(const std::string& application) {
  std::lock_guard lock(service_->mutex);
  return static_cast<size_t>(std::count(service_->givenBack.begin(), service_->givenBack.end(), application));
}

bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (done()) return true;
    testkit::Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done();
}

}  // namespace shell_tests
