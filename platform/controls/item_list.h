// The strings, data and selection that list boxes and combo boxes keep. Internal.
#pragma once

#include <string>
#include <vector>

#include "platform/base/win_types.h"

namespace platform::controls {

struct ListItem {
  std::string text;
  LPARAM data = 0;
};

class ItemList {
 public:
  // Returns the index used, or -1 when index is past the end.
  int Insert(int index, const std::string& text, bool sorted);
  bool Erase(int index);
  void Clear() {
    items_.clear();
    cur_ = -1;
  }
  int Count() const { return static_cast<int>(items_.size()); }
  bool Valid(int i) const { return i >= 0 && i < Count(); }
  ListItem& At(int i) { return items_[static_cast<size_t>(i)]; }
  // Case-insensitive; exact or by prefix, searching after start and wrapping around.
  int Find(int start, const std::string& text, bool exact) const;
  int cur_ = -1;

 private:
  std::vector<ListItem> items_;
};

}  // namespace platform::controls
