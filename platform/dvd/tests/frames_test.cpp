#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/dvd/mpeg_frames.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(MpegFrames, HeadersGiveSizeRateAndPictureOrder) {
  platform::dvd::SequenceInfo seq;
  // 720 x 576 at 25 frames per second.
  const Bytes sequence = {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x33, 0xFF, 0xFF, 0xE0, 0x00};
  ASSERT_TRUE(platform::dvd::FindSequenceHeader(sequence.data(), sequence.size(), &seq));
  EXPECT_EQ(720, seq.width);
  EXPECT_EQ(576, seq.height);
  EXPECT_EQ(3600, seq.frameTicks);
  EXPECT_TRUE(seq.pal);
  const Bytes cut(sequence.begin(), sequence.begin() + 6);
  EXPECT_FALSE(platform::dvd::FindSequenceHeader(cut.data(), cut.size(), &seq));

  // A GOP header, then a B picture with temporal reference 5.
  const Bytes picture = {0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x58, 0x00};
  platform::dvd::PictureInfo info;
  ASSERT_TRUE(platform::dvd::FindPictureHeader(picture.data(), picture.size(), &info));
  EXPECT_EQ(5, info.temporalReference);
  EXPECT_EQ(3, info.codingType);
  EXPECT_TRUE(info.gopStart);
}

TEST(MpegFrames, AudioHeadersOfLayerTwoAndRefusedOnes) {
  // MPEG-1 layer II, 224 kbit/s, 48 kHz, stereo.
  const Bytes mp2 = {0xFF, 0xFD, 0xB4, 0x00};
  platform::dvd::AudioFrameInfo info;
  ASSERT_TRUE(platform::dvd::ParseAudioFrameHeader(mp2.data(), mp2.size(), &info));
  EXPECT_EQ(48000, info.sampleRate);
  EXPECT_EQ(2, info.channels);
  EXPECT_EQ(224000, info.bitRate);
  EXPECT_EQ(1152, info.samples);
  for (const Bytes& bad : {Bytes{0xFF, 0xFD, 0xFC, 0x00}, Bytes{0x47, 0x40, 0x00, 0x10}, Bytes{0xFF, 0xFD}})
    EXPECT_FALSE(platform::dvd::ParseAudioFrameHeader(bad.data(), bad.size(), &info));
}

}  // namespace
