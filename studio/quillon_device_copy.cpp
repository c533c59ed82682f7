// The main window's copy to a capture box's storage disk: the "Morlant" popup under Publish and
// the copy that starts once the menu has closed.
#include "device_copy.h"
#include "platform/window/menu.h"
#include "quillon_dlg.h"
#include "quillon_ids.h"

namespace studio {
namespace {

constexpr UINT kDeviceCopyDelayMs = 100;

HMENU PublishSubMenu(HMENU clipMenu) {
  for (int i = 0; i < ::GetMenuItemCount(clipMenu); ++i)
    if (HMENU sub = ::GetSubMenu(clipMenu, i); sub && ::GetMenuItemID(sub, 0) == ID_PUBLISH_PSP) return sub;
  return nullptr;
}

}  // namespace

void CQuillonDlg::AppendDevicePopup(HMENU clipMenu) {
  deviceDrives_.clear();
  if (FindDeviceDrives(deviceDrives_) == 0) return;
  HMENU publish = PublishSubMenu(clipMenu);
  if (!publish) return;
  HMENU popup = ::CreatePopupMenu();
  for (size_t i = 0; i < deviceDrives_.size(); ++i)
    ::AppendMenu(popup, MF_STRING, kFirstDeviceCopyCommand + i, deviceDrives_[i].c_str());
  ::AppendMenu(publish, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "Morlant");
}

BOOL CQuillonDlg::OnDeviceCopyCommand(UINT id) {
  if (id < kFirstDeviceCopyCommand || id >= kFirstDeviceCopyCommand + deviceDrives_.size()) return FALSE;
  deviceCopyTarget_ = deviceDrives_[id - kFirstDeviceCopyCommand];
  SetTimer(kDeviceCopyTimer, kDeviceCopyDelayMs);
  return TRUE;
}

void CQuillonDlg::CopySelectedToDevice(const std::string& target) { CopyClipsToDevice(SelectedClips(), target); }

}  // namespace studio
