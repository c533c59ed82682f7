#include "platform/window/monitors.h"

#include <atomic>
#include <climits>
#include <mutex>

#include "platform/window/monitor_info.h"
#include "platform/window/window.h"

namespace {

std::vector<platform::VirtualMonitor> DefaultScreen() {
  // One full-HD screen with a 40-pixel task bar at the bottom.
  return {platform::VirtualMonitor{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}}};
}

std::mutex g_mu;
std::vector<platform::VirtualMonitor>& Monitors() {
  static auto* m = new std::vector<platform::VirtualMonitor>(DefaultScreen());
  return *m;
}

HMONITOR HandleOf(size_t index) { return DwordToHandle<HMONITOR>(static_cast<DWORD>(0x1000 + index)); }

long DistanceSquared(const RECT& r, POINT p) {
  long dx = p.x < r.left ? r.left - p.x : (p.x >= r.right ? p.x - r.right + 1 : 0);
  long dy = p.y < r.top ? r.top - p.y : (p.y >= r.bottom ? p.y - r.bottom + 1 : 0);
  return dx * dx + dy * dy;
}

HMONITOR Fallback(DWORD flags, POINT p) {
  if (flags == MONITOR_DEFAULTTONULL) return nullptr;
  auto& list = Monitors();
  if (flags == MONITOR_DEFAULTTOPRIMARY) return HandleOf(0);
  size_t best = 0;
  long bestDistance = LONG_MAX;
  for (size_t i = 0; i < list.size(); ++i) {
    long d = DistanceSquared(list[i].bounds, p);
    if (d < bestDistance) bestDistance = d, best = i;
  }
  return HandleOf(best);
}

}  // namespace

namespace platform {

void SetVirtualMonitors(const std::vector<VirtualMonitor>& monitors) {
  std::lock_guard lock(g_mu);
  Monitors() = monitors.empty() ? DefaultScreen() : monitors;
}

std::vector<VirtualMonitor> GetVirtualMonitors() {
  std::lock_guard lock(g_mu);
  return Monitors();
}

}  // namespace platform

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
  if (!rect) return nullptr;
  std::lock_guard lock(g_mu);
  auto& list = Monitors();
  size_t best = SIZE_MAX;
  long bestArea = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    RECT overlap{};
    if (IntersectRect(&overlap, rect, &list[i].bounds)) {
      long area = static_cast<long>(overlap.right - overlap.left) * (overlap.bottom - overlap.top);
      if (area > bestArea) bestArea = area, best = i;
    }
  }
  if (best != SIZE_MAX) return HandleOf(best);
  return Fallback(flags, POINT{(rect->left + rect->right) / 2, (rect->top + rect->bottom) / 2});
}

HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  std::lock_guard lock(g_mu);
  auto& list = Monitors();
  for (size_t i = 0; i < list.size(); ++i)
    if (PtInRect(&list[i].bounds, pt)) return HandleOf(i);
  return Fallback(flags, pt);
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  RECT r{};
  if (!GetWindowRect(hwnd, &r)) {
    if (flags == MONITOR_DEFAULTTONULL) return nullptr;
    std::lock_guard lock(g_mu);
    return HandleOf(0);
  }
  if (IsRectEmpty(&r)) return MonitorFromPoint(POINT{r.left, r.top}, flags);
  return MonitorFromRect(&r, flags);
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  if (!info || info->cbSize < sizeof(MONITORINFO)) return FALSE;
  std::lock_guard lock(g_mu);
  const DWORD index = HandleToDword(monitor) - 0x1000;
  auto& list = Monitors();
  if (HandleToDword(monitor) < 0x1000 || index >= list.size()) return FALSE;
  info->rcMonitor = list[index].bounds;
  info->rcWork = list[index].work;
  info->dwFlags = index == 0 ? MONITORINFOF_PRIMARY : 0;
  return TRUE;
}

int GetSystemMetrics(int index) {
  std::lock_guard lock(g_mu);
  auto& list = Monitors();
  const RECT& primary = list[0].bounds;
  RECT all = primary;
  for (auto& m : list) UnionRect(&all, &all, &m.bounds);
  switch (index) {
    case SM_CXSCREEN: return primary.right - primary.left;
    case SM_CYSCREEN: return primary.bottom - primary.top;
    case SM_CXFULLSCREEN: return list[0].work.right - list[0].work.left;
    case SM_CYFULLSCREEN: return list[0].work.bottom - list[0].work.top - 20;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return 17;
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 17;
    case SM_CYCAPTION: return 20;
    case SM_CYMENU: return 20;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_XVIRTUALSCREEN: return all.left;
    case SM_YVIRTUALSCREEN: return all.top;
    case SM_CXVIRTUALSCREEN: return all.right - all.left;
    case SM_CYVIRTUALSCREEN: return all.bottom - all.top;
    case SM_CMONITORS: return static_cast<int>(list.size());
    default: return 0;
  }
}

namespace {
std::atomic<platform::ScreenSaverSwitch> g_screenSaverSwitch{nullptr};
}  // namespace

void platform::InstallScreenSaverSwitch(ScreenSaverSwitch apply) { g_screenSaverSwitch = apply; }

BOOL SystemParametersInfo(UINT action, UINT param, LPVOID data, UINT) {
  static bool screenSaverActive = true;
  std::lock_guard lock(g_mu);
  switch (action) {
    case SPI_GETWORKAREA:
      if (!data) return FALSE;
      *static_cast<RECT*>(data) = Monitors()[0].work;
      return TRUE;
    case SPI_SETSCREENSAVEACTIVE:
      screenSaverActive = param != 0;
      if (auto apply = g_screenSaverSwitch.load()) apply(screenSaverActive);
      return TRUE;
    case SPI_GETSCREENSAVEACTIVE:
      if (!data) return FALSE;
      *static_cast<BOOL*>(data) = screenSaverActive ? TRUE : FALSE;
      return TRUE;
    default: return FALSE;
  }
}

void CMonitorInfo::GetMonitorRect(RECT* out, BOOL workArea) const {
  if (!out) return;
  MONITORINFO mi;
  mi.cbSize = sizeof mi;
  if (!GetMonitorInfo(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi)) return;
  *out = workArea ? mi.rcWork : mi.rcMonitor;
}
