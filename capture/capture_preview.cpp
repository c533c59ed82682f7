// The preview of CCaptureGraph: the picture into "Video Render", the sound into a renderer or,
// for devices whose sound only feeds the level meters, into "NULL Renderer".
#include "capture/capture_graph.h"
#include "platform/dshow/uuids.h"
#include "platform/filters/maker_interfaces.h"

namespace {
constexpr int kChannels = 2;
constexpr int kBytesPerSample = 2;
constexpr int kRate = 48000;
}  // namespace

BOOL CCaptureGraph::StartPreview() {
  if (!open_ || !videoCapture_) return FALSE;
  if (previewing_) return TRUE;
  if (capturing_ && !StopCapture()) return FALSE;
  if (HasVideoPortPin()) {
    const int vp = helper_.FindPinByName(videoCapture_, PINDIR_OUTPUT, "VP");
    CComPtr<IPin> pin = helper_.GetOutputPin(videoCapture_, vp);
    if (FAILED(helper_.AddFilter(CLSID_OverlayMixer, &overlayMixer_, "Overlay Mixer"))) return FALSE;
    SetOverlayAspectRatioMode(overlayMixer_, AM_ARMODE_STRETCHED);
    if (FAILED(builder_->RenderStream(nullptr, &MEDIATYPE_Video, pin, overlayMixer_, nullptr))) return FALSE;
  } else {
    if (!BuildPreviewVideo(videoCapture_, true)) return FALSE;
    // A device without any sound source previews its picture alone.
    if (ownAudio_) {
      if (FAILED(BuildAudioChain(videoCapture_, false))) return FALSE;
    } else if (audioCapture_) {
      if (FAILED(BuildAudioChain(audioCapture_, deviceKind_ != 2))) return FALSE;
    }
  }
  SetVideoWindowOwner(owner_);
  if (!Run()) return FALSE;
  previewing_ = TRUE;
  capturing_ = FALSE;
  captureMode_ = kPreview;
  return TRUE;
}

// [Erase Line], [down-sampler], colour converter, renderer after upstream's first video output.
BOOL CCaptureGraph::BuildPreviewVideo(IBaseFilter* upstream, bool previewFromDevice) {
  IBaseFilter* last = upstream;
  bool byType = previewFromDevice;
  auto append = [&](const CLSID& clsid, IBaseFilter** slot, const char* name) {
    if (FAILED(helper_.AddFilter(clsid, slot, name))) return false;
    const HRESULT hr = byType ? helper_.ConnectByMediaType(last, &MEDIATYPE_Video, *slot, 0)
                              : helper_.ConnectFilters(last, previewFromDevice ? 0 : 1, *slot, 0);
    byType = false;
    previewFromDevice = true;  // after the first link every connection is pin 0 to pin 0
    last = *slot;
    return SUCCEEDED(hr);
  };
  if (previewFromDevice && eraseLines_ != 0) {
    if (!append(CLSID_QnEraseLine, &eraseLine_, "Erase Line")) return FALSE;
    CComPtr<IQnEraseLine> erase;
    if (SUCCEEDED(eraseLine_->QueryInterface(IID_IQnEraseLine, reinterpret_cast<void**>(&erase))))
      erase->SetEraseLines(eraseLines_);
  }
  if (downSamplerOn_ && !append(CLSID_QnVideoDownSampler, &downSampler_, "Qn Video DownSampler")) return FALSE;
  if (!append(CLSID_QnSpaceColorConverter, &colourConverter_, "Qn Space Color Converter")) return FALSE;
  if (FAILED(helper_.AddFilter(CLSID_VideoRendererDefault, &videoRenderer_, "Video Render")) &&
      FAILED(helper_.AddFilter(CLSID_VideoRenderer, &videoRenderer_, "Video Render")))
    return FALSE;
  return SUCCEEDED(helper_.ConnectFilters(last, 0, videoRenderer_, 0));
}

