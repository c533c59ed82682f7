#include "platform/base/templates.h"

#include <cstdlib>
#include <sstream>

namespace platform {
namespace {

constexpr unsigned kMaxItems = 4096;
constexpr size_t kMaxText = 64 * 1024;
constexpr int kMaxDepth = 16;

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\', out += c;
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out + "\"";
}

// Reads space-separated fields of one line: numbers and quoted strings.
class Fields {
 public:
  explicit Fields(const std::string& line) : s_(line) {}
  bool Word(std::string* out) {
    Skip();
    size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] != ' ') ++pos_;
    *out = s_.substr(start, pos_ - start);
    return !out->empty();
  }
  bool Number(long long* out) {
    std::string w;
    if (!Word(&w)) return false;
    char* end = nullptr;
    *out = std::strtoll(w.c_str(), &end, 0);
    return end && *end == 0;
  }
  template <typename T>
  bool Num(T* out) {
    long long v;
    if (!Number(&v)) return false;
    *out = static_cast<T>(v);
    return true;
  }
  bool Text(std::string* out) {
    Skip();
    if (pos_ >= s_.size() || s_[pos_] != '"') return false;
    ++pos_;
    out->clear();
    while (pos_ < s_.size() && s_[pos_] != '"') {
      char c = s_[pos_++];
      if (c == '\\' && pos_ < s_.size()) {
        c = s_[pos_++];
        if (c == 'n') c = '\n';
        else if (c == 't') c = '\t';
      }
      out->push_back(c);
      if (out->size() > kMaxText) return false;
    }
    if (pos_ >= s_.size()) return false;
    ++pos_;
    return true;
  }

 private:
  void Skip() {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  }
  const std::string& s_;
  size_t pos_ = 0;
};

void WriteMenuItems(std::ostringstream& out, const std::vector<MenuItemTemplate>& items) {
  for (auto& i : items) {
    out << "ITEM " << i.id << ' ' << i.flags << ' ' << i.children.size() << ' ' << Quote(i.text) << '\n';
    WriteMenuItems(out, i.children);
  }
}

bool ReadMenuItems(std::istringstream& in, std::vector<MenuItemTemplate>& items, size_t count, int depth,
                   unsigned& total) {
  if (depth > kMaxDepth) return false;
  for (size_t n = 0; n < count; ++n) {
    std::string line;
    if (!std::getline(in, line)) return false;
    Fields f(line);
    std::string tag;
    MenuItemTemplate item;
    size_t children = 0;
    if (!f.Word(&tag) || tag != "ITEM" || !f.Num(&item.id) || !f.Num(&item.flags) || !f.Num(&children) ||
        !f.Text(&item.text))
      return false;
    if (++total > kMaxItems || children > kMaxItems) return false;
    if (!ReadMenuItems(in, item.children, children, depth + 1, total)) return false;
    items.push_back(std::move(item));
  }
  return true;
}

}  // namespace

std::string SerializeDialog(const DialogTemplate& t) {
  std::ostringstream out;
  out << "DIALOG " << t.style << ' ' << t.exStyle << ' ' << t.x << ' ' << t.y << ' ' << t.cx << ' ' << t.cy << ' '
      << t.pointSize << ' ' << t.items.size() << ' ' << Quote(t.caption) << ' ' << Quote(t.fontName) << ' '
      << Quote(t.className) << '\n';
  for (auto& i : t.items)
    out << "CONTROL " << i.id << ' ' << i.style << ' ' << i.exStyle << ' ' << i.x << ' ' << i.y << ' ' << i.cx << ' '
        << i.cy << ' ' << Quote(i.className) << ' ' << Quote(i.text) << '\n';
  return out.str();
}

std::optional<DialogTemplate> ParseDialog(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  Fields f(line);
  std::string tag;
  DialogTemplate t;
  size_t count = 0;
  if (!f.Word(&tag) || tag != "DIALOG" || !f.Num(&t.style) || !f.Num(&t.exStyle) || !f.Num(&t.x) || !f.Num(&t.y) ||
      !f.Num(&t.cx) || !f.Num(&t.cy) || !f.Num(&t.pointSize) || !f.Num(&count) || !f.Text(&t.caption) ||
      !f.Text(&t.fontName) || !f.Text(&t.className))
    return std::nullopt;
  if (count > kMaxItems) return std::nullopt;
  for (size_t n = 0; n < count; ++n) {
    if (!std::getline(in, line)) return std::nullopt;
    Fields c(line);
    DialogItemTemplate i;
    if (!c.Word(&tag) || tag != "CONTROL" || !c.Num(&i.id) || !c.Num(&i.style) || !c.Num(&i.exStyle) || !c.Num(&i.x) ||
        !c.Num(&i.y) || !c.Num(&i.cx) || !c.Num(&i.cy) || !c.Text(&i.className) || !c.Text(&i.text))
      return std::nullopt;
    t.items.push_back(std::move(i));
  }
  return t;
}

std::string SerializeMenu(const MenuTemplate& t) {
  std::ostringstream out;
  out << "MENU " << t.items.size() << '\n';
  WriteMenuItems(out, t.items);
  return out.str();
}

std::optional<MenuTemplate> ParseMenu(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  Fields f(line);
  std::string tag;
  size_t count = 0;
  if (!f.Word(&tag) || tag != "MENU" || !f.Num(&count) || count > kMaxItems) return std::nullopt;
  MenuTemplate t;
  unsigned total = 0;
  if (!ReadMenuItems(in, t.items, count, 0, total)) return std::nullopt;
  return t;
}

}  // namespace platform
