#include "burner_pack.h"
#include "editor_pack.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "pack_host.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/disc/drive_set.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/ole/drop_files.h"
#include "platform/ole/global_memory.h"
#include "platform/testkit/driving.h"
#include "platform/testkit/pictures.h"
#include "platform/testkit/simulated_writers.h"
#include "platform/testkit/testkit.h"
#include "platform/window/paint.h"

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

// The window the host hands the main window's state and the pack's messages to.
struct RecordingUi : StudioUi {
  std::vector<BOOL> enables;
  std::vector<std::string> boxes;
  int ShowMessageBox(const std::string& text, UINT) override {
    boxes.push_back(text);
    return IDOK;
  }
  void EnableControls(BOOL enable) override { enables.push_back(enable); }
};

std::string Output(const std::string& program, const std::vector<std::string>& args) {
  std::string out, err;
  int code = -1;
  platform::RunProcess(program, args, &out, &err, &code, 60000);
  return out + err;
}

struct BurnerFixture : ::testing::Test {
  testkit::Environment env{testkit::CurrentTestName()};
  testkit::ManualTime time;
  testkit::RecordingParent parent;
  StudioModel model;
  RecordingUi ui;
  CComPtr<CBurnerPack> burner = platform::com::MakeComObject<CBurnerPack>();
  PackHost* host = new PackHost(kBurnerPackNumber, &model);

  BurnerFixture() {
    model.folders = {env.Home() + "app/", env.Documents(), env.Temp()};
    model.ui = &ui;
    UseWriter("WRITES=CD-R,DVD+R\nMEDIUM=DVD+R\n");  // the machine's writers outlive each test
    burner->SetHost(host);
    RECT area{0, 0, 400, 300};
    burner->CreateWindow(WS_CHILD | WS_VISIBLE, &area, parent.hwnd());
  }
  ~BurnerFixture() override {
    burner->DestroyWindow();
    burner->Uninitialize();
    host->ReleaseOwner();
  }
  std::string Images() { return env.Home() + "discs/"; }
  void UseWriter(const std::string& extra) {
    testkit::UseWriterSections(Images(), "devices.ini", {testkit::WriterSection(Images(), "W", extra)});
  }
  // Runs the burn to its end, pumping the pack's window as the main window's loop would.
  void WaitForEnd() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
    while (burner->Burning() && std::chrono::steady_clock::now() < deadline) {
      testkit::Pump(3);
      time.Advance(100);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    testkit::Pump(5);
  }
  HRESULT RecordAndBurn(const std::string& type, const std::string& file) {
    EXPECT_EQ(burner->Command(kHostSender, ("show option type=" + type + ";ntsc=yes;playtime=60;").c_str()), S_OK);
    burner->Command(kHostSender, ("burning file=" + file + ";").c_str());
    return burner->Command(kHostSender, "EndCapture ok=1");
  }
  // The picture of the Video CD's one sequence as vcdxrip extracts it: "codec,width,height".
  std::string RippedPicture() {
    const std::string rip = env.Temp() + "rip/";
    std::filesystem::create_directories(rip);
    platform::ChildProcess child;
    platform::ChildOptions options;
    options.workFolder = rip;
    if (!child.Start("vcdxrip", {"--cue-file=" + Images() + "W.cue", "--nofiles"}, options)) return "";
    std::string out, err;
    while (child.ReadOutput(&out, &err, 1000)) {
    }
    return Output("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,width,height", "-of", "csv=p=0",
                              rip + "avseq01.mpg"});
  }
  bool WorkFolderLeft() { return std::filesystem::exists(env.Temp() + "Burn"); }
  // Every burn locked the main window once and gave it back once, the last word.
  void ExpectHandedBack() {
    ASSERT_FALSE(ui.enables.empty());
    EXPECT_EQ(ui.enables.front(), FALSE);
    EXPECT_EQ(ui.enables.back(), TRUE);
  }
};

