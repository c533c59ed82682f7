#include "gallery_picture.h"

#include "gallery_ids.h"
#include "platform/base/module.h"
#include "platform/controls/commctrl.h"
#include "platform/window/dialog.h"
#include "platform/window/messages.h"
#include "platform/window/paint.h"
#include "platform/window/resources.h"
#include "platform/window/window_surface.h"

namespace platform {

bool WriteGalleryPicture(const std::string& resourceLibrary, const std::string& pngPath, std::string* error) {
  InitCommonControls();  // the controls and the window surfaces they paint on
  platform::Module module(resourceLibrary);
  if (!module.IsLoaded()) {
    *error = resourceLibrary + " is not loaded: " + LastModuleError();
    return false;
  }
  auto tmpl = LoadDialogTemplate(module.Handle(), MAKEINTRESOURCE(IDD_GALLERY));
  if (!tmpl) {
    *error = "the gallery dialog is missing from " + resourceLibrary;
    return false;
  }
  tmpl->style |= WS_VISIBLE;
  HWND dialog = CreateDialogIndirectParam(module.Handle(), *tmpl, nullptr, nullptr, 0);
  if (!dialog) {
    *error = "the gallery dialog could not be made";
    return false;
  }
  SetDlgItemText(dialog, IDC_NAME, "Holiday 2026");
  CheckDlgButton(dialog, IDC_FAST, BST_CHECKED);
  CheckRadioButton(dialog, IDC_QUALITY, IDC_HIGH, IDC_HIGH);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  const bool written = WriteWindowPng(dialog, pngPath);
  DestroyWindow(dialog);
  if (!written) *error = "cannot write " + pngPath;
  return written;
}

}  // namespace platform
