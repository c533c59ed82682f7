// The clip scanners on clips of the recorder's layout and of general-purpose muxers, the rate
// measurement and the companion reader.
#include <gtest/gtest.h>

#include "bdauthor/arrival_rate.h"
#include "bdauthor/attribute_scan.h"
#include "bdauthor/clip_analysis.h"
#include "bdauthor/entry_point_scan.h"
#include "bdauthor/packet_walk.h"
#include "bdauthor/pts_companion.h"
#include "bdauthor/start_code_search.h"
#include "bdauthor/tests/test_clip.h"

namespace bdauthor {
namespace {

using test::MuxClip;
using test::MuxedClip;
using test::MuxOptions;
using test::SyntheticVideo;

void ExpectEntriesMatch(const std::vector<EpEntry>& found, const MuxedClip& clip) {
  ASSERT_EQ(found.size(), clip.entries.size());
  for (std::size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].packet, clip.entries[i].firstPacket) << i;
    EXPECT_EQ(found[i].pts, clip.entries[i].pts) << i;
    EXPECT_GE(found[i].sizeClass, 1);
  }
}

std::vector<EpEntry> Scan(const std::vector<std::uint8_t>& bytes, std::size_t blockPackets = 53) {
  EntryPointScanner scanner;
  const std::size_t block = blockPackets * 192;
  for (std::size_t at = 0; at < bytes.size(); at += block)
    scanner.Feed(bytes.data() + at, std::min(block, bytes.size() - at));
  return scanner.TakeEntries();
}

TEST(EntryPointScan, RecorderLayoutAndGeneralMuxerLayoutGiveTheSameEntries) {
  const auto es = test::MakeMpeg2Stream(SyntheticVideo{});
  const MuxedClip plain = MuxClip(es, MuxOptions{});
  ExpectEntriesMatch(Scan(plain.bytes), plain);

  MuxOptions withAdaptation;
  withAdaptation.adaptationAtPesStart = true;
  const MuxedClip adapted = MuxClip(es, withAdaptation);
  ExpectEntriesMatch(Scan(adapted.bytes), adapted);
  // Any block size: state carries across reads.
  ExpectEntriesMatch(Scan(adapted.bytes, 1), adapted);
  ExpectEntriesMatch(Scan(adapted.bytes, 7), adapted);
}

TEST(EntryPointScan, EntryStillOpenAtTheEndIsDropped) {
  SyntheticVideo oneFramePerGop;
  oneFramePerGop.framesPerGop = 1;
  const MuxedClip clip = MuxClip(test::MakeMpeg2Stream(oneFramePerGop), MuxOptions{});
  EXPECT_EQ(Scan(clip.bytes).size(), clip.entries.size() - 1);
}

TEST(EntryPointScan, TracksTheLastVideoPtsAndRate) {
  const MuxedClip clip = MuxClip(test::MakeMpeg2Stream(SyntheticVideo{}), MuxOptions{});
  EntryPointScanner scanner;
  scanner.Feed(clip.bytes.data(), clip.bytes.size());
  EXPECT_EQ(scanner.LastVideoPts(), clip.lastVideoPts);
  EXPECT_EQ(scanner.Rate().Rate(), 5076000000LL / 1353);
  EXPECT_EQ(scanner.PacketsSeen(), static_cast<std::int64_t>(clip.bytes.size() / 192));
}

// Builds a source packet by hand.
std::vector<std::uint8_t> Packet(std::uint16_t pid, bool start, const std::vector<std::uint8_t>& adaptation,
                                 const std::vector<std::uint8_t>& payload, std::uint32_t stamp = 0) {
  std::vector<std::uint8_t> p(192, 0xFF);
  p[0] = static_cast<std::uint8_t>(stamp >> 24);
  p[1] = static_cast<std::uint8_t>(stamp >> 16);
  p[2] = static_cast<std::uint8_t>(stamp >> 8);
  p[3] = static_cast<std::uint8_t>(stamp);
  p[4] = 0x47;
  p[5] = static_cast<std::uint8_t>((start ? 0x40 : 0) | (pid >> 8));
  p[6] = static_cast<std::uint8_t>(pid);
  const bool hasAdaptation = !adaptation.empty() || payload.size() < 184;
  std::size_t at = 8;
  if (hasAdaptation) {
    const std::size_t length = 184 - 1 - payload.size();
    p[7] = 0x30;
    p[at++] = static_cast<std::uint8_t>(length);
    for (std::size_t i = 0; i < length; ++i) p[at++] = i < adaptation.size() ? adaptation[i] : 0xFF;
  } else {
    p[7] = 0x10;
  }
  std::copy(payload.begin(), payload.end(), p.begin() + static_cast<std::ptrdiff_t>(at));
  return p;
}

