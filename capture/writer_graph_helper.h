// CWriterGraphHelper: the end of every recording graph, the file writer of the chosen format
// added, configured and connected to the recorded video and audio pins.
#pragma once

#include "capture/capture_settings.h"
#include "capture/graph_helper.h"
#include "platform/wmf/wmf.h"

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
  // Adds the ASF writer as "WMV Encoder" into *writer, configures it from the settings' profile,
  // writes the content attributes and connects video to input 1 and audio to input 0.
  BOOL BuildWmvWriter(const WmvCaptureSettings* settings, IPin* video, IPin* audio, IBaseFilter** writer);
  // Title, author, description and copyright into the writer's header, each whole.
  BOOL SetContentAttributes(IBaseFilter* writer, const WmvCaptureSettings* settings);
  // Reads a UTF-16 profile file; only a regular file is read (E_FAIL otherwise).
  static HRESULT LoadProfileFromFile(const char* path, IWMProfile** profile);
  // File parts the encoder wrote (0 without its interface).
  DWORD GetEncoderResult(IBaseFilter* encoder);
  void GetEncoderStatus(IBaseFilter* encoder, LONGLONG* bytes, DWORD* frames);

 private:
  void SetMotionSearch(IBaseFilter* encoder, int quality, BOOL dvd);
};
