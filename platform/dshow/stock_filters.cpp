#include "platform/dshow/stock_filters.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/base/strings.h"
#include "platform/com/class_table.h"
#include "platform/com/out_param.h"
#include "platform/dshow/avi_mux_base.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/dshow/filter_graph.h"
#include "platform/media/resampler.h"
#include "platform/media/scaler.h"

namespace platform::dshow {

namespace {

using Patterns = std::vector<CMediaType>;

std::vector<CMediaType> UncompressedVideo() {
  return {TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_YUY2), TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_UYVY),
          TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_RGB24), TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_RGB32)};
}

std::vector<CMediaType> WithYv12(std::vector<CMediaType> types) {
  types.push_back(TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_YV12));
  return types;
}

LONG HeightOf(const CMediaType& mt) {
  if (const auto* vih = mt.Format<VIDEOINFOHEADER>()) return std::abs(vih->bmiHeader.biHeight);
  return 480;
}
LONG WidthOf(const CMediaType& mt) {
  if (const auto* vih = mt.Format<VIDEOINFOHEADER>()) return vih->bmiHeader.biWidth;
  return 720;
}
REFERENCE_TIME FrameOf(const CMediaType& mt) {
  if (const auto* vih = mt.Format<VIDEOINFOHEADER>()) return vih->AvgTimePerFrame;
  return 333667;
}

class ColorSpaceConverter : public CTransformFilter {
 public:
  ColorSpaceConverter()
      : CTransformFilter(CLSID_Colour, "Color Space Converter", UncompressedVideo(), "Input", "XForm Out") {}
  std::vector<CMediaType> OutputTypes(const CMediaType& in) override {
    std::vector<CMediaType> out;
    for (const GUID& sub : {MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2})
      out.push_back(MakeVideoType(sub, WidthOf(in), HeightOf(in), FrameOf(in)));
    return out;
  }
};

// ACM Wrapper: PCM in, PCM out. It offers the input's own format first (a pass-through), then
// the common 16-bit formats, which it converts to with libswresample when one is connected.
class AcmWrapper : public CTransformFilter {
 public:
  AcmWrapper() : CTransformFilter(CLSID_ACMWrapper, "ACM Wrapper", {TypePattern(MEDIATYPE_Audio)}, "Input", "Output") {}
  std::vector<CMediaType> OutputTypes(const CMediaType& in) override {
    std::vector<CMediaType> out{in};
    const auto* wfx = in.Format<WAVEFORMATEX>();
    if (!IsPcm(in, wfx)) return out;
    constexpr struct {
      WORD channels;
      DWORD rate;
    } kOffered[] = {{2, 48000}, {2, 44100}, {1, 48000}, {1, 44100}, {2, 32000}};
    for (const auto& f : kOffered)
      if (wfx->nChannels != f.channels || wfx->nSamplesPerSec != f.rate || wfx->wBitsPerSample != 16)
        out.push_back(MakeAudioType(f.channels, f.rate, 16));
    return out;
  }
  HRESULT Transform(const MediaSample& in, MediaSample& out) override {
    const CMediaType& from = Input()->ConnectedType();
    const CMediaType& to = Output()->ConnectedType();
    const auto* src = from.Format<WAVEFORMATEX>();
    const auto* dst = to.Format<WAVEFORMATEX>();
    if (!IsPcm(from, src) || !IsPcm(to, dst) ||
        (src->nChannels == dst->nChannels && src->nSamplesPerSec == dst->nSamplesPerSec &&
         src->wBitsPerSample == dst->wBitsPerSample)) {
      out = in;
      return S_OK;
    }
    std::lock_guard lock(mutex_);
    const Formats wanted{*src, *dst};
    if (!resampler_ || !(formats_ == wanted)) {
      resampler_ = media::Resampler::Open(SampleFormat(*src), src->nChannels, static_cast<int>(src->nSamplesPerSec),
                                          SampleFormat(*dst), dst->nChannels, static_cast<int>(dst->nSamplesPerSec));
      formats_ = wanted;
    }
    if (!resampler_) return S_FALSE;
    const int frameBytes = src->nChannels * src->wBitsPerSample / 8;
    const int frames = frameBytes > 0 ? static_cast<int>(in.data.size()) / frameBytes : 0;
    const int room = resampler_->OutputRoom(frames);
    out = in;
    out.data.assign(static_cast<size_t>(std::max(room, 0)) * dst->nChannels * dst->wBitsPerSample / 8, 0);
    const std::uint8_t* inPlane = in.data.data();
    std::uint8_t* outPlane = out.data.data();
    const int made = resampler_->Convert(&inPlane, frames, &outPlane, room);
    if (made < 0) return S_FALSE;
    out.data.resize(static_cast<size_t>(made) * dst->nChannels * dst->wBitsPerSample / 8);
    return out.data.empty() ? S_FALSE : S_OK;
  }

