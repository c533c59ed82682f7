#include "burner_pack.h"
#include "disc_target.h"
#include "writer_reader.h"
#include "dvd_nav_reader.h"
#include "editor_pack.h"

#include <sys/stat.h>

#include <chrono>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <gtest/gtest.h>
#include <thread>

#include "pack_host.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/disc/drive_set.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/ole/drop_files.h"
#include "platform/ole/global_memory.h"
#include "platform/script/user_actions.h"
#include "platform/testkit/driving.h"
#include "platform/testkit/pictures.h"
#include "platform/testkit/simulated_writers.h"
#include "platform/testkit/testkit.h"
#include "platform/window/dialog.h"
#include "platform/window/paint.h"
#include "platform/base/key_file.h"
#include "widgets/project_document.h"
#include "bluray_reader.h"
#include "script_support.h"

namespace studio::packs {
namespace {

// The burner's own work folders left in `folder`.
int WorkFoldersIn(const std::string& folder) {
  int found = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.path().filename().string().rfind("Vidarro", 0) == 0) ++found;
  return found;
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
  // `name` apart from the writer replaced when the pack may still hold that one's drive: its next
  // look would make its disc anew under the name they share.
  void UseWriter(const std::string& extra, const std::string& name = "W") {
    WaitForWriters();  // a reading of the drive replaced would make its disc anew
    testkit::UseWriterSections(Images(), "devices.ini", {testkit::WriterSection(Images(), name, extra)});
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
  // Lets the pack take the writers it reads behind its window, as the main window's loop would.
  void WaitForWriters() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (burner->ReadingWriters() && std::chrono::steady_clock::now() < deadline) {
      testkit::Pump(2);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
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
    return ToolOutput("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,width,height", "-of", "csv=p=0",
                                  rip + "avseq01.mpg"});
  }
  bool WorkFolderLeft() { return WorkFoldersIn(env.Temp()) > 0; }
  // Every burn locked the main window once and gave it back once, the last word.
  void ExpectHandedBack() {
    ASSERT_FALSE(ui.enables.empty());
    EXPECT_EQ(ui.enables.front(), FALSE);
    EXPECT_EQ(ui.enables.back(), TRUE);
  }
};

std::string Describe(const DvdNavigation& nav) {
  std::string text = "first play " + nav.firstPlay.raw + "\n";
  for (size_t p = 0; p < nav.menuPages.size(); ++p)
    for (const NavButton& b : nav.menuPages[p])
      text += "page " + std::to_string(p + 1) + " button " + b.jump.raw + " -> " + std::to_string(b.jump.kind) + ":" +
              std::to_string(b.jump.target) + "\n";
  for (const NavJump& end : nav.titleEnds) text += "title end " + end.raw + "\n";
  return text;
}

// Drops files on the Burn step as the main window passes them on, and lets the pack read them
// as its window's loop would.
void DropOn(CBurnerPack* burner, const std::vector<std::string>& files) {
  HGLOBAL drop = platform::ole::BuildDropFiles(files);
  burner->DropData(drop);
  GlobalFree(drop);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (burner->ReadingTitles() && std::chrono::steady_clock::now() < deadline) {
    testkit::Pump(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// The editor pack beside the burner, as the main window makes it, with its own host.
struct EditorBeside {
  StudioModel* model;
  CComPtr<CEditorPack> editor = platform::com::MakeComObject<CEditorPack>();
  PackHost* host;
  CBurnerPack* burner;
  EditorBeside(StudioModel* studio, CBurnerPack* burnerPack, HWND parent)
      : model(studio), host(new PackHost(kEditorPackNumber, studio)), burner(burnerPack) {
    model->editor = editor.get();
    model->burner = burner;
    editor->SetHost(host);
    RECT area{0, 0, 400, 300};
    editor->CreateWindow(WS_CHILD, &area, parent);
  }
  ~EditorBeside() {
    editor->DestroyWindow();
    editor->Uninitialize();
    model->editor = nullptr;
    host->ReleaseOwner();
  }
  // Puts `clip` on the storyboard; the editor reads it behind its window and tells the burner its
  // title once it is read.
  bool Storyboard(const std::string& clip) {
    editor->Command(kHostSender, ("add file " + clip).c_str());
    const auto read = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!burner->HasProjectTitle() && std::chrono::steady_clock::now() < read) {
      testkit::Pump(3);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return burner->HasProjectTitle();
  }
};

bool Choose(CBurnerPack* burner, int id, const std::string& item) {
  return platform::script::ChooseListItem(GetDlgItem(burner->Window(), id), item);
}

TEST_F(BurnerFixture, TheBurnStepShowsTheDiscProjectForEachKind) {
  RECT area{0, 0, 600, 400};
  burner->MoveWindow(&area);
  testkit::Pump(3);
  WaitForWriters();
  testkit::WritePicture(burner->Window(), "burn_step_empty.png");
  EXPECT_FALSE(testkit::ControlEnabled(burner->Window(), BurnView::kCancelId));
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kSizeId), "No titles yet: drop clips here or click Add.");

  const std::string first = MakeDvdClip(env.Documents() + "Birthday party.mpg", 2);
  const std::string second = MakeDvdClip(env.Documents() + "Garden.mpg", 1);
  ASSERT_FALSE(first.empty() || second.empty());
  const std::string notes = env.Documents() + "notes.mpg";
  std::ofstream(notes) << "not a clip";
  DropOn(burner.get(), {first, second, env.Documents() + "not there.mpg", notes});
  ASSERT_EQ(burner->Project().titles.size(), 2u);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes.back(), "These files hold no video and were not put on the disc:\nnotes.mpg");
  EXPECT_EQ(burner->Project().titles[0].name, "Birthday party");
  testkit::TypeInto(burner->Window(), BurnView::kNameId, "Summer 2026");
  EXPECT_EQ(burner->Project().name, "Summer 2026");
  testkit::TypeInto(burner->Window(), BurnView::kChaptersId, "5");
  EXPECT_EQ(burner->Project().chapterMinutes, 5);
  // The second title moves up and stays chosen; Remove takes the chosen one.
  SendDlgItemMessage(burner->Window(), BurnView::kTitlesId, LB_SETCURSEL, 1, 0);
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kUpId));
  EXPECT_EQ(burner->Project().titles[0].name, "Garden");
  EXPECT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kUpId));
  EXPECT_EQ(burner->Project().titles[0].name, "Garden");
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kDownId));
  EXPECT_EQ(burner->Project().titles[1].name, "Garden");
  WaitForWriters();
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kMediumId), "Medium: DVD+R, blank, 4.4 GB free");
  testkit::WritePicture(burner->Window(), "burn_step_filled.png");
  testkit::WritePicture(burner->Window(), "burn_step_dvd.png");

  ASSERT_TRUE(Choose(burner.get(), BurnView::kKindId, "Video CD"));
  EXPECT_EQ(burner->Project().kind, DiscFormat::Vcd);
  WaitForWriters();
  // The writer holds a DVD+R: nothing for a Video CD there but an image file.
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kMediumId), "Medium: DVD+R, not for a Video CD");
  EXPECT_FALSE(testkit::ControlEnabled(burner->Window(), BurnView::kChaptersId));  // a Video CD has none
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kSizeId), "2 titles, 0:03, about 530 KB");
  testkit::WritePicture(burner->Window(), "burn_step_video_cd.png");
  ASSERT_TRUE(Choose(burner.get(), BurnView::kKindId, "Super Video CD"));
  WaitForWriters();
  ASSERT_TRUE(Choose(burner.get(), BurnView::kWriterId, "Image file"));
  EXPECT_NE(testkit::ControlText(burner->Window(), BurnView::kMediumId).find("BIN/CUE"), std::string::npos);
  testkit::WritePicture(burner->Window(), "burn_step_super_video_cd.png");
  ASSERT_TRUE(Choose(burner.get(), BurnView::kKindId, "Blu-ray"));
  EXPECT_TRUE(testkit::ControlEnabled(burner->Window(), BurnView::kChaptersId));
  testkit::WritePicture(burner->Window(), "burn_step_bluray.png");
  EXPECT_EQ(burner->Project().kind, DiscFormat::Bluray);

  SendDlgItemMessage(burner->Window(), BurnView::kTitlesId, LB_SETCURSEL, 0, 0);
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kRemoveId));
  ASSERT_EQ(burner->Project().titles.size(), 1u);
  EXPECT_EQ(burner->Project().titles[0].name, "Garden");
  EXPECT_EQ(burner->Command(kHostSender, "reset"), S_OK);
  EXPECT_TRUE(burner->Project().titles.empty());
  EXPECT_EQ(burner->Project().kind, DiscFormat::Dvd);
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kNameId), "");
}

