#include "burner_pack.h"
#include "editor_pack.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "pack_host.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/testkit/testkit.h"

namespace studio::packs {
namespace {

std::string MakeDvdClip(const std::string& path, int seconds) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg",
                       {"-v", "error", "-y", "-f", "lavfi", "-i",
                        "testsrc=size=720x480:rate=30000/1001:duration=" + std::to_string(seconds), "-f", "lavfi", "-i",
                        "sine=frequency=440:sample_rate=48000:duration=" + std::to_string(seconds), "-target",
                        "ntsc-dvd", "-b:v", "1500k", path},
                       &out, &err, &code, 60000);
  return code == 0 ? path : std::string();
}

// The image behind the first writer, as its name tells ("D: name (image)").
std::string DiscImage() {
  CQnDataCDDVD writer;
  writer.Initialize();
  writer.SetBurnMode(0);
  const std::string name = writer.GetDriveCount() ? writer.GetDriveName(0) : "";
  writer.Uninitialize();
  const size_t open = name.rfind('(');
  return open == std::string::npos ? std::string() : name.substr(open + 1, name.size() - open - 2);
}

struct BurnerFixture : ::testing::Test {
  testkit::Environment env{testkit::CurrentTestName()};
  testkit::ManualTime time;
  testkit::RecordingParent parent;
  StudioModel model;
  CComPtr<CBurnerPack> burner = platform::com::MakeComObject<CBurnerPack>();
  PackHost* host = new PackHost(kBurnerPackNumber, &model);

  BurnerFixture() {
    model.folders = {env.Home() + "app/", env.Documents(), env.Temp()};
    burner->SetHost(host);
    RECT area{0, 0, 400, 300};
    burner->CreateWindow(WS_CHILD | WS_VISIBLE, &area, parent.hwnd());
  }
  ~BurnerFixture() override {
    burner->DestroyWindow();
    burner->Uninitialize();
    host->ReleaseOwner();
  }
};

TEST_F(BurnerFixture, TwoRecordingsBurnAsDvdVideoTitles) {
  const std::string a = MakeDvdClip(env.Documents() + "DVD_101010.mpg", 2);
  const std::string part = MakeDvdClip(env.Documents() + "DVD_111111_1.mpg", 1);
  ASSERT_FALSE(a.empty() || part.empty());
  EXPECT_EQ(burner->Command(kHostSender, "checkdrive drive=D"), 300000 + 4482);  // a blank DVD+R
  EXPECT_EQ(burner->Command(kHostSender, ("burning file=" + a + ";").c_str()), S_OK);
  // A recording split into parts is named by its first name.
  burner->Command(kHostSender, ("burning file=" + env.Documents() + "DVD_111111.mpg;").c_str());
  ASSERT_EQ(burner->BurnList(), (std::vector<std::string>{a, part}));
  EXPECT_EQ(burner->Command(kHostSender, ("isfilebusy " + part).c_str()), S_OK);
  ASSERT_EQ(burner->Command(kHostSender, "EndCapture ok=1"), S_OK);
  EXPECT_EQ(burner->QueryBusy(0), 1);
  for (int i = 0; i < 6000 && burner->Burning(); ++i) {
    time.Advance(CBurnerPack::kBurnMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(burner->LastResult(), 1);
  const std::string image = DiscImage();
  ASSERT_FALSE(image.empty());
  std::string info, err;
  int code = -1;
  platform::RunProcess("lsdvd", {image}, &info, &err, &code, 30000);
  EXPECT_NE(info.find("Title: 01, Length: 00:00:02"), std::string::npos) << info << err;
  EXPECT_NE(info.find("Title: 02, Length: 00:00:01"), std::string::npos) << info;
  EXPECT_EQ(burner->Command(kHostSender, "checkdrive drive=D"), 0);  // finalized
}

TEST_F(BurnerFixture, NothingToBurnAndOddTexts) {
  EXPECT_EQ(burner->Command(kHostSender, "EndCapture ok=1"), E_FAIL);
  EXPECT_EQ(burner->Command(kHostSender, "EndCapture ok=0"), S_OK);
  burner->Command(kHostSender, "burning file=/no/such/recording.mpg;");
  EXPECT_TRUE(burner->BurnList().empty());
  for (const char* odd :
       {"", ";", "burning file=", "checkdrive", "checkdrive drive=Q", "show option type=dvd;ntsc=no;"})
    EXPECT_GE(burner->Command(kHostSender, odd), S_OK) << odd;
  EXPECT_EQ(burner->Command(nullptr, "reset"), E_POINTER);
}

TEST_F(BurnerFixture, TheEditedVideoIsRenderedThroughTheHostAndBurnedFirst) {
  auto editor = platform::com::MakeComObject<CEditorPack>();
  PackHost* editorHost = new PackHost(kEditorPackNumber, &model);
  model.editor = editor.get();
  model.burner = burner.get();
  editor->SetHost(editorHost);
  RECT area{0, 0, 400, 300};
  editor->CreateWindow(WS_CHILD, &area, parent.hwnd());
  const std::string edited = MakeDvdClip(env.Documents() + "holiday.mpg", 2);
  const std::string recording = MakeDvdClip(env.Documents() + "DVD_120000.mpg", 1);
  ASSERT_FALSE(edited.empty() || recording.empty());
  editor->Command(kHostSender, ("add file " + edited).c_str());
  EXPECT_TRUE(burner->HasProjectTitle());  // the host passed the editor's title on
  burner->Command(kHostSender, ("burning file=" + recording + ";").c_str());
  ASSERT_EQ(burner->Command(kHostSender, "EndCapture ok=1"), S_OK);
  EXPECT_TRUE(editor->Rendering());
  for (int i = 0; i < 6000 && burner->Burning(); ++i) {
    time.Advance(CBurnerPack::kBurnMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(burner->LastResult(), 1);
  std::string info, err;
  int code = -1;
  platform::RunProcess("lsdvd", {DiscImage()}, &info, &err, &code, 30000);
  EXPECT_NE(info.find("Title: 01, Length: 00:00:02"), std::string::npos) << info << err;
  EXPECT_NE(info.find("Title: 02, Length: 00:00:01"), std::string::npos) << info;
  editor->DestroyWindow();
  editor->Uninitialize();
  model.editor = nullptr;
  editorHost->ReleaseOwner();
}

TEST(DriveCheckCode, KindDecidesTheHundredThousands) {
  EXPECT_EQ(DriveCheckCode(0, 1000), 0);
  EXPECT_EQ(DriveCheckCode(2, 512), 100001);
  EXPECT_EQ(DriveCheckCode(10, 1024), 200002);
  EXPECT_EQ(DriveCheckCode(11, 0), 0);
  EXPECT_EQ(DriveCheckCode(6, 5000), 0);  // a pressed DVD
}

}  // namespace
}  // namespace studio::packs
