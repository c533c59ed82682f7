#include "platform/window/menu.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/strings.h"
#include "platform/window/focus.h"
#include "platform/window/messages.h"
#include "platform/window/modal_loop.h"
#include "platform/window/paint.h"
#include "platform/window/resources.h"
#include "platform/window/system_classes.h"
#include "platform/window/window.h"

namespace {

constexpr int kItemHeight = 20;
constexpr int kSeparatorHeight = 8;

struct MenuItem {
  UINT flags = 0;
  UINT id = 0;
  HMENU sub = nullptr;
  std::string text;
};

struct Menu {
  bool popup = true;
  std::vector<MenuItem> items;
};

std::recursive_mutex g_mu;
std::map<DWORD, std::shared_ptr<Menu>>& Menus() {
  static auto* menus = new std::map<DWORD, std::shared_ptr<Menu>>;
  return *menus;
}
DWORD g_next = 0x00A00000;

std::shared_ptr<Menu> Get(HMENU h) {
  std::lock_guard lock(g_mu);
  auto it = Menus().find(HandleToDword(h));
  return it == Menus().end() ? nullptr : it->second;
}

HMENU Make(bool popup) {
  std::lock_guard lock(g_mu);
  auto m = std::make_shared<Menu>();
  m->popup = popup;
  g_next += 4;
  Menus()[g_next] = m;
  return DwordToHandle<HMENU>(g_next);
}

// Finds an item by command (searching sub-menus) or by position.
MenuItem* Locate(HMENU h, UINT item, UINT flags) {
  auto m = Get(h);
  if (!m) return nullptr;
  if (flags & MF_BYPOSITION) return item < m->items.size() ? &m->items[item] : nullptr;
  for (auto& i : m->items) {
    if (!(i.flags & MF_POPUP) && i.id == item) return &i;
    if (i.sub)
      if (MenuItem* found = Locate(i.sub, item, flags)) return found;
  }
  return nullptr;
}

MenuItem MakeItem(UINT flags, UINT_PTR idOrSub, LPCSTR text) {
  MenuItem i;
  i.flags = flags & ~MF_BYPOSITION;
  if (flags & MF_POPUP) i.sub = reinterpret_cast<HMENU>(idOrSub);
  else i.id = static_cast<UINT>(idOrSub);
  if (text && !(flags & (MF_SEPARATOR | MF_OWNERDRAW))) i.text = text;
  return i;
}

// State of one shown popup, kept in the popup window's first extra slot.
struct Tracking {
  HMENU menu = nullptr;
  UINT flags = 0;
  int hot = -1;
  bool done = false;
  UINT chosen = 0;
  int openSub = -1;  // item whose sub-menu was asked for
};

int ItemAt(const Menu& m, int y) {
  int top = 0;
  for (size_t i = 0; i < m.items.size(); ++i) {
    const int h = (m.items[i].flags & MF_SEPARATOR) ? kSeparatorHeight : kItemHeight;
    if (y >= top && y < top + h) return static_cast<int>(i);
    top += h;
  }
  return -1;
}

int ItemTop(const Menu& m, int index) {
  int top = 0;
  for (int i = 0; i < index && i < static_cast<int>(m.items.size()); ++i)
    top += (m.items[static_cast<size_t>(i)].flags & MF_SEPARATOR) ? kSeparatorHeight : kItemHeight;
  return top;
}

bool Selectable(const MenuItem& i) { return !(i.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)); }

Tracking* StateOf(HWND hwnd) { return reinterpret_cast<Tracking*>(GetWindowLongPtr(hwnd, 0)); }

void Choose(Tracking* t, const Menu& m, int index) {
  if (index < 0 || index >= static_cast<int>(m.items.size())) return;
  const MenuItem& i = m.items[static_cast<size_t>(index)];
  if (!Selectable(i)) return;
  if (i.flags & MF_POPUP) {
    t->openSub = index;
    return;
  }
  t->chosen = i.id;
  t->done = true;
}

