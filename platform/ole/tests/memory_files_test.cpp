#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ole/drop_files.h"
#include "platform/ole/global_memory.h"

using platform::ole::BuildDropFiles;
using platform::ole::ReadDropFiles;

namespace {

HDROP AsDrop(HGLOBAL h) { return reinterpret_cast<HDROP>(h); }

// A raw block with the given bytes, for lists made elsewhere (or damaged).
HGLOBAL RawBlock(const std::vector<BYTE>& bytes) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
  GlobalUnlock(h);
  return h;
}

std::vector<BYTE> Header(DWORD offset, BOOL wide) {
  DROPFILES d;
  d.pFiles = offset;
  d.fWide = wide;
  std::vector<BYTE> b(sizeof d);
  std::memcpy(b.data(), &d, sizeof d);
  return b;
}

TEST(GlobalMemory, MovableAndFixedBlocksLockCountAndRefuseBadHandles) {
  const auto before = platform::ole::LiveGlobalBlocks();
  HGLOBAL movable = GlobalAlloc(GMEM_MOVEABLE, 16);
  ASSERT_NE(movable, nullptr);
  EXPECT_EQ(GlobalSize(movable), 16u);
  auto* p = static_cast<BYTE*>(GlobalLock(movable));
  ASSERT_NE(p, nullptr);
  EXPECT_NE(static_cast<void*>(p), static_cast<void*>(movable));  // a handle, not the memory
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0) << "blocks start zeroed";
  EXPECT_EQ(GlobalLock(movable), p);
  EXPECT_TRUE(GlobalUnlock(movable));   // still locked once
  EXPECT_FALSE(GlobalUnlock(movable));  // now unlocked
  EXPECT_FALSE(GlobalUnlock(movable));  // unlocking more does not underflow

  HGLOBAL fixed = GlobalAlloc(GPTR, 8);
  EXPECT_EQ(GlobalLock(fixed), static_cast<void*>(fixed));  // a fixed block is its own pointer
  EXPECT_EQ(platform::ole::LiveGlobalBlocks(), before + 2);

  EXPECT_EQ(GlobalFree(movable), nullptr);
  EXPECT_EQ(GlobalFree(movable), movable) << "a second free is refused";
  EXPECT_EQ(GlobalLock(movable), nullptr);
  EXPECT_EQ(GlobalSize(movable), 0u);
  EXPECT_EQ(GlobalFree(fixed), nullptr);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
  EXPECT_EQ(GlobalLock(reinterpret_cast<HGLOBAL>(0x1234)), nullptr);
  EXPECT_EQ(GlobalAlloc(GHND, platform::ole::kMaxGlobalBlock + 1), nullptr);
  EXPECT_EQ(platform::ole::LiveGlobalBlocks(), before);

  HGLOBAL empty = GlobalAlloc(GHND, 0);  // legal, lockable, size 0
  EXPECT_NE(GlobalLock(empty), nullptr);
  EXPECT_EQ(GlobalSize(empty), 0u);
  GlobalFree(empty);
}

TEST(FileList, BuiltBlockHasTheShellLayout) {
  HGLOBAL list = BuildDropFiles({"/media/a.mp4", "/media/clip b.MOV"}, POINT{7, 9});
  ASSERT_NE(list, nullptr);
  const std::size_t expected = 20 + sizeof("/media/a.mp4") + sizeof("/media/clip b.MOV") + 1;
  EXPECT_EQ(GlobalSize(list), expected);
  const auto* b = static_cast<const BYTE*>(GlobalLock(list));
  DROPFILES d;
  std::memcpy(&d, b, sizeof d);
  EXPECT_EQ(d.pFiles, 20u);
  EXPECT_EQ(d.pt.x, 7);
  EXPECT_EQ(d.pt.y, 9);
  EXPECT_FALSE(d.fNC);
  EXPECT_FALSE(d.fWide);
  EXPECT_STREQ(reinterpret_cast<const char*>(b + 20), "/media/a.mp4");
  EXPECT_EQ(b[expected - 1], 0);
  EXPECT_EQ(b[expected - 2], 0);
  GlobalUnlock(list);

  POINT pt{};
  EXPECT_TRUE(DragQueryPoint(AsDrop(list), &pt));
  EXPECT_EQ(pt.x, 7);
  DragFinish(AsDrop(list));
  EXPECT_EQ(GlobalSize(list), 0u);

  HGLOBAL nc = BuildDropFiles({"/x"}, POINT{1, 1}, TRUE);
  EXPECT_FALSE(DragQueryPoint(AsDrop(nc), &pt)) << "a non-client drop point";
  DragFinish(AsDrop(nc));

  // Lists the layout cannot carry are refused instead of being cut short.
  EXPECT_EQ(BuildDropFiles({}), nullptr);
  EXPECT_EQ(BuildDropFiles({"/a", ""}), nullptr);
  EXPECT_EQ(BuildDropFiles({std::string("/a\0b", 4)}), nullptr);
}

