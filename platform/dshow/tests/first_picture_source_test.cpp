// A source told that only the first picture is wanted describes the pictures as every other
// source does, and every other source still reads frame rates and sound streams in full; a
// decoder told so hands out the key picture of its first packet.
#include <gtest/gtest.h>

#include <filesystem>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "platform/com/class_table.h"
#include "platform/dshow/av_decoder.h"
#include "platform/dshow/file_source.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/pin_walk.h"
#include "platform/dshow/transform_filter.h"
#include "media_clips.h"

namespace {

using namespace platform::dshow;

struct StreamView {
  std::string pin;
  GUID major{};
  int codec = 0, width = 0, height = 0, format = -1, rateNum = 0, rateDen = 0, sampleRate = 0, channels = 0;
};

struct ParamsFree {
  void operator()(AVCodecParameters* par) const { avcodec_parameters_free(&par); }
};

std::vector<StreamView> Streams(IBaseFilter* source) {
  std::vector<StreamView> out;
  for (CBasePin* pin : AsBaseFilter(source)->Pins()) {
    const auto types = pin->GetMediaTypes();
    if (types.empty()) continue;
    std::unique_ptr<AVCodecParameters, ParamsFree> par(avcodec_parameters_alloc());
    StreamView v;
    v.pin = pin->Name();
    v.major = types[0].majortype;
    if (!ReadCompressedType(types[0], par.get())) continue;
    v.codec = par->codec_id, v.width = par->width, v.height = par->height, v.format = par->format;
    v.sampleRate = par->sample_rate, v.channels = par->ch_layout.nb_channels;
    CompressedFrameRate(types[0], &v.rateNum, &v.rateDen);
    out.push_back(v);
  }
  return out;
}

CComPtr<IBaseFilter> LoadSource(const std::string& path, bool firstPictureOnly, HRESULT* loaded = nullptr) {
  CComPtr<IBaseFilter> source;
  EXPECT_EQ(S_OK, CreateMediaFileSource(IID_IBaseFilter, reinterpret_cast<void**>(&source)));
  if (firstPictureOnly) {
    CComPtr<IFirstPictureSource> first;
    EXPECT_EQ(S_OK, source->QueryInterface(IID_IFirstPictureSource, reinterpret_cast<void**>(&first)));
    EXPECT_EQ(S_OK, first->ReadForFirstPictureOnly());
  }
  CComPtr<IFileSourceFilter> loader;
  source->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&loader));
  const HRESULT hr = loader->Load(path.c_str(), nullptr);
  if (loaded) *loaded = hr;
  else EXPECT_EQ(S_OK, hr);
  return source;
}

const StreamView* Find(const std::vector<StreamView>& streams, const char* pin) {
  for (const auto& s : streams)
    if (s.pin == pin) return &s;
  return nullptr;
}

// The first-picture load's video as the full load describes it: what its picture is made from.
void ExpectPictureAlike(const StreamView& video, const std::vector<StreamView>& first) {
  const StreamView* picture = Find(first, "Video");
  ASSERT_NE(nullptr, picture);
  EXPECT_EQ(video.codec, picture->codec);
  EXPECT_EQ(video.width, picture->width);
  EXPECT_EQ(video.height, picture->height);
  EXPECT_EQ(video.format, picture->format);
  EXPECT_GE(picture->format, 0);
}

class FirstPictureSourceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterStockClasses();
    dir_ = new media_clips::ScratchDir("vidarro-first-picture");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  // Two seconds of moving pictures with a tone, or with the pictures starting only after the
  // tone has played alone for a while.
  static std::string Make(const std::string& name, const std::string& args, double videoDelay = 0) {
    const std::string path = (dir_->path() / name).string();
    const std::string delay = videoDelay > 0 ? "-itsoffset " + std::to_string(videoDelay) + " " : "";
    const bool ok = media_clips::Run("ffmpeg -y -v error " + delay +
                                     "-f lavfi -i testsrc2=size=320x240:rate=30000/1001:duration=2 -f lavfi -i "
                                     "sine=frequency=440:sample_rate=44100:duration=4 " +
                                     args + " " + media_clips::Quote(path));
    EXPECT_TRUE(ok) << "ffmpeg could not make " << name;
    return ok ? path : std::string();
  }
  static media_clips::ScratchDir* dir_;
};
media_clips::ScratchDir* FirstPictureSourceTest::dir_ = nullptr;

