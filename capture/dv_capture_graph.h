// CDvCaptureGraph: the graph of an IEEE 1394 camcorder. DV camcorders preview through the DV
// splitter and decoder and record DV-AVI, MPEG, WMV or AVI; HDV camcorders split their transport
// stream into a decode chain (demultiplexer, PSI parser, decoders) and a raw-stream dump, and
// record .m2ts parts, MPEG, WMV, a program stream, Blu-ray streams or elementary streams. A
// stopped recording posts one message to the notify window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "capture/capture_settings.h"
#include "capture/graph_helper.h"
#include "capture/writer_graph_helper.h"
#include "platform/window/wm_messages.h"

// Stop messages of the camcorder graph beside those of CCaptureGraph, each with wParam 16.
constexpr UINT kDvFileCaptureStopped = WM_USER + 76;
constexpr UINT kHdvCaptureStopped = WM_USER + 77;
constexpr long kPsiTablesRead = 0x8064;  // EC_USER + 100, from the PSI parser

class CDvCaptureGraph {
 public:
  enum Mode {
    kDvPreview = 0,
    kDvFile = 1,
    kDvMpeg = 2,
    kDvWmv = 3,
    kDvAvi = 4,
    kHdvPreview = 5,
    kHdvMpeg2 = 6,
    kHdvMpeg = 7,
    kHdvWmv = 8,
    kHdvAvi = 9,
    kHdvDisc = 10,
    kHdvStream = 11
  };
  struct PsiStream {
    std::uint16_t pid = 0;
    std::uint8_t type = 0;
  };
  static constexpr int kPsiTableSize = 10;

  CDvCaptureGraph();
  virtual ~CDvCaptureGraph();
  CDvCaptureGraph(const CDvCaptureGraph&) = delete;
  CDvCaptureGraph& operator=(const CDvCaptureGraph&) = delete;

  // Graph life.
  BOOL CreateGraph();
  void RemoveCaptureChains();
  void ReleaseGraph();
  void Close();
  BOOL RunGraph();
  BOOL StopGraph();
  BOOL RestartGraph();

  // Video window.
  // A graph whose picture finds no video window still previews its sound and records: the
  // owner asks ShowsPicture and says so.
  HRESULT SetVideoWindowOwner(HWND owner);
  BOOL ShowsPicture() const { return videoWindow_ != nullptr; }
  BOOL ResetVideoWindow();
  void FitVideoWindow(int aspect);
  void RefitVideoWindow() { FitVideoWindow(aspect_); }
  int GetAspect() const { return aspect_; }

  // DV.
  BOOL OpenDv(HWND notifyWindow, HWND videoOwner, const std::string& name);
  BOOL AddDvDevice(const std::string& name);
  void ReadTapeSignal();
  BOOL BuildDvPreview();
  BOOL BuildDvVideoPreview();
  BOOL AddAudioRenderer();
  BOOL AddAudioAnalyzer();
  BOOL AddAudioAnalyzer2();
  BOOL StartDvCapture(const std::string& fileName);
  BOOL StartMpegCapture(const MpegCaptureSettings* settings);
  BOOL StartWmvCapture(const WmvCaptureSettings* settings);
  BOOL StartAviCapture(const AviCaptureSettings* settings);
  BOOL BuildDvFileCapture();
  BOOL BuildDvMpegCapture(const MpegCaptureSettings* settings);
  BOOL BuildDvWmvCapture(const WmvCaptureSettings* settings);
  BOOL BuildDvAviCapture(const AviCaptureSettings* settings);
  BOOL StopCapture();
  BOOL StopDvCapture();
  BYTE IsCapturing() const { return capturing_ ? 1 : 0; }
  BOOL IsPreviewing() const { return previewing_; }
  BOOL SetAviOutputFile(const std::string& name);
  BOOL SetWmvOutputFile(const std::string& name);

