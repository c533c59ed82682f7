// The Audio CD dialog standing alone over a simulated CD-R: recordings decoded and burned as
// tracks, read back by libcue, bchunk and ffprobe; the disc check, erase and closing rules.
#include <libcue/libcue.h>

#include <cstdio>
#include <filesystem>

#include "audiorec/audio_cd_burn_dlg.h"
#include "auvry_burn_ids.h"
#include "burn_test_support.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"

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

class AudioCdBurn : public BurnTest {};

TEST_F(AudioCdBurn, RecordingsAnMp3AndABrokenFileBurnAsFourTracksAndTheBrokenOneIsNamed) {
  const std::string w = Work();
  std::vector<std::string> sources = {auvrytest::MakeSound(w, "WMA_140501.wma", 2.0, "-c:a wmav2 -b:a 128k -ar 48000"),
                                      auvrytest::MakeSound(w, "WMA_140502.wma", 1.5, "-c:a wmav2 -b:a 128k -ar 48000"),
                                      auvrytest::MakeSound(w, "WMA_140503.wma", 2.5, "-c:a wmav2 -b:a 128k -ar 48000"),
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
  FILE* f = std::fopen(cue.c_str(), "r");
  ASSERT_NE(f, nullptr);
  Cd* cd = cue_parse_file(f);
  std::fclose(f);
  ASSERT_NE(cd, nullptr);
  ASSERT_EQ(cd_get_ntrack(cd), 4);
  for (int i = 1; i <= 4; ++i) {
    Track* track = cd_get_track(cd, i);
    EXPECT_EQ(track_get_mode(track), MODE_AUDIO) << i;
    EXPECT_EQ(track_get_index(track, 1) - track_get_index(track, 0), 150) << i;
  }
  cd_delete(cd);

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

}  // namespace
