// The clip list's control: thumbnails on black with light, heavy labels. Files dropped on it
// go to the owner one by one as add requests.
#pragma once

#include "platform/controls/afx_controls.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_msgmap.h"

namespace studio {

// Item data the list's owner sets, so drawing knows the project title from the clips.
constexpr DWORD_PTR kClipItemMedia = 1;
constexpr DWORD_PTR kClipItemTitle = 2;

class CClipListCtrl : public CListCtrl {
 public:
  ~CClipListCtrl() override;
  // With a background the list draws the project title itself, framed when selected.
  BOOL SetBackground(HINSTANCE module, UINT bitmapId);
  BOOL BackgroundLoaded() const { return background_ != nullptr; }
  void SetOwner(HWND owner) { owner_ = owner; }
  HWND Owner() const { return owner_; }

 protected:
  void PreSubclassWindow() override;
  void OnDropFiles(HDROP drop) override;
  void OnCustomDraw(NMHDR* header, LRESULT* result);
  void DrawProjectTitle(HDC dc, int item, UINT state);

 private:
  CFont font_;
  HBITMAP background_ = nullptr;
  HWND owner_ = nullptr;

  DECLARE_MESSAGE_MAP()
};

// What the list asks its owner (wParam), lParam pointing to a std::string path.
constexpr UINT WM_CLIP_LIST_REQUEST = WM_USER + 480;
constexpr WPARAM kClipListAskFileFree = 1;
constexpr WPARAM kClipListAddFile = 2;

}  // namespace studio
