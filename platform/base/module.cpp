#include "platform/base/module.h"

#include <dlfcn.h>
#include <unistd.h>

#include "platform/base/module_resources.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"

namespace platform {
namespace {

thread_local std::string t_lastError;

void NoteError() {
  const char* e = dlerror();
  t_lastError = e ? e : "unknown error";
}

}  // namespace

std::string ModuleFilePath(const std::string& name) {
  std::string file = name;
  const auto dot = file.rfind('.');
  const auto slash = file.rfind('/');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  if (hasExtension && EqualsNoCase(std::string_view(file).substr(dot), ".dll")) {
    file.replace(dot, std::string::npos, ".so");
  } else if (!hasExtension) {
    file += ".so";
  }
  return (!file.empty() && file[0] == '/') ? file : AppFolder() + file;
}

std::string LastModuleError() { return t_lastError; }

Module& Module::operator=(Module&& other) noexcept {
  if (this != &other) {
    Free();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

bool Module::Load(const std::string& name) {
  Free();
  handle_ = ::LoadLibrary(name.c_str());
  return handle_ != nullptr;
}

void Module::Free() {
  if (handle_) ::FreeLibrary(handle_);
  handle_ = nullptr;
}

FARPROC Module::Symbol(const char* name) const { return ::GetProcAddress(handle_, name); }

}  // namespace platform

HMODULE LoadLibrary(const char* name) {
  if (name == nullptr || name[0] == '\0') {
    platform::t_lastError = "no module name";
    return nullptr;
  }
  const std::string path = platform::ModuleFilePath(name);
  void* handle = nullptr;
  if (access(path.c_str(), F_OK) == 0) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  } else if (std::string(name).find('/') == std::string::npos && !platform::EndsWithNoCase(name, ".dll")) {
    // Not one of ours ("X.dll" always is): a library the system knows by name.
    handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  } else {
    platform::t_lastError = path + ": cannot open shared object file: No such file or directory";
    return nullptr;
  }
  if (handle == nullptr) platform::NoteError();
  return reinterpret_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  dlerror();
  void* symbol = dlsym(reinterpret_cast<void*>(module), name);
  if (symbol == nullptr) platform::NoteError();
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
  if (module == nullptr) return FALSE;
  // An unloaded table must not be searched again.
  platform::ForgetResourceTable(module);
  return dlclose(reinterpret_cast<void*>(module)) == 0 ? TRUE : FALSE;
}

HMODULE GetModuleHandle(const char* name) {
  void* handle =
      name ? dlopen(platform::ModuleFilePath(name).c_str(), RTLD_NOW | RTLD_NOLOAD) : dlopen(nullptr, RTLD_NOW);
  if (handle == nullptr) {
    platform::NoteError();
    return nullptr;
  }
  // Only the lookup was wanted: the module stays loaded by whoever loaded it.
  if (name) dlclose(handle);
  return reinterpret_cast<HMODULE>(handle);
}
