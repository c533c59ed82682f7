#include "platform/base/message_box.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/base/module.h"
#include "platform/base/tests/test_support.h"

namespace platform {
namespace {

TEST(MessageBox, RecorderLogsCallsAndGivesScriptedAnswers) {
  MessageBoxRecorder recorder;
  recorder.QueueAnswer(IDYES);
  recorder.QueueAnswer(IDRETRY);
  HWND owner = DwordToHandle<HWND>(0x1234);
  EXPECT_EQ(MessageBox(owner, "Burn another copy?", "Wendrel", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(MessageBox(nullptr, "Disc not ready", "Wendrel", MB_RETRYCANCEL), IDRETRY);
  // Queue used up: the answer of closing the box.
  EXPECT_EQ(MessageBox(nullptr, "again", "", MB_YESNO), IDNO);

  ASSERT_EQ(recorder.Count(), 3u);
  const auto calls = recorder.Calls();
  EXPECT_EQ(calls[0].owner, owner);
  EXPECT_EQ(calls[0].text, "Burn another copy?");
  EXPECT_EQ(calls[0].caption, "Wendrel");
  EXPECT_EQ(calls[0].flags, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(recorder.Last().text, "again");
  recorder.Clear();
  EXPECT_EQ(recorder.Count(), 0u);
  EXPECT_EQ(recorder.Last().text, "");
}

TEST(MessageBox, DismissAnswerFollowsTheButtons) {
  EXPECT_EQ(DismissAnswer(MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(DismissAnswer(MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(DismissAnswer(MB_YESNOCANCEL | MB_DEFBUTTON2), IDCANCEL);
  EXPECT_EQ(DismissAnswer(MB_YESNO), IDNO);
  EXPECT_EQ(DismissAnswer(MB_RETRYCANCEL), IDCANCEL);
  EXPECT_EQ(DismissAnswer(MB_ABORTRETRYIGNORE), IDABORT);
  EXPECT_EQ(DismissAnswer(MB_CANCELTRYCONTINUE), IDCANCEL);
}

TEST(MessageBox, HandlersNestAndFallBackToStderr) {
  {
    MessageBoxRecorder outer;
    {
      MessageBoxRecorder inner;
      MessageBox(nullptr, "inner", "c", MB_OK);
      EXPECT_EQ(inner.Count(), 1u);
    }
    MessageBox(nullptr, "outer", "c", MB_OK);
    EXPECT_EQ(outer.Count(), 1u);
    EXPECT_EQ(outer.Last().text, "outer");
  }
  // A window system's handler replaces the default.
  auto previous = SetMessageBoxHandler([](HWND, const std::string&, const std::string&, UINT) { return IDIGNORE; });
  EXPECT_FALSE(previous);
  EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_OK), IDIGNORE);
  SetMessageBoxHandler(nullptr);

  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBox(nullptr, "Vidarro5UI.dll is not loaded, please reinstall it", "Quillon", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "[Quillon] Vidarro5UI.dll is not loaded, please reinstall it\n");
}

TEST(MessageBox, RecorderIsThreadSafe) {
  MessageBoxRecorder recorder;
  for (int i = 0; i < 400; ++i) recorder.QueueAnswer(IDYES);
  std::vector<std::thread> threads;
  std::atomic<int> yes{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 100; ++i)
        if (MessageBox(nullptr, "q", "c", MB_YESNO) == IDYES) ++yes;
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(recorder.Count(), 400u);
  EXPECT_EQ(yes.load(), 400);
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

// A module with its own copy of the platform library still shows its boxes through the
// handler the program installed.
TEST(MessageBox, ModuleBoxesReachTheProgramsHandler) {
  MessageBoxRecorder recorder;
  recorder.QueueAnswer(IDOK);
  test::ScopedEnv app("VIDARRO_APP_DIR", VIDARRO_TEST_BINARY_DIR);
  Module module("base_test_module.dll");
  ASSERT_TRUE(module.IsLoaded());
  auto show = module.Function<int (*)(const char*)>("base_test_show_box");
  ASSERT_NE(show, nullptr);
  EXPECT_EQ(show("Unable to open the job file"), IDOK);
  ASSERT_EQ(recorder.Count(), 1u);
  EXPECT_EQ(recorder.Last().text, "Unable to open the job file");
  EXPECT_EQ(recorder.Last().caption, "Module");
  EXPECT_EQ(recorder.Last().flags, static_cast<UINT>(MB_OKCANCEL | MB_ICONERROR));
}

}  // namespace
}  // namespace platform
