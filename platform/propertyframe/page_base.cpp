#include "platform/propertyframe/page_base.h"

#include <cstring>

#include "platform/base/templates.h"
#include "platform/com/task_mem.h"
#include "platform/window/dialog.h"

namespace platform::propertyframe {

STDMETHODIMP PageBase::SetPageSite(IPropertyPageSite* site) {
  site_ = site;
  return S_OK;
}

STDMETHODIMP PageBase::SetObjects(ULONG count, IUnknown** objects) {
  if (count > 0 && !objects) return E_POINTER;
  objects_.clear();
  for (ULONG i = 0; i < count; ++i) objects_.emplace_back(objects[i]);
  return S_OK;
}

STDMETHODIMP PageBase::GetPageInfo(PROPPAGEINFO* info) {
  if (!info) return E_POINTER;
  *info = PROPPAGEINFO{};
  info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(title_.size() + 1));
  if (!info->pszTitle) return E_OUTOFMEMORY;
  std::memcpy(info->pszTitle, title_.c_str(), title_.size() + 1);
  info->size = size_;
  return S_OK;
}

STDMETHODIMP PageBase::Activate(HWND parent, const RECT* rect, BOOL) {
  if (!rect) return E_POINTER;
  if (hwnd_) return E_UNEXPECTED;
  DialogTemplate t;
  t.style = WS_CHILD | DS_CONTROL | DS_SETFONT;
  t.exStyle = WS_EX_CONTROLPARENT;
  t.fontName = "MS Shell Dlg";
  t.pointSize = 8;
  hwnd_ = CreateDialogIndirectParam(nullptr, t, parent, Proc, reinterpret_cast<LPARAM>(this));
  if (!hwnd_) return E_FAIL;
  MoveWindow(hwnd_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, FALSE);
  Build();
  return S_OK;
}

STDMETHODIMP PageBase::Deactivate() {
  if (!hwnd_) return E_UNEXPECTED;
  if (dirty_) Revert();
  dirty_ = false;
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  return S_OK;
}

STDMETHODIMP PageBase::Show(UINT cmdShow) {
  if (!hwnd_) return E_UNEXPECTED;
  ShowWindow(hwnd_, static_cast<int>(cmdShow));
  // A shown page lies over the frame's tab control, which takes the clicks of what it covers.
  if (cmdShow != SW_HIDE) SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return S_OK;
}

STDMETHODIMP PageBase::Move(const RECT* rect) {
  if (!rect) return E_POINTER;
  if (!hwnd_) return E_UNEXPECTED;
  MoveWindow(hwnd_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
  return S_OK;
}

STDMETHODIMP PageBase::Apply() {
  if (!dirty_) return S_OK;
  const HRESULT hr = Commit();
  if (SUCCEEDED(hr)) SetDirty(false);
  return hr;
}

void PageBase::SetDirty(bool dirty) {
  if (dirty_ == dirty) return;
  dirty_ = dirty;
  if (site_) site_->OnStatusChange(dirty ? PROPPAGESTATUS_DIRTY : PROPPAGESTATUS_CLEAN);
}

HWND PageBase::Add(const char* className, const std::string& text, DWORD style, int x, int y, int cx, int cy, int id) {
  HWND control = CreateWindowEx(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, hwnd_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  if (control) SendMessage(control, WM_SETFONT, SendMessage(hwnd_, WM_GETFONT, 0, 0), FALSE);
  return control;
}

INT_PTR PageBase::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtr(hwnd, DWLP_USER, lParam);
    return FALSE;
  }
  auto* page = reinterpret_cast<PageBase*>(GetWindowLongPtr(hwnd, DWLP_USER));
  if (!page || page->hwnd_ != hwnd) return FALSE;
  switch (msg) {
    case WM_COMMAND: page->OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_HSCROLL:
      if (lParam) page->OnSlider(reinterpret_cast<HWND>(lParam));
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace platform::propertyframe
