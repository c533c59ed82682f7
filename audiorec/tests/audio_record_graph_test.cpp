#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "audiorec/tests/burn_test_support.h"
#include "audiorec/tests/engine_fixture.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/base/file.h"
#include "platform/com/class_table.h"
#include "platform/dshow/uuids.h"
#include "platform/filters/maker_interfaces.h"
#include "platform/testkit/file_size_limit.h"

namespace auvry::testing {
namespace {

TEST_F(EngineTest, OpeningTwiceOrWithNoNamesChangesNothing) {
  EXPECT_TRUE(engine.Open(window, "", "", 0));
  EXPECT_FALSE(engine.IsOpened());
  EXPECT_FALSE(engine.StartPreview());
  engine.Close();
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 0));
  EXPECT_TRUE(engine.Open(window, "", "Something Else", 0));
  EXPECT_TRUE(engine.IsOpened());
}

TEST_F(EngineTest, UnknownInputFailsAndLeavesTheEngineClosed) {
  EXPECT_FALSE(engine.Open(window, "", "No Such Input", 1));
  EXPECT_FALSE(engine.IsOpened());
}

TEST_F(EngineTest, UsbInputsAreMonitoredUnlessTheModeSaysOtherwise) {
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 0));
  EXPECT_EQ(engine.SourceKind(), CAudioRecordGraph::kMonitored);
  ASSERT_TRUE(engine.StartPreview());
  const std::string dump = Dump();
  EXPECT_NE(dump.find("SmartTee Audio"), std::string::npos) << dump;
  EXPECT_NE(dump.find("DSound Audio Render"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Qn Audio Analyzer"), std::string::npos);
  EXPECT_NE(dump.find("Noise Reduction"), std::string::npos);
  engine.Close();
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 2));
  EXPECT_EQ(engine.SourceKind(), CAudioRecordGraph::kUnmonitored);
  ASSERT_TRUE(engine.StartPreview());
  EXPECT_EQ(Dump().find("SmartTee Audio"), std::string::npos);
  EXPECT_EQ(engine.MonitorRenderer(), nullptr);
}

TEST_F(EngineTest, WithoutASpeakerRendererTheMonitorFallsBackToTheNextOne) {
  const auto missing = [](REFIID, void** ppv) {
    *ppv = nullptr;
    return REGDB_E_CLASSNOTREG;
  };
  platform::com::ClassRegistration noDirectSound(CLSID_DSoundRender, missing);
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 1));
  ASSERT_TRUE(engine.StartPreview());
  EXPECT_NE(Dump().find("Waveout Audio Render"), std::string::npos) << Dump();
  engine.Close();
  platform::com::ClassRegistration noWaveOut(CLSID_AudioRender, missing);
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 1));
  ASSERT_TRUE(engine.StartPreview());
  EXPECT_NE(Dump().find("NULL Render Audio"), std::string::npos) << Dump();
}

TEST_F(EngineTest, PreviewShowsTheInputLevels) {
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 1));
  ASSERT_TRUE(engine.StartPreview());
  // The analyzer measures on the capture thread: on a loaded machine its first figures come
  // later in real time, so the clock keeps moving until they are there (bounded).
  AudioLevelRecord record;
  Advance(500);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((!engine.GetLevels(&record) || record.LeftDb() <= -79.0) && std::chrono::steady_clock::now() < until)
    Advance(100);
  ASSERT_TRUE(engine.GetLevels(&record));
  // The simulated input is a 1 kHz tone at -12 dBFS, 2 kHz for the first tenth of each second:
  // the figures of a loaded machine may come from either.
  EXPECT_NEAR(record.LeftDb(), -12.0, 0.5);
  EXPECT_NEAR(record.RightDb(), -12.0, 0.5);
  auto band = [](double hz) {
    return static_cast<long>(std::floor(30.0 * std::log(hz / 40.0) / std::log(16000.0 / 40.0)));
  };
  const long left = std::max_element(record.LeftBands(), record.LeftBands() + 30) - record.LeftBands();
  EXPECT_TRUE(left == band(1000) || left == band(2000)) << left;
  EXPECT_EQ(std::max_element(record.RightBands(), record.RightBands() + 30) - record.RightBands(), left);
}

