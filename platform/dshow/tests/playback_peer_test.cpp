// File playback against ffmpeg's own reading of the same clips: rendering, duration, playing to
// the end without a clock, preroll, and sound decoded to PCM for a sink that takes nothing else.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/base/clock.h"
#include "platform/com/class_table.h"
#include "platform/com/oleauto.h"
#include "platform/com/task_mem.h"
#include "platform/dshow/file_source.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/pin_walk.h"
#include "platform/dshow/transform_filter.h"
#include "platform/registry/registry.h"
#include "media_clips.h"

namespace {

using namespace platform::dshow;

class PlaybackTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterStockClasses();
    dir_ = new media_clips::ScratchDir("vidarro-playback");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::string Clip(const media_clips::Clip& clip) {
    const std::string path = media_clips::Make(dir_->path(), clip);
    EXPECT_FALSE(path.empty()) << "ffmpeg could not make " << clip.name;
    return path;
  }
  CComPtr<IGraphBuilder> NewGraph() {
    CComPtr<IGraphBuilder> graph;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     reinterpret_cast<void**>(&graph)));
    return graph;
  }
  template <typename I>
  static CComPtr<I> Query(IUnknown* unknown, REFIID iid) {
    CComPtr<I> out;
    unknown->QueryInterface(iid, reinterpret_cast<void**>(&out));
    return out;
  }
  static CRendererFilter* Renderer(IGraphBuilder* graph, const char* name) {
    CComPtr<IBaseFilter> f;
    if (FAILED(graph->FindFilterByName(name, &f))) return nullptr;
    return dynamic_cast<CRendererFilter*>(AsBaseFilter(f));
  }
  static media_clips::ScratchDir* dir_;
};
media_clips::ScratchDir* PlaybackTest::dir_ = nullptr;

TEST_F(PlaybackTest, EveryClipRendersWithTheDurationFfprobeReads) {
  for (const auto& clip : media_clips::VideoClips()) {
    SCOPED_TRACE(clip.name);
    const std::string path = Clip(clip);
    auto graph = NewGraph();
    const HRESULT hr = graph->RenderFile(path.c_str(), nullptr);
    EXPECT_EQ(S_OK, hr);
    ASSERT_NE(nullptr, Renderer(graph, "Video Renderer")) << DumpGraph(graph);
    auto seeking = Query<IMediaSeeking>(graph, IID_IMediaSeeking);
    ASSERT_TRUE(seeking);
    EXPECT_EQ(S_OK, seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME));
    EXPECT_EQ(S_OK, seeking->IsFormatSupported(&TIME_FORMAT_MEDIA_TIME));
    EXPECT_EQ(S_FALSE, seeking->IsFormatSupported(&TIME_FORMAT_FRAME));
    DWORD caps = 0;
    EXPECT_EQ(S_OK, seeking->GetCapabilities(&caps));
    EXPECT_TRUE(caps & AM_SEEKING_CanGetDuration);
    LONGLONG duration = 0;
    ASSERT_EQ(S_OK, seeking->GetDuration(&duration));
    EXPECT_NEAR(media_clips::ProbeDuration(path), duration / 1e7, 0.04);
  }
}