TEST(FileList, DragQueryFileCountsAndCopiesWithinTheBuffer) {
  HGLOBAL list = BuildDropFiles({"/v/one.mpg", "/v/caf\xC3\xA9.avi"});
  HDROP drop = AsDrop(list);
  EXPECT_EQ(DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0), 2u);
  EXPECT_EQ(DragQueryFile(drop, 0, nullptr, 0), 10u) << "null buffer asks the length";
  char buf[64];
  EXPECT_EQ(DragQueryFile(drop, 0, buf, sizeof buf), 10u);
  EXPECT_STREQ(buf, "/v/one.mpg");
  EXPECT_EQ(DragQueryFile(drop, 2, buf, sizeof buf), 0u) << "index past the end";
  EXPECT_EQ(DragQueryFile(drop, 7, nullptr, 0), 0u);

  // Short buffers: never written past, always terminated.
  char small[6];
  std::memset(small, 'X', sizeof small);
  EXPECT_EQ(DragQueryFile(drop, 0, small, 4), 3u);
  EXPECT_STREQ(small, "/v/");
  EXPECT_EQ(small[4], 'X');
  EXPECT_EQ(DragQueryFile(drop, 0, small, 0), 0u);
  EXPECT_EQ(small[0], '/');  // size 0 writes nothing
  EXPECT_EQ(DragQueryFile(drop, 0, small, 1), 0u);
  EXPECT_EQ(small[0], '\0');

  // "/v/caf" + two-byte e-acute: a 8-byte buffer holds 7 characters, which would split it.
  EXPECT_EQ(DragQueryFile(drop, 1, nullptr, 0), 12u);
  char cut[8];
  EXPECT_EQ(DragQueryFile(drop, 1, cut, sizeof cut), 6u);
  EXPECT_STREQ(cut, "/v/caf");
  DragFinish(drop);
}

TEST(FileList, DamagedAndForeignBlocksAreReadSafely) {
  char buf[32];
  EXPECT_EQ(DragQueryFile(nullptr, 0xFFFFFFFF, buf, sizeof buf), 0u);
  EXPECT_FALSE(DragQueryPoint(nullptr, nullptr));

  // Too small for a header.
  HGLOBAL tiny = RawBlock({1, 2, 3});
  EXPECT_EQ(DragQueryFile(AsDrop(tiny), 0xFFFFFFFF, nullptr, 0), 0u);
  EXPECT_FALSE(DragQueryPoint(AsDrop(tiny), nullptr));
  GlobalFree(tiny);

  // Offset beyond the block.
  auto far = Header(4000, FALSE);
  far.insert(far.end(), {'/', 'a', 0, 0});
  HGLOBAL farBlock = RawBlock(far);
  EXPECT_EQ(DragQueryFile(AsDrop(farBlock), 0xFFFFFFFF, nullptr, 0), 0u);
  GlobalFree(farBlock);

  // The last path runs off the end: the complete ones are still read.
  auto cutOff = Header(20, FALSE);
  cutOff.insert(cutOff.end(), {'/', 'a', 0, '/', 'b', 'b'});
  HGLOBAL cutBlock = RawBlock(cutOff);
  EXPECT_EQ(ReadDropFiles(cutBlock), (std::vector<std::string>{"/a"}));
  EXPECT_EQ(DragQueryFile(AsDrop(cutBlock), 1, buf, sizeof buf), 0u);
  GlobalFree(cutBlock);

  // A wide list as other programs write it reads back as UTF-8.
  auto wide = Header(20, TRUE);
  for (char16_t c : std::u16string(u"/m\u00E9.ts")) {
    wide.push_back(static_cast<BYTE>(c & 0xFF));
    wide.push_back(static_cast<BYTE>(c >> 8));
  }
  wide.insert(wide.end(), {0, 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0, 0, 0});  // then U+1F600, then the end
  HGLOBAL wideBlock = RawBlock(wide);
  EXPECT_EQ(ReadDropFiles(wideBlock), (std::vector<std::string>{"/m\xC3\xA9.ts", "\xF0\x9F\x98\x80"}));
  EXPECT_EQ(DragQueryFile(AsDrop(wideBlock), 0, nullptr, 0), 7u);
  GlobalFree(wideBlock);
}

}  // namespace
