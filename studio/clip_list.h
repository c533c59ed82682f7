// The clips of the project in list order, and the project-title item that stands for the
// editor's edited video.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/win_types.h"

namespace studio {

constexpr int kClipMedia = 0;
constexpr int kClipProjectTitle = 16;

struct ClipItem {
  int order = 0;  // item count when it was added; second sort key
  int type = kClipMedia;
  int image = 0;  // thumbnail index
  std::string name;
  std::string path;       // the title item's thumbnail bitmap for the project title
  std::string extension;  // with its dot, "NULL" for the project title
};

// The list's order: the project title before the media files, then as they were added.
// Negative when `a` goes first.
int CompareClipItems(const ClipItem& a, const ClipItem& b);

// Whether a clip of this extension can be listed (it has a thumbnail source).
bool IsListableExtension(const std::string& extension);

class ClipList {
 public:
  // Called after every change, so a view can redraw.
  std::function<void()> onChange;
  // Makes a clip's picture and gives its image index, or -1 when it cannot be made (the clip
  // is then not added). Without it every item gets the next free index.
  std::function<int(const std::string& path, const std::string& extension)> makeImage;
  // The title's picture from its bitmap file: a new index, or `replace` refreshed in place.
  std::function<int(const std::string& imagePath, int replace)> makeTitleImage;
  // Called when the list is emptied, so the pictures go too.
  std::function<void()> onClear;

  const std::vector<ClipItem>& Items() const { return items_; }
  size_t Count() const { return items_.size(); }
  // Compared without case.
  bool Contains(const std::string& path) const;
  // TRUE when the file was added or is already listed; FALSE for a missing file or a kind that
  // has no thumbnail.
  BOOL AddClip(const std::string& path);
  // Edit state 2 removes the title item; anything else adds or updates it.
  void AddProjectTitleItem(int edit, int playTime, const std::string& imagePath);
  int FindProjectTitleItem() const;
  bool DeleteByPath(const std::string& path);
  // The media item of `path` now names `newPath`.
  bool Rename(const std::string& path, const std::string& newPath, const std::string& name);
  void Clear();
  int ProjectTitlePlayTime() const { return titlePlayTime_; }
  // While onChange runs for an addition, the path of the item just added (the title's bitmap
  // for the title item), so a view can make it the hot item; empty for other changes.
  const std::string& JustAdded() const { return justAdded_; }

 private:
  void Sort();
  void Changed();
  void Added(const std::string& path);

  std::vector<ClipItem> items_;
  int titlePlayTime_ = 0;
  int nextImage_ = 0;
  std::string justAdded_;
};

}  // namespace studio
