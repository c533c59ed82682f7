#include <cstring>

#include "platform/window/focus.h"
#include "platform/window/paint.h"
#include "platform/window/window_internal.h"
#include "platform/window/window_surface.h"

using namespace platform::win;

namespace {

thread_local platform::CreationHook t_hook = nullptr;
thread_local void* t_hookContext = nullptr;

void NotifyTopLevelChanged(const Window& w) {
  if (!(w.style & WS_CHILD) && Remote().topLevelChanged) Remote().topLevelChanged();
}

// The windows of the tree under root, parents before their children.
void CollectTree(HWND root, std::vector<HWND>& out) {
  out.push_back(root);
  std::vector<HWND> children;
  {
    std::lock_guard lock(TableLock());
    if (auto w = FindLocked(root)) children = w->children;
  }
  for (HWND c : children) CollectTree(c, out);
}

void Unlink(const std::shared_ptr<Window>& w) {
  std::lock_guard lock(TableLock());
  if (w->parent && (w->style & WS_CHILD)) {
    if (auto p = FindLocked(w->parent)) std::erase(p->children, w->handle);
  }
  Erase(w->handle);
}

}  // namespace

HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param) {
  if (!className) return nullptr;
  auto cls = FindClass(className);
  if (!cls) return nullptr;
  if (windowName && std::strlen(windowName) > kMaxWindowText) return nullptr;
  if (parent == HWND_MESSAGE) parent = nullptr;
  const bool child = (style & WS_CHILD) != 0;
  if (child && !Find(parent)) return nullptr;
  if (parent && !Find(parent)) return nullptr;

  auto w = std::make_shared<Window>();
  w->cls = cls;
  w->proc = cls->wc.lpfnWndProc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->instance = instance;
  w->queue = CurrentQueue();
  if (child) {
    w->parent = parent;
    w->id = reinterpret_cast<LONG_PTR>(menuOrId);
  } else {
    w->owner = parent ? GetAncestor(parent, GA_ROOT) : nullptr;
    w->menu = menuOrId;
  }
  if (!child) {
    if (x == CW_USEDEFAULT) x = 100, y = 100;
    if (width == CW_USEDEFAULT) width = 640, height = 480;
  } else {
    if (x == CW_USEDEFAULT) x = 0, y = 0;
    if (width == CW_USEDEFAULT) width = 0, height = 0;
  }
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  w->rect = RECT{x, y, x + width, y + height};
  {
    std::lock_guard lock(TableLock());
    w->handle = AllocateHandle();
    Insert(w);
    if (child) {
      FindLocked(parent)->children.push_back(w->handle);
    } else {
      auto& order = TopLevelOrder();
      order.insert(order.begin(), w->handle);
      KeepStackingRules();
    }
  }
  HWND hwnd = w->handle;
  if (auto hook = t_hook) {
    void* context = t_hookContext;
    t_hook = nullptr;
    t_hookContext = nullptr;
    hook(hwnd, context);
  }

  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menuOrId;
  cs.hwndParent = parent;
  cs.cx = width;
  cs.cy = height;
  cs.x = x;
  cs.y = y;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;

  if (!SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (IsWindow(hwnd)) {
      SendMessage(hwnd, WM_NCDESTROY, 0, 0);
      Unlink(w);
    }
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  if (SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  w->created = true;
  RECT client{};
  GetClientRect(hwnd, &client);
  SendMessage(hwnd, WM_SIZE, SIZE_RESTORED,
              MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  if (child) ScreenToClient(parent, &origin);
  SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y)));
  if (child && !(exStyle & WS_EX_NOPARENTNOTIFY))
    SendMessage(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<WORD>(w->id)),
                reinterpret_cast<LPARAM>(hwnd));
  if (!IsWindow(hwnd)) return nullptr;
  NotifyTopLevelChanged(*w);
  if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  if (w->queue != CurrentQueue()) return FALSE;  // only the owning thread destroys a window
  if (w->destroying) return TRUE;

  // Owned windows go first, the way dialogs owned by a closing window disappear with it.
  std::vector<HWND> owned;
  {
    std::lock_guard lock(TableLock());
    for (HWND h : TopLevelOrder())
      if (auto o = FindLocked(h); o && o->owner == hwnd) owned.push_back(h);
  }
  for (HWND h : owned) DestroyWindow(h);

  std::vector<HWND> tree;
  CollectTree(hwnd, tree);
  for (HWND h : tree)
    if (auto t = Find(h)) t->destroying = true;

  if (w->style & WS_VISIBLE) {
    w->style &= ~WS_VISIBLE;
    if (HWND parent = GetParent(hwnd)) InvalidateRect(parent, nullptr, TRUE);
  }
  platform::win::DetachFocusFrom(hwnd);

  for (HWND h : tree)
    if (IsWindow(h)) SendMessage(h, WM_DESTROY, 0, 0);
  for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
    auto t = Find(*it);
    if (!t) continue;
    SendMessage(*it, WM_NCDESTROY, 0, 0);
    ForgetTimers(t->queue, *it);
    ForgetInputState(*it);
    if (auto* provider = platform::GetWindowSurfaceProvider()) {
      if (t->region) provider->DeleteRegion(t->region);
      provider->WindowDestroyed(*it);
    }
    platform::TakeWindowDamage(*it, nullptr);
    t->region = nullptr;
    Unlink(t);
  }
  NotifyTopLevelChanged(*w);
  platform::MarkScreenChanged();
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  if (!hwnd) return FALSE;
  if (Find(hwnd)) return TRUE;
  if (Remote().isWindow) return Remote().isWindow(hwnd);
  return FALSE;
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  return proc(hwnd, msg, wParam, lParam);
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
    case GWLP_ID: return (w->style & WS_CHILD) ? w->id : reinterpret_cast<LONG_PTR>(w->menu);
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWLP_USERDATA: return w->userData;
    default:
      if (index < 0 || index >= w->cls->wc.cbWndExtra) return 0;
      auto it = w->extra.find(index);
      return it == w->extra.end() ? 0 : it->second;
  }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return 0;
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      if (value) w->proc = reinterpret_cast<WNDPROC>(value);
      return value ? old : 0;
    case GWLP_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_HWNDPARENT:
      if (w->style & WS_CHILD) return 0;
      old = reinterpret_cast<LONG_PTR>(w->owner);
      w->owner = reinterpret_cast<HWND>(value);
      KeepStackingRules();
      return old;
    case GWLP_ID:
      if (!(w->style & WS_CHILD)) {  // a top-level window keeps its menu in this slot
        old = reinterpret_cast<LONG_PTR>(w->menu);
        w->menu = reinterpret_cast<HMENU>(value);
        return old;
      }
      old = w->id;
      w->id = value;
      return old;
    case GWL_STYLE:
      old = static_cast<LONG>(w->style);
      w->style = static_cast<DWORD>(value);
      return old;
    case GWL_EXSTYLE:
      old = static_cast<LONG>(w->exStyle);
      w->exStyle = static_cast<DWORD>(value);
      if (!(w->style & WS_CHILD)) KeepStackingRules();
      return old;
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
    default:
      if (index < 0 || index >= w->cls->wc.cbWndExtra) return 0;
      old = w->extra[index];
      w->extra[index] = value;
      return old;
  }
}

LONG GetWindowLong(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtr(hwnd, index)); }
LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  return static_cast<LONG>(SetWindowLongPtr(hwnd, index, static_cast<LONG_PTR>(value)));
}

BOOL SetProp(HWND hwnd, LPCSTR name, HANDLE data) {
  if (!name) return FALSE;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return FALSE;
  w->props[name] = data;
  return TRUE;
}

HANDLE GetProp(HWND hwnd, LPCSTR name) {
  if (!name) return nullptr;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return nullptr;
  auto it = w->props.find(name);
  return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemoveProp(HWND hwnd, LPCSTR name) {
  if (!name) return nullptr;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return nullptr;
  auto it = w->props.find(name);
  if (it == w->props.end()) return nullptr;
  HANDLE h = it->second;
  w->props.erase(it);
  return h;
}

void platform::SetThreadCreationHook(CreationHook hook, void* context) {
  t_hook = hook;
  t_hookContext = context;
}
