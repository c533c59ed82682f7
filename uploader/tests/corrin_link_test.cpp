// Corrin as a real second process, driven by a stand-in for the main program over the link,
// uploading the rendered project to the loopback server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "converter/parvel_settings.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "upload_server.h"
#include "uploader/corrin_account.h"
#include "uploader/corrin_ids.h"
#include "uploader/corrin_link.h"

namespace {

using namespace testkit;
using namespace std::chrono_literals;

std::vector<WPARAM> g_received;

LRESULT FakeMainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_UPLOADER_LINK) {
    g_received.push_back(wParam);
    return 1;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

bool WaitFor(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited < ms; waited += 10) {
    Pump();
    if (done()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return done();
}

bool Received(WPARAM code) { return std::find(g_received.begin(), g_received.end(), code) != g_received.end(); }

TEST(CorrinLink, TheMainProgramRendersItsProjectAndCorrinUploadsIt) {
  Environment env{CurrentTestName()};
  uploadtest::UploadServer server;
  ::setenv("VIDARRO_UPLOAD_URL", server.Url().c_str(), 1);
  WNDCLASS wc{};
  wc.lpfnWndProc = FakeMainProc;
  wc.lpszClassName = "FakeMainProgram";
  RegisterClass(&wc);
  HWND main = CreateWindowEx(0, "FakeMainProgram", "Fake main program", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                             nullptr, nullptr);
  ASSERT_NE(nullptr, main);
  platform::StartWindowTransport();
  ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, kCorrinKey, "MainHwnd", HandleToDword(main)));
  ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, kCorrinKey, "SaveUserInfo", 1));
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kCorrinKey, "Username", "ada"));
  ASSERT_TRUE(StorePassword(HKEY_CURRENT_USER, kCorrinKey, "s3cret"));

  ProgramProcess corrin;
  ASSERT_TRUE(corrin.Start("Corrin", {"[Edit]", "file=Summer"}));
  ASSERT_TRUE(WaitFor([] { return Received(PUBLISH_READY); }, 20000)) << corrin.Output();
  DWORD sub = 0;
  ReadRegDword(HKEY_CURRENT_USER, kCorrinKey, "SubHwnd", sub, 0);
  HWND uploader = DwordToHandle<HWND>(sub);
  ASSERT_TRUE(IsWindow(uploader));
  EXPECT_EQ(kPingAnswer, SendMessage(uploader, WM_UPLOADER_LINK, PUBLISH_PING, 0));

  // A second start brings the first forward and ends.
  ProgramProcess second;
  ASSERT_TRUE(second.Start("Corrin", {}));
  EXPECT_EQ(0, second.WaitForExit(20000));
  EXPECT_TRUE(corrin.Running());

  // Upload in editor mode asks for the render first.
  SendMessage(uploader, WM_COMMAND, MAKEWPARAM(IDC_UPLOAD, BN_CLICKED), 0);
  ASSERT_TRUE(WaitFor([] { return Received(PUBLISH_RENDER_REQUEST); }, 10000));
  EXPECT_EQ(1, SendMessage(uploader, WM_UPLOADER_LINK, PUBLISH_PROGRESS, 50));
  EXPECT_EQ(kPingAnswer, SendMessage(uploader, WM_UPLOADER_LINK, PUBLISH_PING, 0));

  // A path of 2,000 bytes, past any fixed buffer, is uploaded as the main program set it.
  std::string folder = env.Home() + "render/";
  while (folder.size() + 61 < 1980) folder += std::string(60, 'f') + "/";
  std::filesystem::create_directories(folder);
  const std::string rendered = folder + std::string(2000 - folder.size() - 9, 'S') + "ummer.mpg";
  ASSERT_EQ(2000u, rendered.size());
  std::ofstream(rendered, std::ios::binary) << std::string(2'000'000, 's');
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kCorrinKey, "File", rendered));
  EXPECT_EQ(1, SendMessage(uploader, WM_UPLOADER_LINK, PUBLISH_DONE, 0));
  ASSERT_TRUE(WaitFor([&] { return server.Complete(); }, 30000)) << corrin.Output();
  EXPECT_EQ(uploadtest::FileSha256(rendered), server.HeldSha256());
  EXPECT_EQ(kPingAnswer, SendMessage(uploader, WM_UPLOADER_LINK, PUBLISH_PING, 0));

  PostMessage(uploader, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([] { return Received(PUBLISH_CLOSING); }, 20000));
  EXPECT_EQ(0, corrin.WaitForExit(20000));
  EXPECT_EQ(PUBLISH_READY, g_received.front());
  EXPECT_FALSE(Received(PUBLISH_CANCEL));
  DestroyWindow(main);
  ::unsetenv("VIDARRO_UPLOAD_URL");
}

}  // namespace
