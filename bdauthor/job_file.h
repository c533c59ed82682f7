// The job file "config.txt": version, output folder, input count and each input's chapter times.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bdauthor {

constexpr const char* kJobVersion = "0.5";

struct JobDescription {
  std::string version;
  std::string outputPath;
  std::int64_t inputCount = 0;            // as written; 0 or less means no inputs
  std::vector<std::string> chapterTimes;  // one per input (only filled for a sane count)
};

// Value of a key in a section, empty when missing.
using JobValueLookup = std::function<std::string(const std::string& section, const std::string& key)>;

// Reads the description; chapter times are read only for counts up to maxInputs.
JobDescription ReadJobDescription(const JobValueLookup& lookup, std::int64_t maxInputs);

// Loads the key file; false when it cannot be opened.
bool LoadJobFile(const std::string& path, std::int64_t maxInputs, JobDescription& job);

// Decimal like the C runtime's atoi, but saturating instead of overflowing.
std::int64_t ParseCount(const std::string& text);

// 45 kHz marks of a comma-separated list of seconds (fractions allowed). Items that are no
// number, negative or absurdly large are dropped.
std::vector<std::int64_t> ParseChapterTimes(const std::string& text);

}  // namespace bdauthor
