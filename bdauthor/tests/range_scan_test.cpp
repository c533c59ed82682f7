// The clip scanned in ranges on several threads against one plain scan from its start, on clips
// of MPEG-2 and H.264 pictures with LPCM, AC-3 and MP2 sound, split at every packet.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bdauthor/clip_analysis.h"
#include "bdauthor/clip_mapping.h"
#include "bdauthor/entry_point_scan.h"
#include "bdauthor/range_scan.h"
#include "bdauthor/tests/job_fixture.h"
#include "bdauthor/tests/test_clip.h"

namespace bdauthor {
namespace {

using test::AccessUnit;
using test::MuxOptions;
using test::Sound;

struct Random {
  std::uint32_t state;
  std::uint32_t Next(std::uint32_t below) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % below;
  }
};

// Picture data as coders leave it: zero pairs that are no start code, and slice codes.
void PictureBytes(std::vector<std::uint8_t>& es, std::size_t bytes, Random& random, bool h264) {
  const std::size_t end = es.size() + bytes;
  while (es.size() < end) {
    switch (random.Next(40)) {
      case 0: es.insert(es.end(), {0x00, 0x00, static_cast<std::uint8_t>(h264 ? 0x03 : 0x02)}); break;
      case 1:
        if (!h264) es.insert(es.end(), {0x00, 0x00, 0x01, static_cast<std::uint8_t>(1 + random.Next(0xAF))});
        break;
      default: es.push_back(static_cast<std::uint8_t>(1 + random.Next(255)));
    }
  }
}

// MPEG-2 GOPs of pictures of varied sizes, so that codes and PES starts fall anywhere in packets.
std::vector<std::uint8_t> Mpeg2Stream(unsigned seed, int gops, std::size_t pictureBytes) {
  Random random{seed};
  std::vector<std::uint8_t> es;
  for (int g = 0; g < gops; ++g) {
    es.insert(es.end(), {0x00, 0x00, 0x01, 0xB3, 0x5A, 0x04, 0x38, 0x34, 0xFF, 0xFF, 0xE0, 0x00});
    es.insert(es.end(), {0x00, 0x00, 0x01, 0xB5, 0x14, 0x82, 0x00, 0x01, 0x00, 0x00});
    es.insert(es.end(), {0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x00});
    const int pictures = 1 + static_cast<int>(random.Next(9));
    for (int f = 0; f < pictures; ++f) {
      es.insert(es.end(), {0x00, 0x00, 0x01, 0x00, 0x00, static_cast<std::uint8_t>(f == 0 ? 0x08 : 0x10), 0xFF, 0xF8});
      PictureBytes(es, pictureBytes / 2 + random.Next(static_cast<std::uint32_t>(pictureBytes)), random, false);
    }
  }
  es.insert(es.end(), {0x00, 0x00, 0x01, 0xB7});
  return es;
}

// H.264 access units: delimiter, parameter sets and an IDR slice first in each GOP.
std::vector<std::uint8_t> H264Stream(unsigned seed, int pictures, std::vector<AccessUnit>& units) {
  Random random{seed};
  std::vector<std::uint8_t> es;
  for (int f = 0; f < pictures; ++f) {
    const std::size_t start = es.size();
    es.insert(es.end(), {0x00, 0x00, 0x00, 0x01, 0x09, 0x10});
    const bool key = f % 12 == 0;
    if (key) {
      es.insert(es.end(), {0x00, 0x00, 0x00, 0x01, 0x67, 0x64, 0x00, 0x28, 0xAC, 0xD9});
      es.insert(es.end(), {0x00, 0x00, 0x00, 0x01, 0x68, 0xEB, 0xE3, 0xCB});
    }
    es.insert(es.end(), {0x00, 0x00, 0x01, static_cast<std::uint8_t>(key ? 0x65 : 0x41)});
    PictureBytes(es, 300 + random.Next(4000), random, true);
    units.push_back({start, es.size() - start, key});
  }
  return es;
}

// Arrival stamps of uneven steps, as a variable-rate recording has, wrapping past 30 bits, with
// the odd packet unstamped (0), so that the smallest step lies at one place of the clip.
void Restamp(std::vector<std::uint8_t>& bytes, unsigned seed) {
  Random random{seed};
  std::uint32_t stamp = 0x3FFF0000;
  for (std::size_t at = 0; at + 4 <= bytes.size(); at += 192) {
    stamp = (stamp + 1400 + random.Next(3000)) & 0x3FFFFFFF;
    const std::uint32_t written = random.Next(50) == 0 ? 0 : stamp;
    for (int b = 0; b < 4; ++b)
      bytes[at + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(written >> (24 - 8 * b));
  }
}

struct NamedClip {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

std::vector<NamedClip> VariedClips() {
  std::vector<NamedClip> clips;
  clips.push_back({"MPEG-2, LPCM", test::MuxClip(Mpeg2Stream(1, 6, 3000), MuxOptions{}).bytes});
  MuxOptions mp2;
  mp2.sound = Sound::kMp2;
  mp2.adaptationAtPesStart = true;
  clips.push_back({"MPEG-2, MP2, adaptation fields", test::MuxClip(Mpeg2Stream(2, 6, 2500), mp2).bytes});
  MuxOptions headerSplit;
  headerSplit.sound = Sound::kAc3;
  headerSplit.pesStartStuffing = 170;  // 12 bytes of the 14-byte PES header in the first packet
  clips.push_back(
      {"MPEG-2, AC-3, PES header across packets", test::MuxClip(Mpeg2Stream(3, 5, 2000), headerSplit).bytes});
  MuxOptions codeSplit;
  codeSplit.pesStartStuffing = 166;  // 00 00 in the first packet, 01 B3 in the next
  codeSplit.alignUnits = false;
  clips.push_back({"MPEG-2, sequence header across packets", test::MuxClip(Mpeg2Stream(4, 5, 2000), codeSplit).bytes});
  NamedClip cut{"MPEG-2, last packet cut short", test::MuxClip(Mpeg2Stream(5, 5, 2200), MuxOptions{}).bytes};
  cut.bytes.resize(cut.bytes.size() - 92);
  clips.push_back(cut);
  std::vector<AccessUnit> units;
  const auto h264 = H264Stream(6, 40, units);
  MuxOptions ac3;
  ac3.sound = Sound::kAc3;
  clips.push_back({"H.264, AC-3", test::MuxUnits(h264, units, ac3).bytes});
  clips.push_back({"empty", {}});
  for (std::size_t k = 1; k < clips.size(); ++k) Restamp(clips[k].bytes, static_cast<unsigned>(k));
  return clips;
}

std::string WriteClip(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const std::string path = test::TempRoot() + "bdauthor_range_scan_" + name + ".m2ts";
  test::WriteBytes(path, bytes);
  return path;
}

EntryPointScanner PlainScan(const std::vector<std::uint8_t>& bytes) {
  EntryPointScanner reference(WalkInstructions::kNone);
  reference.Feed(bytes.data(), bytes.size() / 192 * 192);
  return reference;
}

void ExpectSameScan(const EntryPointScanner& found, const EntryPointScanner& expected, const std::string& what) {
  ASSERT_EQ(found.Entries().size(), expected.Entries().size()) << what;
  for (std::size_t i = 0; i < found.Entries().size(); ++i) {
    EXPECT_EQ(found.Entries()[i].packet, expected.Entries()[i].packet) << what << " entry " << i;
    EXPECT_EQ(found.Entries()[i].pts, expected.Entries()[i].pts) << what << " entry " << i;
    EXPECT_EQ(found.Entries()[i].sizeClass, expected.Entries()[i].sizeClass) << what << " entry " << i;
  }
  EXPECT_EQ(found.LastVideoPts(), expected.LastVideoPts()) << what;
  EXPECT_EQ(found.Rate().SmallestStep(), expected.Rate().SmallestStep()) << what;
  EXPECT_EQ(found.Rate().Rate(), expected.Rate().Rate()) << what;
  EXPECT_EQ(found.PacketsSeen(), expected.PacketsSeen()) << what;
}

// Scans the file in the ranges given and holds the result to the plain scan.
void ExpectRangesScanAsOne(const std::string& path, const std::vector<std::uint8_t>& bytes,
                           const EntryPointScanner& expected, const std::vector<std::int64_t>& starts,
                           const std::string& what, WalkInstructions walk = BestWalkInstructions()) {
  std::string label = what + ", ranges at";
  for (const std::int64_t s : starts) label += " " + std::to_string(s);
  ReadOnlyFile clip(path);
  ASSERT_TRUE(clip.IsOpen());
  JobProgress progress;
  progress.SetState(JobState::kAnalysing);
  progress.AddToScan(static_cast<std::int64_t>(bytes.size()));
  std::int64_t scanned = -1;
  const std::optional<EntryPointScanner> found = ScanInRanges(clip, starts, progress, scanned, walk);
  ASSERT_TRUE(found.has_value()) << label;
  EXPECT_EQ(scanned, static_cast<std::int64_t>(bytes.size() / 192 * 192)) << label;
  ExpectSameScan(*found, expected, label);
}

TEST(RangeScan, EverySplitOfVariedClipsFindsWhatOnePlainScanFinds) {
  for (const NamedClip& clip : VariedClips()) {
    const std::string path = WriteClip("varied", clip.bytes);
    const EntryPointScanner expected = PlainScan(clip.bytes);
    const std::int64_t packets = static_cast<std::int64_t>(clip.bytes.size() / 192);
    if (clip.name.rfind("MPEG-2", 0) == 0) {
      ASSERT_GE(expected.Entries().size(), 3u) << clip.name;
    }
    ExpectRangesScanAsOne(path, clip.bytes, expected, {0}, clip.name);
    // Two ranges split at every packet: each packet boundary, inside every PES header and code.
    for (std::int64_t at = 1; at < packets; ++at) ExpectRangesScanAsOne(path, clip.bytes, expected, {0, at}, clip.name);
    Random random{7};
    for (int round = 0; round < 40 && packets > 8; ++round) {
      std::vector<std::int64_t> starts = {0};
      const int more = 2 + static_cast<int>(random.Next(3));
      for (int k = 0; k < more; ++k) starts.push_back(1 + random.Next(static_cast<std::uint32_t>(packets - 1)));
      std::sort(starts.begin(), starts.end());
      starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
      ExpectRangesScanAsOne(path, clip.bytes, expected, starts, clip.name);
      ExpectRangesScanAsOne(path, clip.bytes, expected, starts, clip.name + " plain walk", WalkInstructions::kPlain);
    }
    std::remove(path.c_str());
  }
}

TEST(RangeScan, ClipOfManyBlocksWithLongPicturesSplitsAnywhere) {
  // Pictures longer than a block: a range may begin far inside a PES and meet the plain scan only
  // at the next one.
  const std::vector<std::uint8_t> bytes = test::MuxClip(Mpeg2Stream(11, 8, 400000), MuxOptions{}).bytes;
  ASSERT_GT(bytes.size(), 8 * kScanBlockBytes);
  const std::string path = WriteClip("long", bytes);
  const EntryPointScanner expected = PlainScan(bytes);
  const std::int64_t packets = static_cast<std::int64_t>(bytes.size() / 192);
  const std::int64_t blockPackets = static_cast<std::int64_t>(kScanBlockBytes / 192);
  for (std::int64_t b = 1; b * blockPackets < packets; b += 3)
    for (const std::int64_t near : {b * blockPackets - 1, b * blockPackets, b * blockPackets + 1})
      ExpectRangesScanAsOne(path, bytes, expected, {0, near, std::min(packets - 1, near + blockPackets)}, "long");
  Random random{3};
  for (int round = 0; round < 30; ++round) {
    std::vector<std::int64_t> starts = {0};
    for (int k = 0; k < 3; ++k) starts.push_back(1 + random.Next(static_cast<std::uint32_t>(packets - 1)));
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    ExpectRangesScanAsOne(path, bytes, expected, starts, "long");
  }
  // Ranges that find their pages gone part way read them from the file instead, each on its own.
  for (int round = 0; round < 3; ++round) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ::fdatasync(fd);
    ::posix_fadvise(fd, static_cast<off_t>(bytes.size() / 3), static_cast<off_t>(bytes.size() / 3),
                    POSIX_FADV_DONTNEED);
    ::close(fd);
    ExpectRangesScanAsOne(path, bytes, expected, {0, packets / 4 + round, packets / 2 - round}, "long, partly cached");
  }
  std::remove(path.c_str());
}

TEST(RangeScan, RangePastTheEndOfTheClipIsAClipCutShort) {
  const std::vector<std::uint8_t> bytes = test::MuxClip(Mpeg2Stream(8, 3, 2000), MuxOptions{}).bytes;
  const std::string path = WriteClip("cut", bytes);
  const std::int64_t packets = static_cast<std::int64_t>(bytes.size() / 192);
  ReadOnlyFile clip(path);
  JobProgress progress;
  std::int64_t scanned = 0;
  EXPECT_FALSE(ScanInRanges(clip, {0, packets + 10, packets + 20}, progress, scanned).has_value());
  std::remove(path.c_str());
}

TEST(RangeScan, LongClipsGoToSeveralRangesOfAtLeast64MegabytesEach) {
  EXPECT_EQ(RangeStartsFor(0), std::vector<std::int64_t>{0});
  EXPECT_EQ(RangeStartsFor(-1), std::vector<std::int64_t>{0});
  EXPECT_EQ(RangeStartsFor((64 << 20) * 2 - 1), std::vector<std::int64_t>{0});
  for (const std::int64_t size : {std::int64_t{200} << 20, std::int64_t{1} << 30, std::int64_t{40} << 30}) {
    const std::vector<std::int64_t> starts = RangeStartsFor(size);
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts.front(), 0);
    EXPECT_LE(starts.size(), 4u);
    for (std::size_t k = 1; k < starts.size(); ++k) {
      EXPECT_GE((starts[k] - starts[k - 1]) * 192, std::int64_t{63} << 20) << size;
      EXPECT_EQ(starts[k] % 32, 0) << size;
    }
    EXPECT_GE((size / 192 - starts.back()) * 192, std::int64_t{63} << 20) << size;
    const std::vector<std::int64_t> fromDisk = RangeStartsFor(size, true);
    EXPECT_GE(fromDisk.size(), starts.size()) << size;
    EXPECT_LE(fromDisk.size(), 8u) << size;
    EXPECT_GE((size / 192 - fromDisk.back()) * 192, std::int64_t{63} << 20) << size;
  }
}

TEST(RangeScan, ClipWhoseEndTheCacheLacksIsReadFromDisk) {
  std::vector<std::uint8_t> bytes(std::size_t{16} << 20, 0x47);
  const std::string path = WriteClip("cached", bytes);
  ReadOnlyFile clip(path);
  ASSERT_TRUE(clip.IsOpen());
  ASSERT_EQ(clip.Read(bytes.data(), bytes.size()), static_cast<std::int64_t>(bytes.size()));
  EXPECT_FALSE(ReadsFromDisk(clip));
  // Only the last quarter dropped: a look at the start alone would miss it.
  const int fd = clip.Descriptor();
  ::fdatasync(fd);
  ::posix_fadvise(fd, static_cast<off_t>(bytes.size() / 4 * 3), 0, POSIX_FADV_DONTNEED);
  if (SpanCached(fd, static_cast<std::int64_t>(bytes.size() / 4 * 3), 1 << 20).value_or(true)) {
    std::remove(path.c_str());
    GTEST_SKIP() << "this file system keeps the pages or cannot tell";
  }
  EXPECT_TRUE(ReadsFromDisk(clip));
  std::remove(path.c_str());
}

TEST(RangeScan, AnalysisOfALongClipKeepsThePlainScansEntriesAndRate) {
  // Long enough for two ranges, where the process may run on two processors.
  const test::MuxedClip piece = test::MuxClip(Mpeg2Stream(9, 30, 40000), MuxOptions{});
  std::vector<std::uint8_t> bytes;
  while (bytes.size() < (std::size_t{130} << 20)) bytes.insert(bytes.end(), piece.bytes.begin(), piece.bytes.end());
  test::WorkFolder work("bdauthor_range_scan_analysis");
  test::WriteBytes(work.ClipPath(0), bytes);
  const EntryPointScanner expected = PlainScan(bytes);
  InputRecord record;
  record.packetCount = static_cast<std::int32_t>(bytes.size() / 192);
  JobProgress progress;
  ASSERT_TRUE(AnalyzeClipStream(work.ClipPath(0), record, progress));
  ASSERT_EQ(record.entryPoints.size(), expected.Entries().size());
  for (std::size_t i = 0; i < record.entryPoints.size(); ++i) {
    EXPECT_EQ(record.entryPoints[i].packet, expected.Entries()[i].packet) << i;
    EXPECT_EQ(record.entryPoints[i].pts, expected.Entries()[i].pts) << i;
    EXPECT_EQ(record.entryPoints[i].sizeClass, expected.Entries()[i].sizeClass) << i;
  }
  EXPECT_EQ(record.recordingRate, expected.Rate().Rate());
  EXPECT_EQ(record.firstPts, expected.Entries().front().pts / 2);
}

}  // namespace
}  // namespace bdauthor
