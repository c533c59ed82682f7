#include "bdauthor/job_file.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/base/strings.h"

namespace bdauthor {

namespace {
// Ten years of seconds: far beyond any recording, well inside 64-bit ticks.
constexpr double kMaxChapterSeconds = 10.0 * 365 * 24 * 3600;
constexpr std::int64_t kCountLimit = 1000000000;
}  // namespace

std::int64_t ParseCount(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    value = value * 10 + (text[i++] - '0');
    if (value > kCountLimit) value = kCountLimit;
  }
  return negative ? -value : value;
}

std::vector<std::int64_t> ParseChapterTimes(const std::string& text) {
  std::vector<std::int64_t> marks;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t comma = text.find(',', pos);
    if (comma == std::string::npos) comma = text.size();
    const std::string item = platform::Trim(text.substr(pos, comma - pos));
    pos = comma + 1;
    if (item.empty()) continue;
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(item.c_str(), &end);
    if (end == item.c_str() || *end != '\0' || errno != 0 || !std::isfinite(seconds) || seconds < 0 ||
        seconds > kMaxChapterSeconds) {
      continue;
    }
    marks.push_back(static_cast<std::int64_t>(seconds * 1000) * 45000 / 1000);
  }
  return marks;
}

JobDescription ReadJobDescription(const JobValueLookup& lookup, std::int64_t maxInputs) {
  JobDescription job;
  job.version = lookup("Tarnel", "Version");
  job.outputPath = lookup("AuthorInfo", "OutputPath");
  job.inputCount = ParseCount(lookup("AuthorInfo", "InputCount"));
  if (job.inputCount > 0 && job.inputCount <= maxInputs) {
    for (std::int64_t n = 0; n < job.inputCount; ++n) {
      job.chapterTimes.push_back(lookup(platform::Format("%s%d", "Input", static_cast<int>(n)), "ChapterTime"));
    }
  }
  return job;
}

}  // namespace bdauthor
