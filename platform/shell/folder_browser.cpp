#include "platform/shell/folder_browser.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/com/task_mem.h"
#include "platform/controls/commctrl.h"
#include "platform/window/dialog.h"
#include "platform/window/focus.h"

// The item list is the folder's path as text, NUL-ended, in task memory.
struct ITEMIDLIST {
  char path[1];
};

namespace {

std::string PathOf(LPCITEMIDLIST list) { return list ? std::string(list->path) : std::string(); }

// "/a/b/" -> "/a/b"; "/" stays.
std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(path, ec);
}

class FolderBrowser {
 public:
  explicit FolderBrowser(BROWSEINFO* info) : info_(info) {}

  LPITEMIDLIST Run() {
    platform::DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    t.caption = "Browse for Folder";
    t.cx = 230;
    t.cy = 250;
    int top = 7;
    platform::AddDialogItem(t, "Static", info_->lpszTitle ? info_->lpszTitle : "", platform::kFolderTitleId,
                            SS_LEFT | SS_NOPREFIX, 7, top, 216, 16);
    top += 18;
    if (info_->ulFlags & BIF_STATUSTEXT) {
      platform::AddDialogItem(t, "Static", "", platform::kFolderStatusId, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 7,
                              top, 216, 10);
      top += 12;
    }
    const int treeBottom = (info_->ulFlags & BIF_EDITBOX) ? 196 : 220;
    platform::AddDialogItem(t, "SysTreeView32", "", platform::kFolderTreeId,
                            WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 7, top,
                            216, treeBottom - top, WS_EX_CLIENTEDGE);
    if (info_->ulFlags & BIF_EDITBOX) {
      platform::AddDialogItem(t, "Static", "Folder:", -1, SS_LEFT, 7, 204, 28, 8);
      platform::AddDialogItem(t, "Edit", "", platform::kFolderEditId, WS_TABSTOP | ES_AUTOHSCROLL, 38, 202, 185, 12,
                              WS_EX_CLIENTEDGE);
    }
    platform::AddDialogItem(t, "Button", "OK", IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON | WS_GROUP, 119, 229, 50, 14);
    platform::AddDialogItem(t, "Button", "Cancel", IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 173, 229, 50, 14);
    const INT_PTR r = DialogBoxIndirectParam(nullptr, t, info_->hwndOwner, Proc, reinterpret_cast<LPARAM>(this));
    // A caller that subclassed the browser may end it with OK itself: the selection is chosen.
    if (r == IDOK && chosen_.empty()) chosen_ = selected_;
    if (r != IDOK || chosen_.empty()) return nullptr;
    if (info_->pszDisplayName) {
      const std::string name = chosen_ == "/" ? "/" : platform::FileNameOf(chosen_);
      platform::CopyToBuffer(name, info_->pszDisplayName, MAX_PATH);
    }
    return ILCreateFromPath(chosen_.c_str());
  }

 private:
  struct Node {
    std::string path;
    bool filled = false;
  };