// The machine's drive scan held until Open (5 s at most), as a drive that takes its time to
// answer; it then finds the simulated writers of the devices file. The machine's own scan is back
// once it goes.
class HeldScan {
 public:
  explicit HeldScan(const std::string& devices) : gate_(std::make_shared<Gate>()) {
    const char* simulated = std::getenv("VIDARRO_SIMULATED");
    simulated_ = simulated ? simulated : "";
    setenv("VIDARRO_SIMULATED", "0", 1);
    // The gate outlives the test should a reading be left behind.
    platform::disc::SetDriveScan([gate = gate_, devices] {
      gate->scanning = true;
      // Bounded, so that a pack reading on its window's thread fails the test instead of hanging it.
      gate->opened.wait_for(std::chrono::seconds(5));
      return platform::disc::ParseDriveSections(devices);
    });
    platform::disc::ReloadMachineDrives();
  }
  ~HeldScan() {
    Open();  // first: the scan holds the machine's drives until it returns
    platform::disc::SetDriveScan(nullptr);
    if (simulated_.empty()) unsetenv("VIDARRO_SIMULATED");
    else setenv("VIDARRO_SIMULATED", simulated_.c_str(), 1);
  }
  HeldScan(const HeldScan&) = delete;
  HeldScan& operator=(const HeldScan&) = delete;

  bool WaitUntilScanning() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!gate_->scanning && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return gate_->scanning;
  }
  void Open() {
    if (!opened_) gate_->open.set_value();
    opened_ = true;
  }
  // Opens the gate and waits until the scan has returned.
  void OpenAndWait() {
    Open();
    platform::disc::SetDriveScan(nullptr);  // waits for the machine's drives, which the scan holds
  }

 private:
  struct Gate {
    std::promise<void> open;
    std::shared_future<void> opened = open.get_future().share();
    std::atomic<bool> scanning{false};
  };
  std::shared_ptr<Gate> gate_;
  std::string simulated_;
  bool opened_ = false;
};

// A drive that takes its time to answer (a real one is grabbed for its medium) never holds the
// window up: the writers are read behind it, the list says so meanwhile, a newer kind's reading
// supersedes the older one, and the list fills once the drives answer.
TEST_F(BurnerFixture, TheWindowKeepsAnsweringWhileTheWritersAreRead) {
  RECT area{0, 0, 600, 400};
  burner->MoveWindow(&area);
  WaitForWriters();
  ASSERT_EQ(burner->Writers().size(), 2u);  // the writer and "Image file"
  HeldScan scan(platform::ConfigFolder() + "devices.ini");
  const auto chosen = std::chrono::steady_clock::now();
  ASSERT_TRUE(Choose(burner.get(), BurnView::kKindId, "Video CD"));
  EXPECT_LT(std::chrono::steady_clock::now() - chosen, std::chrono::milliseconds(100));
  ASSERT_TRUE(scan.WaitUntilScanning()) << "the writers were never read";
  // A newer kind while the first reading hangs: only its writers will show.
  ASSERT_TRUE(Choose(burner.get(), BurnView::kKindId, "Super Video CD"));
  EXPECT_TRUE(burner->ReadingWriters());

  // Another thread's message is answered while the drive still has not.
  auto answered = std::async(std::launch::async, [&] {
    const auto sent = std::chrono::steady_clock::now();
    SendMessage(burner->Window(), WM_NULL, 0, 0);
    return std::chrono::steady_clock::now() - sent;
  });
  while (answered.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) testkit::Pump(1);
  EXPECT_LT(answered.get(), std::chrono::milliseconds(100));
  testkit::Pump(3);
  EXPECT_TRUE(burner->ReadingWriters());
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kMediumId), "Medium: reading the writers...");
  EXPECT_EQ(SendDlgItemMessage(burner->Window(), BurnView::kWriterId, CB_GETCOUNT, 0, 0), 2);  // as it was
  testkit::WritePicture(burner->Window(), "burn_step_reading_writers.png");

  scan.Open();
  WaitForWriters();
  EXPECT_FALSE(burner->ReadingWriters());
  ASSERT_EQ(burner->Writers().size(), 2u);
  EXPECT_EQ(burner->Writers()[0].letter, 'D');
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kMediumId), "Medium: DVD+R, not for a Super Video CD");
}

// Closing the window while a drive still has not answered does not wait for that drive for
// long, and the reading left behind never reports to the pack that went.
TEST_F(BurnerFixture, AReadingStuckInADriveNeitherHoldsTheCloseNorOutlivesItsReport) {
  WaitForWriters();
  HeldScan scan(platform::ConfigFolder() + "devices.ini");
  auto reports = std::make_shared<std::atomic<int>>(0);
  auto reader = std::make_unique<WriterReader>([reports] { ++*reports; });
  reader->Ask(DiscFormat::Dvd);
  ASSERT_TRUE(scan.WaitUntilScanning());
  EXPECT_TRUE(reader->Pending());
  EXPECT_FALSE(reader->Take());
  const auto closing = std::chrono::steady_clock::now();
  reader.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(5));
  scan.OpenAndWait();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the media are read after the scan
  EXPECT_EQ(reports->load(), 0);

  // A reading that ends is reported once and taken once.
  WriterReader again([reports] { ++*reports; });
  again.Ask(DiscFormat::Dvd);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (reports->load() == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(reports->load(), 1);
  const auto read = again.Take();
  ASSERT_TRUE(read);
  EXPECT_EQ(read->kind, DiscFormat::Dvd);
  EXPECT_EQ(read->writers.back().name, "Image file");
  EXPECT_FALSE(again.Pending());
  EXPECT_FALSE(again.Take());
}

TEST_F(BurnerFixture, LimitsAreRefusedWithTheReasonBeforeAnyWork) {
  const std::string clip = MakeDvdClip(env.Documents() + "one.mpg", 1);
  ASSERT_FALSE(clip.empty());
  std::vector<std::string> hundred;
  for (int i = 0; i < 100; ++i) {
    hundred.push_back(env.Documents() + "clip " + std::to_string(i) + ".mpg");
    std::filesystem::copy_file(clip, hundred.back());
  }
  DropOn(burner.get(), hundred);
  ASSERT_EQ(burner->Project().titles.size(), 100u);
  EXPECT_EQ(burner->Command(kHostSender, "burn"), E_FAIL);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes.back(), "A DVD-Video holds at most 99 titles and this disc has 100. Remove 1 and burn again.");
  EXPECT_TRUE(ui.enables.empty());  // the main window was never taken
  EXPECT_FALSE(burner->Burning());
  EXPECT_FALSE(WorkFolderLeft());

  // A project larger than the medium, then a medium that is not blank: refused before encoding.
  // The burn comes while the writers are read again: it goes by the new medium, not the listed one.
  burner->Command(kHostSender, "reset");
  DropOn(burner.get(), {clip, clip, clip});
  WaitForWriters();
  UseWriter("WRITES=DVD+R\nMEDIUM=DVD+R\nCAPACITY=200\n");
  burner->Command(kHostSender, "checkdrive drive=D");
  ASSERT_TRUE(burner->ReadingWriters());
  EXPECT_EQ(burner->Command(kHostSender, "burn"), E_FAIL);
  EXPECT_NE(ui.boxes.back().find("the medium holds 400 KB"), std::string::npos) << ui.boxes.back();
  UseWriter("WRITES=DVD+R\nMEDIUM=DVD+R\nSTATE=closed\nUSED=1000\n", "V");
  burner->Command(kHostSender, "checkdrive drive=D");
  EXPECT_EQ(burner->Command(kHostSender, "burn"), E_FAIL);
  EXPECT_NE(ui.boxes.back().find("is not blank"), std::string::npos) << ui.boxes.back();
  EXPECT_TRUE(ui.enables.empty());
  EXPECT_FALSE(WorkFolderLeft());
  EXPECT_TRUE(std::filesystem::exists(clip));
}

