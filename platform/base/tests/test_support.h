// Helpers shared by the platform/base tests.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "platform/base/file.h"
#include "platform/base/paths.h"

namespace platform::test {

// Sets (or with nullopt unsets) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A fresh folder of the test's own (under the test home), ending in "/".
inline std::string FreshFolder(const std::string& name) {
  const std::string base = LocalAppDataFolder() + "t/";
  CreateFolders(base);
  std::string pattern = base + name + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern + "/";
}

inline bool WriteText(const std::string& path, const std::string& text, mode_t mode = 0644) {
  File f;
  const bool ok = f.Open(path, FileMode::Create) && f.Write(text) && f.Close();
  return ok && chmod(path.c_str(), mode) == 0;
}

inline std::string ReadText(const std::string& path) {
  std::string text;
  ReadWholeFile(path, &text);
  return text;
}

// Waits (real time, bounded) until a condition holds; for results of other processes.
template <typename Condition>
bool EventuallyTrue(Condition condition, int limitMs = 10000) {
  for (int waited = 0; waited < limitMs; waited += 10) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

}  // namespace platform::test
