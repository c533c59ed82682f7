#include "widgets/owner_link.h"

#include <gtest/gtest.h>

#include "platform/ole/global_memory.h"

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

TEST(OwnerLinkRecord, BlocksAreReadOnceAndFreed) {
  const std::size_t before = platform::ole::LiveGlobalBlocks();
  HGLOBAL block = OwnerLinkRecordBlock({reinterpret_cast<HWND>(std::uintptr_t{9}), std::string(256, 'a')});
  ASSERT_NE(block, nullptr);
  const auto record = TakeOwnerLinkRecordBlock(block);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->folder.size(), 256u);
  EXPECT_EQ(platform::ole::LiveGlobalBlocks(), before);
  // A freed or foreign handle is refused, never read.
  EXPECT_FALSE(TakeOwnerLinkRecordBlock(block));
  EXPECT_FALSE(TakeOwnerLinkRecordBlock(reinterpret_cast<HGLOBAL>(std::uintptr_t{0xdead0})));
  EXPECT_EQ(OwnerLinkRecordBlock({nullptr, std::string(kOwnerLinkMaxFolder + 1, 'h')}), nullptr);
}