TEST_F(BurnerFixture, TheChosenWriterIsTheOneCheckedEvenWhenAnotherHoldsABlank) {
  WaitForWriters();
  testkit::UseWriterSections(Images(), "devices.ini",
                             {testkit::WriterSection(Images(), "BLANK", "WRITES=DVD+R\nMEDIUM=DVD+R\n"),
                              testkit::WriterSection(Images(), "PRESSED", "WRITES=DVD+R\nMEDIUM=DVD-ROM\n"),
                              testkit::WriterSection(Images(), "SMALL", "WRITES=DVD+R\nMEDIUM=DVD+R\nCAPACITY=200\n")});
  DiscTarget pressed(DiscFormat::Dvd, 'E');
  EXPECT_EQ(pressed.Letter(), 'E');
  EXPECT_EQ(pressed.Refusal(10),
            "The disc in drive E: (DVD-ROM) cannot take this burn. Insert a blank DVD and burn again.");
  DiscTarget small(DiscFormat::Dvd, 'F');
  EXPECT_EQ(small.Refusal(300),
            "The disc in drive F: is too small: the burn needs about 600 KB and the disc holds 400 KB. Insert a larger "
            "blank DVD and burn again.");
  // No writer named: the first that holds a medium for the kind.
  DiscTarget any(DiscFormat::Dvd, 0);
  EXPECT_EQ(any.Letter(), 'D');
  EXPECT_EQ(any.Refusal(10), "");
}

TEST_F(BurnerFixture, TwoHdvClipsAndASilentDvdClipBecomeABluRayThroughTarnel) {
  UseWriter("WRITES=BD-R\nMEDIUM=BD-R\n");
  const std::string first = MakeHdvClip(env.Documents() + "HDV_100000.m2ts", 2);
  const std::string second = MakeHdvClip(env.Documents() + "HDV_110000.m2ts", 3);
  // A silent standard-definition clip is made full HD with silence.
  const std::string silent = env.Documents() + "silent.mpg";
  ToolOutput("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=720x480:rate=30000/1001:duration=1",
                        "-an", "-target", "ntsc-dvd", silent});
  ASSERT_FALSE(first.empty() || second.empty());
  DropOn(burner.get(), {first, second, silent});
  ASSERT_EQ(burner->Project().titles.size(), 3u);
  ASSERT_TRUE(Choose(burner.get(), BurnView::kKindId, "Blu-ray"));
  testkit::TypeInto(burner->Window(), BurnView::kNameId, "HOLIDAY BD");
  ASSERT_EQ(burner->Command(kHostSender, "burn"), S_OK) << (ui.boxes.empty() ? "" : ui.boxes.back());
  WaitForEnd();
  ASSERT_EQ(burner->LastResult(), 1) << ui.boxes.back();
  ExpectHandedBack();
  EXPECT_FALSE(WorkFolderLeft());
  const std::string image = Images() + "W.img";
  const std::string info = ToolOutput("bd_info", {image});
  EXPECT_NE(info.find("HDMV titles         : 3"), std::string::npos) << info;
  const std::vector<double> seconds = BlurayTitleSeconds(image);
  ASSERT_EQ(seconds.size(), 3u);
  EXPECT_NEAR(seconds[0], 2.0, 0.5);
  EXPECT_NEAR(seconds[1], 3.0, 0.5);
  EXPECT_NEAR(seconds[2], 1.0, 0.5);

  // The same disc as an image file: a UDF image libbluray reads.
  const std::string iso = env.Documents() + "Holiday BD.iso";
  ASSERT_EQ(burner->Command(kHostSender, ("burn image=" + iso).c_str()), S_OK);
  WaitForEnd();
  ASSERT_EQ(burner->LastResult(), 1) << ui.boxes.back();
  EXPECT_EQ(BlurayTitleSeconds(iso).size(), 3u);
}

TEST_F(BurnerFixture, VideoCdAndSuperVideoCdProjectsPlayTheirTracksInOrder) {
  UseWriter("WRITES=CD-R\nMEDIUM=CD-R\n");
  const std::string longer = MakeDvdClip(env.Documents() + "longer.mpg", 3);
  const std::string shorter = MakeDvdClip(env.Documents() + "shorter.mpg", 1);
  ASSERT_FALSE(longer.empty() || shorter.empty());
  DropOn(burner.get(), {longer, shorter});
  ASSERT_TRUE(Choose(burner.get(), BurnView::kKindId, "Video CD"));
  WaitForWriters();
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kMediumId).rfind("Medium: CD-R, blank", 0), 0u);
  ASSERT_EQ(burner->Command(kHostSender, "burn"), S_OK) << (ui.boxes.empty() ? "" : ui.boxes.back());
  WaitForEnd();
  ASSERT_EQ(burner->LastResult(), 1) << ui.boxes.back();
  ExpectHandedBack();
  const std::string info = ToolOutput("vcd-info", {"--no-banner", "--cue-file", Images() + "W.cue"});
  EXPECT_NE(info.find("3: "), std::string::npos) << info;  // the data track and two sequences
  std::vector<std::string> tracks = RippedTracks(Images() + "W.cue", env.Temp() + "tracks/");
  ASSERT_EQ(tracks.size(), 2u);
  ExpectTrack(tracks[0], "mpeg1video,352,240", 3);
  ExpectTrack(tracks[1], "mpeg1video,352,240", 1);

  // A Super Video CD as an image file: the BIN/CUE pair, its tracks in the project's order.
  ASSERT_TRUE(Choose(burner.get(), BurnView::kKindId, "Super Video CD"));
  SendDlgItemMessage(burner->Window(), BurnView::kTitlesId, LB_SETCURSEL, 1, 0);
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kUpId));
  const std::string bin = env.Documents() + "My \"SVCD\".bin";
  ASSERT_EQ(burner->Command(kHostSender, ("burn image=" + bin).c_str()), S_OK);
  WaitForEnd();
  ASSERT_EQ(burner->LastResult(), 1) << ui.boxes.back();
  const std::string cue = env.Documents() + "My \"SVCD\".cue";
  EXPECT_NE(ToolOutput("vcd-info", {"--no-banner", "--cue-file", cue}).find("3: "), std::string::npos);
  tracks = RippedTracks(cue, env.Temp() + "tracks/");
  ASSERT_EQ(tracks.size(), 2u);
  ExpectTrack(tracks[0], "mpeg2video,480,480", 1);
  ExpectTrack(tracks[1], "mpeg2video,480,480", 3);
  EXPECT_TRUE(std::filesystem::exists(longer) && std::filesystem::exists(shorter));
}

TEST_F(BurnerFixture, ADvdProjectBecomesAnIsoThatLsdvdReads) {
  const std::string clip = MakeDvdClip(env.Documents() + "party.mpg", 2);
  ASSERT_FALSE(clip.empty());
  DropOn(burner.get(), {clip, clip});
  const std::string iso = env.Documents() + "Party disc.iso";
  ASSERT_EQ(burner->Command(kHostSender, ("burn image=" + iso).c_str()), S_OK);
  WaitForEnd();
  ASSERT_EQ(burner->LastResult(), 1) << ui.boxes.back();
  const std::string info = ToolOutput("lsdvd", {iso});
  EXPECT_NE(info.find("Title: 02, Length: 00:00:02"), std::string::npos) << info;
  DvdNavigation nav;
  std::string error;
  ASSERT_TRUE(ReadDvdNavigation(iso, &nav, &error)) << error;
  EXPECT_EQ(nav.menuPages.size(), 1u);
  // The writer's blank disc was not touched.
  EXPECT_EQ(burner->Command(kHostSender, "checkdrive drive=D"), 300000 + 4482);
  // A new project starts empty, without the last burn's end.
  ASSERT_EQ(burner->Command(kHostSender, "reset"), S_OK);
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kPhaseId), "Ready to burn.");
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kSizeId), "No titles yet: drop clips here or click Add.");
}