 protected:
  void OnStop() override {
    std::lock_guard lock(mutex_);
    resampler_.reset();  // no sound of one run leaks into the next
  }

 private:
  struct Formats {
    WAVEFORMATEX from{}, to{};
    bool operator==(const Formats& o) const {
      auto same = [](const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
        return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec &&
               a.wBitsPerSample == b.wBitsPerSample;
      };
      return same(from, o.from) && same(to, o.to);
    }
  };
  static bool IsPcm(const CMediaType& mt, const WAVEFORMATEX* wfx) {
    return wfx && mt.subtype == MEDIASUBTYPE_PCM && (wfx->wBitsPerSample == 16 || wfx->wBitsPerSample == 8) &&
           wfx->nChannels >= 1 && wfx->nChannels <= 8 && wfx->nSamplesPerSec > 0;
  }
  static AVSampleFormat SampleFormat(const WAVEFORMATEX& wfx) {
    return wfx.wBitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
  }

  std::mutex mutex_;
  std::unique_ptr<media::Resampler> resampler_;
  Formats formats_;
};

// DV Video Decoder: dvvideo pictures as YUY2, full size, half, quarter or DC as the display asks.
class DvVideoDecoder : public CTransformFilter, public IIPDVDec {
 public:
  DvVideoDecoder()
      : CTransformFilter(CLSID_DVVideoCodec, "DV Video Decoder", {TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_dvsd)}) {}
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)
  STDMETHODIMP get_IPDisplay(int* display) override { return com::CopyOut(display, display_.load()); }
  STDMETHODIMP put_IPDisplay(int display) override {
    if (display < DVRESOLUTION_FULL || display > DVRESOLUTION_DC) return E_INVALIDARG;
    display_ = display;
    return S_OK;
  }
  std::vector<CMediaType> OutputTypes(const CMediaType& in) override {
    const LONG height = in.lSampleSize == sim::kDvFramePal ? 576 : 480;
    const REFERENCE_TIME frame = height == 576 ? 400000 : 333667;
    // DC is the DC coefficients alone: 88 x 60 or 88 x 72, an eighth of the lines.
    const int display = display_;
    if (display == DVRESOLUTION_DC) return {MakeVideoType(MEDIASUBTYPE_YUY2, 88, height / 8, frame)};
    const int shrink = display == DVRESOLUTION_FULL ? 1 : display == DVRESOLUTION_HALF ? 2 : 4;
    return {MakeVideoType(MEDIASUBTYPE_YUY2, 720 / shrink, height / shrink, frame)};
  }
  HRESULT Transform(const MediaSample& in, MediaSample& out) override {
    const CMediaType& mt = Output()->ConnectedType();
    const auto* vih = mt.Format<VIDEOINFOHEADER>();
    if (!vih) return S_FALSE;
    out.start = in.start;
    out.stop = in.stop;
    out.index = in.index;
    out.syncPoint = true;
    std::lock_guard lock(mutex_);
    return decoder_.Decode(in.data.data(), in.data.size(), vih->bmiHeader.biWidth, std::abs(vih->bmiHeader.biHeight),
                           &out.data)
               ? S_OK
               : S_FALSE;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return Offer<IIPDVDec>(this, riid); }

 private:
  std::atomic<int> display_{DVRESOLUTION_HALF};
  std::mutex mutex_;
  sim::DvPictureDecoder decoder_;
};

