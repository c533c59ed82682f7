#include "platform/registry/hive.h"

#include <algorithm>
#include <cstdio>

#include "platform/base/strings.h"

namespace platform::registry {
namespace {

constexpr std::string_view kHeader = "VIDARRO-REGISTRY 1";
constexpr std::string_view kTrailer = "END";

bool SameName(std::string_view a, std::string_view b) { return platform::EqualsNoCase(a, b); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendHexByte(std::string& out, unsigned char b) {
  static const char digits[] = "0123456789abcdef";
  out += digits[b >> 4];
  out += digits[b & 15];
}

// Printable bytes stay as they are; blanks, controls, "%" and bytes above 0x7E become %XX,
// so a name is one blank-free token whatever it holds.
void AppendEscaped(std::string& out, std::string_view name) {
  for (unsigned char c : name) {
    if (c > 0x20 && c < 0x7F && c != '%') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      AppendHexByte(out, c);
    }
  }
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int hi = HexDigit(text[i + 1]);
    const int lo = HexDigit(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

bool ParseHex(std::string_view text, std::vector<BYTE>& out) {
  if (text.size() % 2 != 0) return false;
  out.clear();
  out.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int hi = HexDigit(text[i]);
    const int lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<BYTE>(hi * 16 + lo));
  }
  return true;
}

bool ParseDword(std::string_view text, DWORD& out) {
  if (text.empty() || text.size() > 10) return false;
  unsigned long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  if (v > 0xFFFFFFFFull) return false;
  out = static_cast<DWORD>(v);
  return true;
}

std::vector<std::string_view> SplitBlanks(std::string_view line) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= line.size()) {
    const size_t end = line.find(' ', start);
    parts.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

void SerializeKey(const RegKeyNode& key, const std::string& path, std::string& out) {
  if (!path.empty()) {
    out += "K =";
    out += path;
    out += '\n';
  }
  for (const RegValue& v : key.Values()) {
    out += "V =";
    AppendEscaped(out, v.name);
    out += ' ';
    out += std::to_string(v.type);
    out += " ";
    for (BYTE b : v.data) AppendHexByte(out, b);
    out += '\n';
  }
  for (const auto& sub : key.Subkeys()) {
    std::string subPath = path;
    if (!subPath.empty()) subPath += '\\';
    AppendEscaped(subPath, sub->Name());
    SerializeKey(*sub, subPath, out);
  }
}

// "=name" tokens: the "=" marks the start, so an empty name is just "=".
bool ReadNameToken(std::string_view token, std::string& out) {
  if (token.empty() || token[0] != '=') return false;
  return Unescape(token.substr(1), out);
}

}  // namespace

// Sub-keys are kept sorted by CompareNoCase, so every lookup is a binary search: a key with
// a hundred thousand sub-keys must not make each read scan them all.
std::vector<std::unique_ptr<RegKeyNode>>::const_iterator RegKeyNode::LowerBound(std::string_view name) const {
  return std::lower_bound(subkeys_.begin(), subkeys_.end(), name, [](const auto& node, std::string_view n) {
    return platform::CompareNoCase(node->name_, n) < 0;
  });
}

RegKeyNode* RegKeyNode::FindSubkey(std::string_view name) const {
  const auto pos = LowerBound(name);
  return pos != subkeys_.end() && SameName((*pos)->name_, name) ? pos->get() : nullptr;
}

RegKeyNode* RegKeyNode::AddSubkey(std::string_view name, bool* created) {
  auto pos = LowerBound(name);
  if (pos != subkeys_.end() && SameName((*pos)->name_, name)) {
    if (created) *created = false;
    return pos->get();
  }
  pos = subkeys_.insert(pos, std::make_unique<RegKeyNode>(std::string(name)));
  if (created) *created = true;
  return pos->get();
}

bool RegKeyNode::RemoveSubkey(std::string_view name) {
  const auto pos = LowerBound(name);
  if (pos == subkeys_.end() || !SameName((*pos)->name_, name)) return false;
  subkeys_.erase(pos);
  return true;
}

const RegValue* RegKeyNode::FindValue(std::string_view name) const {
  for (const RegValue& v : values_)
    if (SameName(v.name, name)) return &v;
  return nullptr;
}

void RegKeyNode::SetValue(std::string_view name, DWORD type, std::vector<BYTE> data) {
  for (RegValue& v : values_) {
    if (SameName(v.name, name)) {
      v.type = type;
      v.data = std::move(data);
      return;
    }
  }
  values_.push_back(RegValue{std::string(name), type, std::move(data)});
}

bool RegKeyNode::RemoveValue(std::string_view name) {
  for (auto it = values_.begin(); it != values_.end(); ++it) {
    if (SameName(it->name, name)) {
      values_.erase(it);
      return true;
    }
  }
  return false;
}

RegKeyNode* FindPath(const RegKeyNode& root, const std::vector<std::string>& path) {
  const RegKeyNode* node = &root;
  for (const std::string& name : path) {
    node = node->FindSubkey(name);
    if (!node) return nullptr;
  }
  return const_cast<RegKeyNode*>(node);
}

std::string SerializeHive(const RegKeyNode& root, std::string_view version) {
  std::string out(kHeader);
  if (!version.empty()) {
    out += ' ';
    AppendEscaped(out, version);
  }
  out += '\n';
  SerializeKey(root, {}, out);
  out += kTrailer;
  out += '\n';
  return out;
}

std::string_view HiveFirstLine(std::string_view text) {
  const size_t end = text.find('\n');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end);
}

std::unique_ptr<RegKeyNode> ParseHive(std::string_view text) {
  auto root = std::make_unique<RegKeyNode>();
  RegKeyNode* current = root.get();
  bool sawHeader = false;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) return nullptr;  // a cut last line
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!sawHeader) {
      if (line.substr(0, kHeader.size()) != kHeader) return nullptr;
      const std::string_view version = line.substr(kHeader.size());
      if (!version.empty() &&
          (version[0] != ' ' || version.size() == 1 || version.find(' ', 1) != std::string_view::npos))
        return nullptr;
      sawHeader = true;
      continue;
    }
    if (line == kTrailer) return pos == text.size() ? std::move(root) : nullptr;
    const auto parts = SplitBlanks(line);
    if (parts.size() == 2 && parts[0] == "K") {
      std::string path;
      if (!ReadNameToken(parts[1], path)) return nullptr;
      current = root.get();
      size_t start = 0;
      while (true) {
        const size_t slash = path.find('\\', start);
        const std::string name = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (name.empty()) return nullptr;
        current = current->AddSubkey(name);
        if (slash == std::string::npos) break;
        start = slash + 1;
      }
    } else if (parts.size() == 4 && parts[0] == "V") {
      std::string name;
      DWORD type = 0;
      std::vector<BYTE> data;
      if (!ReadNameToken(parts[1], name) || !ParseDword(parts[2], type) || !ParseHex(parts[3], data)) return nullptr;
      current->SetValue(name, type, std::move(data));
    } else {
      return nullptr;
    }
  }
  return nullptr;  // no trailer: the text is not whole
}

}  // namespace platform::registry
