#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/base/file.h"
#include "platform/media/encoder.h"
#include "platform/media/muxer.h"
#include "platform/media/resampler.h"
#include "platform/media/scaler.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace media {
namespace {

std::string TempPath(const char* name) { return std::string(std::getenv("TMPDIR")) + "/" + name; }

// One second of grey NTSC DVD video and a 1 kHz tone through the "dvd" muxer into sink.
bool WriteShortDvd(const Muxer::WriteFn& sink, std::string* error) {
  VideoSettings video;
  video.codec = "mpeg2video";
  video.width = 352;
  video.height = 240;
  video.bitRate = 1500000;
  video.maxRate = 9800000;
  video.bufferSize = 1835008;
  video.gopSize = 15;
  video.aspect = {4, 3};
  video.closedGop = true;
  auto videoEncoder = Encoder::OpenVideo(video, error);
  AudioSettings audio;
  audio.codec = "mp2";
  auto audioEncoder = Encoder::OpenAudio(audio, error);
  if (!videoEncoder || !audioEncoder) return false;
  auto muxer = Muxer::Open("dvd", sink, nullptr, error);
  if (!muxer) return false;
  const int v = muxer->AddStream(*videoEncoder);
  const int a = muxer->AddStream(*audioEncoder);
  if (!muxer->WriteHeader()) return false;
  auto write = [&](int stream, const Encoder& encoder) {
    return [&, stream](AVPacket* packet) { return muxer->WritePacket(packet, stream, encoder.TimeBase()); };
  };
  auto picture = MakeVideoFrame(AV_PIX_FMT_YUV420P, 352, 240);
  for (int i = 0; i < 30; ++i) {
    av_frame_make_writable(picture.get());
    for (int p = 0; p < 3; ++p) std::fill_n(picture->data[p], picture->linesize[p] * (p ? 120 : 240), 128);
    picture->pts = i;
    if (!videoEncoder->Encode(picture.get(), write(v, *videoEncoder))) return false;
  }
  const int samples = audioEncoder->FrameSamples();
  auto sound = MakeAudioFrame(audioEncoder->SampleFormat(), 2, 48000, samples);
  for (int f = 0; f * samples < 48000; ++f) {
    av_frame_make_writable(sound.get());
    auto* pcm = reinterpret_cast<std::int16_t*>(sound->data[0]);
    for (int s = 0; s < samples; ++s)
      pcm[2 * s] = pcm[2 * s + 1] =
          static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 1000 * (f * samples + s) / 48000.0));
    sound->pts = static_cast<std::int64_t>(f) * samples;
    if (!audioEncoder->Encode(sound.get(), write(a, *audioEncoder))) return false;
  }
  if (!videoEncoder->Encode(nullptr, write(v, *videoEncoder))) return false;
  if (!audioEncoder->Encode(nullptr, write(a, *audioEncoder))) return false;
  return muxer->Finish();
}

TEST(Media, DvdProgramStreamThroughCallbackReadsBack) {
  const std::string path = TempPath("short.mpg");
  platform::File file(path, platform::FileMode::Create);
  std::string error;
  ASSERT_TRUE(WriteShortDvd([&](const std::uint8_t* d, std::size_t n) { return file.Write(d, n); }, &error)) << error;
  ASSERT_TRUE(file.Close());

  AVFormatContext* input = nullptr;
  ASSERT_EQ(avformat_open_input(&input, path.c_str(), nullptr, nullptr), 0);
  ASSERT_GE(avformat_find_stream_info(input, nullptr), 0);
  bool sawVideo = false, sawAudio = false;
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVCodecParameters* p = input->streams[i]->codecpar;
    if (p->codec_id == AV_CODEC_ID_MPEG2VIDEO) {
      sawVideo = true;
      EXPECT_EQ(p->width, 352);
      EXPECT_EQ(p->height, 240);
    }
    if (p->codec_id == AV_CODEC_ID_MP2) {
      sawAudio = true;
      EXPECT_EQ(p->sample_rate, 48000);
    }
  }
  avformat_close_input(&input);
  EXPECT_TRUE(sawVideo);
  EXPECT_TRUE(sawAudio);
}