  static INT_PTR Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
      SetWindowLongPtr(hwnd, DWLP_USER, lParam);
      auto* self = reinterpret_cast<FolderBrowser*>(lParam);
      self->hwnd_ = hwnd;
      self->Init();
      return TRUE;
    }
    auto* self = reinterpret_cast<FolderBrowser*>(GetWindowLongPtr(hwnd, DWLP_USER));
    if (!self) return FALSE;
    return self->Handle(msg, wParam, lParam);
  }

  HWND Tree() const { return GetDlgItem(hwnd_, platform::kFolderTreeId); }

  int Callback(UINT msg, LPARAM lParam) { return info_->lpfn ? info_->lpfn(hwnd_, msg, lParam, info_->lParam) : 0; }

  void Init() {
    std::vector<std::string> roots;
    if (info_->pidlRoot) {
      roots.push_back(WithoutTrailingSlash(PathOf(info_->pidlRoot)));
    } else {
      roots.push_back(WithoutTrailingSlash(platform::HomeFolder()));
      roots.push_back("/");
    }
    for (const std::string& root : roots)
      if (IsFolder(root)) Insert(TVI_ROOT, root, root);
    MakeRoomAboveTheTree();
    // The first root is selected unless the callback chooses.
    if (HTREEITEM first = reinterpret_cast<HTREEITEM>(SendMessage(Tree(), TVM_GETNEXTITEM, TVGN_ROOT, 0)))
      SendMessage(Tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first));
    Callback(BFFM_INITIALIZED, 0);
  }

  RECT ChildRect(int id) const {
    RECT r{};
    HWND child = GetDlgItem(hwnd_, id);
    if (!child) return r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  // Callers of the system's browser put a path field of 20 px in the status line's place, its
  // bottom 15 px above the tree: the tree starts low enough for it to clear the title.
  void MakeRoomAboveTheTree() {
    constexpr int kGap = 4, kField = 20, kAboveTree = 15;
    const RECT title = ChildRect(platform::kFolderTitleId);
    const RECT tree = ChildRect(platform::kFolderTreeId);
    const int top = title.bottom + kGap + kField + kAboveTree;
    if (tree.top >= top) return;
    if (HWND status = GetDlgItem(hwnd_, platform::kFolderStatusId))
      MoveWindow(status, title.left, title.bottom + kGap, title.right - title.left, kField, FALSE);
    MoveWindow(Tree(), tree.left, top, tree.right - tree.left, std::max<int>(kField, tree.bottom - top), FALSE);
  }

  HTREEITEM Insert(HTREEITEM parent, const std::string& text, const std::string& path) {
    nodes_.push_back(std::make_unique<Node>(Node{path, false}));
    TVINSERTSTRUCT ins;
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    ins.item.pszText = const_cast<LPSTR>(text.c_str());
    ins.item.lParam = static_cast<LPARAM>(nodes_.size() - 1);
    ins.item.cChildren = 1;
    return reinterpret_cast<HTREEITEM>(SendMessage(Tree(), TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&ins)));
  }

  Node* NodeOf(HTREEITEM item) const {
    TVITEM it;
    it.mask = TVIF_PARAM | TVIF_HANDLE;
    it.hItem = item;
    if (!item || !SendMessage(Tree(), TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it))) return nullptr;
    const auto index = static_cast<size_t>(it.lParam);
    return index < nodes_.size() ? nodes_[index].get() : nullptr;
  }

  // Sub-folders are read when a folder is first opened; hidden ones stay out.
  void Fill(HTREEITEM item) {
    Node* node = NodeOf(item);
    if (!node || node->filled) return;
    node->filled = true;
    const std::string base = node->path;
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(base, ec)) {
      std::error_code typeError;
      const std::string name = entry.path().filename().string();
      if (!name.empty() && name[0] != '.' && entry.is_directory(typeError)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) Insert(item, name, base == "/" ? "/" + name : base + "/" + name);
    if (names.empty()) {
      TVITEM it;
      it.mask = TVIF_CHILDREN | TVIF_HANDLE;
      it.hItem = item;
      it.cChildren = 0;
      SendMessage(Tree(), TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
    }
  }

  HTREEITEM ChildNamed(HTREEITEM parent, const std::string& path) {
    Fill(parent);
    for (auto child = reinterpret_cast<HTREEITEM>(
             SendMessage(Tree(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
         child; child = reinterpret_cast<HTREEITEM>(
                    SendMessage(Tree(), TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)))) {
      Node* node = NodeOf(child);
      if (node && (path == node->path || path.rfind(node->path + "/", 0) == 0)) return child;
    }
    return nullptr;
  }

  // Opens the tree down to the folder (the deepest part that exists) and selects it.
  bool Select(const std::string& wanted) {
    const std::string path = WithoutTrailingSlash(wanted);
    if (path.empty() || path[0] != '/') return false;
    HTREEITEM best = nullptr;
    size_t bestLength = 0;
    for (auto root = reinterpret_cast<HTREEITEM>(SendMessage(Tree(), TVM_GETNEXTITEM, TVGN_ROOT, 0)); root;
         root = reinterpret_cast<HTREEITEM>(
             SendMessage(Tree(), TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(root)))) {
      Node* node = NodeOf(root);
      if (!node) continue;
      const bool inside = node->path == "/" || path == node->path || path.rfind(node->path + "/", 0) == 0;
      if (inside && node->path.size() >= bestLength) {
        best = root;
        bestLength = node->path.size();
      }
    }
    if (!best) return false;
    HTREEITEM item = best;
    while (NodeOf(item)->path != path) {
      HTREEITEM child = ChildNamed(item, path);
      if (!child) break;
      SendMessage(Tree(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
      item = child;
    }
    SendMessage(Tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    SendMessage(Tree(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    return NodeOf(item)->path == path;
  }

  void SelectionChanged(HTREEITEM item) {
    Node* node = NodeOf(item);
    selected_ = node ? node->path : std::string();
    if (info_->ulFlags & BIF_EDITBOX) SetDlgItemText(hwnd_, platform::kFolderEditId, selected_.c_str());
    LPITEMIDLIST list = ILCreateFromPath(selected_.c_str());
    Callback(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(list));
    ILFree(list);
  }

  // OK: a typed folder wins over the selection; a typed name that is no folder goes to the
  // callback when asked to validate, and is otherwise ignored.
  void Confirm() {
    std::string result = selected_;
    if (info_->ulFlags & BIF_EDITBOX) {
      char typed[1024] = {};
      GetDlgItemText(hwnd_, platform::kFolderEditId, typed, sizeof typed);
      std::string text = platform::Trim(typed);
      if (!text.empty() && text != selected_) {
        const std::string path = text[0] == '/' ? text : platform::WithTrailingSlash(selected_) + text;
        if (IsFolder(path)) {
          result = WithoutTrailingSlash(path);
        } else if (info_->ulFlags & BIF_VALIDATE) {
          if (Callback(BFFM_VALIDATEFAILEDA, reinterpret_cast<LPARAM>(text.c_str())) != 0) return;
          EndDialog(hwnd_, IDCANCEL);
          return;
        }
      }
    }
    if (result.empty()) return;
    chosen_ = result;
    EndDialog(hwnd_, IDOK);
  }

  INT_PTR Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
      case BFFM_SETSTATUSTEXTA:
        SetDlgItemText(hwnd_, platform::kFolderStatusId, lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
        return TRUE;
      case BFFM_ENABLEOK: EnableWindow(GetDlgItem(hwnd_, IDOK), lParam != 0); return TRUE;
      case BFFM_SETSELECTIONA: {
        const std::string path = wParam ? std::string(lParam ? reinterpret_cast<LPCSTR>(lParam) : "")
                                        : PathOf(reinterpret_cast<LPCITEMIDLIST>(lParam));
        SetWindowLongPtr(hwnd_, DWLP_MSGRESULT, Select(path));
        return TRUE;
      }
      case WM_NOTIFY: {
        auto* h = reinterpret_cast<NMHDR*>(lParam);
        if (static_cast<int>(h->idFrom) != platform::kFolderTreeId) return FALSE;
        auto* tv = reinterpret_cast<NMTREEVIEW*>(lParam);
        if (h->code == TVN_ITEMEXPANDING) Fill(tv->itemNew.hItem);
        if (h->code == TVN_SELCHANGED) SelectionChanged(tv->itemNew.hItem);
        return FALSE;
      }
      case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
          Confirm();
          return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          EndDialog(hwnd_, IDCANCEL);
          return TRUE;
        }
        return FALSE;
      default: return FALSE;
    }
  }

  BROWSEINFO* info_;
  HWND hwnd_ = nullptr;
  std::vector<std::unique_ptr<Node>> nodes_;
  std::string selected_;
  std::string chosen_;
};

class ShellMalloc final : public IMalloc {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMalloc) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // One object for the process; counting is not needed.
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP_(void*) Alloc(SIZE_T size) override { return CoTaskMemAlloc(size); }
  STDMETHODIMP_(void*) Realloc(void* block, SIZE_T size) override { return CoTaskMemRealloc(block, size); }
  STDMETHODIMP_(void) Free(void* block) override { CoTaskMemFree(block); }
  STDMETHODIMP_(SIZE_T) GetSize(void*) override { return static_cast<SIZE_T>(-1); }
  STDMETHODIMP_(int) DidAlloc(void*) override { return -1; }
  STDMETHODIMP_(void) HeapMinimize() override {}
};

}  // namespace

LPITEMIDLIST SHBrowseForFolder(LPBROWSEINFO info) { return info ? FolderBrowser(info).Run() : nullptr; }

BOOL SHGetPathFromIDList(LPCITEMIDLIST list, LPSTR path) {
  if (!path) return FALSE;
  *path = '\0';
  const std::string p = PathOf(list);
  if (p.empty() || p.size() >= MAX_PATH) return FALSE;
  platform::CopyToBuffer(p, path, MAX_PATH);
  return TRUE;
}

LPITEMIDLIST ILCreateFromPath(LPCSTR path) {
  if (!path || !*path) return nullptr;
  const std::string p = WithoutTrailingSlash(path);
  auto* list = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(p.size() + 1));
  if (list) std::memcpy(list->path, p.c_str(), p.size() + 1);
  return list;
}

void ILFree(LPITEMIDLIST list) { CoTaskMemFree(list); }

HRESULT SHGetMalloc(LPMALLOC* malloc) {
  if (!malloc) return E_POINTER;
  static ShellMalloc shared;
  *malloc = &shared;
  return S_OK;
}