TEST_F(BurnerFixture, WithoutAnEditorTheEditedVideoStopsTheBurnWithTheReason) {
  const std::string clip = MakeDvdClip(env.Documents() + "alone.mpg", 1);
  ASSERT_FALSE(clip.empty());
  burner->Command(kHostSender, "add project title edit=1;num=1;playtime=2000");
  ASSERT_TRUE(burner->HasProjectTitle());
  EXPECT_NEAR(burner->Project().titles[0].seconds, 2, 0.01);
  DropOn(burner.get(), {clip});
  EXPECT_EQ(burner->Command(kHostSender, "burn"), E_FAIL);
  EXPECT_FALSE(burner->Burning());
  ASSERT_FALSE(ui.boxes.empty());
  EXPECT_NE(ui.boxes.back().find("the editor is not installed"), std::string::npos) << ui.boxes.back();
  ExpectHandedBack();
  EXPECT_FALSE(WorkFolderLeft());
  // An emptied storyboard takes the edited video off the disc; the clip list's item puts it back
  // with the length it carries.
  burner->Command(kHostSender, "add project title edit=2;num=0;playtime=0");
  EXPECT_FALSE(burner->HasProjectTitle());
  DropOn(burner.get(), {"add project title edit=0;num=0;playtime=4200"});
  ASSERT_TRUE(burner->HasProjectTitle());
  EXPECT_NEAR(burner->Project().titles.back().seconds, 4.2, 0.01);
  EXPECT_TRUE(std::filesystem::exists(clip));
}

TEST_F(BurnerFixture, TheUsersChoicesStayAndADiscOfTwoShapesShowsBoth) {
  RECT area{0, 0, 640, 420};
  burner->MoveWindow(&area);
  // The edited video the user removed is not put back by a storyboard change; the clip list's item is.
  burner->Command(kHostSender, "add project title edit=1;num=1;playtime=2000");
  ASSERT_TRUE(burner->HasProjectTitle());
  SendDlgItemMessage(burner->Window(), BurnView::kTitlesId, LB_SETCURSEL, 0, 0);
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kRemoveId));
  burner->Command(kHostSender, "add project title edit=1;num=2;playtime=3000");
  EXPECT_FALSE(burner->HasProjectTitle());
  DropOn(burner.get(), {"add project title edit=0;num=0;playtime=3000"});
  EXPECT_TRUE(burner->HasProjectTitle());
  SendDlgItemMessage(burner->Window(), BurnView::kTitlesId, LB_SETCURSEL, 0, 0);
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kRemoveId));

  // A 4:3 and a 16:9 recording, the second named by the user; PAL chosen in Record Settings.
  const std::string standard = MakeDvdClip(env.Documents() + "VCD_152442_0.mpg", 2);
  const std::string wide = env.Documents() + "DVD_152443.mpg";
  ToolOutput("ffmpeg",
             {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=720x576:rate=25:duration=2", "-f", "lavfi", "-i",
              "sine=sample_rate=48000:duration=2", "-target", "pal-dvd", "-aspect", "16:9", wide});
  ASSERT_FALSE(standard.empty());
  ASSERT_TRUE(std::filesystem::exists(wide));
  DropOn(burner.get(), {standard, wide});
  ASSERT_EQ(burner->Project().titles.size(), 2u);
  EXPECT_EQ(burner->Project().titles[0].name, "VCD_152442_0");
  SendDlgItemMessage(burner->Window(), BurnView::kTitlesId, LB_SETCURSEL, 1, 0);
  SendMessage(burner->Window(), WM_COMMAND, MAKEWPARAM(BurnView::kTitlesId, LBN_SELCHANGE),
              reinterpret_cast<LPARAM>(GetDlgItem(burner->Window(), BurnView::kTitlesId)));
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kTitleNameId), "DVD_152443");
  SetDlgItemText(burner->Window(), BurnView::kTitleNameId, "Beach, wide");
  EXPECT_EQ(burner->Project().titles[1].name, "Beach, wide");
  model.settings.tvSystemIndex = 1;
  burner->Show(TRUE);
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kSystemId), "TV system: PAL");
  WaitForWriters();
  testkit::WritePicture(burner->Window(), "burn_step_pal_named_title.png");

  const std::string iso = env.Documents() + "Two shapes.iso";
  ASSERT_EQ(burner->Command(kHostSender, ("burn image=" + iso).c_str()), S_OK);
  WaitForEnd();
  ASSERT_EQ(burner->LastResult(), 1) << ui.boxes.back();
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kPhaseId), "Burning complete.");
  const std::string info = ToolOutput("lsdvd", {"-v", iso});
  EXPECT_NE(info.find("Format: PAL, Aspect ratio: 4/3"), std::string::npos) << info;
  EXPECT_NE(info.find("Format: PAL, Aspect ratio: 16/9"), std::string::npos) << info;
  EXPECT_EQ(info.find("NTSC"), std::string::npos) << info;
  DvdNavigation nav;
  std::string error;
  ASSERT_TRUE(ReadDvdNavigation(iso, &nav, &error)) << error;
  ASSERT_EQ(nav.menuPages.size(), 1u);
  ASSERT_EQ(nav.menuPages[0].size(), 2u);
  for (int t = 0; t < 2; ++t) {
    EXPECT_EQ(nav.menuPages[0][t].jump.kind, NavJump::Title);
    EXPECT_EQ(nav.menuPages[0][t].jump.target, t + 1);
  }
  const std::string vob = env.Temp() + "menu.vob";
  ASSERT_TRUE(CopyMenuVideo(iso, vob));
  ASSERT_TRUE(WriteMenuPicture(vob, nav, 2, testkit::PictureFolder() + "dvd_menu_two_titlesets.png", &error)) << error;

  // The project changes: the last burn's end goes; the name is saved and comes back.
  SendDlgItemMessage(burner->Window(), BurnView::kTitlesId, LB_SETCURSEL, 1, 0);
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kUpId));
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kPhaseId), "Ready to burn.");
  const std::string projectFile = env.Documents() + "disc.ilj5";
  {
    ProjectKeyFile file;
    ASSERT_TRUE(file.Open(projectFile, TRUE));
    file.SelectGroup("Burner");
    burner->SaveProject(platform::com::MakeComObject<CProjectDocument>(&file).get());
    ASSERT_TRUE(file.Close());
  }
  ASSERT_EQ(burner->Command(kHostSender, "reset"), S_OK);
  ProjectKeyFile file;
  ASSERT_TRUE(file.Open(projectFile, FALSE));
  file.SelectGroup("Burner");
  burner->LoadProject(platform::com::MakeComObject<CProjectDocument>(&file).get());
  ASSERT_EQ(burner->Project().titles.size(), 2u);
  EXPECT_EQ(burner->Project().titles[0].name, "Beach, wide");
  EXPECT_EQ(burner->Project().titles[1].name, "VCD_152442_0");
}

// How long another thread's message waits for the pack's window while `during` runs on it.
std::chrono::steady_clock::duration AnswerTime(HWND window, const std::function<void()>& during) {
  auto answered = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto sent = std::chrono::steady_clock::now();
    SendMessage(window, WM_NULL, 0, 0);
    return std::chrono::steady_clock::now() - sent;
  });
  during();
  while (answered.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) testkit::Pump(1);
  return answered.get();
}