TEST_F(PlaybackTest, PlaysToTheEndWithoutAClockAndPrerollsOnTheManualClock) {
  const std::string path = Clip(media_clips::VideoClips()[8]);  // H.264 with AAC in MP4
  {
    auto graph = NewGraph();
    ASSERT_EQ(S_OK, graph->RenderFile(path.c_str(), nullptr));
    auto control = Query<IMediaControl>(graph, IID_IMediaControl);
    auto filter = Query<IMediaFilter>(graph, IID_IMediaFilter);
    auto events = Query<IMediaEventEx>(graph, IID_IMediaEventEx);
    ASSERT_EQ(S_OK, filter->SetSyncSource(nullptr));
    ASSERT_EQ(S_OK, control->Run());
    long code = 0;
    ASSERT_EQ(S_OK, events->WaitForCompletion(20000, &code));
    EXPECT_EQ(EC_COMPLETE, code);
    EXPECT_EQ(15, Renderer(graph, "Video Renderer")->SamplesRendered());
    EXPECT_GT(Renderer(graph, "Default DirectSound Device")->BytesRendered(), 0u);
    LONGLONG position = 0, duration = 0;
    auto seeking = Query<IMediaSeeking>(graph, IID_IMediaSeeking);
    seeking->GetCurrentPosition(&position);
    seeking->GetDuration(&duration);
    EXPECT_EQ(duration, position);
    control->Stop();
    // A second run reads the file again from its start.
    ASSERT_EQ(S_OK, control->Run());
    ASSERT_EQ(S_OK, events->WaitForCompletion(20000, &code));
    EXPECT_EQ(30, Renderer(graph, "Video Renderer")->SamplesRendered());
    control->Stop();
  }
  platform::ManualClock clock(5000);
  platform::ScopedClock installed(clock);
  auto graph = NewGraph();
  ASSERT_EQ(S_OK, graph->RenderFile(path.c_str(), nullptr));
  auto control = Query<IMediaControl>(graph, IID_IMediaControl);
  ASSERT_EQ(S_OK, control->Pause());
  EXPECT_EQ(1, Renderer(graph, "Video Renderer")->SamplesRendered());
  ASSERT_EQ(S_OK, control->Run());
  // Time stands still: nothing past the first picture is due.
  EXPECT_EQ(1, Renderer(graph, "Video Renderer")->SamplesRendered());
  control->Stop();
}

// Takes 16-bit PCM only, as a WAV writer does.
class PcmSink : public CRendererFilter {
 public:
  PcmSink() : CRendererFilter(GUID_NULL, "PCM Sink", {TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)}) {}
};

TEST_F(PlaybackTest, SoundFilesDecodeToPcmThroughAddSourceFilterAndConnect) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"tone.mp3", "-c:a libmp3lame"}, {"tone.wav", "-c:a pcm_s16le"}, {"tone.wma", "-c:a wmav2"}};
  for (const auto& [name, args] : files) {
    SCOPED_TRACE(name);
    const std::string path = media_clips::MakeAudio(dir_->path(), name, args);
    ASSERT_FALSE(path.empty());
    auto graph = NewGraph();
    CComPtr<IBaseFilter> source;
    ASSERT_EQ(S_OK, graph->AddSourceFilter(path.c_str(), path.c_str(), &source));
    CComPtr<IBaseFilter> found;
    EXPECT_EQ(S_OK, graph->FindFilterByName(path.c_str(), &found));
    auto* sink = new PcmSink;
    CComPtr<IBaseFilter> sinkFilter;
    sinkFilter.Attach(sink);
    ASSERT_EQ(S_OK, graph->AddFilter(sinkFilter, "PCM Dump Filter"));
    ASSERT_EQ(S_OK, graph->Connect(FirstFreePin(source, PINDIR_OUTPUT), FirstFreePin(sinkFilter, PINDIR_INPUT)))
        << DumpGraph(graph);
    const auto* wfx = sink->Input()->ConnectedType().Format<WAVEFORMATEX>();
    ASSERT_TRUE(wfx);
    EXPECT_EQ(44100u, wfx->nSamplesPerSec);
    EXPECT_EQ(2, wfx->nChannels);
    Query<IMediaFilter>(graph, IID_IMediaFilter)->SetSyncSource(nullptr);
    auto control = Query<IMediaControl>(graph, IID_IMediaControl);
    ASSERT_EQ(S_OK, control->Run());
    long code = 0;
    ASSERT_EQ(S_OK, Query<IMediaEventEx>(graph, IID_IMediaEventEx)->WaitForCompletion(20000, &code));
    // Half a second of stereo 16-bit sound, give or take the codec's priming and padding.
    EXPECT_NEAR(88200.0, static_cast<double>(sink->BytesRendered()), 12000.0);
    control->Stop();
  }
}

