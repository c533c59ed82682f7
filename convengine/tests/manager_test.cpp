// The manager's operations and replies, with a recording host and the fake FFmpeg.
#include "convengine/convert_manager.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

#include "convengine/convert_ffmpeg.h"
#include "convengine/ffmpeg_program.h"
#include "convengine/media_info.h"
#include "engine_harness.h"
#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"

namespace mordax {
namespace {

namespace fs = std::filesystem;
using test::Reply;

constexpr int kOk = Qn_MSG_SUCCEEDED;

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = platform::TempFolder() + "manager/";
    fs::remove_all(root_);
    fs::create_directories(root_ + "out");
    fakeLog_ = root_ + "fake.log";
    ::setenv("VIDARRO_FFMPEG", test::FakeFFmpegPath().c_str(), 1);
    ::setenv("FAKE_FFMPEG_LOG", fakeLog_.c_str(), 1);
    ::setenv("FAKE_FFMPEG_MODE", "ok", 1);
    ::setenv("FAKE_FFMPEG_SECONDS", "4", 1);
    ASSERT_EQ(manager_.BeginMainThread(nullptr, WM_CONVERT_NOTIFY), 1);
  }
  void TearDown() override {
    manager_.EndMainThread();
    for (int pid : test::FakePids(fakeLog_))
      EXPECT_FALSE(test::ProcessAlive(pid)) << "child " << pid << " outlived the engine";
  }

  std::string Wav(const std::string& name, double seconds = 4) {
    const std::string path = root_ + name;
    test::WriteWav(path, seconds);
    return path;
  }
  void Add(const Qn_PathList& paths) {
    auto op = std::make_unique<Qn_ConvertOp>();
    op->op = Qn_OP_ADD_FILE;
    op->paths = paths;
    manager_.PushOp(false, std::move(op));
  }
  void AddAndWait(const Qn_PathList& paths) {
    Add(paths);
    ASSERT_TRUE(rec_.WaitFor(Qn_OP_ADD_FILE, Qn_MSG_COMPLETE));
  }
  static Qn_ConvertOption AudioOption() {
    Qn_ConvertOption o;
    o.video = {"mpeg4", 320, 240, 768, 25};
    o.audio = {"aac", 128, 44100, 2};
    o.FILEPREFIX = "@SRC_NAME";
    o.EXF = ".mp4";
    return o;
  }
  void SetOptionAndWait(const Qn_ConvertOption& o, int mode = 2) {
    rec_.Clear();
    SetOption(o, mode);
    ASSERT_TRUE(rec_.WaitForCount(1));
    rec_.Clear();
  }
  void SetOption(const Qn_ConvertOption& o, int mode = 2) {
    auto op = std::make_unique<Qn_ConvertOp>();
    op->op = Qn_OP_SET_CONVERT_OPTION;
    op->mode = mode;
    op->option = std::make_unique<Qn_ConvertOption>(o);
    manager_.PushOp(false, std::move(op));
  }
  void Start(const std::string& folder) {
    auto op = std::make_unique<Qn_ConvertOp>();
    op->op = Qn_OP_CONVERT;
    op->outputFolder = folder;
    manager_.PushOp(false, std::move(op));
  }
  void PushCode(int code) {
    auto op = std::make_unique<Qn_ConvertOp>();
    op->op = code;
    manager_.PushOp(false, std::move(op));
  }
  void Stop() {
    auto op = std::make_unique<Qn_ConvertOp>();
    op->op = Qn_OP_STOP;
    manager_.PushOp(true, std::move(op));
  }
  // Adds files, sets the option, converts, and waits for the batch to end.
  std::string Batch(const Qn_PathList& files, const Qn_ConvertOption& option = AudioOption()) {
    AddAndWait(files);
    SetOption(option);
    EXPECT_TRUE(rec_.WaitFor(Qn_OP_SET_CONVERT_OPTION, kOk));
    rec_.Clear();
    Start(root_ + "out/");
    EXPECT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
    return rec_.Codes();
  }