// source's audio, "ACM Wapper", "Audio Analyzer", then a renderer (or "NULL Renderer" when
// silent); the source pin is reconnected so its new format is negotiated.
HRESULT CCaptureGraph::BuildAudioChain(IBaseFilter* source, bool silent) {
  if (!SetAudioCaptureFormat(source, kChannels, kBytesPerSample, kRate)) return E_FAIL;
  const int pin = source == videoCapture_ ? helper_.FindOutputPinByMediaType(source) : 0;
  if (pin < 0) return E_FAIL;
  if (FAILED(helper_.AddFilter(CLSID_ACMWrapper, &audioConverter_, "ACM Wapper")) ||
      FAILED(helper_.ConnectFilters(source, pin, audioConverter_, 0)))
    return E_FAIL;
  if (FAILED(helper_.AddFilter(CLSID_QnAudioAnalyzer, &audioAnalyzer_, "Audio Analyzer")) ||
      FAILED(helper_.ConnectFilters(audioConverter_, 0, audioAnalyzer_, 0)))
    return E_FAIL;
  if (silent) {
    if (FAILED(helper_.AddFilter(CLSID_NullRenderer, &nullRenderer_, "NULL Renderer")) ||
        FAILED(helper_.ConnectFilters(audioAnalyzer_, 0, nullRenderer_, 0)))
      return E_FAIL;
  } else if (!ConnectAudioRenderer(audioAnalyzer_, 0)) {
    return E_FAIL;
  }
  CComPtr<IPin> out = helper_.GetOutputPin(source, pin);
  return helper_.ReconnectPin(out);
}

BOOL CCaptureGraph::SetAudioCaptureFormat(IBaseFilter* filter, int channels, int bytesPerSample, int rate) {
  CComPtr<IPin> pin;
  if (FAILED(builder_->FindPin(filter, PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, FALSE, 0, &pin)) || !pin) return FALSE;
  if (deviceKind_ == 2) {
    CComPtr<IAMBufferNegotiation> negotiation;
    if (FAILED(pin->QueryInterface(IID_IAMBufferNegotiation, reinterpret_cast<void**>(&negotiation)))) return FALSE;
    ALLOCATOR_PROPERTIES props{5, rate, 1, 0};
    if (FAILED(negotiation->SuggestAllocatorProperties(&props))) return FALSE;
  }
  CComPtr<IAMStreamConfig> config;
  if (FAILED(pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)))) return FALSE;
  AM_MEDIA_TYPE* mt = nullptr;
  if (FAILED(config->GetFormat(&mt)) || !mt) return FALSE;
  if (mt->pbFormat && mt->cbFormat >= sizeof(WAVEFORMATEX)) {
    auto* wfx = reinterpret_cast<WAVEFORMATEX*>(mt->pbFormat);
    wfx->nChannels = static_cast<WORD>(channels);
    wfx->nSamplesPerSec = static_cast<DWORD>(rate);
    wfx->nAvgBytesPerSec = static_cast<DWORD>(channels * bytesPerSample * rate);
    wfx->nBlockAlign = static_cast<WORD>(bytesPerSample * channels);
    wfx->wBitsPerSample = static_cast<WORD>(bytesPerSample * 8);
    config->SetFormat(mt);
  }
  DeleteMediaType(mt);
  return TRUE;
}

BOOL CCaptureGraph::AddPreferredAudioRenderer(CLSID* used) {
  const bool vista = winVersion_ >= 8;
  const CLSID first = vista ? CLSID_DSoundRender : CLSID_AudioRender;
  const CLSID second = vista ? CLSID_AudioRender : CLSID_DSoundRender;
  for (const CLSID& clsid : {first, second}) {
    const char* name = clsid == CLSID_DSoundRender ? "DSound Audio Render" : "Waveout Audio Render";
    if (SUCCEEDED(helper_.AddFilter(clsid, &audioRenderer_, name))) {
      *used = clsid;
      return TRUE;
    }
  }
  if (SUCCEEDED(helper_.AddFilter(CLSID_NullRenderer, &audioRenderer_, "NULL Render Audio"))) {
    *used = CLSID_NullRenderer;
    return TRUE;
  }
  return FALSE;
}

BOOL CCaptureGraph::ConnectAudioRenderer(IBaseFilter* upstream, int outputIndex) {
  CLSID used = GUID_NULL;
  if (!AddPreferredAudioRenderer(&used)) return FALSE;
  if (SUCCEEDED(helper_.ConnectDirect(upstream, outputIndex, audioRenderer_, 0))) return TRUE;
  RemoveAndRelease(graph_, &audioRenderer_);
  if (used != CLSID_NullRenderer) {
    const bool dsound = used == CLSID_DSoundRender;
    if (SUCCEEDED(helper_.AddFilter(dsound ? CLSID_AudioRender : CLSID_DSoundRender, &audioRenderer_,
                                    dsound ? "WavOut Render" : "DirectSound Render")) &&
        SUCCEEDED(helper_.ConnectDirect(upstream, outputIndex, audioRenderer_, 0)))
      return TRUE;
    RemoveAndRelease(graph_, &audioRenderer_);
  }
  CComPtr<IPin> out = helper_.GetOutputPin(upstream, outputIndex);
  return out && SUCCEEDED(graph_->Render(out));
}
