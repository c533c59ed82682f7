#include "converter/device_profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/base/paths.h"

namespace fs = std::filesystem;

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = platform::TempFolder() + "profiles_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = root_ + "/" + name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::string Profile(const std::string& name, int priority, const std::string& extra = "") {
    return "<Narvell MobileEncoder Profile>\r\n[INFO]\r\nPROFILE=" + name +
           "\r\nSORT_PRIORITY=" + std::to_string(priority) + "\r\n" + extra;
  }
  std::string root_;
};

TEST_F(ProfileTest, ReadsPresetsKeysWithoutCaseAndValuesWithoutBlanks) {
  CProfileList list;
  list.ParseFile(Write("a.pfh",
                       "<Narvell MobileEncoder Profile>\n[info]\nprofile =  PSP AVC 480p  \n[CONTAINER]\nFORCE=psp\n"
                       "EXF=.MP4\nH264_BASELINE=30\n[VIDEO]\nCODEC= libx264\nKEYFRAME=12\nPRO_COUNT=2\n"
                       "PRO1=320, 240, 29.97, 768, 0, 1\nPRO2=,,480,272\n[AUDIO]\nCODEC=aac\nAPRO_COUNT=1\n"
                       "APRO1=2,44100,128,0,1\n"));
  ASSERT_EQ(1, list.GetCount());
  const CDeviceProfile* p = list.GetProfile(0);
  EXPECT_EQ("PSP AVC 480p", p->PROFILE);
  EXPECT_EQ("psp", p->FORCE);
  EXPECT_EQ(30, p->H264_BASELINE);
  const CVideoPreset* v = CProfileList::GetVideoPreset(p, 0);
  ASSERT_NE(nullptr, v);
  EXPECT_EQ("libx264", v->codec);
  EXPECT_EQ(320, v->width);
  EXPECT_EQ(240, v->height);
  EXPECT_DOUBLE_EQ(29.97, v->frameRate);
  EXPECT_EQ(768, v->bitrate);
  EXPECT_EQ(1, v->isDefault);
  EXPECT_EQ(12, v->keyFrame);
  // Leading commas are skipped; what is missing reads as 0.
  const CVideoPreset* short_ = CProfileList::GetVideoPreset(p, 1);
  ASSERT_NE(nullptr, short_);
  EXPECT_EQ(480, short_->width);
  EXPECT_EQ(272, short_->height);
  EXPECT_EQ(0, short_->frameRate);
  const CAudioPreset* a = CProfileList::GetAudioPreset(p, 0);
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(2, a->channels);
  EXPECT_EQ(44100, a->sampleRate);
  EXPECT_EQ(128, a->bitrate);
  EXPECT_EQ(nullptr, CProfileList::GetAudioPreset(p, 1));
  EXPECT_EQ(nullptr, CProfileList::GetVideoPreset(nullptr, 0));
  EXPECT_EQ(nullptr, list.GetProfile(1));
}

TEST_F(ProfileTest, CountsAreBelievedOnlyAsFarAsTheirKeysAndTheCap) {
  CProfileList list;
  list.ParseFile(Write("huge.pfh", Profile("Huge", 0,
                                           "[VIDEO]\nPRO_COUNT=2000000000\nPRO1=1,2,3,4,5,6\n"
                                           "[AUDIO]\nAPRO_COUNT=99999\n")));
  std::string many = "[VIDEO]\nPRO_COUNT=1000\n";
  for (int i = 1; i <= 100; ++i) many += "PRO" + std::to_string(i) + "=320,240,25,500,0,0\n";
  list.ParseFile(Write("many.pfh", Profile("Many", 0, many)));
  list.ParseFile(Write("junk.pfh", Profile("Junk", 0, "[VIDEO]\nPRO_COUNT=x\nPRO1=wide,high\n")));
  list.ParseFile(Write("nogroup.pfh", "[INFO]\nPROFILE=Lost\n"));
  list.ParseFile(Write("long.pfh", Profile(std::string(1 << 20, 'L'), 0)));
  list.ParseFile(root_ + "/missing.pfh");
  list.ParseFile("");
  ASSERT_EQ(5, list.GetCount());
  EXPECT_EQ(1u, list.GetProfile(0)->video.size());
  EXPECT_TRUE(list.GetProfile(0)->audio.empty());
  EXPECT_EQ(static_cast<size_t>(CProfileList::kMaxPresets), list.GetProfile(1)->video.size());
  EXPECT_TRUE(list.GetProfile(2)->video.empty());
  EXPECT_EQ("", list.GetProfile(3)->PROFILE);
  EXPECT_EQ(size_t{1} << 20, list.GetProfile(4)->PROFILE.size());
}

TEST_F(ProfileTest, ScansPfhFoldersOnceAndSortsByPriority) {
  Write("three.pfh", Profile("Three", 3));
  Write("one.pfh", Profile("One", 1));
  Write("two.PFH", Profile("Two", 2));
  Write("nested.pfh/inner.pfh", Profile("Inner", 0));
  Write("plain/ignored.pfh", Profile("Ignored", 0));
  Write("notes.txt", Profile("Text", 0));
  // A link back to the folder itself, named like a profile folder.
  fs::create_directory_symlink(root_, root_ + "/loop.pfh");
  CProfileList list;
  list.ScanFolder(root_);
  ASSERT_EQ(1, list.SortAlgorithmSelection(1));
  std::vector<std::string> names;
  for (int i = 0; i < list.GetCount(); ++i) names.push_back(list.GetProfile(i)->PROFILE);
  EXPECT_EQ((std::vector<std::string>{"Inner", "One", "Two", "Three"}), names);
  ASSERT_EQ(1, list.SortAlgorithmSelection(0));
  EXPECT_EQ("Three", list.GetProfile(0)->PROFILE);
  CProfileList empty;
  EXPECT_EQ(0, empty.SortAlgorithmSelection(1));
}

TEST(InstalledProfiles, EveryFamilyHasProfilesWithPresets) {
  for (const char* family : {"PSP", "iPod", "Mobile", "XviD-HD", "WMV-HD"}) {
    CProfileList list;
    list.ScanFolder(std::string(VIDARRO_TEST_SOURCE_DIR) + "/../profile/" + family);
    ASSERT_GT(list.GetCount(), 0) << family;
    for (int i = 0; i < list.GetCount(); ++i) {
      const CDeviceProfile* p = list.GetProfile(i);
      EXPECT_FALSE(p->PROFILE.empty());
      EXPECT_FALSE(p->video.empty()) << p->PROFILE;
      EXPECT_FALSE(p->audio.empty()) << p->PROFILE;
    }
  }
}

}  // namespace