TEST_F(EngineTest, WmaRecordingWritesItsFileAndPostsOneFinishedMessage) {
  WmvCaptureSettings request;
  request.fileName = Folder() + "rec.wma";
  request.profilePath = WriteWmaProfile(Folder() + "QnProfileWMA.prx");
  ASSERT_FALSE(request.profilePath.empty());
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 1));
  ASSERT_TRUE(engine.StartPreview());
  ASSERT_TRUE(engine.StartRecordWma(request));
  EXPECT_TRUE(engine.IsRecording());
  EXPECT_EQ(engine.GraphKind(), CAudioRecordGraph::kWma);
  Advance(2000);
  ASSERT_TRUE(engine.StopRecording());
  EXPECT_TRUE(engine.IsPreviewing());
  LPARAM result = 0;
  EXPECT_EQ(Finished(&result), 1);
  EXPECT_EQ(result, 1);
  EXPECT_GT(platform::FileSize(request.fileName), 1000);
  EXPECT_TRUE(engine.StopRecording());  // only previewing: nothing posted
  EXPECT_EQ(Finished(), 0);
}

TEST_F(EngineTest, AWmaWriteThatFailsIsToldAndTheFileSoFarPlays) {
  WmvCaptureSettings request;
  request.fileName = Folder() + "full.wma";
  request.profilePath = WriteWmaProfile(Folder() + "QnProfileWMA.prx");
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 1));
  ASSERT_TRUE(engine.StartPreview());
  ASSERT_TRUE(engine.StartRecordWma(request));
  Advance(5000);
  EXPECT_FALSE(engine.WriteFailed());
  {
    testkit::FileSizeLimit full(static_cast<rlim_t>(platform::FileSize(request.fileName)) + 1024);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool failed = false;
    while (!failed && std::chrono::steady_clock::now() < until) {
      Advance(500);
      failed = engine.WriteFailed();
    }
    EXPECT_TRUE(failed);
    ASSERT_TRUE(engine.StopRecording());
  }
  // Cut to its whole packets, with a header that says how long they play.
  double seconds = 0;
  ASSERT_TRUE(auvrytest::Probe(request.fileName, &seconds));
  EXPECT_GT(seconds, 2.0);
  EXPECT_LT(seconds, 9.0);
  std::string errors;
  EXPECT_EQ(auvrytest::Run("ffmpeg", {"-v", "error", "-xerror", "-i", request.fileName, "-f", "null", "-"}, &errors), 0)
      << errors;
}

TEST_F(EngineTest, MissingProfileFailsTheStartAndThePreviewReturns) {
  WmvCaptureSettings request;
  request.fileName = Folder() + "never.wma";
  request.profilePath = Folder() + "missing.prx";
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 1));
  ASSERT_TRUE(engine.StartPreview());
  EXPECT_FALSE(engine.StartRecordWma(request));
  EXPECT_FALSE(engine.IsRecording());
  EXPECT_TRUE(engine.IsPreviewing());
  EXPECT_EQ(Finished(), 0);
}

TEST_F(EngineTest, AWriterThatCannotOpenItsFileFailsTheStartInsteadOfRecordingNothing) {
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 1));
  ASSERT_TRUE(engine.StartPreview());
  EXPECT_FALSE(engine.StartRecordWav(Folder() + "no/such/folder/a.wav", 2, 16, 44100, 2047));
  EXPECT_FALSE(engine.IsRecording());
  EXPECT_TRUE(engine.IsPreviewing());
  EXPECT_EQ(Finished(), 0);
}

TEST_F(EngineTest, WavAndMp3RecordingsReportTheirWritersResult) {
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 2));
  ASSERT_TRUE(engine.StartPreview());
  ASSERT_TRUE(engine.StartRecordWav(Folder() + "a.wav", 2, 16, 44100, 2047));
  EXPECT_EQ(engine.GraphKind(), CAudioRecordGraph::kPcm);
  Advance(1000);
  ASSERT_TRUE(engine.StopRecording());
  LPARAM result = 0;
  EXPECT_EQ(Finished(&result), 1);
  EXPECT_EQ(result, 1);
  EXPECT_GT(platform::FileSize(Folder() + "a.wav"), 44);

  ASSERT_TRUE(engine.StartRecordMp3(Folder() + "a.mp3"));
  EXPECT_EQ(engine.GraphKind(), CAudioRecordGraph::kMp3);
  Advance(1000);
  ASSERT_TRUE(engine.StopRecording());
  EXPECT_EQ(Finished(&result), 1);
  EXPECT_EQ(result, 1);
  EXPECT_GT(platform::FileSize(Folder() + "a.mp3"), 1000);
}