// Splits a DV stream into its video (as it is) and the 48 kHz PCM of its DIF audio.
class DvSplitter : public CBaseFilter {
 public:
  DvSplitter() : CBaseFilter(CLSID_DVSplitter, "DV Splitter") {
    input_ = AddPin<CPatternInputPin>("Input", Patterns{TypePattern(MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd)});
    video_ = AddPin<CFollowingOutputPin>("DVVidOut0", input_, VideoOf, false);
    audio_ = AddPin<CFollowingOutputPin>("AudOut00", input_, AudioOf, false);
  }
  void Receive(CBaseInputPin*, const MediaSample& sample) override {
    video_->Deliver(sample);
    MediaSample audio = sample;
    std::vector<std::int16_t> pcm;
    if (!sim::DvFrameAudio(sample.data.data(), sample.data.size(), &pcm)) return;
    audio.data.resize(pcm.size() * 2);
    std::memcpy(audio.data.data(), pcm.data(), audio.data.size());
    audio_->Deliver(audio);
  }
  void EndOfStream(CBaseInputPin*) override {
    video_->DeliverEndOfStream();
    audio_->DeliverEndOfStream();
  }

 private:
  static std::vector<CMediaType> VideoOf(const CMediaType& in) {
    CMediaType mt = in;
    mt.majortype = MEDIATYPE_Video;
    return {mt};
  }
  static std::vector<CMediaType> AudioOf(const CMediaType&) { return {MakeAudioType(2, 48000, 16)}; }
  CBaseInputPin* input_;
  CBaseOutputPin* video_;
  CBaseOutputPin* audio_;
};

// Overlay Mixer: a video pass-through whose input pins take an aspect-ratio mode.
class OverlayMixer : public CBaseFilter {
 public:
  OverlayMixer() : CBaseFilter(CLSID_OverlayMixer, "Overlay Mixer") {
    input_ = AddPin<MixerInput>("Input0");
    output_ = AddPin<CFollowingOutputPin>("Output", input_, RgbOf, false);
  }
  void Receive(CBaseInputPin*, const MediaSample& sample) override { output_->Deliver(sample); }
  void EndOfStream(CBaseInputPin*) override { output_->DeliverEndOfStream(); }

 private:
  class MixerInput : public CPatternInputPin, public IMixerPinConfig {
   public:
    MixerInput(CBaseFilter* f, std::string name)
        : CPatternInputPin(f, std::move(name), {TypePattern(MEDIATYPE_Video)}) {}
    DSHOW_FORWARD_IUNKNOWN(CPatternInputPin)
    STDMETHODIMP SetAspectRatioMode(AM_ASPECT_RATIO_MODE mode) override { return com::CopyIn(mode_, mode); }
    STDMETHODIMP GetAspectRatioMode(AM_ASPECT_RATIO_MODE* mode) override { return com::CopyOut(mode, mode_); }

   protected:
    void* GetPinInterface(REFIID riid) override { return Offer<IMixerPinConfig>(this, riid); }

   private:
    AM_ASPECT_RATIO_MODE mode_ = AM_ARMODE_LETTER_BOX;
  };
  static std::vector<CMediaType> RgbOf(const CMediaType& in) {
    return {MakeVideoType(MEDIASUBTYPE_RGB32, WidthOf(in), HeightOf(in), FrameOf(in))};
  }
  CBaseInputPin* input_;
  CBaseOutputPin* output_;
};

class NullRenderer : public CRendererFilter {
 public:
  NullRenderer() : CRendererFilter(CLSID_NullRenderer, "Null Renderer", {}, "In") {}
};

// The AVI multiplexer: every input sample leaves as a stream sample.
class AviMux : public CAviMuxBase {
 public:
  void Receive(CBaseInputPin*, const MediaSample& sample) override {
    std::lock_guard lock(mutex_);
    output_->Deliver(sample);
  }
};

class FileWriter : public CRendererFilter, public CFileSinkBase {
 public:
  FileWriter() : CRendererFilter(CLSID_FileWriter, "File writer", {TypePattern(MEDIATYPE_Stream)}, "in") {}
  DSHOW_FORWARD_IUNKNOWN(CRendererFilter)

 protected:
  void* GetFilterInterface(REFIID riid) override { return Offer<IFileSinkFilter2>(this, riid); }
};

