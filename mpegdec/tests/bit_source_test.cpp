// The ring reader and the program-stream packet source.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "mpegdec/bit_source.h"
#include "mpegdec/mpeg_errors.h"
#include "mpegdec/tests/stream_writer.h"
#include "mpegdec/tests/test_media.h"

using namespace mpegtest;
using namespace mpegdec;

namespace {
struct File {
  FILE* f = nullptr;
  explicit File(const std::vector<uint8_t>& data, const std::string& name = "source.bin") {
    std::string path = TempPath(name);
    WriteAll(path, data);
    f = fopen(path.c_str(), "rb");
  }
  ~File() {
    if (f) fclose(f);
  }
};

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t((i * 7 + i / 251) & 0xFF) | 0x02;  // no 00 00 01
  return v;
}

std::vector<uint8_t> ReadForwards(CMpegBitSource& s, size_t limit) {
  std::vector<uint8_t> out;
  while (out.size() < limit) {
    uint32_t b = s.GetByte();
    if (s.status != 1) break;
    out.push_back(uint8_t(b));
  }
  return out;
}
}  // namespace

TEST(BitSource, RingSizeLimitsAndBitAccess) {
  std::vector<uint8_t> data = {0xA5, 0x3C, 0xFF, 0x00, 0x81, 0x42, 0x99};
  File file(data);
  CMpegPackSource small;
  EXPECT_EQ(small.Open(file.f, 0, 10), kBadState);
  CMpegPackSource ok;
  ASSERT_EQ(ok.Open(file.f, 0, 11), 1);
  EXPECT_EQ(ok.ShowBits(4), 0xAu);
  ok.Consume(4);
  EXPECT_EQ(ok.ShowBits(12), 0x53Cu);
  EXPECT_EQ(ok.ShowBits(32), 0x53CFF008u);
  ok.Consume(7);
  EXPECT_EQ(ok.ShowBits(20), 0xE7F80u);
  EXPECT_EQ(ok.SkipForward(100), 0);  // past the end: nothing moves
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.ShowBits(20), 0xE7F80u);
}

TEST(BitSource, PackSourceDeliversThePayloadBothWays) {
  std::vector<uint8_t> es = Pattern(20000);
  for (bool mpeg2Packets : {false, true}) {
    File file(WrapProgramStream(es, 113, mpeg2Packets));
    CMpegPackSource s;
    ASSERT_EQ(s.Open(file.f, 0xE0, 64), 1);
    EXPECT_EQ(ReadForwards(s, 1 << 20), es);
    // Back over many packets, one byte at a time and in long steps.
    s.status = 1;
    ASSERT_EQ(s.SkipBackward(1), 1);
    EXPECT_EQ(s.PeekByte(), es.back());
    ASSERT_EQ(s.SkipBackward(5000), 1);
    EXPECT_EQ(s.PeekByte(), es[es.size() - 5001]);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(s.SkipBackward(1), 1);
    EXPECT_EQ(s.PeekByte(), es[es.size() - 5301]);
    // A position taken and loaded again reads the same bytes.
    PesPacketInfo info;
    int64_t offset = s.GetPosition(info);
    ASSERT_GE(info.headerLength, 0);
    std::vector<uint8_t> expected(es.end() - 5301, es.end() - 5301 + 700);
    EXPECT_EQ(ReadForwards(s, 700), expected);
    ASSERT_GE(s.SetPosition(info, offset), 0);
    EXPECT_EQ(ReadForwards(s, 700), expected);
    ASSERT_EQ(s.SkipForward(3000), 1);
    EXPECT_EQ(s.PeekByte(), es[es.size() - 5301 + 3700]);
    // Back to the very start, then no further.
    while (s.SkipBackward(1) == 1) {
    }
    s.status = 1;
    EXPECT_EQ(s.PeekByte(), es[0]);
  }
}

TEST(BitSource, PacketScanFindsHeadersAndRefusesBadOnes) {
  // 11172-1 packet with stuffing and two time stamps; 13818-1 packet with 5 bytes of header data.
  std::vector<uint8_t> ps = {0,    0,    1, 0xE0, 0,    16,   0xFF, 0xFF, 0x31, 1,    2, 3,    4, 0x11,
                             1,    2,    3, 4,    0xAA, 0xBB, 0xCC, 0xDD, 0,    0,    1, 0xE0, 0, 10,
                             0x81, 0x80, 5, 1,    2,    3,    4,    5,    0xEE, 0xEF, 0, 0,    1, 0xB9};
  File file(ps);
  CMpegPackSource s;
  ASSERT_EQ(s.Open(file.f, 0xE0, 64), 1);
  PesPacketInfo info;
  s.FindNextPacket(0, info);
  EXPECT_EQ(info.headerLength, 7 + 2 + 9);
  EXPECT_EQ(info.payloadLength, 4);
  s.FindNextPacket(info.payloadOffset + info.payloadLength, info);
  EXPECT_EQ(info.headerLength, 9 + 5);
  EXPECT_EQ(info.payloadLength, 2);
  s.FindNextPacket(info.payloadOffset + info.payloadLength, info);
  EXPECT_EQ(info.headerLength, kFileError);  // program end
  s.FindPreviousPacket(int64_t(ps.size()), info);
  EXPECT_EQ(info.payloadLength, 2);
  EXPECT_EQ(ReadForwards(s, 100), std::vector<uint8_t>({0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xEF}));

  // A header-data length beyond the packet would make the payload negative.
  File bad(std::vector<uint8_t>{0, 0, 1, 0xE0, 0, 4, 0x81, 0x80, 40, 7, 0, 0, 1, 0xB9}, "bad.bin");
  CMpegPackSource b;
  EXPECT_EQ(b.Open(bad.f, 0xE0, 64), 0);
  PesPacketInfo badInfo;
  // A file that ends inside a packet header.
  File cut(std::vector<uint8_t>{0, 0, 1, 0xE0, 0, 2, 0x0F, 0x55, 0, 0, 1, 0xE0, 0, 20, 0xFF}, "cut.bin");
  CMpegPackSource c;
  ASSERT_EQ(c.Open(cut.f, 0xE0, 64), 1);
  c.FindNextPacket(8, badInfo);
  EXPECT_EQ(badInfo.headerLength, kEndOfData);
  // Stream ids below 0xBC are refused.
  CMpegPackSource low;
  EXPECT_EQ(low.Open(file.f, 0xBB, 64), kBadState);
}

TEST(BitSource, StartCodeSearchesBothWays) {
  std::vector<uint8_t> data = {0x12, 0, 0, 0, 1, 0xB3, 0x55, 0, 0, 2, 0, 1, 0, 0, 1, 0x00, 0x77};
  File file(data);
  CMpegPackSource s;
  ASSERT_EQ(s.Open(file.f, 0, 11), 1);
  s.Consume(3);
  s.NextStartCode();
  EXPECT_EQ(s.Peek32(), 0x000001B3u);
  s.Get32();
  s.NextStartCode();
  EXPECT_EQ(s.Peek32(), 0x00000100u);
  s.PreviousStartCode();
  EXPECT_EQ(s.Peek32(), 0x000001B3u);
  s.PreviousStartCode();
  EXPECT_NE(s.status, 1);  // nothing before the first code
}
