#include "clip_list.h"

#include <algorithm>
#include <sys/stat.h>

#include "platform/base/paths.h"
#include "platform/base/strings.h"

namespace studio {
namespace {

std::string ExtensionOf(const std::string& path) {
  const std::string name = platform::FileNameOf(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool IsListableExtension(const std::string& extension) {
  static constexpr const char* kListable[] = {".mpg", ".mpeg", ".mpv", ".m1v", ".bmp", ".jpeg", ".jpg", ".gif",
                                              ".png", ".m2ts", ".mts", ".wmv", ".avi", ".asf",  ".mov", ".mp4"};
  for (const char* known : kListable)
    if (platform::EqualsNoCase(extension, known)) return true;
  return false;
}

bool ClipList::Contains(const std::string& path) const {
  return std::any_of(items_.begin(), items_.end(),
                     [&](const ClipItem& item) { return platform::EqualsNoCase(item.path, path); });
}

BOOL ClipList::AddClip(const std::string& path) {
  if (Contains(path)) return TRUE;
  if (!IsRegularFile(path)) return FALSE;
  ClipItem item;
  item.extension = ExtensionOf(path);
  if (!IsListableExtension(item.extension)) return FALSE;
  item.image = makeImage ? makeImage(path, item.extension) : nextImage_++;
  if (item.image < 0) return FALSE;
  item.order = static_cast<int>(items_.size());
  item.type = kClipMedia;
  item.name = platform::FileNameOf(path);
  item.path = path;
  items_.push_back(std::move(item));
  Added(path);
  return TRUE;
}

int ClipList::FindProjectTitleItem() const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].type == kClipProjectTitle) return static_cast<int>(i);
  return -1;
}

void ClipList::AddProjectTitleItem(int edit, int playTime, const std::string& imagePath) {
  const int index = FindProjectTitleItem();
  if (edit == 2) {
    if (index >= 0) {
      items_.erase(items_.begin() + index);
      Changed();
    }
    return;
  }
  titlePlayTime_ = playTime;
  const std::string image =
      imagePath.empty() ? platform::WithTrailingSlash(platform::LocalAppDataFolder()) + "Vidarro/Temp/Edit/Project0.bmp"
                        : imagePath;
  if (index >= 0) {
    if (makeTitleImage) makeTitleImage(image, items_[index].image);
    items_[index].path = image;
  } else {
    ClipItem item;
    item.order = static_cast<int>(items_.size());
    item.type = kClipProjectTitle;
    item.image = makeTitleImage ? makeTitleImage(image, -1) : nextImage_++;
    item.name = "Edited Video";
    item.path = image;
    item.extension = "NULL";
    items_.push_back(std::move(item));
    Sort();
    Added(image);
    return;
  }
  Changed();
}

bool ClipList::DeleteByPath(const std::string& path) {
  const auto it = std::find_if(items_.begin(), items_.end(), [&](const ClipItem& item) {
    return item.type == kClipMedia && platform::EqualsNoCase(item.path, path);
  });
  if (it == items_.end()) return false;
  items_.erase(it);
  Changed();
  return true;
}

bool ClipList::Rename(const std::string& path, const std::string& newPath, const std::string& name) {
  for (ClipItem& item : items_)
    if (item.type == kClipMedia && platform::EqualsNoCase(item.path, path)) {
      item.path = newPath;
      item.name = name;
      Changed();
      return true;
    }
  return false;
}

void ClipList::Clear() {
  items_.clear();
  nextImage_ = 0;
  if (onClear) onClear();
  Changed();
}

int CompareClipItems(const ClipItem& a, const ClipItem& b) {
  if (a.type != b.type) return a.type > b.type ? -1 : 1;
  return a.order < b.order ? -1 : a.order > b.order ? 1 : 0;
}

void ClipList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const ClipItem& a, const ClipItem& b) { return CompareClipItems(a, b) < 0; });
}

void ClipList::Changed() {
  if (onChange) onChange();
}

void ClipList::Added(const std::string& path) {
  justAdded_ = path;
  Changed();
  justAdded_.clear();
}

}  // namespace studio
