// The disc project on its own: the limits checked before any work, the size against the medium,
// the chapter lists, and the project file's group.
#include "disc_project.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/base/key_file.h"
#include "platform/testkit/testkit.h"
#include "widgets/project_document.h"

namespace studio::packs {
namespace {

DiscTitle ReadableTitle(const std::string& path, double seconds) {
  std::ofstream(path) << "x";
  DiscTitle title;
  title.path = path;
  title.name = "clip";
  title.seconds = seconds;
  title.bytes = 1;
  title.streams.videoCodec = "mpeg2video";
  title.streams.seconds = seconds;
  return title;
}

DiscTitle Named(const std::string& path, const std::string& name) {
  DiscTitle title;
  title.path = path;
  title.name = name;
  return title;
}

TEST(DiscProjectLimits, EachKindRefusesOneTitleTooManyBeforeAnyWork) {
  testkit::Environment env(testkit::CurrentTestName());
  DiscProject project;
  for (int i = 0; i < 99; ++i) project.titles.push_back(ReadableTitle(env.Temp() + std::to_string(i) + ".mpg", 2));
  for (const DiscFormat kind : {DiscFormat::Dvd, DiscFormat::Bluray}) {
    project.kind = kind;
    EXPECT_EQ(ProjectRefusal(project, 0, true), "") << DiscKindName(kind);
  }
  project.kind = DiscFormat::Vcd;
  EXPECT_EQ(ProjectRefusal(project, 0, true),
            "A Video CD holds at most 98 titles and this disc has 99. Remove 1 and burn again.");
  project.titles.push_back(project.titles.back());
  project.kind = DiscFormat::Dvd;
  EXPECT_EQ(ProjectRefusal(project, 0, true),
            "A DVD-Video holds at most 99 titles and this disc has 100. Remove 1 and burn again.");
  project.kind = DiscFormat::Bluray;
  EXPECT_NE(ProjectRefusal(project, 0, true).find("at most 99"), std::string::npos);
  EXPECT_NE(ProjectRefusal(DiscProject{}, 0, true).find("no titles"), std::string::npos);
}

TEST(DiscProjectLimits, VanishedEmptyAndTooLargeProjectsSayWhatToDo) {
  testkit::Environment env(testkit::CurrentTestName());
  DiscProject project;
  project.titles.push_back(ReadableTitle(env.Temp() + "a.mpg", 600));
  project.titles.push_back(ReadableTitle(env.Temp() + "b.mpg", 600));
  EXPECT_EQ(ProjectRefusal(project, NominalCapacityBytes(DiscFormat::Dvd), true), "");
  // Twenty minutes do not go on a Video CD's 80-minute blank at DVD rates, but as a Video CD they do.
  const std::uint64_t dvdBytes = ProjectDiscBytes(project, true);
  EXPECT_GT(dvdBytes, 800u << 20);
  EXPECT_NE(ProjectRefusal(project, 700u << 20, true).find("the medium holds 700 MB"), std::string::npos);
  project.kind = DiscFormat::Vcd;
  EXPECT_LT(ProjectDiscBytes(project, true), 250u << 20);
  EXPECT_EQ(ProjectRefusal(project, NominalCapacityBytes(DiscFormat::Vcd), true), "");

  project.titles[1].seconds = 0;
  project.titles[1].name = "empty";
  EXPECT_EQ(ProjectRefusal(project, 0, true),
            "The title \"empty\" is 0 seconds long. Remove it from the disc and burn again.");
  project.titles[1] = ReadableTitle(env.Temp() + "gone.mpg", 5);
  project.titles[1].name = "gone";
  std::remove((env.Temp() + "gone.mpg").c_str());
  EXPECT_NE(ProjectRefusal(project, 0, true).find("\"gone\" cannot be found"), std::string::npos);
  DiscTitle edited;
  edited.editedVideo = true;
  project.titles[1] = edited;
  EXPECT_NE(ProjectRefusal(project, 0, true).find("edited video is empty"), std::string::npos);
}

TEST(DiscProjectSize, AFittingDvdFileCountsAsItIsAndOthersAtTheKindsRates) {
  DiscTitle title;
  title.bytes = 123456789;
  title.seconds = 60;
  title.streams = {"mpeg", "mpeg2video", 720, 480, 4.0 / 3, 30000.0 / 1001, "mp2", 48000, 60};
  EXPECT_EQ(TitleDiscBytes(title, DiscFormat::Dvd, true), 123456789u);
  // A PAL disc remakes the NTSC picture: a minute at 6 Mbit/s and 224 kbit/s.
  EXPECT_NEAR(static_cast<double>(TitleDiscBytes(title, DiscFormat::Dvd, false)), 6224000 * 60 * 1.04 / 8, 1);
  EXPECT_NEAR(static_cast<double>(TitleDiscBytes(title, DiscFormat::Vcd, true)), 1374000 * 60 * 1.04 / 8, 1);
  // A Blu-ray keeps an HDV picture and adds LPCM sound; another picture is encoded at its rate.
  title.streams = {"mpegts", "mpeg2video", 1440, 1080, 16.0 / 9, 30000.0 / 1001, "mp2", 48000, 60};
  EXPECT_NEAR(static_cast<double>(TitleDiscBytes(title, DiscFormat::Bluray, true)),
              (123456789 + 1536000.0 * 60 / 8) * 1.04, 1);
  title.editedVideo = true;  // rendered at the disc's rates, whatever its clips were
  EXPECT_LT(TitleDiscBytes(title, DiscFormat::Dvd, true), 123456789u / 2);
  EXPECT_NEAR(static_cast<double>(TitleDiscBytes(title, DiscFormat::Bluray, true)),
              (15000000 + 1536000.0) * 60 / 8 * 1.04, 1);
}

TEST(DiscProjectEditing, MovesStayInsideAndChaptersFallEveryNMinutes) {
  DiscProject project;
  for (const char* name : {"a", "b", "c"}) project.titles.push_back(Named("", name));
  EXPECT_TRUE(MoveTitle(&project, 2, -2));
  EXPECT_FALSE(MoveTitle(&project, 0, -1));
  EXPECT_FALSE(MoveTitle(&project, 2, 1));
  EXPECT_FALSE(MoveTitle(&project, 5, -1));
  EXPECT_EQ(project.titles[0].name + project.titles[1].name + project.titles[2].name, "cab");

  EXPECT_EQ(ChapterList(ChapterMarks(3600, 0)), "0");
  EXPECT_EQ(ChapterList(ChapterMarks(12 * 60, 5)), "0,0:05:00,0:10:00");
  EXPECT_EQ(ChapterList(ChapterMarks(10 * 60, 5)), "0,0:05:00");  // none in a title's last second
  EXPECT_EQ(ChapterList(ChapterMarks(130 * 60, 60)), "0,1:00:00,2:00:00");
  // The edited video's clip boundaries join the minutes; marks closer than a second merge.
  EXPECT_EQ(ChapterList(ChapterMarks(12 * 60, 5, {300.4, 12.5, 0.3, 719.5})), "0,0:00:12.500,0:05:00,0:10:00");
  EXPECT_EQ(ParseChapterTimes("chapter project title times=0,12.5,x,-3,40;"), (std::vector<double>{0, 12.5, 40}));
  EXPECT_TRUE(ParseChapterTimes("chapter project title").empty());
}

TEST(DiscProjectFile, TitlesKindNameAndChaptersSurviveSaveAndReopen) {
  testkit::Environment env(testkit::CurrentTestName());
  DiscProject project;
  project.kind = DiscFormat::Svcd;
  project.name = "Summer \"2026\"\nparty";
  project.chapterMinutes = 7;
  project.titles.push_back(Named(env.Temp() + "gone; b=1.mpg", "x"));
  DiscTitle edited;
  edited.editedVideo = true;
  project.titles.push_back(edited);
  project.titles.push_back(Named(env.Temp() + "second.mpg", "y"));
  // A name of the file's own is not the user's; a path with line breaks stays whole.
  project.titles.push_back(Named(env.Temp() + "two\nlines 100%.mpg", "two\nlines 100%"));

  const std::string path = env.Temp() + "p.ilj5";
  {
    ProjectKeyFile file;
    ASSERT_TRUE(file.Open(path, TRUE));
    file.SelectGroup("Burner");
    auto document = platform::com::MakeComObject<CProjectDocument>(&file);
    SaveDiscProject(document.get(), project);
    ASSERT_TRUE(file.Close());
  }
  ProjectKeyFile file;
  ASSERT_TRUE(file.Open(path, FALSE));
  file.SelectGroup("Burner");
  auto document = platform::com::MakeComObject<CProjectDocument>(&file);
  const DiscProject back = LoadDiscProject(document.get());
  EXPECT_EQ(back.kind, DiscFormat::Svcd);
  EXPECT_EQ(back.name, "Summer \"2026\" party");
  EXPECT_EQ(back.chapterMinutes, 7);
  ASSERT_EQ(back.titles.size(), 4u);
  EXPECT_EQ(back.titles[0].path, env.Temp() + "gone; b=1.mpg");  // kept, so that the burn names it
  EXPECT_EQ(back.titles[0].name, "x");
  EXPECT_TRUE(back.titles[1].editedVideo);
  EXPECT_EQ(back.titles[1].name, "Edited Video");
  EXPECT_EQ(back.titles[2].name, "y");
  EXPECT_EQ(back.titles[3].path, env.Temp() + "two\nlines 100%.mpg");
  EXPECT_EQ(back.titles[3].name, "two\nlines 100%");
  EXPECT_EQ(LoadDiscProject(nullptr).titles.size(), 0u);
}

TEST(DiscProjectText, LengthsAndSizesReadAsPeopleWriteThem) {
  EXPECT_EQ(LengthText(0), "0:00");
  EXPECT_EQ(LengthText(125.4), "2:05");
  EXPECT_EQ(LengthText(3723), "1:02:03");
  EXPECT_EQ(SizeText(700u << 20), "700 MB");
  EXPECT_EQ(SizeText(5u << 19), "2.5 MB");
  EXPECT_EQ(SizeText(200u * 2048), "400 KB");
  EXPECT_EQ(SizeText(NominalCapacityBytes(DiscFormat::Dvd)), "4.4 GB");
}

}  // namespace
}  // namespace studio::packs
