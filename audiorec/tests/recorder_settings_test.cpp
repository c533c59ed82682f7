#include "audiorec/recorder_settings.h"

#include <gtest/gtest.h>

#include "platform/base/file.h"
#include "platform/registry/registry.h"
#include "platform/testkit/environment.h"
#include "widgets/reg_helpers.h"

namespace {

TEST(RecorderSettings, MissingValuesAreStoredWithTheirDefaultsAndSavedValuesComeBack) {
  testkit::Environment env("auvry_settings");
  const RecorderSettings first = LoadRecorderSettings();
  EXPECT_EQ(first.volume, 10u);
  EXPECT_EQ(first.noiseReduction, 0u);
  EXPECT_EQ(first.noiseReductionValue, 150u);
  EXPECT_EQ(first.noAudioStreamRender, 1u);
  DWORD stored = 0;
  EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, kProductKey, "NoiseReductionValue", &stored, REG_READ_NO_DEFAULT));
  EXPECT_EQ(stored, 150u);

  RecorderSettings changed;
  changed.volume = 3, changed.noiseReduction = 1, changed.noiseReductionValue = 220, changed.noAudioStreamRender = 0;
  SaveRecorderSettings(changed);
  const RecorderSettings again = LoadRecorderSettings();
  EXPECT_EQ(again.volume, 3u);
  EXPECT_EQ(again.noiseReduction, 1u);
  EXPECT_EQ(again.noiseReductionValue, 220u);
  EXPECT_EQ(again.noAudioStreamRender, 0u);
}

TEST(RecorderSettings, AValueOfTheWrongTypeReadsAsItsDefault) {
  testkit::Environment env("auvry_settings_type");
  ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, kProductKey, "Volume", "loud"));
  EXPECT_EQ(LoadRecorderSettings().volume, 10u);
}

TEST(RecorderOutputFolder, AnExistingFolderIsKeptAndAMissingDefaultIsMadeWithItsParents) {
  testkit::Environment env("auvry_folder");
  const std::string base = std::string(std::getenv("HOME")) + "/";
  ASSERT_TRUE(platform::CreateFolders(base + "empty"));
  EXPECT_EQ(ResolveOutputFolder(base + "empty", base + "Vidarro/Capture"), base + "empty/");
  EXPECT_EQ(ResolveOutputFolder(base + "gone", base + "Documents/Vidarro/Capture"),
            base + "Documents/Vidarro/Capture/");
  EXPECT_TRUE(platform::FolderExists(base + "Documents/Vidarro/Capture"));
  EXPECT_EQ(ResolveOutputFolder("", ""), "");
}

}  // namespace
