// The multiplexer's reader following an elementary stream while the recording's writer still
// writes it and cuts it into pieces.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/dvd/elementary_reader.h"
#include "platform/filters/elementary_file.h"

namespace {

using platform::dvd::ElementaryReader;

std::string Folder(const std::string& name) {
  const std::string folder = std::string(std::getenv("TMPDIR")) + "/" + name + "/";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 131 + seed * 7 + i / 251) & 0xFF);
  return bytes;
}

// Everything the reader gives until End (or Failed: false).
bool ReadAll(ElementaryReader& reader, std::vector<std::uint8_t>* out) {
  std::uint8_t buffer[1500];
  for (;;) {
    std::size_t got = 0;
    switch (reader.Read(buffer, sizeof buffer, &got)) {
      case ElementaryReader::Result::Data: out->insert(out->end(), buffer, buffer + got); break;
      case ElementaryReader::Result::Waiting: std::this_thread::yield(); break;
      case ElementaryReader::Result::End: return true;
      case ElementaryReader::Result::Failed: return false;
    }
  }
}

TEST(ElementaryReader, FollowsAGrowingStreamAcrossItsPiecesWithoutLosingAByte) {
  const std::string folder = Folder("growing");
  // Small pieces so the writer moves on to the next one often while the reader is at the end
  // of the last: the bytes written just before a new piece begins must still be read.
  for (unsigned round = 0; round < 12; ++round) {
    const std::string name = folder + "DVD_" + std::to_string(round) + ".mpv";
    const std::vector<std::uint8_t> bytes = Pattern(600 * 1024, round);
    std::atomic<bool> ended{false};
    ElementaryReader reader(name, ended);
    std::vector<std::uint8_t> read;
    bool readOk = false;
    std::thread follower([&] { readOk = ReadAll(reader, &read); });
    platform::filters::ElementaryFile writer;
    ASSERT_TRUE(writer.Open(name, 16 * 1024));
    for (std::size_t at = 0, step = 1; at < bytes.size(); step = step * 7 % 4093 + 1) {
      const std::size_t n = std::min(step, bytes.size() - at);
      ASSERT_TRUE(writer.Write(bytes.data() + at, n, step % 3 == 0));
      at += n;
    }
    ASSERT_TRUE(writer.Close());
    ended.store(true);
    follower.join();
    EXPECT_TRUE(readOk);
    EXPECT_GT(writer.Pieces(), 30);
    ASSERT_EQ(bytes.size(), read.size()) << "round " << round << ", " << writer.Pieces() << " pieces";
    EXPECT_TRUE(bytes == read) << "round " << round;
    EXPECT_EQ(static_cast<std::int64_t>(bytes.size()), reader.BytesRead());
  }
}

TEST(ElementaryReader, AnEmptyStreamEndsAndAMissingOneFails) {
  const std::string folder = Folder("ends");
  std::atomic<bool> ended{true};
  // A recording stopped before its first frame leaves empty files: nothing to read, no failure
  // of the reader (the multiplexer refuses a stream without pictures).
  platform::filters::ElementaryFile empty;
  ASSERT_TRUE(empty.Open(folder + "empty.mpv", 1 << 20));
  ASSERT_TRUE(empty.Close());
  ElementaryReader reader(folder + "empty.mpv", ended);
  std::vector<std::uint8_t> read;
  EXPECT_TRUE(ReadAll(reader, &read));
  EXPECT_TRUE(read.empty());
  ElementaryReader missing(folder + "missing.mpv", ended);
  EXPECT_FALSE(ReadAll(missing, &read));

  // Before the end flag, a missing or drained stream waits for its writer.
  std::atomic<bool> running{false};
  std::uint8_t buffer[16];
  std::size_t got = 0;
  ElementaryReader early(folder + "later.mpv", running);
  EXPECT_EQ(ElementaryReader::Result::Waiting, early.Read(buffer, sizeof buffer, &got));
  ElementaryReader drained(folder + "empty.mpv", running);
  EXPECT_EQ(ElementaryReader::Result::Waiting, drained.Read(buffer, sizeof buffer, &got));
}

}  // namespace