TEST(Media, FailingWriteIsReportedNotSwallowed) {
  std::string error;
  int writes = 0;
  // The disk fills after the first buffer.
  EXPECT_FALSE(WriteShortDvd([&](const std::uint8_t*, std::size_t) { return ++writes == 1; }, &error));
  EXPECT_GE(writes, 2);
}

TEST(Media, UnknownNamesFailWithText) {
  std::string error;
  VideoSettings video;
  video.codec = "no-such-codec";
  EXPECT_EQ(Encoder::OpenVideo(video, &error), nullptr);
  EXPECT_NE(error.find("no-such-codec"), std::string::npos);
  EXPECT_EQ(Muxer::Open(
                "no-such-format", [](const std::uint8_t*, std::size_t) { return true; }, nullptr, &error),
            nullptr);
}

TEST(Media, ScalerTakesPackedYuy2BottomUpRgbAndHalves) {
  // YUY2 white over black: the top half Y 235, the bottom 16, chroma neutral.
  std::vector<std::uint8_t> yuy2(16 * 8 * 2);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) {
      yuy2[(y * 16 + x) * 2] = y < 4 ? 235 : 16;
      yuy2[(y * 16 + x) * 2 + 1] = 128;
    }
  auto scaler = Scaler::Open(AV_PIX_FMT_YUYV422, 16, 8, AV_PIX_FMT_YUV420P, 16, 4);
  auto out = MakeVideoFrame(AV_PIX_FMT_YUV420P, 16, 4);
  ASSERT_TRUE(scaler && out);
  ASSERT_TRUE(scaler->ScalePacked(yuy2.data(), 32, out.get()));
  EXPECT_NEAR(out->data[0][0], 235, 2);
  EXPECT_NEAR(out->data[0][3 * out->linesize[0]], 16, 2);

  // A bottom-up DIB: its first stored row is the picture's last.
  std::vector<std::uint8_t> bgr(4 * 2 * 3, 0);
  std::fill_n(bgr.begin() + 12, 12, 255);  // second stored row = top row, white
  auto rgb = Scaler::Open(AV_PIX_FMT_BGR24, 4, 2, AV_PIX_FMT_GRAY8, 4, 2);
  auto grey = MakeVideoFrame(AV_PIX_FMT_GRAY8, 4, 2);
  ASSERT_TRUE(rgb->ScalePacked(bgr.data(), -12, grey.get()));
  EXPECT_GT(grey->data[0][0], 200);
  EXPECT_LT(grey->data[0][grey->linesize[0]], 50);
}

TEST(Media, ResamplerAndQueueMakeWholeEncoderFrames) {
  auto resampler = Resampler::Open(AV_SAMPLE_FMT_S16, 2, 44100, AV_SAMPLE_FMT_S16, 2, 48000);
  ASSERT_TRUE(resampler);
  SampleQueue queue(AV_SAMPLE_FMT_S16, 2);
  std::vector<std::int16_t> in(4410 * 2, 1000);
  int made = 0;
  for (int block = 0; block < 10; ++block) {
    std::vector<std::int16_t> out(resampler->OutputRoom(4410) * 2);
    const std::uint8_t* planes[1] = {reinterpret_cast<const std::uint8_t*>(in.data())};
    std::uint8_t* outPlanes[1] = {reinterpret_cast<std::uint8_t*>(out.data())};
    const int n = resampler->Convert(planes, 4410, outPlanes, static_cast<int>(out.size() / 2));
    ASSERT_GE(n, 0);
    made += n;
    ASSERT_TRUE(queue.Push(outPlanes, n));
  }
  // One second in makes about one second out, less the filter's delay.
  EXPECT_NEAR(made, 48000, 64);
  auto frame = MakeAudioFrame(AV_SAMPLE_FMT_S16, 2, 48000, 1152);
  int frames = 0;
  while (queue.Pop(frame.get())) ++frames;
  EXPECT_EQ(frames, made / 1152);
  EXPECT_LT(queue.Size(), 1152);
}

}  // namespace
}  // namespace media