  std::string root_;
  std::string fakeLog_;
  test::ReplyRecorder rec_;
  Qn_ConvertManager manager_;
};

TEST_F(ManagerTest, AddingAnswersEachPathThenCompletes) {
  const std::string a = Wav("a.wav");
  const std::string upper = Wav("A.wav");
  const std::string empty = root_ + "empty.mp4";
  test::WriteText(empty, "");
  const std::string text = root_ + "notes.avi";
  test::WriteText(text, "this is not a video at all");
  AddAndWait({a, a, upper, root_ + "missing.avi", empty, text, root_});
  // Names that differ only by case are different files here.
  EXPECT_EQ(rec_.Codes(), "100/1 100/0:8 100/1 100/0:8 100/0:6 100/0:6 100/0:8 100/2");
  const auto replies = rec_.Replies();
  auto* first = reinterpret_cast<Qn_MediaInfo*>(replies[0].value);
  EXPECT_EQ(first->source.GetPath(), a);
  EXPECT_NEAR(first->duration, 4000, 50);
  EXPECT_GT(first->fileSize, 0);
  EXPECT_EQ(first->audioStreamCount, 1);
  EXPECT_EQ(first->video.Width, 0);
}

TEST_F(ManagerTest, EmptyPathListAnswersOnce) {
  Add({});
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_ADD_FILE, Qn_MSG_FAILED));
  // Queue order: whatever follows is answered after it.
  PushCode(Qn_OP_REMOVE_ALL_FILE);
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_REMOVE_ALL_FILE, Qn_MSG_FAILED));
  EXPECT_EQ(rec_.Codes(), "100/0:4 102/0:4");
}

TEST_F(ManagerTest, RemovingInsertingAndReplacing) {
  AddAndWait({Wav("a.wav"), Wav("b.wav")});
  auto* a = reinterpret_cast<Qn_MediaInfo*>(rec_.Replies()[0].value);
  Qn_MediaInfo stranger;
  rec_.Clear();

  auto remove = std::make_unique<Qn_ConvertOp>();
  remove->op = Qn_OP_REMOVE_FILE;
  remove->items = {a, &stranger};
  manager_.PushOp(false, std::move(remove));
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_REMOVE_FILE, Qn_MSG_FAILED));
  EXPECT_EQ(rec_.Codes(), "101/0:0");

  rec_.Clear();
  auto insert = std::make_unique<Qn_ConvertOp>();
  insert->op = Qn_OP_INSERT_FILE;
  insert->insertIndex = 0;
  insert->insertPath = Wav("c.wav");
  manager_.PushOp(false, std::move(insert));
  auto replace = std::make_unique<Qn_ConvertOp>();
  replace->op = Qn_OP_REPLACE_FILE;
  replace->replaceIndex = 5;
  replace->replacePath = Wav("d.wav");
  manager_.PushOp(false, std::move(replace));
  auto replace2 = std::make_unique<Qn_ConvertOp>();
  replace2->op = Qn_OP_REPLACE_FILE;
  replace2->replaceIndex = 1;
  replace2->replacePath = root_ + "d.wav";
  manager_.PushOp(false, std::move(replace2));
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_REPLACE_FILE, kOk));
  EXPECT_EQ(rec_.Codes(), "107/1 106/0:3 106/1");

  // The list is now c, d: a batch converts them in that order.
  ::setenv("FAKE_FFMPEG_MODE", "ok", 1);
  SetOption(AudioOption());
  rec_.Clear();
  Start(root_ + "out");
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
  std::vector<std::string> order;
  for (const Reply& r : rec_.Replies())
    if (r.status == Qn_MSG_ITEM_START) order.push_back(r.item.source.GetName());
  EXPECT_EQ(order, (std::vector<std::string>{"c", "d"}));

  rec_.Clear();
  PushCode(Qn_OP_REMOVE_ALL_FILE);
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_REMOVE_ALL_FILE, Qn_MSG_COMPLETE));
}