TEST_F(EngineTest, SwitchingToAnUnpluggedDeviceBringsThePreviousOneBack) {
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 1));
  ASSERT_TRUE(engine.StartPreview());
  EXPECT_FALSE(engine.SwitchDevice(window, "", "Unplugged Microphone", 1));
  EXPECT_TRUE(engine.IsOpened());
  EXPECT_TRUE(engine.IsPreviewing());
  EXPECT_NE(Dump().find("Audio Capture Device"), std::string::npos);
}

TEST_F(EngineTest, NoiseReductionAndGainReachTheFiltersAtEveryRun) {
  engine.SetNoiseReduction(1, 15.0f);
  engine.SetAudioGain(1, 2.0f);
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 2));
  ASSERT_TRUE(engine.StartPreview());
  CComPtr<IBaseFilter> nr;
  ASSERT_EQ(engine.Graph()->FindFilterByName("Noise Reduction", &nr), S_OK);
  CComPtr<IQnNoiseReduction> settings;
  nr->QueryInterface(IID_IQnNoiseReduction, reinterpret_cast<void**>(&settings));
  ASSERT_TRUE(settings);
  BYTE enabled = 0;
  float amount = 0;
  settings->GetEnabled(&enabled);
  settings->GetAmount(&amount);
  EXPECT_EQ(enabled, 1);
  EXPECT_EQ(amount, 15.0f);
}

void UseBoxInputs(std::vector<long> inputs) {
  auto devices = platform::dshow::sim::DefaultDevices();
  for (auto& d : devices)
    if (!d.crossbars.empty()) d.crossbars[0].inputs = std::move(inputs);
  platform::dshow::sim::Hardware::Instance().SetDevices(devices);
}

TEST_F(EngineTest, TheBoxOfAnAudioInputRunsItsPictureFromTheCompositeInput) {
  UseBoxInputs({3, 2, 4097, 4097});  // S-Video first
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 2));
  EXPECT_TRUE(engine.CaptureBoxAdded());
  EXPECT_FALSE(engine.IsVideoSourceOpen());  // the sound still comes from the audio input
  EXPECT_EQ(RoutedConnector(engine.Graph(), "Vidarro USB Crossbar"), 2);
  ASSERT_TRUE(engine.StartPreview());
  const std::string dump = Dump();
  EXPECT_NE(dump.find("Capture -> NULL Renderer"), std::string::npos) << dump;
  engine.Close();
  EXPECT_FALSE(engine.CaptureBoxAdded());
}

TEST_F(EngineTest, ABoxWithoutACompositeInputStillRecords) {
  UseBoxInputs({3, 4097});
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 2));
  EXPECT_EQ(RoutedConnector(engine.Graph(), "Vidarro USB Crossbar"), 3);
  ASSERT_TRUE(engine.StartPreview());
  ASSERT_TRUE(engine.StartRecordWav(Folder() + "box.wav", 2, 16, 44100, 2047));
  Advance(1000);
  ASSERT_TRUE(engine.StopRecording());
  EXPECT_EQ(Finished(), 1);
  EXPECT_GT(platform::FileSize(Folder() + "box.wav"), 44);
}

TEST_F(EngineTest, AnInputOfNoBoxOpensAlone) {
  auto devices = platform::dshow::sim::DefaultDevices();
  for (auto& d : devices)
    if (d.name == kUsbAudio) d.dsInterface = "\\\\?\\hdaudio#func_01#mic";
  platform::dshow::sim::Hardware::Instance().SetDevices(devices);
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 2));
  EXPECT_FALSE(engine.CaptureBoxAdded());
  ASSERT_TRUE(engine.StartPreview());
  EXPECT_EQ(Dump().find("Vidarro USB Crossbar"), std::string::npos);
}

TEST_F(EngineTest, APreviewThatCannotStartLeavesTheReopenedEngineClosed) {
  const auto missing = [](REFIID, void** ppv) {
    *ppv = nullptr;
    return REGDB_E_CLASSNOTREG;
  };
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 2));
  ASSERT_TRUE(engine.StartPreview());
  platform::com::ClassRegistration noAnalyzer(CLSID_QnAudioAnalyzer, missing);
  EXPECT_FALSE(engine.Reopen(window, "", kUsbAudio, 2));
  EXPECT_FALSE(engine.IsOpened());
  EXPECT_FALSE(engine.IsPreviewing());
  EXPECT_EQ(engine.Graph(), nullptr);
  EXPECT_FALSE(engine.StartRecordWav(Folder() + "never.wav", 2, 16, 44100, 2047));
}

}  // namespace
}  // namespace auvry::testing
