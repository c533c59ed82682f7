// The Audio CD dialog standing alone over a simulated CD-R: recordings decoded and burned as
// tracks, read back by libcue, bchunk and ffprobe; the disc check, erase and closing rules.
#include <libcue/libcue.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "audiorec/audio_cd_burn_dlg.h"
#include "auvry_burn_ids.h"
#include "burn_test_support.h"
#include "platform/base/file.h"
#include "platform/base/message_box.h"
#include "platform/base/paths.h"
#include "platform/ole/external_drop.h"
#include "platform/window/message_box_dialog.h"
#include "platform/registry/registry.h"
#include "widgets/reg_helpers.h"

namespace {

using auvrytest::BurnTest;
using auvrytest::WaitFor;
using testkit::ControlText;
using testkit::WhenDialogShows;
using testkit::WritePicture;

bool TemporariesLeft() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(platform::TempFolder(), error))
    if (entry.path().filename().string().rfind("auvry-cd-", 0) == 0) return true;
  return false;
}

// The simulated writer's CUE sheet as libcue reads it; null when it cannot.
using ParsedCue = std::unique_ptr<Cd, decltype(&cd_delete)>;
ParsedCue ReadCue() {
  FILE* f = std::fopen((auvrytest::ImageFolder() + "CD.cue").c_str(), "r");
  ParsedCue cd(f ? cue_parse_file(f) : nullptr, &cd_delete);
  if (f) std::fclose(f);
  return cd;
}

class AudioCdBurn : public BurnTest {};

// Where the Finalize caption begins, past its box.
constexpr int kCaptionX = 18;

// Reaches into the dialog's progress bar and writer the way the tests need.
class OpenAudioCdDlg : public CAudioCDBurnDlg {
 public:
  using CBurnDlgFrame::progress_;
};

// Escape, Enter and the window's close box, as a user would try them; they reach the dialog
// through its modal loop once the current step returns.
void TryToClose(HWND d) {
  ::PostMessage(d, WM_KEYDOWN, VK_ESCAPE, 0);
  ::PostMessage(d, WM_KEYDOWN, VK_RETURN, 0);
  ::PostMessage(d, WM_CLOSE, 0, 0);
}