std::vector<std::uint8_t> PesStart(std::int64_t pts) {
  std::vector<std::uint8_t> pes = {0, 0, 1, 0xE0, 0, 0, 0x81, 0x80, 5};
  pes.push_back(static_cast<std::uint8_t>(0x21 | ((pts >> 29) & 0x0E)));
  pes.push_back(static_cast<std::uint8_t>(pts >> 22));
  pes.push_back(static_cast<std::uint8_t>(0x01 | ((pts >> 14) & 0xFE)));
  pes.push_back(static_cast<std::uint8_t>(pts >> 7));
  pes.push_back(static_cast<std::uint8_t>(0x01 | ((pts << 1) & 0xFE)));
  return pes;
}

std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const std::vector<std::uint8_t> kSequenceHeader = {0, 0, 1, 0xB3, 0x5A, 0x04, 0x38, 0x34};

TEST(EntryPointScan, PesHeaderSplitAcrossPacketsIsReadFromTheNextPacketOfThePid) {
  const auto pes = Join({PesStart(90000), kSequenceHeader});
  // The header starts in the last 4 bytes of the first packet's payload.
  const std::vector<std::uint8_t> head(pes.begin(), pes.begin() + 4);
  const std::vector<std::uint8_t> rest(pes.begin() + 4, pes.end());
  const auto pes2 = Join({PesStart(93003), kSequenceHeader});
  const auto clip =
      Join({Packet(0x1011, true, {0x40}, head), Packet(0x1100, false, {}, {1, 2, 3}), Packet(0x1011, false, {}, rest),
            Packet(0x1011, true, {}, pes2), Packet(0x1011, true, {}, pes2)});
  const auto entries = Scan(clip);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].pts, 90000);
  EXPECT_EQ(entries[0].packet, 0);
  EXPECT_EQ(entries[0].sizeClass, 1);
  EXPECT_EQ(entries[1].pts, 93003);
  EXPECT_EQ(entries[1].packet, 3);
}

TEST(EntryPointScan, StartCodeSplitAcrossPacketsIsFound) {
  const auto first = Join({PesStart(90000), {0x11, 0x22, 0, 0}});
  const auto clip = Join({Packet(0x1011, true, {}, first), Packet(0x1011, false, {}, {1, 0xB3, 0x5A}),
                          Packet(0x1011, true, {}, PesStart(99000))});
  const auto entries = Scan(clip);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].pts, 90000);
}

TEST(EntryPointScan, TimeStampIsNeverPairedWithALaterPesWithoutOne) {
  std::vector<std::uint8_t> noPts = {0, 0, 1, 0xE0, 0, 0, 0x81, 0x00, 0};
  const auto clip = Join({Packet(0x1011, true, {}, PesStart(90000)),                 // PTS, no sequence header
                          Packet(0x1011, true, {}, Join({noPts, kSequenceHeader})),  // sequence header, no PTS
                          Packet(0x1011, true, {}, PesStart(99000))});
  EXPECT_TRUE(Scan(clip).empty());
}

TEST(EntryPointScan, DamagedPacketsAreSkipped) {
  auto lostSync = Packet(0x1011, true, {}, Join({PesStart(90000), kSequenceHeader}));
  lostSync[4] = 0x46;
  auto badAdaptation = Packet(0x1011, true, {}, Join({PesStart(90000), kSequenceHeader}));
  badAdaptation[7] = 0x30;
  badAdaptation[8] = 190;
  const auto clip = Join({lostSync, badAdaptation, Packet(0x1011, true, {}, PesStart(99000))});
  EXPECT_TRUE(Scan(clip).empty());
}