// WM ASF Writer: a video and an audio input.
class AsfWriter : public CBaseFilter, public CFileSinkBase {
 public:
  AsfWriter() : CBaseFilter(CLSID_WMAsfWriter, "WM ASF Writer") {
    AddPin<CPatternInputPin>("Video Input 01", Patterns{TypePattern(MEDIATYPE_Video)});
    AddPin<CPatternInputPin>("Audio Input 01", Patterns{TypePattern(MEDIATYPE_Audio)});
  }
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)
  bool IsRenderer() const override { return true; }
  void Receive(CBaseInputPin*, const MediaSample&) override {}
  void EndOfStream(CBaseInputPin*) override {
    if (++ended_ == CountPins(PINDIR_INPUT, true)) NotifyEvent(EC_COMPLETE, S_OK, 0);
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return Offer<IFileSinkFilter2>(this, riid); }
  void OnRun(REFERENCE_TIME) override { ended_ = 0; }

 private:
  std::atomic<int> ended_{0};
};

// A class-table creator that makes a T from the given arguments.
template <typename T, typename... Args>
com::Creator Make(Args... args) {
  return [=](REFIID riid, void** ppv) { return com::HandOver(new T(args...), riid, ppv); };
}

}  // namespace

// YV12 too: a decoder's own planes connect straight, as they do to a video mixing renderer.
CVideoRendererFilter::CVideoRendererFilter(const CLSID& clsid, std::string name)
    : CRendererFilter(clsid, std::move(name), WithYv12(UncompressedVideo()), "Input") {}

void* CVideoRendererFilter::GetFilterInterface(REFIID riid) { return Offer<IVideoWindow>(this, riid); }

CVideoRendererFilter::~CVideoRendererFilter() = default;

void CVideoRendererFilter::Render(const MediaSample& sample) {
  const CMediaType& mt = Input()->ConnectedType();
  const auto* vih = mt.Format<VIDEOINFOHEADER>();
  if (!vih) return;
  const int w = vih->bmiHeader.biWidth, h = std::abs(vih->bmiHeader.biHeight);
  // The window paints 32-bit pictures, what the colour converters before it deliver.
  if (mt.subtype == MEDIASUBTYPE_RGB32) {
    window_.Present(sample.data.data(), sample.data.size(), w, h);
    return;
  }
  // Other pictures (a device's or a decoder's YUV connected straight) are shown through a
  // bottom-up 32-bit copy.
  if (w <= 0 || h <= 0 || (w & 1) || (h & 1)) return;
  const std::size_t luma = static_cast<std::size_t>(w) * h;
  const std::uint8_t* data = sample.data.data();
  const std::uint8_t* planes[4] = {data, nullptr, nullptr, nullptr};
  int strides[4] = {w * 2, 0, 0, 0};
  AVPixelFormat from = AV_PIX_FMT_YUYV422;
  std::size_t needed = luma * 2;
  if (mt.subtype == MEDIASUBTYPE_UYVY) {
    from = AV_PIX_FMT_UYVY422;
  } else if (mt.subtype == MEDIASUBTYPE_YV12) {
    from = AV_PIX_FMT_YUV420P;
    needed = luma * 3 / 2;
    planes[1] = data + luma * 5 / 4;  // YV12 keeps V before U
    planes[2] = data + luma;
    strides[0] = w;
    strides[1] = strides[2] = w / 2;
  } else if (mt.subtype == MEDIASUBTYPE_RGB24) {
    from = AV_PIX_FMT_BGR24;
    const int row = (w * 3 + 3) & ~3;
    needed = static_cast<std::size_t>(row) * h;
    // A DIB with a positive height is stored from its last row up.
    const bool bottomUp = vih->bmiHeader.biHeight > 0;
    planes[0] = bottomUp ? data + static_cast<std::size_t>(row) * (h - 1) : data;
    strides[0] = bottomUp ? -row : row;
  } else if (mt.subtype != MEDIASUBTYPE_YUY2) {
    return;
  }
  if (sample.data.size() < needed) return;
  // Nobody sees a picture without a window; with one, the copy is made at the window's size (never
  // larger than the picture), so a small preview of a large picture costs little.
  HWND shownIn = window_.Handle();
  if (!shownIn) return;
  RECT client{};
  GetClientRect(shownIn, &client);
  const int toWidth = std::clamp(static_cast<int>(client.right - client.left) & ~1, 2, w);
  const int toHeight = std::clamp(static_cast<int>(client.bottom - client.top) & ~1, 2, h);
  if (!scaler_ || scaledSubtype_ != mt.subtype || scaledWidth_ != w || scaledHeight_ != h || shownWidth_ != toWidth ||
      shownHeight_ != toHeight) {
    scaler_ = media::Scaler::Open(from, w, h, AV_PIX_FMT_BGRA, toWidth, toHeight);
    scaledSubtype_ = mt.subtype;
    scaledWidth_ = w;
    scaledHeight_ = h;
    shownWidth_ = toWidth;
    shownHeight_ = toHeight;
  }
  if (!scaler_) return;
  // swscale's vector code writes whole blocks of pixels past a row's end: it scales into rows
  // padded to 64 bytes (and a spare row), which are then packed for the window.
  const std::size_t row = static_cast<std::size_t>(toWidth) * 4;
  const std::size_t padded = (row + 63) & ~std::size_t{63};
  scaled_.resize(padded * (toHeight + 1));
  std::uint8_t* target[4] = {scaled_.data(), nullptr, nullptr, nullptr};
  const int targetStrides[4] = {static_cast<int>(padded), 0, 0, 0};
  if (!scaler_->ScaleInto(planes, strides, target, targetStrides)) return;
  // The window takes its picture bottom-up.
  shown_.resize(row * toHeight);
  for (int y = 0; y < toHeight; ++y)
    std::memcpy(shown_.data() + row * (toHeight - 1 - y), scaled_.data() + padded * y, row);
  window_.Present(shown_.data(), shown_.size(), toWidth, toHeight);
}

