#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/audio/audio_classes.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/audio/frequency_bands.h"
#include "platform/audio/tests/graph_run.h"
#include "platform/audio/tests/pcm_source.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/stock_filters.h"
#include "platform/filters/maker_interfaces.h"

namespace platform::audio {
namespace {

using namespace platform::audio::testing;

int Loudest(const std::uint8_t* bands) { return static_cast<int>(std::max_element(bands, bands + 30) - bands); }

// The band that holds hz, by the same spacing the analyzer uses.
int BandOf(double hz) { return static_cast<int>(std::floor(30.0 * std::log(hz / 40.0) / std::log(16000.0 / 40.0))); }

TEST(SpectrumBands, AToneLightsItsOwnBandNearTheTopOfTheScaleAndSilenceNone) {
  SpectrumBands spectrum;
  for (double hz : {100.0, 1000.0, 8000.0}) {
    const auto tone = Tone(hz, -12.0, 48000, 1, 0.1);
    std::vector<float> window(kSpectrumWindow);
    for (int i = 0; i < kSpectrumWindow; ++i) window[i] = tone[i] / 32768.0f;
    const auto bands = spectrum.Measure(window, 48000);
    EXPECT_EQ(Loudest(bands.data()), BandOf(hz)) << hz;
    EXPECT_NEAR(bands[BandOf(hz)], (80 - 12) * 100 / 80, 3) << hz;
  }
  const auto silent = spectrum.Measure(std::vector<float>(kSpectrumWindow, 0.0f), 48000);
  EXPECT_EQ(*std::max_element(silent.begin(), silent.end()), 0);
}

TEST(SpectrumBands, AWindowOfTheWrongLengthGivesNothing) {
  SpectrumBands spectrum;
  const auto bands = spectrum.Measure(std::vector<float>(100, 0.5f), 48000);
  EXPECT_EQ(*std::max_element(bands.begin(), bands.end()), 0);
}

class CaptureLast : public dshow::CRendererFilter {
 public:
  CaptureLast() : CRendererFilter(GUID_NULL, "Sink", {}) {}
};

TEST(AudioAnalyzer, RecordHoldsBothChannelsBandsAndPeaks) {
  auto left = Tone(1000.0, -12.0, 48000, 1, 0.5);
  std::vector<std::int16_t> stereo(left.size() * 2);
  for (std::size_t i = 0; i < left.size(); ++i) stereo[2 * i] = left[i], stereo[2 * i + 1] = left[i] / 4;
  CComPtr<IBaseFilter> source, analyzer, sink;
  source.Attach(new PcmSource(stereo, 48000, 2));
  ASSERT_EQ(analyzer.CoCreateInstance(CLSID_QnAudioAnalyzer, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  ASSERT_TRUE(CComQIPtr<IQnAudioMode>(static_cast<IUnknown*>(analyzer)));
  sink.Attach(new CaptureLast);
  ASSERT_EQ(RunChain({source, analyzer, sink}), EC_COMPLETE);

  BYTE record[kLevelRecordBytes];
  ASSERT_EQ(CComQIPtr<IQnAudioLevel>(static_cast<IUnknown*>(analyzer))->GetLevels(record), S_OK);
  double db[2];
  std::memcpy(&db[0], record + 64, 8);
  std::memcpy(&db[1], record + 72, 8);
  EXPECT_NEAR(db[0], -12.0, 0.5);
  EXPECT_NEAR(db[1], -24.0, 0.5);
  EXPECT_EQ(Loudest(record), BandOf(1000.0));
  EXPECT_EQ(Loudest(record + 30), BandOf(1000.0));
  EXPECT_GT(record[BandOf(1000.0)], record[30 + BandOf(1000.0)]);

  ASSERT_EQ(CComQIPtr<IQnAudioRecordFlags>(static_cast<IUnknown*>(analyzer))->SetRecording(1), S_OK);
  CComQIPtr<IQnAudioLevel>(static_cast<IUnknown*>(analyzer))->GetLevels(record);
  std::memcpy(&db[0], record + 64, 8);
  EXPECT_EQ(db[0], -80.0);
  EXPECT_EQ(record[BandOf(1000.0)], 0);
}

}  // namespace
}  // namespace platform::audio
