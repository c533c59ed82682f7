#include "widgets/owner_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(OwnerLinkRecord, RoundTripsFoldersOfAnyLength) {
  for (std::size_t length : {0u, 1u, 255u, 256u, 259u, 4096u}) {
    OwnerLinkRecord record{reinterpret_cast<HWND>(std::uintptr_t{0x1234567890}), std::string(length, 'f')};
    const auto bytes = EncodeOwnerLinkRecord(record);
    const auto back = DecodeOwnerLinkRecord(bytes.data(), bytes.size());
    ASSERT_TRUE(back.has_value()) << length;
    EXPECT_EQ(back->window, record.window);
    EXPECT_EQ(back->folder, record.folder);
  }
}

TEST(OwnerLinkRecord, MalformedPayloadsAreRefused) {
  OwnerLinkRecord record{reinterpret_cast<HWND>(std::uintptr_t{7}), "/opt/vidarro/"};
  auto bytes = EncodeOwnerLinkRecord(record);
  EXPECT_FALSE(DecodeOwnerLinkRecord(nullptr, bytes.size()));
  EXPECT_FALSE(DecodeOwnerLinkRecord(bytes.data(), 12));
  EXPECT_FALSE(DecodeOwnerLinkRecord(bytes.data(), bytes.size() - 1));  // cut short
  auto longer = bytes;
  longer.push_back(0);
  EXPECT_FALSE(DecodeOwnerLinkRecord(longer.data(), longer.size()));
  auto unterminated = bytes;
  unterminated.back() = 'x';
  EXPECT_FALSE(DecodeOwnerLinkRecord(unterminated.data(), unterminated.size()));
  auto inner = bytes;
  inner[14] = 0;
  EXPECT_FALSE(DecodeOwnerLinkRecord(inner.data(), inner.size()));
  auto huge = EncodeOwnerLinkRecord({nullptr, std::string(kOwnerLinkMaxFolder + 1, 'h')});
  EXPECT_FALSE(DecodeOwnerLinkRecord(huge.data(), huge.size()));
}

TEST(OwnerLinkFiles, ListsRoundTripAndMalformedOnesAreRefused) {
  const std::vector<std::string> paths = {"/clips/a.mpg", std::string(4000, 'p'), "/clips/b c.wav"};
  const auto bytes = EncodeOwnerLinkFiles(paths);
  EXPECT_EQ(DecodeOwnerLinkFiles(bytes.data(), bytes.size()), paths);
  EXPECT_FALSE(DecodeOwnerLinkFiles(nullptr, bytes.size()));
  EXPECT_FALSE(DecodeOwnerLinkFiles(bytes.data(), bytes.size() - 1));  // no final zero
  const auto empty = EncodeOwnerLinkFiles({});
  EXPECT_FALSE(DecodeOwnerLinkFiles(empty.data(), empty.size()));
  auto hole = bytes;
  hole[3] = 0;
  hole[4] = 0;  // an empty path inside
  EXPECT_FALSE(DecodeOwnerLinkFiles(hole.data(), hole.size()));
  const auto tooLong = EncodeOwnerLinkFiles({std::string(kOwnerLinkMaxPath + 1, 'l')});
  EXPECT_FALSE(DecodeOwnerLinkFiles(tooLong.data(), tooLong.size()));
}
