#include "convengine/output_naming.h"

#include <cstdio>
#include <thread>

#include "qnlog/file_path.h"
#include "platform/base/strings.h"

namespace mordax {

namespace {

bool Taken(const std::string& path) { return CFilePath::FileExists(path) || CFilePath::IsDirectory(path); }

std::tm LocalNow() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&t, &local);
  return local;
}

// The clock rule: a free name as it is, else the name with "_hhmmss" once the clock gives a free one.
std::string WithClock(const std::string& folder, const std::string& name, const std::string& extension,
                      const LocalTimeSource& now) {
  const std::string plain = folder + name + extension;
  if (!Taken(plain)) return plain;
  for (int attempt = 0;; ++attempt) {
    const std::tm t = now ? now() : LocalNow();
    const std::string timed =
        folder + name + platform::Format("_%02d%02d%02d", t.tm_hour, t.tm_min, t.tm_sec) + extension;
    if (!Taken(timed)) return timed;
    // Waits for the clock to move rather than spinning on the same second.
    if (attempt >= 3) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(now ? 0 : 1000));
  }
}

}  // namespace

std::string MakeOutputPath(const std::string& title, std::string folder, const std::string& prefix,
                           const std::string& extension, const LocalTimeSource& now) {
  if (title.empty() || folder.empty()) return {};
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (!CFilePath::IsDirectory(folder)) return {};
  folder += '/';

  if (platform::EqualsNoCase(prefix, "@SRC_NAME")) return WithClock(folder, title, extension, now);

  const auto first = prefix.find('#');
  if (first != std::string::npos) {
    const int width = static_cast<int>(prefix.rfind('#') - first + 1);
    const std::string stem = prefix.substr(0, first);
    long long limit = 1;
    for (int i = 0; i < width; ++i) limit *= 10;
    for (long long n = 0; n < limit; ++n) {
      const std::string candidate = folder + stem + platform::Format("%0*lld", width, n) + extension;
      if (!Taken(candidate)) return candidate;
    }
    return WithClock(folder, stem + std::to_string(limit), extension, now);
  }
  // An empty pattern would name a hidden file of the extension alone.
  return WithClock(folder, prefix.empty() ? title : prefix, extension, now);
}

}  // namespace mordax