TEST(StartCodeSearch, FindsTheCodeAtEveryPositionAndNothingElse) {
  for (auto* search : {&ContainsSequenceHeaderCode, &ContainsSequenceHeaderCodeNarrow}) {
    for (std::size_t size = 0; size <= 200; ++size) {
      std::vector<std::uint8_t> data(size + 8, 0x5A);  // bytes past the end must not count
      EXPECT_FALSE(search(data.data(), size));
      for (std::size_t at = 0; at + 4 <= size + 3; ++at) {
        std::vector<std::uint8_t> with = data;
        const std::uint8_t code[4] = {0, 0, 1, 0xB3};
        for (int k = 0; k < 4; ++k) with[at + k] = code[k];
        EXPECT_EQ(search(with.data(), size), at + 4 <= size) << size << " at " << at;
      }
    }
    // Near misses and runs of zeros.
    std::vector<std::uint8_t> misses(300, 0);
    const std::uint8_t other[] = {0, 0, 1, 0xB5, 0, 0, 2, 0xB3, 0, 1, 0xB3};
    std::copy(std::begin(other), std::end(other), misses.begin() + 100);
    EXPECT_FALSE(search(misses.data(), misses.size()));
    misses[250] = 1;
    misses[251] = 0xB3;
    EXPECT_TRUE(search(misses.data(), misses.size()));
  }
}

TEST(EntryPointScan, SequenceHeaderFoundAtEveryPlaceInThePayload) {
  for (std::size_t at = 0; at + 4 <= 184 - 14; ++at) {
    std::vector<std::uint8_t> es(184 - 14, 0x5A);
    std::copy(kSequenceHeader.begin(), kSequenceHeader.begin() + 4, es.begin() + static_cast<std::ptrdiff_t>(at));
    const auto clip =
        Join({Packet(0x1011, true, {}, Join({PesStart(90000), es})), Packet(0x1011, true, {}, PesStart(93003))});
    EXPECT_EQ(Scan(clip).size(), 1u) << at;
  }
  // Zero runs and near misses are no sequence header.
  std::vector<std::uint8_t> misses(184 - 14, 0);
  const std::uint8_t other[] = {0, 0, 1, 0xB5, 0, 0, 2, 0xB3, 0, 1, 0xB3};
  std::copy(std::begin(other), std::end(other), misses.begin() + 100);
  const auto clip =
      Join({Packet(0x1011, true, {}, Join({PesStart(90000), misses})), Packet(0x1011, true, {}, PesStart(93003))});
  EXPECT_TRUE(Scan(clip).empty());
}

// The instruction sets of the packet walk this processor can run, the plain one first.
std::vector<WalkInstructions> WalkSets() {
  std::vector<WalkInstructions> sets = {WalkInstructions::kPlain};
  if (BestWalkInstructions() >= WalkInstructions::kAvx2) sets.push_back(WalkInstructions::kAvx2);
  if (BestWalkInstructions() >= WalkInstructions::kAvx512) sets.push_back(WalkInstructions::kAvx512);
  return sets;
}

std::vector<EpEntry> ScanWith(WalkInstructions walk, const std::vector<std::uint8_t>& bytes) {
  EntryPointScanner scanner(walk);
  scanner.Feed(bytes.data(), bytes.size());
  return scanner.TakeEntries();
}

// A PES start with a time stamp and no sequence header, then `rest` in full continuation packets
// of 184 bytes (padded with 0x5A), then the next PES start.
std::vector<std::uint8_t> PesWithContinuations(const std::vector<std::vector<std::uint8_t>>& rest) {
  std::vector<std::uint8_t> head = PesStart(90000);
  head.resize(184, 0x5A);
  std::vector<std::uint8_t> clip = Packet(0x1011, true, {}, head, 1000);
  for (auto payload : rest) {
    payload.resize(184, 0x5A);
    const auto next = Packet(0x1011, false, {}, payload, 1000 + 1353 * static_cast<std::uint32_t>(clip.size() / 192));
    clip.insert(clip.end(), next.begin(), next.end());
  }
  const auto end =
      Packet(0x1011, true, {}, PesStart(93003), 1000 + 1353 * static_cast<std::uint32_t>(clip.size() / 192));
  clip.insert(clip.end(), end.begin(), end.end());
  return clip;
}

