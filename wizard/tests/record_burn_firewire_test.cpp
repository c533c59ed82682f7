// The Blu-ray record-and-burn page on the machine's own FireWire HDV camcorder (the bus model,
// fed a transport stream that ffmpeg made): recorded, authored, burned, and the image read back
// by bd_info and libbluray.
#include <gtest/gtest.h>

#include <libbluray/bluray.h>

#include <cstdlib>

#include "capture_graphs.h"
#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/tests/firewire_model.h"
#include "record_burn_bd_page.h"
#include "record_burn_support.h"
#include "wizard_ids.h"
#include "wizard_state.h"

namespace {

using namespace testkit;
using namespace wizardtest;
namespace fw = platform::dshow::firewire;
namespace model = platform::dshow::firewire::model;

constexpr std::uint64_t kHdvGuid = 0x0000850000C0FFEEULL;

class RecordBurnFirewire : public BdRoadTest {
 protected:
  void SetUp() override {
    BdRoadTest::SetUp();
    setenv("VIDARRO_SIMULATED", "0", 1);
    platform::dshow::sim::Hardware::Instance().Reload();
    bus_.Add(model::CameraOf(kHdvGuid, "Canon", "HV20", fw::PlugFormat::Mpeg2Ts));
  }
  void TearDown() override {
    BdRoadTest::TearDown();
    setenv("VIDARRO_SIMULATED", "1", 1);
    platform::dshow::sim::Hardware::Instance().Reload();
  }
  // Hands the stream over and moves the clock on until the graph has taken all of it.
  void Play(const std::vector<std::vector<std::uint8_t>>& items) {
    EXPECT_TRUE(bus_.Play(kHdvGuid, items, [this] {
      time_.Advance(34);
      Pump();
    }));
  }
  model::BusModel bus_;
};

TEST_F(RecordBurnFirewire, TheHdvCamcorderOnTheBusBurnsABluRayDiscBdInfoReads) {
  const auto chunks = model::MakeHdvChunks(180);
  ASSERT_EQ(chunks.size(), 180u) << "ffmpeg made no transport stream";
  CWendrelDlg dialog;
  std::string discName;
  WhenDialogShows([&](HWND d) {
    for (int step = 0; step < 4; ++step) ClickButton(d, IDC_NEXT), Pump();
    auto* page = dynamic_cast<CRecordBurnBdPage*>(dialog.GetActivePage());
    ASSERT_NE(page, nullptr);
    time_.Advance(200);
    EXPECT_EQ(3, page->DeviceType());
    EXPECT_EQ(wizard::State().videoDevice, "Canon HV20");
    Play({chunks.begin(), chunks.begin() + 15});  // the program tables read
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    ASSERT_EQ(CRecordBurnBdPage::kRecording, page->GetPhase());
    Play(chunks);
    WritePicture(d, "record_burn_bd_firewire_recording.png");
    discName = wizard::State().discName;
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDYES);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_STOP));
    EXPECT_TRUE(PumpUntilReal(time_, [&] { return boxes_.Count() >= 3; }));
    Pump();
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  ASSERT_EQ(3u, boxes_.Count());
  EXPECT_EQ("Burning complete.", boxes_.Calls()[2].text);

  std::string out, err;
  int code = -1;
  ASSERT_TRUE(platform::RunProcess("bd_info", {WriterImage()}, &out, &err, &code, 60000));
  EXPECT_NE(out.find(discName), std::string::npos) << out;
  EXPECT_NE(out.find("HDMV titles         : 1"), std::string::npos) << out;
  BLURAY* bd = bd_open(WriterImage().c_str(), nullptr);
  ASSERT_NE(bd, nullptr);
  ASSERT_EQ(bd_get_titles(bd, TITLES_ALL, 0), 1u);
  BLURAY_TITLE_INFO* info = bd_get_title_info(bd, 0, 0);
  ASSERT_NE(info, nullptr);
  EXPECT_NEAR(static_cast<double>(info->duration) / 90000.0, 6.0, 1.0);
  ASSERT_GE(info->clip_count, 1u);
  ASSERT_GE(info->clips[0].video_stream_count, 1);
  EXPECT_EQ(info->clips[0].video_streams[0].format, BLURAY_VIDEO_FORMAT_1080I);
  bd_free_title_info(info);
  bd_close(bd);
}

}  // namespace