TEST_F(BurnerFixture, ABurnClickNeverWaitsOnTheTitlesAndAPipeIsNoFile) {
  // More titles than a disc holds: refused at once, before any is read.
  std::vector<std::string> many;
  for (int i = 0; i < 150; ++i) {
    many.push_back(env.Documents() + "note" + std::to_string(i) + ".mpg");
    std::ofstream(many.back()) << "not a video";
  }
  HGLOBAL drop = platform::ole::BuildDropFiles(many);
  burner->DropData(drop);
  GlobalFree(drop);
  const auto clicked = std::chrono::steady_clock::now();
  EXPECT_EQ(burner->Command(kHostSender, "burn image=/nowhere.iso"), E_FAIL);
  EXPECT_LT(std::chrono::steady_clock::now() - clicked, std::chrono::milliseconds(100));
  EXPECT_NE(ui.boxes.back().find("holds at most 99 titles"), std::string::npos) << ui.boxes.back();
  for (int i = 0; i < 24000 && burner->ReadingTitles(); ++i) {
    testkit::Pump(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(burner->Command(kHostSender, "reset"), S_OK);

  // A pipe no one writes to, beside a clip: the window answers throughout and the pipe is named.
  const std::string clip = MakeDvdClip(env.Documents() + "clip.mpg", 1);
  const std::string pipe = env.Documents() + "pipe.mpg";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  drop = platform::ole::BuildDropFiles({clip, pipe});
  const auto waited = AnswerTime(burner->Window(), [&] {
    burner->DropData(drop);
    burner->Command(kHostSender, ("burn image=" + env.Documents() + "disc.iso").c_str());
  });
  GlobalFree(drop);
  EXPECT_LT(waited, std::chrono::milliseconds(100));
  WaitForEnd();
  EXPECT_FALSE(burner->Burning());
  ASSERT_GE(ui.boxes.size(), 2u);
  EXPECT_NE(ui.boxes[ui.boxes.size() - 2].find("\"" + pipe + "\" is not a file"), std::string::npos)
      << ui.boxes[ui.boxes.size() - 2];
  EXPECT_EQ(ui.boxes.back(), "Burning complete.");
  EXPECT_EQ(burner->Project().titles.size(), 1u);
}

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
  const std::string info = ToolOutput("lsdvd", {DiscImage()});
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
  const std::string again = ToolOutput("lsdvd", {DiscImage()});
  EXPECT_NE(again.find("Title: 01, Length: 00:00:01"), std::string::npos) << again;
  EXPECT_EQ(again.find("Title: 02"), std::string::npos) << again;
  EXPECT_TRUE(burner->Project().titles.empty());  // recordings never join the disc project
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
  const std::string info = ToolOutput("vcd-info", {"--no-banner", "--cue-file", cue});
  EXPECT_NE(info.find("2: "), std::string::npos) << info;  // the data track and one sequence
  EXPECT_EQ(info.find("3: "), std::string::npos) << info;
  const std::string probe = RippedPicture();
  EXPECT_NE(probe.find("mpeg1video,352,240"), std::string::npos) << probe;
  EXPECT_TRUE(std::filesystem::exists(odd));
}

TEST_F(BurnerFixture, RecordAndBurnGoesToTheChosenWriterOrAnotherBlankDiscAndLeavesNoStreams) {
  WaitForWriters();
  // D: holds a written CD-R, E: and F: blank ones; E: is chosen on the Burn step.
  testkit::UseWriterSections(
      Images(), "devices.ini",
      {testkit::WriterSection(Images(), "X", "WRITES=CD-R,CD-RW\nMEDIUM=CD-R\nSTATE=closed\nUSED=1000\n"),
       testkit::WriterSection(Images(), "Y", "WRITES=CD-R\nMEDIUM=CD-R\n"),
       testkit::WriterSection(Images(), "Z", "WRITES=CD-R\nMEDIUM=CD-R\n")});
  ASSERT_TRUE(Choose(burner.get(), BurnView::kKindId, "Video CD"));
  WaitForWriters();
  const auto writers = burner->Writers();
  const auto e = std::find_if(writers.begin(), writers.end(), [](const WriterChoice& w) { return w.letter == 'E'; });
  ASSERT_NE(e, writers.end());
  ASSERT_TRUE(Choose(burner.get(), BurnView::kWriterId, e->name));
  for (const char* name : {"VCD_1.mpg", "VCD_2.mpg"}) {
    SCOPED_TRACE(name);
    const std::string clip = MakeDvdClip(env.Documents() + name, 1);
    ASSERT_FALSE(clip.empty());
    // The recorder's elementary streams beside the recording, one of them cut in two.
    const std::string stem = clip.substr(0, clip.size() - 4);
    for (const std::string& stream : {stem + ".mpv", stem + ".mpv.1", stem + ".mpa"}) std::ofstream(stream) << "es";
    // The capture page last asked about the written disc.
    EXPECT_EQ(burner->Command(kHostSender, "checkdrive drive=D"), 0);
    ASSERT_EQ(RecordAndBurn("vcd", clip), S_OK) << (ui.boxes.empty() ? "" : ui.boxes.back());
    WaitForEnd();
    ASSERT_EQ(burner->LastResult(), 1) << ui.boxes.back();
    EXPECT_TRUE(std::filesystem::exists(clip));
    for (const std::string& stream : {stem + ".mpv", stem + ".mpv.1", stem + ".mpa"})
      EXPECT_FALSE(std::filesystem::exists(stream)) << stream;
  }
  // The first went to the chosen writer, the second to the other blank disc once that one was written.
  EXPECT_TRUE(std::filesystem::exists(Images() + "Y.cue"));
  EXPECT_TRUE(std::filesystem::exists(Images() + "Z.cue"));
  EXPECT_FALSE(std::filesystem::exists(Images() + "X.cue"));

  // No writer holds a usable disc: the written one is refused, saying no erasing for a CD-R.
  const std::string clip = MakeDvdClip(env.Documents() + "VCD_3.mpg", 1);
  const std::string stream = clip.substr(0, clip.size() - 4) + ".mpv";
  std::ofstream(stream) << "es";
  EXPECT_EQ(RecordAndBurn("vcd", clip), E_FAIL);
  testkit::Pump(5);
  EXPECT_NE(ui.boxes.back().find("is not blank. Insert a blank CD-R and burn again."), std::string::npos)
      << ui.boxes.back();
  EXPECT_TRUE(std::filesystem::exists(stream));  // kept for a burn that did not happen
}

TEST_F(BurnerFixture, ASuperVideoCdIsMpeg2AtItsOwnSize) {
  UseWriter("WRITES=CD-R\nMEDIUM=CD-R\n");
  const std::string clip = MakeDvdClip(env.Documents() + "SVCD_090000.mpg", 2);
  ASSERT_FALSE(clip.empty());
  burner->Command(kHostSender, "show option type=svcd;ntsc=no;");
  burner->Command(kHostSender, ("burning file=" + clip + ";").c_str());
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kKindId), "DVD-Video");
  ASSERT_EQ(burner->Command(kHostSender, "EndCapture ok=1"), S_OK);
  WaitForEnd();
  ASSERT_EQ(burner->LastResult(), 1) << ui.boxes.back();
  // The empty disc project shows the kind that was burned, not the one it had.
  EXPECT_EQ(testkit::ControlText(burner->Window(), BurnView::kKindId), "Super Video CD");
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
  // The slow writer keeps to the test's clock, which stands still here: the cancel always comes
  // while the disc is being written.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  testkit::Pump(2);
  ASSERT_TRUE(burner->Burning());
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kCancelId));
  WaitForEnd();
  EXPECT_EQ(ui.boxes.back().rfind("Burning was cancelled while the disc was being written.", 0), 0u) << ui.boxes.back();
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

