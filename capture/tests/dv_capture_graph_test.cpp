#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "capture/tests/wmv_test_profile.h"
#include "capture/dv_capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "platform/base/clock.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/dshow/transform_filter.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

using namespace platform::dshow;
using capture_test::Folder;
using capture_test::Posted;

namespace {

struct AviStreams {
  int video = 0;
  int audio = 0;
  int sampleRate = 0;
  AVRational frameTime{0, 1};    // the video stream's time base, as its header stores it
  std::vector<long long> codes;  // frame code of every picture
  std::vector<int> frameBytes;   // size of every video packet
};

// Reads a DV-AVI back through libavformat and the dvvideo decoder.
AviStreams ReadDvAvi(const std::string& path) {
  AviStreams out;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return out;
  avformat_find_stream_info(format, nullptr);
  int videoIndex = -1;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVCodecParameters* p = format->streams[i]->codecpar;
    if (p->codec_id == AV_CODEC_ID_DVVIDEO) {
      ++out.video;
      videoIndex = static_cast<int>(i);
      out.frameTime = format->streams[i]->time_base;
    }
    if (p->codec_id == AV_CODEC_ID_PCM_S16LE) {
      ++out.audio;
      out.sampleRate = p->sample_rate;
    }
  }
  sim::DvPictureDecoder decoder;
  AVPacket* packet = av_packet_alloc();
  while (av_read_frame(format, packet) >= 0) {
    if (packet->stream_index == videoIndex) {
      out.frameBytes.push_back(packet->size);
      std::vector<std::uint8_t> yuy2;
      const int height = packet->size == 144000 ? 576 : 480;
      if (decoder.Decode(packet->data, static_cast<std::size_t>(packet->size), 720, height, &yuy2)) {
        std::vector<std::uint8_t> luma(720u * height);
        for (std::size_t i = 0; i < luma.size(); ++i) luma[i] = yuy2[i * 2];
        out.codes.push_back(sim::ReadFrameCode(luma.data(), 720, height, 720));
      }
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&format);
  return out;
}

class DvCaptureGraphTest : public capture_test::CamcorderGraphTest {
 protected:
  Posted Collect(UINT message) { return capture_test::TakePosted(window, message); }
  long long Rendered(const char* name) {
    CRendererFilter* r = Renderer(name);
    return r ? r->SamplesRendered() : -1;
  }
  // Moves device time on a frame at a time until the preview has shown `frames` more pictures.
  void Run(platform::ManualClock& clock, int frames) {
    CRendererFilter* preview = Renderer("Video Render");
    ASSERT_NE(preview, nullptr);
    capture_test::AdvanceUntilRendered(clock, preview, 40, frames, [] {});
  }
  // Drains the events until the lost camcorder has closed the graph (bounded).
  long WaitForLoss() {
    long code = 0;
    for (int i = 0; i < 500 && code != EC_DEVICE_LOST; ++i) {
      code = graph.HandleGraphEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return code;
  }
};

// A filter that is still on its way when the graph runs.
class SettlingFilter : public CBaseFilter {
 public:
  SettlingFilter() : CBaseFilter(GUID_NULL, "Settling") {}
  STDMETHODIMP Run(REFERENCE_TIME start) override {
    CBaseFilter::Run(start);
    return S_FALSE;
  }
};

TEST_F(DvCaptureGraphTest, PreviewAndRecordingGraphsStandAsTheModesSay) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDv(window, window, "vidarro dv camcorder"));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kDvPreview);
  EXPECT_TRUE(graph.IsPreviewing());
  EXPECT_EQ(graph.GetSignalCode(), 2000);
  EXPECT_EQ(graph.GetFrameDuration(), 33);
  std::string dump = DumpGraph(graph.Graph());
  EXPECT_NE(dump.find("DV Device\n  DV A/V Out -> DV Spliter.Input [Interleaved dvsd]"), std::string::npos) << dump;
  EXPECT_NE(dump.find("DV Decoder\n  XForm Out -> Qn Space Color Converter"), std::string::npos) << dump;
  EXPECT_NE(dump.find("[Video YUY2 360x240]"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Audio Analyzer"), std::string::npos) << dump;
  EXPECT_NE(dump.find("DSound Audio Renderer"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Video Render"), std::string::npos) << dump;
  Run(clock, 2);

  // MPEG at resolution 0: half-size decoding and no down-sampler.
  MpegCaptureSettings mpeg;
  mpeg.fileName = Folder() + "dv_mpeg.mpg";
  mpeg.streamType = 7;
  mpeg.resolutionLevel = 0;
  mpeg.videoBitRate = 2000000;
  ASSERT_TRUE(graph.StartMpegCapture(&mpeg));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kDvMpeg);
  dump = DumpGraph(graph.Graph());
  for (const char* name : {"DV Splitter", "Video SmartTee", "ACM Wapper", "Audio SmartTee", "Qn MPEG Encoder"})
    EXPECT_NE(dump.find(name), std::string::npos) << name << "\n" << dump;
  EXPECT_EQ(dump.find("Qn Video DownSampler"), std::string::npos);
  EXPECT_NE(dump.find("[Video YUY2 360x240]"), std::string::npos);
  // Start while recording changes nothing; a file switch is only for AVI.
  EXPECT_TRUE(graph.StartDvCapture(Folder() + "never.avi"));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kDvMpeg);
  EXPECT_FALSE(graph.SetAviOutputFile(Folder() + "other.avi"));
  EXPECT_TRUE(graph.IsCapturing());
  Run(clock, 10);
  ASSERT_TRUE(graph.StopDvCapture());
  Posted stop = Collect(WM_USER + 73);
  EXPECT_EQ(stop.count, 1);
  EXPECT_EQ(stop.wParam, 16u);
  EXPECT_GE(stop.lParam, 1);
  EXPECT_TRUE(graph.IsPreviewing());
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kDvPreview);

  // Full resolution takes the down-sampler for the preview.
  mpeg.resolutionLevel = 2;
  ASSERT_TRUE(graph.StartMpegCapture(&mpeg));
  dump = DumpGraph(graph.Graph());
  EXPECT_NE(dump.find("Qn Video DownSampler"), std::string::npos) << dump;
  EXPECT_NE(dump.find("[Video YUY2 720x480]"), std::string::npos) << dump;
  ASSERT_TRUE(graph.StopDvCapture());
  EXPECT_EQ(Collect(WM_USER + 73).count, 1);

  WmvCaptureSettings wmv;
  wmv.fileName = Folder() + "dv.wmv";
  wmv.profilePath = Folder() + "dv.prx";
  ASSERT_TRUE(SaveTestWmvProfile(wmv.profilePath));
  ASSERT_TRUE(graph.StartWmvCapture(&wmv));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kDvWmv);
  EXPECT_NE(DumpGraph(graph.Graph()).find("WMV Encoder"), std::string::npos);
  ASSERT_TRUE(graph.StopDvCapture());
  EXPECT_EQ(Collect(WM_USER + 75).count, 1);

  AviCaptureSettings avi;
  avi.fileName = Folder() + "dv_decoded.avi";
  ASSERT_TRUE(graph.StartAviCapture(&avi));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kDvAvi);
  Run(clock, 3);
  ASSERT_TRUE(graph.StopDvCapture());
  Posted aviStop = Collect(WM_USER + 74);
  EXPECT_EQ(aviStop.count, 1);
  EXPECT_EQ(aviStop.lParam, 0);
  EXPECT_EQ(Collect(WM_USER + 76).count, 0);
}