TEST(PacketWalk, EverySetFindsTheCodeAtEveryPlaceOfAContinuationPacket) {
  const std::uint8_t code[4] = {0, 0, 1, 0xB3};
  for (const WalkInstructions walk : WalkSets()) {
    const int set = static_cast<int>(walk);
    for (std::size_t at = 0; at + 4 <= 184; ++at) {
      std::vector<std::uint8_t> payload(184, 0x5A);
      std::copy(code, code + 4, payload.begin() + static_cast<std::ptrdiff_t>(at));
      const auto entries = ScanWith(walk, PesWithContinuations({{}, payload}));
      ASSERT_EQ(entries.size(), 1u) << set << " at " << at;
      EXPECT_EQ(entries[0].pts, 90000);
      EXPECT_EQ(entries[0].packet, 0);
    }
    // Split between two continuation packets, also with a packet of another PID between them.
    for (std::size_t first = 1; first < 4; ++first) {
      std::vector<std::uint8_t> end(184, 0x5A), start(184, 0x5A);
      std::copy(code, code + first, end.end() - static_cast<std::ptrdiff_t>(first));
      std::copy(code + first, code + 4, start.begin());
      EXPECT_EQ(ScanWith(walk, PesWithContinuations({end, start})).size(), 1u) << set << " split " << first;
      auto between = PesWithContinuations({end, start});
      const auto audio = Packet(0x1100, false, {}, std::vector<std::uint8_t>(184, 0));
      between.insert(between.begin() + 2 * 192, audio.begin(), audio.end());
      EXPECT_EQ(ScanWith(walk, between).size(), 1u) << set << " split " << first << " around audio";
    }
    // Zeros everywhere, codes of other kinds, and a code cut by the end of the PES are no entry.
    std::vector<std::uint8_t> zeros(184, 0), others(184, 0x5A), cut(184, 0x5A);
    const std::uint8_t other[] = {0, 0, 1, 0xB5, 0, 0, 2, 0xB3, 0, 1, 0xB3, 0, 0, 1};
    std::copy(std::begin(other), std::end(other), others.begin() + 60);
    std::copy(code, code + 3, cut.end() - 3);
    EXPECT_TRUE(ScanWith(walk, PesWithContinuations({zeros, others, zeros})).empty()) << set;
    EXPECT_TRUE(ScanWith(walk, PesWithContinuations({cut})).empty()) << set;
  }
}

TEST(PacketWalk, EverySetGivesTheSameScanOfWholeClips) {
  SyntheticVideo video;
  video.frameBytes = 9000;  // pictures over many continuation packets
  const auto es = test::MakeMpeg2Stream(video);
  MuxOptions adapted;
  adapted.adaptationAtPesStart = true;
  MuxOptions unstamped;
  unstamped.firstStamp = 0;
  for (const MuxOptions& options : {MuxOptions{}, adapted, unstamped}) {
    const MuxedClip clip = MuxClip(es, options);
    for (const WalkInstructions walk : WalkSets()) {
      EntryPointScanner scanner(walk);
      for (std::size_t at = 0; at < clip.bytes.size(); at += 53 * 192) {
        scanner.Feed(clip.bytes.data() + at, std::min<std::size_t>(53 * 192, clip.bytes.size() - at));
      }
      ExpectEntriesMatch(scanner.Entries(), clip);
      EXPECT_EQ(scanner.LastVideoPts(), clip.lastVideoPts);
      EXPECT_EQ(scanner.Rate().SmallestStep(), 1353u) << static_cast<int>(walk);
      EXPECT_EQ(scanner.PacketsSeen(), static_cast<std::int64_t>(clip.bytes.size() / 192));
    }
  }
}

