// Log facility shared by the converter and the conversion library: one plain-text log per module.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

// Level of every line the converter and the conversion library write, and the mask they pass.
constexpr std::int32_t QN_LOG_LEVEL = 0x20000;

// Log locations given to QnLogInit.
constexpr int QN_LOG_BESIDE_MODULE = 0;
constexpr int QN_LOG_TEMP_FOLDER = 1;
constexpr int QN_LOG_DOCUMENTS = 2;

class CQnLog {
 public:
  // The one log object of this module.
  static CQnLog& Instance();

  void SetFile(const std::string& path, bool backup);
  void SetLevel(std::int32_t mask);
  void SetHexCounter(bool hex);
  // Writes "YYYY/MM/DD" and "hh:mm:ss.mmm" of the local time, each in double quotes when quoted.
  static void GetDateTime(std::string& date, std::string& time, bool quoted);
  void WriteLine(std::int32_t level, const std::string& text);

  std::string GetFile() const;
  std::int32_t GetCounter() const;
  // Back to the state at start-up: no file, counter 0.
  void Reset();

 private:
  bool Accepts(std::int32_t level) const;

  mutable std::mutex lock_;
  std::string path_;
  std::int32_t counter_ = 0;
  std::int32_t hexCounter_ = 0;
  std::int32_t mask_ = 0x10000;
};

// Sets up this module's log. moduleFile is the path of the module the log belongs beside
// (empty: the application folder). Any location other than 0, 1 or 2 leaves the module without a log.
void QnLogInit(const std::string& moduleFile, const std::string& fileName, int location, bool backup,
               std::int32_t mask);

// One formatted line (at most 4095 characters; longer text is cut).
void QnLogWrite(std::int32_t level, const char* format, ...) __attribute__((format(printf, 2, 3)));
