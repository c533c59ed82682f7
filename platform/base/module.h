// Shared libraries by their Windows names: "X.dll" is the file X.so in the application folder;
// a language sub-folder ("1031/X.dll") is taken from there too. Resource libraries load the same way.
#pragma once

#include <string>

#include "platform/base/win_types.h"

// void(*)() rather than the original INT_PTR(*)(): it is the one function pointer type the
// compiler lets callers cast to their real function type without a -Wcast-function-type warning.
using FARPROC = void (*)();

// Also accepts "X.so" and plain paths. Names not found in the application folder fall back to
// the system's library search ("libmediainfo.so.0"). Null on failure.
HMODULE LoadLibrary(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);
// Null: the running program itself (its own resources, when it links them); else a module
// already loaded under that name, without loading it again. Not to be freed.
HMODULE GetModuleHandle(const char* name);

namespace platform {

// The file a module name stands for (see above), without checking that it exists.
std::string ModuleFilePath(const std::string& name);
// Why the last load or lookup on this thread failed.
std::string LastModuleError();

// Owns a loaded module and frees it when destroyed.
class Module {
 public:
  Module() = default;
  explicit Module(const std::string& name) { Load(name); }
  ~Module() { Free(); }
  Module(Module&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  Module& operator=(Module&& other) noexcept;
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  bool Load(const std::string& name);
  void Free();
  bool IsLoaded() const { return handle_ != nullptr; }
  HMODULE Handle() const { return handle_; }
  FARPROC Symbol(const char* name) const;
  // The function as its real type: module.Function<int (*)(int)>("Add").
  template <typename F>
  F Function(const char* name) const {
    return reinterpret_cast<F>(Symbol(name));
  }

 private:
  HMODULE handle_ = nullptr;
};

}  // namespace platform