STDMETHODIMP CVideoRendererFilter::put_Caption(BSTR caption) {
  caption_ = com::FromBstr(caption);
  return S_OK;
}
STDMETHODIMP CVideoRendererFilter::get_Caption(BSTR* caption) {
  if (!caption) return E_POINTER;
  *caption = SysAllocString(caption_.c_str());
  return S_OK;
}
STDMETHODIMP CVideoRendererFilter::put_WindowStyle(long style) { return com::CopyIn(style_, style); }
STDMETHODIMP CVideoRendererFilter::get_WindowStyle(long* style) { return com::CopyOut(style, style_); }
STDMETHODIMP CVideoRendererFilter::put_AutoShow(long autoShow) { return com::CopyIn(autoShow_, autoShow); }
STDMETHODIMP CVideoRendererFilter::get_AutoShow(long* autoShow) { return com::CopyOut(autoShow, autoShow_); }
STDMETHODIMP CVideoRendererFilter::put_Visible(long visible) {
  window_.Show(visible != OAFALSE);
  return com::CopyIn(visible_, visible);
}
STDMETHODIMP CVideoRendererFilter::get_Visible(long* visible) { return com::CopyOut(visible, visible_); }
STDMETHODIMP CVideoRendererFilter::put_Owner(OAHWND owner) {
  window_.SetOwner(reinterpret_cast<HWND>(owner));
  return com::CopyIn(owner_, owner);
}
STDMETHODIMP CVideoRendererFilter::get_Owner(OAHWND* owner) { return com::CopyOut(owner, owner_); }
STDMETHODIMP CVideoRendererFilter::put_MessageDrain(OAHWND drain) { return com::CopyIn(drain_, drain); }
STDMETHODIMP CVideoRendererFilter::get_MessageDrain(OAHWND* drain) { return com::CopyOut(drain, drain_); }
STDMETHODIMP CVideoRendererFilter::put_FullScreenMode(long fullScreen) { return com::CopyIn(fullScreen_, fullScreen); }
STDMETHODIMP CVideoRendererFilter::get_FullScreenMode(long* fullScreen) {
  return com::CopyOut(fullScreen, fullScreen_);
}
STDMETHODIMP CVideoRendererFilter::SetWindowForeground(long) { return S_OK; }
STDMETHODIMP CVideoRendererFilter::SetWindowPosition(long left, long top, long width, long height) {
  position_ = {static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + width),
               static_cast<LONG>(top + height)};
  window_.Move(left, top, width, height);
  return S_OK;
}
STDMETHODIMP CVideoRendererFilter::GetWindowPosition(long* left, long* top, long* width, long* height) {
  if (!left || !top || !width || !height) return E_POINTER;
  *left = position_.left;
  *top = position_.top;
  *width = position_.right - position_.left;
  *height = position_.bottom - position_.top;
  return S_OK;
}

