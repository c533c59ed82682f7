#include "platform/filters/mpeg_encoder.h"

#include "platform/base/strings.h"
#include "platform/com/out_param.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/uuids.h"

namespace platform::filters {
namespace {

class EncoderInput : public dshow::CPatternInputPin {
 public:
  EncoderInput(dshow::CBaseFilter* f, std::string name, GUID major)
      : CPatternInputPin(f, std::move(name), {dshow::TypePattern(major)}) {}
};

}  // namespace

MpegEncoderFilter::MpegEncoderFilter() : CBaseFilter(CLSID_QnMpegEncoder, "Qn MPEG Encoder") {
  video_ = AddPin<EncoderInput>("Video", MEDIATYPE_Video);
  audio_ = AddPin<EncoderInput>("Audio", MEDIATYPE_Audio);
}

MpegEncoderFilter::~MpegEncoderFilter() { OnStop(); }

void* MpegEncoderFilter::GetFilterInterface(REFIID riid) {
  if (void* p = dshow::Offer<IFileSinkFilter>(this, riid)) return p;
  if (void* p = dshow::Offer<IQnMpegEncoder>(this, riid)) return p;
  if (void* p = dshow::Offer<IQnMpegBurnBuffer>(this, riid)) return p;
  if (void* p = dshow::Offer<IQnMpegParts>(this, riid)) return p;
  if (void* p = dshow::Offer<IQnMpegLongPlay>(this, riid)) return p;
  if (void* p = dshow::Offer<IQnMpegAspect>(this, riid)) return p;
  return dshow::Offer<IQnMotionSearch>(this, riid);
}

STDMETHODIMP MpegEncoderFilter::Pause() {
  if (State() == State_Stopped) {
    std::lock_guard lock(mutex_);
    if (!file_.empty() && fileChanged_ && !session_) {
      std::string error;
      session_ = MpegSession::Open(file_, target_, audio_->IsConnected(), &error);
      if (!session_) return E_FAIL;
      fileChanged_ = false;
      reported_ = false;
    }
  }
  return CBaseFilter::Pause();
}

void MpegEncoderFilter::OnStop() {
  std::unique_ptr<MpegSession> session;
  {
    std::lock_guard lock(mutex_);
    session = std::move(session_);
  }
  if (!session) return;
  const bool ok = session->Finish();
  std::lock_guard lock(mutex_);
  parts_ = session->Parts();
  bytes_ = session->BytesWritten();
  frames_ = session->FramesEncoded();
  if (!ok && !reported_) {
    reported_ = true;
    NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
  }
}

void MpegEncoderFilter::Receive(dshow::CBaseInputPin* pin, const dshow::MediaSample& sample) {
  if (State() != State_Running) return;
  MpegSession* session;
  {
    std::lock_guard lock(mutex_);
    session = session_.get();
  }
  if (!session) return;
  const CMediaType& mt = pin->ConnectedType();
  bool ok = true;
  if (pin == video_) {
    const auto* vih = mt.Format<VIDEOINFOHEADER>();
    if (!vih) return;
    ok = session->AddPicture(mt.subtype, vih->bmiHeader.biWidth, std::abs(vih->bmiHeader.biHeight), sample.data.data(),
                             sample.data.size(), sample.start);
  } else {
    const auto* wfx = mt.Format<WAVEFORMATEX>();
    if (!wfx || wfx->wBitsPerSample != 16) return;
    ok = session->AddSound(static_cast<int>(wfx->nSamplesPerSec), wfx->nChannels, sample.data.data(),
                           sample.data.size(), sample.start);
  }
  if (!ok) {
    std::lock_guard lock(mutex_);
    if (!reported_) {
      reported_ = true;
      NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    }
  }
}

void MpegEncoderFilter::EndOfStream(dshow::CBaseInputPin*) {}

STDMETHODIMP MpegEncoderFilter::SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE*) {
  if (!file) return E_POINTER;
  std::lock_guard lock(mutex_);
  file_ = file;
  fileChanged_ = true;
  return S_OK;
}