TEST_F(BurnerFixture, TwoClipsAndTheEditedVideoBecomeADvdWithATitleMenu) {
  EditorBeside beside(&model, burner.get(), parent.hwnd());
  CEditorPack* editor = beside.editor.get();
  const std::string edited = MakeDvdClip(env.Documents() + "holiday.mpg", 2);
  const std::string first = MakeDvdClip(env.Documents() + "DVD_120000.mpg", 1);
  const std::string second = MakeDvdClip(env.Documents() + "A \"quoted\" name.mpg", 3);
  ASSERT_FALSE(edited.empty() || first.empty() || second.empty());
  ASSERT_TRUE(beside.Storyboard(edited));  // the host passed the editor's title on
  EXPECT_NEAR(burner->Project().titles[0].seconds, 2, 0.2);
  DropOn(burner.get(), {first, second});
  // The temporary folder is one the user keeps files in, under the names a burn might pick.
  const std::map<std::string, std::string> own = {{env.Temp() + "Burn/holiday/notes.txt", "packing list\n"},
                                                  {env.Temp() + "Burn/wedding.mpg", "the wedding"},
                                                  {env.Temp() + "EditedVideo.mpg", "last year's edit"}};
  for (const auto& [path, text] : own) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  RECT page{0, 0, 600, 400};
  burner->MoveWindow(&page);
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kBurnId));
  ASSERT_TRUE(editor->Rendering()) << (ui.boxes.empty() ? "" : ui.boxes.back());
  EXPECT_EQ(ui.enables.back(), FALSE);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
  bool pictured = false;
  while (burner->Burning() && std::chrono::steady_clock::now() < deadline) {
    time.Advance(250);
    testkit::Pump(3);
    if (!pictured && !editor->Rendering()) {
      testkit::WritePicture(burner->Window(), "burn_step_burning.png");
      pictured = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(burner->LastResult(), 1) << (ui.boxes.empty() ? "" : ui.boxes.back());
  testkit::WritePicture(burner->Window(), "burn_step_done.png");
  for (const auto& [path, text] : own) EXPECT_EQ(ReadText(path), text) << path;
  EXPECT_FALSE(WorkFolderLeft());
  ExpectHandedBack();
  EXPECT_EQ(ui.boxes.back(), "Burning complete.");
  const std::string info = ToolOutput("lsdvd", {DiscImage()});
  EXPECT_NE(info.find("Title: 01, Length: 00:00:02"), std::string::npos) << info;
  EXPECT_NE(info.find("Title: 02, Length: 00:00:01"), std::string::npos) << info;
  EXPECT_NE(info.find("Title: 03, Length: 00:00:03"), std::string::npos) << info;
  DvdNavigation nav;
  std::string error;
  ASSERT_TRUE(ReadDvdNavigation(DiscImage(), &nav, &error)) << error;
  SCOPED_TRACE(Describe(nav));
  EXPECT_EQ(nav.firstPlay.kind, NavJump::MenuPage);
  ASSERT_EQ(nav.menuPages.size(), 1u);
  ASSERT_EQ(nav.menuPages[0].size(), 3u);
  for (int t = 0; t < 3; ++t) {
    EXPECT_EQ(nav.menuPages[0][t].jump.kind, NavJump::Title);
    EXPECT_EQ(nav.menuPages[0][t].jump.target, t + 1);
    EXPECT_EQ(nav.titleEnds[t].kind, NavJump::MenuPage);
    EXPECT_EQ(nav.titleEnds[t].target, 1);
  }
  EXPECT_TRUE(std::filesystem::exists(edited) && std::filesystem::exists(first) && std::filesystem::exists(second));
}

TEST_F(BurnerFixture, TheEditedVideoIsRenderedInTheStreamsOfEachDiscKind) {
  EditorBeside beside(&model, burner.get(), parent.hwnd());
  const std::string edited = MakeDvdClip(env.Documents() + "Storyboard.mpg", 3);
  const std::string clip = MakeDvdClip(env.Documents() + "Clip.mpg", 1);
  ASSERT_FALSE(edited.empty() || clip.empty());
  ASSERT_TRUE(beside.Storyboard(edited));
  DropOn(burner.get(), {clip});
  const auto burnInto = [&](const std::string& image) {
    ASSERT_EQ(burner->Command(kHostSender, ("burn image=" + image).c_str()), S_OK)
        << (ui.boxes.empty() ? "" : ui.boxes.back());
    WaitForEnd();
    ASSERT_EQ(burner->LastResult(), 1) << (ui.boxes.empty() ? "" : ui.boxes.back());
    EXPECT_FALSE(std::filesystem::exists(env.Temp() + "EditedVideo.mpg"));
    EXPECT_FALSE(std::filesystem::exists(env.Temp() + "EditedVideo.m2ts"));
  };

  for (const auto& [kind, picture] : {std::pair<std::string, std::string>{"Video CD", "mpeg1video,352,240"},
                                      {"Super Video CD", "mpeg2video,480,480"}}) {
    SCOPED_TRACE(kind);
    ASSERT_TRUE(Choose(burner.get(), BurnView::kKindId, kind));
    burnInto(env.Documents() + kind + ".bin");
    const std::vector<std::string> tracks = RippedTracks(env.Documents() + kind + ".cue", env.Temp() + "tracks/");
    ASSERT_EQ(tracks.size(), 2u);
    ExpectTrack(tracks[0], picture, 3);
    ExpectTrack(tracks[1], picture, 1);
  }

  ASSERT_TRUE(Choose(burner.get(), BurnView::kKindId, "Blu-ray"));
  const std::string bd = env.Documents() + "Edited BD.iso";
  burnInto(bd);
  const std::vector<double> seconds = BlurayTitleSeconds(bd);
  ASSERT_EQ(seconds.size(), 2u);
  EXPECT_NEAR(seconds[0], 3.0, 0.5);
  EXPECT_NEAR(seconds[1], 1.0, 0.5);
  EXPECT_TRUE(std::filesystem::exists(edited) && std::filesystem::exists(clip));
}

TEST_F(BurnerFixture, AnEditorThatCannotMakeTheEditedVideoStopsTheBurnWithItsReason) {
  EditorBeside beside(&model, burner.get(), parent.hwnd());
  const std::string edited = MakeDvdClip(env.Documents() + "Storyboard clip.mpg", 2);
  const std::string clip = MakeDvdClip(env.Documents() + "Kept.mpg", 1);
  ASSERT_FALSE(edited.empty() || clip.empty());
  ASSERT_TRUE(beside.Storyboard(edited));
  DropOn(burner.get(), {clip});
  const HRESULT blank = burner->Command(kHostSender, "checkdrive drive=D");
  const auto burnToEnd = [&] {
    ui.boxes.clear();
    ui.enables.clear();
    EXPECT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kBurnId));
    WaitForEnd();
    EXPECT_EQ(burner->LastResult(), -1);
    ExpectHandedBack();
    EXPECT_FALSE(std::filesystem::exists(env.Temp() + "EditedVideo.mpg"));
    EXPECT_FALSE(WorkFolderLeft());
    EXPECT_EQ(burner->Command(kHostSender, "checkdrive drive=D"), blank);
    return ui.boxes;
  };

  // The storyboard's clip went before the burn: the editor refuses the render and says why first.
  const std::string away = env.Temp() + "away.mpg";
  std::filesystem::rename(edited, away);
  std::vector<std::string> said = burnToEnd();
  ASSERT_EQ(said.size(), 2u);
  EXPECT_EQ(said[0], "\"Storyboard clip.mpg\" is no longer there. Remove it from the storyboard and try again.");
  EXPECT_NE(said[1].find("the editor refused it. Nothing was burned."), std::string::npos) << said[1];

  // A file in its place that ffmpeg cannot read: the render starts and fails, and the burn ends with it.
  std::ofstream(edited) << "not a clip any more";
  said = burnToEnd();
  ASSERT_EQ(said.size(), 2u);
  EXPECT_EQ(said[0].rfind("The edited video could not be made in", 0), 0u) << said[0];
  EXPECT_EQ(said[1],
            "The edited video could not be made, so nothing was burned. Check the storyboard's clips and burn "
            "again.");
  EXPECT_TRUE(std::filesystem::exists(clip));
  EXPECT_EQ(ReadText(edited), "not a clip any more");
}

