#include "clip_list_ctrl.h"

#include "platform/controls/commctrl.h"
#include "platform/gdi/objects.h"

namespace studio {

void CClipListCtrl::PreSubclassWindow() {
  CListCtrl::PreSubclassWindow();
  SetBkColor(RGB(0, 0, 0));
  SetTextColor(0xFAFAFA);
  SendMessage(LVM_SETTEXTBKCOLOR, 0, RGB(0, 0, 0));
  LOGFONT face{};
  HGDIOBJ gui = ::GetStockObject(DEFAULT_GUI_FONT);
  if (gui && ::GetObject(gui, sizeof(face), &face) > 0) {
    face.lfWeight = 900;
    font_.CreateFontIndirect(&face);
  }
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font_.m_hObject ? font_.m_hObject : gui), TRUE);
}

}  // namespace studio