TEST_F(AudioCdBurn, RecordingsAnMp3AndABrokenFileBurnAsFourTracksAndTheBrokenOneIsNamed) {
  const std::string w = Work();
  // Three recordings as the recorder makes them, and an MP3 from elsewhere.
  std::vector<std::string> sources = {auvrytest::RecordWma(w, "WMA_140501.wma", 2000),
                                      auvrytest::RecordWma(w, "WMA_140502.wma", 1500),
                                      auvrytest::RecordWma(w, "WMA_140503.wma", 2500),
                                      auvrytest::MakeSound(w, "song.mp3", 1.8, "-c:a libmp3lame -b:a 128k -ar 44100")};
  const std::string broken = w + "broken.wma";
  platform::WriteWholeFileAtomic(broken, "not a sound file, only some words");
  std::vector<std::string> paths = sources;
  paths.insert(paths.begin() + 2, broken);

  CAudioCDBurnDlg dialog;
  dialog.m_initialPaths = paths;
  bool sawDecoding = false, sawBurning = false;
  WhenDialogShows([&](HWND d) {
    EXPECT_EQ(dialog.list().GetItemCount(), 5);
    EXPECT_EQ(dialog.list().GetItemText(2, 1), "00 MB");
    EXPECT_EQ(dialog.list().GetItemText(2, 2), "00 : 00 : 00");
    EXPECT_EQ(dialog.list().GetItemText(0, 2), "00 : 00 : 02");
    EXPECT_EQ(ControlText(d, IDC_BURN_TITLE), "Burn - Audio CD");
    RECT title{}, close{}, both{};
    ::GetWindowRect(::GetDlgItem(d, IDC_BURN_TITLE), &title);
    ::GetWindowRect(::GetDlgItem(d, IDOK), &close);
    EXPECT_FALSE(::IntersectRect(&both, &title, &close)) << "the title runs under Close";
    EXPECT_FALSE(testkit::ControlEnabled(d, IDC_BURN_FINALIZE));
    WritePicture(d, "burn_audio_cd_idle.png");
    ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_START));
    ASSERT_TRUE(WaitFor([&] {
      if (dialog.phase() == CBurnDlgFrame::kDecoding && !sawDecoding) {
        sawDecoding = true;
        WritePicture(d, "burn_audio_cd_decoding.png");
      }
      if (dialog.phase() == CBurnDlgFrame::kBurning && !sawBurning) {
        sawBurning = true;
        WritePicture(d, "burn_audio_cd_burning.png");
      }
      return dialog.phase() == CBurnDlgFrame::kIdle && boxes_.Count() > 0;
    }));
    EXPECT_TRUE(testkit::ControlEnabled(d, IDC_BURN_START));
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(sawDecoding);
  ASSERT_EQ(boxes_.Count(), 1u);
  const std::string end = boxes_.Last().text;
  EXPECT_EQ(end.rfind("Successfully burned.", 0), 0u) << end;
  EXPECT_NE(end.find("broken.wma"), std::string::npos) << end;
  EXPECT_FALSE(TemporariesLeft());

  const std::string bin = auvrytest::ImageFolder() + "CD.img";
  const std::string cue = auvrytest::ImageFolder() + "CD.cue";
  const ParsedCue cd = ReadCue();
  ASSERT_NE(cd, nullptr);
  ASSERT_EQ(cd_get_ntrack(cd.get()), 4);
  for (int i = 1; i <= 4; ++i) {
    Track* track = cd_get_track(cd.get(), i);
    EXPECT_EQ(track_get_mode(track), MODE_AUDIO) << i;
    EXPECT_EQ(track_get_index(track, 1) - track_get_index(track, 0), 150) << i;
  }

  ASSERT_EQ(auvrytest::Run("bchunk", {"-w", bin, cue, w + "back"}), 0);
  for (int i = 0; i < 4; ++i) {
    const std::string& source = sources[static_cast<std::size_t>(i)];
    SCOPED_TRACE(source);
    const std::string wav = w + "back0" + std::to_string(i + 1) + ".wav";
    double seconds = 0;
    int rate = 0, channels = 0;
    ASSERT_TRUE(auvrytest::Probe(wav, &seconds, &rate, &channels));
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(channels, 2);
    // Within one 2352-byte sector of what ffmpeg decodes from the source as CD audio.
    const std::string reference = w + "reference.raw";
    ASSERT_EQ(auvrytest::Run("ffmpeg",
                             {"-v", "error", "-y", "-i", source, "-f", "s16le", "-ar", "44100", "-ac", "2", reference}),
              0);
    const auto burned = static_cast<double>(std::filesystem::file_size(wav)) - 44;
    EXPECT_NEAR(burned, static_cast<double>(std::filesystem::file_size(reference)), 2352.0);
  }
}

