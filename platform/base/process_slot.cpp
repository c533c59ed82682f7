#include "platform/base/process_slot.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

// Exported by programs (their symbols are exported), looked up by name from every copy.
extern "C" __attribute__((visibility("default"))) void** vidarro_process_slot(const char* name) {
  static std::mutex* mutex = new std::mutex;
  static auto* slots = new std::map<std::string, void*>;
  std::lock_guard<std::mutex> lock(*mutex);
  return &(*slots)[name];
}

namespace platform {

void*& ProcessSlot(const char* name) {
  using Lookup = void** (*)(const char*);
  static const Lookup lookup = [] {
    auto found = reinterpret_cast<Lookup>(dlsym(RTLD_DEFAULT, "vidarro_process_slot"));
    return found ? found : &vidarro_process_slot;
  }();
  return *lookup(name);
}

}  // namespace platform
