// The HDV side of the camcorder graph: the decode chain, program tables, preview and the
// .m2ts, MPEG and WMV recordings.
#include <cstring>
#include <string>

#include "capture/dv_capture_graph.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/filters/hdv_interfaces.h"
#include "platform/filters/maker_interfaces.h"

namespace {

bool Ok(HRESULT hr) { return SUCCEEDED(hr); }

void PutU16(BYTE* p, unsigned v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
}
void PutU32(BYTE* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

// The 40-byte MPEG audio block both the PSI and the audio pin carry.
void MpegAudioBlock(BYTE* b, bool full) {
  std::memset(b, 0, 40);
  PutU16(b, 0x0050);
  PutU16(b + 2, 2);
  PutU32(b + 4, 48000);
  PutU32(b + 8, 32000);
  PutU16(b + 12, 768);
  PutU16(b + 16, 22);
  if (!full) return;
  PutU16(b + 18, 2);       // layer 2
  PutU32(b + 20, 256000);  // bit rate
  PutU16(b + 24, 1);       // mode
  PutU16(b + 26, 1);       // mode extension
  PutU16(b + 28, 1);       // emphasis
  PutU16(b + 30, 0x001C);  // flags
}

CMediaType PsiType() {
  CMediaType mt;
  mt.majortype = MEDIATYPE_MPEG2_PSI;
  mt.subtype = GUID_NULL;
  mt.bFixedSizeSamples = TRUE;
  mt.bTemporalCompression = FALSE;
  BYTE block[40];
  MpegAudioBlock(block, true);
  mt.SetFormat(FORMAT_None, block, sizeof block);
  return mt;
}

// MPEG2VIDEOINFO of the camcorder's 1440x1080 16:9 stream, the whole frame as source.
CMediaType VideoType() {
  CMediaType mt;
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = MEDIASUBTYPE_MPEG2_VIDEO;
  mt.bFixedSizeSamples = TRUE;
  BYTE block[148] = {};
  PutU32(block + 8, 1440);   // rcSource right
  PutU32(block + 12, 1080);  // rcSource bottom
  PutU32(block + 32, 25000000);
  const std::uint64_t frame = 333667;
  std::memcpy(block + 40, &frame, 8);
  PutU32(block + 56, 16);
  PutU32(block + 60, 9);
  PutU32(block + 72, 40);  // biSize
  PutU32(block + 76, 1440);
  PutU32(block + 80, 1080);
  PutU32(block + 116, 12);  // cbSequenceHeader
  PutU32(block + 120, 3);   // profile
  PutU32(block + 124, 2);   // level
  const BYTE sequence[12] = {0x00, 0x00, 0x01, 0xB3, 0x5A, 0x04, 0x38, 0x34, 0x3D, 0x09, 0x2E, 0x10};
  std::memcpy(block + 132, sequence, sizeof sequence);
  mt.SetFormat(FORMAT_MPEG2Video, block, sizeof block);
  return mt;
}

CMediaType AudioType() {
  CMediaType mt;
  mt.majortype = MEDIATYPE_Audio;
  mt.subtype = MEDIASUBTYPE_MPEG2_AUDIO;
  mt.bFixedSizeSamples = TRUE;
  BYTE block[40];
  MpegAudioBlock(block, false);
  mt.SetFormat(FORMAT_WaveFormatEx, block, sizeof block);
  return mt;
}

}  // namespace

BOOL CDvCaptureGraph::OpenHdv(HWND notifyWindow, HWND videoOwner, const std::string& name) {
  Close();
  ForgetDvSizeUnlessFor(name);
  notify_ = notifyWindow;
  owner_ = videoOwner;
  if (!CreateGraph() || !AddHdvDevice(name)) {
    ReleaseGraph();
    return FALSE;
  }
  ReadTapeSignal();
  if (!BuildHdvPreview()) {
    ReleaseGraph();
    return FALSE;
  }
  return TRUE;
}

BOOL CDvCaptureGraph::AddHdvDevice(const std::string& name) {
  return AddCamcorder(name, "HDV Device") && BuildHdvDecodeChain();
}

BOOL CDvCaptureGraph::BuildHdvDecodeChain() {
  if (!camcorder_) return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_InfTee, &rawTee_, "RawData Tee")) ||
      !Ok(helper_.ConnectFilters(camcorder_, 0, rawTee_, 0)) || !AddMpeg2Demultiplexer() ||
      !Ok(helper_.ConnectFilters(rawTee_, 0, demultiplexer_, 0)) || !AddStreamDump() ||
      !Ok(helper_.ConnectFilters(rawTee_, 1, streamDump_, 0)) ||
      !Ok(helper_.AddFilter(CLSID_QnPsiParser, &psiParser_, "PSI Parser filter")) ||
      !Ok(helper_.ConnectByMediaType(demultiplexer_, &MEDIATYPE_MPEG2_PSI, psiParser_, 0)))
    return FALSE;
  CComPtr<IQnPsiParser> parser;
  if (Ok(psiParser_->QueryInterface(IID_IQnPsiParser, reinterpret_cast<void**>(&parser)))) parser->Start();
  return Ok(helper_.AddFilter(CLSID_InfTee, &videoStreamTee_, "Video Stream")) &&
         Ok(helper_.ConnectByMediaType(demultiplexer_, &MEDIATYPE_Video, videoStreamTee_, 0)) &&
         Ok(helper_.AddFilter(CLSID_QnMpegVideoDecoder, &videoDecoder_, "Qn MPEG Video Decoder")) &&
         Ok(helper_.ConnectFilters(videoStreamTee_, 0, videoDecoder_, 0)) &&
         Ok(helper_.AddFilter(CLSID_InfTee, &audioStreamTee_, "Audio Stream")) &&
         Ok(helper_.ConnectByMediaType(demultiplexer_, &MEDIATYPE_Audio, audioStreamTee_, 0)) &&
         Ok(helper_.AddFilter(CLSID_QnAudioDecoder, &audioDecoder_, "Qn Audio Decoder")) &&
         Ok(helper_.ConnectFilters(audioStreamTee_, 0, audioDecoder_, 0));
}