TEST_F(FirstPictureSourceTest, PicturesAreDescribedAlikeAndOtherUsesKeepRatesAndSound) {
  const std::vector<std::pair<std::string, std::string>> clips = {
      {"mpeg2.m2ts", "-c:v mpeg2video -c:a ac3 -ac 2 -f mpegts -mpegts_m2ts_mode 1"},
      {"h264.mts", "-c:v libx264 -preset ultrafast -c:a ac3 -ac 2 -f mpegts"},
      {"mpeg2.mpg", "-c:v mpeg2video -c:a mp2 -ac 2 -f vob"},
      {"mpeg4.avi", "-c:v mpeg4 -c:a mp2 -ac 2"},
  };
  for (const auto& [name, args] : clips) {
    SCOPED_TRACE(name);
    const std::string path = Make(name, args);
    ASSERT_FALSE(path.empty());
    const auto full = Streams(LoadSource(path, false));
    const auto first = Streams(LoadSource(path, true));
    const StreamView* video = Find(full, "Video");
    const StreamView* sound = Find(full, "Audio");
    ASSERT_NE(nullptr, video);
    ASSERT_NE(nullptr, sound);
    // What playing and converting rely on: the whole rate, size and sound as the file has them.
    EXPECT_EQ(320, video->width);
    EXPECT_EQ(240, video->height);
    EXPECT_EQ(30000, video->rateNum);
    EXPECT_EQ(1001, video->rateDen);
    EXPECT_EQ(44100, sound->sampleRate);
    EXPECT_EQ(2, sound->channels);
    ExpectPictureAlike(*video, first);
  }
}

TEST_F(FirstPictureSourceTest, PicturesStartingLateAreLookedForAsFarAsEverywhere) {
  const std::string path = Make("late.m2ts", "-c:v mpeg2video -c:a mp2 -f mpegts", 1.5);
  ASSERT_FALSE(path.empty());
  const auto full = Streams(LoadSource(path, false));
  const StreamView* video = Find(full, "Video");
  ASSERT_NE(nullptr, video);
  EXPECT_EQ(320, video->width);
  ExpectPictureAlike(*video, Streams(LoadSource(path, true)));
}

TEST_F(FirstPictureSourceTest, ALoadedSourceKeepsHowItRead) {
  const std::string path = Make("kept.m2ts", "-c:v mpeg2video -c:a mp2 -f mpegts");
  ASSERT_FALSE(path.empty());
  auto source = LoadSource(path, false);
  CComPtr<IFirstPictureSource> first;
  ASSERT_EQ(S_OK, source->QueryInterface(IID_IFirstPictureSource, reinterpret_cast<void**>(&first)));
  EXPECT_EQ(E_UNEXPECTED, first->ReadForFirstPictureOnly());
  // A file that is no media file is refused either way.
  const std::string junk = (dir_->path() / "junk.m2ts").string();
  ASSERT_TRUE(media_clips::Run("head -c 65536 /dev/urandom > " + media_clips::Quote(junk)));
  HRESULT hr = S_OK;
  LoadSource(junk, true, &hr);
  EXPECT_TRUE(FAILED(hr));
}

// The video packets of a clip as its source sends them: whole, stamped, key pictures marked.
struct VideoPackets {
  std::unique_ptr<AVCodecParameters, ParamsFree> params{avcodec_parameters_alloc()};
  std::vector<MediaSample> samples;
};

