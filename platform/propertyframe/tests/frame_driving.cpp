#include "platform/propertyframe/tests/frame_driving.h"

#include <gtest/gtest.h>

#include "platform/com/com_ptr.h"
#include "platform/com/task_mem.h"
#include "platform/controls/tab.h"
#include "platform/propertyframe/property_frame.h"
#include "platform/testkit/testkit.h"
#include "platform/window/dialog.h"

namespace propertyframe_tests {

using platform::propertyframe::kFrameTabId;

HWND PageWith(HWND frame, int id) {
  for (HWND child = GetWindow(frame, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetDlgItem(child, id)) return child;
  return nullptr;
}

std::string TabText(HWND frame, int index) {
  char text[64] = {};
  TCITEM item;
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendDlgItemMessage(frame, kFrameTabId, TCM_GETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return text;
}

void ClickTab(HWND frame, int index) {
  HWND tab = GetDlgItem(frame, kFrameTabId);
  RECT r{};
  SendMessage(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  testkit::Click(tab, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

HRESULT ShowDevicePages(IBaseFilter* filter) {
  CComPtr<ISpecifyPropertyPages> specify;
  EXPECT_EQ(filter->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&specify)), S_OK);
  CAUUID ids;
  EXPECT_EQ(specify->GetPages(&ids), S_OK);
  IUnknown* objects[] = {filter};
  const HRESULT hr = OleCreatePropertyFrame(nullptr, 0, 0, nullptr, 1, objects, ids.cElems, ids.pElems, 0, 0, nullptr);
  CoTaskMemFree(ids.pElems);
  return hr;
}

}  // namespace propertyframe_tests