BOOL CDvCaptureGraph::AddMpeg2Demultiplexer() {
  if (!Ok(helper_.AddFilter(CLSID_MPEG2Demultiplexer, &demultiplexer_, "MPEG2 Demultiplexer"))) return FALSE;
  CComPtr<IMpeg2Demultiplexer> demux;
  if (!Ok(demultiplexer_->QueryInterface(IID_IMpeg2Demultiplexer, reinterpret_cast<void**>(&demux)))) return FALSE;
  struct PinPlan {
    const char* name;
    CMediaType type;
    ULONG pid;
    MEDIA_SAMPLE_CONTENT content;
  };
  PinPlan plan[] = {{"PSI", PsiType(), 0, MEDIA_MPEG2_PSI},
                    {"Video", VideoType(), 1, MEDIA_ELEMENTARY_STREAM},
                    {"Audio", AudioType(), 2, MEDIA_ELEMENTARY_STREAM}};
  for (auto& p : plan) {
    CComPtr<IPin> pin;
    if (!Ok(demux->CreateOutputPin(&p.type, p.name, &pin)) || !pin || !Ok(MapPid(pin, p.pid, p.content))) return FALSE;
  }
  return TRUE;
}

HRESULT CDvCaptureGraph::MapPid(IPin* pin, ULONG pid, int content) {
  if (!pin) return E_POINTER;
  CComPtr<IMPEG2PIDMap> map;
  HRESULT hr = pin->QueryInterface(IID_IMPEG2PIDMap, reinterpret_cast<void**>(&map));
  if (FAILED(hr)) return hr;
  CComPtr<IEnumPIDMap> mapped;
  if (Ok(map->EnumPIDMap(&mapped)) && mapped) {
    mapped->Reset();
    PID_MAP entry;
    ULONG got = 0;
    std::vector<ULONG> old;
    while (mapped->Next(1, &entry, &got) == S_OK && got == 1) old.push_back(entry.ulPID);
    for (ULONG p : old) map->UnmapPID(1, &p);
  }
  return map->MapPID(1, &pid, static_cast<MEDIA_SAMPLE_CONTENT>(content));
}

