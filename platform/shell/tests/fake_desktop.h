// A private dbus-daemon standing in for both the system and the session bus (the variables
// DBUS_SYSTEM_BUS_ADDRESS and DBUS_SESSION_BUS_ADDRESS name it while the object lives, for this
// process and the programs it starts), with a service answering on it as logind and as the
// desktop's screen saver do towards a client.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/testkit/environment.h"

namespace shell_tests {

struct Inhibitor {
  std::string what, who, why, mode;
};

struct ScreenSaverInhibit {
  std::string application, reason;
};

class FakeDesktop {
 public:
  FakeDesktop();
  ~FakeDesktop();
  FakeDesktop(const FakeDesktop&) = delete;
  FakeDesktop& operator=(const FakeDesktop&) = delete;

  // False when the daemon or the service could not start (the reason is in Failure()).
  bool Ready() const;
  const std::string& Failure() const;

  // Inhibitor locks whose descriptor is still open somewhere, oldest first.
  std::vector<Inhibitor> Inhibitors();
  // Screen-saver inhibits not given back and whose client is still connected.
  std::vector<ScreenSaverInhibit> ScreenSaverInhibits();
  // logind's announcement of a suspend (true) or of the resume after it (false).
  void PrepareForSleep(bool starting);

  // The locks of one kind held by `who` (the program's name).
  size_t Count(const std::string& who, const std::string& mode);
  size_t ScreenSaverCount(const std::string& application);
  // Inhibits of `application` given back by UnInhibit (not dropped with a lost connection).
  size_t GivenBack(const std::string& application);

  struct Service;  // the daemon and the bus side, whose handlers live in the source

 private:
  std::unique_ptr<Service> service_;
  std::unique_ptr<testkit::ScopedVariable> system_;
  std::unique_ptr<testkit::ScopedVariable> session_;
};

// Waits in real time (20 s at most, pumping this thread's messages) until `done` holds.
bool WaitFor(const std::function<bool()>& done);

}  // namespace shell_tests
