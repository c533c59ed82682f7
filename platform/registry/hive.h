// One root of the registry in memory: a tree of keys holding typed values, and its text form.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/win_types.h"

namespace platform::registry {

struct RegValue {
  std::string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

class RegKeyNode {
 public:
  explicit RegKeyNode(std::string name = {}) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }

  RegKeyNode* FindSubkey(std::string_view name) const;
  // Finds or adds the sub-key; sub-keys stay sorted by name without case.
  RegKeyNode* AddSubkey(std::string_view name, bool* created = nullptr);
  bool RemoveSubkey(std::string_view name);
  const std::vector<std::unique_ptr<RegKeyNode>>& Subkeys() const { return subkeys_; }

  const RegValue* FindValue(std::string_view name) const;
  // Replaces a value of the same name in place (its position and spelling stay), else appends.
  void SetValue(std::string_view name, DWORD type, std::vector<BYTE> data);
  bool RemoveValue(std::string_view name);
  const std::vector<RegValue>& Values() const { return values_; }

 private:
  std::vector<std::unique_ptr<RegKeyNode>>::const_iterator LowerBound(std::string_view name) const;

  std::string name_;
  std::vector<RegValue> values_;
  std::vector<std::unique_ptr<RegKeyNode>> subkeys_;
};

// Walks a path of key names from root; nullptr when a key on the way is missing.
RegKeyNode* FindPath(const RegKeyNode& root, const std::vector<std::string>& path);

// The text form of a tree. Names are escaped so any byte survives; data is hex; the closing
// "END" line tells a whole file from a cut one. The first line carries `version`, a token that
// differs for every save, so a reader can tell from that line alone whether it is up to date.
std::string SerializeHive(const RegKeyNode& root, std::string_view version = {});
// nullptr when the text is not a whole, well-formed hive.
std::unique_ptr<RegKeyNode> ParseHive(std::string_view text);
// The first line of a hive text (without its line end); empty when there is none.
std::string_view HiveFirstLine(std::string_view text);

}  // namespace platform::registry
