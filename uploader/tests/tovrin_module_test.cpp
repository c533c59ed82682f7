// Tovrin.so as the uploader loads it: what it posts to the caller's window and how Stop behaves.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/base/module.h"
#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "platform/window/messages.h"
#include "upload_server.h"
#include "uploader/corrin_link.h"
#include "uploader/tovrin/tovrin_api.h"
#include "uploader/upload_address.h"

namespace {

using namespace std::chrono_literals;
constexpr UINT kNotify = WM_USER + 100;

struct Posted {
  WPARAM code;
  int value;
};

class TovrinModule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Load("Tovrin.dll")) << platform::LastModuleError();
    upload_ = reinterpret_cast<YouTubeUploadFn>(GetProcAddress(module_.Handle(), "YouTubeUpload"));
    stop_ = reinterpret_cast<YouTubeUploadStopFn>(GetProcAddress(module_.Handle(), "YouTubeUploadStop"));
    ASSERT_TRUE(upload_ && stop_);
    file_ = env_.Documents() + "clip.mpg";
    std::ofstream(file_, std::ios::binary) << std::string(300'000, 'v');
  }
  void TearDown() override { ::unsetenv("VIDARRO_UPLOAD_URL"); }

  void Start(const uploadtest::UploadServer* server, const char* password = "s3cret") {
    if (server) ::setenv("VIDARRO_UPLOAD_URL", (server->Url() + "/").c_str(), 1);
    ASSERT_EQ(1, upload_("ada", password, 0, file_.c_str(), "Title", "Text", "a,b,", "People", window_.hwnd(), kNotify,
                         1, 0));
  }

  // The notifications that arrived; waits (bounded) until `last` comes.
  std::vector<Posted> Until(WPARAM last) {
    for (int round = 0; round < 3000; ++round) {
      MSG msg;
      while (PeekMessage(&msg, window_.hwnd(), kNotify, kNotify, PM_REMOVE)) {
        seen_.push_back({msg.wParam, HIWORD(msg.lParam)});
        if (msg.wParam == last) return seen_;
      }
      std::this_thread::sleep_for(10ms);
    }
    return seen_;
  }

  testkit::Environment env_{testkit::CurrentTestName()};
  testkit::RecordingParent window_;
  platform::Module module_;
  YouTubeUploadFn upload_ = nullptr;
  YouTubeUploadStopFn stop_ = nullptr;
  std::string file_;
  std::vector<Posted> seen_;
};

TEST_F(TovrinModule, ReportsStartProgressAndCompletion) {
  uploadtest::UploadServer server;
  Start(&server);
  const auto posted = Until(TOVRIN_COMPLETE);
  ASSERT_GE(posted.size(), 3u);
  EXPECT_EQ(TOVRIN_STARTED, posted.front().code);
  EXPECT_EQ(TOVRIN_PROGRESS, posted[posted.size() - 2].code);
  EXPECT_EQ(100, posted[posted.size() - 2].value);
  EXPECT_EQ(TOVRIN_COMPLETE, posted.back().code);
  EXPECT_EQ(uploadtest::FileSha256(file_), server.HeldSha256());
  // Stopping after the end says nothing more.
  stop_();
  MSG msg;
  EXPECT_FALSE(PeekMessage(&msg, window_.hwnd(), kNotify, kNotify, PM_REMOVE));
}

TEST_F(TovrinModule, AWrongPasswordAndAFailingServerEndWithTheirResults) {
  {
    uploadtest::UploadServer server;
    Start(&server, "wrong");
    const auto posted = Until(TOVRIN_FINISHED);
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(TOVRIN_LOGIN_REFUSED, posted.back().value);
  }
  seen_.clear();
  uploadtest::ServerScript script;
  script.fail500 = true;
  uploadtest::UploadServer server(script);
  Start(&server);
  const auto posted = Until(TOVRIN_FINISHED);
  ASSERT_EQ(2u, posted.size());
  EXPECT_EQ(TOVRIN_STARTED, posted.front().code);
  EXPECT_EQ(TOVRIN_FAILED, posted.back().value);
  EXPECT_EQ(7, server.FileRequests());
}

TEST_F(TovrinModule, StopEndsARunningUploadAndIsHarmlessWhenIdle) {
  stop_();
  uploadtest::ServerScript script;
  script.stall = true;
  uploadtest::UploadServer server(script);
  Start(&server);
  ASSERT_EQ(TOVRIN_STARTED, Until(TOVRIN_STARTED).back().code);
  const auto before = std::chrono::steady_clock::now();
  stop_();
  // Without the stop the stalled transfer would hold for half a minute.
  EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
  const auto posted = Until(TOVRIN_FINISHED);
  EXPECT_EQ(TOVRIN_STOPPED, posted.back().value);
  stop_();
  MSG msg;
  EXPECT_FALSE(PeekMessage(&msg, window_.hwnd(), kNotify, kNotify, PM_REMOVE));
}

TEST_F(TovrinModule, WithoutAnAddressTheUploadFailsAtOnceAndTheLogSaysWhy) {
  Start(nullptr);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, window_.hwnd(), kNotify, kNotify, PM_REMOVE));
  EXPECT_EQ(TOVRIN_FINISHED, msg.wParam);
  EXPECT_EQ(TOVRIN_FAILED, HIWORD(msg.lParam));
  std::string log;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(env_.Home()))
    if (entry.path().filename() == "Tovrin.log") {
      std::stringstream text;
      text << std::ifstream(entry.path()).rdbuf();
      log = text.str();
    }
  EXPECT_NE(std::string::npos, log.find("VIDARRO_UPLOAD_URL"));
  EXPECT_EQ(std::string::npos, log.find("s3cret"));
  EXPECT_EQ(0, upload_("ada", "s3cret", 0, file_.c_str(), "", "", "", "", nullptr, kNotify, 1, 0));
}

TEST_F(TovrinModule, TheStoredAddressIsReadFromTheHostsRegistry) {
  uploadtest::UploadServer server;
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyEx(HKEY_CURRENT_USER, kCorrinKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  const std::string url = server.Url();
  RegSetValueEx(key, kUploadUrlValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(url.c_str()),
                static_cast<DWORD>(url.size() + 1));
  RegCloseKey(key);
  Start(nullptr);
  EXPECT_EQ(TOVRIN_COMPLETE, Until(TOVRIN_COMPLETE).back().code);
  EXPECT_TRUE(server.Complete());
}

}  // namespace
