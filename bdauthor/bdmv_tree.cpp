#include "bdauthor/bdmv_tree.h"

#include <sys/stat.h>

#include "bdauthor/bdmv_paths.h"
#include "bdauthor/error_report.h"
#include "platform/base/file.h"

namespace bdauthor {

const std::vector<std::string>& BdmvFolders() {
  static const std::vector<std::string> folders = {"BDMV",
                                                   "BDMV/AUXDATA",
                                                   "BDMV/BACKUP",
                                                   "BDMV/BACKUP/BDJO",
                                                   "BDMV/BACKUP/CLIPINF",
                                                   "BDMV/BACKUP/PLAYLIST",
                                                   "BDMV/BDJO",
                                                   "BDMV/CLIPINF",
                                                   "BDMV/JAR",
                                                   "BDMV/META",
                                                   "BDMV/PLAYLIST",
                                                   "BDMV/STREAM",
                                                   "CERTIFICATE",
                                                   "CERTIFICATE/BACKUP"};
  return folders;
}

void CreateBdmvFolders(const std::string& outputFolder) {
  for (const std::string& folder : BdmvFolders()) ::mkdir((outputFolder + folder).c_str(), 0755);
}

bool CopyToBackup(const std::string& outputFolder, const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    const std::string backup = BackupPathOf(outputFolder, file);
    if (!platform::CopyFile(file, backup, false)) {
      ReportError("Failed to copy backup file.\n\n" + backup);
      return false;
    }
  }
  return true;
}

}  // namespace bdauthor