// A stream of PES of random lengths, some stamped, some with a sequence header at their start,
// deep inside or across two packets; payloads dense in zero pairs and 00 00 01 prefixes, as
// noisy pictures are; sound packets and adaptation fields between; stamps that step unevenly.
std::vector<std::uint8_t> VariedStream(unsigned seed) {
  std::uint32_t state = seed * 2654435761u + 1;
  auto next = [&state](std::uint32_t n) {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    return state % n;
  };
  std::vector<std::uint8_t> out;
  std::uint32_t stamp = 5000;
  auto add = [&](const std::vector<std::uint8_t>& packet) {
    out.insert(out.end(), packet.begin(), packet.end());
    stamp += 1000 + next(700);
  };
  auto payload = [&] {
    std::vector<std::uint8_t> bytes(184);
    for (auto& b : bytes) {
      const std::uint32_t r = next(16);
      b = r < 5 ? 0 : r == 5 ? 1 : static_cast<std::uint8_t>(next(256));
    }
    return bytes;
  };
  for (int pes = 0; pes < 60; ++pes) {
    std::vector<std::uint8_t> head =
        next(5) ? PesStart(90000 + pes * 3003) : std::vector<std::uint8_t>{0, 0, 1, 0xE0, 0, 0, 0x80, 0, 0};
    const std::uint32_t where = next(4);  // 0 start, 1 deep, 2 across packets, 3 none
    if (where == 0) head.insert(head.end(), kSequenceHeader.begin(), kSequenceHeader.end());
    const auto filler = payload();
    head.insert(head.end(), filler.begin(), filler.begin() + static_cast<std::ptrdiff_t>(184 - head.size()));
    add(Packet(0x1011, true, {}, head, stamp));
    const std::uint32_t packets = 3 + next(30), codeAt = 1 + next(packets - 1);
    for (std::uint32_t k = 0; k < packets; ++k) {
      auto bytes = payload();
      if (where == 1 && k == codeAt)
        std::copy(kSequenceHeader.begin(), kSequenceHeader.begin() + 4, bytes.begin() + next(181));
      if (where == 2 && k == codeAt) {
        const std::uint32_t split = 1 + next(3);
        std::copy(kSequenceHeader.begin(), kSequenceHeader.begin() + split, bytes.end() - split);
        add(Packet(0x1011, false, {}, bytes, stamp));
        if (next(2)) add(Packet(0x1100, false, {}, payload(), stamp));
        bytes = payload();
        std::copy(kSequenceHeader.begin() + split, kSequenceHeader.begin() + 4, bytes.begin());
      }
      if (next(12) == 0) {
        bytes.resize(150);  // an adaptation field ahead of the payload
        add(Packet(0x1011, false, {0x00}, bytes, stamp));
      } else {
        add(Packet(0x1011, false, {}, bytes, stamp));
      }
      if (next(6) == 0) add(Packet(0x1100, false, {}, payload(), stamp));
    }
  }
  return out;
}

TEST(PacketWalk, EverySetScansVariedStreamsAsTheFullLookAlone) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    const auto stream = VariedStream(seed);
    EntryPointScanner reference(WalkInstructions::kNone);
    reference.Feed(stream.data(), stream.size());
    const std::vector<EpEntry> expected = reference.Entries();
    ASSERT_FALSE(expected.empty()) << seed;
    for (const WalkInstructions walk : WalkSets()) {
      // Fed whole and in odd blocks: the walk may stop and resume anywhere.
      for (const std::size_t block : {stream.size(), std::size_t{7 * 192}}) {
        EntryPointScanner scanner(walk);
        for (std::size_t at = 0; at < stream.size(); at += block)
          scanner.Feed(stream.data() + at, std::min(block, stream.size() - at));
        const std::vector<EpEntry> found = scanner.Entries();
        ASSERT_EQ(found.size(), expected.size()) << seed << " set " << static_cast<int>(walk);
        for (std::size_t i = 0; i < found.size(); ++i) {
          EXPECT_EQ(found[i].packet, expected[i].packet) << seed << " entry " << i;
          EXPECT_EQ(found[i].pts, expected[i].pts) << seed << " entry " << i;
          EXPECT_EQ(found[i].sizeClass, expected[i].sizeClass) << seed << " entry " << i;
        }
        EXPECT_EQ(scanner.LastVideoPts(), reference.LastVideoPts()) << seed;
        EXPECT_EQ(scanner.Rate().SmallestStep(), reference.Rate().SmallestStep()) << seed;
        EXPECT_EQ(scanner.PacketsSeen(), reference.PacketsSeen()) << seed;
      }
    }
  }
}

