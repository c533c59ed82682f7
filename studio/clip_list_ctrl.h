// The clip list's control: thumbnails on black with light, heavy labels. Files dropped on it
// go to the owner one by one as add requests.
#pragma once

#include "platform/controls/afx_controls.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_msgmap.h"

namespace studio {

class CClipListCtrl : public CListCtrl {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  HWND Owner() const { return owner_; }

 protected:
  void PreSubclassWindow() override;
  void OnDropFiles(HDROP drop) override;

 private:
  CFont font_;
  HWND owner_ = nullptr;

  DECLARE_MESSAGE_MAP()
};

// What the list asks its owner (wParam), lParam pointing to a std::string path.
constexpr UINT WM_CLIP_LIST_REQUEST = WM_USER + 480;
constexpr WPARAM kClipListAskFileFree = 1;
constexpr WPARAM kClipListAddFile = 2;

}  // namespace studio
