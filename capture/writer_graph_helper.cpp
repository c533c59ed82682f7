#include "capture/writer_graph_helper.h"

#include "platform/dshow/uuids.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/filters/filter_classes.h"
#include "platform/filters/mpeg_encoder_interfaces.h"

CWriterGraphHelper::~CWriterGraphHelper() = default;

namespace {

template <typename I>
CComPtr<I> Query(IBaseFilter* filter, REFIID iid) {
  CComPtr<I> p;
  if (filter) filter->QueryInterface(iid, reinterpret_cast<void**>(&p));
  return p;
}

}  // namespace

BOOL CWriterGraphHelper::AddMpegEncoder(const MpegCaptureSettings* settings, IPin* video, IPin* audio,
                                        IBaseFilter** encoder) {
  if (!settings || !encoder) return FALSE;
  if (FAILED(AddFilter(CLSID_QnMpegEncoder, encoder, "Qn MPEG Encoder"))) return FALSE;
  if (FAILED(ConnectPinToFilter(video, *encoder, 0))) return FALSE;
  // A device without sound records its picture alone.
  if (audio && FAILED(ConnectPinToFilter(audio, *encoder, 1))) return FALSE;
  return ConfigureMpegEncoder(*encoder, settings);
}

BOOL CWriterGraphHelper::ConfigureMpegEncoder(IBaseFilter* encoder, const MpegCaptureSettings* s) {
  auto main = Query<IQnMpegEncoder>(encoder, IID_IQnMpegEncoder);
  if (!main) return FALSE;
  if (s->streamType == 7 || s->streamType == 8) {
    const bool ntsc = s->streamType == 7;
    const long full = ntsc ? 480 : 576;
    switch (s->resolutionLevel) {
      case 2:
        main->SetStreamType(ntsc ? 7 : 8);
        main->SetPictureSize(720, full);
        break;
      case 1:
        main->SetStreamType(ntsc ? 2 : 12);
        main->SetPictureSize(352, full);
        break;
      case 0:
        main->SetStreamType(ntsc ? 2 : 12);
        main->SetPictureSize(352, full / 2);
        break;
      default: break;
    }
    main->SetFrameRateCode(ntsc ? 4 : 3);
    main->SetVideoBitRate(s->videoBitRate);
    main->SetAudioBitRate(224);
    main->SetAudioSampleRate(48000);
    main->SetAudioChannels(2);
    main->SetOption12(0);
    SetMotionSearch(encoder, s->qualityLevel, TRUE);
  } else {
    main->SetStreamType(s->streamType);
    main->SetOption12(0);
    SetMotionSearch(encoder, s->qualityLevel, FALSE);
  }
  main->SetOption23(0);
  main->SetOption45(1);
  main->SetFixedValue(s->fixedValue);
  if (s->recordAndBurn) {
    main->SetOption19(0);
    main->SetElementaryOutput(1);
    auto burn = Query<IQnMpegBurnBuffer>(encoder, IID_IQnMpegBurnBuffer);
    if (!burn) return FALSE;
    burn->SetBuffering(100, 10);
  } else {
    main->SetMaxFileSize(s->maxFileSizeMB);
  }
  auto parts = Query<IQnMpegParts>(encoder, IID_IQnMpegParts);
  if (!parts) return FALSE;
  parts->SetSplitting(1);
  auto sink = Query<IFileSinkFilter>(encoder, IID_IFileSinkFilter);
  if (!sink || FAILED(sink->SetFileName(s->fileName.c_str(), nullptr))) return FALSE;
  if (auto longPlay = Query<IQnMpegLongPlay>(encoder, IID_IQnMpegLongPlay)) longPlay->SetLongPlay(s->longPlay);
  if (auto aspect = Query<IQnMpegAspect>(encoder, IID_IQnMpegAspect)) {
    const long value = s->aspect;
    aspect->SetAspect(0, &value, 1);
  }
  return TRUE;
}

void CWriterGraphHelper::SetMotionSearch(IBaseFilter* encoder, int quality, BOOL dvd) {
  auto search = Query<IQnMotionSearch>(encoder, IID_IQnMotionSearch);
  if (!search) return;
  const bool wide = quality == 0;
  search->SetSearch3(1);
  search->SetHalfPel(quality == 3 ? 0 : 1);
  search->SetRateDistortion(quality == 0 || quality == 1 ? 1 : 0);
  search->SetSearch9(quality <= 1 && !dvd ? 1 : 0);
  search->SetSearch11(0);
  search->SetSearch13(10);
  search->SetSearchRange(wide ? 32 : 16, wide ? 32 : 16, wide ? 16 : 8, wide ? 16 : 8);
}

BOOL CWriterGraphHelper::BuildAviWriter(const AviCaptureSettings* settings, IPin* video, IPin* audio,
                                        IBaseFilter** multiplexer) {
  if (!settings || !video || !multiplexer) return FALSE;
  if (FAILED(AddFilter(CLSID_AviDest, multiplexer, "Avi Mux"))) return FALSE;
  if (FAILED(ConnectPinToFilter(video, *multiplexer, 0))) return FALSE;
  if (audio) {
    if (FAILED(ConnectPinToFilter(audio, *multiplexer, 1))) return FALSE;
    auto config = Query<IConfigAviMux>(*multiplexer, IID_IConfigAviMux);
    auto interleaving = Query<IConfigInterleaving>(*multiplexer, IID_IConfigInterleaving);
    if (!config || !interleaving) return FALSE;
    config->SetOutputCompatibilityIndex(TRUE);
    config->SetMasterStream(1);  // the sound is the clock
    interleaving->put_Mode(INTERLEAVE_NONE);
  }
  IBaseFilter* writer = nullptr;
  const bool added = SUCCEEDED(AddFilter(CLSID_FileWriter, &writer, "File Writer"));
  CComPtr<IBaseFilter> owned;
  owned.Attach(writer);
  if (!added || FAILED(ConnectFilters(*multiplexer, 0, writer, 0))) return FALSE;
  auto sink = Query<IFileSinkFilter>(writer, IID_IFileSinkFilter);
  return sink && SUCCEEDED(sink->SetFileName(settings->fileName.c_str(), nullptr));
}

DWORD CWriterGraphHelper::GetEncoderResult(IBaseFilter* encoder) {
  auto parts = Query<IQnMpegParts>(encoder, IID_IQnMpegParts);
  DWORD count = 0;
  if (parts) parts->GetPartCount(&count);
  return count;
}

void CWriterGraphHelper::GetEncoderStatus(IBaseFilter* encoder, LONGLONG* bytes, DWORD* frames) {
  auto main = Query<IQnMpegEncoder>(encoder, IID_IQnMpegEncoder);
  if (!main) return;
  if (bytes) main->GetBytesWritten(bytes);
  if (frames) main->GetFramesEncoded(frames);
}
