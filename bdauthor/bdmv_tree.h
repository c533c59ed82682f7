// The BDMV folder tree under the output folder and the backup copies of the written files.
#pragma once

#include <string>
#include <vector>

namespace bdauthor {

// The fourteen folders, in creation order, relative to the output folder.
const std::vector<std::string>& BdmvFolders();
// Creates the missing folders; existing ones stay as they are. Failures show later, when a
// file cannot be written there.
void CreateBdmvFolders(const std::string& outputFolder);
// Copies each file to its place under BDMV/BACKUP/, replacing what is there; false after
// reporting the first copy that failed.
bool CopyToBackup(const std::string& outputFolder, const std::vector<std::string>& files);

}  // namespace bdauthor
