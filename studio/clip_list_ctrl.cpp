#include "clip_list_ctrl.h"

#include <string>
#include <vector>

#include "platform/controls/commctrl.h"
#include "platform/gdi/objects.h"
#include "platform/ole/drop_files.h"

namespace studio {

BEGIN_MESSAGE_MAP(CClipListCtrl, CListCtrl)
ON_WM_DROPFILES()
END_MESSAGE_MAP()

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
  DragAcceptFiles(TRUE);
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font_.m_hObject ? font_.m_hObject : gui), TRUE);
}

void CClipListCtrl::OnDropFiles(HDROP drop) {
  // Paths are taken whole: a cut one would name some other file.
  const std::vector<std::string> paths = platform::ole::ReadDropFiles(reinterpret_cast<HGLOBAL>(drop));
  ::DragFinish(drop);
  for (std::string path : paths)
    if (owner_) ::SendMessage(owner_, WM_CLIP_LIST_REQUEST, kClipListAddFile, reinterpret_cast<LPARAM>(&path));
}

}  // namespace studio
