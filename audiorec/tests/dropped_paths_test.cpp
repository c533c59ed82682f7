// Drops on the recordings lists: shortcuts resolved, folders and files by what the list takes,
// and paths that are missing or too long left out.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "audiorec/dropped_paths.h"
#include "platform/testkit/testkit.h"

namespace auvry {
namespace {

namespace fs = std::filesystem;

class DroppedPathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder_);
    std::ofstream(file_) << "RIFF";
  }
  testkit::Environment env_{testkit::CurrentTestName()};
  std::string home_ = env_.Home();
  std::string folder_ = home_ + "My Music";
  std::string file_ = home_ + "My Music/take 1.wma";
};

TEST_F(DroppedPathsTest, ShortcutsLeadToTheirTargets) {
  fs::create_symlink(file_, home_ + "link.wma");
  fs::create_symlink("My Music", home_ + "relative");
  std::string url = "file://" + file_;
  url.replace(url.find(' '), 1, "%20");
  std::ofstream(home_ + "take.desktop") << "[Desktop Entry]\nType=Link\nName=Take\nURL=" << url << "\n";
  std::ofstream(home_ + "app.desktop") << "[Desktop Entry]\nType=Application\nExec=true\n";
  std::ofstream(home_ + "web.desktop") << "[Desktop Entry]\nType=Link\nURL=https://example.org/\n";
  EXPECT_EQ(file_, ResolveShortcut(home_ + "link.wma"));
  EXPECT_EQ(home_ + "My Music", ResolveShortcut(home_ + "relative"));
  EXPECT_EQ(file_, ResolveShortcut(home_ + "take.desktop"));
  EXPECT_EQ(home_ + "app.desktop", ResolveShortcut(home_ + "app.desktop"));
  EXPECT_EQ(home_ + "web.desktop", ResolveShortcut(home_ + "web.desktop"));
  EXPECT_EQ(file_, ResolveShortcut(file_));
}

TEST_F(DroppedPathsTest, TheListTakesOnlyTheKindsItAcceptsAndNothingMissingOrTooLong) {
  fs::create_symlink(folder_, home_ + "folder link");
  const std::string tooLong = home_ + std::string(300, 'x');
  const std::vector<std::string> dropped = {file_, home_ + "folder link", home_ + "gone.wma", tooLong, ""};
  EXPECT_EQ(AcceptedDrops(dropped, kAcceptFiles), (std::vector<DroppedPath>{{file_, kDroppedFile}}));
  EXPECT_EQ(AcceptedDrops(dropped, kAcceptFolders), (std::vector<DroppedPath>{{folder_, kDroppedFolder}}));
  EXPECT_EQ(AcceptedDrops(dropped, kAcceptFiles | kAcceptFolders).size(), 2u);

  HGLOBAL list = platform::ole::BuildDropFiles({home_ + "folder link", file_, tooLong});
  ASSERT_NE(nullptr, list);
  std::vector<DroppedPath> added;
  TakeDroppedFiles(reinterpret_cast<HDROP>(list), kAcceptFiles | kAcceptFolders,
                   [&](const std::string& path, int kind) {
                     added.push_back({path, kind});
                   });
  EXPECT_EQ(added, (std::vector<DroppedPath>{{folder_, kDroppedFolder}, {file_, kDroppedFile}}));
}

TEST(AddFilter, OnlyTheFirstPatternListCountsAndCaseDoesNot) {
  const std::string audio = "Audio files(*.wma,*.wav)|*.wma;*.wav;*.mp3|All files(*.*)|*.*||";
  EXPECT_TRUE(MatchesAddFilter(audio, "/music/a.wma"));
  EXPECT_TRUE(MatchesAddFilter(audio, "/music/B.MP3"));
  EXPECT_TRUE(MatchesAddFilter(audio, "/music/c.Wav"));
  EXPECT_FALSE(MatchesAddFilter(audio, "/music/notes.txt"));  // "All files" is the second list
  EXPECT_FALSE(MatchesAddFilter(audio, "/music/wma"));
  EXPECT_FALSE(MatchesAddFilter(audio, "/music.wma/take"));
  const std::string wma = "files(*.wma)|*.wma||";
  EXPECT_TRUE(MatchesAddFilter(wma, "/music/a.wma"));
  EXPECT_FALSE(MatchesAddFilter(wma, "/music/a.wav"));
  EXPECT_FALSE(MatchesAddFilter(wma, "/music/a.wmav"));
  EXPECT_TRUE(MatchesAddFilter("everything|*.*||", "/music/a"));
  EXPECT_FALSE(MatchesAddFilter("no patterns", "/music/a.wma"));
}

}  // namespace
}  // namespace auvry