TEST(ArrivalRate, SmallestStepWrapsAndClamps) {
  ArrivalRateMeter meter;
  meter.Add(0x3FFFFF00);
  meter.Add(0x00000100);  // wrapped: step 0x200
  meter.Add(0x00000500);
  EXPECT_EQ(meter.SmallestStep(), 0x200u);
  EXPECT_EQ(meter.Rate(), kMaxRecordingRate);  // 9.9 MB/s is above the disc's maximum

  ArrivalRateMeter slow;
  slow.Add(1000);
  slow.Add(1000 + 2706);
  EXPECT_EQ(slow.Rate(), 5076000000LL / 2706);
}

TEST(ArrivalRate, EqualOrMissingStampsGiveNoRate) {
  ArrivalRateMeter equal;
  equal.Add(5000);
  equal.Add(5000);
  equal.Add(9000);
  EXPECT_FALSE(equal.Rate().has_value());

  ArrivalRateMeter zeros;
  for (int i = 0; i < 5; ++i) zeros.Add(0);
  EXPECT_FALSE(zeros.Rate().has_value());
  EXPECT_FALSE(ArrivalRateMeter().Rate().has_value());
}

StreamAttributes Attributes(const SyntheticVideo& video, const MuxOptions& options = MuxOptions{}) {
  AttributeScanner scanner;
  const MuxedClip clip = MuxClip(test::MakeMpeg2Stream(video), options);
  scanner.Feed(clip.bytes.data(), clip.bytes.size());
  StreamAttributes a;
  scanner.ApplyTo(a);
  return a;
}

TEST(AttributeScan, VideoFormatsFromSizeAndScan) {
  StreamAttributes hdv = Attributes(SyntheticVideo{});
  EXPECT_EQ(hdv.videoCodingType, 2);
  EXPECT_EQ(hdv.videoFormat, 4);
  EXPECT_EQ(hdv.frameRate, 4);
  EXPECT_EQ(hdv.aspectRatio, 3);
  EXPECT_EQ(hdv.audioCodingType, 128);
  EXPECT_EQ(hdv.audioPresentationType, 3);
  EXPECT_EQ(hdv.samplingFrequency, 1);
  EXPECT_EQ(hdv.language, "eng");

  struct Case {
    int width, height;
    bool progressive;
    int format;
  };
  for (const Case& c :
       {Case{1280, 720, true, 5}, Case{1920, 1080, true, 6}, Case{720, 480, false, 1}, Case{720, 480, true, 3},
        Case{720, 576, false, 2}, Case{720, 576, true, 7}, Case{1920, 1088, false, 4}}) {
    SyntheticVideo v;
    v.width = c.width;
    v.height = c.height;
    v.progressive = c.progressive;
    EXPECT_EQ(Attributes(v).videoFormat, c.format) << c.width << "x" << c.height;
  }
}

TEST(AttributeScan, RefusesWhatTheStreamTablesCannotDescribe) {
  SyntheticVideo odd;
  odd.height = 600;
  AttributeScanner scanner;
  const MuxedClip clip = MuxClip(test::MakeMpeg2Stream(odd), MuxOptions{});
  scanner.Feed(clip.bytes.data(), clip.bytes.size());
  EXPECT_TRUE(scanner.UnsupportedResolution());
  EXPECT_EQ(scanner.VerticalSize(), 600);

  MuxOptions silent;
  silent.audio = false;
  EXPECT_EQ(Attributes(SyntheticVideo{}, silent).audioCodingType, 0);

  MuxOptions surround;
  surround.lpcmFormat = 0x61;  // 5.1 at 48 kHz
  EXPECT_EQ(Attributes(SyntheticVideo{}, surround).audioCodingType, 0);

  MuxOptions adapted;
  adapted.adaptationAtPesStart = true;
  EXPECT_EQ(Attributes(SyntheticVideo{}, adapted).videoCodingType, 2);
}

