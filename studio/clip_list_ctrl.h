// The clip list's control: thumbnails on black with light, heavy labels. Files dropped on it
// go to the owner one by one as add requests.
#pragma once

#include "clip_list.h"
#include "platform/controls/afx_controls.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_msgmap.h"
#include "platform/window/scroll_bars.h"
#include "widgets/skin_label.h"

namespace studio {

// Each item's data is its ClipItem, which the owner keeps while the item is listed.
inline DWORD_PTR ClipItemData(const ClipItem& clip) { return reinterpret_cast<DWORD_PTR>(&clip); }

class CClipListCtrl : public CListCtrl {
 public:
  ~CClipListCtrl() override;
  // With a background the list draws the project title itself, framed when selected.
  BOOL SetBackground(HINSTANCE module, UINT bitmapId);
  BOOL BackgroundLoaded() const { return background_ != nullptr; }
  void SetOwner(HWND owner) { owner_ = owner; }
  HWND Owner() const { return owner_; }
  const ClipItem* ClipAt(int item) const;
  // Puts the items in the list's order (the project title first).
  BOOL SortItems();
  static int CompareClipItems(LPARAM first, LPARAM second, LPARAM unused);

 protected:
  void PreSubclassWindow() override;
  // Scrolling takes the focus first; a dragged thumb scrolls by pixels.
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnDropFiles(HDROP drop) override;
  void OnCustomDraw(NMHDR* header, LRESULT* result);
  // Only a free media file is renamed, and then through the file-name edit.
  BOOL OnBeginLabelEdit(NMHDR* header, LRESULT* result);
  void DrawProjectTitle(HDC dc, int item, UINT state);

 private:
  CFont font_;
  HBITMAP background_ = nullptr;
  HWND owner_ = nullptr;
  CFileNameEdit labelEditor_;

  DECLARE_MESSAGE_MAP()
};

// Pixels a thumb moved to `newPos` scrolls along its bar, for a bar whose page shows
// `clientSize` pixels of the content.
int ThumbScrollAmount(const SCROLLINFO& info, int clientSize, int newPos);

// What the list asks its owner (wParam), lParam pointing to a std::string path.
constexpr UINT WM_CLIP_LIST_REQUEST = WM_USER + 480;
constexpr WPARAM kClipListAskFileFree = 1;
constexpr WPARAM kClipListAddFile = 2;

}  // namespace studio