TEST_F(BurnerFixture, ARecordingBurnsAloneAndIsFreeAfterwards) {
  const std::string first = MakeDvdClip(env.Documents() + "DVD_101010.mpg", 2);
  const std::string second = MakeDvdClip(env.Documents() + "DVD_111111_1.mpg", 1);
  ASSERT_FALSE(first.empty() || second.empty());
  EXPECT_EQ(burner->Command(kHostSender, "checkdrive drive=D"), 300000 + 4482);  // a blank DVD+R
  ASSERT_EQ(RecordAndBurn("dvd", first), S_OK);
  EXPECT_EQ(burner->QueryBusy(0), 1);
  // A second recording handed over meanwhile is refused and the window stays locked.
  burner->Command(kHostSender, ("burning file=" + second + ";").c_str());
  EXPECT_EQ(burner->Command(kHostSender, "EndCapture ok=1"), E_FAIL);
  testkit::Pump(5);
  ASSERT_FALSE(ui.boxes.empty());
  EXPECT_EQ(ui.boxes.front(), "A burn is already running. Wait until it ends and burn again.");
  if (burner->Burning()) {
    EXPECT_EQ(ui.enables.back(), FALSE);
  }
  EXPECT_EQ(burner->Command(kHostSender, ("isfilebusy " + first).c_str()), S_OK);
  EXPECT_EQ(burner->Command(kHostSender, ("isfilebusy " + second).c_str()), S_FALSE);
  testkit::WritePicture(burner->Window(), "burner_progress.png");
  WaitForEnd();
  testkit::WritePicture(burner->Window(), "burner_complete.png");
  ASSERT_EQ(burner->LastResult(), 1) << (ui.boxes.empty() ? "" : ui.boxes.back());
  EXPECT_EQ(ui.boxes.back(), "Burning complete.");
  ExpectHandedBack();
  EXPECT_EQ(burner->Command(kHostSender, ("isfilebusy " + first).c_str()), S_FALSE);
  EXPECT_FALSE(WorkFolderLeft());
  const std::string info = Output("lsdvd", {DiscImage()});
  EXPECT_NE(info.find("Title: 01, Length: 00:00:02"), std::string::npos) << info;
  EXPECT_EQ(info.find("Title: 02"), std::string::npos) << info;

  // The second recording, split into parts, goes on a fresh disc of its own.
  platform::disc::SimDrive* drive = platform::disc::MachineDrives().front().get();
  drive->Blank();
  ui.enables.clear();
  ASSERT_EQ(RecordAndBurn("longdvd", env.Documents() + "DVD_111111.mpg"), S_OK);
  EXPECT_EQ(burner->Command(kHostSender, ("isfilebusy " + first).c_str()), S_FALSE);
  WaitForEnd();
  ASSERT_EQ(burner->LastResult(), 1) << ui.boxes.back();
  ExpectHandedBack();
  const std::string again = Output("lsdvd", {DiscImage()});
  EXPECT_NE(again.find("Title: 01, Length: 00:00:01"), std::string::npos) << again;
  EXPECT_EQ(again.find("Title: 02"), std::string::npos) << again;
  EXPECT_TRUE(burner->BurnList().empty());  // recordings never join the burn list
}

TEST_F(BurnerFixture, VideoCdsAreAuthoredAndReadBack) {
  UseWriter("WRITES=CD-R\nMEDIUM=CD-R\n");
  // A DVD recording is encoded for the Video CD; the name reaches the tools as it is.
  const std::string odd = env.Documents() + "-odd \"name\"\nwith a line.mpg";
  ASSERT_FALSE(MakeDvdClip(odd, 2).empty());
  EXPECT_GT(burner->Command(kHostSender, "checkdrive drive=D"), 100000);
  ASSERT_EQ(RecordAndBurn("vcd", odd), S_OK);
  WaitForEnd();
  ASSERT_EQ(burner->LastResult(), 1) << ui.boxes.back();
  ExpectHandedBack();
  const std::string cue = Images() + "W.cue";
  const std::string info = Output("vcd-info", {"--no-banner", "--cue-file", cue});
  EXPECT_NE(info.find("2: "), std::string::npos) << info;  // the data track and one sequence
  EXPECT_EQ(info.find("3: "), std::string::npos) << info;
  const std::string probe = RippedPicture();
  EXPECT_NE(probe.find("mpeg1video,352,240"), std::string::npos) << probe;
  EXPECT_TRUE(std::filesystem::exists(odd));
}

TEST_F(BurnerFixture, ASuperVideoCdIsMpeg2AtItsOwnSize) {
  UseWriter("WRITES=CD-R\nMEDIUM=CD-R\n");
  const std::string clip = MakeDvdClip(env.Documents() + "SVCD_090000.mpg", 2);
  ASSERT_FALSE(clip.empty());
  burner->Command(kHostSender, "show option type=svcd;ntsc=no;");
  burner->Command(kHostSender, ("burning file=" + clip + ";").c_str());
  ASSERT_EQ(burner->Command(kHostSender, "EndCapture ok=1"), S_OK);
  WaitForEnd();
  ASSERT_EQ(burner->LastResult(), 1) << ui.boxes.back();
  const std::string probe = RippedPicture();
  EXPECT_NE(probe.find("mpeg2video,480,576"), std::string::npos) << probe;
}

