#include "bench/mpegdec/lean_demux.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& s, std::initializer_list<std::uint8_t> b) { s.insert(s.end(), b); }

// A PES packet: MPEG-2 header with `headerData` bytes of optional fields, then the payload.
void Pes(Bytes& s, std::uint8_t id, const Bytes& payload, std::uint8_t headerData) {
  const std::size_t length = 3 + headerData + payload.size();
  Put(s, {0, 0, 1, id, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xFF), 0x80, 0x80,
          headerData});
  s.insert(s.end(), headerData, 0xFF);
  s.insert(s.end(), payload.begin(), payload.end());
}

// An MPEG-2 pack header with two stuffing bytes.
void Pack(Bytes& s) { Put(s, {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0x01, 0x89, 0xC3, 0xFA, 0xFF, 0xFF}); }

Bytes Collect(const Bytes& stream, bool* ok) {
  Bytes video;
  *ok = DemuxProgramStream(stream.data(), stream.size(),
                           [&](const std::uint8_t* d, std::size_t n) { video.insert(video.end(), d, d + n); });
  return video;
}

TEST(LeanDemux, GivesTheVideoPayloadsInOrderAndNothingElse) {
  Bytes ps;
  Pack(ps);
  Put(ps, {0, 0, 1, 0xBB, 0, 6, 1, 2, 3, 4, 5, 6});  // system header
  Pes(ps, 0xE0, {0, 0, 1, 0xB3, 0x10}, 5);           // video with a time stamp
  Pes(ps, 0xC0, {0xAA, 0xAA, 0xAA}, 5);              // audio
  Pack(ps);
  Pes(ps, 0xE0, {0x20, 0x30}, 0);
  Put(ps, {0, 0, 1, 0xBE, 0, 3, 0xFF, 0xFF, 0xFF});  // padding
  Pes(ps, 0xE1, {0x77}, 0);                          // a second video stream
  Put(ps, {0, 0, 1, 0xB9});
  bool ok = false;
  EXPECT_EQ(Collect(ps, &ok), (Bytes{0, 0, 1, 0xB3, 0x10, 0x20, 0x30}));
  EXPECT_TRUE(ok);
}

TEST(LeanDemux, RefusesABrokenStreamRatherThanReadingPastIt) {
  Bytes cut;
  Pack(cut);
  Pes(cut, 0xE0, {1, 2, 3, 4}, 0);
  cut.resize(cut.size() - 2);  // the packet says more than the file holds
  bool ok = true;
  Collect(cut, &ok);
  EXPECT_FALSE(ok);

  Bytes lost;
  Pack(lost);
  Put(lost, {0x12, 0x34, 0x56, 0x78});  // no start code where a packet should begin
  ok = true;
  Collect(lost, &ok);
  EXPECT_FALSE(ok);

  Bytes header;  // a header that claims more optional bytes than the packet has
  Put(header, {0, 0, 1, 0xE0, 0, 3, 0x80, 0x80, 9});
  ok = true;
  EXPECT_TRUE(Collect(header, &ok).empty());
  EXPECT_FALSE(ok);
}

}  // namespace
