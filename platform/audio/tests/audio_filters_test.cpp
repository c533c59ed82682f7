#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/audio/audio_classes.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/audio/downward_expander.h"
#include "platform/audio/tests/graph_run.h"
#include "platform/audio/tests/pcm_source.h"
#include "platform/audio/tests/wav_read.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/writer_interfaces.h"

namespace platform::audio {
namespace {

using namespace platform::audio::testing;

constexpr int kRate = 44100;

TEST(DownwardExpander, QuietNoiseDropsWhileATonePassesAtItsLevel) {
  DownwardExpander expander;
  expander.Configure(kRate, 2);
  expander.SetAmount(15.0);
  auto noise = Noise(-50.0, kRate, 2, 2.0);
  const double before = RmsDb(noise, kRate);
  expander.Process(noise);
  EXPECT_LE(RmsDb(noise, kRate), before - 10.0);

  expander.Configure(kRate, 2);
  auto tone = Tone(1000.0, -12.0, kRate, 2, 2.0);
  const auto original = tone;
  expander.Process(tone);
  EXPECT_NEAR(RmsDb(tone, kRate), RmsDb(original, kRate), 1.0);
}

TEST(DownwardExpander, NoAmountLeavesTheSamplesAsTheyAre) {
  DownwardExpander expander;
  expander.Configure(kRate, 1);
  expander.SetAmount(0.0);
  auto noise = Noise(-60.0, kRate, 1, 0.5);
  const auto original = noise;
  expander.Process(noise);
  EXPECT_EQ(noise, original);
}

class AudioGraphTest : public ::testing::Test {
 protected:
  CComPtr<IBaseFilter> Make(const CLSID& clsid) {
    CComPtr<IBaseFilter> f;
    EXPECT_EQ(f.CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER), S_OK);
    return f;
  }
  // Source -> "Noise Reduction" -> "Qn PCM Dump Filter" into out.wav; the samples written.
  std::vector<std::int16_t> Record(std::vector<std::int16_t> input, BYTE enabled, float amount) {
    CComPtr<IBaseFilter> source;
    source.Attach(new PcmSource(std::move(input), kRate, 2));
    auto reduction = Make(CLSID_QnNoiseReduction);
    CComQIPtr<IQnNoiseReduction> nr(static_cast<IUnknown*>(reduction));
    EXPECT_EQ(nr->SetEnabled(enabled), S_OK);
    EXPECT_EQ(nr->SetAmount(amount), S_OK);
    dump = Make(CLSID_QnPcmDump);
    CComQIPtr<IFileSinkFilter> sink(static_cast<IUnknown*>(dump));
    EXPECT_EQ(sink->SetFileName(path.c_str(), nullptr), S_OK);
    EXPECT_EQ(RunChain({source, reduction, dump}), EC_COMPLETE);
    return WavSamples(path);
  }
  std::string path = TempFolder() + "/out.wav";
  CComPtr<IBaseFilter> dump;
};

TEST_F(AudioGraphTest, DisabledNoiseReductionPassesEverySampleUntouched) {
  const auto noise = Noise(-50.0, kRate, 2, 1.0);
  EXPECT_EQ(Record(noise, 0, 15.0f), noise);
  CComQIPtr<IQnPcmWriter> writer(static_cast<IUnknown*>(dump));
  int result = 0;
  EXPECT_EQ(writer->GetResult(&result), S_OK);
  EXPECT_EQ(result, 1);
  CComQIPtr<IQnPcmFormat> format(static_cast<IUnknown*>(dump));
  int bytes = 0;
  EXPECT_EQ(format->GetBytesWritten(&bytes), S_OK);
  EXPECT_EQ(bytes, static_cast<int>(noise.size() * 2));
}

TEST_F(AudioGraphTest, EnabledNoiseReductionTurnsQuietNoiseDown) {
  const auto noise = Noise(-50.0, kRate, 2, 2.0);
  const auto out = Record(noise, 1, 15.0f);
  ASSERT_EQ(out.size(), noise.size());
  EXPECT_LE(RmsDb(out, kRate), RmsDb(noise, kRate) - 10.0);
}

TEST(NoiseReductionSettings, AmountsOutsideTheRangeAreRefused) {
  CComPtr<IBaseFilter> f;
  ASSERT_EQ(f.CoCreateInstance(CLSID_QnNoiseReduction, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  CComQIPtr<IQnNoiseReduction> nr(static_cast<IUnknown*>(f));
  EXPECT_EQ(nr->SetAmount(-1.0f), E_INVALIDARG);
  EXPECT_EQ(nr->SetAmount(std::nanf("")), E_INVALIDARG);
  float amount = 0;
  nr->GetAmount(&amount);
  EXPECT_EQ(amount, 15.0f);
}

TEST(PcmDumpSettings, FormatIsCheckedAndKept) {
  CComPtr<IBaseFilter> f;
  ASSERT_EQ(f.CoCreateInstance(CLSID_QnPcmDump, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  CComQIPtr<IQnPcmFormat> format(static_cast<IUnknown*>(f));
  EXPECT_EQ(format->SetFormat(0, 44100, 16), E_INVALIDARG);
  EXPECT_EQ(format->SetFormat(2, 48000, 24), E_INVALIDARG);
  EXPECT_EQ(format->SetFormat(1, 22050, 8), S_OK);
  int channels = 0, rate = 0, bits = 0;
  EXPECT_EQ(format->GetFormat(&channels, &rate, &bits), S_OK);
  EXPECT_EQ(channels, 1);
  EXPECT_EQ(rate, 22050);
  EXPECT_EQ(bits, 8);
}

}  // namespace
}  // namespace platform::audio

namespace platform::audio {
namespace {

using namespace platform::audio::testing;

// Keeps the 16-bit samples it is given.
class PcmCollector : public dshow::CRendererFilter {
 public:
  PcmCollector() : CRendererFilter(GUID_NULL, "Collector", {}) {}
  std::vector<std::int16_t> Samples() {
    std::lock_guard lock(mutex_);
    return samples_;
  }

 protected:
  void Render(const dshow::MediaSample& s) override {
    std::lock_guard lock(mutex_);
    const size_t at = samples_.size();
    samples_.resize(at + s.data.size() / 2);
    std::memcpy(samples_.data() + at, s.data.data(), s.data.size() / 2 * 2);
  }

 private:
  std::mutex mutex_;
  std::vector<std::int16_t> samples_;
};

// Source -> "ACM Wrapper" -> collector, the wrapper's output connected with `wanted` (null: its
// first offer).
std::vector<std::int16_t> ThroughAcm(const std::vector<std::int16_t>& input, int rate, int channels,
                                     const AM_MEDIA_TYPE* wanted) {
  CComPtr<IGraphBuilder> graph;
  EXPECT_EQ(graph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  CComPtr<IBaseFilter> source, acm, sink;
  source.Attach(new PcmSource(input, rate, channels));
  EXPECT_EQ(acm.CoCreateInstance(CLSID_ACMWrapper, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  auto* collector = new PcmCollector;
  sink.Attach(collector);
  for (IBaseFilter* f :
       {static_cast<IBaseFilter*>(source), static_cast<IBaseFilter*>(acm), static_cast<IBaseFilter*>(sink)})
    graph->AddFilter(f, nullptr);
  EXPECT_EQ(graph->ConnectDirect(FirstPin(source, PINDIR_OUTPUT), FirstPin(acm, PINDIR_INPUT), nullptr), S_OK);
  EXPECT_EQ(graph->ConnectDirect(FirstPin(acm, PINDIR_OUTPUT), FirstPin(sink, PINDIR_INPUT), wanted), S_OK);
  CComQIPtr<IMediaControl> control(static_cast<IUnknown*>(graph));
  CComQIPtr<IMediaEvent> events(static_cast<IUnknown*>(graph));
  EXPECT_TRUE(SUCCEEDED(control->Run()));
  long code = 0;
  events->WaitForCompletion(20'000, &code);
  control->Stop();
  return collector->Samples();
}

TEST(AcmWrapper, PassesItsInputOnAndConvertsToAnOfferedFormat) {
  const auto tone = Tone(1000.0, -12.0, 48000, 2, 1.0);
  EXPECT_EQ(ThroughAcm(tone, 48000, 2, nullptr), tone);

  const CMediaType mono = dshow::MakeAudioType(1, 44100, 16);
  const auto converted = ThroughAcm(tone, 48000, 2, &mono);
  EXPECT_NEAR(static_cast<double>(converted.size()), 44100.0, 441.0);
  int peak = 0, crossings = 0;
  for (size_t i = 1000; i < converted.size(); ++i) {
    peak = std::max(peak, std::abs(static_cast<int>(converted[i])));
    crossings += (converted[i - 1] < 0) != (converted[i] < 0);
  }
  EXPECT_NEAR(20 * std::log10(peak / 32767.0), -12.0, 0.3);
  // Two crossings a cycle: still 1 kHz at the new rate.
  EXPECT_NEAR(crossings * 44100.0 / 2 / static_cast<double>(converted.size() - 1000), 1000.0, 10.0);
}

}  // namespace
}  // namespace platform::audio
