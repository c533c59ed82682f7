// The blocks, mapped or read ahead, are what plain sequential reads give; the thread stops when
// its owner does, and a clip that shrinks under the reader is survived.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "bdauthor/block_read_ahead.h"
#include "bdauthor/tests/job_fixture.h"
#include "bdauthor/tests/test_clip.h"

namespace bdauthor {
namespace {

std::vector<std::uint8_t> Pattern(std::size_t bytes) {
  std::vector<std::uint8_t> out(bytes);
  for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
  return out;
}

// Every block to the end, as one run of bytes; a failed read ends it and fails the test.
std::vector<std::uint8_t> ReadToTheEnd(BlockReadAhead& blocks, std::int64_t block) {
  std::vector<std::uint8_t> got;
  for (;;) {
    const std::uint8_t* data = nullptr;
    const std::int64_t n = blocks.Next(&data);
    EXPECT_GE(n, 0);
    if (n < 0) break;
    got.insert(got.end(), data, data + n);
    if (n < block) break;
  }
  return got;
}

TEST(BlockReadAhead, GivesTheBlocksOfSequentialReadsInOrder) {
  test::WorkFolder work("readahead");
  const std::string path = work.ClipPath(0);
  for (std::size_t size :
       {std::size_t(0), std::size_t(999), std::size_t(1000), std::size_t(3000), std::size_t(37 * 1000 + 17)}) {
    const std::vector<std::uint8_t> bytes = Pattern(size);
    test::WriteBytes(path, bytes);
    for (int perRead : {1, 3})
      for (int depth : {1, 2, 5}) {
        ReadOnlyFile file(path);
        ASSERT_TRUE(file.IsOpen());
        // Odd depths start the thread at once, as a clip that is not in the page cache would.
        BlockReadAhead blocks(file, 1000, perRead, depth, depth % 2 == 0);
        EXPECT_EQ(ReadToTheEnd(blocks, 1000), bytes) << size << " bytes, " << perRead << " a read, depth " << depth;
        const std::uint8_t* data = nullptr;
        EXPECT_EQ(blocks.Next(&data), 0) << "past the end";
      }
  }
}

TEST(BlockReadAhead, AnOwnerThatStopsEarlyJoinsTheThread) {
  test::WorkFolder work("readahead-stop");
  const std::string path = work.ClipPath(0);
  test::WriteBytes(path, Pattern(400 * 1000));
  for (int round = 0; round < 50; ++round) {
    ReadOnlyFile file(path);
    BlockReadAhead blocks(file, 1000);
    const std::uint8_t* data = nullptr;
    if (round % 2) {
      ASSERT_EQ(blocks.Next(&data), 1000);
    }
  }
}

TEST(BlockReadAhead, AClipCutShortWhileReadEndsCleanly) {
  test::WorkFolder work("readahead-cut");
  const std::string path = work.ClipPath(0);
  const std::vector<std::uint8_t> bytes = Pattern(200 * 1000);
  test::WriteBytes(path, bytes);
  for (const bool readCachedInline : {true, false}) {
    test::WriteBytes(path, bytes);
    ReadOnlyFile file(path);
    BlockReadAhead blocks(file, 1000, 4, 3, readCachedInline);
    std::vector<std::uint8_t> got;
    const std::uint8_t* data = nullptr;
    ASSERT_EQ(blocks.Next(&data), 1000);
    got.insert(got.end(), data, data + 1000);
    ASSERT_EQ(::truncate(path.c_str(), 10 * 1000 + 500), 0);
    bool failed = false;
    for (;;) {
      const std::int64_t n = blocks.Next(&data);
      if (n < 0) {
        failed = true;
        break;
      }
      got.insert(got.end(), data, data + n);  // touches every byte handed out
      if (n < 1000) break;
    }
    failed = failed || !blocks.Intact();
    // What was read up to the cut is the clip's; nothing past the old end appears.
    ASSERT_LE(got.size(), bytes.size());
    const std::size_t kept = std::min<std::size_t>(got.size(), 10 * 1000 + 500);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(kept), bytes.begin()))
        << readCachedInline;
    if (readCachedInline) {
      // Read where they lie in the page cache, blocks past the cut lose their pages: the reader
      // learns of it rather than taking zeros for the clip.
      EXPECT_TRUE(failed || got.size() == 10u * 1000 + 500) << got.size();
    } else {
      EXPECT_FALSE(failed);
    }
  }
}

// Blocks come from the page cache where it holds them and from reads where it does not, in one
// run of the same bytes.
TEST(BlockReadAhead, BlocksPartlyOutOfThePageCacheAreRead) {
  test::WorkFolder work("readahead-partly");
  const std::string path = work.ClipPath(0);
  const std::vector<std::uint8_t> bytes = Pattern(3 * 1000 * 1000 + 123);
  test::WriteBytes(path, bytes);
  {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 1000 * 1000, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
  }
  for (const std::int64_t from : {std::int64_t{0}, std::int64_t{4096 + 7}}) {
    ReadOnlyFile file(path);
    ASSERT_TRUE(file.SeekTo(from));
    BlockReadAhead blocks(file, 64 * 1000);
    const std::vector<std::uint8_t> got = ReadToTheEnd(blocks, 64 * 1000);
    EXPECT_TRUE(blocks.Intact());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + from, bytes.end()) &&
                got.size() == bytes.size() - static_cast<std::size_t>(from))
        << "from " << from;
  }
}

}  // namespace
}  // namespace bdauthor
