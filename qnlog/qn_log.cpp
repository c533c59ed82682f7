#include "qnlog/qn_log.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include "platform/base/paths.h"

namespace fs = std::filesystem;

namespace {

// Backup name "<folder><name>_bak<n>.<ext>", or empty when the path has no file name.
std::string BackupName(const std::string& path, int n) {
  const auto slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  if (file.empty()) return {};
  const auto dot = file.rfind('.');
  const std::string name = (dot == std::string::npos || dot == 0) ? file : file.substr(0, dot);
  const std::string ext = (dot == std::string::npos || dot == 0) ? std::string() : file.substr(dot);
  return folder + name + "_bak" + std::to_string(n) + ext;
}

// The temporary log folder holds paths and commands of the user's work: it must be a real
// folder of this user that nobody else can read. Returns false when it cannot be made so.
bool MakePrivateFolder(std::string folder) {
  // A trailing "/" would make lstat follow a link planted in the folder's place.
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
  if ((st.st_mode & 0077) != 0 && ::chmod(folder.c_str(), 0700) != 0) return false;
  return true;
}

std::string FolderOfFile(const std::string& file) {
  const auto slash = file.rfind('/');
  return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

}  // namespace

CQnLog& CQnLog::Instance() {
  static CQnLog log;
  return log;
}

void CQnLog::SetFile(const std::string& path, bool backup) {
  if (backup) {
    const std::string bak1 = BackupName(path, 1);
    const std::string bak2 = BackupName(path, 2);
    if (!bak1.empty() && !bak2.empty()) {
      std::error_code ec;
      if (fs::exists(bak1, ec)) fs::copy_file(bak1, bak2, fs::copy_options::overwrite_existing, ec);
      if (fs::exists(path, ec)) fs::copy_file(path, bak1, fs::copy_options::overwrite_existing, ec);
    }
  }
  std::lock_guard<std::mutex> guard(lock_);
  path_ = path;
}

void CQnLog::SetLevel(std::int32_t mask) {
  std::lock_guard<std::mutex> guard(lock_);
  mask_ = mask;
}

void CQnLog::SetHexCounter(bool hex) {
  std::lock_guard<std::mutex> guard(lock_);
  hexCounter_ = hex ? 1 : 0;
}

void CQnLog::GetDateTime(std::string& date, std::string& time, bool quoted) {
  struct timeval tv {};
  ::gettimeofday(&tv, nullptr);
  struct tm local {};
  ::localtime_r(&tv.tv_sec, &local);
  char d[64];
  char t[64];
  const char* dateFormat = quoted ? "\"%02u/%02u/%02u\"" : "%02u/%02u/%02u";
  const char* timeFormat = quoted ? "\"%02u:%02u:%02u.%03u\"" : "%02u:%02u:%02u.%03u";
  std::snprintf(d, sizeof d, dateFormat, unsigned(local.tm_year + 1900), unsigned(local.tm_mon + 1),
                unsigned(local.tm_mday));
  std::snprintf(t, sizeof t, timeFormat, unsigned(local.tm_hour), unsigned(local.tm_min), unsigned(local.tm_sec),
                unsigned(tv.tv_usec / 1000));
  date = d;
  time = t;
}

bool CQnLog::Accepts(std::int32_t level) const {
  if (mask_ & 1) return false;
  if (mask_ & level & QN_LOG_LEVEL) return (level & 0xFFFF) < 512;
  if (mask_ == 0x40000) return level == 0x20000 || level == 0x40000;
  return mask_ == 0x10000;
}

void CQnLog::WriteLine(std::int32_t level, const std::string& text) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!Accepts(level) || path_.empty()) return;
  std::string date;
  std::string time;
  GetDateTime(date, time, false);
  char prefix[128];
  std::snprintf(prefix, sizeof prefix, hexCounter_ ? "[0X%08X] [%s-%s] " : "[%08d] [%s-%s] ", counter_, date.c_str(),
                time.c_str());
  std::FILE* file = std::fopen(path_.c_str(), "a");
  if (!file) return;
  std::fputs(prefix, file);
  std::fputs(text.c_str(), file);
  std::fputc('\n', file);
  std::fclose(file);
  ++counter_;
}

std::string CQnLog::GetFile() const {
  std::lock_guard<std::mutex> guard(lock_);
  return path_;
}

std::int32_t CQnLog::GetCounter() const {
  std::lock_guard<std::mutex> guard(lock_);
  return counter_;
}

void CQnLog::Reset() {
  std::lock_guard<std::mutex> guard(lock_);
  path_.clear();
  counter_ = 0;
  hexCounter_ = 0;
  mask_ = 0x10000;
}

void QnLogInit(const std::string& moduleFile, const std::string& fileName, int location, bool backup,
               std::int32_t mask) {
  CQnLog& log = CQnLog::Instance();
  log.SetFile(std::string(), false);
  std::string folder;
  switch (location) {
    case QN_LOG_BESIDE_MODULE: folder = moduleFile.empty() ? platform::AppFolder() : FolderOfFile(moduleFile); break;
    case QN_LOG_TEMP_FOLDER:
      folder = platform::TempFolder() + "TmpF/";
      if (!MakePrivateFolder(folder)) return;
      break;
    case QN_LOG_DOCUMENTS: folder = platform::DocumentsFolder(); break;
    default: return;
  }
  if (folder.empty() || fileName.empty()) return;
  if (folder.back() != '/') folder += '/';
  const std::string path = folder + fileName;
  log.SetFile(path, backup);
  log.SetLevel(mask);
  std::error_code ec;
  fs::remove(path, ec);
  QnLogWrite(QN_LOG_LEVEL, "[%s] INIT Success", "Qn_Log_API");
}

void QnLogWrite(std::int32_t level, const char* format, ...) {
  constexpr std::size_t kBlock = 4096;
  std::unique_ptr<char[]> block(new (std::nothrow) char[kBlock]);
  if (!block) return;
  va_list args;
  va_start(args, format);
  std::vsnprintf(block.get(), kBlock, format, args);
  va_end(args);
  CQnLog::Instance().WriteLine(level, block.get());
}