UINT Track(HMENU menu, UINT flags, int x, int y, HWND owner, int depth);

}  // namespace

namespace platform::win {

LRESULT PopupMenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Tracking* t = StateOf(hwnd);
  auto m = t ? Get(t->menu) : nullptr;
  if (!t || !m) return DefWindowProc(hwnd, msg, wParam, lParam);
  const POINT p{static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
  RECT client{};
  GetClientRect(hwnd, &client);
  const bool inside = PtInRect(&client, p);
  switch (msg) {
    case WM_MOUSEMOVE:
      if (inside && t->hot != ItemAt(*m, p.y)) {
        t->hot = ItemAt(*m, p.y);
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (!inside) t->done = true;  // a click elsewhere dismisses the menu
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (msg == WM_RBUTTONUP && !(t->flags & TPM_RIGHTBUTTON)) return 0;
      if (inside) Choose(t, *m, ItemAt(*m, p.y));
      return 0;
    case WM_KEYDOWN: {
      const int count = static_cast<int>(m->items.size());
      if (wParam == VK_ESCAPE) {
        t->done = true;
      } else if (wParam == VK_RETURN) {
        Choose(t, *m, t->hot);
      } else if ((wParam == VK_DOWN || wParam == VK_UP) && count > 0) {
        for (int step = 0; step < count; ++step) {
          t->hot = wParam == VK_DOWN ? (t->hot + 1) % count : (t->hot <= 0 ? count - 1 : t->hot - 1);
          if (Selectable(m->items[static_cast<size_t>(t->hot)])) break;
        }
        InvalidateRect(hwnd, nullptr, TRUE);
      } else if (wParam == VK_RIGHT && t->hot >= 0) {
        Choose(t, *m, t->hot);
      }
      return 0;
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::win

namespace {

UINT Track(HMENU menu, UINT flags, int x, int y, HWND owner, int depth) {
  auto m = Get(menu);
  if (!m || depth > 8) return 0;
  int width = 120;
  for (auto& i : m->items) width = std::max(width, static_cast<int>(i.text.size()) * 7 + 40);
  const int height = ItemTop(*m, static_cast<int>(m->items.size())) + 2;
  if (flags & TPM_RIGHTALIGN) x -= width;
  else if (flags & TPM_CENTERALIGN) x -= width / 2;
  if (flags & TPM_BOTTOMALIGN) y -= height;
  else if (flags & TPM_VCENTERALIGN) y -= height / 2;

  Tracking t;
  t.menu = menu;
  t.flags = flags;
  HWND popup = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "#32768", "", WS_POPUP | WS_BORDER, x, y, width + 2,
                              height, owner, nullptr, nullptr, nullptr);
  if (!popup) return 0;
  SetWindowLongPtr(popup, 0, reinterpret_cast<LONG_PTR>(&t));
  ShowWindow(popup, SW_SHOWNA);
  HWND previousCapture = SetCapture(popup);
  HWND previousFocus = GetFocus();
  UINT result = 0;
  for (;;) {
    auto end = platform::RunModalLoop([&] { return t.done || t.openSub >= 0 || !IsWindow(popup); },
                                      [&](MSG& msg) {
                                        if (msg.message == WM_KEYDOWN) {  // keys go to the menu, wherever focus is
                                          SendMessage(popup, WM_KEYDOWN, msg.wParam, msg.lParam);
                                          return true;
                                        }
                                        return false;
                                      });
    if (end != platform::ModalEnd::Ended || !IsWindow(popup)) break;
    if (t.openSub >= 0) {
      const int index = t.openSub;
      t.openSub = -1;
      POINT corner{width, ItemTop(*m, index)};
      ClientToScreen(popup, &corner);
      UINT sub = Track(m->items[static_cast<size_t>(index)].sub, flags, corner.x, corner.y, owner, depth + 1);
      if (sub) {
        result = sub;
        break;
      }
      SetCapture(popup);
      continue;
    }
    result = t.chosen;
    break;
  }
  if (IsWindow(popup)) {
    SetWindowLongPtr(popup, 0, 0);
    DestroyWindow(popup);
  }
  if (previousCapture && IsWindow(previousCapture)) SetCapture(previousCapture);
  else if (GetCapture() == popup || !GetCapture()) ReleaseCapture();
  if (previousFocus && IsWindow(previousFocus) && GetFocus() != previousFocus) SetFocus(previousFocus);
  return result;
}

}  // namespace

HMENU CreateMenu() { return Make(false); }
HMENU CreatePopupMenu() { return Make(true); }

BOOL DestroyMenu(HMENU menu) {
  auto m = Get(menu);
  if (!m) return FALSE;
  std::lock_guard lock(g_mu);
  Menus().erase(HandleToDword(menu));
  for (auto& i : m->items)
    if (i.sub) DestroyMenu(i.sub);
  return TRUE;
}

BOOL IsMenu(HMENU menu) { return Get(menu) != nullptr; }

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrSub, LPCSTR text) {
  auto m = Get(menu);
  if (!m) return FALSE;
  if ((flags & MF_POPUP) && !Get(reinterpret_cast<HMENU>(idOrSub))) return FALSE;
  std::lock_guard lock(g_mu);
  m->items.push_back(MakeItem(flags, idOrSub, text));
  return TRUE;
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSub, LPCSTR text) {
  auto m = Get(menu);
  if (!m) return FALSE;
  std::lock_guard lock(g_mu);
  size_t at = m->items.size();
  if (flags & MF_BYPOSITION) {
    if (position < m->items.size()) at = position;
  } else {
    for (size_t i = 0; i < m->items.size(); ++i)
      if (m->items[i].id == position && !(m->items[i].flags & MF_POPUP)) at = i;
    if (at == m->items.size() && position != 0xFFFFFFFFu) return FALSE;
  }
  m->items.insert(m->items.begin() + static_cast<long>(at), MakeItem(flags, idOrSub, text));
  return TRUE;
}

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSub, LPCSTR text) {
  std::lock_guard lock(g_mu);
  MenuItem* i = Locate(menu, position, flags);
  if (!i) return FALSE;
  *i = MakeItem(flags, idOrSub, text);
  return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
  std::lock_guard lock(g_mu);
  MenuItem* i = Locate(menu, position, flags);
  if (!i) return FALSE;
  for (auto& [handle, m] : Menus()) {
    for (auto it = m->items.begin(); it != m->items.end(); ++it) {
      if (&*it == i) {
        m->items.erase(it);
        return TRUE;
      }
    }
  }
  return FALSE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
  HMENU sub = nullptr;
  {
    std::lock_guard lock(g_mu);
    MenuItem* i = Locate(menu, position, flags);
    if (!i) return FALSE;
    sub = i->sub;
  }
  if (!RemoveMenu(menu, position, flags)) return FALSE;
  if (sub) DestroyMenu(sub);
  return TRUE;
}

int GetMenuItemCount(HMENU menu) {
  auto m = Get(menu);
  return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  auto m = Get(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return 0xFFFFFFFFu;
  const MenuItem& i = m->items[static_cast<size_t>(position)];
  return (i.flags & MF_POPUP) ? 0xFFFFFFFFu : i.id;
}

HMENU GetSubMenu(HMENU menu, int position) {
  auto m = Get(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return nullptr;
  return m->items[static_cast<size_t>(position)].sub;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  std::lock_guard lock(g_mu);
  MenuItem* i = Locate(menu, item, flags);
  if (!i) return 0xFFFFFFFFu;
  if (i->sub) return (static_cast<UINT>(GetMenuItemCount(i->sub)) << 8) | (i->flags & 0xFF);
  return i->flags;
}

int GetMenuString(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags) {
  std::lock_guard lock(g_mu);
  MenuItem* i = Locate(menu, item, flags);
  if (!i) return 0;
  if (!buffer || size <= 0) return static_cast<int>(i->text.size());
  return platform::CopyToBuffer(i->text, buffer, size);
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
  std::lock_guard lock(g_mu);
  MenuItem* i = Locate(menu, item, check);
  if (!i) return 0xFFFFFFFFu;
  const DWORD old = i->flags & MF_CHECKED;
  i->flags = (i->flags & ~MF_CHECKED) | (check & MF_CHECKED);
  return old;
}

UINT EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  std::lock_guard lock(g_mu);
  MenuItem* i = Locate(menu, item, enable);
  if (!i) return 0xFFFFFFFFu;
  const UINT old = i->flags & (MF_GRAYED | MF_DISABLED);
  i->flags = (i->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return old;
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  static auto* menus = new std::map<HWND, HMENU>;
  std::lock_guard lock(g_mu);
  for (auto it = menus->begin(); it != menus->end();) {  // menus of windows that are gone
    if (!IsWindow(it->first)) {
      DestroyMenu(it->second);
      it = menus->erase(it);
    } else {
      ++it;
    }
  }
  if (!IsWindow(hwnd)) return nullptr;
  auto it = menus->find(hwnd);
  if (revert) {
    if (it != menus->end()) {
      DestroyMenu(it->second);
      menus->erase(it);
    }
    return nullptr;
  }
  if (it != menus->end()) return it->second;
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, SC_RESTORE, "&Restore");
  AppendMenu(menu, MF_STRING, SC_MOVE, "&Move");
  AppendMenu(menu, MF_STRING, SC_MINIMIZE, "Mi&nimize");
  AppendMenu(menu, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
  AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenu(menu, MF_STRING, SC_CLOSE, "&Close");
  (*menus)[hwnd] = menu;
  return menu;
}

BOOL SetMenu(HWND hwnd, HMENU menu) {
  if (!IsWindow(hwnd) || (GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD)) return FALSE;
  if (menu && !IsMenu(menu)) return FALSE;
  SetWindowLongPtr(hwnd, GWLP_ID, reinterpret_cast<LONG_PTR>(menu));
  return TRUE;
}

HMENU GetMenu(HWND hwnd) {
  if (!IsWindow(hwnd) || (GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD)) return nullptr;
  return reinterpret_cast<HMENU>(GetWindowLongPtr(hwnd, GWLP_ID));
}

namespace {
void Fill(HMENU menu, const std::vector<platform::MenuItemTemplate>& items) {
  for (auto& i : items) {
    if (!i.children.empty() || (i.flags & MF_POPUP)) {
      HMENU sub = CreatePopupMenu();
      Fill(sub, i.children);
      AppendMenu(menu, (i.flags | MF_POPUP) & ~MF_SEPARATOR, reinterpret_cast<UINT_PTR>(sub), i.text.c_str());
    } else {
      AppendMenu(menu, i.flags, i.id, i.text.c_str());
    }
  }
}
}  // namespace

HMENU LoadMenuIndirect(const platform::MenuTemplate& t) {
  HMENU menu = CreateMenu();
  Fill(menu, t.items);
  return menu;
}

HMENU LoadMenu(HINSTANCE instance, LPCSTR name) {
  auto t = platform::LoadMenuTemplate(instance, name);
  return t ? LoadMenuIndirect(*t) : nullptr;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND hwnd, const RECT*) {
  if (!IsMenu(menu) || !IsWindow(hwnd)) return FALSE;
  if (!(flags & TPM_NONOTIFY)) {
    SendMessage(hwnd, WM_ENTERMENULOOP, TRUE, 0);
    SendMessage(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  }
  const UINT chosen = Track(menu, flags, x, y, hwnd, 0);
  if (!(flags & TPM_NONOTIFY) && IsWindow(hwnd)) SendMessage(hwnd, WM_EXITMENULOOP, TRUE, 0);
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (!chosen) return FALSE;
  if (!(flags & TPM_NONOTIFY)) PostMessage(hwnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
  return TRUE;
}
