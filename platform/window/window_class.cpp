#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/base/strings.h"
#include "platform/window/class_registrar.h"
#include "platform/window/system_classes.h"
#include "platform/window/window_internal.h"

namespace platform::win {
namespace {

struct Classes {
  std::vector<std::shared_ptr<WindowClass>> app;     // RegisterClass; searched first
  std::vector<std::shared_ptr<WindowClass>> system;  // built-in classes
  bool systemReady = false;
};

Classes& C() {
  static Classes* classes = new Classes;
  return *classes;
}

std::shared_ptr<WindowClass> Lookup(const std::vector<std::shared_ptr<WindowClass>>& list, const std::string& name) {
  for (auto& c : list)
    if (platform::EqualsNoCase(c->name, name)) return c;
  return nullptr;
}

void EnsureSystem() {
  if (C().systemReady) return;
  C().systemReady = true;
  for (const WNDCLASS& wc : SystemClasses()) {
    auto c = std::make_shared<WindowClass>();
    c->wc = wc;
    c->name = wc.lpszClassName;
    c->system = true;
    c->wc.lpszClassName = nullptr;  // the name lives in c->name
    C().system.push_back(c);
  }
}

std::atomic<platform::ClassRegistrar> g_pendingRegistrar{nullptr};

// Runs the standard classes' registrar before the first lookup after it was handed over. Other
// threads wait until it is done; the registrar's own lookups go straight through.
void RunPendingRegistrar() {
  if (!g_pendingRegistrar.load(std::memory_order_acquire)) return;
  thread_local bool running = false;
  if (running) return;
  static std::mutex mu;
  std::lock_guard lock(mu);
  if (platform::ClassRegistrar registrar = g_pendingRegistrar.load()) {
    running = true;
    registrar();
    running = false;
    g_pendingRegistrar.compare_exchange_strong(registrar, nullptr);
  }
}

}  // namespace

std::shared_ptr<WindowClass> FindClass(const std::string& name) {
  RunPendingRegistrar();
  std::lock_guard lock(TableLock());
  EnsureSystem();
  if (auto c = Lookup(C().app, name)) return c;
  return Lookup(C().system, name);
}

}  // namespace platform::win

void platform::SetStandardClassRegistrar(ClassRegistrar registrar) {
  platform::win::g_pendingRegistrar.store(registrar);
}

using namespace platform::win;

ATOM RegisterClass(const WNDCLASS* wc) {
  if (!wc || !wc->lpszClassName || !*wc->lpszClassName || !wc->lpfnWndProc) return 0;
  if (std::strlen(wc->lpszClassName) > 255) return 0;
  std::lock_guard lock(TableLock());
  if (Lookup(C().app, wc->lpszClassName)) return 0;
  auto c = std::make_shared<WindowClass>();
  c->wc = *wc;
  c->name = wc->lpszClassName;
  c->wc.lpszClassName = nullptr;
  c->wc.lpszMenuName = nullptr;
  C().app.push_back(c);
  return static_cast<ATOM>(0xC000 + C().app.size());
}

BOOL UnregisterClass(LPCSTR className, HINSTANCE) {
  if (!className) return FALSE;
  std::lock_guard lock(TableLock());
  auto& list = C().app;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (platform::EqualsNoCase((*it)->name, className)) {
      for (auto& w : AllWindows())
        if (w->cls == *it) return FALSE;  // still in use, as Win32 refuses it
      list.erase(it);
      return TRUE;
    }
  }
  return FALSE;
}

BOOL GetClassInfo(HINSTANCE, LPCSTR className, WNDCLASS* out) {
  if (!className || !out) return FALSE;
  auto c = FindClass(className);
  if (!c) return FALSE;
  *out = c->wc;
  out->lpszClassName = className;
  return TRUE;
}

int GetClassName(HWND hwnd, LPSTR buffer, int size) {
  auto w = Find(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  const std::string& name = w->cls->name;
  const int n = std::min<int>(size - 1, static_cast<int>(name.size()));
  std::memcpy(buffer, name.data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}
