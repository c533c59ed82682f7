#include "bench/mpegdec/field_pairs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& s, std::initializer_list<std::uint8_t> b) { s.insert(s.end(), b); }

// One 720x240 intra picture at 59.94 as ffmpeg's encoder writes it: sequence and group headers
// before it (when asked), a progressive frame picture with frame prediction and frame DCT.
void AddField(Bytes& s, int temporal, int type, bool headers) {
  if (headers) {
    Put(s, {0, 0, 1, 0xB3, 0x2D, 0x00, 0xF0, 0x17, 0xFF, 0xFF, 0xE0, 0x18});
    Put(s, {0, 0, 1, 0xB5, 0x14, 0x8A, 0x00, 0x01, 0x00, 0x00});
    Put(s, {0, 0, 1, 0xB8, 0x00, 0x08, 0x00, 0x00});
  }
  Put(s, {0, 0, 1, 0x00, static_cast<std::uint8_t>(temporal >> 2),
          static_cast<std::uint8_t>((temporal & 3) << 6 | type << 3), 0xFF, 0xF8});
  Put(s, {0, 0, 1, 0xB5, 0x8F, 0xFF, 0xF3, 0xC1, 0x80});
  Put(s, {0, 0, 1, 0x01, 0xAA, 0xBB, 0xCC});
}

std::vector<std::size_t> Find(const Bytes& s, std::uint8_t code) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i + 3 < s.size(); ++i)
    if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1 && s[i + 3] == code) at.push_back(i);
  return at;
}

TEST(FieldPairs, TwoHalfHeightPicturesBecomeOneFramesFields) {
  Bytes in;
  AddField(in, 0, 1, true);
  AddField(in, 0, 1, true);
  AddField(in, 0, 1, true);
  AddField(in, 0, 1, true);
  Put(in, {0, 0, 1, 0xB7});
  std::string why;
  const Bytes out = PairFields(in, &why);
  ASSERT_FALSE(out.empty()) << why;

  // Headers stand before each pair only, never between its two fields.
  const auto sequences = Find(out, 0xB3), groups = Find(out, 0xB8), pictures = Find(out, 0x00);
  ASSERT_EQ(sequences.size(), 2u);
  ASSERT_EQ(groups.size(), 2u);
  ASSERT_EQ(pictures.size(), 4u);
  EXPECT_LT(sequences[1], pictures[2]);
  EXPECT_GT(sequences[1], pictures[1]);

  const std::uint8_t* seq = &out[sequences[0]];
  EXPECT_EQ((seq[5] & 0x0F) << 8 | seq[6], 480);
  EXPECT_EQ(seq[4] << 4 | seq[5] >> 4, 720);
  EXPECT_EQ(seq[7], 0x24);                          // 4:3, 29.97
  EXPECT_EQ(out[sequences[0] + 12 + 5] & 0x08, 0);  // progressive_sequence cleared

  for (int i = 0; i < 4; ++i) {
    const std::uint8_t* ext = &out[pictures[i] + 8];
    ASSERT_EQ(ext[3], 0xB5);
    EXPECT_EQ(ext[6] & 0x03, i % 2 ? 2 : 1) << i;  // top field, then bottom
    EXPECT_EQ(ext[6] & 0xFC, 0xF0) << i;           // f codes and DC precision kept
    EXPECT_EQ(ext[7], 0x00) << i;                  // no tff, fpfd, rff, chroma_420_type
    EXPECT_EQ(ext[8] & 0x80, 0) << i;              // not a progressive frame
    const std::uint8_t* slice = &out[pictures[i] + 17];
    EXPECT_EQ(Bytes(slice, slice + 7), (Bytes{0, 0, 1, 0x01, 0xAA, 0xBB, 0xCC})) << i;
  }
  EXPECT_EQ(Bytes(out.end() - 4, out.end()), (Bytes{0, 0, 1, 0xB7}));
}

TEST(FieldPairs, TemporalReferencesCountFrames) {
  Bytes in;
  AddField(in, 0, 1, true);
  for (int t = 1; t < 6; ++t) AddField(in, t, 1, false);
  const Bytes out = PairFields(in);
  ASSERT_FALSE(out.empty());
  const auto pictures = Find(out, 0x00);
  ASSERT_EQ(pictures.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    const std::uint8_t* p = &out[pictures[i]];
    EXPECT_EQ(p[4] << 2 | p[5] >> 6, i / 2) << i;
    EXPECT_EQ((p[5] >> 3) & 7, 1) << i;
  }
}

TEST(FieldPairs, RefusesWhatCannotBePaired) {
  std::string why;
  Bytes odd;
  AddField(odd, 0, 1, true);
  EXPECT_TRUE(PairFields(odd, &why).empty());
  EXPECT_NE(why.find("even"), std::string::npos);

  Bytes predicted;
  AddField(predicted, 0, 1, true);
  AddField(predicted, 1, 2, false);
  EXPECT_TRUE(PairFields(predicted, &why).empty());
  EXPECT_NE(why.find("intra"), std::string::npos);

  Bytes pal;  // 25 pictures a second cannot be fields of a frame rate the header can say
  AddField(pal, 0, 1, true);
  AddField(pal, 0, 1, true);
  pal[7] = 0x13;
  EXPECT_TRUE(PairFields(pal, &why).empty());

  Bytes bare;  // an MPEG-1 picture has no coding extension to say which field it is
  Put(bare, {0, 0, 1, 0x00, 0x00, 0x08, 0xFF, 0xF8, 0, 0, 1, 0x01, 0xAA});
  Put(bare, {0, 0, 1, 0x00, 0x00, 0x48, 0xFF, 0xF8, 0, 0, 1, 0x01, 0xAA});
  EXPECT_TRUE(PairFields(bare, &why).empty());
  EXPECT_NE(why.find("extension"), std::string::npos);
}

}  // namespace