  // HDV.
  BOOL OpenHdv(HWND notifyWindow, HWND videoOwner, const std::string& name);
  BOOL AddHdvDevice(const std::string& name);
  BOOL BuildHdvDecodeChain();
  BOOL AddMpeg2Demultiplexer();
  HRESULT MapPid(IPin* pin, ULONG pid, int content);
  BOOL AddStreamDump();
  void EnableStreamDump(BOOL on);
  int ReadPsiStreams();
  BOOL HandleHdvEvent();
  void ReconnectVideoDecoder();
  BOOL BuildHdvPreview();
  BOOL StartHdvStreamCapture(const std::string& fileName, std::uint64_t maxPartSize);
  BOOL StartHdvMpegCapture(const MpegCaptureSettings* settings);
  BOOL StartHdvWmvCapture(const WmvCaptureSettings* settings);
  // Mode 9: the decoded streams to an AVI file (WM_USER+74 at the stop).
  BOOL StartHdvAviCapture(const AviCaptureSettings* settings);
  BOOL BuildHdvStreamCapture(const std::string& fileName, std::uint64_t maxPartSize);
  BOOL BuildHdvMpegCapture(const MpegCaptureSettings* settings);
  BOOL BuildHdvWmvCapture(const WmvCaptureSettings* settings);
  BOOL BuildHdvAviCapture(const AviCaptureSettings* settings);
  BOOL StopHdvCapture();
  BOOL StopHdvCaptureToPreview();
  DWORD GetWriterFileCount();
  double GetWrittenMegabytes();

  // HDV disc streams.
  BOOL StartHdvMpeg2Capture(const std::string& fileName, std::uint64_t maxPartSize);
  BOOL StartHdvBdCapture(const std::string& fileName, std::uint64_t maxPartSize);
  BOOL StartHdvBdCapture2(const std::string& fileName, std::uint64_t maxPartSize);
  BOOL StartHdvElementaryCapture(const std::string& videoFile, const std::string& audioFile, std::uint64_t maxPartSize);
  BOOL BuildHdvMpeg2Capture(const std::string& fileName, std::uint64_t maxPartSize);
  BOOL BuildHdvBdCapture(const std::string& fileName, std::uint64_t maxPartSize);
  BOOL BuildHdvBdCapture2(const std::string& fileName, std::uint64_t maxPartSize);
  BOOL BuildHdvElementaryCapture(const std::string& videoFile, const std::string& audioFile, std::uint64_t maxPartSize);

  // Events, tape and device.
  long HandleGraphEvents();
  BOOL HasTape();
  std::string GetTimecodeText();
  long GetTransportMode();
  HRESULT SetTransportMode(long mode, long second);
  BOOL GetTransportStatus(long item, long* value);
  // The camcorder's pages; a DV size chosen there is kept for the preview of this device.
  BOOL ShowDevicePropertyPage();
  // Another device chosen: its DV size is its own (OpenDv and OpenHdv say so themselves).
  void ForgetDvSizeUnlessFor(const std::string& device);
  void SetAudioGain(BYTE enable, float gain);
  bool GetAudioLevels(BYTE* record);
  DWORD GetEncoderStatus();

  int GetMode() const { return mode_; }
  int GetSignalCode() const { return signalCode_; }
  int GetFrameDuration() const { return frameDurationMs_; }
  const std::string& OutputName() const { return outputName_; }
  const PsiStream* PsiTable() const { return psi_; }
  IGraphBuilder* Graph() const { return graph_; }
  IBaseFilter* Camcorder() const { return camcorder_; }
  IBaseFilter* MpegEncoder() const { return mpegEncoder_; }
  CWriterGraphHelper& WriterHelper() { return writer_; }