TEST_F(BurnerFixture, CancelWhileTheEditedVideoIsMadeStopsTheRenderAndTheBurn) {
  EditorBeside beside(&model, burner.get(), parent.hwnd());
  const std::string edited = MakeDvdClip(env.Documents() + "Long storyboard.mpg", 6);
  ASSERT_FALSE(edited.empty());
  ASSERT_TRUE(beside.Storyboard(edited));
  const HRESULT blank = burner->Command(kHostSender, "checkdrive drive=D");
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kBurnId));
  ASSERT_TRUE(beside.editor->Rendering());
  EXPECT_TRUE(testkit::ControlEnabled(burner->Window(), BurnView::kCancelId));
  ASSERT_TRUE(testkit::ClickButton(burner->Window(), BurnView::kCancelId));
  WaitForEnd();
  EXPECT_FALSE(beside.editor->Rendering());
  EXPECT_EQ(burner->LastResult(), -1);
  ASSERT_FALSE(ui.boxes.empty());
  EXPECT_EQ(ui.boxes.back(), "Burning was cancelled.");
  ExpectHandedBack();
  EXPECT_FALSE(std::filesystem::exists(env.Temp() + "EditedVideo.mpg"));
  EXPECT_EQ(burner->Command(kHostSender, "checkdrive drive=D"), blank);
  EXPECT_TRUE(std::filesystem::exists(edited));
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

// A PATH of the real tools but those left out, and stand-ins written as shell scripts.
struct ToolShelf {
  std::string folder;
  testkit::ScopedVariable path;
  ToolShelf(const std::string& at, const std::vector<std::string>& without,
            const std::vector<std::pair<std::string, std::string>>& standIns = {})
      : folder(at), path("PATH", at) {
    std::filesystem::create_directories(folder);
    for (const char* tool : {"ffmpeg", "ffprobe", "dvdauthor", "spumux", "genisoimage", "env", "sh", "sleep", "rm"}) {
      if (std::find(without.begin(), without.end(), tool) != without.end()) continue;
      std::error_code error;
      std::filesystem::create_symlink(std::string("/usr/bin/") + tool, folder + tool, error);
    }
    for (const auto& [name, script] : standIns) {
      std::filesystem::remove(folder + name);
      std::ofstream(folder + name) << "#!/bin/sh\n" << script << "\n";
      std::filesystem::permissions(folder + name, std::filesystem::perms::owner_all);
    }
  }
};

TEST(BurnEngineFailures, EachNamesItsCauseAndCancelEndsAToolThatIgnoresItWithinTwoSeconds) {
  testkit::Environment env{testkit::CurrentTestName()};
  const std::string clip = MakeDvdClip(env.Documents() + "party.mpg", 1);
  ASSERT_FALSE(clip.empty());
  BurnJob job;
  job.titles = {{clip}};
  job.workRoot = env.Temp();
  job.imageFile = env.Temp() + "disc.iso";
  std::string message;
  {
    ToolShelf shelf(env.Temp() + "no spumux/", {"spumux"});
    job.menu = true;
    EXPECT_EQ(RunJob(job, &message), BurnEnd::Failed);
    EXPECT_EQ(message, "spumux is not installed, so the disc's menu cannot be made. Install it and burn again.");
  }
  {
    ToolShelf shelf(env.Temp() + "no dvdauthor/", {"dvdauthor"});
    job.menu = false;
    EXPECT_EQ(RunJob(job, &message), BurnEnd::Failed);
    EXPECT_EQ(message, "dvdauthor is not installed, so the disc cannot be made. Install it and burn again.");
  }
  {
    // The title is deleted while dvdauthor reads it, which then fails.
    const std::string victim = env.Documents() + "victim.mpg";
    std::filesystem::copy_file(clip, victim);
    ToolShelf shelf(env.Temp() + "deleting/", {"dvdauthor"}, {{"dvdauthor", "rm -f '" + victim + "'; exit 1"}});
    job.titles = {{victim}};
    EXPECT_EQ(RunJob(job, &message), BurnEnd::Failed);
    EXPECT_EQ(message, "The title \"" + victim + "\" was deleted while the disc was made. Nothing was burned.");
    // Cut short instead.
    std::filesystem::copy_file(clip, victim);
    ToolShelf cutting(env.Temp() + "cutting/", {"dvdauthor"},
                      {{"dvdauthor", "truncate -s 100000 '" + victim + "'; exit 1"}});
    std::error_code error;
    std::filesystem::create_symlink("/usr/bin/truncate", env.Temp() + "cutting/truncate", error);
    EXPECT_EQ(RunJob(job, &message), BurnEnd::Failed);
    EXPECT_NE(message.find("\"" + victim + "\" is shorter than its header says"), std::string::npos) << message;
  }
  // A stand-in that ignores SIGTERM, run as a filter (spumux), as a tool of its own (dvdauthor) and
  // as the reader of the titles (ffprobe).
  for (const char* stubborn : {"spumux", "dvdauthor", "ffprobe"}) {
    SCOPED_TRACE(stubborn);
    ToolShelf shelf(env.Temp() + "stubborn " + stubborn + "/", {stubborn}, {{stubborn, "trap '' TERM; sleep 30"}});
    job.titles = {{clip}};
    job.menu = std::string(stubborn) == "spumux";
    BurnEngine engine(nullptr);
    ASSERT_TRUE(engine.Start(job, &message)) << message;
    const int reached = job.menu ? 30 : 0;  // the menu's pictures come before spumux
    const BurnPhase phase = std::string(stubborn) == "ffprobe" ? BurnPhase::Encoding : BurnPhase::Authoring;
    for (int i = 0; i < 3000 && engine.Running() && !(engine.Phase() == phase && engine.Percent() >= reached); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(engine.Running()) << engine.Message();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the stand-in is running
    const auto cancelled = std::chrono::steady_clock::now();
    engine.Cancel();
    while (engine.Running() && std::chrono::steady_clock::now() - cancelled < std::chrono::seconds(10))
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(2));
    engine.Join();
    EXPECT_EQ(engine.End(), BurnEnd::Cancelled);
  }
  EXPECT_EQ(WorkFoldersIn(env.Temp()), 0);
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
  job.workRoot = env.Temp();
  job.imageFile = out + "disc.iso";
  std::string message;
  ASSERT_EQ(RunJob(job, &message), BurnEnd::Burned) << message;
  const std::string dvd = ToolOutput("lsdvd", {out + "disc.iso"});
  EXPECT_NE(dvd.find("Title: 01, Length: 00:00:02"), std::string::npos) << dvd;

  // A recording cut short in its last pack goes on all the same.
  const std::string cut = env.Documents() + "DVD_cut.mpg";
  std::filesystem::copy_file(clip, cut);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 1000);
  job.titles = {{cut}};
  job.imageFile = out + "cut.iso";
  ASSERT_EQ(RunJob(job, &message), BurnEnd::Burned) << message;
  EXPECT_NE(ToolOutput("lsdvd", {job.imageFile}).find("Title: 01, Length: 00:00:0"), std::string::npos);
  job.titles = {{clip}};

  job.format = DiscFormat::Vcd;
  job.imageFile = out + "video cd.cue";
  ASSERT_EQ(RunJob(job, &message), BurnEnd::Burned) << message;
  const std::string vcd = ToolOutput("vcd-info", {"--no-banner", "--cue-file", out + "video cd.cue"});
  EXPECT_NE(vcd.find("2: 00:08:00"), std::string::npos) << vcd;
  EXPECT_EQ(WorkFoldersIn(env.Temp()), 0);

  job.imageFile = env.Temp() + "no such folder/disc.cue";
  EXPECT_EQ(RunJob(job, &message), BurnEnd::Failed);
  EXPECT_NE(message.find("does not exist"), std::string::npos) << message;
}

