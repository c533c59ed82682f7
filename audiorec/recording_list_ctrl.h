// CRecordingListCtrl: the recordings list of the main window and the track list of both burn
// dialogs. Every row owns its RecordingItem (the row's item data); every way a row goes frees it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audiorec/dropped_paths.h"
#include "audiorec/recording_item.h"
#include "audiorec/skin_list_ctrl.h"

struct ScrollInfoPair {
  SCROLLINFO h{}, v{};
};

// The LVM_SCROLL pixels (dx, dy) a skin scroll bar's WM_VSCROLL / WM_HSCROLL stands for; false
// for codes the list handles itself.
bool ScrollPixels(UINT msg, WPARAM wParam, const ScrollInfoPair& bars, int clientWidth, int clientHeight, int* dx,
                  int* dy);

class CRecordingListCtrl : public CSkinListCtrl {
 public:
  ~CRecordingListCtrl() override;

  void InsertColumns();
  // Files dropped on the list: the accepted paths of one drop (kinds as AcceptedDrops gives
  // them) go to the owner's add; without a handler a drop adds nothing.
  using DropHandler = std::function<void(const std::vector<auvry::DroppedPath>& paths)>;
  void AcceptDrops(int accepts, DropHandler handler) {
    accepts_ = accepts;
    dropHandler_ = std::move(handler);
  }
  // Appends a row showing the item; returns its index.
  int AppendRow(std::unique_ptr<RecordingItem> item, const std::string& sizeText, const std::string& timeText);
  RecordingItem* ItemAt(int row) const;
  std::vector<int> SelectedRows() const;
  std::vector<std::string> SelectedPaths() const;
  void RemoveRow(int row);

  // The selected files to the trash (the desktop's own confirmation first), then their rows.
  int RecycleSelected();
  int RemoveSelectedRows();
  int RemoveAllRows();

 protected:
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void TakeDrop(HDROP drop);

  int accepts_ = auvry::kAcceptFiles;
  DropHandler dropHandler_;
};