TEST_F(BurnerFixture, FailuresSayWhyAndHandTheWindowBack) {
  const std::string clip = MakeDvdClip(env.Documents() + "DVD_130000.mpg", 2);
  ASSERT_FALSE(clip.empty());
  // A disc too small: refused before any work.
  UseWriter("WRITES=DVD+R\nMEDIUM=DVD+R\nCAPACITY=200\n");
  EXPECT_EQ(RecordAndBurn("dvd", clip), E_FAIL);
  EXPECT_FALSE(burner->Burning());
  testkit::Pump(5);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_NE(ui.boxes.back().find("too small"), std::string::npos) << ui.boxes.back();
  ExpectHandedBack();
  EXPECT_FALSE(WorkFolderLeft());

  // A write error at a block.
  UseWriter("WRITES=DVD+R\nMEDIUM=DVD+R\nWRITEERROR=40:3:0C:00\n");
  ui.enables.clear();
  ASSERT_EQ(RecordAndBurn("dvd", clip), S_OK);
  WaitForEnd();
  EXPECT_EQ(burner->LastResult(), -1);
  EXPECT_NE(ui.boxes.back().find("failed at block 40"), std::string::npos) << ui.boxes.back();
  ExpectHandedBack();
  EXPECT_FALSE(WorkFolderLeft());

  // Cancel while writing, on a slow writer.
  UseWriter("WRITES=DVD+R\nMEDIUM=DVD+R\nPACE=50\n");
  ui.enables.clear();
  ASSERT_EQ(RecordAndBurn("dvd", clip), S_OK);
  // The window's thread only shows the burn: a repaint of the whole window stays quick throughout.
  std::chrono::steady_clock::duration slowest{};
  for (int i = 0; i < 20000 && burner->Burning(); ++i) {
    const auto before = std::chrono::steady_clock::now();
    RedrawWindow(parent.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    slowest = std::max(slowest, std::chrono::steady_clock::now() - before);
    testkit::Pump(2);
    if (testkit::ControlText(burner->Window(), BurnView::kPhaseId).rfind("Writing", 0) == 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_LT(slowest, std::chrono::milliseconds(100));
  testkit::WritePicture(burner->Window(), "burner_writing.png");
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kCancelId));
  WaitForEnd();
  EXPECT_EQ(ui.boxes.back().rfind("Burning was cancelled while the disc was being written.", 0), 0u);
  ExpectHandedBack();
  EXPECT_FALSE(WorkFolderLeft());

  // A recording that vanished before its burn.
  ui.enables.clear();
  EXPECT_EQ(RecordAndBurn("dvd", env.Documents() + "DVD_gone.mpg"), E_FAIL);
  testkit::Pump(5);
  EXPECT_NE(ui.boxes.back().find("cannot be found"), std::string::npos) << ui.boxes.back();
  ExpectHandedBack();
  EXPECT_TRUE(std::filesystem::exists(clip));
}

TEST_F(BurnerFixture, CancelWhileEncodingLeavesTheDiscBlank) {
  UseWriter("WRITES=CD-R\nMEDIUM=CD-R\n");
  const std::string clip = MakeDvdClip(env.Documents() + "DVD_140000.mpg", 2);
  ASSERT_FALSE(clip.empty());
  const HRESULT blank = burner->Command(kHostSender, "checkdrive drive=D");
  ASSERT_EQ(RecordAndBurn("vcd", clip), S_OK);
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kPhaseId).rfind("Encoding", 0), 0u);
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kCancelId));
  WaitForEnd();
  EXPECT_EQ(ui.boxes.back(), "Burning was cancelled.");
  ExpectHandedBack();
  EXPECT_FALSE(WorkFolderLeft());
  EXPECT_EQ(burner->Command(kHostSender, "checkdrive drive=D"), blank);
  EXPECT_TRUE(std::filesystem::exists(clip));
}

