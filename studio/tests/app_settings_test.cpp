#include "app_settings.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "capture_rules.h"
#include "platform/base/file_system.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/registry/registry.h"
#include "platform/testkit/environment.h"
#include "product.h"
#include "widgets/reg_helpers.h"
#include "widgets/tv_standards.h"

namespace studio {
namespace {

void WriteUser(const char* name, DWORD value) { RegWriteDword(HKEY_CURRENT_USER, kProductKey, name, value); }
void WriteUser(const char* name, const char* value) { RegWriteString(HKEY_CURRENT_USER, kProductKey, name, value); }

TEST(AppSettings, DefaultsWithAnEmptyRegistry) {
  testkit::Environment env;
  AppSettings s;
  s.currentPage = 2;
  LoadSettings(&s, env.Documents());
  EXPECT_EQ(s.currentPage, 0);
  EXPECT_EQ(s.videoInput, 1);
  EXPECT_EQ(s.recordFormat, 2);
  EXPECT_EQ(s.volume, 10);
  EXPECT_EQ(s.tvSystem, 1);
  EXPECT_EQ(s.tvSystemIndex, 0);
  EXPECT_EQ(s.analogVideoStandard, 0);
  EXPECT_EQ(s.checkVideoSignal, 1);
  EXPECT_EQ(s.addFileFolder, env.Documents());
  EXPECT_EQ(s.imageFolder, env.Documents());
  EXPECT_EQ(s.videoDeviceName, "NOT FIND DEVICE");
  EXPECT_EQ(s.audioDeviceName, "NO FIND DEVICE");
  EXPECT_EQ(s.cpuMode, std::clamp(s.cpuClass, 0, 2));
}

TEST(AppSettings, StoredValuesAreClampedAndMisTypedOnesIgnored) {
  testkit::Environment env;
  WriteUser("CPUMode", 5);
  WriteUser("nVolume", "loud");  // wrong type: the default stays
  WriteUser("AudioDeviceName", "");
  WriteUser("VideoDeviceName", "");
  WriteUser("WMV_Title", std::string(5000, 'x').c_str());  // too long for a value: ignored
  AppSettings s;
  LoadSettings(&s, env.Documents());
  EXPECT_EQ(s.cpuMode, 2);
  EXPECT_EQ(s.volume, 10);
  EXPECT_EQ(s.audioDeviceName, "NOT FIND DEVICE");
  EXPECT_EQ(s.videoDeviceName, "NOT FIND DEVICE");
  EXPECT_EQ(s.wmvTitle, "");
  WriteUser("CPUMode", static_cast<DWORD>(-1));
  LoadSettings(&s, env.Documents());
  EXPECT_EQ(s.cpuMode, 0);
}

TEST(AppSettings, TvStandardNamesReadBackAsWritten) {
  testkit::Environment env;
  EXPECT_EQ(ParseTvStandardName("pal").standard, AnalogVideo_PAL_B);
  EXPECT_EQ(ParseTvStandardName("PAL_M").system, 1);
  EXPECT_EQ(ParseTvStandardName("SECAM_L1").system, 2);
  EXPECT_EQ(ParseTvStandardName("PAL_G").standard, AnalogVideo_NTSC_M);
  EXPECT_EQ(ParseTvStandardName("rubbish").system, 1);
  EXPECT_STREQ(TvStandardName(AnalogVideo_PAL_G), "LOCAL");
  for (int standard : {AnalogVideo_NTSC_M, AnalogVideo_PAL_B, AnalogVideo_PAL_60, AnalogVideo_SECAM_K1,
                       AnalogVideo_PAL_N_COMBO, AnalogVideo_NTSC_433}) {
    AppSettings s;
    s.analogVideoStandard = standard;
    SaveTvStandardName(s);
    LoadSettings(&s, env.Documents());
    EXPECT_EQ(s.analogVideoStandard, standard) << TvStandardName(standard);
    EXPECT_EQ(s.tvSystemIndex, s.tvSystem - 1);
  }
}

TEST(AppSettings, LocalStandardOfASecamCountryIsPalB) {
  testkit::Environment env;
  setenv(kLocaleCountryVariable, "33", 1);  // France
  const TvStandardChoice local = ParseTvStandardName("local");
  unsetenv(kLocaleCountryVariable);
  EXPECT_EQ(local.standard, AnalogVideo_PAL_B);
  EXPECT_EQ(local.system, 2);
}

TEST(AppSettings, SaveWritesTheCloseValuesAndPublishFlagsKeepDefaults) {
  testkit::Environment env;
  AppSettings s;
  LoadSettings(&s, env.Documents());
  s.videoInput = 2;
  s.volume = 3;
  s.wmvAuthor = "me";
  s.wideScreen = 1;
  SaveSettings(s);
  AppSettings back;
  LoadSettings(&back, env.Documents());
  EXPECT_EQ(back.videoInput, 2);
  EXPECT_EQ(back.volume, 3);
  EXPECT_EQ(back.wmvAuthor, "me");
  EXPECT_EQ(back.wideScreen, 1);

  PublishFlags flags;
  RegWriteDword(HKEY_LOCAL_MACHINE, kProductKey, "bSmartRender", 1);
  LoadPublishFlags(&flags);
  EXPECT_EQ(flags.smartRender, 1);
  EXPECT_EQ(flags.makeCopyDisc, 1);
  EXPECT_EQ(flags.iPad, 1);
  EXPECT_EQ(flags.motionDlg, 0);
}

TEST(AppSettings, StartUpAndTheFormatListAskTheFileSystemAlike) {
  testkit::Environment env;
  const struct {
    platform::LargeFiles answer;
    int capacity;
  } cases[] = {{platform::LargeFiles::Yes, kDiscCapacityLargeFiles},
               {platform::LargeFiles::No, kDiscCapacitySmallFiles},
               {platform::LargeFiles::Unknown, kDiscCapacitySmallFiles}};
  for (const auto& c : cases) {
    platform::FixedFileSystem disk(64ull << 30, c.answer, c.answer == platform::LargeFiles::Unknown);
    platform::ScopedFileSystem use(disk);
    AppSettings s;
    LoadSettings(&s, env.Documents());
    EXPECT_EQ(s.discCapacity, c.capacity);
    // What Browse asks of a folder is what start-up asked.
    const bool large = FolderHoldsLargeFiles(env.Documents());
    EXPECT_EQ(s.outputHoldsLargeFiles != FALSE, large);
    const auto formats = FormatListFor(0, large, "single", "dual");
    const bool dual =
        std::any_of(formats.begin(), formats.end(), [](const FormatItem& f) { return f.detail == "dual"; });
    EXPECT_EQ(dual, c.answer == platform::LargeFiles::Yes);
  }
}

}  // namespace
}  // namespace studio