TEST_F(PlaybackTest, BadFilesGetTheSdkResults) {
  auto graph = NewGraph();
  const std::string missing = (dir_->path() / "missing.avi").string();
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), graph->RenderFile(missing.c_str(), nullptr));
  const std::string empty = (dir_->path() / "empty.avi").string();
  std::ofstream(empty).close();
  EXPECT_EQ(VFW_E_UNKNOWN_FILE_TYPE, graph->RenderFile(empty.c_str(), nullptr));
  const std::string text = (dir_->path() / "notes.wmv").string();
  std::ofstream(text) << "not a media file at all, only some words\n";
  EXPECT_EQ(VFW_E_UNKNOWN_FILE_TYPE, graph->RenderFile(text.c_str(), nullptr));
  CComPtr<IBaseFilter> source;
  EXPECT_EQ(VFW_E_UNKNOWN_FILE_TYPE, graph->AddSourceFilter(text.c_str(), nullptr, &source));
  EXPECT_FALSE(source);

  // An MP4 under an AVI name is read by its content.
  const std::string real = Clip(media_clips::VideoClips()[8]);
  const std::string lying = (dir_->path() / "lying.avi").string();
  std::filesystem::copy_file(real, lying, std::filesystem::copy_options::overwrite_existing);
  auto other = NewGraph();
  EXPECT_EQ(S_OK, other->RenderFile(lying.c_str(), nullptr));

  // A video stream no decoder takes: the sound is rendered, the picture left out.
  const std::string avi = Clip(media_clips::VideoClips()[5]);
  std::ifstream in(avi, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (std::size_t at = bytes.find("FMP4"); at != std::string::npos; at = bytes.find("FMP4", at))
    bytes.replace(at, 4, "ZZZZ");
  const std::string unknown = (dir_->path() / "unknown.avi").string();
  std::ofstream(unknown, std::ios::binary) << bytes;
  auto partial = NewGraph();
  EXPECT_EQ(VFW_S_PARTIAL_RENDER, partial->RenderFile(unknown.c_str(), nullptr));
  EXPECT_NE(nullptr, Renderer(partial, "Default DirectSound Device"));
  EXPECT_EQ(nullptr, Renderer(partial, "Video Renderer"));

  // A cut-off file still renders what is left of it, and plays to its end.
  const std::string cut = (dir_->path() / "cut.m2ts").string();
  std::filesystem::copy_file(Clip(media_clips::VideoClips()[0]), cut,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
  auto third = NewGraph();
  EXPECT_TRUE(SUCCEEDED(third->RenderFile(cut.c_str(), nullptr)));
  Query<IMediaFilter>(third, IID_IMediaFilter)->SetSyncSource(nullptr);
  auto control = Query<IMediaControl>(third, IID_IMediaControl);
  ASSERT_EQ(S_OK, control->Run());
  long code = 0;
  EXPECT_EQ(S_OK, Query<IMediaEventEx>(third, IID_IMediaEventEx)->WaitForCompletion(20000, &code));
  control->Stop();
}

TEST_F(PlaybackTest, AnAudioOnlyFileRendersToTheSoundDeviceAlsoThroughMediaControl) {
  const std::string path = media_clips::MakeAudio(dir_->path(), "only.mp3", "-c:a libmp3lame");
  auto graph = NewGraph();
  BSTR file = SysAllocString(path.c_str());
  EXPECT_EQ(S_OK, Query<IMediaControl>(graph, IID_IMediaControl)->RenderFile(file));
  SysFreeString(file);
  EXPECT_NE(nullptr, Renderer(graph, "Default DirectSound Device"));
  EXPECT_EQ(nullptr, Renderer(graph, "Video Renderer"));
  CComPtr<IEnumFilters> filters;
  graph->EnumFilters(&filters);
  CComPtr<IFileSourceFilter> source;
  IBaseFilter* f = nullptr;
  while (!source && filters->Next(1, &f, nullptr) == S_OK) {
    f->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&source));
    f->Release();
  }
  ASSERT_TRUE(source);
  LPOLESTR name = nullptr;
  ASSERT_EQ(S_OK, source->GetCurFile(&name, nullptr));
  EXPECT_EQ(path, name);
  CoTaskMemFree(name);
  // One file per source.
  EXPECT_TRUE(FAILED(source->Load(path.c_str(), nullptr)));
}

}  // namespace
