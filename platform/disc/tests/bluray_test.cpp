// A BDMV folder authored by the suite's Blu-ray library, burned as UDF to a simulated BD-R and
// read back from the image by libbluray's bd_info.
#include <gtest/gtest.h>
#include <libbluray/bluray.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "bdauthor/tarnel_job.h"
#include "bdauthor/tests/job_fixture.h"
#include "disc_test_support.h"
#include "platform/base/message_box.h"
#include "platform/base/process.h"
#include "platform/disc/qn_data_cd_dvd.h"

using namespace platform::disc;

namespace {

std::atomic<int> calls{0}, lastStatus{-1};
void OnEnd(int status, void*) {
  lastStatus = status;
  ++calls;
}

TEST(BluRay, AuthoredBdmvBurnsToBdRAndReadsWithBdInfo) {
  disctest::UseDevices(disctest::Writer("BD", "WRITES=DVD+R,BD-R,BD-RE\nMEDIUM=BD-R\n") +
                       disctest::Writer("DVD", "WRITES=DVD+R\nMEDIUM=DVD+R\n"));
  bdauthor::test::WorkFolder work("disc-bd");
  const std::string command =
      "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=720x576:rate=25 -f lavfi -i "
      "sine=frequency=440:sample_rate=48000 -t 3 -c:v mpeg2video -b:v 3M -g 12 -aspect 4:3 -c:a pcm_bluray -ac 2 "
      "-ar 48000 -f mpegts -mpegts_m2ts_mode 1 -muxrate 8M " +
      work.ClipPath(0);
  ASSERT_EQ(std::system(command.c_str()), 0);
  work.WriteJob(1, {"0"});
  platform::MessageBoxRecorder recorder;
  bdauthor::TarnelJob job;
  ASSERT_TRUE(job.Run(work.ConfigPath())) << (recorder.Count() ? recorder.Last().text : "");

  CQnDataCDDVD writer;
  writer.Initialize();
  writer.SetBurnMode(8);
  ASSERT_EQ(writer.GetDriveCount(), 1);
  writer.ChooseDrive(0);
  ASSERT_EQ(writer.GetDiscType(), kBdR);
  writer.Free();
  writer.SetDiscLabel("VIDARRO_BD");
  writer.SetFinalizeDisc(1);
  writer.Ready();
  std::string folder = work.Path();
  folder.pop_back();
  ASSERT_EQ(writer.StartBurnFolderInUDF(folder.c_str(), &OnEnd, nullptr), 1);
  for (int i = 0; i < 6000 && calls == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(calls.load(), 1);
  ASSERT_EQ(lastStatus.load(), 0) << std::hex << writer.GetErrorCode();

  std::string out, err;
  int code = -1;
  ASSERT_TRUE(platform::RunProcess("bd_info", {disctest::ImageFolder() + "BD.img"}, &out, &err, &code, 60000));
  EXPECT_EQ(code, 0) << out << err;
  EXPECT_NE(out.find("VIDARRO_BD"), std::string::npos) << out;
  EXPECT_NE(out.find("HDMV titles         : 1"), std::string::npos) << out;

  // The title's length, from the image through the library itself.
  BLURAY* bd = bd_open((disctest::ImageFolder() + "BD.img").c_str(), nullptr);
  ASSERT_NE(bd, nullptr);
  ASSERT_EQ(bd_get_titles(bd, TITLES_ALL, 0), 1u);
  BLURAY_TITLE_INFO* info = bd_get_title_info(bd, 0, 0);
  ASSERT_NE(info, nullptr);
  const double seconds = static_cast<double>(info->duration) / 90000.0;
  EXPECT_NEAR(seconds, 3.0, 0.5);
  bd_free_title_info(info);
  bd_close(bd);
}

}  // namespace
