#include "bdauthor/job_file.h"

#include "platform/base/key_file.h"

namespace bdauthor {

bool LoadJobFile(const std::string& path, std::int64_t maxInputs, JobDescription& job) {
  ProjectKeyFile file;
  if (!file.Open(path, FALSE)) return false;
  job = ReadJobDescription(
      [&file](const std::string& section, const std::string& key) {
        std::string value;
        file.GetValue(section, key, value);
        return value;
      },
      maxInputs);
  file.Close();
  return true;
}

}  // namespace bdauthor