CAudioRendererFilter::CAudioRendererFilter(const CLSID& clsid, std::string name)
    : CRendererFilter(clsid, std::move(name), {TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)},
                      "Audio Input pin (rendered)") {}

void* CAudioRendererFilter::GetFilterInterface(REFIID riid) {
  if (void* p = Offer<IBasicAudio>(this, riid)) return p;
  return Offer<IReferenceClock>(this, riid);
}
STDMETHODIMP CAudioRendererFilter::put_Volume(long volume) {
  if (volume < -10000 || volume > 0) return E_INVALIDARG;
  volume_ = volume;
  return S_OK;
}
STDMETHODIMP CAudioRendererFilter::get_Volume(long* volume) { return com::CopyOut(volume, volume_); }
STDMETHODIMP CAudioRendererFilter::put_Balance(long balance) {
  if (balance < -10000 || balance > 10000) return E_INVALIDARG;
  balance_ = balance;
  return S_OK;
}
STDMETHODIMP CAudioRendererFilter::get_Balance(long* balance) { return com::CopyOut(balance, balance_); }
STDMETHODIMP CAudioRendererFilter::GetTime(REFERENCE_TIME* time) { return com::CopyOut(time, ProcessClockTime()); }

STDMETHODIMP CFileSinkBase::SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE*) {
  if (!file) return E_POINTER;
  file_ = file;
  return S_OK;
}
STDMETHODIMP CFileSinkBase::GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mt) {
  if (!file) return E_POINTER;
  *file = nullptr;
  if (mt) *mt = AM_MEDIA_TYPE();
  if (file_.empty()) return E_FAIL;
  return com::CopyOutText(file_, file);
}
STDMETHODIMP CFileSinkBase::SetMode(DWORD flags) {
  if (flags & ~AM_FILE_OVERWRITE) return E_INVALIDARG;
  mode_ = flags;
  return S_OK;
}
STDMETHODIMP CFileSinkBase::GetMode(DWORD* flags) { return com::CopyOut(flags, mode_); }

void RegisterStockFilters() {
  using com::RegisterClassForever;
  using Names = std::vector<std::string>;
  RegisterClassForever(CLSID_SmartTee,
                       Make<CTeeFilter>(CLSID_SmartTee, "Smart Tee", "Input", Names{"Capture", "Preview"}, false));
  RegisterClassForever(CLSID_InfTee,
                       Make<CTeeFilter>(CLSID_InfTee, "Infinite Pin Tee Filter", "Input", Names{"Output1"}, true));
  RegisterClassForever(CLSID_OverlayMixer, Make<OverlayMixer>());
  RegisterClassForever(CLSID_VideoRenderer, Make<CVideoRendererFilter>(CLSID_VideoRenderer, "Video Renderer"));
  RegisterClassForever(CLSID_VideoRendererDefault,
                       Make<CVideoRendererFilter>(CLSID_VideoRendererDefault, "Video Renderer"));
  RegisterClassForever(CLSID_DSoundRender,
                       Make<CAudioRendererFilter>(CLSID_DSoundRender, "Default DirectSound Device"));
  RegisterClassForever(CLSID_AudioRender, Make<CAudioRendererFilter>(CLSID_AudioRender, "Default WaveOut Device"));
  RegisterClassForever(CLSID_NullRenderer, Make<NullRenderer>());
  RegisterClassForever(CLSID_ACMWrapper, Make<AcmWrapper>());
  RegisterClassForever(CLSID_DVSplitter, Make<DvSplitter>());
  RegisterClassForever(CLSID_DVVideoCodec, Make<DvVideoDecoder>());
  RegisterClassForever(CLSID_MPEG2Demultiplexer, CreateMpeg2Demultiplexer);
  RegisterClassForever(CLSID_AviDest, Make<AviMux>());
  RegisterClassForever(CLSID_FileWriter, Make<FileWriter>());
  RegisterClassForever(CLSID_WMAsfWriter, Make<AsfWriter>());
  RegisterClassForever(CLSID_Colour, Make<ColorSpaceConverter>());
  // Intelligent connect tries these in this order.
  RegisterConverterClass(CLSID_DVSplitter);
  RegisterConverterClass(CLSID_DVVideoCodec);
  RegisterConverterClass(CLSID_ACMWrapper);
  RegisterConverterClass(CLSID_Colour);
}

}  // namespace platform::dshow
