#include <gtest/gtest.h>

#include <cstring>

#include "platform/audio/audio_classes.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/audio/downward_expander.h"
#include "platform/audio/tests/graph_run.h"
#include "platform/audio/tests/pcm_source.h"
#include "platform/audio/tests/wav_read.h"
#include "platform/dshow/codes.h"
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
