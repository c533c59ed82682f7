// "Qn MPEG Encoder": takes the capture's pictures and sound, encodes them for VCD, SVCD or DVD
// and writes the program stream in parts (with the elementary streams for record and burn).
#pragma once

#include <memory>
#include <mutex>

#include "platform/dshow/base_filter.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/filters/mpeg_encoder_interfaces.h"
#include "platform/filters/mpeg_session.h"

namespace platform::filters {

class MpegEncoderFilter : public dshow::CBaseFilter,
                          public IFileSinkFilter,
                          public IQnMpegEncoder,
                          public IQnMpegBurnBuffer,
                          public IQnMpegParts,
                          public IQnMpegLongPlay,
                          public IQnMpegAspect,
                          public IQnMotionSearch {
 public:
  MpegEncoderFilter();
  ~MpegEncoderFilter() override;
  DSHOW_FORWARD_IUNKNOWN(dshow::CBaseFilter)

  // Opens the files at the first pause after SetFileName; a file that cannot be made fails it.
  STDMETHODIMP Pause() override;
  bool IsRenderer() const override { return true; }
  void Receive(dshow::CBaseInputPin* pin, const dshow::MediaSample& sample) override;
  void EndOfStream(dshow::CBaseInputPin* pin) override;

  STDMETHODIMP SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mt) override;

#define QN_RESERVED(n) \
  STDMETHODIMP Reserved##n(long) override { return E_NOTIMPL; }
  STDMETHODIMP SetStreamType(long type) override;
  QN_RESERVED(4)
  STDMETHODIMP SetVideoBitRate(long bitsPerSecond) override;
  QN_RESERVED(6)
  QN_RESERVED(7)
  STDMETHODIMP SetFrameRateCode(long code) override;
  QN_RESERVED(9)
  STDMETHODIMP SetMaxFileSize(long megabytes) override;
  QN_RESERVED(11)
  STDMETHODIMP SetOption12(long) override { return S_OK; }
  STDMETHODIMP SetElementaryOutput(long on) override;
  QN_RESERVED(14)
  QN_RESERVED(15)
  QN_RESERVED(16)
  STDMETHODIMP GetBytesWritten(LONGLONG* bytes) override;
  STDMETHODIMP GetFramesEncoded(DWORD* frames) override;
  STDMETHODIMP SetOption19(long) override { return S_OK; }
  QN_RESERVED(20)
  QN_RESERVED(21)
  QN_RESERVED(22)
  STDMETHODIMP SetOption23(long) override { return S_OK; }
  QN_RESERVED(24)
  QN_RESERVED(25)
  QN_RESERVED(26)
  STDMETHODIMP SetAudioBitRate(long kbit) override;
  QN_RESERVED(28)
  STDMETHODIMP SetAudioSampleRate(long hz) override;
  QN_RESERVED(30)
  STDMETHODIMP SetAudioChannels(long channels) override;
  QN_RESERVED(32)
  QN_RESERVED(33)
  QN_RESERVED(34)
  QN_RESERVED(35)
  QN_RESERVED(36)
  STDMETHODIMP SetFixedValue(long) override { return S_OK; }
  QN_RESERVED(38)
  QN_RESERVED(39)
  QN_RESERVED(40)
  QN_RESERVED(41)
  QN_RESERVED(42)
  QN_RESERVED(43)
  QN_RESERVED(44)
  STDMETHODIMP SetOption45(long) override { return S_OK; }
  QN_RESERVED(46)
  QN_RESERVED(47)
  QN_RESERVED(48)
  QN_RESERVED(49)
  QN_RESERVED(50)
  QN_RESERVED(51)
  QN_RESERVED(52)
  QN_RESERVED(53)
  STDMETHODIMP SetPictureSize(long width, long height) override;

  STDMETHODIMP SetBuffering(long, long) override { return S_OK; }
  STDMETHODIMP GetPartCount(DWORD* parts) override;
  STDMETHODIMP SetSplitting(long) override { return S_OK; }
  STDMETHODIMP SetLongPlay(long on) override;
  STDMETHODIMP SetAspect(long index, const long* aspect, long count) override;

  STDMETHODIMP SetSearch3(long) override { return S_OK; }
  STDMETHODIMP SetHalfPel(long on) override;
  STDMETHODIMP SetRateDistortion(long on) override;
  STDMETHODIMP SetSearch9(long) override { return S_OK; }
  STDMETHODIMP SetSearch11(long) override { return S_OK; }
  STDMETHODIMP SetSearch13(long) override { return S_OK; }
  STDMETHODIMP SetSearchRange(long x, long y, long bx, long by) override;
#define QN_SEARCH_RESERVED(n) \
  STDMETHODIMP SearchReserved##n(long) override { return E_NOTIMPL; }
  QN_SEARCH_RESERVED(4)
  QN_SEARCH_RESERVED(6)
  QN_SEARCH_RESERVED(8)
  QN_SEARCH_RESERVED(10)
  QN_SEARCH_RESERVED(12)
  QN_SEARCH_RESERVED(14)
#undef QN_SEARCH_RESERVED
#undef QN_RESERVED

  MpegTarget Target() const;

 protected:
  void* GetFilterInterface(REFIID riid) override;
  void OnStop() override;

 private:
  dshow::CBaseInputPin* video_;
  dshow::CBaseInputPin* audio_;
  mutable std::mutex mutex_;
  MpegTarget target_;
  std::string file_;
  bool fileChanged_ = false;
  std::unique_ptr<MpegSession> session_;
  int parts_ = 0;
  std::int64_t bytes_ = 0;
  long frames_ = 0;
  bool reported_ = false;
};

}  // namespace platform::filters