TEST_F(BurnerFixture, NothingToBurnAndOddTexts) {
  EXPECT_EQ(burner->Command(kHostSender, "EndCapture ok=1"), E_FAIL);
  EXPECT_EQ(burner->Command(kHostSender, "EndCapture ok=0"), S_OK);
  EXPECT_EQ(burner->Command(kHostSender, "show option type=wmv;"), E_FAIL);
  for (const char* odd :
       {"", ";", "burning file=", "checkdrive", "checkdrive drive=Q", "show option type=dvd;ntsc=no;", "disclock"})
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
  const std::string listed = MakeDvdClip(env.Documents() + "DVD_120000.mpg", 1);
  ASSERT_FALSE(edited.empty() || listed.empty());
  editor->Command(kHostSender, ("add file " + edited).c_str());
  // The editor reads the clip behind its window and tells its title once it is read.
  const auto read = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!burner->HasProjectTitle() && std::chrono::steady_clock::now() < read) {
    testkit::Pump(3);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(burner->HasProjectTitle());  // the host passed the editor's title on
  HGLOBAL drop = platform::ole::BuildDropFiles({listed});
  burner->DropData(drop);
  GlobalFree(drop);
  ASSERT_EQ(burner->Command(kHostSender, "burn"), S_OK);
  EXPECT_TRUE(editor->Rendering());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
  while (burner->Burning() && std::chrono::steady_clock::now() < deadline) {
    time.Advance(250);
    testkit::Pump(3);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(burner->LastResult(), 1) << (ui.boxes.empty() ? "" : ui.boxes.back());
  const std::string info = Output("lsdvd", {DiscImage()});
  EXPECT_NE(info.find("Title: 01, Length: 00:00:02"), std::string::npos) << info;
  EXPECT_NE(info.find("Title: 02, Length: 00:00:01"), std::string::npos) << info;
  editor->DestroyWindow();
  editor->Uninitialize();
  model.editor = nullptr;
  editorHost->ReleaseOwner();
}

// Runs a job to its end without a window: the engine's own state is polled.
BurnEnd RunJob(BurnJob job, std::string* message) {
  BurnEngine engine(nullptr);
  if (!engine.Start(std::move(job), message)) return BurnEnd::Failed;
  for (int i = 0; i < 24000 && engine.Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  engine.Join();
  *message = engine.Message();
  return engine.End();
}

TEST(BurnEngineImage, DvdVideoBecomesAnIsoAndAVideoCdABinCuePair) {
  testkit::Environment env{testkit::CurrentTestName()};
  const std::string clip = MakeDvdClip(env.Documents() + "DVD_160000.mpg", 2);
  ASSERT_FALSE(clip.empty());
  const std::string out = env.Temp() + "images/";
  std::filesystem::create_directories(out);
  BurnJob job;
  job.titles = {{clip}};
  job.discName = "HOLIDAY";
  job.workFolder = env.Temp() + "Burn/";
  job.imageFile = out + "disc.iso";
  std::string message;
  ASSERT_EQ(RunJob(job, &message), BurnEnd::Burned) << message;
  const std::string dvd = Output("lsdvd", {out + "disc.iso"});
  EXPECT_NE(dvd.find("Title: 01, Length: 00:00:02"), std::string::npos) << dvd;

  job.format = DiscFormat::Vcd;
  job.imageFile = out + "video cd.cue";
  ASSERT_EQ(RunJob(job, &message), BurnEnd::Burned) << message;
  const std::string vcd = Output("vcd-info", {"--no-banner", "--cue-file", out + "video cd.cue"});
  EXPECT_NE(vcd.find("2: 00:08:00"), std::string::npos) << vcd;
  EXPECT_FALSE(std::filesystem::exists(job.workFolder));

  job.imageFile = env.Temp() + "no such folder/disc.cue";
  EXPECT_EQ(RunJob(job, &message), BurnEnd::Failed);
  EXPECT_NE(message.find("does not exist"), std::string::npos) << message;
}

TEST(DiscEncodeSettings, ADvdRecordingFitsDvdOnlyAndOddNamesStayWhole) {
  testkit::Environment env{testkit::CurrentTestName()};
  const std::string clip = MakeDvdClip(env.Documents() + "DVD_150000.mpg", 1);
  ClipStreams streams;
  ASSERT_TRUE(ProbeClipStreams(clip, &streams));
  EXPECT_EQ(streams.videoCodec, "mpeg2video");
  EXPECT_EQ(streams.width, 720);
  EXPECT_EQ(streams.height, 480);
  EXPECT_NEAR(streams.seconds, 1.0, 0.2);
  EXPECT_TRUE(StreamsFitDisc(streams, DiscFormat::Dvd, true));
  EXPECT_TRUE(StreamsFitDisc(streams, DiscFormat::LongDvd, true));
  EXPECT_FALSE(StreamsFitDisc(streams, DiscFormat::Dvd, false));  // a PAL disc
  EXPECT_FALSE(StreamsFitDisc(streams, DiscFormat::Vcd, true));
  EXPECT_FALSE(StreamsFitDisc(streams, DiscFormat::Svcd, true));
  EXPECT_FALSE(ProbeClipStreams(env.Documents() + "missing.mpg", &streams));

  const std::string odd = "-x \"a:b\"\n.mpg";
  const auto args = EncodeArguments(DiscFormat::Vcd, true, false, odd, "/w/title1.mpg");
  EXPECT_NE(std::find(args.begin(), args.end(), "file:" + odd), args.end());
  EXPECT_EQ(args.back(), "file:/w/title1.mpg");
  EXPECT_EQ(EncodeSettingsFor(*DiscFormatNamed("svcd")).width, 480);
  EXPECT_FALSE(DiscFormatNamed("wmv"));
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
