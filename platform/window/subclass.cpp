#include "platform/window/subclass.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/window/window_internal.h"

namespace {

struct Hook {
  SUBCLASSPROC proc;
  UINT_PTR id;
  DWORD_PTR data;
};

struct Chain {
  WNDPROC original = nullptr;  // what GWLP_WNDPROC held when the first hook came
  std::vector<Hook> hooks;     // called first to last
};

std::mutex g_mu;
std::map<HWND, std::shared_ptr<Chain>>& Chains() {
  static auto* chains = new std::map<HWND, std::shared_ptr<Chain>>;
  return *chains;
}

// The hook being run for each window on this thread's stack of calls, innermost last.
struct Frame {
  HWND hwnd;
  std::shared_ptr<Chain> chain;  // the chain as it was when the message came
  size_t next;
};
thread_local std::vector<Frame> t_frames;

std::shared_ptr<Chain> ChainOf(HWND hwnd) {
  std::lock_guard lock(g_mu);
  auto it = Chains().find(hwnd);
  return it == Chains().end() ? nullptr : it->second;
}

LRESULT Continue(Frame& frame, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (frame.next < frame.chain->hooks.size()) {
    const Hook hook = frame.chain->hooks[frame.next++];
    return hook.proc(frame.hwnd, msg, wParam, lParam, hook.id, hook.data);
  }
  return frame.chain->original ? CallWindowProc(frame.chain->original, frame.hwnd, msg, wParam, lParam)
                               : DefWindowProc(frame.hwnd, msg, wParam, lParam);
}

LRESULT ChainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<Chain> chain = ChainOf(hwnd);
  if (!chain) return DefWindowProc(hwnd, msg, wParam, lParam);
  // A copy, so hooks added or removed while the message runs take effect with the next one.
  auto snapshot = std::make_shared<Chain>(*chain);
  t_frames.push_back(Frame{hwnd, snapshot, 0});
  const size_t depth = t_frames.size();
  LRESULT r = Continue(t_frames.back(), msg, wParam, lParam);
  t_frames.resize(depth - 1);
  if (msg == WM_NCDESTROY) {
    std::lock_guard lock(g_mu);
    Chains().erase(hwnd);
  }
  return r;
}

bool OwnThread(HWND hwnd) {
  auto w = platform::win::Find(hwnd);
  return w && w->queue == platform::win::CurrentQueue();
}

}  // namespace

BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
  if (!proc || !OwnThread(hwnd)) return FALSE;
  std::lock_guard lock(g_mu);
  auto& chain = Chains()[hwnd];
  if (!chain) {
    chain = std::make_shared<Chain>();
    chain->original =
        reinterpret_cast<WNDPROC>(SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChainProc)));
  }
  for (Hook& h : chain->hooks) {
    if (h.proc == proc && h.id == id) {
      h.data = data;
      return TRUE;
    }
  }
  chain->hooks.insert(chain->hooks.begin(), Hook{proc, id, data});
  return TRUE;
}

BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* data) {
  std::shared_ptr<Chain> chain = ChainOf(hwnd);
  if (!chain) return FALSE;
  std::lock_guard lock(g_mu);
  for (const Hook& h : chain->hooks) {
    if (h.proc == proc && h.id == id) {
      if (data) *data = h.data;
      return TRUE;
    }
  }
  return FALSE;
}

BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id) {
  if (!OwnThread(hwnd)) return FALSE;
  std::lock_guard lock(g_mu);
  auto it = Chains().find(hwnd);
  if (it == Chains().end()) return FALSE;
  auto& hooks = it->second->hooks;
  auto hook = std::find_if(hooks.begin(), hooks.end(), [&](const Hook& h) { return h.proc == proc && h.id == id; });
  if (hook == hooks.end()) return FALSE;
  hooks.erase(hook);
  // The chain leaves only while it is still the window's procedure: someone who subclassed on
  // top of it (a CWnd) keeps calling through it.
  if (hooks.empty() && GetWindowLongPtr(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&ChainProc)) {
    SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second->original));
    Chains().erase(it);
  }
  return TRUE;
}

LRESULT DefSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  for (auto f = t_frames.rbegin(); f != t_frames.rend(); ++f)
    if (f->hwnd == hwnd) return Continue(*f, msg, wParam, lParam);
  return DefWindowProc(hwnd, msg, wParam, lParam);
}
