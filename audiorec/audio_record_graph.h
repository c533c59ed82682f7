// CAudioRecordGraph: the recorder's one graph engine. It opens an audio input, keeps a preview
// running for the meters (heard through a speaker renderer for monitored inputs), rebuilds the
// graph to record WMA, WAV or MP3 and returns to preview when the recording stops, posting
// WM_USER+78 (16, result) to its window once for every recording that ran.
#pragma once

#include <string>

#include "audiorec/crossbar_routing.h"
#include "capture/capture_settings.h"
#include "capture/writer_graph_helper.h"
#include "platform/window/afx_wnd.h"

inline constexpr UINT WM_RECORD_FINISHED = WM_USER + 78;
inline constexpr WPARAM kRecordFinishedCode = 16;

// Bytes 0-29 and 30-59 the left and right spectrum bands (0..100), the peaks in dBFS as doubles
// at bytes 64 and 72.
struct AudioLevelRecord {
  BYTE bytes[88] = {};
  double LeftDb() const;
  double RightDb() const;
  const BYTE* LeftBands() const { return bytes; }
  const BYTE* RightBands() const { return bytes + 30; }
};

class CAudioRecordGraph {
 public:
  enum SourceKind { kUnmonitored = 1, kVideoAudio = 3, kMonitored = 4 };
  enum GraphKind { kNone = 0, kMp3 = 1, kWma = 2, kPcm = 3 };

  CAudioRecordGraph();
  virtual ~CAudioRecordGraph();
  CAudioRecordGraph(const CAudioRecordGraph&) = delete;
  CAudioRecordGraph& operator=(const CAudioRecordGraph&) = delete;

  // monitorMode 1 monitors the input, 2 does not, anything else decides by the device name.
  BOOL Open(HWND notify, const std::string& videoDeviceName, const std::string& audioInputName, int monitorMode);
  BOOL Reopen(HWND notify, const std::string& videoDeviceName, const std::string& audioInputName, int monitorMode);
  // Reopen on the new device; when that fails, the previous device is opened and previewed
  // again so the window never stays without its input. FALSE when the switch failed.
  BOOL SwitchDevice(HWND notify, const std::string& videoDeviceName, const std::string& audioInputName,
                    int monitorMode);
  BOOL SelectAudioInput(const std::string& name);
  BOOL SelectVideoAudioSource(const std::string& name);
  // The physical connector type the capture box's crossbar is routed to (composite).
  static constexpr long kBoxInput = 2;
  BOOL StartPreview();
  BOOL StartRecordWav(const std::string& file, int channels, int bitsPerSample, int sampleRate, int writerParam);
  // The output file, the profile path and the four content attributes.
  BOOL StartRecordWma(const WmvCaptureSettings& request);
  BOOL StartRecordMp3(const std::string& file);
  BOOL StopRecording();
  // Whether a writer of the running recording has aborted on a failed write (a full disk)
  // since the last call.
  bool WriteFailed();
  BOOL Stop();
  void Close();
  // A running recording is finished first (its file closed, the record-finished message
  // posted), so an engine closed with its window loses nothing.
  void StopAndClose();

  bool GetLevels(AudioLevelRecord* record);
  void SetNoiseReduction(BYTE enabled, float amount);
  void SetAudioGain(BYTE enabled, float gain);
  void SetAnalyzerMode(int mode);
  void SetAnalyzerFlag(int flag);
  void EnableAnalyzer();
  BOOL IsVideoSourceOpen() const { return videoSource_ != nullptr; }
  void ShowAudioSourcePages();
  void ShowVideoSourcePages();

  bool IsOpened() const { return opened_ != 0; }
  bool IsPreviewing() const { return previewing_ != 0; }
  bool IsRecording() const { return recording_ != 0; }
  // Whether the source's device went away since the last call (the graph's device-lost event).
  bool SourceLost();
  const std::string& InputName() const { return openAudioName_.empty() ? openVideoName_ : openAudioName_; }
  int SourceKind() const { return sourceKind_; }
  int GraphKind() const { return graphKind_; }
  IGraphBuilder* Graph() const { return graph_; }
  // The renderer the monitored input is heard through (null when unmonitored).
  IBaseFilter* MonitorRenderer() const { return monitor_; }
  // Whether the video device of the audio input's capture box runs alongside it.
  bool CaptureBoxAdded() const { return boxAdded_ != 0; }

 private:
  BOOL CreateGraph();
  // Adds the video device with its crossbar routed to composite and its capture pin rendered
  // into a null renderer: E_FAIL when the device cannot be added, S_FALSE when its picture
  // cannot be rendered.
  HRESULT AddVideoCapture(const std::string& name, const char* filterName, IBaseFilter** slot);
  void AddCaptureBox(const std::string& audioName);
  IBaseFilter* SourceFilter() const;
  int SourcePinIndex();
  void SetUpSourcePin(int channels, int bytesPerSample, int rate);
  BOOL BuildFrontChain(bool withSplitter);
  BOOL BuildMonitorBranch();
  BOOL ConfigureWmaWriter(const WmvCaptureSettings& request);
  BOOL Run();
  BOOL StopRecordingGraph();
  // Takes the graph's waiting events into the flags SourceLost and WriteFailed hand out, so
  // neither question swallows the other's answer.
  void TakeGraphEvents();
  void ForgetGraphEvents();
  // The time the card may still hold sound captured before a stop: one buffer of the source.
  int DueMs() const;
  void TearDownToSource();
  void ReleaseChain();
  BOOL FinishRecordingStart(BOOL built);
  void ShowPages(IBaseFilter* filter);

  CWriterGraphHelper helper_;
  ICaptureGraphBuilder2* builder_ = nullptr;
  IGraphBuilder* graph_ = nullptr;
  IMediaControl* control_ = nullptr;
  IMediaEvent* events_ = nullptr;
  IBaseFilter* videoSource_ = nullptr;
  IBaseFilter* audioSource_ = nullptr;
  IBaseFilter* splitter_ = nullptr;
  IBaseFilter* monitor_ = nullptr;
  IBaseFilter* previewEnd_ = nullptr;
  IBaseFilter* mp3Writer_ = nullptr;
  IBaseFilter* acm_ = nullptr;
  int sourceKind_ = kUnmonitored;
  IBaseFilter* analyzer_ = nullptr;
  IBaseFilter* pcmWriter_ = nullptr;
  IBaseFilter* mp3Encoder_ = nullptr;
  IBaseFilter* wmaWriter_ = nullptr;
  IBaseFilter* boxVideo_ = nullptr;
  CCrossbarRouting routing_;
  IBaseFilter* videoEnd_ = nullptr;
  IBaseFilter* noiseReduction_ = nullptr;
  int boxAdded_ = 0;

  HWND notify_ = nullptr;
  std::string openVideoName_, openAudioName_;
  int openMonitorMode_ = 0;
  int sourceReady_ = 0;
  int previewing_ = 0;
  int recording_ = 0;
  int graphKind_ = kNone;
  int opened_ = 0;
  int recordRate_ = 48000;
  bool sourceLost_ = false;
  bool writeFailed_ = false;
  BYTE noiseEnabled_ = 0;
  float noiseAmount_ = 15.0f;
  BYTE gainEnabled_ = 0;
  float gain_ = 1.0f;
};