TEST_F(AudioCdBurn, NothingClosesTheDialogWhileItDecodesOrBurns) {
  auvrytest::UseWriters({auvrytest::Writer("CD", "WRITES=CD-R\nMEDIUM=CD-R\nPACE=400\n")});
  const std::string w = Work();
  const std::vector<std::string> paths = {auvrytest::MakeSound(w, "long.wma", 20.0, "-c:a wmav2 -ar 48000"),
                                          auvrytest::MakeSound(w, "short.wma", 1.0, "-c:a wmav2 -ar 48000")};
  CAudioCDBurnDlg dialog;
  dialog.m_initialPaths = paths;
  // Closing empties the list at once, so its rows tell whether a close was taken.
  const auto open = [&] { return dialog.list().GetItemCount() == 2; };
  bool triedWhileDecoding = false;
  WhenDialogShows([&](HWND d) {
    ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_START));
    triedWhileDecoding = dialog.phase() == CBurnDlgFrame::kDecoding;
    if (triedWhileDecoding) TryToClose(d);
  });
  WhenDialogShows([&](HWND d) {
    EXPECT_TRUE(open());
    ASSERT_TRUE(WaitFor([&] { return dialog.phase() == CBurnDlgFrame::kBurning; }));
    EXPECT_FALSE(testkit::ControlEnabled(d, IDC_BURN_EXIT));
    TryToClose(d);
  });
  WhenDialogShows([&](HWND d) {
    EXPECT_TRUE(open());
    ASSERT_TRUE(WaitFor([&] { return dialog.phase() == CBurnDlgFrame::kIdle; }));
    // Idle again: Escape closes.
    ::PostMessage(d, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_FALSE(open());
  EXPECT_EQ(boxes_.Last().text, "Successfully burned.");
}

TEST_F(AudioCdBurn, SameNamedSourcesBecomeTwoTracksAndNothingIsWrittenBesideThem) {
  const std::string w = Work();
  const std::vector<std::string> paths = {auvrytest::MakeSound(w, "a.wma", 1.0, "-c:a wmav2 -ar 48000"),
                                          auvrytest::MakeSound(w, "a.mp3", 2.0, "-c:a libmp3lame -ar 44100")};
  platform::WriteWholeFileAtomic(w + "a.tmp", "the user's own notes");
  CAudioCDBurnDlg dialog;
  dialog.m_initialPaths = paths;
  WhenDialogShows([&](HWND d) {
    ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_START));
    ASSERT_TRUE(WaitFor([&] { return dialog.phase() == CBurnDlgFrame::kIdle && boxes_.Count() > 0; }));
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  dialog.DoModal();
  EXPECT_EQ(boxes_.Last().text, "Successfully burned.");
  std::string notes;
  ASSERT_TRUE(platform::ReadWholeFile(w + "a.tmp", &notes));
  EXPECT_EQ(notes, "the user's own notes");
  const ParsedCue cd = ReadCue();
  ASSERT_NE(cd, nullptr);
  EXPECT_EQ(cd_get_ntrack(cd.get()), 2);
  // The tracks differ in length, so neither overwrote the other.
  EXPECT_NE(track_get_length(cd_get_track(cd.get(), 1)), track_get_length(cd_get_track(cd.get(), 2)));
}

TEST_F(AudioCdBurn, AFailedWriteShowsTheSenseDataAndNoTemporaryStays) {
  auvrytest::UseWriters({auvrytest::Writer("CD", "WRITES=CD-R\nMEDIUM=CD-R\nWRITEERROR=40:05:24:00\n")});
  CAudioCDBurnDlg dialog;
  dialog.m_initialPaths = {auvrytest::MakeSound(Work(), "a.wma", 2.0, "-c:a wmav2 -ar 48000")};
  WhenDialogShows([&](HWND d) {
    ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_START));
    ASSERT_TRUE(WaitFor([&] { return dialog.phase() == CBurnDlgFrame::kIdle && boxes_.Count() > 0; }));
    testkit::ClickButton(d, IDOK);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(boxes_.Last().text, "Failed to burn.\nSenseKey :  5, ASC : 24, ASCQ :  0");
  EXPECT_EQ(boxes_.Last().flags & MB_ICONMASK, MB_ICONWARNING);
  EXPECT_FALSE(TemporariesLeft());
}

TEST_F(AudioCdBurn, ADiscTakenOutWhileDecodingIsRefusedAndTheDecodedTracksAreDeleted) {
  CAudioCDBurnDlg dialog;
  dialog.m_initialPaths = {auvrytest::MakeSound(Work(), "a.wma", 20.0, "-c:a wmav2 -ar 48000")};
  WhenDialogShows([&](HWND d) {
    ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_START));
    dialog.writer().UnloadMedium();
    ASSERT_TRUE(WaitFor([&] { return dialog.phase() == CBurnDlgFrame::kIdle && boxes_.Count() > 0; }));
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  dialog.DoModal();
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.Last().text.rfind("Device or Disc is not ready.", 0), 0u) << boxes_.Last().text;
  EXPECT_FALSE(TemporariesLeft());
}

TEST_F(AudioCdBurn, AListTooBigForTheDiscIsRefusedBeforeAnythingIsDecoded) {
  // 100 free blocks: nothing fits, and the message says so.
  auvrytest::UseWriters({auvrytest::Writer("CD", "WRITES=CD-R\nMEDIUM=CD-R\nCAPACITY=100\n")});
  CAudioCDBurnDlg dialog;
  dialog.m_initialPaths = {auvrytest::MakeSound(Work(), "a.wma", 2.0, "-c:a wmav2 -ar 48000")};
  WhenDialogShows([&](HWND d) {
    ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_START));
    EXPECT_EQ(dialog.phase(), CBurnDlgFrame::kIdle);
    EXPECT_TRUE(testkit::ControlEnabled(d, IDC_BURN_START));
    testkit::ClickButton(d, IDOK);
  });
  dialog.DoModal();
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_NE(boxes_.Last().text.find("will not fit on one CD"), std::string::npos);
  EXPECT_NE(boxes_.Last().text.find("[   0.00Mb]"), std::string::npos) << boxes_.Last().text;
  EXPECT_FALSE(TemporariesLeft());
}

