// CCaptureGraph: the analog and USB capture graph. It opens one device, previews it in a child
// video window with its sound, and records it through the file writers of CWriterGraphHelper;
// a stopped recording posts one message to the notify window.
#pragma once

#include <functional>
#include <string>

#include "capture/capture_settings.h"
#include "capture/graph_helper.h"
#include "capture/writer_graph_helper.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/window/wm_messages.h"

class CCrossbar;

// Stop messages, each with wParam 16 (lParam: MPEG file parts).
constexpr UINT kMpegCaptureStopped = WM_USER + 73;
constexpr UINT kAviCaptureStopped = WM_USER + 74;
constexpr UINT kWmvCaptureStopped = WM_USER + 75;
constexpr WPARAM kCaptureStoppedCode = 16;

class CCaptureGraph {
 public:
  enum CaptureMode { kPreview = 0, kAvi = 16, kMpeg = 17, kWmv = 19 };

  CCaptureGraph();
  virtual ~CCaptureGraph();
  CCaptureGraph(const CCaptureGraph&) = delete;
  CCaptureGraph& operator=(const CCaptureGraph&) = delete;

  BOOL OpenDevice(HWND videoOwner, HWND notifyWindow, const std::string& videoName, const std::string& audioName,
                  long videoStandard);
  void CloseDevice();
  BOOL StartPreview();
  BOOL StartMpegCapture(const MpegCaptureSettings* settings);
  BOOL StartAviCapture(const AviCaptureSettings* settings);
  BOOL StartWmvCapture(const WmvCaptureSettings* settings);
  // Switches a running WMV recording to a new file.
  BOOL SetWmvOutputFile(const char* name);
  // Switches a running AVI recording to a new file.
  BOOL SetAviOutputFile(const char* name);
  // Stops preview or recording; a stopped recording posts its message.
  BOOL StopCapture();
  BOOL StopCaptureToPreview();
  BOOL Run();
  BOOL StopGraph();
  // A preview whose picture finds no video window still runs: the owner asks ShowsPicture.
  HRESULT SetVideoWindowOwner(HWND owner);
  BOOL ShowsPicture() const { return videoWindow_ != nullptr; }
  void FitVideoWindow(int aspect);
  // Drains the events after WM_USER+70; a lost device closes the graph. The most severe code.
  long HandleGraphEvents();
  void SetEraseLines(int lines) { eraseLines_ = lines; }
  void SetTimeOffset(int ms) { timeOffsetMs_ = ms; }
  void SetAudioGain(BYTE enable, float gain);
  // The 88-byte level record of the analyzer; false without one.
  bool GetAudioLevels(BYTE* record);

  // A new filter graph with its capture graph builder, media control and events; events go to
  // the notify window as WM_USER+70. FALSE on any failure.
  BOOL CreateGraph(HWND notifyWindow);

  // Capture size and subtype; the actual size comes back through the pointers.
  BOOL SetCaptureFormat(long* width, long* height, BOOL anyWidth);
  BOOL ChangeCaptureFormat(long* width, long* height, BOOL anyWidth);
  void SetVideoStandard(long standard) { videoStandard_ = standard; }
  long GetTvFormat();
  // Sets the standard with the stored picture values re-applied; a refused standard fails.
  BOOL SetTvFormat(long standard);

  // The crossbar in front of the device and its inputs (PhysicalConnectorType numbers).
  BOOL HasCrossbar() const;
  BOOL HasCrossbarInput(long physicalType) const;
  // Routes the first input of that type.
  BOOL SelectCrossbarInput(long physicalType);
  // The type of the routed input; -1 without a crossbar.
  long GetCurrentCrossbarInputType() const;
  BOOL HasTvTuner();
  // TRUE also where it cannot be told (no decoder, a DV device) and for the tuner.
  BOOL IsVideoSignalPresent();
  long CrossbarInputCount() const { return crossbarInputs_; }

  // The devices' own property pages, owned by the video window's owner; TRUE when there is an
  // object, whether or not it has pages.
  BOOL ShowDevicePropertyPage();
  BOOL ShowAudioDevicePropertyPage();
  BOOL ShowCrossbarPropertyPage();
  BOOL ShowTvTunerPropertyPage();

  // Picture adjustment through the device's IAMVideoProcAmp, kept per device in the registry.
  BOOL GetProcAmpRange(long property, long* min, long* max, long* defaultValue);
  BOOL GetProcAmp(long property, long* value);
  BOOL SetProcAmp(long property, long value);
  // Each picture property: its value (-1 and FALSE where the device does not offer it), a new
  // value, its range.
  BOOL GetBrightness(long* value) { return GetAdjustment(0, value); }
  BOOL GetContrast(long* value) { return GetAdjustment(1, value); }
  BOOL GetHue(long* value) { return GetAdjustment(2, value); }
  BOOL GetSaturation(long* value) { return GetAdjustment(3, value); }
  BOOL SetBrightness(long value) { return SetProcAmp(0, value); }
  BOOL SetContrast(long value) { return SetProcAmp(1, value); }
  BOOL SetHue(long value) { return SetProcAmp(2, value); }
  BOOL SetSaturation(long value) { return SetProcAmp(3, value); }
  BOOL GetBrightnessRange(long* min, long* max, long* def) { return GetProcAmpRange(0, min, max, def); }
  BOOL GetContrastRange(long* min, long* max, long* def) { return GetProcAmpRange(1, min, max, def); }
  BOOL GetHueRange(long* min, long* max, long* def) { return GetProcAmpRange(2, min, max, def); }
  BOOL GetSaturationRange(long* min, long* max, long* def) { return GetProcAmpRange(3, min, max, def); }
  // The stored values; -1 for a property the device does not offer (and, for hue, may also be
  // a real value: support is told by the range, not the value).
  void LoadProcAmpSettings(long* brightness, long* contrast, long* saturation, long* hue);
  // Applies and stores each value the device offers.
  void SaveProcAmpSettings(long brightness, long contrast, long saturation, long hue);
  void StoreCurrentProcAmp();
  // Removes and releases every filter and lets the graph go.
  void ReleaseGraph();