BOOL CDvCaptureGraph::AddStreamDump() {
  if (!Ok(helper_.AddFilter(CLSID_QnStreamWriter, &streamDump_, "m2ts Dump"))) return FALSE;
  EnableStreamDump(FALSE);
  return TRUE;
}

void CDvCaptureGraph::EnableStreamDump(BOOL on) {
  if (!streamDump_) return;
  CComPtr<IQnDumpSwitch> dump;
  if (Ok(streamDump_->QueryInterface(IID_IQnDumpSwitch, reinterpret_cast<void**>(&dump)))) dump->SetEnable(on ? 1 : 0);
}

// Each read starts a fresh table, so the PIDs of an older table never win over a new one.
int CDvCaptureGraph::ReadPsiStreams() {
  psiCount_ = 0;
  if (!psiParser_) return 0;
  CComPtr<IQnPsiParser> parser;
  if (!Ok(psiParser_->QueryInterface(IID_IQnPsiParser, reinterpret_cast<void**>(&parser)))) return 0;
  int programs = 0;
  if (FAILED(parser->GetProgramCount(&programs)) || programs < 1) return 0;
  for (int i = 0; i < programs && psiCount_ < kPsiTableSize; ++i) {
    WORD number = 0, streams = 0;
    parser->GetProgramNumber(i, &number);
    if (FAILED(parser->GetStreamCount(i, &streams))) continue;
    for (int j = 0; j < streams && psiCount_ < kPsiTableSize; ++j) {
      WORD pid = 0;
      BYTE type = 0;
      if (FAILED(parser->GetStreamPid(i, j, &pid)) || FAILED(parser->GetStreamType(i, j, &type))) continue;
      if (type >= 1 && type <= 5) psi_[psiCount_++] = {pid, type};
    }
  }
  return psiCount_;
}

// The PIDs now mapped on the demultiplexer's pin of that major type (0 when none).
static ULONG MappedPid(ICaptureGraphBuilder2* builder, IBaseFilter* demux, const GUID& major, IPin** pin) {
  if (FAILED(builder->FindPin(demux, PINDIR_OUTPUT, nullptr, &major, FALSE, 0, pin)) || !*pin) return 0;
  CComPtr<IMPEG2PIDMap> map;
  CComPtr<IEnumPIDMap> mapped;
  if (FAILED((*pin)->QueryInterface(IID_IMPEG2PIDMap, reinterpret_cast<void**>(&map))) ||
      FAILED(map->EnumPIDMap(&mapped)) || !mapped)
    return 0;
  PID_MAP entry;
  ULONG got = 0;
  return mapped->Next(1, &entry, &got) == S_OK && got == 1 ? entry.ulPID : 0;
}

// A table that maps what is already mapped changes nothing: a running recording goes on. A new
// mapping while recording is applied in place, without a restart that would reopen its files.
BOOL CDvCaptureGraph::HandleHdvEvent() {
  ReadPsiStreams();
  if (!demultiplexer_ || !builder_) return TRUE;
  bool changed = false;
  const struct {
    const GUID* major;
    bool (*wanted)(BYTE);
  } routes[] = {{&MEDIATYPE_Video, [](BYTE t) { return t == 2; }},
                {&MEDIATYPE_Audio, [](BYTE t) { return t == 3 || t == 4; }}};
  for (const auto& route : routes) {
    for (int i = 0; i < psiCount_; ++i) {
      if (!route.wanted(psi_[i].type)) continue;
      CComPtr<IPin> pin;
      const ULONG current = MappedPid(builder_, demultiplexer_, *route.major, &pin);
      if (!pin) break;
      if (current == psi_[i].pid) break;
      if (Ok(MapPid(pin, psi_[i].pid, MEDIA_ELEMENTARY_STREAM))) {
        changed = true;
        break;
      }
    }
  }
  if (!changed || capturing_) return TRUE;
  if (previewing_) StopGraph();
  ReconnectVideoDecoder();
  if (previewing_) RunGraph();
  return TRUE;
}