TEST_F(ManagerTest, OptionIsCheckedBeforeItIsKept) {
  SetOption(AudioOption());
  Qn_ConvertOption bad = AudioOption();
  bad.video.width = 0;
  SetOption(bad);
  Qn_ConvertOption amr = AudioOption();
  amr.audio.codec = "amr_nb";
  SetOption(amr);
  auto none = std::make_unique<Qn_ConvertOp>();
  none->op = Qn_OP_SET_CONVERT_OPTION;
  manager_.PushOp(false, std::move(none));
  Qn_ConvertOption wmv3 = AudioOption();
  wmv3.video.codec = "wmv3";
  SetOption(wmv3);
  ASSERT_TRUE(rec_.WaitForCount(5));
  EXPECT_EQ(rec_.Codes(), "103/1 103/0:3 103/0:21 103/0:0 103/0:20");
}

TEST_F(ManagerTest, ARefusedOptionFailsTheStartInsteadOfConvertingWithTheOneBefore) {
  AddAndWait({Wav("a.wav")});
  SetOptionAndWait(AudioOption());
  Qn_ConvertOption wmv3 = AudioOption();
  wmv3.video.codec = "wmv3";
  SetOption(wmv3);
  Start(root_ + "out/");
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
  EXPECT_EQ(rec_.Codes(), "103/0:20 105/0:0 105/2");
  EXPECT_TRUE(test::FakePids(fakeLog_).empty());
}

TEST_F(ManagerTest, StartWithoutFilesOrOptionIsRefused) {
  Start(root_ + "out/");
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
  EXPECT_EQ(rec_.Codes(), "105/0:4 105/2");

  AddAndWait({Wav("a.wav")});
  rec_.Clear();
  Start(root_ + "out/");
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
  EXPECT_EQ(rec_.Codes(), "105/0:0 105/2");
  EXPECT_TRUE(test::FakePids(fakeLog_).empty());
}

TEST_F(ManagerTest, ConvertedFileReportsProgressInOrderAndEndsAt100) {
  const std::string codes = Batch({Wav("clip.wav")});
  const auto replies = rec_.Replies();
  ASSERT_GE(replies.size(), 4u);
  EXPECT_EQ(replies.front().status, Qn_MSG_ITEM_START);
  EXPECT_EQ(replies.front().item.index, 0);
  EXPECT_EQ(replies.front().item.output.GetPath(), root_ + "out/clip.mp4");
  int last = -1;
  for (const Reply& r : replies)
    if (r.status == Qn_MSG_CONVERT_PROCESSING) {
      EXPECT_GE(LOWORD(r.value), last) << codes;
      last = LOWORD(r.value);
    }
  EXPECT_EQ(last, 100);
  // The last reply names the converter's last frame (4 s at 25 frames a second), not 0.
  int lastFrame = -1;
  for (const Reply& r : replies)
    if (r.status == Qn_MSG_CONVERT_PROCESSING) lastFrame = HIWORD(r.value);
  EXPECT_EQ(lastFrame, 100);
  EXPECT_EQ(replies[replies.size() - 2].status, kOk);
  EXPECT_EQ(replies.back().status, Qn_MSG_COMPLETE);
  EXPECT_EQ(manager_.IsConvert(), 0);

  // The arguments went to the program as a list, the path with its blank included.
  const auto runs = test::FakeArguments(fakeLog_);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0][3], root_ + "clip.wav");
  // FFmpeg writes under a hidden name that becomes the output's only when it has succeeded.
  EXPECT_EQ(runs[0].back(), PartialOutputPath(root_ + "out/clip.mp4"));
  EXPECT_TRUE(platform::FileExists(root_ + "out/clip.mp4"));
  EXPECT_FALSE(platform::FileExists(runs[0].back()));
}

