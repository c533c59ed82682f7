// The burn dialogs' arithmetic, texts and disc check, against a writer whose answers the test sets.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "audiorec/burn_rules.h"
#include "audiorec/disc_check.h"

namespace {

using namespace auvry;

class FakeWriter : public DiscWriter {
 public:
  unsigned char GetDriveCount() override { return 1; }
  const char* GetDriveName(unsigned char) override { return "D: Fake"; }
  int ChooseDrive(unsigned char) override { return 1; }
  int IsErasable() override { return 0; }
  int StartErase(int, WriterCallback, void*) override { return 0; }
  int UnloadMedium() override { return ++unloads; }
  int TestUnitReady() override { return ready; }
  unsigned char GetDiscType() override {
    const unsigned char kind = kinds.empty() ? 0 : kinds.front();
    if (kinds.size() > 1) kinds.erase(kinds.begin());
    return kind;
  }
  int SupportDisc(unsigned char kind) override {
    asked.push_back(kind);
    return supports;
  }
  unsigned long GetFreeDiscBlock() override { return freeBlocks; }
  int Free() override { return 1; }
  void SetFinalizeDisc(int) override {}
  unsigned long GetBlocksToWrite() override { return 0; }
  unsigned long GetBlocksWritten() override { return 0; }
  unsigned long GetErrorCode() override { return 0; }

  int ready = 1, supports = 1, unloads = 0;
  std::vector<unsigned char> kinds{2};
  std::vector<unsigned char> asked;
  unsigned long freeBlocks = 359847;
};

TEST(BurnSizes, AudioIsCountedInCdSectorsWithAPregapPerTrack) {
  EXPECT_EQ(CdAudioBytes(180), 31752000);
  EXPECT_EQ(CdAudioBytes(0), 0);
  // Sixteen 3-minute tracks: 13,500 sectors each and its pregap, as the writer writes them.
  const std::vector<std::int64_t> sixteen(16, CdAudioBytes(180));
  EXPECT_EQ(AudioSectorsNeeded(sixteen), 218400u);
  // An 80-minute disc (359,847 blocks) takes 79 minutes of audio.
  EXPECT_LE(AudioSectorsNeeded({CdAudioBytes(79 * 60)}), 359847u);
  // A part sector is a whole sector.
  EXPECT_EQ(AudioSectorsNeeded({1}), 1u + 150u);
  EXPECT_EQ(DataBlocksNeeded(0), 150u);
  EXPECT_EQ(DataBlocksNeeded(2049), 152u);
}

TEST(BurnTexts, FiguresShowAsTheDialogsPrintThem) {
  EXPECT_DOUBLE_EQ(FreeMegabytes(100), 0.0);
  EXPECT_DOUBLE_EQ(FreeMegabytes(150 + 512), 1.0);
  EXPECT_EQ(ErasePercent(0), 0);
  EXPECT_EQ(ErasePercent(10), 30);
  EXPECT_EQ(ErasePercent(90), 99);
  EXPECT_EQ(ErasePercent(5000), 99);
  EXPECT_EQ(SenseMessage("Failed to burn.", 0x052400), "Failed to burn.\nSenseKey :  5, ASC : 24, ASCQ :  0");
  EXPECT_EQ(ProgressText(600, 512, 2048), "1.00/1.00 MB");
  EXPECT_EQ(ProgressText(0, 446, 2352), "0.00/1.00 MB");
  EXPECT_EQ(FormatTotalSize(3 * 1048576), "   3.00 MB");
  EXPECT_EQ(FormatTotalTime(3 * 3600 + 25 * 60 + 7), "03:25:07");
}

TEST(BurnTexts, TheDiscLabelIsTheBurnTimeWithAnEnglishMonth) {
  std::tm when{};
  when.tm_year = 126, when.tm_mon = 11, when.tm_mday = 8;
  when.tm_hour = 14, when.tm_min = 5, when.tm_sec = 9;
  EXPECT_EQ(DiscLabel(when), "26Dec08_140509");
  when.tm_year = 108, when.tm_mon = 0, when.tm_mday = 31, when.tm_hour = 0;
  EXPECT_EQ(DiscLabel(when), "08Jan31_000509");
}

TEST(DiscNamesTest, ShortNamesAreCutAndEveryNameIsUniqueInTheRoot) {
  DiscNames names;
  auto first = names.Add("WMA_235959.wma");
  EXPECT_EQ(first.longName, "WMA_235959.wma");
  EXPECT_EQ(first.shortName, "WMA_2359.wma");
  auto shortOne = names.Add("song.mp3");
  EXPECT_EQ(shortOne.shortName, "song.mp3");
  // Recordings of the same minute share their first eight characters.
  auto second = names.Add("WMA_235958.wma");
  EXPECT_EQ(second.longName, "WMA_235958.wma");
  EXPECT_EQ(second.shortName, "WMA_23~1.wma");
  // The same name from another folder lands beside the first.
  auto again = names.Add("wma_235959.WMA");
  EXPECT_EQ(again.longName, "wma_235959 (2).WMA");
  EXPECT_EQ(again.shortName, "wma_23~2.WMA");
  auto noExtension = names.Add("README");
  EXPECT_EQ(noExtension.shortName, "README");
  EXPECT_EQ(names.Add(".hidden").shortName, ".hidden");
}

TEST(DiscCheckTest, CdModeAsksTheCdKindsAndRefusesOthersWithTheTrayOpened) {
  FakeWriter w;
  EXPECT_TRUE(CheckDisc(w, false, 1000).ok);
  EXPECT_EQ(w.asked, std::vector<unsigned char>{11});
  w.kinds = {3};
  w.asked.clear();
  EXPECT_TRUE(CheckDisc(w, false, 1000).ok);
  EXPECT_EQ(w.asked, std::vector<unsigned char>{12});
  w.kinds = {11};  // a DVD+R in CD mode
  const auto refused = CheckDisc(w, false, 1000);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message, "This disc is not supported. Please insert a writable disc.\n\nRetry ?");
  EXPECT_EQ(w.unloads, 1);
}