TEST_F(DvCaptureGraphTest, ThePreviewIsLetterboxedInTheOwnersWindow) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDv(window, window, "Vidarro DV Camcorder"));
  capture_test::ExpectLetterboxedVideo(graph.Graph(), "Video Render", window,
                                       [&](int aspect) { graph.FitVideoWindow(aspect); });
}

TEST_F(DvCaptureGraphTest, DvAviHoldsTheCamcorderFramesAndTheirSoundNtscAndPal) {
  for (const bool pal : {false, true}) {
    if (pal)
      sim::Hardware::Instance().Update("DVCAM", [](sim::DeviceDesc& d) {
        d.formats = {{720, 576, 400000, MEDIASUBTYPE_dvsd}};
      });
    platform::ManualClock clock;
    platform::ScopedClock use(clock);
    ASSERT_TRUE(graph.OpenDv(window, window, "Vidarro DV Camcorder"));
    EXPECT_EQ(graph.GetSignalCode(), pal ? 2001 : 2000);
    EXPECT_EQ(graph.GetFrameDuration(), pal ? 40 : 33);
    const std::string file = Folder() + (pal ? "dv_pal.avi" : "dv_ntsc.avi");
    std::remove(file.c_str());
    ASSERT_TRUE(graph.StartDvCapture(file));
    EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kDvFile);
    EXPECT_EQ(graph.OutputName(), file);
    const std::string dump = DumpGraph(graph.Graph());
    EXPECT_NE(dump.find("SmartTee\n  Capture -> AVI Mux"), std::string::npos) << dump;
    EXPECT_NE(dump.find("ACM Wrapper"), std::string::npos) << dump;
    Run(clock, 12);
    ASSERT_TRUE(graph.StopDvCapture());
    const Posted stop = Collect(kDvFileCaptureStopped);
    EXPECT_EQ(stop.count, 1);
    EXPECT_EQ(stop.wParam, 16u);
    EXPECT_EQ(stop.lParam, 0);
    graph.Close();
    EXPECT_EQ(Collect(kDvFileCaptureStopped).count, 0) << "closing a preview posts nothing";

    const AviStreams avi = ReadDvAvi(file);
    EXPECT_EQ(avi.video, 1);
    EXPECT_EQ(avi.audio, 1);
    EXPECT_EQ(avi.sampleRate, 48000);
    // Players show the rate the header stores: exactly 30000/1001 or 25, not a rounded duration.
    EXPECT_EQ(avi.frameTime.num, pal ? 1 : 1001);
    EXPECT_EQ(avi.frameTime.den, pal ? 25 : 30000);
    ASSERT_GE(avi.codes.size(), 10u);
    for (std::size_t i = 1; i < avi.codes.size(); ++i)
      EXPECT_EQ(avi.codes[i], (avi.codes[i - 1] + 1) % (pal ? 25 : 30)) << "frame " << i;
  }
}

