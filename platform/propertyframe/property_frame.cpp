#include "platform/propertyframe/property_frame.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/templates.h"
#include "platform/com/com_ptr.h"
#include "platform/com/object.h"
#include "platform/com/task_mem.h"
#include "platform/controls/tab.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/filter_interfaces.h"
#include "platform/window/dialog.h"

namespace platform::propertyframe {
namespace {

constexpr int kMargin = 7;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

class Site final : public com::ComObject<IPropertyPageSite> {
 public:
  explicit Site(const HWND* frame) : frame_(frame) {}
  STDMETHODIMP OnStatusChange(DWORD flags) override {
    if (*frame_ && (flags & PROPPAGESTATUS_DIRTY)) EnableWindow(GetDlgItem(*frame_, kFrameApplyId), TRUE);
    return S_OK;
  }
  STDMETHODIMP GetLocaleID(LCID* locale) override {
    if (!locale) return E_POINTER;
    *locale = 0x0409;
    return S_OK;
  }
  STDMETHODIMP GetPageContainer(IUnknown** container) override {
    if (container) *container = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

 private:
  const HWND* frame_;  // the frame's window while it is shown
};

struct Frame {
  HWND hwnd = nullptr;
  std::vector<CComPtr<IPropertyPage>> pages;
  std::vector<std::string> titles;
  SIZE pageSize{};
  RECT pageRect{};
  int current = -1;
  POINT at{};
};

// The device's friendly name, as the frame's caption says it when the caller gives none; a
// filter of another make is known by the name the graph gave it.
std::string FriendlyName(IUnknown* object) {
  if (const dshow::CBaseFilter* own = object ? dshow::AsBaseFilter(object) : nullptr)
    if (!own->DefaultName().empty()) return own->DefaultName();
  CComPtr<IBaseFilter> filter;
  if (!object || FAILED(object->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter))) || !filter)
    return {};
  FILTER_INFO info;
  if (FAILED(filter->QueryFilterInfo(&info))) return {};
  if (info.pGraph) info.pGraph->Release();
  return info.achName;
}

bool AnyDirty(const Frame& f) {
  return std::any_of(f.pages.begin(), f.pages.end(), [](const auto& p) { return p->IsPageDirty() == S_OK; });
}

// Applies every changed page; false when one refused (it stays shown, saying why).
bool ApplyAll(Frame& f) {
  for (std::size_t i = 0; i < f.pages.size(); ++i) {
    if (f.pages[i]->IsPageDirty() != S_OK) continue;
    if (FAILED(f.pages[i]->Apply())) {
      if (static_cast<int>(i) != f.current) {
        SendDlgItemMessage(f.hwnd, kFrameTabId, TCM_SETCURSEL, i, 0);
        f.pages[static_cast<std::size_t>(f.current)]->Show(SW_HIDE);
        f.current = static_cast<int>(i);
        f.pages[i]->Show(SW_SHOW);
      }
      return false;
    }
  }
  EnableWindow(GetDlgItem(f.hwnd, kFrameApplyId), AnyDirty(f));
  return true;
}

void Close(Frame& f, INT_PTR result) {
  for (auto& page : f.pages) page->Deactivate();
  EndDialog(f.hwnd, result);
}

void Layout(Frame& f) {
  HWND tab = GetDlgItem(f.hwnd, kFrameTabId);
  RECT display{0, 0, f.pageSize.cx, f.pageSize.cy};
  SendMessage(tab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&display));
  const int tabWidth = display.right - display.left;
  const int tabHeight = display.bottom - display.top;
  MoveWindow(tab, kMargin, kMargin, tabWidth, tabHeight, FALSE);
  f.pageRect = {kMargin - display.left, kMargin - display.top, kMargin - display.left + f.pageSize.cx,
                kMargin - display.top + f.pageSize.cy};
  const int buttonsTop = kMargin + tabHeight + kMargin;
  const int ids[] = {IDOK, IDCANCEL, kFrameApplyId};
  int x = kMargin + tabWidth - 3 * kButtonWidth - 2 * 6;
  for (int id : ids) {
    MoveWindow(GetDlgItem(f.hwnd, id), x, buttonsTop, kButtonWidth, kButtonHeight, FALSE);
    x += kButtonWidth + 6;
  }
  RECT frame{0, 0, kMargin + tabWidth + kMargin, buttonsTop + kButtonHeight + kMargin};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLong(f.hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLong(f.hwnd, GWL_EXSTYLE)));
  SetWindowPos(f.hwnd, nullptr, f.at.x, f.at.y, frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER);
}

