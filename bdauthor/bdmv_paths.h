// Where the job's files live under the output folder (which always ends in "/").
#pragma once

#include <string>

namespace bdauthor {

std::string WithTrailingSlash(const std::string& folder);
std::string ClipName(int clipNumber);  // five digits, "00000"
std::string ClipStreamPath(const std::string& outputFolder, int clipNumber);
std::string CompanionPath(const std::string& clipPath);
std::string IndexPath(const std::string& outputFolder);
std::string MovieObjectPath(const std::string& outputFolder);
std::string PlaylistPath(const std::string& outputFolder, int clipNumber);
std::string ClipInfoPath(const std::string& outputFolder, int clipNumber);
// The same file under BDMV/BACKUP/.
std::string BackupPathOf(const std::string& outputFolder, const std::string& path);

}  // namespace bdauthor