TEST_F(DvCaptureGraphTest, TapeTransportAndTimecodeText) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDv(window, window, "Vidarro DV Camcorder"));
  EXPECT_FALSE(graph.HasTape());
  EXPECT_EQ(graph.GetTimecodeText(), "--:--:--.--");
  graph.Close();

  const std::string tape = Folder() + "dv_tape.dv";
  {
    std::FILE* f = std::fopen(tape.c_str(), "wb");
    for (const auto& frame : sim::DvLoop(false)) std::fwrite(frame.data(), 1, frame.size(), f);
    std::fclose(f);
  }
  sim::Hardware::Instance().Update("DVCAM", [&](sim::DeviceDesc& d) { d.tape = tape; });
  ASSERT_TRUE(graph.OpenDv(window, window, "Vidarro DV Camcorder"));
  EXPECT_TRUE(graph.HasTape());
  EXPECT_EQ(graph.GetTimecodeText(), "00:01:00.00");
  EXPECT_EQ(graph.GetTransportMode(), ED_MODE_STOP);
  ASSERT_EQ(graph.SetTransportMode(ED_MODE_PLAY, 0), S_OK);
  EXPECT_EQ(graph.GetTransportMode(), ED_MODE_PLAY);
  Run(clock, 12);
  EXPECT_EQ(graph.GetTimecodeText().substr(0, 9), "00:01:00.");
  EXPECT_NE(graph.GetTimecodeText(), "00:01:00.00");
  graph.Close();
  EXPECT_EQ(graph.SetTransportMode(ED_MODE_PLAY, 0), E_FAIL);
  EXPECT_EQ(graph.GetTransportMode(), ED_MODE_STOP);
  EXPECT_EQ(graph.GetTimecodeText(), "--:--:--.--");
}

TEST_F(DvCaptureGraphTest, UnpluggedCamcorderEndsTheRecordingWithOneMessage) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDv(window, window, "Vidarro DV Camcorder"));
  const std::string file = Folder() + "dv_lost.avi";
  ASSERT_TRUE(graph.StartDvCapture(file));
  Run(clock, 5);
  sim::Hardware::Instance().Unplug("DVCAM");
  long code = 0;
  for (int i = 0; i < 200 && code != EC_DEVICE_LOST; ++i) {
    code = graph.HandleGraphEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(code, EC_DEVICE_LOST);
  EXPECT_EQ(graph.Graph(), graph.Graph());
  EXPECT_FALSE(graph.IsCapturing());
  EXPECT_EQ(Collect(kDvFileCaptureStopped).count, 1);
  EXPECT_GE(ReadDvAvi(file).codes.size(), 1u);
  // Opening a camcorder that is gone fails cleanly.
  EXPECT_FALSE(graph.OpenDv(window, window, "Vidarro DV Camcorder"));
  sim::Hardware::Instance().Plug("DVCAM");
}

