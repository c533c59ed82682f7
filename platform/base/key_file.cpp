#include "platform/base/key_file.h"

#include "platform/base/paths.h"
#include "platform/base/strings.h"

namespace {

std::string UpperTrimmed(std::string_view s) { return platform::ToUpperAscii(platform::Trim(s)); }

bool IsBracketed(std::string_view s, char open, char close) {
  return s.size() >= 3 && s.front() == open && s.back() == close;
}

// Cuts one line into its key part (trimmed, upper-cased) and its value (as written), the way
// the reader does: leading "=" are skipped, the key ends at the next "=".
bool CutPair(std::string_view line, std::string& key, std::string& value) {
  std::string rest(line);
  key.clear();
  value.clear();
  if (!ExtractToken(rest, "=", key)) return false;
  ExtractToken(rest, nullptr, value);
  key = UpperTrimmed(key);
  return !key.empty();
}

// Line breaks and NUL cannot stand inside a line of the file: written as blanks, so a name
// or value never starts a line, a section or a group of its own.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return out;
}

}  // namespace

int ProjectKeyItem::FindKey(std::string_view key) const {
  for (size_t i = 0; i < keys_.size(); ++i)
    if (platform::EqualsNoCase(keys_[i], key)) return static_cast<int>(i);
  return -1;
}

void ProjectKeyItem::Append(std::string key, std::string value) {
  keys_.push_back(std::move(key));
  values_.push_back(std::move(value));
}

ProjectKeyItem* ProjectKeyGroup::Find(std::string_view name) const {
  for (const auto& section : sections_)
    if (platform::EqualsNoCase(section->Name(), name)) return section.get();
  return nullptr;
}

ProjectKeyItem* ProjectKeyGroup::Add(std::string name) {
  sections_.push_back(std::make_unique<ProjectKeyItem>(std::move(name)));
  return sections_.back().get();
}

ProjectKeyFile::~ProjectKeyFile() {
  if (open_ && writeMode_) Close();
}

ProjectKeyGroup* ProjectKeyFile::AddGroup(std::string name) {
  groups_.push_back(std::make_unique<ProjectKeyGroup>(std::move(name)));
  return groups_.back().get();
}

BOOL ProjectKeyFile::Open(const std::string& path, BOOL forWriting) {
  replacement_.Abandon();  // an earlier write that was never closed
  if (!forWriting) {
    std::string text;
    if (!platform::ReadWholeFileLimited(path, kMaxBytes, &text)) return FALSE;
    Parse(text);
    writeMode_ = false;
    open_ = true;
    lastSection_ = nullptr;
    if (groups_.empty()) return FALSE;
    current_ = groups_.front().get();
    return TRUE;
  }
  if (!replacement_.Begin(path)) return FALSE;
  writeMode_ = true;
  open_ = true;
  return TRUE;
}

void ProjectKeyFile::InitEmpty() {
  groups_.clear();
  current_ = nullptr;
  lastSection_ = nullptr;
  writeMode_ = false;
  open_ = true;
}

// CR, LF, CR LF and NUL all end a line, and a last line without an end is still a line, so
// files edited on any system read the same.
void ProjectKeyFile::Parse(std::string_view text) {
  ProjectKeyItem* receiving = nullptr;
  ProjectKeyGroup* group = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n' && text[end] != '\0') ++end;
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    std::string key, value;
    if (!CutPair(line, key, value)) continue;
    if (IsBracketed(key, '<', '>')) {
      group = AddGroup(UpperTrimmed(std::string_view(key).substr(1, key.size() - 2)));
    } else if (IsBracketed(key, '[', ']')) {
      if (!group) group = AddGroup({});
      receiving = group->Add(platform::Trim(std::string_view(key).substr(1, key.size() - 2)));
    } else if (receiving) {
      // Pairs after a group line and before its first section still go to the section read last.
      receiving->Append(std::move(key), std::move(value));
    }
  }
}

BOOL ProjectKeyFile::SelectGroup(std::string_view name) {
  const std::string upper = UpperTrimmed(name);
  lastSection_ = nullptr;
  for (const auto& group : groups_) {
    if (group->Name() == upper) {
      current_ = group.get();
      return TRUE;
    }
  }
  current_ = AddGroup(upper);
  return TRUE;
}

ProjectKeyItem* ProjectKeyFile::FindSection(std::string_view name) {
  const std::string trimmed = platform::Trim(name);
  if (lastSection_ && platform::EqualsNoCase(lastSection_->Name(), trimmed)) return lastSection_;
  if (!current_) current_ = groups_.empty() ? AddGroup({}) : groups_.front().get();
  ProjectKeyItem* found = current_->Find(trimmed);
  if (found) lastSection_ = found;
  return found;
}

