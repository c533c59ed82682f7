// A source told that only the first picture is wanted describes the pictures as every other
// source does, and every other source still reads frame rates and sound streams in full.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "platform/com/class_table.h"
#include "platform/dshow/file_source.h"
#include "platform/dshow/filter_graph.h"
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

}  // namespace