VideoPackets ReadVideoPackets(const std::string& path) {
  VideoPackets out;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return out;
  if (avformat_find_stream_info(fmt, nullptr) >= 0) {
    const int video = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video >= 0) {
      avcodec_parameters_copy(out.params.get(), fmt->streams[video]->codecpar);
      AVPacket* packet = av_packet_alloc();
      while (av_read_frame(fmt, packet) >= 0) {
        if (packet->stream_index == video) {
          MediaSample sample;
          sample.data.assign(packet->data, packet->data + packet->size);
          sample.start = av_rescale_q(packet->pts, fmt->streams[video]->time_base, AVRational{1, 10000000});
          sample.syncPoint = (packet->flags & AV_PKT_FLAG_KEY) != 0;
          out.samples.push_back(std::move(sample));
        }
        av_packet_unref(packet);
      }
      av_packet_free(&packet);
    }
  }
  avformat_close_input(&fmt);
  return out;
}

TEST_F(FirstPictureSourceTest, ADecoderToldOfTheFirstPictureHandsOutTheKeyPictureOfItsFirstPacket) {
  // Streams with B-pictures, whose decoders hold the first picture back for the ones after it.
  const std::vector<std::pair<std::string, std::string>> clips = {
      {"b-pictures.mts", "-c:v libx264 -preset veryfast -bf 3 -an -f mpegts"},
      {"b-pictures.m2ts", "-c:v mpeg2video -bf 2 -an -f mpegts"},
  };
  for (const auto& [name, args] : clips) {
    SCOPED_TRACE(name);
    const VideoPackets packets = ReadVideoPackets(Make(name, args));
    ASSERT_GT(packets.samples.size(), 4u);
    ASSERT_TRUE(packets.samples[0].syncPoint);
    const CMediaType out = MakeVideoType(MEDIASUBTYPE_YUY2, 320, 240, 333667);
    // Played through: the first picture comes only after later packets.
    AvDecoder playing;
    ASSERT_TRUE(playing.Open(packets.params.get(), false));
    std::vector<MediaSample> played;
    auto keep = [](std::vector<MediaSample>& into) { return [&into](MediaSample& s) { into.push_back(s); }; };
    playing.Decode(packets.samples[0], out, keep(played));
    EXPECT_TRUE(played.empty());
    for (size_t i = 1; i < packets.samples.size() && played.empty(); ++i)
      playing.Decode(packets.samples[i], out, keep(played));
    ASSERT_FALSE(played.empty());
    // Told, the same picture comes out of the first packet alone.
    AvDecoder first;
    ASSERT_TRUE(first.Open(packets.params.get(), false));
    first.WantFirstPictureOnly();
    std::vector<MediaSample> given;
    first.Decode(packets.samples[0], out, keep(given));
    ASSERT_EQ(1u, given.size());
    EXPECT_EQ(packets.samples[0].start, given[0].start);
    EXPECT_EQ(played[0].start, given[0].start);
    EXPECT_TRUE(played[0].data == given[0].data);
    // Told before it opens, as the graph's decoder is, it decodes on one thread: the same bytes.
    AvDecoder told;
    told.WantFirstPictureOnly();
    ASSERT_TRUE(told.Open(packets.params.get(), false));
    std::vector<MediaSample> alone;
    told.Decode(packets.samples[0], out, keep(alone));
    ASSERT_EQ(1u, alone.size());
    EXPECT_TRUE(played[0].data == alone[0].data);
  }
}

// The pictures a source's graph renders, paused and then run to its end without a clock, and
// again after a stop.
struct Played {
  long long paused = 0, ran = 0, again = 0;
};

