#include "capture_rules.h"

#include <gtest/gtest.h>

#include <set>

namespace studio {
namespace {

TEST(CaptureRulesTest, RatesAndSizesFollowFormatAndQuality) {
  EXPECT_EQ(DvdBitRate(0), 8000000);
  EXPECT_EQ(LongDvdBitRate(3), 1150000);
  // A quality from a project outside 0..3 is Normal everywhere.
  EXPECT_EQ(DvdBitRate(7), 5000000);
  EXPECT_EQ(LongDvdBitRate(-1), 1500000);
  EXPECT_EQ(MpegVideoBitRate(kVcd, 0), 1150000);
  EXPECT_EQ(MpegVideoBitRate(kSvcd, 3), 2500000);
  EXPECT_EQ(MpegStreamType(kVcd, 1), 4);
  EXPECT_EQ(MpegStreamType(kSvcd, 0), 9);
  EXPECT_EQ(MpegStreamType(kLongDvd, 1), 8);
  const CaptureSize dvd = CaptureSizeFor(kDvd, 1, 2, 0);
  EXPECT_EQ(dvd.width, 720);
  EXPECT_EQ(dvd.height, 480);
  EXPECT_EQ(CaptureSizeFor(kLongDvd, 2, 1, 1).height, 576);
  EXPECT_EQ(CaptureSizeFor(kSvcd, 2, 0, 1).width, 480);
  EXPECT_EQ(CaptureSizeFor(kAvi, 1, 0, 1).width, 640);
  EXPECT_EQ(CaptureSizeFor(kHdv, 1, 2, 0).width, 320);
}

TEST(CaptureRulesTest, MaximumRecordingTimeFromFreeSpace) {
  // 55 MiB or less left: nothing can be recorded.
  EXPECT_EQ(ComputeMaxRecordingTime(57671680, kDvd, 0).text, "00 : 00 : 00");
  EXPECT_EQ(ComputeMaxRecordingTime(57671680, kDvd, 0).seconds, 0u);
  const std::uint64_t beyond = 1049000ull * 3600;
  const MaxRecordingTime dvd = ComputeMaxRecordingTime(57671680 + beyond, kDvd, 0);
  EXPECT_EQ(dvd.seconds, 3600u);
  EXPECT_EQ(dvd.text, "01 : 00 : 00");
  EXPECT_EQ(ComputeMaxRecordingTime(1ull << 50, kVcd, 0).text, "23 : 59 : 59");
  EXPECT_EQ(ComputeMaxRecordingTime(1ull << 50, kVcd, 0).seconds, 86399u);
  EXPECT_EQ(ComputeMaxRecordingTime(1ull << 30, kAvi, 0).text, "-- : -- : --");
  // Space that cannot be read is no reason to refuse a recording.
  EXPECT_EQ(ComputeMaxRecordingTime(std::nullopt, kDvd, 0).seconds, 86399u);
  EXPECT_NEAR(MpegSizeEstimateMB(kVcd, 0, 1048576.0 / 175000), 1.0, 1e-9);
}

TEST(CaptureRulesTest, NamesOfOutputsPartsAndStreams) {
  EXPECT_EQ(WmvProfileName(0, 0, 2, 0), "WMVProfile/QnProfile_BNH0.prx");
  EXPECT_EQ(WmvProfileName(2, 1, 1, 1), "WMVProfile/QnProfile_NPL2.prx");
  EXPECT_EQ(WmvProfileName(3, 1, 2, 1), "WMVProfile/QnProfile_APH1.prx");
  EXPECT_EQ(SplitName("/o/WMV_101010.wmv", 3), "/o/WMV_101010_3.wmv");
  EXPECT_EQ(SplitName("/o/WMV_101010.wmv", 11), "/o/WMV_101010_11.wmv");
  EXPECT_EQ(MpegPartNames("/o/DVD_101010.mpg", 2),
            (std::vector<std::string>{"/o/DVD_101010_0.mpg", "/o/DVD_101010_1.mpg"}));
  EXPECT_EQ(HdvPartNames("/o/HDV_101010.m2ts", 3),
            (std::vector<std::string>{"/o/HDV_101010.m2ts", "/o/HDV_101010_1.m2ts", "/o/HDV_101010_2.m2ts"}));
  // Only the file's last extension goes, not a folder's.
  EXPECT_EQ(StemOf("/v/clips.mpg/DVD_1.mpg"), "/v/clips.mpg/DVD_1");
  EXPECT_EQ(StemOf("/v/clips.mpg/DVD_1"), "/v/clips.mpg/DVD_1");
  EXPECT_EQ(MpegPartNames("/o/x.mpg", -5).size(), 0u);
  EXPECT_LE(MpegPartNames("/o/x.mpg", 100000).size(), 10000u);
  const std::vector<std::string> streams = ElementaryStreamNames("/o/DVD_1.mpg");
  EXPECT_EQ(streams.size(), 202u);
  EXPECT_EQ(streams[0], "/o/DVD_1.mpv");
  EXPECT_EQ(streams.back(), "/o/DVD_1.mpa.99");
}

TEST(CaptureRulesTest, AnEarlierRecordingOfTheSameSecondIsNotOverwritten) {
  std::set<std::string> disk;
  auto exists = [&](const std::string& p) { return disk.count(p) > 0; };
  const OutputPattern dvd = OutputPatternOf(kDvd);
  EXPECT_EQ(UniqueOutputName("/o/", dvd, "140509", exists), "/o/DVD_140509.mpg");
  disk.insert("/o/DVD_140509_0.mpg");
  EXPECT_EQ(UniqueOutputName("/o/", dvd, "140509", exists), "/o/DVD_140509-2.mpg");
  disk.insert("/o/DVD_140509-2.mpv");
  EXPECT_EQ(UniqueOutputName("/o/", dvd, "140509", exists), "/o/DVD_140509-3.mpg");
  EXPECT_EQ(UniqueOutputName("/o/", OutputPatternOf(kHdv), "010203", exists), "/o/HDV_010203.m2ts");
}

TEST(CaptureRulesTest, BurnerOptionTextAndDiscCodes) {
  EXPECT_EQ(BurnOptionString(kDvd, 0, 600, 0, 4196, "/out/"),
            "show option type=dvd;ntsc=yes;playtime=600;videobitrate=8000000;maxfilesize=4196;outfolder=/out/;");
  EXPECT_EQ(BurnOptionString(kLongDvd, 1, 30, 9, 3896, "/o/"),
            "show option type=longdvd;ntsc=no;playtime=30;videobitrate=1500000;maxfilesize=3896;outfolder=/o/;");
  EXPECT_EQ(DiscLockText(kSvcd, true), "disclock type=svcd;lock=on;");
  EXPECT_EQ(DiscLockText(kVcd, false), "disclock type=vcd;lock=off;");

  EXPECT_FALSE(ChooseForDisc(99999, kWmv, 1, true).changed);
  EXPECT_FALSE(ChooseForDisc(-5, kWmv, 1, true).changed);
  DiscChoice dvd = ChooseForDisc(204480, kVcd, 665, true);
  EXPECT_EQ(dvd.format, kDvd);
  EXPECT_EQ(dvd.maxFileSizeMB, 4196);
  EXPECT_EQ(ChooseForDisc(308500, kVcd, 665, true).maxFileSizeMB, 7568);
  EXPECT_EQ(ChooseForDisc(308500, kVcd, 665, false).maxFileSizeMB, 3896);
  EXPECT_EQ(ChooseForDisc(1LL << 40, kVcd, 665, true).maxFileSizeMB, 7568);
  EXPECT_EQ(ChooseForDisc(100700, kDvd, 4196, true).maxFileSizeMB, 609);
  EXPECT_EQ(ChooseForDisc(100800, kDvd, 4196, true).maxFileSizeMB, 665);
  EXPECT_EQ(ChooseForDisc(101000, kDvd, 4196, true).maxFileSizeMB, 760);
  const DiscChoice big = ChooseForDisc(101500, kDvd, 4196, true);
  EXPECT_EQ(big.format, kVcd);
  EXPECT_EQ(big.maxFileSizeMB, 4196);
}

TEST(CaptureRulesTest, MetersVolumeAndTape) {
  EXPECT_EQ(MeterValue(-50), 0);
  EXPECT_EQ(MeterValue(-90), 0);
  EXPECT_EQ(MeterValue(12.5), 100);
  EXPECT_EQ(MeterValue(-20), 48);
  EXPECT_FLOAT_EQ(VolumeGain(0), 0.1f);
  EXPECT_FLOAT_EQ(VolumeGain(10), 1.0f);
  EXPECT_FLOAT_EQ(VolumeGain(20), 11.0f);
  EXPECT_EQ(RewindMode(4296), 5031);
  EXPECT_EQ(RewindMode(5121), 4905);
  EXPECT_EQ(RewindMode(4297), 4301);
  EXPECT_EQ(FastForwardMode(5031), 5029);
  EXPECT_EQ(FastForwardMode(4298), 4304);
  EXPECT_EQ(FastForwardMode(0), 4300);
}

TEST(CaptureRulesTest, TimeLimitFieldsStayUnderTheMaximum) {
  const unsigned maximum = 2 * 3600 + 30 * 60 + 15;
  EXPECT_EQ(ClampHours(5, maximum), 2);
  EXPECT_EQ(ClampHours(-3, maximum), 0);
  EXPECT_EQ(ClampMinutes(45, 2, maximum), 30);
  EXPECT_EQ(ClampMinutes(45, 1, maximum), 45);
  EXPECT_EQ(ClampSeconds(40, 2, 30, maximum), 15);
  EXPECT_EQ(ClampSeconds(99, 1, 0, maximum), 59);
  EXPECT_EQ(ParseField(""), 0);
  EXPECT_EQ(ParseField("4x"), 4);
  EXPECT_EQ(ParseField("ab"), 0);
  EXPECT_EQ(ParseField("-7"), -7);
  EXPECT_EQ(ParseField("99999999999999"), 1000000);
  const TimeLimit over = LimitWithin({3, 0, 0}, maximum);
  EXPECT_EQ(over.Total(), maximum);
}

TEST(CaptureRulesTest, RecordSettingsListsAndTimes) {
  const auto analogNtfs = FormatListFor(1, true, "", "");
  ASSERT_EQ(analogNtfs.size(), 8u);
  EXPECT_EQ(analogNtfs[3].detail, "Dual Layer");
  EXPECT_EQ(analogNtfs[3].capacityMB, 7568);
  EXPECT_EQ(analogNtfs[7].capacityMB, 4046);
  const auto dvNtfs = FormatListFor(2, true, "SL", "DL");
  ASSERT_EQ(dvNtfs.size(), 9u);
  EXPECT_EQ(dvNtfs[8].name, "DV-AVI");
  const auto hdvNtfs = FormatListFor(3, true, "SL", "DL");
  ASSERT_EQ(hdvNtfs.size(), 7u);
  EXPECT_EQ(hdvNtfs[6].capacityMB, 23000);
  const auto hdvFat = FormatListFor(3, false, "SL", "DL");
  ASSERT_EQ(hdvFat.size(), 5u);
  EXPECT_EQ(hdvFat[4].detail, "4GB");
  EXPECT_EQ(hdvFat[2].capacityMB, 3896);
  EXPECT_EQ(FormatListFor(2, false, "SL", "DL").size(), 7u);
  EXPECT_EQ(FormatListFor(0, false, "SL", "DL").size(), 6u);

  const std::string pattern = "Record up to HHHHH hr && MMMMM min of  video to a FFFFF SSSSS. ";
  EXPECT_EQ(RecordingResultText(pattern, analogNtfs[2], 0),
            "Record up to 1 hr && 9 min of  video to a DVD (Single Layer). ");
  EXPECT_NEAR(RecordingSeconds(kVcd, 3, 665), 665 * 1048576.0 / 175000, 1e-6);
}

}  // namespace
}  // namespace studio