  // Adds the video device of that friendly name as "Video Capture", takes the stream
  // configuration of its capture pin and notes an unconnected interleaved output. TRUE only
  // when every step succeeded.
  BOOL AddCaptureDevice(const std::string& name);
  // Replaces the audio device with the one of that name, added as "Audio Capture Device".
  BOOL AddAudioCaptureDevice(const std::string& name);
  BOOL HasVideoPortPin();
  // The aspect-ratio mode of the first input pin of the mixer that takes one.
  HRESULT SetOverlayAspectRatioMode(IBaseFilter* mixer, AM_ASPECT_RATIO_MODE mode);

  IGraphBuilder* Graph() const { return graph_; }
  ICaptureGraphBuilder2* Builder() const { return builder_; }
  IMediaControl* MediaControl() const { return mediaControl_; }
  IMediaEventEx* MediaEvent() const { return mediaEvent_; }
  IBaseFilter* VideoCapture() const { return videoCapture_; }
  IBaseFilter* AudioCapture() const { return audioCapture_; }
  IAMStreamConfig* StreamConfig() const { return streamConfig_; }
  BOOL IsInterleaved() const { return interleaved_; }
  BOOL AudioDeviceAdded() const { return audioAdded_; }
  BOOL IsOpen() const { return open_; }
  BOOL IsPreviewing() const { return previewing_; }
  BOOL IsCapturing() const { return capturing_; }
  int CaptureMode() const { return captureMode_; }
  int DeviceKind() const { return deviceKind_; }
  BOOL HasOwnAudioPin() const { return ownAudio_; }
  CGraphHelper& Helper() { return helper_; }
  CWriterGraphHelper& WriterHelper() { return writerHelper_; }
  IBaseFilter* MpegEncoder() const { return mpegEncoder_; }

 private:
  BOOL BuildPreviewVideo(IBaseFilter* upstream, bool byMajorType);
  HRESULT BuildAudioChain(IBaseFilter* source, bool silent);
  BOOL SetAudioCaptureFormat(IBaseFilter* filter, int channels, int bytesPerSample, int rate);
  BOOL AddPreferredAudioRenderer(CLSID* used);
  BOOL ConnectAudioRenderer(IBaseFilter* upstream, int outputIndex);
  bool HasAudioSource() const { return ownAudio_ || audioCapture_; }
  void HideVideoWindow();
  void BuildCrossbar();
  long CrossbarInputOfType(long physicalType) const;
  CComPtr<IUnknown> FindOnVideoStream(REFIID iid);
  // Takes every chain filter out; the devices stay.
  void ReleaseChains();
  BOOL FailStart();
  BOOL StartRecording(int mode, const std::function<BOOL(IPin* video, IPin* audio)>& buildWriter);
  CComPtr<IAMVideoProcAmp> ProcAmp();
  BOOL GetAdjustment(long property, long* value);
  std::string ProcAmpValueName(long property) const;

  CComPtr<ICaptureGraphBuilder2> builder_;
  CComPtr<IGraphBuilder> graph_;
  CComPtr<IMediaControl> mediaControl_;
  CComPtr<IMediaEventEx> mediaEvent_;
  IBaseFilter* videoCapture_ = nullptr;  // slots filled by FindDeviceFilter and AddFilter, owned here
  IBaseFilter* videoTee_ = nullptr;
  IBaseFilter* overlayMixer_ = nullptr;
  IBaseFilter* colourConverter_ = nullptr;
  IBaseFilter* videoRenderer_ = nullptr;
  IBaseFilter* downSampler_ = nullptr;
  IBaseFilter* videoTimeOffset_ = nullptr;
  IBaseFilter* audioTimeOffset_ = nullptr;
  IBaseFilter* audioCapture_ = nullptr;
  IBaseFilter* audioConverter_ = nullptr;
  IBaseFilter* audioTee_ = nullptr;
  IBaseFilter* audioRenderer_ = nullptr;
  IBaseFilter* audioAnalyzer_ = nullptr;
  IBaseFilter* nullRenderer_ = nullptr;
  IBaseFilter* eraseLine_ = nullptr;
  CCrossbar* crossbar_ = nullptr;
  long crossbarInputs_ = 0;
  IBaseFilter* mpegEncoder_ = nullptr;
  IBaseFilter* asfWriter_ = nullptr;
  IBaseFilter* aviMux_ = nullptr;
  CComPtr<IAMStreamConfig> streamConfig_;
  CComPtr<IVideoWindow> videoWindow_;
  BOOL ownAudio_ = FALSE;
  int deviceKind_ = 1;
  std::string videoName_;
  std::string audioName_;
  HWND owner_ = nullptr;
  HWND notify_ = nullptr;
  BOOL previewing_ = FALSE;
  BOOL capturing_ = FALSE;
  int captureMode_ = kPreview;
  BOOL interleaved_ = FALSE;
  BOOL audioAdded_ = FALSE;
  CGraphHelper helper_;
  CWriterGraphHelper writerHelper_;
  BYTE analyzerEnable_ = 0;
  float analyzerGain_ = 1.0f;
  int winVersion_ = 10;
  long videoStandard_ = 1;
  BOOL open_ = FALSE;
  int aspectMode_ = 2;
  BOOL downSamplerOn_ = FALSE;
  int eraseLines_ = 0;
  int timeOffsetMs_ = 0;
};
