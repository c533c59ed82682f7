// Positioned reads through the file window give the file's bytes whatever the order of reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "mpegdec/file_window.h"
#include "mpegdec/tests/test_media.h"

using namespace mpegtest;

namespace {
std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 131 + (i >> 11));
  return v;
}
}  // namespace

TEST(FileWindow, ReadsForwardsBackwardsAndAcrossBlocksAsTheFileHoldsThem) {
  const std::vector<uint8_t> data = Pattern(300 * 1000 + 7);
  const std::string path = TempPath("window.bin");
  WriteAll(path, data);
  FILE* f = fopen(path.c_str(), "rb");
  ASSERT_TRUE(f);
  CMpegFileWindow window;
  window.Attach(f);
  auto expect = [&](int64_t at, int count) {
    std::vector<uint8_t> got(size_t(count) + 1, 0xEE);
    const int n = window.Read(at, got.data(), count);
    const int64_t want = at >= int64_t(data.size()) ? 0 : std::min<int64_t>(count, int64_t(data.size()) - at);
    ASSERT_EQ(n, want) << at << " " << count;
    for (int i = 0; i < n; ++i) ASSERT_EQ(got[size_t(i)], data[size_t(at + i)]) << at << "+" << i;
    EXPECT_EQ(got[size_t(count)], 0xEE);
  };
  // A walk back over the file's end a packet at a time, each header read forwards.
  for (int64_t at = int64_t(data.size()) - 2048; at > 0; at -= 2048) {
    expect(at, 1024);
    expect(at + 1000, 64);
  }
  std::mt19937 rng(30);
  std::uniform_int_distribution<int64_t> where(0, int64_t(data.size()) + 100);
  std::uniform_int_distribution<int> size(1, 70 * 1000);
  for (int i = 0; i < 300; ++i) expect(where(rng), size(rng));
  expect(0, int(data.size()) + 50);  // larger than a block: straight from the file
  std::vector<uint8_t> none(4);
  EXPECT_EQ(window.Read(-1, none.data(), 4), 0);
  fclose(f);
  remove(path.c_str());
}

TEST(FileWindow, AFileThatGrowsIsReadPastItsOldEnd) {
  const std::string path = TempPath("growing.bin");
  WriteAll(path, Pattern(5000));
  FILE* f = fopen(path.c_str(), "rb");
  ASSERT_TRUE(f);
  CMpegFileWindow window;
  window.Attach(f);
  std::vector<uint8_t> got(100);
  EXPECT_EQ(window.Read(4950, got.data(), 100), 50);
  EXPECT_EQ(window.Read(5000, got.data(), 10), 0);
  WriteAll(path, Pattern(9000));
  EXPECT_EQ(window.Read(4950, got.data(), 100), 100);
  EXPECT_EQ(got[60], Pattern(9000)[5010]);
  fclose(f);
  remove(path.c_str());
}
