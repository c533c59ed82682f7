// A second desktop session of the test's user: a runtime folder of its own, so programs started
// in it neither see the test session's windows and single-instance locks nor are seen there,
// while they share the home, documents and registry.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/testkit/environment.h"

namespace testkit {

class OtherSession {
 public:
  OtherSession() {
    std::string pattern = "/tmp/vidarro-other-XXXXXX";  // short: it holds sockets
    if (mkdtemp(pattern.data())) runtime_ = pattern;
  }
  ~OtherSession() {
    std::error_code ignored;
    if (!runtime_.empty()) std::filesystem::remove_all(runtime_, ignored);
  }
  OtherSession(const OtherSession&) = delete;
  OtherSession& operator=(const OtherSession&) = delete;

  bool Ready() const { return !runtime_.empty(); }
  // Set while a program is started in the session.
  ScopedVariable Enter() const { return ScopedVariable("XDG_RUNTIME_DIR", runtime_); }

 private:
  std::string runtime_;
};

}  // namespace testkit
