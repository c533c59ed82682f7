#include "platform/controls/item_list.h"

#include "platform/base/strings.h"

namespace platform::controls {

int ItemList::Insert(int index, const std::string& text, bool sorted) {
  if (sorted) {
    index = 0;
    while (index < Count() && platform::CompareNoCase(items_[static_cast<size_t>(index)].text, text) <= 0) ++index;
  } else if (index < 0) {
    index = Count();
  } else if (index > Count()) {
    return -1;
  }
  items_.insert(items_.begin() + index, ListItem{text, 0});
  if (cur_ >= index) ++cur_;
  return index;
}

bool ItemList::Erase(int index) {
  if (!Valid(index)) return false;
  items_.erase(items_.begin() + index);
  if (cur_ == index) cur_ = -1;
  else if (cur_ > index) --cur_;
  return true;
}

int ItemList::Find(int start, const std::string& text, bool exact) const {
  int n = Count();
  if (n == 0) return -1;
  int from = start < 0 || start >= n ? 0 : start + 1;
  for (int k = 0; k < n; ++k) {
    int i = (from + k) % n;
    const std::string& t = items_[static_cast<size_t>(i)].text;
    if (exact ? platform::EqualsNoCase(t, text)
              : (t.size() >= text.size() && platform::EqualsNoCase(t.substr(0, text.size()), text)))
      return i;
  }
  return -1;
}

}  // namespace platform::controls
