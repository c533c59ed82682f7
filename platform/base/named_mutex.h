// A mutex shared by name between processes of this user, released by the system when its owner
// dies, however it dies. Used for single-instance rules: the second process sees AlreadyExists.
#pragma once

#include <string>

#include "platform/base/win_types.h"

namespace platform {

class NamedMutex {
 public:
  NamedMutex() = default;
  // Same as Create(name).
  explicit NamedMutex(const std::string& name) { Create(name); }
  ~NamedMutex() { Close(); }
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Opens the mutex and takes it when free. Returns false only when the mutex cannot be made
  // at all; when another holder has it, returns true with AlreadyExists() true and not owned.
  bool Create(const std::string& name);
  bool AlreadyExists() const { return alreadyExists_; }
  bool IsOwned() const { return owned_; }
  // Takes the mutex, waiting up to timeoutMs (real time): WAIT_OBJECT_0 or WAIT_TIMEOUT.
  DWORD Wait(DWORD timeoutMs);
  void Release();
  void Close();

  // The lock file that stands for a name (names may hold any character, "\" included).
  static std::string LockPath(const std::string& name);

 private:
  bool TryTake();
  int fd_ = -1;
  bool owned_ = false;
  bool alreadyExists_ = false;
};

}  // namespace platform