TEST_F(DvCaptureGraphTest, AGraphStillSettlingCountsAsRunning) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDv(window, window, "Vidarro DV Camcorder"));
  CComPtr<IBaseFilter> settling;
  settling.Attach(new SettlingFilter);
  ASSERT_EQ(graph.Graph()->AddFilter(settling, "Settling"), S_OK);
  CComPtr<IMediaControl> control;
  ASSERT_EQ(graph.Graph()->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
  ASSERT_TRUE(graph.StopGraph());
  EXPECT_EQ(control->Run(), S_FALSE);
  EXPECT_TRUE(graph.RunGraph());

  // A recording started on such a graph records and reports its file.
  const std::string file = Folder() + "dv_settling.avi";
  std::remove(file.c_str());
  ASSERT_TRUE(graph.StartDvCapture(file));
  EXPECT_TRUE(graph.IsCapturing());
  Run(clock, 4);
  ASSERT_TRUE(graph.StopDvCapture());
  EXPECT_EQ(Collect(kDvFileCaptureStopped).count, 1);
  EXPECT_GE(ReadDvAvi(file).codes.size(), 1u);
}

TEST_F(DvCaptureGraphTest, EveryRecordingEndsWithOneMessageWhenTheCamcorderIsUnplugged) {
  const std::string profile = Folder() + "dv_lost.prx";
  ASSERT_TRUE(SaveTestWmvProfile(profile));
  struct Case {
    int mode;
    UINT message;
    std::string file;  // what the recording leaves
  };
  const Case cases[] = {{CDvCaptureGraph::kDvFile, kDvFileCaptureStopped, "lost_file.avi"},
                        {CDvCaptureGraph::kDvMpeg, WM_USER + 73, "lost_mpeg_0.mpg"},
                        {CDvCaptureGraph::kDvWmv, WM_USER + 75, "lost.wmv"},
                        {CDvCaptureGraph::kDvAvi, WM_USER + 74, "lost_avi.avi"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    platform::ManualClock clock;
    platform::ScopedClock use(clock);
    ASSERT_TRUE(graph.OpenDv(window, window, "Vidarro DV Camcorder"));
    std::remove((Folder() + c.file).c_str());
    MpegCaptureSettings mpeg;
    mpeg.fileName = Folder() + "lost_mpeg.mpg";
    mpeg.streamType = 3;
    WmvCaptureSettings wmv;
    wmv.fileName = Folder() + "lost.wmv";
    wmv.profilePath = profile;
    AviCaptureSettings avi;
    avi.fileName = Folder() + "lost_avi.avi";
    const BOOL started = c.mode == CDvCaptureGraph::kDvFile   ? graph.StartDvCapture(Folder() + c.file)
                         : c.mode == CDvCaptureGraph::kDvMpeg ? graph.StartMpegCapture(&mpeg)
                         : c.mode == CDvCaptureGraph::kDvWmv  ? graph.StartWmvCapture(&wmv)
                                                              : graph.StartAviCapture(&avi);
    ASSERT_TRUE(started);
    EXPECT_EQ(graph.GetMode(), c.mode);
    Run(clock, 6);
    sim::Hardware::Instance().Unplug("DVCAM");
    EXPECT_EQ(WaitForLoss(), EC_DEVICE_LOST);
    EXPECT_FALSE(graph.IsCapturing());
    const Posted stop = Collect(c.message);
    EXPECT_EQ(stop.count, 1);
    EXPECT_EQ(stop.wParam, 16u);
    for (UINT other : {WM_USER + 73, WM_USER + 74, WM_USER + 75, WM_USER + 76}) EXPECT_EQ(Collect(other).count, 0);
    // The writers finished what they had: the file opens as what it is.
    AVFormatContext* format = nullptr;
    ASSERT_EQ(avformat_open_input(&format, (Folder() + c.file).c_str(), nullptr, nullptr), 0) << c.file;
    EXPECT_GE(avformat_find_stream_info(format, nullptr), 0);
    EXPECT_GE(format->nb_streams, 1u);
    avformat_close_input(&format);
    sim::Hardware::Instance().Plug("DVCAM");
  }
}

TEST_F(DvCaptureGraphTest, ATruncatedTapeRecordsItsWholeFramesAndStops) {
  for (const bool pal : {false, true}) {
    SCOPED_TRACE(pal ? "PAL" : "NTSC");
    if (pal)
      sim::Hardware::Instance().Update("DVCAM", [](sim::DeviceDesc& d) {
        d.formats = {{720, 576, 400000, MEDIASUBTYPE_dvsd}};
      });
    const auto& loop = sim::DvLoop(pal);
    ASSERT_GE(loop.size(), 10u);
    const std::size_t frameBytes = pal ? sim::kDvFramePal : sim::kDvFrameNtsc;
    const std::string tape = Folder() + (pal ? "cut_pal.dv" : "cut_ntsc.dv");
    {
      std::ofstream out(tape, std::ios::binary);
      for (std::size_t i = 0; i < 10; ++i)
        out.write(reinterpret_cast<const char*>(loop[i].data()), static_cast<std::streamsize>(loop[i].size()));
      out.write(reinterpret_cast<const char*>(loop[10 % loop.size()].data()),
                static_cast<std::streamsize>(frameBytes / 2));  // the tape ends inside a frame
    }
    sim::Hardware::Instance().Update("DVCAM", [&](sim::DeviceDesc& d) { d.tape = tape; });
    platform::ManualClock clock;
    platform::ScopedClock use(clock);
    ASSERT_TRUE(graph.OpenDv(window, window, "Vidarro DV Camcorder"));
    EXPECT_TRUE(graph.HasTape());
    const std::string file = Folder() + (pal ? "cut_pal.avi" : "cut_ntsc.avi");
    std::remove(file.c_str());
    ASSERT_TRUE(graph.StartDvCapture(file));
    ASSERT_EQ(graph.SetTransportMode(ED_MODE_PLAY, 0), S_OK);
    for (int i = 0; i < 2000 && graph.GetTransportMode() == ED_MODE_PLAY; ++i) {
      clock.Advance(40);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(graph.GetTransportMode(), ED_MODE_STOP);  // the end of the tape stops it
    ASSERT_TRUE(graph.StopDvCapture());
    EXPECT_EQ(Collect(kDvFileCaptureStopped).count, 1);
    graph.Close();

    const AviStreams avi = ReadDvAvi(file);
    ASSERT_EQ(avi.codes.size(), 10u);
    for (std::size_t i = 0; i < avi.codes.size(); ++i) {
      EXPECT_EQ(avi.frameBytes[i], static_cast<int>(frameBytes)) << i;
      EXPECT_EQ(avi.codes[i], static_cast<long long>(i)) << i;
    }
    sim::Hardware::Instance().Update("DVCAM", [](sim::DeviceDesc& d) { d.tape.clear(); });
  }
}

TEST_F(DvCaptureGraphTest, ADvAviSplitIntoFilesAddsUpToTheWholeRecording) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDv(window, window, "Vidarro DV Camcorder"));
  const std::string first = Folder() + "dv_split_1.avi", second = Folder() + "dv_split_2.avi";
  std::remove(first.c_str());
  std::remove(second.c_str());
  ASSERT_TRUE(graph.StartDvCapture(first));
  Run(clock, 10);
  ASSERT_TRUE(graph.SetAviOutputFile(second));
  EXPECT_TRUE(graph.IsCapturing());
  Run(clock, 10);
  ASSERT_TRUE(graph.StopDvCapture());
  EXPECT_EQ(Collect(kDvFileCaptureStopped).count, 1);
  graph.Close();
  const AviStreams a = ReadDvAvi(first), b = ReadDvAvi(second);
  ASSERT_GE(a.codes.size(), 5u);
  ASSERT_GE(b.codes.size(), 5u);
  EXPECT_EQ(a.audio, 1);
  EXPECT_EQ(b.audio, 1);
  // Whole DV frames in each file, and the second takes up where the first ended.
  for (const AviStreams* part : {&a, &b})
    for (int bytes : part->frameBytes) EXPECT_EQ(bytes, static_cast<int>(sim::kDvFrameNtsc));
  std::vector<long long> codes = a.codes;
  codes.insert(codes.end(), b.codes.begin(), b.codes.end());
  for (std::size_t i = 1; i < codes.size(); ++i) EXPECT_EQ(codes[i], (codes[i - 1] + 1) % 30) << "frame " << i;
}

}  // namespace
