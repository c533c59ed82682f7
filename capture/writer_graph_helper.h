// CWriterGraphHelper: the end of every recording graph, the file writer of the chosen format
// added, configured and connected to the recorded video and audio pins.
#pragma once

#include "capture/capture_settings.h"
#include "capture/graph_helper.h"

class CWriterGraphHelper : public CGraphHelper {
 public:
  ~CWriterGraphHelper() override;

  // Adds "Qn MPEG Encoder" into *encoder, connects video to its input 0 and audio (when there
  // is any) to input 1, and configures it. A build that fails leaves the encoder in the slot.
  BOOL AddMpegEncoder(const MpegCaptureSettings* settings, IPin* video, IPin* audio, IBaseFilter** encoder);
  // The encoder's calls for the settings; FALSE where a required interface is missing.
  BOOL ConfigureMpegEncoder(IBaseFilter* encoder, const MpegCaptureSettings* settings);
  // "Avi Mux" into *multiplexer and "File Writer" after it; audio may be null.
  BOOL BuildAviWriter(const AviCaptureSettings* settings, IPin* video, IPin* audio, IBaseFilter** multiplexer);
  // File parts the encoder wrote (0 without its interface).
  DWORD GetEncoderResult(IBaseFilter* encoder);
  void GetEncoderStatus(IBaseFilter* encoder, LONGLONG* bytes, DWORD* frames);

 private:
  void SetMotionSearch(IBaseFilter* encoder, int quality, BOOL dvd);
};