 private:
  // Every Start: TRUE while capturing, the running chains stopped, the name kept, then the build.
  template <typename Build>
  BOOL StartDv(const std::string& name, Build build);
  BOOL StartHdv(const std::string& name, const std::function<BOOL()>& build);
  BOOL AddCamcorder(const std::string& name, const char* filterName);
  BOOL ConnectPreviewVideo(IBaseFilter* decoder, int outIndex, bool downSampler);
  BOOL BuildDvDecodedChains(int resolution);
  BOOL BuildHdvDecodedTees(bool planar);
  BOOL ConnectDecodedVideo(bool planar);
  BOOL BuildHdvTeePreview();
  BOOL BuildWmvBranch(const WmvCaptureSettings* settings, IPin* video, IPin* audio);
  BOOL FinishBuild(int mode);
  void PostStopMessage();
  void DropVideoWindow();
  BOOL SetStreamFileName(IBaseFilter* filter, const std::string& name);
  void SetPartSize(IBaseFilter* filter, std::uint64_t size);
  BOOL PsiMappingChanged(const PsiStream* before, int countBefore);
  // The DV decoder's output size: what the graph puts on it, and the one the user chose on the
  // camcorder's page, which outlives preview restarts and recordings until another device opens.
  void SetDecoderResolution(int resolution);
  int PreviewResolution() const;
  void KeepChosenResolution();

  CComPtr<ICaptureGraphBuilder2> builder_;
  CComPtr<IGraphBuilder> graph_;
  IBaseFilter* camcorder_ = nullptr;
  CComPtr<IAMExtDevice> extDevice_;
  CComPtr<IAMExtTransport> transport_;
  CComPtr<IAMTimecodeReader> timecode_;
  CComPtr<IVideoWindow> videoWindow_;
  CComPtr<IMediaEventEx> events_;
  // Chain slots, owned here (filled by CGraphHelper::AddFilter).
  IBaseFilter* dvSplitter_ = nullptr;
  IBaseFilter* dvDecoder_ = nullptr;
  IBaseFilter* videoTee_ = nullptr;
  IBaseFilter* audioTee_ = nullptr;
  IBaseFilter* videoRenderer_ = nullptr;
  IBaseFilter* audioRenderer_ = nullptr;
  IBaseFilter* aviMux_ = nullptr;
  IBaseFilter* mpegEncoder_ = nullptr;
  IBaseFilter* colourConverter_ = nullptr;
  IBaseFilter* acmWrapper_ = nullptr;
  IBaseFilter* downSampler_ = nullptr;
  IBaseFilter* audioAnalyzer_ = nullptr;
  IBaseFilter* audioAnalyzer2_ = nullptr;
  IBaseFilter* asfWriter_ = nullptr;
  // HDV decode chain.
  IBaseFilter* audioDecoder_ = nullptr;
  IBaseFilter* streamDump_ = nullptr;
  IBaseFilter* rawTee_ = nullptr;
  IBaseFilter* demultiplexer_ = nullptr;
  IBaseFilter* psiParser_ = nullptr;
  IBaseFilter* videoStreamTee_ = nullptr;
  IBaseFilter* audioStreamTee_ = nullptr;
  IBaseFilter* videoDecoder_ = nullptr;
  // HDV disc-stream chains.
  IBaseFilter* mpeg2Multiplexer_ = nullptr;
  IBaseFilter* hdvdWriter_ = nullptr;
  IBaseFilter* bdMultiplexer_ = nullptr;
  IBaseFilter* lpcmEncoder_ = nullptr;
  IBaseFilter* infTee_ = nullptr;
  IBaseFilter* videoDump_ = nullptr;
  IBaseFilter* audioDump_ = nullptr;
  IBaseFilter* audioDecoder2_ = nullptr;
  IBaseFilter* bufferFilter_ = nullptr;
  PsiStream psi_[kPsiTableSize];
  int psiCount_ = 0;
  HWND owner_ = nullptr;
  HWND notify_ = nullptr;
  BOOL built_ = FALSE;
  BOOL capturing_ = FALSE;
  BOOL previewing_ = FALSE;
  std::string outputName_;
  int mode_ = kDvPreview;
  int signalCode_ = 2000;
  int frameDurationMs_ = 33;
  int aspect_ = 2;
  int decoderResolution_ = 0;  // 0: no decoder yet
  int chosenResolution_ = 0;   // 0: none chosen
  std::string chosenFor_;
  CGraphHelper helper_;
  CWriterGraphHelper writer_;
  BYTE analyzerEnable_ = 0;
  float analyzerGain_ = 1.0f;
};
