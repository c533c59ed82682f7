// CCaptureGraph: the analog and USB capture graph. This part holds its graph objects and the
// operations that open its devices and inspect its capture filter; preview, recording and
// picture adjustment build on them.
#pragma once

#include <string>

#include "capture/graph_helper.h"
#include "platform/dshow/writer_interfaces.h"

class CCaptureGraph {
 public:
  CCaptureGraph();
  virtual ~CCaptureGraph();
  CCaptureGraph(const CCaptureGraph&) = delete;
  CCaptureGraph& operator=(const CCaptureGraph&) = delete;

  // A new filter graph with its capture graph builder, media control and events; events go to
  // the notify window as WM_USER+70. FALSE on any failure.
  BOOL CreateGraph(HWND notifyWindow);
  // Removes and releases the devices and lets the graph go.
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
  CGraphHelper& Helper() { return helper_; }

 private:
  CComPtr<ICaptureGraphBuilder2> builder_;
  CComPtr<IGraphBuilder> graph_;
  CComPtr<IMediaControl> mediaControl_;
  CComPtr<IMediaEventEx> mediaEvent_;
  IBaseFilter* videoCapture_ = nullptr;  // slots filled by FindDeviceFilter, owned here
  IBaseFilter* audioCapture_ = nullptr;
  CComPtr<IAMStreamConfig> streamConfig_;
  BOOL interleaved_ = FALSE;
  BOOL audioAdded_ = FALSE;
  CGraphHelper helper_;
  CWriterGraphHelper writerHelper_;
};
