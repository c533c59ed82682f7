// The editor pack's window on the Edit step: the storyboard as a row of thumbnails with each
// clip's name and played length, the buttons that edit it, the total play time, the picture
// length, and the progress of a render with its Cancel button. It shows what the pack gives it
// and hands the user's actions back through the callbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/base/win_types.h"
#include "platform/gdi/image_list.h"

struct NMHDR;

namespace studio::packs {

class StoryboardView {
 public:
  enum : int {
    kListId = 2100,
    kAddId,
    kRemoveId,
    kEarlierId,
    kLaterId,
    kTrimId,
    kSplitId,
    kInfoId,
    kPictureLabelId,
    kPictureEditId,
    kPictureSpinId,
    kTotalId,
    kEmptyId,
    kStatusId,
    kBarId,
    kCancelId,
  };

  struct Row {
    std::uint64_t id = 0;
    std::string name;
    std::string length;      // empty while the clip is being read
    bool trimmable = false;  // a read clip that is no picture
  };

  StoryboardView() = default;
  ~StoryboardView();
  StoryboardView(const StoryboardView&) = delete;
  StoryboardView& operator=(const StoryboardView&) = delete;

  bool Create(DWORD style, const RECT& area, HWND parent);
  void Destroy();
  HWND Window() const { return window_; }
  HWND List() const;
  void Move(const RECT& area);

  // The rows in storyboard order, `selected` chosen (-1: none).
  void SetRows(const std::vector<Row>& rows, int selected);
  // The clip's picture, a 24-bit bitmap file image; rows without one show an empty frame.
  void SetThumbnail(std::uint64_t id, const std::vector<std::uint8_t>& image);
  void ForgetThumbnail(std::uint64_t id);
  void SetTotal(const std::string& text);
  int Selected() const;
  // Where clips dropped at `point` (client coordinates of the window) go: before the clip under it,
  // or at the end (-1).
  int DropIndexAt(POINT point) const;
  void SetPictureSeconds(int seconds);
  // The picture length typed in, or 0 when the box holds no number.
  int PictureSeconds() const;
  // While a render runs the storyboard cannot be changed; its progress shows under the row.
  void ShowRender(const std::string& text, int percent);
  void EndRender(const std::string& text);

  // A button (or the picture length) by its id; a double click on a clip is kTrimId, Delete kRemoveId.
  std::function<void(int id)> onCommand;
  // A clip dragged to another place in the row.
  std::function<void(int from, int to)> onMove;
  // Messages of WM_APP and above that the pack posts to its own window.
  std::function<void(UINT message)> onMessage;

 private:
  static LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Notified(const NMHDR* header);
  void Layout();
  void EnableEditing();
  void EndDrag(POINT point, bool drop);

  HWND window_ = nullptr;
  HIMAGELIST images_ = nullptr;
  std::map<std::uint64_t, int> imageOf_;  // thumbnails by clip
  std::vector<std::uint64_t> rowIds_;
  std::vector<bool> rowTrimmable_;
  std::vector<int> freeImages_;  // slots of forgotten thumbnails, used again
  int dragFrom_ = -1;
  bool rendering_ = false;
  bool settingPicture_ = false;
};

}  // namespace studio::packs
