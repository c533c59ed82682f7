// A 305-second low-resolution recording through the author thread's XML and both stand-ins:
// a chapter every five minutes strictly before the end, read back by lsdvd.
#include <gtest/gtest.h>

#include <filesystem>

#include "disc_jobs.h"
#include "dvd_test_streams.h"
#include "platform/base/file.h"
#include "platform/dvd/qn_dvd_author.h"
#include "platform/dvd/qn_mpg_mux.h"
#include "platform/testkit/testkit.h"
#include "record_burn_support.h"

namespace {

TEST(DvdChapters, FiveMinutesAndFiveSecondsGiveTwoChaptersAndFiveMinutesOne) {
  testkit::Environment env(testkit::CurrentTestName());
  const std::string work = env.Documents() + "chapters/";
  ASSERT_TRUE(platform::CreateFolders(work));
  const std::string stem = dvdtest::MakeElementaryPair(work, "DVD_130500", 305.0);
  ASSERT_FALSE(stem.empty());
  qnmpgmux_EndCreateSource();
  ASSERT_EQ(
      1, qnmpgmux((work + "1.mpg").c_str(), (stem + ".mpv").c_str(), (stem + ".mpa").c_str(), 6, 100, 0, nullptr, 1));
  for (const int elapsed : {305, 300}) {
    std::error_code ignored;
    std::filesystem::remove_all(work + "VIDEO_TS", ignored);
    qndvdauthor_EndCreateSource();
    wizard::RunDvdAuthorJob(nullptr, work, elapsed);
    EXPECT_FALSE(platform::FileExists(work + "authorinfo.xml"));
    const wizardtest::DvdReading reading = wizardtest::ReadDvd(work);
    ASSERT_EQ(1u, reading.titles.size()) << qndvdauthor_LastError();
    EXPECT_NEAR(305.0, reading.titles[0].seconds, 0.5);
    EXPECT_EQ(elapsed == 305 ? 2 : 1, reading.titles[0].chapters) << elapsed;
  }
}

}  // namespace
