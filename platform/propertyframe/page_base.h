// What every device page shares: IPropertyPage over a child window that the page fills with
// controls in pixels, the objects it shows, and the dirty state it reports to its site. A page
// changed and not applied is put back when it is deactivated (the frame's Cancel).
#pragma once

#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/com/object.h"
#include "platform/com/property_frame.h"
#include "platform/controls/commctrl.h"
#include "platform/window/dialog.h"

namespace platform::propertyframe {

class PageBase : public com::ComObject<IPropertyPage> {
 public:
  PageBase(std::string title, SIZE size) : title_(std::move(title)), size_(size) {}

  STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
  STDMETHODIMP Activate(HWND parent, const RECT* rect, BOOL modal) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
  STDMETHODIMP Show(UINT cmdShow) override;
  STDMETHODIMP Move(const RECT* rect) override;
  STDMETHODIMP IsPageDirty() override { return dirty_ ? S_OK : S_FALSE; }
  STDMETHODIMP Apply() override;
  STDMETHODIMP Help(LPCOLESTR) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

 protected:
  // The first object the page was given, asked for one interface.
  template <typename I>
  CComPtr<I> Object() const {
    CComPtr<I> p;
    if (!objects_.empty())
      objects_.front()->QueryInterface(com::InterfaceTraits<I>::iid(), reinterpret_cast<void**>(&p));
    return p;
  }
  // Fills the page's window (hwnd_) with its controls and reads the device into them.
  virtual void Build() = 0;
  virtual void OnCommand(int /*id*/, int /*code*/) {}
  // A trackbar moved (any TB_ code).
  virtual void OnSlider(HWND /*slider*/) {}
  // Makes the page's pending changes the device's; a failure keeps the page dirty and says why.
  virtual HRESULT Commit() { return S_OK; }
  // Puts back what the device had when the page was opened or last applied.
  virtual void Revert() {}

  void SetDirty(bool dirty);
  HWND Add(const char* className, const std::string& text, DWORD style, int x, int y, int cx, int cy, int id);
  HWND Label(const std::string& text, int x, int y, int cx, int id = -1) {
    return Add(WC_STATIC, text, SS_LEFT, x, y, cx, 16, id);
  }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

  HWND hwnd_ = nullptr;

 private:
  static INT_PTR Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  std::string title_;
  SIZE size_;
  std::vector<CComPtr<IUnknown>> objects_;
  CComPtr<IPropertyPageSite> site_;
  bool dirty_ = false;
};

// Creator of a page class for the class table.
template <typename T>
HRESULT CreatePage(REFIID riid, void** ppv) {
  T* page = new T();
  const HRESULT hr = page->QueryInterface(riid, ppv);
  page->Release();
  return hr;
}

}  // namespace platform::propertyframe
