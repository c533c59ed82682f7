#include "platform/x11/desktop_presenter.h"

#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/window/monitors.h"
#include "platform/window/presenter_startup.h"
#include "platform/x11/x11_presenter.h"

namespace platform::x11 {
namespace {

std::mutex g_mu;
std::unique_ptr<X11Presenter> g_presenter;

// Registered before main runs: a program linking this library shows its windows when started
// on a desktop.
const bool g_registered = [] {
  RegisterPresenterStarter(PresenterStarter{&InstallDesktopPresenter, &RemoveDesktopPresenter});
  return true;
}();

}  // namespace

bool InstallDesktopPresenter(const std::string& programName) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return false;
  std::lock_guard lock(g_mu);
  if (g_presenter) return true;
  g_presenter = X11Presenter::Open(programName, display);
  if (!g_presenter) return false;
  SetScreenPresenter(g_presenter.get());
  MarkScreenChanged();
  return true;
}

void RemoveDesktopPresenter() {
  std::lock_guard lock(g_mu);
  if (!g_presenter) return;
  SetScreenPresenter(nullptr);
  g_presenter.reset();
  SetVirtualMonitors({});
}

unsigned long DesktopWindowOf(void* hwnd) {
  std::lock_guard lock(g_mu);
  return g_presenter ? g_presenter->XWindowOf(static_cast<HWND>(hwnd)) : 0;
}

}  // namespace platform::x11
