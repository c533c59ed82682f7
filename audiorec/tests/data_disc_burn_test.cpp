// The data-disc dialog standing alone over a simulated CD-R and DVD+R: sessions read back by
// isoinfo and xorriso, unique names on the disc, an appended second session, and the refusals.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "audiorec/data_disc_burn_dlg.h"
#include "auvry_burn_ids.h"
#include "burn_test_support.h"
#include "platform/base/file.h"
#include "platform/base/local_time.h"
#include "platform/ole/external_drop.h"

namespace {

using auvrytest::BurnTest;
using auvrytest::WaitFor;
using testkit::ControlText;
using testkit::WhenDialogShows;

// Where the Finalize caption begins, past its box.
constexpr int kCaptionX = 18;

class DataDiscBurn : public BurnTest {
 protected:
  // Runs the dialog over `paths`: ticks Finalize when asked, burns, waits for the end and closes.
  void Burn(int mode, const std::vector<std::string>& paths, bool finalize, const std::string& picture = "") {
    CDataDiscBurnDlg dialog;
    dialog.m_mode = mode;
    dialog.m_initialPaths = paths;
    boxes_.Clear();
    WhenDialogShows([&](HWND d) {
      EXPECT_EQ(dialog.list().GetItemCount(), static_cast<int>(paths.size()));
      EXPECT_EQ(testkit::ButtonState(d, IDC_BURN_FINALIZE) & BST_CHECKED, 0u);
      if (!picture.empty()) testkit::WritePicture(d, picture);
      if (finalize) testkit::ClickButton(d, IDC_BURN_FINALIZE);
      ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_START));
      ASSERT_TRUE(WaitFor([&] { return dialog.phase() == CBurnDlgFrame::kIdle && boxes_.Count() > 0; }));
      testkit::ClickButton(d, IDC_BURN_EXIT);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
  }
  // Puts the ejected disc back in, as a user closing the tray on it.
  static void Reinsert(const std::string& drive) {
    const std::string state = auvrytest::ImageFolder() + drive + ".medium";
    std::string text;
    ASSERT_TRUE(platform::ReadWholeFile(state, &text));
    const auto at = text.find("TRAY=open");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, 9, "TRAY=closed");
    platform::WriteWholeFileAtomic(state, text);
  }
  static std::string Image(const std::string& drive) { return auvrytest::ImageFolder() + drive + ".img"; }
  std::vector<std::string> FilesOnDisc(const std::string& drive) {
    std::string out;
    EXPECT_EQ(auvrytest::Run("xorriso", {"-indev", Image(drive), "-find", "/", "-type", "f"}, &out), 0) << out;
    std::vector<std::string> files;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
      if (line.size() > 2 && line[0] == '\'' && line[1] == '/') files.push_back(line.substr(2, line.size() - 3));
    std::sort(files.begin(), files.end());
    return files;
  }
  std::string File(const std::string& folder, const std::string& name, const std::string& text) {
    platform::CreateFolders(folder);
    platform::WriteWholeFileAtomic(folder + name, text);
    return folder + name;
  }

  platform::FixedLocalTime now_{2026, 12, 8, 14, 5, 9};
  platform::ScopedLocalTime useNow_{now_};
};

