#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "device_copy.h"
#include "platform/testkit/testkit.h"
#include "publish_rules.h"

#include "platform/base/process.h"

namespace studio {
namespace {

ClipItem Media(const std::string& path) {
  ClipItem clip;
  clip.path = path;
  clip.name = path.substr(path.rfind('/') + 1);
  return clip;
}

ClipItem Title() {
  ClipItem clip;
  clip.type = kClipProjectTitle;
  clip.path = "/home/u/.local/share/Vidarro/Temp/Edit/Project0.bmp";
  clip.extension = "NULL";
  return clip;
}

std::string ReadAll(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

TEST(ConverterRender, SizeAndBitRateFollowTheRequest) {
  struct Case {
    int width, height, wantWidth, wantHeight, wantRate;
  };
  const Case cases[] = {
      {0, 0, 352, 240, 2000000},     {1920, 1080, 1024, 720, 8000000},
      {640, 500, 640, 496, 6000000}, {640, 480, 640, 480, 4000000},
      {720, 576, 720, 576, 6000000}, {720, 480, 720, 480, 6000000},
      {352, 288, 352, 288, 2000000}, {65535, 65535, 1024, 720, 8000000},
      {1, 1, 16, 16, 2000000},  // tiny sides would give an empty picture
      {8, 15, 16, 16, 2000000},
  };
  for (const Case& c : cases) {
    const RenderSettings s = ConverterRenderSettings(MAKELONG(c.width, c.height));
    EXPECT_EQ(s.width, c.wantWidth) << c.width << "x" << c.height;
    EXPECT_EQ(s.height, c.wantHeight) << c.width << "x" << c.height;
    EXPECT_EQ(s.bitrate, c.wantRate) << c.width << "x" << c.height;
  }
  EXPECT_EQ(ConverterRenderCommand(ConverterRenderSettings(0), "/o/Temp/Convert.mpg"),
            "encode project title type=mpeg1;ntsc=1;width=352;height=240;bitrate=2000000;framerate=3;wide=0;"
            "audiotype=0;audiobitrate=224000;path=/o/Temp/Convert.mpg");
  EXPECT_EQ(UploaderRenderCommand("/o/Temp/Upload.mpg"),
            "encode project title type=mpeg1;ntsc=1;width=640;height=480;bitrate=4000000;framerate=3;wide=0;"
            "audiotype=0;audiobitrate=224000;path=/o/Temp/Upload.mpg");
  EXPECT_EQ(RenderFolder("/o"), "/o/Temp/");
  EXPECT_EQ(RenderFolder("/o/"), "/o/Temp/");
}

TEST(ConverterList, OneLinePerSelectedClipInListOrder) {
  const std::vector<ClipItem> selected = {Title(), Media("/v/a b.mpg"), Media("/v/c,d;e.avi")};
  EXPECT_EQ(ConverterFileListText(selected, "Edited Video", 65000),
            "[Edit] file=\"Edited Video\";time=65000\n/v/a b.mpg\n/v/c,d;e.avi\n");
  // A line break would make two entries of one path: such a path goes coded, and so does one
  // that looks coded itself.
  EXPECT_EQ(
      ConverterFileListText({Media("/v/two\nlines.mpg"), Media("/v/ok.mpg"), Media("[Coded] 100%")}, "Edited Video", 0),
      "[Coded] /v/two%0Alines.mpg\n/v/ok.mpg\n[Coded] [Coded] 100%25\n");
  EXPECT_EQ(ConverterFileListText({}, "Edited Video", 0), "");
  EXPECT_EQ(ConverterParameters("/t/filelist.tmp", kPspOption), "/t/filelist.tmp /PSP");
  EXPECT_EQ(ConverterParameters("/t/filelist.tmp", kIpodOption), "/t/filelist.tmp /IPOD_IPHONE");
}

TEST(ConverterList, WrittenPrivatelyAndNeverThroughALink) {
  testkit::Environment env(testkit::CurrentTestName());
  const std::string path = env.Temp() + "filelist.tmp";
  ::mkdir(env.Temp().c_str(), 0700);
  ASSERT_TRUE(WriteConverterFileList(path, "/v/a.mpg\n"));
  EXPECT_EQ(ReadAll(path), "/v/a.mpg\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_TRUE(WriteConverterFileList(path, "/v/b.mpg\n"));
  EXPECT_EQ(ReadAll(path), "/v/b.mpg\n");  // rewritten at every publish

  const std::string victim = env.Home() + "victim.txt";
  std::ofstream(victim) << "keep";
  ::unlink(path.c_str());
  ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);
  EXPECT_FALSE(WriteConverterFileList(path, "/v/c.mpg\n"));
  EXPECT_EQ(ReadAll(victim), "keep");
}

TEST(UploaderCommandLine, TakenFromTheFirstSelectedClip) {
  EXPECT_EQ(MakeUploaderCommandLine({Title(), Media("/v/a.mpg")}, "Edited Video"), "[Edit] file=Edited Video");
  EXPECT_EQ(MakeUploaderCommandLine({Media("/v/a b.mpg"), Title()}, "Edited Video"), "/v/a b.mpg");
  EXPECT_EQ(MakeUploaderCommandLine({}, "Edited Video"), "");
  // What the uploader's start makes of the parameters is the path itself.
  for (const std::string path : {"/v/tab\there.mpg", "/v/two  spaces \"q\".mpg", "/v/line\nbreak.mpg", "-dash.mpg"}) {
    std::string joined;
    for (const std::string& part : platform::SplitCommandLine(MakeUploaderCommandLine({Media(path)}, "Edited Video")))
      joined += (joined.empty() ? "" : " ") + part;
    EXPECT_EQ(joined, path);
  }
}

std::vector<std::string> Entries(const std::string& list) {
  std::vector<std::string> entries;
  size_t at = 0;
  while (at < list.size() && list[at] != '\0') {
    const size_t end = list.find('\0', at);
    entries.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  EXPECT_EQ(at + 1, list.size()) << "the list ends with one more NUL";
  return entries;
}

TEST(DeviceCopyLists, EveryMediaClipOnceAndTheTitleLeftOut) {
  const DeviceCopyLists lists = BuildDeviceCopyLists({Title(), Media("/v/a.mpg"), Media("/v/b.png")}, "/media/box/");
  EXPECT_EQ(lists.count, 2);
  EXPECT_EQ(Entries(lists.sources), (std::vector<std::string>{"/v/a.mpg", "/v/b.png"}));
  EXPECT_EQ(Entries(lists.targets), (std::vector<std::string>{"/media/box/", "/media/box/"}));

  const DeviceCopyLists none = BuildDeviceCopyLists({}, "/media/box/");
  EXPECT_EQ(none.count, 0);
  EXPECT_EQ(none.sources, std::string(1, '\0'));

  // Far more than a fixed budget of 78000 bytes: every path whole.
  std::vector<ClipItem> many;
  for (int i = 0; i < 400; ++i) many.push_back(Media("/v/" + std::string(300, 'a' + i % 26) + std::to_string(i)));
  const DeviceCopyLists big = BuildDeviceCopyLists(many, "/m/");
  EXPECT_EQ(big.count, 400);
  const std::vector<std::string> sources = Entries(big.sources);
  ASSERT_EQ(sources.size(), 400u);
  EXPECT_EQ(sources.back(), many.back().path);
  EXPECT_GT(big.sources.size(), 78000u);

  std::string list;
  size_t offset = AppendToFileList(list, 0, "ab");
  offset = AppendToFileList(list, offset, "c");
  EXPECT_EQ(offset, 5u);
  EXPECT_EQ(list, std::string("ab\0c\0", 5));
}

}  // namespace
}  // namespace studio
