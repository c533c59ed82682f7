#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/shell/file_find.h"
#include "platform/shell/known_folders.h"
#include "platform/shell/power.h"
#include "platform/testkit/testkit.h"
#include "platform/window/monitors.h"

namespace {

using namespace testkit;
namespace fs = std::filesystem;

class SystemTest : public ::testing::Test {
 protected:
  Environment env_{CurrentTestName()};
};

TEST_F(SystemTest, FoldersComeFromTheEnvironmentWithoutTrailingSlash) {
  char path[MAX_PATH];
  ASSERT_EQ(S_OK, SHGetFolderPath(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path));
  EXPECT_EQ(env_.Home() + "Documents", std::string(path));
  ASSERT_EQ(S_OK, SHGetFolderPath(nullptr, CSIDL_APPDATA, nullptr, 0, path));
  EXPECT_EQ(env_.Home() + "config", std::string(path));
  // Videos does not exist yet: made only when asked.
  EXPECT_EQ(E_FAIL, SHGetFolderPath(nullptr, CSIDL_MYVIDEO, nullptr, 0, path));
  EXPECT_EQ(S_OK, SHGetFolderPath(nullptr, CSIDL_MYVIDEO | CSIDL_FLAG_CREATE, nullptr, 0, path));
  EXPECT_EQ(env_.Home() + "Videos", std::string(path));
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_EQ(E_INVALIDARG, SHGetFolderPath(nullptr, 0x7F, nullptr, 0, path));
  EXPECT_TRUE(SHGetSpecialFolderPath(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE));
  EXPECT_EQ(env_.Home() + "data", std::string(path));
}

TEST_F(SystemTest, TempPathEndsWithASlashAndTellsTheSizeNeeded) {
  char small[4];
  const DWORD need = GetTempPath(sizeof small, small);
  std::vector<char> buffer(need);
  EXPECT_EQ(need - 1, GetTempPath(need, buffer.data()));
  EXPECT_EQ('/', buffer[need - 2]);
  EXPECT_EQ(0u, std::string(buffer.data()).find(env_.Home()));
}

TEST_F(SystemTest, VolumeInformationNamesTheFileSystem) {
  char fsName[32], label[32];
  DWORD serial = 0, longest = 0, flags = 0;
  ASSERT_TRUE(
      GetVolumeInformation(env_.Home().c_str(), label, sizeof label, &serial, &longest, &flags, fsName, sizeof fsName));
  EXPECT_STREQ("", label);
  EXPECT_GT(longest, 0u);
  EXPECT_NE(std::string(), fsName);
  EXPECT_TRUE(flags & FILE_CASE_PRESERVED_NAMES);
  EXPECT_FALSE(
      GetVolumeInformation((env_.Home() + "missing").c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
  char tiny[2];
  EXPECT_FALSE(GetVolumeInformation("/", nullptr, 0, nullptr, nullptr, nullptr, tiny, sizeof tiny));
}

TEST_F(SystemTest, FileFindWalksMatchesWithDotsFirst) {
  const std::string folder = env_.Documents() + "clips";
  fs::create_directories(folder + "/Sub");
  std::ofstream(folder + "/B.MPG") << "12345";
  std::ofstream(folder + "/a.mpg") << "1";
  std::ofstream(folder + "/c.txt") << "1";
  CFileFind all;
  ASSERT_TRUE(all.FindFile((folder + "/*.*").c_str()));
  std::vector<std::string> names;
  BOOL more = TRUE;
  while (more) {
    more = all.FindNextFile();
    names.push_back(all.GetFileName() + (all.IsDots() ? "!" : "") + (all.IsDirectory() ? "/" : ""));
  }
  EXPECT_EQ((std::vector<std::string>{".!/", "..!/", "B.MPG", "Sub/", "a.mpg", "c.txt"}), names);

  CFileFind videos;
  ASSERT_TRUE(videos.FindFile((folder + "/*.mpg").c_str()));
  EXPECT_TRUE(videos.FindNextFile());
  EXPECT_EQ(folder + "/B.MPG", videos.GetFilePath());
  EXPECT_EQ("B", videos.GetFileTitle());
  EXPECT_EQ(5u, videos.GetLength());
  EXPECT_EQ(folder, videos.GetRoot());
  EXPECT_FALSE(videos.FindNextFile());
  EXPECT_EQ("a.mpg", videos.GetFileName());
  EXPECT_FALSE(videos.FindFile((folder + "/*.avi").c_str()));
  EXPECT_FALSE(videos.FindFile((folder + "/none/*").c_str()));
}

LRESULT PowerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_POWERBROADCAST) {
    auto* heard = reinterpret_cast<std::vector<WPARAM>*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    if (heard) heard->push_back(wParam);
    if (wParam == PBT_APMQUERYSUSPEND && GetWindowLongPtr(hwnd, GWLP_ID) == 1) return BROADCAST_QUERY_DENY;
    return TRUE;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

TEST_F(SystemTest, ExecutionStateIsRecordedAndAQuerySuspendCanBeDenied) {
  platform::ResetExecutionState();
  EXPECT_EQ(ES_CONTINUOUS, SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED));
  SetThreadExecutionState(ES_SYSTEM_REQUIRED);
  EXPECT_EQ(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED, platform::CurrentExecutionState());
  EXPECT_EQ(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED, SetThreadExecutionState(ES_CONTINUOUS));
  EXPECT_EQ(ES_CONTINUOUS, platform::CurrentExecutionState());
  EXPECT_EQ(3u, platform::ExecutionStateRequests().size());
  EXPECT_EQ(0u, SetThreadExecutionState(0x100));

  WNDCLASS wc;
  wc.lpfnWndProc = PowerProc;
  wc.lpszClassName = "PowerListener";
  RegisterClass(&wc);
  std::vector<WPARAM> heard;
  HWND listener = CreateWindowEx(0, "PowerListener", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtr(listener, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&heard));
  EXPECT_TRUE(platform::BroadcastPowerEvent(PBT_APMQUERYSUSPEND));
  EXPECT_TRUE(platform::BroadcastPowerEvent(PBT_APMRESUMESUSPEND));
  EXPECT_EQ((std::vector<WPARAM>{PBT_APMQUERYSUSPEND, PBT_APMRESUMESUSPEND}), heard);
  // The recorder denies: the query is refused.
  SetWindowLongPtr(listener, GWLP_ID, 1);
  heard.clear();
  EXPECT_FALSE(platform::BroadcastPowerEvent(PBT_APMQUERYSUSPEND));
  EXPECT_EQ((std::vector<WPARAM>{PBT_APMQUERYSUSPEND, PBT_APMQUERYSUSPENDFAILED}), heard);
  DestroyWindow(listener);
}

TEST_F(SystemTest, WithoutADesktopBusKeepingAwakeTakesNothingAndSaysNothing) {
  ScopedVariable system("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + env_.Runtime() + "/no-system-bus");
  ScopedVariable session("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + env_.Runtime() + "/no-session-bus");
  platform::ResetExecutionState();
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  EXPECT_EQ(SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED), ES_CONTINUOUS);
  EXPECT_TRUE(SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0));
  BOOL active = TRUE;
  SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  EXPECT_FALSE(active);
  EXPECT_EQ(platform::CurrentExecutionState(), ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
  platform::ResetExecutionState();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
