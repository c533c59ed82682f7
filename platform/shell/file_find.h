// CFileFind: the entries of one folder whose names match a pattern ("/videos/*.mpg"), "." and
// ".." included as the callers expect to skip them with IsDots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/win_types.h"

class CFileFind {
 public:
  CFileFind() = default;
  virtual ~CFileFind() = default;

  // `name`: a folder path ending in a pattern (* and ?, case-insensitive); nullptr is "*" in the
  // current folder. FALSE when nothing matches.
  BOOL FindFile(LPCSTR name = nullptr, DWORD unused = 0);
  // Steps to the next match; FALSE when the one it stepped to is the last.
  BOOL FindNextFile();
  void Close();

  std::string GetFileName() const;
  std::string GetFilePath() const;
  std::string GetFileTitle() const;  // the name without its extension
  std::string GetRoot() const;       // the folder searched, without a trailing "/"
  ULONGLONG GetLength() const;
  BOOL IsDirectory() const;
  BOOL IsDots() const;
  BOOL IsReadOnly() const;
  BOOL IsHidden() const;

 private:
  struct Entry {
    std::string name;
    bool directory = false;
    bool readOnly = false;
    std::uint64_t size = 0;
  };
  const Entry* Current() const;

  std::string root_;
  std::vector<Entry> entries_;
  size_t next_ = 0;  // entries_[next_ - 1] is the current one
};