TEST_F(ManagerTest, AnOutputWhoseNameWasTakenMeanwhileSaysTheNameItGot) {
  ::setenv("FAKE_FFMPEG_MODE", "taken", 1);
  Batch({Wav("clip.wav")});
  const auto replies = rec_.Replies();
  ASSERT_GE(replies.size(), 3u);
  EXPECT_EQ(replies.front().item.output.GetPath(), root_ + "out/clip.mp4");  // as announced
  const Reply& ended = replies[replies.size() - 2];
  ASSERT_EQ(ended.status, kOk);
  ASSERT_NE(ended.value, 0);
  const std::string got = ended.item.output.GetPath();
  EXPECT_EQ(got.rfind(root_ + "out/clip_", 0), 0u) << got;  // the pattern's next name
  std::string theirs, ours;
  EXPECT_TRUE(platform::ReadWholeFile(root_ + "out/clip.mp4", &theirs));
  EXPECT_TRUE(platform::ReadWholeFile(got, &ours));
  EXPECT_EQ(theirs, "another converter's");
  EXPECT_EQ(ours, "converted");
}

// A converter of the same process number on another machine sharing the folder writes under
// the first partial name: this one writes under a name it made for itself, converted or failed,
// and the other's file is left as it is.
TEST_F(ManagerTest, APartialFileThatIsNotThisConversionsIsNeverWrittenOverOrRemoved) {
  fs::create_directories(root_ + "out");
  const std::string theirs = PartialOutputPath(root_ + "out/clip.mp4");
  std::ofstream(theirs) << "another machine's";
  EXPECT_EQ(Batch({Wav("clip.wav")}).find("105/0"), std::string::npos);
  auto runs = test::FakeArguments(fakeLog_);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].back(), PartialOutputPath(root_ + "out/clip.mp4", 2));
  std::string kept, ours;
  EXPECT_TRUE(platform::ReadWholeFile(theirs, &kept));
  EXPECT_EQ(kept, "another machine's");
  EXPECT_TRUE(platform::ReadWholeFile(root_ + "out/clip.mp4", &ours));
  EXPECT_EQ(ours, "converted");

  ::setenv("FAKE_FFMPEG_MODE", "exit1", 1);
  rec_.Clear();
  Start(root_ + "out/");
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
  EXPECT_NE(rec_.Codes().find("105/0:0"), std::string::npos) << rec_.Codes();
  EXPECT_TRUE(platform::ReadWholeFile(theirs, &kept));
  EXPECT_EQ(kept, "another machine's");
  EXPECT_FALSE(platform::FileExists(PartialOutputPath(root_ + "out/clip.mp4", 2)));
}

TEST_F(ManagerTest, FailuresOfTheChildAreReportedAsFailures) {
  const std::string clip = Wav("clip.wav");
  for (const char* mode : {"exit1", "crash", "nooutput", "short", "diskfull"}) {
    ::setenv("FAKE_FFMPEG_MODE", mode, 1);
    SCOPED_TRACE(mode);
    rec_.Clear();
    if (std::string(mode) == "exit1") {
      Batch({clip});
    } else {
      Start(root_ + "out/");
      ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
    }
    const auto replies = rec_.Replies();
    ASSERT_GE(replies.size(), 2u);
    EXPECT_EQ(replies[replies.size() - 2].status, Qn_MSG_FAILED) << rec_.Codes();
    EXPECT_EQ(replies[replies.size() - 2].value, 0);
    for (const Reply& r : replies) {
      if (r.status == Qn_MSG_CONVERT_PROCESSING) {
        EXPECT_LT(LOWORD(r.value), 100);
      }
    }
    // Nothing broken stays behind, under the output's name or the one it was written as.
    EXPECT_TRUE(std::filesystem::is_empty(root_ + "out/"));
  }
}

