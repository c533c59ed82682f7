// A fresh home for one test: HOME, the XDG folders, TMPDIR, the registry and the runtime folder
// point into a new folder while it lives, and back to what they were after.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testkit {

class Environment {
 public:
  // `name` only labels the folder (a test's name, say); it is made unique.
  explicit Environment(const std::string& name = "test");
  ~Environment();
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  // The fresh home, ending in "/".
  const std::string& Home() const { return home_; }
  std::string Documents() const { return home_ + "Documents/"; }
  std::string Temp() const { return home_ + "tmp/"; }
  // XDG_RUNTIME_DIR: a short private folder under /tmp, not inside the home.
  const std::string& Runtime() const { return runtime_; }

 private:
  void Set(const char* name, const std::string& value);

  std::string home_;
  std::string runtime_;
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> saved_;  // name, (was set, value)
};

// Sets an environment variable for the life of the object, then puts back what was there.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value);
  ~ScopedVariable();
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

// A folder under the environment's home holding only these files of the application folder: a
// program started from there finds none of the libraries it would load beside it.
std::string CopyProgramAlone(const Environment& env, const std::vector<std::string>& files);

// The current gtest test as "Suite.Name", or "test" outside one.
std::string CurrentTestName();

}  // namespace testkit
