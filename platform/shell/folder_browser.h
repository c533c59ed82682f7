// The folder browser: SHBrowseForFolder over a tree of the file system's folders, with its
// callback conversation (BFFM_) and item lists that carry "/" paths.
#pragma once

#include "platform/com/unknown.h"
#include "platform/window/window.h"

// An item list names one folder; it is task memory (CoTaskMemFree or the shell's allocator).
struct ITEMIDLIST;
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;

using BFFCALLBACK = int (*)(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data);

struct BROWSEINFO {
  HWND hwndOwner = nullptr;
  LPCITEMIDLIST pidlRoot = nullptr;  // the tree's only root when given
  LPSTR pszDisplayName = nullptr;    // MAX_PATH bytes: the chosen folder's name
  LPCSTR lpszTitle = nullptr;        // text above the tree
  UINT ulFlags = 0;
  BFFCALLBACK lpfn = nullptr;
  LPARAM lParam = 0;
  int iImage = 0;
};
using LPBROWSEINFO = BROWSEINFO*;
using BROWSEINFOA = BROWSEINFO;

constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_DONTGOBELOWDOMAIN = 0x0002;
constexpr UINT BIF_STATUSTEXT = 0x0004;
constexpr UINT BIF_RETURNFSANCESTORS = 0x0008;
constexpr UINT BIF_EDITBOX = 0x0010;
constexpr UINT BIF_VALIDATE = 0x0020;
constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;

// To the callback.
constexpr UINT BFFM_INITIALIZED = 1;      // lParam 0
constexpr UINT BFFM_SELCHANGED = 2;       // lParam: the selected item list (valid during the call)
constexpr UINT BFFM_VALIDATEFAILEDA = 3;  // lParam: the typed text; non-zero keeps the dialog open
constexpr UINT BFFM_VALIDATEFAILED = BFFM_VALIDATEFAILEDA;
// From the callback (sent to the dialog).
constexpr UINT BFFM_SETSTATUSTEXTA = WM_USER + 100;  // lParam: text
constexpr UINT BFFM_ENABLEOK = WM_USER + 101;        // lParam: enable
constexpr UINT BFFM_SETSELECTIONA = WM_USER + 102;   // wParam TRUE: lParam is a path, else an item list
constexpr UINT BFFM_SETSTATUSTEXT = BFFM_SETSTATUSTEXTA;
constexpr UINT BFFM_SETSELECTION = BFFM_SETSELECTIONA;

// Runs the browser; the chosen folder's item list, or nullptr when cancelled.
LPITEMIDLIST SHBrowseForFolder(LPBROWSEINFO info);
// The folder path of an item list (MAX_PATH bytes, no trailing "/" except for "/"); FALSE for none.
BOOL SHGetPathFromIDList(LPCITEMIDLIST list, LPSTR path);
// An item list for a path (free with CoTaskMemFree); nullptr for an empty path.
LPITEMIDLIST ILCreateFromPath(LPCSTR path);
void ILFree(LPITEMIDLIST list);

// The shell's allocator: task memory behind IMalloc.
DEFINE_GUID(IID_IMalloc, 0x00000002, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct IMalloc : IUnknown {
  STDMETHOD_(void*, Alloc)(SIZE_T size) PURE;
  STDMETHOD_(void*, Realloc)(void* block, SIZE_T size) PURE;
  STDMETHOD_(void, Free)(void* block) PURE;
  STDMETHOD_(SIZE_T, GetSize)(void* block) PURE;
  STDMETHOD_(int, DidAlloc)(void* block) PURE;
  STDMETHOD_(void, HeapMinimize)() PURE;

 protected:
  ~IMalloc() = default;
};
using LPMALLOC = IMalloc*;
VIDARRO_INTERFACE(IMalloc, IUnknown, IID_IMalloc);
HRESULT SHGetMalloc(LPMALLOC* malloc);

namespace platform {

// Control ids of the browser, as callers that reach into it expect them.
constexpr int kFolderTreeId = 14145;
constexpr int kFolderTitleId = 14146;
constexpr int kFolderStatusId = 14147;
constexpr int kFolderEditId = 14148;

}  // namespace platform