TEST_F(DataDiscBurn, ACdSessionKeepsEveryFileOnceUnderItsLongNameAndASecondSessionAppends) {
  const std::string w = Work();
  const std::string longName = std::string(80, 'L') + ".wma";
  const std::vector<std::string> first = {
      auvrytest::MakeSound(w + "a/", "WMA_140509.wma", 1.0, "-c:a wmav2 -ar 48000"),
      auvrytest::MakeSound(w + "b/", "WMA_140509.wma", 1.5, "-c:a wmav2 -ar 48000"),  // same name, other folder
      File(w + "a/", "WMA_140510.wma", "second recording of the minute"), File(w + "a/", longName, "long")};
  Burn(CDataDiscBurnDlg::kCd, first, false, "burn_wma_cd.png");
  ASSERT_EQ(boxes_.Last().text, "Successfully burned.");

  std::string info;
  ASSERT_EQ(auvrytest::Run("isoinfo", {"-d", "-i", Image("CD")}, &info), 0);
  EXPECT_NE(info.find("Volume id: 26Dec08_140509"), std::string::npos) << info;
  std::string joliet;
  ASSERT_EQ(auvrytest::Run("isoinfo", {"-J", "-l", "-i", Image("CD")}, &joliet), 0);
  EXPECT_NE(joliet.find("WMA_140509.wma"), std::string::npos) << joliet;
  EXPECT_NE(joliet.find("WMA_140509 (2).wma"), std::string::npos) << joliet;
  EXPECT_NE(joliet.find("WMA_140510.wma"), std::string::npos) << joliet;

  EXPECT_EQ(FilesOnDisc("CD"),
            (std::vector<std::string>{longName, "WMA_140509 (2).wma", "WMA_140509.wma", "WMA_140510.wma"}));
  const std::string back = w + "back/";
  ASSERT_EQ(auvrytest::Run("xorriso", {"-osirrox", "on", "-indev", Image("CD"), "-extract", "/", back}), 0);
  const auto same = [](const std::string& a, const std::string& b) {
    std::string x, y;
    return platform::ReadWholeFile(a, &x) && platform::ReadWholeFile(b, &y) && x == y;
  };
  EXPECT_TRUE(same(back + "WMA_140509.wma", first[0]));
  EXPECT_TRUE(same(back + "WMA_140509 (2).wma", first[1]));
  EXPECT_TRUE(same(back + longName, first[3]));

  // Finalize was left unticked: the disc takes another session that keeps the first.
  Reinsert("CD");
  now_.Set(2026, 12, 8, 15, 0, 0);
  Burn(CDataDiscBurnDlg::kCd, {File(w + "c/", "WMA_150000.wma", "later")}, false);
  ASSERT_EQ(boxes_.Last().text, "Successfully burned.");
  EXPECT_EQ(FilesOnDisc("CD"), (std::vector<std::string>{longName, "WMA_140509 (2).wma", "WMA_140509.wma",
                                                         "WMA_140510.wma", "WMA_150000.wma"}));
}

TEST_F(DataDiscBurn, ADvdSessionFinalizedWhenTickedClosesTheDisc) {
  const std::string w = Work();
  Burn(CDataDiscBurnDlg::kDvd, {File(w, "WMA_090000.wma", "dvd recording")}, true, "burn_wma_dvd.png");
  ASSERT_EQ(boxes_.Last().text, "Successfully burned.");
  std::string info;
  ASSERT_EQ(auvrytest::Run("isoinfo", {"-d", "-i", Image("DVD")}, &info), 0);
  EXPECT_NE(info.find("Volume id: 26Dec08_140509"), std::string::npos) << info;
  EXPECT_EQ(FilesOnDisc("DVD"), std::vector<std::string>{"WMA_090000.wma"});
  std::string state;
  ASSERT_TRUE(platform::ReadWholeFile(auvrytest::ImageFolder() + "DVD.medium", &state));
  EXPECT_NE(state.find("FINALIZED=1"), std::string::npos) << state;
}

TEST_F(DataDiscBurn, AFileThatVanishedIsNamedAndNothingIsBurned) {
  const std::string w = Work();
  const std::string kept = File(w, "kept.wma", "here");
  const std::string gone = File(w, "gone.wma", "soon gone");
  CDataDiscBurnDlg dialog;
  dialog.m_initialPaths = {kept, gone};
  WhenDialogShows([&](HWND d) {
    std::filesystem::remove(gone);
    ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_START));
    EXPECT_EQ(dialog.phase(), CBurnDlgFrame::kIdle);
    EXPECT_TRUE(testkit::ControlEnabled(d, IDC_BURN_START));
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  dialog.DoModal();
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_NE(boxes_.Last().text.find(gone), std::string::npos) << boxes_.Last().text;
  std::string state;
  platform::ReadWholeFile(auvrytest::ImageFolder() + "CD.medium", &state);
  EXPECT_NE(state.find("USED=0"), std::string::npos) << state;
}