void Init(Frame& f) {
  HWND tab = GetDlgItem(f.hwnd, kFrameTabId);
  for (std::size_t i = 0; i < f.titles.size(); ++i) {
    TCITEM item;
    item.mask = TCIF_TEXT;
    item.pszText = f.titles[i].data();
    SendMessage(tab, TCM_INSERTITEM, i, reinterpret_cast<LPARAM>(&item));
  }
  Layout(f);
  for (auto& page : f.pages) {
    page->Activate(f.hwnd, &f.pageRect, TRUE);
    page->Show(SW_HIDE);
  }
  // The pages lie over the tab control, so they are drawn after it.
  f.current = f.pages.empty() ? -1 : 0;
  if (f.current == 0) f.pages[0]->Show(SW_SHOW);
  EnableWindow(GetDlgItem(f.hwnd, kFrameApplyId), FALSE);
}

INT_PTR FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* f = reinterpret_cast<Frame*>(lParam);
    SetWindowLongPtr(hwnd, DWLP_USER, lParam);
    f->hwnd = hwnd;
    Init(*f);
    return TRUE;
  }
  auto* f = reinterpret_cast<Frame*>(GetWindowLongPtr(hwnd, DWLP_USER));
  if (!f) return FALSE;
  switch (msg) {
    case WM_NOTIFY: {
      const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (hdr->idFrom != static_cast<UINT_PTR>(kFrameTabId) || hdr->code != TCN_SELCHANGE) return FALSE;
      const int chosen = static_cast<int>(SendDlgItemMessage(hwnd, kFrameTabId, TCM_GETCURSEL, 0, 0));
      if (chosen < 0 || chosen >= static_cast<int>(f->pages.size()) || chosen == f->current) return TRUE;
      if (f->current >= 0) f->pages[static_cast<std::size_t>(f->current)]->Show(SW_HIDE);
      f->current = chosen;
      f->pages[static_cast<std::size_t>(chosen)]->Show(SW_SHOW);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (ApplyAll(*f)) Close(*f, IDOK);
          return TRUE;
        case IDCANCEL: Close(*f, IDCANCEL); return TRUE;
        case kFrameApplyId: ApplyAll(*f); return TRUE;
        default: return FALSE;
      }
    default: return FALSE;
  }
}

DialogItemTemplate ItemOf(const char* className, const char* text, int id, DWORD style) {
  DialogItemTemplate item;
  item.className = className;
  item.text = text;
  item.id = id;
  item.style = WS_VISIBLE | style;
  item.cx = 50;
  item.cy = 14;
  return item;
}

}  // namespace

HRESULT ShowPropertyFrame(const com::PropertyFrameRequest& request) {
  Frame f;
  auto site = com::MakeComObject<Site>(&f.hwnd);
  HRESULT firstFailure = S_OK;
  for (const CLSID& clsid : request.pages) {
    CComPtr<IPropertyPage> page;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, reinterpret_cast<void**>(&page));
    if (SUCCEEDED(hr)) hr = page->SetObjects(request.objectCount, request.objects);
    PROPPAGEINFO info;
    if (SUCCEEDED(hr)) hr = page->GetPageInfo(&info);
    if (FAILED(hr)) {
      if (firstFailure == S_OK) firstFailure = hr;
      continue;
    }
    f.titles.emplace_back(info.pszTitle ? info.pszTitle : "");
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
    f.pageSize.cx = std::max(f.pageSize.cx, info.size.cx);
    f.pageSize.cy = std::max(f.pageSize.cy, info.size.cy);
    page->SetPageSite(site.get());
    f.pages.push_back(page);
  }
  if (f.pages.empty()) return request.pages.empty() ? E_INVALIDARG : firstFailure;

  HWND owner = IsWindow(request.owner) ? request.owner : nullptr;
  f.at = {static_cast<LONG>(request.x), static_cast<LONG>(request.y)};
  if (owner) ClientToScreen(owner, &f.at);
  std::string caption = request.caption;
  if (caption.empty()) {
    const std::string name = request.objectCount > 0 ? FriendlyName(request.objects[0]) : std::string();
    caption = name.empty() ? "Properties" : name + " Properties";
  }
  DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.exStyle = WS_EX_CONTROLPARENT;
  t.caption = caption;
  t.fontName = "MS Shell Dlg";
  t.cx = 200;
  t.cy = 150;
  t.items.push_back(ItemOf(WC_TABCONTROL, "", kFrameTabId, WS_TABSTOP));
  t.items.push_back(ItemOf("Button", "OK", IDOK, WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON));
  t.items.push_back(ItemOf("Button", "Cancel", IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON));
  t.items.push_back(ItemOf("Button", "&Apply", kFrameApplyId, WS_TABSTOP | BS_PUSHBUTTON));
  const INT_PTR result = DialogBoxIndirectParam(nullptr, t, owner, FrameProc, reinterpret_cast<LPARAM>(&f));
  // A loop that ran out of script (or a frame never made) closes its pages as Cancel does.
  if (result != IDOK && result != IDCANCEL)
    for (auto& page : f.pages) page->Deactivate();
  f.hwnd = nullptr;
  for (auto& page : f.pages) page->SetPageSite(nullptr);
  return result == -1 ? E_FAIL : S_OK;
}

}  // namespace platform::propertyframe
