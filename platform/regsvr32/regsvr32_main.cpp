// regsvr32 [/s] [/u] <module>: registers an in-process server by calling its DllRegisterServer,
// or unregisters it (/u) by its DllUnregisterServer. Exit codes as the system's tool gives them:
// 0 done, 1 bad arguments, 3 the module cannot be loaded, 4 it lacks the entry point, 5 the
// entry point failed. Without /s the outcome is also shown in a message box.
#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/message_box.h"
#include "platform/base/module.h"
#include "platform/com/inproc_server.h"
#include "platform/com/registered_classes.h"
#include "platform/window/message_box_dialog.h"

namespace {

constexpr const char* kCaption = "RegSvr32";

enum ExitCode { kDone = 0, kBadArguments = 1, kLoadFailed = 3, kNoEntryPoint = 4, kEntryFailed = 5 };

struct Request {
  bool silent = false;
  bool unregister = false;
  std::string module;
};

bool ParseArguments(int argc, char** argv, Request* request) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.size() == 2 && (arg[0] == '/' || arg[0] == '-')) {
      const char flag = static_cast<char>(arg[1] | 0x20);
      if (flag == 's') request->silent = true;
      else if (flag == 'u') request->unregister = true;
      else return false;
    } else if (request->module.empty() && !arg.empty()) {
      request->module = arg;
    } else {
      return false;
    }
  }
  return !request->module.empty();
}

int Finish(const Request& request, int code, const std::string& text) {
  if (!request.silent) ::MessageBox(nullptr, text, kCaption, code == kDone ? MB_ICONINFORMATION : MB_ICONERROR);
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  platform::InstallWindowMessageBoxes();
  Request request;
  if (!ParseArguments(argc, argv, &request)) {
    return Finish(request, kBadArguments, "Usage: regsvr32 [/u] [/s] <module>");
  }
  const std::string path = platform::ModuleFilePath(request.module);
  // Bound lazily: a module takes its window and drawing functions from the program that loads
  // it, and registering calls none of them.
  void* module = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!module) {
    const char* why = dlerror();
    return Finish(request, kLoadFailed, "The module \"" + request.module + "\" failed to load.\n\n" + (why ? why : ""));
  }
  const char* entryName =
      request.unregister ? platform::com::kUnregisterServerEntry : platform::com::kRegisterServerEntry;
  auto entry = reinterpret_cast<platform::com::RegisterServerFunction>(dlsym(module, entryName));
  if (!entry) {
    dlclose(module);
    return Finish(
        request, kNoEntryPoint,
        "The module \"" + request.module + "\" was loaded but the entry-point " + entryName + " was not found.");
  }
  const std::string file = platform::com::ModuleFileOf(reinterpret_cast<const void*>(entry));
  const HRESULT hr = entry();
  // The module stays loaded to the end: objects or threads it started may still refer to it.
  char code[16];
  std::snprintf(code, sizeof(code), "0x%08X", static_cast<unsigned>(hr));
  if (FAILED(hr))
    return Finish(request, kEntryFailed,
                  "The module \"" + request.module + "\" was loaded but the call to " + entryName +
                      " failed with error code " + code + ".");
  return Finish(request, kDone,
                std::string(entryName) + " in " + (file.empty() ? request.module : file) + " succeeded.");
}
