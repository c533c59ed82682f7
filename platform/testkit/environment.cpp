#include "platform/testkit/environment.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "platform/base/paths.h"
#include "platform/gdi/afx_gdi.h"

namespace testkit {
namespace {

// Homes go below the home the test binary was started with, so CTest's per-binary folder holds
// them; captured once because every Environment moves HOME.
const std::string& BaseFolder() {
  static const std::string base = [] {
    const char* home = getenv("HOME");
    std::string b = home && *home ? platform::WithTrailingSlash(home) : std::string("/tmp/");
    return b + "kit/";
  }();
  return base;
}

// The font system reads its configuration from the home it first starts in and keeps it for
// the process; started under a test's home that is then removed, it loses track of what it
// allocated. So it starts once, in the home the test binary was given.
void StartFontsInTheOriginalHome() {
  static const bool started = [] {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    DeleteDC(dc);
    return true;
  }();
  (void)started;
}

std::string Sanitized(std::string name) {
  for (char& c : name)
    if (c == '/' || c == ' ') c = '_';
  return name;
}

}  // namespace

std::string CurrentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!info) return "test";
  return std::string(info->test_suite_name()) + "." + info->name();
}

Environment::Environment(const std::string& name) {
  StartFontsInTheOriginalHome();
  std::error_code ec;
  std::filesystem::create_directories(BaseFolder(), ec);
  std::string pattern = BaseFolder() + Sanitized(name) + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) pattern = BaseFolder() + Sanitized(name);
  home_ = pattern + "/";
  for (const char* sub : {"config", "data", "cache", "Documents", "tmp", "registry"})
    std::filesystem::create_directories(home_ + sub, ec);
  // The runtime folder holds the window transport's sockets, whose paths must stay short (a
  // socket address has room for about a hundred bytes), so it lives under /tmp.
  std::string runtime = "/tmp/vidarro-run-XXXXXX";
  runtime_ = mkdtemp(runtime.data()) ? runtime : home_ + "run";
  std::filesystem::create_directories(runtime_, ec);
  std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all, ec);
  Set("HOME", home_);
  Set("XDG_CONFIG_HOME", home_ + "config");
  Set("XDG_DATA_HOME", home_ + "data");
  Set("XDG_CACHE_HOME", home_ + "cache");
  Set("XDG_RUNTIME_DIR", runtime_);
  Set("XDG_DOCUMENTS_DIR", home_ + "Documents");
  Set("TMPDIR", home_ + "tmp");
  Set("VIDARRO_REGISTRY_DIR", home_ + "registry");
  Set("VIDARRO_LAUNCH_RECORD", home_ + "launches.log");
}

Environment::~Environment() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second.first) {
      setenv(it->first.c_str(), it->second.second.c_str(), 1);
    } else {
      unsetenv(it->first.c_str());
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(home_, ec);
  std::filesystem::remove_all(runtime_, ec);
}

void Environment::Set(const char* name, const std::string& value) {
  const char* old = getenv(name);
  saved_.push_back({name, {old != nullptr, old ? old : ""}});
  setenv(name, value.c_str(), 1);
}

ScopedVariable::ScopedVariable(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old, had_ = true;
  setenv(name, value.c_str(), 1);
}

ScopedVariable::~ScopedVariable() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

std::string CopyProgramAlone(const Environment& env, const std::vector<std::string>& files) {
  const std::string folder = env.Home() + "bare/";
  std::filesystem::create_directories(folder);
  for (const std::string& file : files) std::filesystem::copy_file(platform::AppFolder() + file, folder + file);
  return folder;
}

}  // namespace testkit
