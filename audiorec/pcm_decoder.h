// CPcmDecoder: decodes one sound file at a time into a 16-bit PCM WAV file through a graph of
// the file's source, the decoders intelligent connect puts behind it and "PCM Dump Filter",
// run without a reference clock so it goes as fast as the filters deliver. Graph events are
// posted to the notify window as WM_PCM_DECODER_EVENT.
#pragma once

#include <string>

#include "capture/graph_helper.h"
#include "platform/dshow/playback_interfaces.h"
#include "platform/window/afx_wnd.h"

inline constexpr UINT WM_PCM_DECODER_EVENT = WM_USER + 60;

class CPcmDecoder {
 public:
  enum State { kIdle = 0, kBuilt = 4 };

  CPcmDecoder();
  ~CPcmDecoder();
  CPcmDecoder(const CPcmDecoder&) = delete;
  CPcmDecoder& operator=(const CPcmDecoder&) = delete;

  int CreateGraph();
  // With `cdFormat` the writer takes only 44.1 kHz 16-bit stereo. 1 when the graph stands.
  int Build(HWND notify, const std::string& source, const std::string& target, BOOL cdFormat);
  BOOL Run();
  void Teardown();
  // 0..100 of the expected output.
  int GetProgress();
  // Takes every waiting graph event without dispatching window messages (the caller is a
  // window procedure); the last completion or abort code, else the last code read, 0 for none.
  long PollEvents();
  // In 100 ns units; 0 when the graph cannot tell.
  LONGLONG GetDuration();
  void ReadExpectedSize();
  int GetBytesWritten();

  int state() const { return state_; }
  const std::string& target() const { return target_; }
  double expectedBytes() const { return expectedBytes_; }

 private:
  IGraphBuilder* graph_ = nullptr;
  ICaptureGraphBuilder2* builder_ = nullptr;
  IMediaControl* control_ = nullptr;
  IMediaSeeking* seeking_ = nullptr;
  IMediaEventEx* events_ = nullptr;
  IBaseFilter* source_ = nullptr;
  IBaseFilter* writer_ = nullptr;
  HWND notify_ = nullptr;
  int state_ = kIdle;
  double expectedBytes_ = 0.0;
  int channels_ = 1, sampleRate_ = 1, bits_ = 1;
  CGraphHelper helper_;
  std::string target_;
  bool comInitialised_ = false;
};

// The recorder's one decoder, made at first use.
CPcmDecoder& PcmDecoder();