void CDvCaptureGraph::ReconnectVideoDecoder() {
  if (!videoDecoder_ || !graph_) return;
  CComPtr<IPin> out = helper_.GetOutputPin(videoDecoder_, 0);
  CComPtr<IPin> peer;
  if (!out || FAILED(out->ConnectedTo(&peer)) || !peer) return;
  graph_->Disconnect(out);
  graph_->Disconnect(peer);
  CComPtr<IQnVideoDecoderOption> option;
  if (Ok(videoDecoder_->QueryInterface(IID_IQnVideoDecoderOption, reinterpret_cast<void**>(&option)))) {
    const int value = 4;
    option->SetOption(&value);
  }
  graph_->Connect(out, peer);
}

BOOL CDvCaptureGraph::BuildHdvPreview() {
  if (!demultiplexer_) return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_VideoRendererDefault, &videoRenderer_, "Video Render")) ||
      !Ok(helper_.ConnectDirect(videoDecoder_, 0, videoRenderer_, 0)) || !AddAudioAnalyzer() ||
      !Ok(helper_.ConnectDirect(audioDecoder_, 0, audioAnalyzer_, 0)) || !AddAudioRenderer() ||
      !Ok(helper_.ConnectDirect(audioAnalyzer_, 0, audioRenderer_, 0)))
    return FALSE;
  ReconnectVideoDecoder();
  RefitVideoWindow();
  SetVideoWindowOwner(owner_);
  EnableStreamDump(FALSE);
  if (!RunGraph()) return FALSE;
  mode_ = kHdvPreview;
  previewing_ = built_ = TRUE;
  return TRUE;
}

BOOL CDvCaptureGraph::StartHdv(const std::string& name, const std::function<BOOL()>& build) {
  if (capturing_) return TRUE;
  if (!StopHdvCapture()) return FALSE;
  outputName_ = name;
  return build();
}

BOOL CDvCaptureGraph::StartHdvStreamCapture(const std::string& fileName, std::uint64_t maxPartSize) {
  return StartHdv(fileName, [&] { return BuildHdvStreamCapture(fileName, maxPartSize); });
}

BOOL CDvCaptureGraph::StartHdvMpegCapture(const MpegCaptureSettings* settings) {
  if (!settings) return FALSE;
  return StartHdv(settings->fileName, [&] { return BuildHdvMpegCapture(settings); });
}

BOOL CDvCaptureGraph::StartHdvWmvCapture(const WmvCaptureSettings* settings) {
  if (!settings) return FALSE;
  return StartHdv(settings->fileName, [&] { return BuildHdvWmvCapture(settings); });
}

BOOL CDvCaptureGraph::StartHdvAviCapture(const AviCaptureSettings* settings) {
  if (!settings) return FALSE;
  return StartHdv(settings->fileName, [&] { return BuildHdvAviCapture(settings); });
}

BOOL CDvCaptureGraph::SetStreamFileName(IBaseFilter* filter, const std::string& name) {
  CComPtr<IFileSinkFilter> sink;
  return filter && Ok(filter->QueryInterface(IID_IFileSinkFilter, reinterpret_cast<void**>(&sink))) &&
         Ok(sink->SetFileName(name.c_str(), nullptr));
}