TEST_F(ManagerTest, MissingProgramOrOutputFolderFailsEachFile) {
  ::setenv("VIDARRO_FFMPEG", (root_ + "no-ffmpeg").c_str(), 1);
  EXPECT_EQ(Batch({Wav("a.wav")}), "105/12 105/0:0 105/2");
  ::setenv("VIDARRO_FFMPEG", test::FakeFFmpegPath().c_str(), 1);

  AddAndWait({Wav("b.wav")});
  rec_.Clear();
  Start(root_ + "nowhere/");
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
  EXPECT_EQ(rec_.Codes(), "105/0:0 105/0:0 105/2");

  // A folder nobody may write into (root may write anywhere: nothing to see then).
  if (::geteuid() != 0) {
    fs::create_directories(root_ + "locked");
    ::chmod((root_ + "locked").c_str(), 0500);
    rec_.Clear();
    Start(root_ + "locked");
    ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
    EXPECT_EQ(rec_.Codes(), "105/0:0 105/0:0 105/2");
  }
}

TEST_F(ManagerTest, TheWmvHdModeConvertsEachFileLikeTheOthers) {
  AddAndWait({Wav("a.wav"), Wav("b.wav")});
  SetOptionAndWait(AudioOption(), 1);
  Start(root_ + "out/");
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
  EXPECT_EQ(test::ReplyCodes(rec_.Replies(), false), "105/12 105/1 105/12 105/1 105/2");
  EXPECT_EQ(test::FakePids(fakeLog_).size(), 2u);
  EXPECT_TRUE(fs::exists(root_ + "out/a.mp4"));
  EXPECT_TRUE(fs::exists(root_ + "out/b.mp4"));
}

TEST_F(ManagerTest, StopEndsARunningChildPromptly) {
  for (const char* mode : {"slow", "silent", "stubborn"}) {
    SCOPED_TRACE(mode);
    ::setenv("FAKE_FFMPEG_MODE", mode, 1);
    ::setenv("FAKE_FFMPEG_SECONDS", "60", 1);
    fs::remove(fakeLog_);
    if (std::string(mode) == "slow") AddAndWait({Wav("a.wav", 60), Wav("b.wav", 60)});
    SetOptionAndWait(AudioOption());
    Start(root_ + "out/");
    // Wait for the child to be there before stopping it.
    ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_ITEM_START));
    for (int i = 0; i < 500 && test::FakePids(fakeLog_).empty(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(test::FakePids(fakeLog_).size(), 1u);
    EXPECT_EQ(manager_.IsConvert(), 1);
    Stop();
    ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
    // The first file reports the stop; the second never starts.
    EXPECT_EQ(rec_.Codes().substr(0, 6), "105/12");
    const auto replies = rec_.Replies();
    EXPECT_EQ(replies[replies.size() - 2].value, Qn_ERR_STOPPED) << rec_.Codes();
    int starts = 0;
    for (const Reply& r : replies) starts += r.status == Qn_MSG_ITEM_START;
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(test::ProcessAlive(test::FakePids(fakeLog_)[0]));
  }
}

TEST_F(ManagerTest, CloseGivesUpOnAThreadThatNeverReturnsFromAStep) {
  AddAndWait({Wav("a.wav")});
  SetOptionAndWait(AudioOption());
  // A host that does not return from the item start holds the thread inside that step.
  std::mutex lock;
  std::condition_variable changed;
  bool inside = false;
  bool released = false;
  const ReplyPort recorder = SetReplyPort({});
  ReplyPort stuck = recorder;
  stuck.send = [&](HWND w, UINT m, WPARAM wp, LPARAM lp) {
    std::unique_lock<std::mutex> guard(lock);
    inside = true;
    changed.notify_all();
    changed.wait(guard, [&] { return released; });
    guard.unlock();
    return recorder.send(w, m, wp, lp);
  };
  SetReplyPort(stuck);
  auto release = [&] {
    {
      std::lock_guard<std::mutex> guard(lock);
      released = true;
    }
    changed.notify_all();
  };
  std::unique_ptr<void, std::function<void(void*)>> releaseAtEnd(&lock, [&](void*) {
    release();
    SetReplyPort(recorder);
  });
  Start(root_ + "out/");
  {
    std::unique_lock<std::mutex> guard(lock);
    ASSERT_TRUE(changed.wait_for(guard, std::chrono::seconds(30), [&] { return inside; }));
  }

  manager_.SetCloseLimit(std::chrono::milliseconds(200));
  const auto begun = std::chrono::steady_clock::now();
  EXPECT_FALSE(manager_.EndMainThread());
  const auto took = std::chrono::steady_clock::now() - begun;
  EXPECT_GE(took, std::chrono::milliseconds(200));
  // The limit and a busy machine's scheduling, far below the unbounded wait it replaces.
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_TRUE(manager_.IsRunning()) << "the thread still uses the manager";

  // Once the step returns the thread sees the exit; a second close ends it.
  release();
  manager_.SetCloseLimit(std::chrono::seconds(60));
  EXPECT_TRUE(manager_.EndMainThread());
  EXPECT_FALSE(manager_.IsRunning());
  EXPECT_EQ(rec_.Codes(), "105/12 105/0:11 105/2");
}

