#include "platform/testkit/window_log.h"

#include <mutex>

#include "platform/window/focus.h"
#include "platform/window/input.h"

namespace testkit {
namespace {

std::mutex g_mu;
std::vector<Logged> g_log;

LRESULT TestProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard lock(g_mu);
    g_log.push_back({hwnd, msg, wParam, lParam});
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

BOOL CollectTop(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<Logged> Log() {
  std::lock_guard lock(g_mu);
  return g_log;
}

void ClearLog() {
  std::lock_guard lock(g_mu);
  g_log.clear();
}

std::vector<UINT> MessagesOf(HWND hwnd, const std::vector<UINT>& only) {
  std::vector<UINT> out;
  for (auto& l : Log()) {
    if (l.hwnd != hwnd) continue;
    if (!only.empty() && std::find(only.begin(), only.end(), l.msg) == only.end()) continue;
    out.push_back(l.msg);
  }
  return out;
}

std::vector<HWND> WindowsThatGot(UINT msg) {
  std::vector<HWND> out;
  for (auto& l : Log())
    if (l.msg == msg) out.push_back(l.hwnd);
  return out;
}

const char* TestClass() {
  static bool registered = [] {
    WNDCLASS wc;
    wc.lpszClassName = "TestWindow";
    wc.lpfnWndProc = TestProc;
    wc.style = CS_DBLCLKS;
    return RegisterClass(&wc) != 0;
  }();
  (void)registered;
  return "TestWindow";
}

HWND MakeTop(const char* title, DWORD style, RECT r) {
  return CreateWindowEx(0, TestClass(), title, style, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr,
                        nullptr, nullptr, nullptr);
}

HWND MakeChild(HWND parent, int id, RECT r, DWORD style) {
  return CreateWindowEx(0, TestClass(), "", style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

void ResetWindows() {
  std::vector<HWND> tops;
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&tops));
  for (HWND h : tops) DestroyWindow(h);
  Pump();
  platform::ResetInputState();
  ClearLog();
}

}  // namespace testkit