TEST(BurnEngineChapters, TheEditedVideosClipStartsBecomeChaptersOnADvdAndABluRay) {
  testkit::Environment env{testkit::CurrentTestName()};
  const std::string clip = MakeDvdClip(env.Documents() + "DVD_170000.mpg", 5);
  const std::string hdv = MakeHdvClip(env.Documents() + "HDV_170000.m2ts", 5);
  ASSERT_FALSE(clip.empty() || hdv.empty());
  BurnJob job;
  job.titles = {{clip}, {clip}};
  // The edited video's clips begin at 0, 1.5 and 3 s; one closer than a second to the end is none.
  job.titleChapters = {{0, 1.5, 3, 4.5}, {}};
  job.menu = true;
  job.workRoot = env.Temp();
  job.imageFile = env.Temp() + "chapters.iso";
  std::string message;
  ASSERT_EQ(RunJob(job, &message), BurnEnd::Burned) << message;
  EXPECT_EQ(DvdTitleChapters(ToolOutput("lsdvd", {job.imageFile})), (std::vector<int>{3, 1}));

  job.format = DiscFormat::Bluray;
  job.menu = false;
  job.titles = {{hdv}};
  job.titleChapters = {{2}};
  job.imageFile = env.Temp() + "chapters.bd.iso";
  ASSERT_EQ(RunJob(job, &message), BurnEnd::Burned) << message;
  EXPECT_EQ(BlurayTitleChapters(job.imageFile), (std::vector<int>{2}));
  EXPECT_EQ(WorkFoldersIn(env.Temp()), 0);
}

TEST(BurnEngineMenu, SevenTitlesGetTwoMenuPagesThatLeadToEachTitleAndBack) {
  testkit::Environment env{testkit::CurrentTestName()};
  const std::string clip = MakeDvdClip(env.Documents() + "seven.mpg", 1);
  ASSERT_FALSE(clip.empty());
  BurnJob job;
  for (int i = 0; i < 7; ++i) {
    job.titles.push_back({clip});
    job.titleNames.push_back(i == 2 ? std::string(300, 'x') + "\"quoted\"\nline" : "Title " + std::to_string(i + 1));
  }
  job.menu = true;
  job.discName = "Seven & more";
  job.workRoot = env.Temp();
  job.imageFile = env.Temp() + "seven.iso";
  std::string message;
  ASSERT_EQ(RunJob(job, &message), BurnEnd::Burned) << message;
  const std::string info = ToolOutput("lsdvd", {job.imageFile});
  EXPECT_NE(info.find("Title: 07, Length: 00:00:01"), std::string::npos) << info;

  DvdNavigation nav;
  std::string error;
  ASSERT_TRUE(ReadDvdNavigation(job.imageFile, &nav, &error)) << error;
  SCOPED_TRACE(Describe(nav));
  EXPECT_EQ(nav.firstPlay.kind, NavJump::MenuPage);
  EXPECT_EQ(nav.firstPlay.target, 1);
  ASSERT_EQ(nav.menuPages.size(), 2u);
  ASSERT_EQ(nav.menuPages[0].size(), 7u);  // six titles and Next
  ASSERT_EQ(nav.menuPages[1].size(), 2u);  // the seventh and Previous
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(nav.menuPages[0][i].jump.kind, NavJump::Title);
    EXPECT_EQ(nav.menuPages[0][i].jump.target, i + 1);
  }
  // Next leads to the second page, whose title and Previous lead on.
  EXPECT_EQ(nav.menuPages[0][6].jump.kind, NavJump::MenuPage);
  const int next = nav.menuPages[0][6].jump.target;
  ASSERT_TRUE(next >= 1 && next <= 2);
  EXPECT_EQ(nav.menuPages[next - 1][0].jump.target, 7);
  EXPECT_EQ(nav.menuPages[next - 1][1].jump.target, 1);
  // A remote's arrows reach every button: right from the first to the second, down to the row
  // below, and down from the last row to Next.
  EXPECT_EQ(nav.menuPages[0][0].right, 2);
  EXPECT_EQ(nav.menuPages[0][0].down, 4);
  EXPECT_EQ(nav.menuPages[0][5].down, 7);
  ASSERT_EQ(nav.titleEnds.size(), 7u);
  for (int t = 0; t < 7; ++t) {
    EXPECT_EQ(nav.titleEnds[t].kind, NavJump::MenuPage) << t;
    EXPECT_EQ(nav.titleEnds[t].target, t < 6 ? 1 : 2) << t;
  }
  EXPECT_EQ(WorkFoldersIn(env.Temp()), 0);

  // The first page as a player shows it: the menu's frame with its subpicture in the disc's palette.
  const std::string vob = env.Temp() + "menu.vob";
  ASSERT_TRUE(CopyMenuVideo(job.imageFile, vob));
  const std::string picture = testkit::PictureFolder() + "dvd_menu_first_page.png";
  ASSERT_TRUE(WriteMenuPicture(vob, nav, 1, picture, &error)) << error;
}

TEST(BurnEngineMenu, ATitleWhosePictureCannotBeMadeGetsAButtonWithItsNameAlone) {
  testkit::Environment env{testkit::CurrentTestName()};
  const std::string clip = MakeDvdClip(env.Documents() + "Pictured.mpg", 2);
  // Half a second of picture under twelve of sound: no picture where the thumbnail is taken.
  const std::string frozen = env.Documents() + "Frozen picture.mpg";
  ToolOutput("ffmpeg",
             {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=720x480:rate=30000/1001:duration=0.5", "-f",
              "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=12", "-target", "ntsc-dvd", frozen});
  ASSERT_FALSE(clip.empty());
  ASSERT_TRUE(std::filesystem::exists(frozen));
  BurnJob job;
  job.titles = {{clip}, {frozen}};
  job.titleNames = {"Pictured", "Frozen picture"};
  job.menu = true;
  job.discName = "Pictures";
  job.workRoot = env.Temp();
  job.imageFile = env.Temp() + "pictures.iso";
  std::string message;
  ASSERT_EQ(RunJob(job, &message), BurnEnd::Burned) << message;
  DvdNavigation nav;
  std::string error;
  ASSERT_TRUE(ReadDvdNavigation(job.imageFile, &nav, &error)) << error;
  ASSERT_EQ(nav.menuPages.size(), 1u);
  ASSERT_EQ(nav.menuPages[0].size(), 2u);
  EXPECT_EQ(nav.menuPages[0][1].jump.kind, NavJump::Title);
  EXPECT_EQ(nav.menuPages[0][1].jump.target, 2);
  const std::string vob = env.Temp() + "menu.vob";
  ASSERT_TRUE(CopyMenuVideo(job.imageFile, vob));
  ASSERT_TRUE(WriteMenuPicture(vob, nav, 2, testkit::PictureFolder() + "dvd_menu_title_without_picture.png", &error))
      << error;
  EXPECT_EQ(WorkFoldersIn(env.Temp()), 0);
}

TEST(BurnEngineMenu, APalDiscHasPalTitlesAndAPalMenu) {
  testkit::Environment env{testkit::CurrentTestName()};
  const std::string clip = MakeDvdClip(env.Documents() + "NTSC clip.mpg", 2);
  ASSERT_FALSE(clip.empty());
  BurnJob job;
  job.titles = {{clip}, {clip}};
  job.ntsc = false;
  job.menu = true;
  job.discName = "PAL";
  job.workRoot = env.Temp();
  job.imageFile = env.Temp() + "pal.iso";
  std::string message;
  ASSERT_EQ(RunJob(job, &message), BurnEnd::Burned) << message;
  const std::string info = ToolOutput("lsdvd", {"-v", job.imageFile});
  EXPECT_NE(info.find("Title: 02, Length: 00:00:02"), std::string::npos) << info;
  EXPECT_NE(info.find("Format: PAL"), std::string::npos) << info;
  EXPECT_EQ(info.find("Format: NTSC"), std::string::npos) << info;
  DvdNavigation nav;
  std::string error;
  ASSERT_TRUE(ReadDvdNavigation(job.imageFile, &nav, &error)) << error;
  ASSERT_EQ(nav.menuPages.size(), 1u);
  ASSERT_EQ(nav.menuPages[0].size(), 2u);
  EXPECT_LE(nav.menuPages[0][1].y1, 576);
  const std::string vob = env.Temp() + "menu.vob";
  ASSERT_TRUE(CopyMenuVideo(job.imageFile, vob));
  const std::string menu = ToolOutput("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                                  "stream=width,height", "-of", "csv=p=0", vob});
  EXPECT_EQ(menu.rfind("720,576", 0), 0u) << menu;
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
  const auto args = EncodeArguments(DiscFormat::Vcd, true, false, 16.0 / 9, odd, "/w/title1.mpg");
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
