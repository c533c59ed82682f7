// The numbers and texts a record-and-burn pass plans with: the DVD rate, the chapter lists, the
// work folder names and the authoring XML the DVD author thread writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

#include "disc_jobs.h"
#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/testkit/testkit.h"
#include "record_plan.h"
#include "xml_dom_writer.h"

namespace {

TEST(DvdVideoRate, FillsTheDiscWithinTheDvdLimitsInSignedArithmetic) {
  bool low = true;
  EXPECT_EQ(8000000, wizard::DvdVideoBitRate(wizard::kDvdDefaultCapacity, 70 * 60, &low));
  EXPECT_FALSE(low);
  // Four hours: the formula's 2,120,000 in the low-rate mode.
  EXPECT_EQ(2120000, wizard::DvdVideoBitRate(wizard::kDvdDefaultCapacity, 4 * 3600, &low));
  EXPECT_TRUE(low);
  // A nearly full disc gives a negative rate: the floor, not a wrapped 8,000,000.
  EXPECT_EQ(1150000, wizard::DvdVideoBitRate(1000LL * 2048, 3600, &low));
  EXPECT_TRUE(low);
  EXPECT_EQ(wizard::kDvdDefaultCapacity, wizard::DvdPlanCapacity(false, 5000));
  EXPECT_EQ(wizard::kDvdDefaultCapacity, wizard::DvdPlanCapacity(true, 0));
  EXPECT_EQ(4173824LL * 2048, wizard::DvdPlanCapacity(true, 4173824));
}

TEST(ChapterLists, EveryFiveMinutesStrictlyBeforeTheEnd) {
  EXPECT_EQ("00:00:00.0,00:05:00.0,00:10:00.0", wizard::DvdChapterList(12 * 60));
  EXPECT_EQ("00:00:00.0", wizard::DvdChapterList(300));
  EXPECT_EQ("00:00:00.0,00:05:00.0", wizard::DvdChapterList(305));
  EXPECT_EQ("00:00:00.0", wizard::DvdChapterList(0));
  // Seventy minutes: fourteen chapters, no stub at the very end.
  const std::string seventy = wizard::DvdChapterList(70 * 60);
  EXPECT_EQ(14, std::count(seventy.begin(), seventy.end(), ',') + 1);
  EXPECT_EQ("01:05:00.0", seventy.substr(seventy.rfind(',') + 1));
}

TEST(WorkFolder, ASecondRecordingInTheSameMinuteGetsItsOwnFolder) {
  testkit::Environment env(testkit::CurrentTestName());
  const std::string base = env.Documents() + "Vidarro/";
  std::tm when{};
  when.tm_year = 126, when.tm_mon = 11, when.tm_mday = 9, when.tm_hour = 13, when.tm_min = 5;
  const std::string first = wizard::MakeWorkFolder(base, when);
  const std::string second = wizard::MakeWorkFolder(base, when);
  EXPECT_EQ(base + "20261209_1305/", first);
  EXPECT_EQ(base + "20261209_1305_2/", second);
  EXPECT_TRUE(platform::FolderExists(first));
  EXPECT_TRUE(platform::FolderExists(second));
  EXPECT_EQ("", wizard::MakeWorkFolder("/proc/no-such-place/", when));
  // A file in the folder's place is passed over, never taken for the folder.
  std::ofstream(base + "20261209_1305_3") << "a file";
  EXPECT_EQ(base + "20261209_1305_4/", wizard::MakeWorkFolder(base, when));
  EXPECT_TRUE(wizard::IsUtf8("Vidéos/été"));
  EXPECT_FALSE(wizard::IsUtf8("Vid\xe9os"));
  EXPECT_FALSE(wizard::IsUtf8("\xc3"));
}

// Wizards in two sessions sharing the documents folder, starting in one minute: each gets a
// folder of its own, however closely their starts fall.
TEST(WorkFolder, WizardsStartingTogetherEachGetTheirOwnFolder) {
  testkit::Environment env(testkit::CurrentTestName());
  std::tm when{};
  when.tm_year = 126, when.tm_mon = 11, when.tm_mday = 9, when.tm_hour = 13, when.tm_min = 5;
  constexpr int kWizards = 8;
  for (int round = 0; round < 20; ++round) {
    const std::string base = env.Documents() + "round" + std::to_string(round) + "/";
    std::vector<std::string> folders(kWizards);
    std::atomic<int> ready{0};
    std::vector<std::thread> wizards;
    for (int i = 0; i < kWizards; ++i)
      wizards.emplace_back([&, i] {
        ++ready;
        while (ready.load() < kWizards) std::this_thread::yield();
        folders[i] = wizard::MakeWorkFolder(base, when);
      });
    for (std::thread& t : wizards) t.join();
    std::sort(folders.begin(), folders.end());
    EXPECT_NE("", folders.front()) << "a wizard got no folder";
    EXPECT_EQ(folders.end(), std::adjacent_find(folders.begin(), folders.end())) << "round " << round;
  }
}

TEST(AuthorInfo, TheDocumentIsExactlyAsTheAuthoringLibraryReadsIt) {
  testkit::Environment env(testkit::CurrentTestName());
  // A work folder with the characters XML must escape.
  const std::string work = env.Documents() + "A&B \"<x>\"/";
  ASSERT_TRUE(platform::CreateFolders(work));
  ASSERT_TRUE(wizard::WriteAuthorInfo(work, 12 * 60));
  std::string text;
  ASSERT_TRUE(platform::ReadWholeFile(work + "authorinfo.xml", &text));
  const std::string escaped = env.Documents() + "A&amp;B &quot;&lt;x&gt;&quot;/";
  EXPECT_EQ("<qndvdauthor output=\"" + escaped + "\" jumppad=\"on\"><vmg><fppgc>jump title 1;</fppgc></vmg><vts>" +
                "<title><pgc><vob path=\"" + escaped + "1.mpg\" chapters=\"00:00:00.0,00:05:00.0,00:10:00.0\"/>" +
                "</pgc></title></vts></qndvdauthor>\n",
            text);
  std::string out, err;
  int code = -1;
  ASSERT_TRUE(platform::RunProcess(
      "xmllint", {"--noout", "--relaxng", VIDARRO_AUTHORINFO_SCHEMA, work + "authorinfo.xml"}, &out, &err, &code));
  EXPECT_EQ(0, code) << err;
}

TEST(XmlDomWriter, FailuresSayWhyAndLeaveTheDocumentAsItWas) {
  CXmlDomWriter xml;
  EXPECT_EQ(0, xml.SelectChild("missing"));
  EXPECT_EQ("해당되는 sub 태그를 찾지 못했습니다.", xml.LastError());
  EXPECT_EQ(1, xml.SelectOrAddChild("root", true));
  EXPECT_EQ(0, xml.SetAttribute("", "v"));
  EXPECT_EQ("속성이름을 입력하지 않았음", xml.LastError());
  EXPECT_EQ(0, xml.SetAttribute("a", ""));
  EXPECT_EQ("속성값을 입력하지 않았음", xml.LastError());
  EXPECT_EQ(0, xml.SetText(""));
  EXPECT_EQ("태그text값이 넘어오지 않았음", xml.LastError());
  EXPECT_EQ(1, xml.AddChild("a"));
  EXPECT_EQ(1, xml.AddChild("a"));
  EXPECT_EQ(1, xml.SelectNthChild("a", 2));
  EXPECT_EQ(0, xml.SelectNthChild("a", 1)) << "the cursor is on the second a, which has none";
  EXPECT_EQ(0, xml.Save(""));
  EXPECT_EQ("저장에 실패했습니다", xml.LastError());
  EXPECT_EQ(0, xml.Save("/proc/no-such-place/x.xml"));
}

}  // namespace