TEST(DiscCheckTest, DvdModeKindsAndTheirCapabilities) {
  const std::map<unsigned char, unsigned char> table = {{5, 14}, {7, 15}, {8, 15}, {9, 15}, {10, 17}, {11, 16}};
  for (const auto& [kind, capability] : table) {
    FakeWriter w;
    w.kinds = {kind};
    EXPECT_TRUE(CheckDisc(w, true, 10).ok) << int(kind);
    EXPECT_EQ(w.asked, std::vector<unsigned char>{capability}) << int(kind);
  }
  FakeWriter rom;
  rom.kinds = {6};
  EXPECT_FALSE(CheckDisc(rom, true, 10).ok);
  EXPECT_TRUE(rom.asked.empty());
  EXPECT_EQ(rom.unloads, 1);
  FakeWriter unsupported;
  unsupported.kinds = {10};
  unsupported.supports = 0;
  EXPECT_FALSE(CheckDisc(unsupported, true, 10).ok);
}

TEST(DiscCheckTest, NotReadyChangedAndFullDiscsAreRefusedWithTheirMessages) {
  FakeWriter notReady;
  notReady.ready = 0;
  const auto waiting = CheckDisc(notReady, false, 10);
  EXPECT_FALSE(waiting.ok);
  EXPECT_EQ(waiting.message, "Device or Disc is not ready..\nRetry ?");
  EXPECT_EQ(notReady.unloads, 0);  // the tray stays shut: the disc may still be spinning up

  FakeWriter changed;
  changed.kinds = {2, 0};  // taken out between the two looks
  const auto swapped = CheckDisc(changed, false, 10);
  EXPECT_FALSE(swapped.ok);
  EXPECT_EQ(swapped.message, "You already selected CD. Re-check the medium.\n\nRetry ?");
  EXPECT_EQ(changed.unloads, 1);

  FakeWriter full;
  full.freeBlocks = 100;
  const auto tooBig = CheckDisc(full, false, 101);
  EXPECT_FALSE(tooBig.ok);
  EXPECT_NE(tooBig.message.find("[   0.00Mb]"), std::string::npos) << tooBig.message;
  EXPECT_EQ(full.unloads, 1);
  full.freeBlocks = 101;
  EXPECT_TRUE(CheckDisc(full, false, 101).ok);
}

}  // namespace
