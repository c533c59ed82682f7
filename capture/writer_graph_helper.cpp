#include "capture/writer_graph_helper.h"

#include <sys/stat.h>

#include "platform/base/file.h"
#include "platform/dshow/uuids.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/filters/filter_classes.h"
#include "platform/filters/mpeg_encoder_interfaces.h"

CWriterGraphHelper::~CWriterGraphHelper() = default;

namespace {

constexpr DWORD kErrorFileNotFound = 2;
constexpr DWORD kErrorReadFault = 30;

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

BOOL CWriterGraphHelper::BuildWmvWriter(const WmvCaptureSettings* settings, IPin* video, IPin* audio,
                                        IBaseFilter** writer) {
  if (!settings || !writer) return FALSE;
  if (FAILED(AddFilter(CLSID_WMAsfWriter, writer, "WMV Encoder"))) return FALSE;
  auto sink = Query<IFileSinkFilter2>(*writer, IID_IFileSinkFilter2);
  if (!sink || FAILED(sink->SetFileName(settings->fileName.c_str(), nullptr))) return FALSE;
  sink->SetMode(AM_FILE_OVERWRITE);
  if (auto config = Query<IConfigAsfWriter>(*writer, IID_IConfigAsfWriter)) {
    CComPtr<IWMProfile> profile;
    if (FAILED(LoadProfileFromFile(settings->profilePath.c_str(), &profile)) ||
        FAILED(config->ConfigureFilterUsingProfile(profile)))
      return FALSE;
  }
  SetContentAttributes(*writer, settings);
  if (video && FAILED(ConnectPinToFilter(video, *writer, 1))) return FALSE;
  if (audio && FAILED(ConnectPinToFilter(audio, *writer, 0))) return FALSE;
  return video || audio;
}

BOOL CWriterGraphHelper::SetContentAttributes(IBaseFilter* writer, const WmvCaptureSettings* settings) {
  auto header = Query<IWMHeaderInfo>(writer, IID_IWMHeaderInfo);
  if (!header || !settings) return FALSE;
  const std::pair<const char*, const std::string*> attributes[] = {{"Title", &settings->title},
                                                                   {"Author", &settings->author},
                                                                   {"Description", &settings->description},
                                                                   {"Copyright", &settings->copyright}};
  BOOL all = TRUE;
  for (const auto& [name, value] : attributes) {
    // The whole text in UTF-16 with its terminator; nothing is cut to a fixed length.
    const std::u16string text = Utf8ToUtf16(*value);
    const std::size_t bytes = (text.size() + 1) * 2;
    if (bytes > 0xFFFF) {
      all = FALSE;
      continue;
    }
    if (FAILED(header->SetAttribute(0, name, WMT_TYPE_STRING, reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<WORD>(bytes))))
      all = FALSE;
  }
  return all;
}

HRESULT CWriterGraphHelper::LoadProfileFromFile(const char* path, IWMProfile** profile) {
  if (!path || !profile) return E_POINTER;
  *profile = nullptr;
  CComPtr<IWMProfileManager> manager;
  HRESULT hr = WMCreateProfileManager(&manager);
  if (FAILED(hr)) return hr;
  // Only a disk file: a folder, a device or a pipe is refused before anything is read.
  struct stat st;
  if (::stat(path, &st) == 0 && !S_ISREG(st.st_mode)) return E_FAIL;
  platform::File file;
  if (!file.Open(path, platform::FileMode::Read)) return HRESULT_FROM_WIN32(kErrorFileNotFound);
  if (fstat(file.Descriptor(), &st) != 0 || !S_ISREG(st.st_mode)) return E_FAIL;
  const std::int64_t size = file.Size();
  if (size < 0 || size > 16 * 1024 * 1024) return E_FAIL;
  // Two zero bytes more than the file: the text's terminator.
  std::u16string text(static_cast<std::size_t>(size) / 2 + 1, u'\0');
  if (!file.ReadExact(text.data(), static_cast<std::size_t>(size))) return HRESULT_FROM_WIN32(kErrorReadFault);
  return manager->LoadProfileByData(text.c_str(), profile);
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