TEST_F(DataDiscBurn, EachModeAsksForItsOwnWriterAndDiscKind) {
  auvrytest::UseWriters({auvrytest::Writer("CD", "WRITES=CD-R\nMEDIUM=CD-R\n")});
  CDataDiscBurnDlg dvd;
  dvd.m_mode = CDataDiscBurnDlg::kDvd;
  testkit::EndUnansweredDialogs();
  dvd.DoModal();
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.Last().text, "No DVD writer detected.");

  // A DVD-ROM in a DVD writer is refused as not supported.
  auvrytest::UseWriters({auvrytest::Writer("DVD", "WRITES=DVD+R\nMEDIUM=DVD-ROM\n")});
  boxes_.Clear();
  CDataDiscBurnDlg rom;
  rom.m_mode = CDataDiscBurnDlg::kDvd;
  rom.m_initialPaths = {File(Work(), "x.wma", "x")};
  WhenDialogShows([&](HWND d) {
    EXPECT_EQ(ControlText(d, IDC_BURN_TITLE), "Burn - WMA DVD");
    testkit::ClickButton(d, IDC_BURN_START);
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  rom.DoModal();
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.Last().text.rfind("This disc is not supported", 0), 0u) << boxes_.Last().text;
}

TEST_F(DataDiscBurn, TheFinalizeCaptionIsPlainWhileEnabledAndEngravedWhenNotAndDropsTakeOnlyWma) {
  const std::string w = Work();
  const std::string wma = auvrytest::MakeSound(w, "take.wma", 1.0, "-c:a wmav2 -ar 48000");
  const std::string wav = auvrytest::MakeSound(w, "take.wav", 1.0, "-c:a pcm_s16le");
  CDataDiscBurnDlg dialog;
  dialog.m_mode = 0;
  WhenDialogShows([&](HWND d) {
    HWND finalize = ::GetDlgItem(d, IDC_BURN_FINALIZE);
    const RECT plain = auvrytest::PixelsOfColour(finalize, RGB(130, 145, 153), kCaptionX);
    ASSERT_FALSE(::IsRectEmpty(&plain));
    RECT engraved = auvrytest::PixelsOfColour(finalize, RGB(67, 71, 73), kCaptionX);
    EXPECT_TRUE(::IsRectEmpty(&engraved));
    testkit::WritePicture(d, "burn_wma_cd_empty.png");
    ::EnableWindow(finalize, FALSE);
    engraved = auvrytest::PixelsOfColour(finalize, RGB(67, 71, 73), kCaptionX);
    // One pixel up and left. The right ends differ: a colour this near the background rounds more
    // of the smoothed last glyph to itself.
    EXPECT_EQ(engraved.left, plain.left - 1);
    EXPECT_EQ(engraved.top, plain.top - 1);
    EXPECT_EQ(engraved.bottom, plain.bottom - 1);
    ::EnableWindow(finalize, TRUE);

    EXPECT_EQ(platform::ole::DropFilesOnWindow(dialog.list().m_hWnd, POINT{20, 40}, {wav, w, wma}), DROPEFFECT_COPY);
    ASSERT_TRUE(WaitFor([&] { return dialog.list().GetItemCount() >= 1; }));
    testkit::Pump();
    EXPECT_EQ(dialog.list().GetItemCount(), 1);
    EXPECT_EQ(dialog.list().GetItemText(0, 0), "take.wma");
    testkit::WritePicture(d, "burn_wma_cd_after_drop.png");
    dialog.list().RemoveAllRows();
    testkit::ClickButton(d, IDC_BURN_START);  // nothing to burn
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  dialog.DoModal();
  ExpectOnlyNothingToBurn();
}

}  // namespace
