// Byte layouts of index.bdmv, MovieObject.bdmv, the playlist and the clip information file.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bdauthor/clip_info_file.h"
#include "bdauthor/index_file.h"
#include "bdauthor/movie_object_file.h"
#include "bdauthor/playlist_file.h"

namespace bdauthor {
namespace {

std::uint32_t Be16(const std::vector<std::uint8_t>& b, std::size_t at) { return (b.at(at) << 8) | b.at(at + 1); }
std::uint32_t Be32(const std::vector<std::uint8_t>& b, std::size_t at) { return (Be16(b, at) << 16) | Be16(b, at + 2); }
std::string Text(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t n) {
  return std::string(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
}
std::vector<std::uint8_t> Bytes(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t n) {
  return std::vector<std::uint8_t>(b.begin() + static_cast<std::ptrdiff_t>(at),
                                   b.begin() + static_cast<std::ptrdiff_t>(at + n));
}

TEST(IndexFile, OneTitleLayout) {
  const auto f = ComposeIndexBdmv(1);
  ASSERT_EQ(f.size(), 124u);
  EXPECT_EQ(Text(f, 0, 8), "INDX0200");
  EXPECT_EQ(Be32(f, 8), 78u);
  EXPECT_EQ(Be32(f, 12), 120u);
  EXPECT_EQ(Be32(f, 40), 34u);
  EXPECT_EQ(Be32(f, 78), 38u);
  EXPECT_EQ(Bytes(f, 82, 12), (std::vector<std::uint8_t>{0x40, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0}));
  EXPECT_EQ(Bytes(f, 94, 12), (std::vector<std::uint8_t>{0x40, 0, 0, 0, 0x40, 0, 0, 1, 0, 0, 0, 0}));
  EXPECT_EQ(Be16(f, 106), 1u);
  EXPECT_EQ(Bytes(f, 108, 12), (std::vector<std::uint8_t>{0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Be32(f, 120), 0u);
}

TEST(IndexFile, SizesAndReferencesFollowTheInputCount) {
  const auto none = ComposeIndexBdmv(0);
  ASSERT_EQ(none.size(), 112u);
  EXPECT_EQ(Be16(none, 88), 1u);   // first playback
  EXPECT_EQ(Be16(none, 100), 0u);  // top menu
  EXPECT_EQ(Be16(none, 106), 0u);

  const auto three = ComposeIndexBdmv(3);
  ASSERT_EQ(three.size(), 148u);
  EXPECT_EQ(Be32(three, 12), 144u);
  EXPECT_EQ(Be32(three, 78), 62u);
  EXPECT_EQ(Be16(three, 88), 4u);
  EXPECT_EQ(Be16(three, 100), 3u);
  for (std::uint32_t t = 0; t < 3; ++t) {
    EXPECT_EQ(three[108 + 12 * t], 0x40);
    EXPECT_EQ(Be16(three, 108 + 12 * t + 6), t);
  }
}

TEST(NavigationCommand, Encodings) {
  using C = NavigationCommand;
  EXPECT_EQ(C::Move(4059, 4063).Encode(),
            (std::array<std::uint8_t, 12>{0x50, 0x00, 0x00, 0x01, 0, 0, 0x0F, 0xDB, 0, 0, 0x0F, 0xDF}));
  EXPECT_EQ(C::MoveImmediate(4063, 0).Encode(),
            (std::array<std::uint8_t, 12>{0x50, 0x40, 0x00, 0x01, 0, 0, 0x0F, 0xDF, 0, 0, 0, 0}));
  EXPECT_EQ(C::CompareNotEqual(4059, 1).Encode(),
            (std::array<std::uint8_t, 12>{0x48, 0x40, 0x03, 0x00, 0, 0, 0x0F, 0xDB, 0, 0, 0, 1}));
  EXPECT_EQ(C::Goto(6).Encode(), (std::array<std::uint8_t, 12>{0x20, 0x81, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0}));
  EXPECT_EQ(C::JumpTitle(2).Encode(), (std::array<std::uint8_t, 12>{0x21, 0x81, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0}));
  EXPECT_EQ(C::PlayPlaylist(5).Encode(), (std::array<std::uint8_t, 12>{0x22, 0x80, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0}));
  EXPECT_EQ(C::PlayPlaylistAtMark(5, 4062).Encode(),
            (std::array<std::uint8_t, 12>{0x42, 0x82, 0, 0, 0, 0, 0, 5, 0, 0, 0x0F, 0xDE}));
  EXPECT_EQ(C::PlayPlaylistAtMarkRegisters(4060, 4062).Encode(),
            (std::array<std::uint8_t, 12>{0x42, 0x02, 0, 0, 0, 0, 0x0F, 0xDC, 0, 0, 0x0F, 0xDE}));
}

TEST(MovieObjectFile, OneTitleLayout) {
  const auto f = ComposeMovieObjectBdmv(1);
  ASSERT_EQ(f.size(), 342u);
  EXPECT_EQ(Text(f, 0, 8), "MOBJ0200");
  EXPECT_EQ(Be32(f, 8), 0u);
  EXPECT_EQ(Be32(f, 40), 298u);
  EXPECT_EQ(Be16(f, 48), 4u);
  // Title 0: eleven commands, the last a JumpTitle #0 since it is the last title.
  EXPECT_EQ(Be16(f, 50), 0u);
  EXPECT_EQ(Be16(f, 52), 11u);
  const std::size_t lastCommand = 54 + 10 * 12;
  EXPECT_EQ(Bytes(f, lastCommand, 12), (std::vector<std::uint8_t>{0x21, 0x81, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  // Top menu object: JumpTitle #1.
  const std::size_t topMenu = 50 + 136;
  EXPECT_EQ(Be16(f, topMenu + 2), 1u);
  EXPECT_EQ(Bytes(f, topMenu + 4, 12), (std::vector<std::uint8_t>{0x21, 0x81, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}));
  const std::size_t firstPlay = topMenu + 16;
  EXPECT_EQ(Be16(f, firstPlay + 2), 7u);
  const std::size_t resume = firstPlay + 88;
  EXPECT_EQ(Be16(f, resume + 2), 4u);
  EXPECT_EQ(resume + 52, f.size());
}

TEST(MovieObjectFile, TitlesChainToTheNextAndTheLastToTheMenu) {
  const auto objects = BuildMovieObjects(3);
  ASSERT_EQ(objects.size(), 6u);
  EXPECT_EQ(objects[0].commands[10].value1, 2u);
  EXPECT_EQ(objects[1].commands[10].value1, 3u);
  EXPECT_EQ(objects[2].commands[10].value1, 0u);
  for (std::uint32_t t = 0; t < 3; ++t) {
    EXPECT_EQ(objects[t].commands[4].value1, t);
    EXPECT_EQ(objects[t].commands[6].value1, t);
  }
  EXPECT_EQ(ComposeMovieObjectBdmv(0).size(), 206u);
  EXPECT_EQ(ComposeMovieObjectBdmv(118).size(), 206u + 136u * 118u);
}

InputRecord SampleRecord() {
  InputRecord r;
  r.firstPts = 450000;
  r.lastPts = 450000 + 45000 * 20;
  r.attributes.videoCodingType = 2;
  r.attributes.videoFormat = 4;
  r.attributes.frameRate = 4;
  r.attributes.aspectRatio = 3;
  r.attributes.audioCodingType = 128;
  r.attributes.audioPresentationType = 3;
  r.attributes.samplingFrequency = 1;
  r.packetCount = 12345;
  r.recordingRate = 3751662;
  return r;
}

TEST(PlaylistFile, LayoutWithMarks) {
  InputRecord r = SampleRecord();
  r.chapterMarks = {450000, 450000 + 13500000};
  const auto f = ComposeMpls(r, 7);
  ASSERT_EQ(f.size(), 188u);
  EXPECT_EQ(Text(f, 0, 8), "MPLS0200");
  EXPECT_EQ(Be32(f, 8), 58u);
  EXPECT_EQ(Be32(f, 12), 150u);
  EXPECT_EQ(Be32(f, 16), 184u);
  EXPECT_EQ(Be32(f, 40), 14u);
  EXPECT_EQ(f[45], 1);
  EXPECT_EQ(f[56], 0x60);
  EXPECT_EQ(Be32(f, 58), 88u);
  EXPECT_EQ(Be16(f, 64), 1u);
  EXPECT_EQ(Be16(f, 68), 80u);
  EXPECT_EQ(Text(f, 70, 9), "00007M2TS");
  EXPECT_EQ(Be16(f, 79), 1u);
  EXPECT_EQ(Be32(f, 82), 450000u);
  EXPECT_EQ(Be32(f, 86), 1350000u);
  EXPECT_EQ(Be16(f, 102), 46u);
  EXPECT_EQ(f[106], 1);
  EXPECT_EQ(f[107], 1);
  EXPECT_EQ(Bytes(f, 118, 4), (std::vector<std::uint8_t>{9, 1, 0x10, 0x11}));
  EXPECT_EQ(Bytes(f, 128, 3), (std::vector<std::uint8_t>{5, 2, 0x44}));
  EXPECT_EQ(Bytes(f, 134, 4), (std::vector<std::uint8_t>{9, 1, 0x11, 0x00}));
  EXPECT_EQ(Bytes(f, 144, 3), (std::vector<std::uint8_t>{5, 128, 0x31}));
  EXPECT_EQ(Text(f, 147, 3), "eng");
  EXPECT_EQ(Be32(f, 150), 30u);
  EXPECT_EQ(Be16(f, 154), 2u);
  EXPECT_EQ(Bytes(f, 156, 14), (std::vector<std::uint8_t>{0, 1, 0, 0, 0x00, 0x06, 0xDD, 0xD0, 0xFF, 0xFF, 0, 0, 0, 0}));
  EXPECT_EQ(Be32(f, 170 + 4), 13950000u);
  EXPECT_EQ(Be32(f, 184), 0u);
}

TEST(PlaylistFile, NoMarksGives160Bytes) {
  const auto f = ComposeMpls(SampleRecord(), 0);
  ASSERT_EQ(f.size(), 160u);
  EXPECT_EQ(Be16(f, 154), 0u);
  EXPECT_EQ(Be32(f, 150), 2u);
  EXPECT_EQ(Text(f, 70, 5), "00000");
}

TEST(ClipInfoFile, HeaderAndStreamTables) {
  InputRecord r = SampleRecord();
  r.entryPoints = {{900000, 0, 1}, {900000 + 45045, 200, 2}};
  const auto f = ComposeClpi(r);
  const std::uint32_t e = 20 + 8 * 1 + 4 * 2;
  ASSERT_EQ(f.size(), 320u + e);
  EXPECT_EQ(Text(f, 0, 8), "HDMV0200");
  EXPECT_EQ(Be32(f, 8), 220u);
  EXPECT_EQ(Be32(f, 12), 246u);
  EXPECT_EQ(Be32(f, 16), 308u);
  EXPECT_EQ(Be32(f, 20), e + 312);
  EXPECT_EQ(Be32(f, 24), e + 316);
  EXPECT_EQ(Be32(f, 40), 176u);
  EXPECT_EQ(f[46], 1);
  EXPECT_EQ(f[47], 1);
  EXPECT_EQ(Be32(f, 52), 3751662u);
  EXPECT_EQ(Be32(f, 56), 12345u);
  EXPECT_EQ(Be16(f, 188), 30u);
  EXPECT_EQ(f[190], 0x80);
  EXPECT_EQ(Text(f, 191, 4), "HDMV");
  EXPECT_EQ(Be32(f, 220), 22u);
  EXPECT_EQ(f[225], 1);
  EXPECT_EQ(f[230], 1);
  EXPECT_EQ(Be16(f, 232), 0x1001u);
  EXPECT_EQ(Be32(f, 238), 450000u);
  EXPECT_EQ(Be32(f, 242), 1350000u);
  EXPECT_EQ(Be32(f, 246), 58u);
  EXPECT_EQ(f[251], 1);
  EXPECT_EQ(Be16(f, 256), 0x100u);
  EXPECT_EQ(f[258], 2);
  EXPECT_EQ(Bytes(f, 260, 6), (std::vector<std::uint8_t>{0x10, 0x11, 21, 2, 0x44, 0x30}));
  EXPECT_EQ(Bytes(f, 284, 5), (std::vector<std::uint8_t>{0x11, 0x00, 21, 128, 0x31}));
  EXPECT_EQ(Text(f, 289, 3), "eng");
  EXPECT_EQ(Be32(f, 308), e);
  EXPECT_EQ(Be16(f, 312), 1u);
  EXPECT_EQ(Be16(f, 314), 1u);
  EXPECT_EQ(Be16(f, 316), 0x1011u);
  // stream type 1, one coarse and two fine entries
  EXPECT_EQ(Bytes(f, 318, 6), (std::vector<std::uint8_t>{0x00, 0x04, 0x00, 0x04, 0x00, 0x02}));
  EXPECT_EQ(Be32(f, 324), 14u);
  EXPECT_EQ(Be32(f, 328), 12u);
  EXPECT_EQ(Be32(f, 332), (0u << 14) | ((900000u >> 19) & 0x3FFF));
  EXPECT_EQ(Be32(f, 336), 0u);
  EXPECT_EQ(Be32(f, 340), (1u << 28) | (((900000u >> 9) & 0x7FF) << 17) | 0u);
  EXPECT_EQ(Be32(f, 344), (2u << 28) | ((((900000u + 45045u) >> 9) & 0x7FF) << 17) | 200u);
  EXPECT_EQ(Be32(f, 312 + e), 0u);
  EXPECT_EQ(Be32(f, 316 + e), 0u);
}

// Rebuilds every entry the way a player does: coarse upper bits plus fine lower bits.
void ExpectMapRebuildsEntries(const std::vector<EpEntry>& entries) {
  const EpMap map = BuildEpMap(entries);
  ASSERT_EQ(map.fine.size(), entries.size());
  std::size_t c = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    while (c + 1 < map.coarse.size() && map.coarse[c + 1].fineIndex <= i) ++c;
    const CoarseEntry& coarse = map.coarse[c];
    const std::uint64_t pts = (static_cast<std::uint64_t>(coarse.pts & ~1u) << 19) + (map.fine[i].pts << 9);
    const std::uint64_t packet = (coarse.packet & ~0x1FFFFu) + map.fine[i].packet;
    EXPECT_EQ(pts, static_cast<std::uint64_t>(entries[i].pts) & ~0x1FFull) << "entry " << i;
    EXPECT_EQ(packet, static_cast<std::uint64_t>(entries[i].packet)) << "entry " << i;
  }
}

TEST(EpMap, CoarseEntriesStartWhereUpperBitsChange) {
  // Packet numbers past 131,071 wrap the fine field.
  std::vector<EpEntry> packets = {
      {1000, 130000, 1}, {1000 + 512, 131071, 1}, {1000 + 1024, 131072, 1}, {1000 + 1536, 140000, 1}};
  EXPECT_EQ(BuildEpMap(packets).coarse.size(), 2u);
  EXPECT_EQ(BuildEpMap(packets).coarse[1].fineIndex, 2u);
  ExpectMapRebuildsEntries(packets);

  // A jump of exactly 2^17 packets keeps the fine value equal: it still needs a coarse entry.
  std::vector<EpEntry> jump = {{1000, 5, 1}, {2000, 5 + 131072, 1}};
  EXPECT_EQ(BuildEpMap(jump).coarse.size(), 2u);
  ExpectMapRebuildsEntries(jump);

  // A PTS step of 2^20 ticks with an equal fine PTS needs one too.
  std::vector<EpEntry> pts = {{3 << 9, 10, 1}, {(3 << 9) + (1 << 20), 20, 1}, {(3 << 9) + (1 << 20) + 45045, 30, 1}};
  EXPECT_EQ(BuildEpMap(pts).coarse.size(), 2u);
  ExpectMapRebuildsEntries(pts);
}

TEST(EpMap, LongClipRebuildsEveryEntryAndExceedsOneBuffer) {
  InputRecord r = SampleRecord();
  for (int i = 0; i < 4000; ++i) r.entryPoints.push_back({900000 + i * 45045LL, i * 900, 3});
  ExpectMapRebuildsEntries(r.entryPoints);
  const EpMap map = BuildEpMap(r.entryPoints);
  const auto f = ComposeClpi(r);
  EXPECT_GT(f.size(), 16384u);
  EXPECT_EQ(f.size(), 340u + 8 * map.coarse.size() + 4 * 4000);
  EXPECT_EQ(Be32(f, 308), 20u + 8 * map.coarse.size() + 4 * 4000);
}

}  // namespace
}  // namespace bdauthor