TEST_F(AudioCdBurn, EraseShowsItsEstimateAndHoldsTheDialogUntilTheWriterEnds) {
  auvrytest::UseWriters({auvrytest::Writer("RW", "WRITES=CD-R,CD-RW\nMEDIUM=CD-RW\nSTATE=closed\nERASETIME=3000\n")});
  OpenAudioCdDlg dialog;
  dialog.m_initialPaths = {auvrytest::MakeSound(Work(), "a.wma", 1.0, "-c:a wmav2 -ar 48000")};
  WhenDialogShows([&](HWND d) {
    ASSERT_TRUE(testkit::ControlEnabled(d, IDC_BURN_ERASE));
    ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_ERASE));
    ASSERT_EQ(dialog.phase(), CBurnDlgFrame::kErasing);
    EXPECT_FALSE(testkit::ControlEnabled(d, IDC_BURN_START));
    for (int tick = 0; tick < 10; ++tick) ::SendMessage(d, WM_TIMER, CBurnDlgFrame::kEraseTimer, 0);
    EXPECT_EQ(dialog.progress_.GetPos(), 30);
    for (int tick = 10; tick < 90; ++tick) ::SendMessage(d, WM_TIMER, CBurnDlgFrame::kEraseTimer, 0);
    EXPECT_EQ(dialog.progress_.GetPos(), 99);
    ::SendMessage(d, WM_TIMER, CBurnDlgFrame::kEraseTimer, 0);
    EXPECT_EQ(dialog.progress_.GetPos(), 99);
    TryToClose(d);
  });
  WhenDialogShows([&](HWND d) {
    EXPECT_EQ(dialog.list().GetItemCount(), 1);  // not closed
    ASSERT_TRUE(WaitFor([&] { return dialog.phase() == CBurnDlgFrame::kIdle; }, 30));
    EXPECT_EQ(dialog.progress_.GetPos(), 0);
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(boxes_.Last().text, "Erase Operation Complete.");
}

TEST_F(AudioCdBurn, TheChosenWriterIsRememberedForTheNextDialog) {
  auvrytest::UseWriters({auvrytest::Writer("A", "WRITES=CD-R\nMEDIUM=CD-R\n"),
                         auvrytest::Writer("B", "WRITES=CD-R,CD-RW\nMEDIUM=CD-RW\nSTATE=closed\n")});
  CAudioCDBurnDlg first;
  WhenDialogShows([&](HWND d) {
    HWND combo = ::GetDlgItem(d, IDC_BURN_DRIVE);
    EXPECT_EQ(::SendMessage(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_FALSE(testkit::ControlEnabled(d, IDC_BURN_ERASE));  // a CD-R
    ::SendMessage(combo, CB_SETCURSEL, 1, 0);
    ::SendMessage(d, WM_COMMAND, MAKEWPARAM(IDC_BURN_DRIVE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    EXPECT_TRUE(testkit::ControlEnabled(d, IDC_BURN_ERASE));  // a written CD-RW
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  first.DoModal();
  char stored[REG_READ_STRING_SIZE] = "";
  ASSERT_TRUE(RegReadString(HKEY_CURRENT_USER, "SOFTWARE\\Narvell\\Vidarro 5", "CDWriter_AR", stored, nullptr));
  EXPECT_NE(std::string(stored).find("Writer B"), std::string::npos) << stored;
  CAudioCDBurnDlg second;
  WhenDialogShows([&](HWND d) {
    EXPECT_EQ(::SendMessage(::GetDlgItem(d, IDC_BURN_DRIVE), CB_GETCURSEL, 0, 0), 1);
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  second.DoModal();
}

TEST_F(AudioCdBurn, WithoutACdWriterTheDialogSaysSoAndCloses) {
  auvrytest::UseWriters({auvrytest::Writer("DVD", "WRITES=DVD+R\nMEDIUM=DVD+R\n")});
  CAudioCDBurnDlg dialog;
  testkit::EndUnansweredDialogs();
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.Last().text, "No CD writer detected");
}

TEST_F(AudioCdBurn, AddListsAFileOnceButTwoNamesDifferingInCaseTwice) {
  const std::string w = Work();
  const std::string lower = auvrytest::MakeSound(w, "take.wma", 1.0, "-c:a wmav2 -ar 48000");
  const std::string upper = auvrytest::MakeSound(w, "TAKE.wma", 1.0, "-c:a wmav2 -ar 48000");
  CAudioCDBurnDlg dialog;
  dialog.m_initialPaths = {lower};
  dialog.m_outputFolder = w;
  testkit::AnswerFileDialog("\"" + lower + "\" \"" + w + "./" + "take.wma" + "\" \"" + upper + "\"");
  WhenDialogShows([&](HWND d) {
    ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_ADD));
    testkit::Pump();
  });
  WhenDialogShows([&](HWND d) {
    EXPECT_EQ(dialog.list().GetItemCount(), 2);
    EXPECT_EQ(ControlText(d, IDC_BURN_TOTAL_TIME), "00:00:02");
    testkit::ClickButton(d, IDOK);
  });
  dialog.DoModal();
}

TEST_F(AudioCdBurn, DroppedSoundFilesJoinTheTrackListOnceAndTheRestIsLeftOut) {
  const std::string w = Work();
  const std::string one = auvrytest::MakeSound(w, "one.wma", 1.0, "-c:a wmav2 -ar 48000");
  const std::string two = auvrytest::MakeSound(w, "two.wma", 2.0, "-c:a wmav2 -ar 48000");
  platform::CreateFolders(w + "folder/");
  platform::WriteWholeFileAtomic(w + "notes.txt", "words");
  CAudioCDBurnDlg dialog;
  dialog.m_initialPaths = {one};
  WhenDialogShows([&](HWND d) {
    HWND list = dialog.list().m_hWnd;
    EXPECT_EQ(platform::ole::DropFilesOnWindow(list, POINT{20, 40}, {one, w + "folder", w + "notes.txt", two}),
              DROPEFFECT_COPY);
    ASSERT_TRUE(WaitFor([&] { return dialog.list().GetItemCount() >= 2; }));
    testkit::Pump();
    EXPECT_EQ(dialog.list().GetItemCount(), 2);
    EXPECT_EQ(dialog.list().GetItemText(1, 0), "two.wma");
    EXPECT_EQ(ControlText(d, IDC_BURN_TOTAL_TIME), "00:00:03");
    WritePicture(d, "burn_audio_cd_after_drop.png");
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  dialog.DoModal();
}

TEST_F(AudioCdBurn, AHundredRowsAreRefusedWithTheTrackLimitAndNinetyNineBurn) {
  const std::string track = auvrytest::MakeSound(Work(), "a.wma", 0.5, "-c:a wmav2 -ar 48000");
  CAudioCDBurnDlg dialog;
  dialog.m_initialPaths.assign(100, track);
  const std::string image = auvrytest::ImageFolder() + "CD.img";
  std::string before, after;
  WhenDialogShows([&](HWND d) {
    ASSERT_EQ(dialog.list().GetItemCount(), 100);
    platform::ReadWholeFile(image, &before);
    ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_START));
    EXPECT_EQ(dialog.phase(), CBurnDlgFrame::kIdle);
    EXPECT_TRUE(testkit::ControlEnabled(d, IDC_BURN_START));
    EXPECT_FALSE(TemporariesLeft());
    platform::ReadWholeFile(image, &after);
    EXPECT_EQ(dialog.writer().GetBlocksWritten(), 0u);
    // The same refusal as the user sees it.
    platform::MessageBoxHandler recorder = platform::SetMessageBoxHandler(platform::ShowMessageBoxDialog);
    WhenDialogShows([&](HWND box) {
      EXPECT_EQ(testkit::WindowText(box), "Narvell Vidarro 5.0");
      WritePicture(box, "burn_audio_cd_99_tracks.png");
      testkit::ClickButton(box, IDOK);
    });
    testkit::ClickButton(d, IDC_BURN_START);
    platform::SetMessageBoxHandler(recorder);

    dialog.list().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    testkit::ClickButton(d, IDC_BURN_DELETE);
    ASSERT_EQ(dialog.list().GetItemCount(), 99);
    ASSERT_TRUE(testkit::ClickButton(d, IDC_BURN_START));
    ASSERT_TRUE(WaitFor([&] { return dialog.phase() == CBurnDlgFrame::kIdle && boxes_.Count() > 1; }, 180));
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  dialog.DoModal();
  ASSERT_EQ(boxes_.Count(), 2u);
  const platform::MessageBoxCall refusal = boxes_.Calls()[0];
  EXPECT_EQ(refusal.caption, "Narvell Vidarro 5.0");
  EXPECT_EQ(refusal.flags & MB_ICONMASK, MB_ICONWARNING);
  EXPECT_NE(refusal.text.find("at most 99 tracks"), std::string::npos) << refusal.text;
  EXPECT_NE(refusal.text.find("remove 1 song"), std::string::npos) << refusal.text;
  EXPECT_TRUE(before == after);  // the refusal left the blank disc blank
  EXPECT_EQ(boxes_.Last().text, "Successfully burned.");
  const ParsedCue cd = ReadCue();
  ASSERT_NE(cd, nullptr);
  EXPECT_EQ(cd_get_ntrack(cd.get()), 99);
}

TEST_F(AudioCdBurn, TheTickedFinalizeBoxShowsItsDisabledCaptionAndMessagesCarryTheProgramTitle) {
  CAudioCDBurnDlg dialog;
  WhenDialogShows([&](HWND d) {
    HWND finalize = ::GetDlgItem(d, IDC_BURN_FINALIZE);
    EXPECT_EQ(testkit::ButtonState(d, IDC_BURN_FINALIZE) & BST_CHECKED, static_cast<UINT>(BST_CHECKED));
    const RECT engraved = auvrytest::PixelsOfColour(finalize, RGB(67, 71, 73), kCaptionX);
    EXPECT_FALSE(::IsRectEmpty(&engraved));
    const RECT plain = auvrytest::PixelsOfColour(finalize, RGB(130, 145, 153), kCaptionX);
    EXPECT_TRUE(::IsRectEmpty(&plain));
    WritePicture(d, "burn_audio_cd_empty.png");
    testkit::ClickButton(d, IDC_BURN_START);  // nothing to burn
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  dialog.DoModal();
  ExpectOnlyNothingToBurn();
}

}  // namespace