TEST(PtsCompanion, ReadsTheRecorderFormatAndItsVariants) {
  const auto lf = ParsePtsCompanion("3\n0 900000 40\n100 945045 180\n300 990090 350\n", 1000);
  ASSERT_EQ(lf.size(), 3u);
  EXPECT_EQ(lf[1].packet, 100);
  EXPECT_EQ(lf[1].pts, 945045);
  EXPECT_EQ(lf[1].sizeClass, SizeClassOf(100, 180));

  EXPECT_EQ(ParsePtsCompanion("3\r\n0 900000 40\r\n100 945045 180\r\n300 990090 350\r\n", 1000).size(), 3u);
  EXPECT_EQ(ParsePtsCompanion("2\r0 900000 40\r100 945045 180\r", 1000).size(), 2u);
  // The count limits what is read; a last line without its end is dropped.
  EXPECT_EQ(ParsePtsCompanion("1\n0 900000 40\n100 945045 180\n", 1000).size(), 1u);
  EXPECT_EQ(ParsePtsCompanion("3\n0 900000 40\n100 945045 180\n300 990090 350", 1000).size(), 2u);
  EXPECT_TRUE(ParsePtsCompanion("0\n0 900000 40\n", 1000).empty());
  // NUL ends a line early.
  EXPECT_EQ(ParsePtsCompanion(std::string_view("2\n0 900000 40\0junk\n100 945045 180\n", 34), 1000).size(), 2u);
}

TEST(PtsCompanion, DropsEntriesThatCannotBeTrue) {
  const auto entries = ParsePtsCompanion(
      "6\n0 900000\nx 1 2\n50 900000 60\n40 910000 45\n5000 920000 5100\n60 99999999999 70\n70 930000 80\n", 1000);
  ASSERT_EQ(entries.size(), 2u);  // short, non-numeric, backwards, beyond the clip, PTS beyond 33 bits
  EXPECT_EQ(entries[0].packet, 50);
  EXPECT_EQ(entries[1].packet, 70);
  EXPECT_TRUE(ParsePtsCompanion("garbage\n0 1 2\n", 1000).empty());
  EXPECT_TRUE(ParsePtsCompanion("", 1000).empty());
}

TEST(SizeClass, Boundaries) {
  EXPECT_EQ(SizeClassOf(0, 0), 1);
  EXPECT_EQ(SizeClassOf(0, 0x20000 / 192 - 1), 1);
  EXPECT_EQ(SizeClassOf(0, 0x20000 / 192), 2);
  EXPECT_EQ(SizeClassOf(0, 0x13FFFF / 192 - 1), 6);
  EXPECT_EQ(SizeClassOf(0, 0x140000 / 192), 7);
  EXPECT_EQ(SizeClassOf(10, 5), 0);
}

TEST(TailScan, StartsOnAPacketBoundaryAndFindsTheLastPictureOfALongClip) {
  SyntheticVideo video;
  video.gops = 8;
  video.frameBytes = 40000;  // about 4.8 MB: longer than the tail read
  const MuxedClip clip = MuxClip(test::MakeMpeg2Stream(video), MuxOptions{});
  const auto size = static_cast<std::int64_t>(clip.bytes.size());
  ASSERT_GT(size, std::int64_t{4} << 20);
  const std::int64_t start = TailScanStart(size);
  EXPECT_EQ(0, start % kSourcePacketSize);
  EXPECT_GE(size - start, (std::int64_t{4} << 20) - kSourcePacketSize);
  EntryPointScanner tail;
  tail.Feed(clip.bytes.data() + start, clip.bytes.size() - static_cast<std::size_t>(start));
  EXPECT_EQ(clip.lastVideoPts, tail.LastVideoPts());
  EXPECT_EQ(0, TailScanStart(1000));
  EXPECT_EQ(0, TailScanStart(0));
}

}  // namespace
}  // namespace bdauthor