TEST_F(ManagerTest, StopDuringThePauseBeforeTheChildStops) {
  AddAndWait({Wav("a.wav")});
  SetOptionAndWait(AudioOption());
  Start(root_ + "out/");
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_ITEM_START));
  Stop();
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
  EXPECT_EQ(rec_.Codes(), "105/12 105/0:11 105/2");
  EXPECT_TRUE(test::FakePids(fakeLog_).empty());
}

TEST_F(ManagerTest, TimeRepliesComeEverySecondWhileTheChildRuns) {
  ::setenv("FAKE_FFMPEG_MODE", "slow", 1);
  ::setenv("FAKE_FFMPEG_SECONDS", "6", 1);
  Batch({Wav("clip.wav", 6)});
  int times = 0;
  bool afterResult = false;
  bool resultSeen = false;
  int lastElapsed = -1;
  for (const Reply& r : rec_.Replies()) {
    if (r.status == kOk || r.status == Qn_MSG_FAILED) resultSeen = true;
    if (r.status == Qn_MSG_TIME_INFO) {
      ++times;
      afterResult |= resultSeen;
      EXPECT_GT(r.time.elapsed.totalMilliseconds, lastElapsed);
      lastElapsed = r.time.elapsed.totalMilliseconds;
      EXPECT_EQ(r.time.elapsed.reserved, 0);
    }
  }
  // About 2.4 s of output: at least two whole seconds passed.
  EXPECT_GE(times, 2) << rec_.Codes();
  EXPECT_FALSE(afterResult);
}