BOOL ProjectKeyFile::GetValue(std::string_view section, std::string_view key, std::string& value) {
  value.clear();
  const char* stored = nullptr;
  if (!GetValuePtr(section, key, &stored)) return FALSE;
  value = stored;
  return TRUE;
}

BOOL ProjectKeyFile::GetValuePtr(std::string_view section, std::string_view key, const char** value) {
  *value = nullptr;
  const ProjectKeyItem* item = FindSection(section);
  if (!item) return FALSE;
  const int index = item->FindKey(platform::Trim(key));
  if (index < 0) return FALSE;
  *value = item->ValueAt(static_cast<size_t>(index)).c_str();
  return TRUE;
}

BOOL ProjectKeyFile::GetEntry(std::string_view section, int index, std::string& key, std::string& value) {
  key.clear();
  value.clear();
  const char* k = nullptr;
  const char* v = nullptr;
  if (!GetEntryPtr(section, index, &k, &v)) return FALSE;
  key = k;
  value = v;
  return TRUE;
}

BOOL ProjectKeyFile::GetEntryPtr(std::string_view section, int index, const char** key, const char** value) {
  *key = nullptr;
  *value = nullptr;
  const ProjectKeyItem* item = FindSection(section);
  if (!item || index < 0 || static_cast<size_t>(index) >= item->Count()) return FALSE;
  *key = item->KeyAt(static_cast<size_t>(index)).c_str();
  *value = item->ValueAt(static_cast<size_t>(index)).c_str();
  return TRUE;
}

BOOL ProjectKeyFile::AddValue(std::string_view section, std::string_view key, std::string_view value) {
  ProjectKeyItem* item = FindSection(section);
  if (!item) item = lastSection_ = current_->Add(UpperTrimmed(section));
  // Keys are trimmed as the reader trims them, so the pair is found the same way after a reload.
  item->Append(UpperTrimmed(key), std::string(value));
  return TRUE;
}

BOOL ProjectKeyFile::AddValues(std::string_view section, std::string_view text) {
  ProjectKeyItem* item = FindSection(section);
  if (!item) item = lastSection_ = current_->Add(UpperTrimmed(section));
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string key, value;
    if (CutPair(text.substr(start, end - start), key, value)) item->Append(std::move(key), std::move(value));
    start = end + 1;
  }
  return TRUE;
}

std::string ProjectKeyFile::Serialize() const {
  std::string out;
  for (const auto& group : groups_) {
    if (!group->Name().empty()) out += "\r\n\r\n<" + OneLine(group->Name()) + ">\r\n";
    for (const auto& section : group->Sections()) {
      // "[]" would read back as a pair, so a section without a name keeps a blank inside.
      const std::string name = section->Name().empty() ? " " : OneLine(section->Name());
      out += "\r\n[" + name + "]\r\n";
      for (size_t i = 0; i < section->Count(); ++i) {
        const std::string key = OneLine(section->KeyAt(i));
        // A pair whose key would read back as nothing, a group or a section is left out
        // rather than allowed to change the file's structure.
        const std::string readBack = platform::Trim(key);
        if (readBack.empty() || IsBracketed(readBack, '<', '>') || IsBracketed(readBack, '[', ']')) continue;
        out += key;
        out += '=';
        out += OneLine(section->ValueAt(i));
        out += "\r\n";
      }
    }
  }
  return out;
}

BOOL ProjectKeyFile::Close() {
  open_ = false;
  if (!writeMode_) return TRUE;
  if (!replacement_.IsOpen()) return FALSE;
  const bool saved = replacement_.Write(Serialize()) && replacement_.Commit();
  replacement_.Abandon();
  return saved ? TRUE : FALSE;
}

// With delimiters NULL the whole source is the token (TRUE when it has two or more characters).
// Otherwise leading delimiters are dropped (FALSE when nothing follows them, and then the last
// of them stays in source), and the token runs up to the next delimiter, which is consumed.
BOOL ExtractToken(std::string& source, const char* delimiters, std::string& token) {
  if (!delimiters) {
    token = source;
    source.clear();
    return token.size() >= 2;
  }
  const std::string_view delims(delimiters);
  // One cut for the whole run of leading delimiters: a line of a million "=" stays cheap.
  const size_t first = source.find_first_not_of(delims);
  if (first == std::string::npos && !source.empty()) {
    source.erase(0, source.size() - 1);
    return FALSE;
  }
  if (first != std::string::npos) source.erase(0, first);
  const size_t pos = source.find_first_of(delims);
  if (pos != std::string::npos) {
    token = source.substr(0, pos);
    source.erase(0, pos + 1);
    return TRUE;
  }
  if (source.empty()) return FALSE;
  token = source;
  source.clear();
  return TRUE;
}
