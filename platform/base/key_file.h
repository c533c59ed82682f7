// The key file: the suite's sectioned text format of project, job and profile files.
//
// A file is a list of groups ("<NAME>" lines), a group a list of sections ("[NAME]" lines), a
// section a list of KEY=value pairs in file order. Group, section and key names are upper-cased
// and compared without case; values are kept byte for byte. Files are written with CR LF.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/file.h"
#include "platform/base/win_types.h"

// One section: its name and its pairs; keys_[i] belongs to values_[i].
class ProjectKeyItem {
 public:
  explicit ProjectKeyItem(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  size_t Count() const { return keys_.size(); }
  const std::string& KeyAt(size_t i) const { return keys_[i]; }
  const std::string& ValueAt(size_t i) const { return values_[i]; }
  // The index of the first pair with this key (compared without case), or -1.
  int FindKey(std::string_view key) const;
  void Append(std::string key, std::string value);

 private:
  std::string name_;
  std::vector<std::string> keys_;
  std::vector<std::string> values_;
};

// One group: its name (upper-case, empty for the unnamed group) and its sections in order.
class ProjectKeyGroup {
 public:
  explicit ProjectKeyGroup(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  const std::vector<std::unique_ptr<ProjectKeyItem>>& Sections() const { return sections_; }
  // The first section of this name (compared without case), or nullptr.
  ProjectKeyItem* Find(std::string_view name) const;
  ProjectKeyItem* Add(std::string name);

 private:
  std::string name_;
  std::vector<std::unique_ptr<ProjectKeyItem>> sections_;
};

class ProjectKeyFile {
 public:
  // Far beyond any project, job or profile, far below what would exhaust memory.
  static constexpr size_t kMaxBytes = size_t{64} << 20;

  ProjectKeyFile() = default;
  // Finishes a pending write as Close does.
  ~ProjectKeyFile();
  ProjectKeyFile(const ProjectKeyFile&) = delete;
  ProjectKeyFile& operator=(const ProjectKeyFile&) = delete;

  // Reading parses the whole file: TRUE when it holds at least one group or section. Only a
  // regular file of at most kMaxBytes is read.
  // Writing leaves the file as it is until Close, which replaces it whole; FALSE when the file
  // cannot be created there (a folder, a missing or read-only folder).
  BOOL Open(const std::string& path, BOOL forWriting);
  // An empty document open for reading, with no file behind it.
  void InitEmpty();
  // Makes the first group of that name current, adding an empty one when there is none.
  BOOL SelectGroup(std::string_view name);
  ProjectKeyItem* FindSection(std::string_view name);

  BOOL GetValue(std::string_view section, std::string_view key, std::string& value);
  // The pointer stays valid until the document changes or goes.
  BOOL GetValuePtr(std::string_view section, std::string_view key, const char** value);
  BOOL GetEntry(std::string_view section, int index, std::string& key, std::string& value);
  BOOL GetEntryPtr(std::string_view section, int index, const char** key, const char** value);
  // Appends a pair (an existing pair of the same key stays and keeps answering lookups).
  BOOL AddValue(std::string_view section, std::string_view key, std::string_view value);
  // Appends one pair per "key=value" line of text; lines end at CR or LF.
  BOOL AddValues(std::string_view section, std::string_view text);
  // In write mode writes the document beside the file, then puts it in the file's place: FALSE
  // when anything could not be written, and then the old file is still there.
  BOOL Close();

  const std::vector<std::unique_ptr<ProjectKeyGroup>>& Groups() const { return groups_; }
  ProjectKeyGroup* CurrentGroup() const { return current_; }
  bool IsOpen() const { return open_; }

  // The written form of the document, as Close puts it on disk.
  std::string Serialize() const;

 private:
  void Parse(std::string_view text);
  ProjectKeyGroup* AddGroup(std::string name);

  std::vector<std::unique_ptr<ProjectKeyGroup>> groups_;
  ProjectKeyGroup* current_ = nullptr;
  ProjectKeyItem* lastSection_ = nullptr;
  bool open_ = false;
  bool writeMode_ = false;
  // While open for writing: the new file beside the one it replaces.
  platform::FileReplacement replacement_;
};

// Takes the next token of a delimited list off the front of source (see key_file.cpp).
BOOL ExtractToken(std::string& source, const char* delimiters, std::string& token);