TEST_F(ManagerTest, RecordsAreFreedWhenTheWindowIsGone) {
  AddAndWait({Wav("a.wav")});
  SetOptionAndWait(AudioOption());
  ::setenv("FAKE_FFMPEG_MODE", "slow", 1);
  ::setenv("FAKE_FFMPEG_SECONDS", "3", 1);
  rec_.SetWindowGone(true);
  Start(root_ + "out/");
  // Nothing arrives; the leak checker of the sanitizer build sees any record left behind.
  for (int i = 0; i < 1000 && manager_.IsConvert() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  for (int i = 0; i < 1000 && manager_.IsConvert() == 1; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(manager_.IsConvert(), 0);
  EXPECT_TRUE(rec_.Replies().empty());
}

TEST_F(ManagerTest, ClosingDuringABatchEndsEveryThreadAndChild) {
  ::setenv("FAKE_FFMPEG_MODE", "stubborn", 1);
  AddAndWait({Wav("a.wav")});
  SetOption(AudioOption());
  Start(root_ + "out/");
  for (int i = 0; i < 500 && test::FakePids(fakeLog_).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(test::FakePids(fakeLog_).size(), 1u);
  manager_.EndMainThread();
  EXPECT_FALSE(manager_.IsRunning());
  EXPECT_FALSE(test::ProcessAlive(test::FakePids(fakeLog_)[0]));
  // A fresh start has an empty list.
  ASSERT_EQ(manager_.BeginMainThread(nullptr, WM_CONVERT_NOTIFY), 1);
  EXPECT_EQ(manager_.BeginMainThread(nullptr, WM_CONVERT_NOTIFY), 0);
  rec_.Clear();
  PushCode(Qn_OP_REMOVE_ALL_FILE);
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_REMOVE_ALL_FILE, Qn_MSG_FAILED));
}

TEST_F(ManagerTest, WithoutMediaInfoEveryPathIsRefused) {
  SetMediaInfoLibraryName("libmediainfo-missing.so.0");
  AddAndWait({Wav("a.wav")});
  SetMediaInfoLibraryName("libmediainfo.so.0");
  EXPECT_EQ(rec_.Codes(), "100/0:6 100/2");
}

// Dead, or a zombie nobody reaps: either way it runs no more.
bool Ended(int pid) {
  for (int i = 0; i < 2000; ++i) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    if (all.empty() || (close != std::string::npos && close + 2 < all.size() && all[close + 2] == 'Z')) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

TEST_F(ManagerTest, StopEndsWhatAWrapperConverterStarted) {
  const std::string childLog = root_ + "child.log";
  ::setenv("FAKE_FFMPEG_MODE", "wrapper", 1);
  ::setenv("FAKE_FFMPEG_CHILD_LOG", childLog.c_str(), 1);
  AddAndWait({Wav("a.wav")});
  SetOptionAndWait(AudioOption());
  Start(root_ + "out/");
  int grandchild = 0;
  for (int i = 0; i < 500 && grandchild == 0; ++i) {
    std::ifstream(childLog) >> grandchild;
    if (grandchild == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::unsetenv("FAKE_FFMPEG_CHILD_LOG");
  ASSERT_GT(grandchild, 0);
  Stop();
  ASSERT_TRUE(rec_.WaitFor(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
  EXPECT_TRUE(Ended(grandchild)) << "the converter's own child outlived the stop";
}

TEST_F(ManagerTest, AConverterPrintingFastGetsAFewProgressRepliesEndingAt100) {
  ::setenv("FAKE_FFMPEG_MODE", "flood", 1);
  // Time stands still, so every record after the first falls within one interval.
  platform::ManualClock frozen(1000);
  platform::ScopedClock clock(frozen);
  Batch({Wav("clip.wav")});
  std::vector<int> shown;
  for (const Reply& r : rec_.Replies())
    if (r.status == Qn_MSG_CONVERT_PROCESSING) shown.push_back(LOWORD(r.value));
  ASSERT_GE(shown.size(), 2u) << rec_.Codes();
  EXPECT_LE(shown.size(), 3u) << "the first, the latest, and 100";
  EXPECT_EQ(shown.back(), 100);
  EXPECT_EQ(shown[shown.size() - 2], 99) << "the last record is not lost";
  EXPECT_EQ(rec_.Replies()[rec_.Replies().size() - 2].status, kOk);
}

TEST_F(ManagerTest, AnEncoderListWithoutEndIsNotReadWhole) {
  // A program of its own name, so no list read before stands in for this one.
  const std::string program = root_ + "endless-ffmpeg";
  fs::create_symlink(test::FakeFFmpegPath(), program);
  const std::string counter = root_ + "encoders.count";
  ::setenv("FAKE_FFMPEG_ENCODERS", "endless", 1);
  ::setenv("FAKE_FFMPEG_ENCODERS_LOG", counter.c_str(), 1);
  // A list it could not read whole is no list: every encoder may be there.
  EXPECT_TRUE(HasEncoder(program, "no-such-encoder"));
  ::unsetenv("FAKE_FFMPEG_ENCODERS");
  ::unsetenv("FAKE_FFMPEG_ENCODERS_LOG");
  int mib = -1;
  std::ifstream(counter) >> mib;
  EXPECT_GE(mib, 0);
  EXPECT_LT(mib, 16) << "MiB the program got to print before it was stopped";
}

}  // namespace
}  // namespace mordax
