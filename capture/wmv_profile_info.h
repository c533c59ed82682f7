// CWmvProfileInfo: builds a WMV profile at run time, one audio and one video stream described
// by a codec and a few numbers, and saves it as a profile file the WMV writer loads.
#pragma once

#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/wmf/wmf.h"

class CWmvStreamInfo {
 public:
  explicit CWmvStreamInfo(int kind);
  ULONG AddRef() { return ++refs_; }
  ULONG Release();

  std::string name;
  int kind = 7;  // 1 audio, 2 video, 7 none
  int audioFormatCode = 0;
  int audioFormatPosition = 0;
  int quality = 100;
  int secondsPerKeyFrame = 3000;
  double frameRate = 30;  // frames per second; kept with its fraction (29.97)
  int bitRate = 100000;
  int width = 320, height = 200;
  int bufferWindow = 3000;
  int codecIndex = 0;
  WORD streamNumber = 0;
  BOOL uncompressed = FALSE;
  int maxBufferWindow = 0;
  int maxBitRate = 10000;
  int vbrMode = 1;
  BOOL vbrEnabled = FALSE;
  int vbrQuality = 0;
  LCID language = 0;

 private:
  ~CWmvStreamInfo() = default;
  ULONG refs_ = 1;
};

struct WmvStreamParams {
  std::string videoCodec;
  int width = 0, height = 0;
  int videoKbps = 0;
  double frameRate = 0;
  std::string audioCodec;
  int audioKbps = 0;
  int audioKhz = 0;
  int channels = 2;
};

class CWmvProfileInfo {
 public:
  CWmvProfileInfo();
  ~CWmvProfileInfo();
  CWmvProfileInfo(const CWmvProfileInfo&) = delete;
  CWmvProfileInfo& operator=(const CWmvProfileInfo&) = delete;

  BOOL Init();
  BOOL AddStream(int kind);
  // A codec name the codec information knows selects that codec; another keeps the default.
  BOOL SetStreamParams(int kind, const WmvStreamParams& params);
  BOOL SaveProfile(const std::string& path);

  CWmvStreamInfo* AudioStream() const { return audio_; }
  CWmvStreamInfo* VideoStream() const { return video_; }
  // The frame time a frame rate gives, in 100-ns units (29.97: 333,667).
  static LONGLONG FrameTimeOf(double frameRate);

 private:
  struct AudioFormatRecord {
    std::string description;
    int code;
  };
  BOOL SetCodecVbrSettings(REFGUID type, int codec, BOOL vbr, DWORD passes, DWORD* formats);
  BOOL SetAudioDefaults(CWmvStreamInfo* s);
  BOOL SetVideoDefaults(CWmvStreamInfo* s);
  // The first supported encoding mode of that codec; the stream is left alone when there is none.
  BOOL SetAudioCodec(CWmvStreamInfo* s, int codec);
  BOOL SetVideoCodec(CWmvStreamInfo* s, int codec);
  // The index of the codec of that name (without regard to case), or -1.
  int FindCodec(REFGUID type, const std::string& name);
  void SelectCodecByName(int kind, const std::string& name);
  BOOL ListAudioFormats(int codec);
  HRESULT BuildStream(IWMProfile* profile, CWmvStreamInfo* s);
  HRESULT SetLanguage(IWMStreamConfig* config, LCID language);

  CComPtr<IWMCodecInfo3> codecInfo_;
  CWmvStreamInfo* audio_ = nullptr;
  CWmvStreamInfo* video_ = nullptr;
  BOOL audioCodecs_ = FALSE;
  BOOL videoCodecs_ = FALSE;
  std::vector<AudioFormatRecord> audioFormats_;
};