void CDvCaptureGraph::SetPartSize(IBaseFilter* filter, std::uint64_t size) {
  CComPtr<IQnStreamWriter> writer;
  if (filter && Ok(filter->QueryInterface(IID_IQnStreamWriter, reinterpret_cast<void**>(&writer))))
    writer->SetMaxPartSize(static_cast<DWORD>(size & 0xFFFFFFFFu), static_cast<DWORD>(size >> 32));
}

BOOL CDvCaptureGraph::BuildHdvStreamCapture(const std::string& fileName, std::uint64_t maxPartSize) {
  if (!videoStreamTee_ || !audioStreamTee_ || !demultiplexer_) return FALSE;
  if (streamDump_) {
    SetPartSize(streamDump_, maxPartSize);
    if (!SetStreamFileName(streamDump_, fileName)) return FALSE;
  }
  if (!Ok(helper_.AddFilter(CLSID_VideoRendererDefault, &videoRenderer_, "Video Render")) ||
      !Ok(helper_.ConnectDirect(videoDecoder_, 0, videoRenderer_, 0)) || !AddAudioAnalyzer() ||
      !Ok(helper_.ConnectDirect(audioDecoder_, 0, audioAnalyzer_, 0)) || !AddAudioRenderer() ||
      !Ok(helper_.ConnectDirect(audioAnalyzer_, 0, audioRenderer_, 0)))
    return FALSE;
  ReconnectVideoDecoder();
  RefitVideoWindow();
  SetVideoWindowOwner(owner_);
  EnableStreamDump(TRUE);
  if (!RunGraph()) return FALSE;
  built_ = capturing_ = TRUE;
  mode_ = kHdvStream;
  return TRUE;
}

// The decoded picture and the analyzed sound split by tees: output 0 records, output 1 previews.
// planar: the pictures go on in the decoder's own YV12, for an encoder that scales them to its
// size in one step; otherwise YUY2, as the files of the other roads hold it.
BOOL CDvCaptureGraph::BuildHdvDecodedTees(bool planar) {
  if (!Ok(helper_.AddFilter(CLSID_InfTee, &videoTee_, "Video Smart Tee")) || !ConnectDecodedVideo(planar) ||
      !AddAudioAnalyzer() || !Ok(helper_.ConnectFilters(audioDecoder_, 0, audioAnalyzer_, 0)) ||
      !Ok(helper_.AddFilter(CLSID_InfTee, &audioTee_, "Audio Smart Tee")) ||
      !Ok(helper_.ConnectFilters(audioAnalyzer_, 0, audioTee_, 0)))
    return FALSE;
  return TRUE;
}

BOOL CDvCaptureGraph::ConnectDecodedVideo(bool planar) {
  if (planar && graph_) {
    CComPtr<IPin> out = helper_.GetOutputPin(videoDecoder_, 0);
    CComPtr<IPin> in = helper_.GetInputPin(videoTee_, 0);
    CMediaType yv12;
    yv12.majortype = MEDIATYPE_Video;
    yv12.subtype = MEDIASUBTYPE_YV12;
    yv12.formattype = GUID_NULL;
    if (out && in && Ok(graph_->ConnectDirect(out, in, &yv12))) return TRUE;
  }
  return Ok(helper_.ConnectFilters(videoDecoder_, 0, videoTee_, 0));
}

BOOL CDvCaptureGraph::BuildHdvTeePreview() {
  if (!Ok(helper_.AddFilter(CLSID_VideoRendererDefault, &videoRenderer_, "Video Reander")) ||
      !Ok(helper_.ConnectFilters(videoTee_, 1, videoRenderer_, 0)) || !AddAudioRenderer() ||
      !Ok(helper_.ConnectFilters(audioTee_, 1, audioRenderer_, 0)))
    return FALSE;
  return TRUE;
}

