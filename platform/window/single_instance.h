// One running copy of a group of programs, decided by a lock rather than by looking for a
// window, so copies started together behave as copies started apart.
#pragma once

#include <string>
#include <vector>

namespace platform {

class SingleInstanceLock {
 public:
  SingleInstanceLock() = default;
  ~SingleInstanceLock() { Release(); }
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // Takes the lock `group` (a file in the runtime folder) until Release or destruction. When
  // another process holds it, waits a bounded time for that process's dialog window with one
  // of `titles`, brings it forward and answers false: this copy should end. Claims of one
  // group within a process are all granted; a lock that cannot be made lets the program run.
  bool Claim(const std::string& group, const std::vector<std::string>& titles);
  void Release();

 private:
  std::string group_;  // empty while nothing is held
};

}  // namespace platform
