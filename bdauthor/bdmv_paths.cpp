#include "bdauthor/bdmv_paths.h"

#include "platform/base/strings.h"

namespace bdauthor {

std::string WithTrailingSlash(const std::string& folder) {
  if (!folder.empty() && folder.back() == '/') return folder;
  return folder + "/";
}

std::string ClipName(int clipNumber) { return platform::Format("%05d", clipNumber % 100000); }

std::string ClipStreamPath(const std::string& outputFolder, int clipNumber) {
  return outputFolder + "BDMV/STREAM/" + ClipName(clipNumber) + ".m2ts";
}

std::string CompanionPath(const std::string& clipPath) { return clipPath + ".ptsinfo"; }

std::string IndexPath(const std::string& outputFolder) { return outputFolder + "BDMV/index.bdmv"; }

std::string MovieObjectPath(const std::string& outputFolder) { return outputFolder + "BDMV/MovieObject.bdmv"; }

std::string PlaylistPath(const std::string& outputFolder, int clipNumber) {
  return outputFolder + "BDMV/PLAYLIST/" + ClipName(clipNumber) + ".mpls";
}

std::string ClipInfoPath(const std::string& outputFolder, int clipNumber) {
  return outputFolder + "BDMV/CLIPINF/" + ClipName(clipNumber) + ".clpi";
}

std::string BackupPathOf(const std::string& outputFolder, const std::string& path) {
  const std::string bdmv = outputFolder + "BDMV/";
  return bdmv + "BACKUP/" + path.substr(bdmv.size());
}

}  // namespace bdauthor