STDMETHODIMP MpegEncoderFilter::GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mt) {
  if (!file) return E_POINTER;
  *file = nullptr;
  if (mt) *mt = AM_MEDIA_TYPE();
  std::lock_guard lock(mutex_);
  if (file_.empty()) return E_FAIL;
  return com::CopyOutText(file_, file);
}

#define QN_SET(field, value)      \
  {                               \
    std::lock_guard lock(mutex_); \
    target_.field = (value);      \
    return S_OK;                  \
  }

STDMETHODIMP MpegEncoderFilter::SetStreamType(long type)
    QN_SET(streamType, static_cast<int>(type)) STDMETHODIMP MpegEncoderFilter::SetVideoBitRate(long bits)
        QN_SET(videoBitRate, bits) STDMETHODIMP MpegEncoderFilter::SetFrameRateCode(long code)
            QN_SET(frameRateCode, static_cast<int>(code)) STDMETHODIMP MpegEncoderFilter::SetMaxFileSize(long megabytes)
                QN_SET(maxFileMB, megabytes) STDMETHODIMP MpegEncoderFilter::SetElementaryOutput(long on)
                    QN_SET(elementary, on != 0) STDMETHODIMP MpegEncoderFilter::SetAudioBitRate(long kbit)
                        QN_SET(audioKbit, static_cast<int>(kbit)) STDMETHODIMP
    MpegEncoderFilter::SetAudioSampleRate(long hz)
        QN_SET(audioRate, static_cast<int>(hz)) STDMETHODIMP MpegEncoderFilter::SetAudioChannels(long channels)
            QN_SET(audioChannels, static_cast<int>(channels)) STDMETHODIMP MpegEncoderFilter::SetLongPlay(long on)
                QN_SET(longPlay, on != 0)
    // Motion search: a narrower range or no rate-distortion decisions is a faster, lower level.
    STDMETHODIMP MpegEncoderFilter::SetHalfPel(long) {
  return S_OK;
}
STDMETHODIMP MpegEncoderFilter::SetRateDistortion(long on)
    QN_SET(quality, on ? std::min(target_.quality, 1) : 2) STDMETHODIMP MpegEncoderFilter::SetSearchRange(long x, long,
                                                                                                          long, long) {
  std::lock_guard lock(mutex_);
  if (x >= 32 && target_.quality <= 1) target_.quality = 0;
  if (x < 32 && target_.quality == 0) target_.quality = 1;
  return S_OK;
}
#undef QN_SET

STDMETHODIMP MpegEncoderFilter::SetPictureSize(long width, long height) {
  if (width <= 0 || height <= 0 || width > 1920 || height > 1088) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  target_.width = static_cast<int>(width);
  target_.height = static_cast<int>(height);
  return S_OK;
}

STDMETHODIMP MpegEncoderFilter::SetAspect(long, const long* aspect, long count) {
  if (!aspect || count < 1) return E_POINTER;
  std::lock_guard lock(mutex_);
  target_.aspect = aspect[0] == 1 ? 1 : 0;
  return S_OK;
}

STDMETHODIMP MpegEncoderFilter::GetPartCount(DWORD* parts) {
  if (!parts) return E_POINTER;
  std::lock_guard lock(mutex_);
  *parts = static_cast<DWORD>(session_ ? session_->Parts() : parts_);
  return S_OK;
}

STDMETHODIMP MpegEncoderFilter::GetBytesWritten(LONGLONG* bytes) {
  if (!bytes) return E_POINTER;
  std::lock_guard lock(mutex_);
  *bytes = session_ ? session_->BytesWritten() : bytes_;
  return S_OK;
}

STDMETHODIMP MpegEncoderFilter::GetFramesEncoded(DWORD* frames) {
  if (!frames) return E_POINTER;
  std::lock_guard lock(mutex_);
  *frames = static_cast<DWORD>(session_ ? session_->FramesEncoded() : frames_);
  return S_OK;
}

MpegTarget MpegEncoderFilter::Target() const {
  std::lock_guard lock(mutex_);
  return target_;
}

}  // namespace platform::filters