Played PlayToTheEnd(const std::string& path, bool firstPictureOnly) {
  Played played;
  CComPtr<IGraphBuilder> graph;
  EXPECT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(&graph)));
  auto source = LoadSource(path, firstPictureOnly);
  EXPECT_EQ(S_OK, graph->AddFilter(source, "Source"));
  EXPECT_TRUE(SUCCEEDED(RenderOutputs(graph, source)));
  CComPtr<IBaseFilter> found;
  EXPECT_EQ(S_OK, graph->FindFilterByName("Video Renderer", &found));
  auto* renderer = found ? dynamic_cast<CRendererFilter*>(AsBaseFilter(found)) : nullptr;
  if (!renderer) return played;
  CComPtr<IMediaControl> control;
  CComPtr<IMediaFilter> filter;
  CComPtr<IMediaEventEx> events;
  graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
  graph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&filter));
  graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&events));
  EXPECT_EQ(S_OK, filter->SetSyncSource(nullptr));
  EXPECT_EQ(S_OK, control->Pause());
  played.paused = renderer->SamplesRendered();
  EXPECT_EQ(S_OK, control->Run());
  long code = 0;
  EXPECT_EQ(S_OK, events->WaitForCompletion(20000, &code));
  played.ran = renderer->SamplesRendered();
  control->Stop();
  EXPECT_EQ(S_OK, control->Run());
  EXPECT_EQ(S_OK, events->WaitForCompletion(20000, &code));
  played.again = renderer->SamplesRendered() - played.ran;
  control->Stop();
  return played;
}

TEST_F(FirstPictureSourceTest, APrerolledFirstPictureSourceRunsOnWithNothingSentTwiceOrLost) {
  // Pictures that start late: the preroll reads the sound alone for a while first.
  for (double delay : {0.0, 1.5}) {
    SCOPED_TRACE(delay);
    const std::string path = Make("played" + std::to_string(static_cast<int>(delay * 10)) + ".m2ts",
                                  "-c:v mpeg2video -c:a mp2 -ac 2 -f mpegts", delay);
    ASSERT_FALSE(path.empty());
    const Played every = PlayToTheEnd(path, false);
    const Played first = PlayToTheEnd(path, true);
    EXPECT_EQ(60, every.ran);
    EXPECT_GE(first.paused, 1);
    EXPECT_EQ(every.ran, first.ran);
    EXPECT_EQ(every.ran, first.again);
  }
}

TEST_F(FirstPictureSourceTest, AFileNamedAsATransportStreamIsReadAsWhatItHolds) {
  // Each file is read under a name that says nothing, and under the transport stream's names.
  const std::vector<std::pair<std::string, std::string>> clips = {
      {"ts188.bin", "-c:v mpeg2video -c:a mp2 -ac 2 -f mpegts"},
      {"ts192.bin", "-c:v mpeg2video -c:a ac3 -ac 2 -f mpegts -mpegts_m2ts_mode 1"},
      {"ps.bin", "-c:v mpeg2video -c:a mp2 -ac 2 -f vob"},
  };
  for (const auto& [name, args] : clips) {
    const std::string plain = Make(name, args);
    ASSERT_FALSE(plain.empty());
    for (const char* ext : {".m2ts", ".MTS", ".ts"}) {
      SCOPED_TRACE(name + ext);
      const std::string named = plain + ext;
      std::filesystem::copy_file(plain, named, std::filesystem::copy_options::overwrite_existing);
      for (bool firstPictureOnly : {false, true}) {
        const auto expected = Streams(LoadSource(plain, firstPictureOnly));
        const auto got = Streams(LoadSource(named, firstPictureOnly));
        ASSERT_EQ(expected.size(), got.size());
        ASSERT_FALSE(got.empty());
        for (size_t i = 0; i < got.size(); ++i) {
          EXPECT_EQ(expected[i].pin, got[i].pin);
          EXPECT_EQ(expected[i].codec, got[i].codec);
          EXPECT_EQ(expected[i].width, got[i].width);
          EXPECT_EQ(expected[i].height, got[i].height);
          EXPECT_EQ(expected[i].format, got[i].format);
          EXPECT_EQ(expected[i].rateNum, got[i].rateNum);
          EXPECT_EQ(expected[i].rateDen, got[i].rateDen);
          EXPECT_EQ(expected[i].sampleRate, got[i].sampleRate);
          EXPECT_EQ(expected[i].channels, got[i].channels);
        }
      }
    }
  }
}

}  // namespace
