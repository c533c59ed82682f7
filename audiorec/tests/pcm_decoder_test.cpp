// The decoder over sound files of the recorder's kinds: CD-format WAV files, and the refusals.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "audiorec/pcm_decoder.h"
#include "burn_test_support.h"
#include "platform/base/file.h"
#include "platform/dshow/codes.h"

namespace {

class PcmDecoderTest : public ::testing::Test {
 protected:
  std::string Work() const { return env_.Home() + "work/"; }
  testkit::Environment env_{testkit::CurrentTestName()};
  CPcmDecoder decoder_;
};

TEST_F(PcmDecoderTest, A48kWmaBecomesCdAudioOfItsLength) {
  const std::string source = auvrytest::MakeSound(Work(), "a.wma", 2.0, "-c:a wmav2 -ar 48000");
  const std::string target = Work() + "a.wav";
  ASSERT_EQ(decoder_.Build(nullptr, source, target, TRUE), 1);
  EXPECT_EQ(decoder_.state(), CPcmDecoder::kBuilt);
  EXPECT_NEAR(decoder_.expectedBytes(), 2.0 * 176400, 176400 * 0.1);
  ASSERT_TRUE(decoder_.Run());
  long code = 0;
  ASSERT_TRUE(auvrytest::WaitFor([&] { return (code = decoder_.PollEvents()) == EC_COMPLETE; }, 30));
  EXPECT_GE(decoder_.GetProgress(), 90);
  decoder_.Teardown();
  double seconds = 0;
  int rate = 0, channels = 0;
  ASSERT_TRUE(auvrytest::Probe(target, &seconds, &rate, &channels));
  EXPECT_EQ(rate, 44100);
  EXPECT_EQ(channels, 2);
  EXPECT_NEAR(seconds, 2.0, 0.05);
}

TEST_F(PcmDecoderTest, PollingEventsLeavesTheWindowsQueueAlone) {
  testkit::RecordingParent window;
  const std::string source = auvrytest::MakeSound(Work(), "b.mp3", 1.0, "-c:a libmp3lame -ar 44100");
  ASSERT_EQ(decoder_.Build(window.hwnd(), source, Work() + "b.wav", TRUE), 1);
  ASSERT_TRUE(decoder_.Run());
  constexpr UINT kMarker = WM_APP + 7;
  ::PostMessage(window.hwnd(), kMarker, 0, 0);
  // Its caller is a window procedure: a nested pump there would re-enter it.
  long code = 0;
  for (int i = 0; i < 20000 && code != EC_COMPLETE; ++i) {
    code = decoder_.PollEvents();
    if (code != EC_COMPLETE) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(code, EC_COMPLETE);
  MSG msg;
  EXPECT_TRUE(::PeekMessage(&msg, window.hwnd(), kMarker, kMarker, PM_NOREMOVE));
  decoder_.Teardown();
  EXPECT_EQ(decoder_.PollEvents(), 0);
}

TEST_F(PcmDecoderTest, FilesThatAreNoSoundAreRefused) {
  const std::string text = Work() + "notes.wma";
  platform::CreateFolders(Work());
  platform::WriteWholeFileAtomic(text, "only some words");
  EXPECT_EQ(decoder_.Build(nullptr, text, Work() + "x.wav", TRUE), 0);
  EXPECT_EQ(decoder_.Build(nullptr, Work() + "missing.wma", Work() + "y.wav", TRUE), 0);
  EXPECT_EQ(decoder_.state(), CPcmDecoder::kIdle);
  EXPECT_EQ(decoder_.GetProgress(), 0);
  EXPECT_FALSE(std::filesystem::exists(Work() + "x.wav"));
}

}  // namespace