BOOL CDvCaptureGraph::BuildHdvMpegCapture(const MpegCaptureSettings* settings) {
  if (!settings || !demultiplexer_) return FALSE;
  if (!BuildHdvDecodedTees(true)) return FALSE;
  if (!writer_.AddMpegEncoder(settings, helper_.GetOutputPin(videoTee_, 0), helper_.GetOutputPin(audioTee_, 0),
                              &mpegEncoder_))
    return FALSE;
  if (!BuildHdvTeePreview()) return FALSE;
  return FinishBuild(kHdvMpeg);
}

BOOL CDvCaptureGraph::BuildHdvWmvCapture(const WmvCaptureSettings* settings) {
  if (!settings || !demultiplexer_) return FALSE;
  if (!BuildHdvDecodedTees(false)) return FALSE;
  if (!BuildWmvBranch(settings, helper_.GetOutputPin(videoTee_, 0), helper_.GetOutputPin(audioTee_, 0))) return FALSE;
  if (!BuildHdvTeePreview()) return FALSE;
  SetVideoWindowOwner(owner_);
  helper_.SetSyncSource(demultiplexer_);
  return FinishBuild(kHdvWmv);
}

// The decoded streams into "Avi Mux" and "File Writer", timed by the stream's clock as WMV is.
BOOL CDvCaptureGraph::BuildHdvAviCapture(const AviCaptureSettings* settings) {
  if (!settings || !demultiplexer_) return FALSE;
  if (!BuildHdvDecodedTees(false)) return FALSE;
  if (!writer_.BuildAviWriter(settings, helper_.GetOutputPin(videoTee_, 0), helper_.GetOutputPin(audioTee_, 0),
                              &aviMux_))
    return FALSE;
  if (!BuildHdvTeePreview()) return FALSE;
  helper_.SetSyncSource(demultiplexer_);
  return FinishBuild(kHdvAvi);
}

BOOL CDvCaptureGraph::StopHdvCapture() {
  const BOOL stopped = StopGraph();
  if (!graph_) return FALSE;
  if (capturing_) {
    for (IBaseFilter* writer : {aviMux_, mpegEncoder_, asfWriter_, mpeg2Multiplexer_})
      if (writer) helper_.DisconnectPin(writer, 1, PINDIR_INPUT);
    PostStopMessage();
  }
  previewing_ = capturing_ = FALSE;
  EnableStreamDump(FALSE);
  DropVideoWindow();
  if (demultiplexer_) {
    helper_.RemoveDownstream(videoDecoder_);
    helper_.RemoveDownstream(audioDecoder_);
  }
  if (videoStreamTee_) helper_.RemoveDownstreamOfPin(videoStreamTee_, 1);
  if (audioStreamTee_) helper_.RemoveDownstreamOfPin(audioStreamTee_, 1);
  RemoveCaptureChains();
  return stopped;
}

BOOL CDvCaptureGraph::StopHdvCaptureToPreview() {
  if (!capturing_) return TRUE;
  StopHdvCapture();
  return BuildHdvPreview();
}

DWORD CDvCaptureGraph::GetWriterFileCount() {
  IBaseFilter* writer = mode_ == kHdvMpeg2 ? hdvdWriter_ : mode_ == kHdvStream ? streamDump_ : nullptr;
  CComPtr<IQnStreamWriter> stream;
  DWORD count = 0;
  if (!writer || FAILED(writer->QueryInterface(IID_IQnStreamWriter, reinterpret_cast<void**>(&stream))) ||
      FAILED(stream->GetFileCount(&count)))
    return 0;
  return count;
}

double CDvCaptureGraph::GetWrittenMegabytes() {
  IBaseFilter* writer = mode_ == kHdvMpeg2 ? hdvdWriter_ : mode_ == kHdvStream ? streamDump_ : nullptr;
  CComPtr<IQnStreamWriter> stream;
  ULONGLONG bytes = 0;
  if (!writer || FAILED(writer->QueryInterface(IID_IQnStreamWriter, reinterpret_cast<void**>(&stream))) ||
      FAILED(stream->GetBytesWritten(&bytes)))
    return 0.0;
  return static_cast<double>(bytes) * (1.0 / 1048576);
}
