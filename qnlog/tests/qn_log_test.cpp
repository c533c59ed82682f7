#include "qnlog/qn_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "platform/base/paths.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class QnLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CQnLog::Instance().Reset();
    folder_ = platform::TempFolder() + "logtest/";
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    module_ = folder_ + "Parvel";
  }
  void TearDown() override { CQnLog::Instance().Reset(); }

  std::string folder_;
  std::string module_;
};

TEST_F(QnLogTest, OutsideKnownLocationsNothingIsWritten) {
  QnLogInit(module_, "[App] Parvel.txt", -1, true, QN_LOG_LEVEL);
  QnLogWrite(QN_LOG_LEVEL, "[%s] hello", "Test::Run");
  EXPECT_TRUE(CQnLog::Instance().GetFile().empty());
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(QnLogTest, LinesCarryCounterDateTimeAndText) {
  QnLogInit(module_, "[DLL] Mordax.txt", QN_LOG_BESIDE_MODULE, true, QN_LOG_LEVEL);
  QnLogWrite(QN_LOG_LEVEL, "[%s] value:[%d]", "Test::Run", 42);
  const auto lines = ReadLines(folder_ + "[DLL] Mordax.txt");
  ASSERT_EQ(lines.size(), 2u);
  // "[00000000] [2026/12/09-05:06:07.123] text"
  auto split = [](const std::string& line, std::string* counter, std::string* text) {
    int y, mo, d, h, mi, s, ms, used = 0;
    char digits[16] = {};
    if (std::sscanf(line.c_str(), "[%8[0-9]] [%4d/%2d/%2d-%2d:%2d:%2d.%3d] %n", digits, &y, &mo, &d, &h, &mi, &s, &ms,
                    &used) != 8 ||
        used != 37)
      return false;
    *counter = digits;
    *text = line.substr(used);
    return true;
  };
  std::string counter;
  std::string text;
  ASSERT_TRUE(split(lines[0], &counter, &text)) << lines[0];
  EXPECT_EQ(counter, "00000000");
  EXPECT_EQ(text, "[Qn_Log_API] INIT Success");
  ASSERT_TRUE(split(lines[1], &counter, &text)) << lines[1];
  EXPECT_EQ(counter, "00000001");
  EXPECT_EQ(text, "[Test::Run] value:[42]");
  EXPECT_EQ(CQnLog::Instance().GetCounter(), 2);
}

TEST_F(QnLogTest, ThreeRunsKeepTwoBackups) {
  for (int run = 1; run <= 3; ++run) {
    CQnLog::Instance().Reset();
    QnLogInit(module_, "[App] Parvel.txt", QN_LOG_BESIDE_MODULE, true, QN_LOG_LEVEL);
    QnLogWrite(QN_LOG_LEVEL, "[%s] run %d", "Test::Run", run);
  }
  auto lastLine = [](const std::string& path) {
    const auto lines = ReadLines(path);
    return lines.empty() ? std::string() : lines.back();
  };
  EXPECT_NE(lastLine(folder_ + "[App] Parvel.txt").find("run 3"), std::string::npos);
  EXPECT_NE(lastLine(folder_ + "[App] Parvel_bak1.txt").find("run 2"), std::string::npos);
  EXPECT_NE(lastLine(folder_ + "[App] Parvel_bak2.txt").find("run 1"), std::string::npos);
  // Every run starts a new log.
  EXPECT_EQ(ReadLines(folder_ + "[App] Parvel.txt").size(), 2u);
}

TEST_F(QnLogTest, TemporaryFolderIsCreatedPrivate) {
  const std::string tmpf = platform::TempFolder() + "TmpF/";
  fs::remove_all(tmpf);
  QnLogInit(module_, "[App] Parvel.txt", QN_LOG_TEMP_FOLDER, true, QN_LOG_LEVEL);
  EXPECT_TRUE(fs::exists(tmpf + "[App] Parvel.txt"));
  struct stat st {};
  ASSERT_EQ(::stat(tmpf.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // A folder left open to others is closed again before anything is written into it.
  ::chmod(tmpf.c_str(), 0777);
  QnLogInit(module_, "[App] Parvel.txt", QN_LOG_TEMP_FOLDER, true, QN_LOG_LEVEL);
  ASSERT_EQ(::stat(tmpf.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(QnLogTest, TemporaryFolderThatIsALinkIsRefused) {
  const std::string tmpf = platform::TempFolder() + "TmpF";
  fs::remove_all(tmpf);
  fs::create_directory_symlink(folder_, tmpf);
  QnLogInit(module_, "[App] Parvel.txt", QN_LOG_TEMP_FOLDER, true, QN_LOG_LEVEL);
  EXPECT_TRUE(CQnLog::Instance().GetFile().empty());
  EXPECT_FALSE(fs::exists(folder_ + "[App] Parvel.txt"));
  fs::remove(tmpf);
}

TEST_F(QnLogTest, DocumentsLocation) {
  QnLogInit(module_, "[App] Parvel.txt", QN_LOG_DOCUMENTS, false, QN_LOG_LEVEL);
  EXPECT_EQ(CQnLog::Instance().GetFile(), platform::DocumentsFolder() + "[App] Parvel.txt");
  EXPECT_TRUE(fs::exists(CQnLog::Instance().GetFile()));
}

TEST_F(QnLogTest, LevelMaskRules) {
  CQnLog& log = CQnLog::Instance();
  log.SetFile(folder_ + "levels.txt", false);
  struct Case {
    std::int32_t mask;
    std::int32_t level;
    bool written;
  };
  const Case cases[] = {
      {0x20000, 0x20000, true},  {0x20000, 0x20000 | 511, true}, {0x20000, 0x20000 | 512, false},
      {0x20001, 0x20000, false}, {0x40000, 0x40000, true},       {0x40000, 0x10000, false},
      {0x10000, 0x10000, true},  {0x10000, 0x20000, true},       {0x30000 | 2, 0x10000, false},
  };
  for (const Case& c : cases) {
    log.SetLevel(c.mask);
    const std::int32_t before = log.GetCounter();
    log.WriteLine(c.level, "x");
    EXPECT_EQ(log.GetCounter() - before, c.written ? 1 : 0) << std::hex << c.mask << " " << c.level;
  }
}

TEST_F(QnLogTest, LongLinesAreCutAndConcurrentWritersDoNotInterleave) {
  QnLogInit(module_, "[DLL] Mordax.txt", QN_LOG_BESIDE_MODULE, false, QN_LOG_LEVEL);
  const std::string huge(10000, 'x');
  QnLogWrite(QN_LOG_LEVEL, "[%s] %s", "Test::Run", huge.c_str());

  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([t] {
      for (int i = 0; i < 50; ++i) QnLogWrite(QN_LOG_LEVEL, "[%s] thread %d line %d", "Test::Run", t, i);
    });
  for (auto& w : writers) w.join();

  const auto lines = ReadLines(folder_ + "[DLL] Mordax.txt");
  ASSERT_EQ(lines.size(), 2u + 200u);
  EXPECT_LT(lines[1].size(), 4096u + 40u);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "[%08zu]", i);
    EXPECT_EQ(lines[i].substr(0, 10), expected);
  }
}

}  // namespace
