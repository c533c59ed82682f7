// Splits a "/" path into folder, folder parts, name and extension.
#pragma once

#include <string>
#include <vector>

class CFilePath {
 public:
  CFilePath() = default;
  explicit CFilePath(const std::string& path) { SetPath(path); }
  virtual ~CFilePath() = default;
  CFilePath(const CFilePath&) = default;
  CFilePath& operator=(const CFilePath&) = default;

  void SetPath(const std::string& path);
  void Clear();

  const std::string& GetPath() const { return path_; }
  // Linux paths have no drive; kept so callers written for drive letters still read well.
  const std::string& GetDrive() const { return drive_; }
  // Folder of the path ending in "/", or empty for a bare name.
  std::string GetDirectory() const;
  // 0: the whole folder; k: the k-th folder name; empty when out of range.
  std::string GetFolder(int index) const;
  int GetFolderCount() const;
  const std::string& GetName() const { return name_; }
  // Name plus extension.
  std::string GetFileName() const;
  // "." plus the extension, or empty.
  std::string GetExtension() const;

  static bool IsDirectory(const std::string& path);
  static bool FileExists(const std::string& path);

 private:
  void SplitFolders() const;

  std::string path_;
  std::string drive_;
  std::string folder_;
  std::string name_;
  std::string ext_;
  mutable std::vector<std::string> parts_;
  mutable bool split_ = false;
};
