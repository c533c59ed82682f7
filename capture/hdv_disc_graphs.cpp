// The HDV disc-stream recordings: MPEG-2 program stream, the two Blu-ray graphs and the
// elementary-stream pair, all on the HDV decode chain.
#include <string>

#include "capture/dv_capture_graph.h"
#include "platform/com/oleauto.h"
#include "platform/filters/hdv_interfaces.h"

namespace {

bool Ok(HRESULT hr) { return SUCCEEDED(hr); }

}  // namespace

BOOL CDvCaptureGraph::StartHdvMpeg2Capture(const std::string& fileName, std::uint64_t maxPartSize) {
  return StartHdv(fileName, [&] { return BuildHdvMpeg2Capture(fileName, maxPartSize); });
}

BOOL CDvCaptureGraph::StartHdvBdCapture(const std::string& fileName, std::uint64_t maxPartSize) {
  return StartHdv(fileName, [&] { return BuildHdvBdCapture(fileName, maxPartSize); });
}

BOOL CDvCaptureGraph::StartHdvBdCapture2(const std::string& fileName, std::uint64_t maxPartSize) {
  return StartHdv(fileName, [&] { return BuildHdvBdCapture2(fileName, maxPartSize); });
}

BOOL CDvCaptureGraph::StartHdvElementaryCapture(const std::string& videoFile, const std::string& audioFile,
                                                std::uint64_t maxPartSize) {
  return StartHdv(videoFile, [&] { return BuildHdvElementaryCapture(videoFile, audioFile, maxPartSize); });
}

BOOL CDvCaptureGraph::BuildHdvMpeg2Capture(const std::string& fileName, std::uint64_t maxPartSize) {
  if (!videoStreamTee_ || !audioStreamTee_ || !demultiplexer_) return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_QnMpeg2Multiplexer, &mpeg2Multiplexer_, "MPEG2 Multiplexer")) ||
      !Ok(helper_.ConnectFilters(videoStreamTee_, 1, mpeg2Multiplexer_, 0)) ||
      !Ok(helper_.ConnectFilters(audioStreamTee_, 1, mpeg2Multiplexer_, 1)) ||
      !Ok(helper_.AddFilter(CLSID_QnStreamWriter, &hdvdWriter_, "HDVD Writer")) ||
      !Ok(helper_.ConnectFilters(mpeg2Multiplexer_, 0, hdvdWriter_, 0)) || !SetStreamFileName(hdvdWriter_, fileName))
    return FALSE;
  SetPartSize(hdvdWriter_, maxPartSize);
  if (!Ok(helper_.AddFilter(CLSID_VideoRendererDefault, &videoRenderer_, "Video Reander")) ||
      !Ok(helper_.ConnectFilters(videoDecoder_, 0, videoRenderer_, 0)) || !AddAudioAnalyzer() ||
      !Ok(helper_.ConnectFilters(audioDecoder_, 0, audioAnalyzer_, 0)) || !AddAudioRenderer() ||
      !Ok(helper_.ConnectFilters(audioAnalyzer_, 0, audioRenderer_, 0)))
    return FALSE;
  return FinishBuild(kHdvMpeg2);
}

BOOL CDvCaptureGraph::BuildHdvBdCapture(const std::string& fileName, std::uint64_t) {
  if (!videoStreamTee_ || !audioStreamTee_ || !demultiplexer_) return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_QnBdMultiplexer, &bdMultiplexer_, "BD Mulitplexer")) ||
      !Ok(helper_.ConnectFilters(videoStreamTee_, 1, bdMultiplexer_, 0)) || !AddAudioAnalyzer() ||
      !Ok(helper_.ConnectFilters(audioDecoder_, 0, audioAnalyzer_, 0)) ||
      !Ok(helper_.AddFilter(CLSID_InfTee, &infTee_, "InfiTee")) ||
      !Ok(helper_.ConnectFilters(audioAnalyzer_, 0, infTee_, 0)) ||
      !Ok(helper_.ConnectFilters(infTee_, 0, bdMultiplexer_, 1)))
    return FALSE;
  CComPtr<IQnBdOption> option;
  if (Ok(bdMultiplexer_->QueryInterface(IID_IQnBdOption, reinterpret_cast<void**>(&option)))) option->SetOption(1);
  if (!SetStreamFileName(bdMultiplexer_, fileName)) return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_VideoRendererDefault, &videoRenderer_, "Video Reander")) ||
      !Ok(helper_.ConnectFilters(videoDecoder_, 0, videoRenderer_, 0)) || !AddAudioRenderer() ||
      !Ok(helper_.ConnectFilters(infTee_, 1, audioRenderer_, 0)))
    return FALSE;
  return FinishBuild(kHdvDisc);
}

BOOL CDvCaptureGraph::BuildHdvBdCapture2(const std::string& fileName, std::uint64_t) {
  if (!videoStreamTee_ || !audioStreamTee_ || !demultiplexer_) return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_QnBdMultiplexer2, &bdMultiplexer_, "BD Mulitplexer"))) return FALSE;
  CComPtr<IQnBdConfig> config;
  if (!Ok(bdMultiplexer_->QueryInterface(IID_IQnBdConfig, reinterpret_cast<void**>(&config)))) return FALSE;
  VARIANT value;
  value.vt = VT_UI4;
  value.ulVal = 27;
  VARIANT result;
  if (!Ok(config->SetValue(&QN_BD_PARAMETER, &value)) || !Ok(config->Commit(&result))) return FALSE;
  if (!Ok(helper_.ConnectFilters(videoStreamTee_, 1, bdMultiplexer_, 0)) || !AddAudioAnalyzer() ||
      !Ok(helper_.ConnectFilters(audioDecoder_, 0, audioAnalyzer_, 0)) ||
      !Ok(helper_.ConnectFilters(audioAnalyzer_, 0, bdMultiplexer_, 1)) || !SetStreamFileName(bdMultiplexer_, fileName))
    return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_VideoRendererDefault, &videoRenderer_, "Video Reander")) ||
      !Ok(helper_.ConnectFilters(videoDecoder_, 0, videoRenderer_, 0)))
    return FALSE;
  // The preview's sound comes from the compressed audio on a path of its own.
  if (!Ok(helper_.AddFilter(CLSID_QnBufferFilter, &bufferFilter_, "Buffer Filter")) ||
      !Ok(helper_.ConnectFilters(audioStreamTee_, 1, bufferFilter_, 0)))
    return FALSE;
  CComPtr<IQnBuffer> buffer;
  if (Ok(bufferFilter_->QueryInterface(IID_IQnBuffer, reinterpret_cast<void**>(&buffer)))) buffer->SetDepth(20);
  if (!Ok(helper_.AddFilter(CLSID_QnAudioDecoder, &audioDecoder2_, "Qn AudioDecoder 2")) ||
      !Ok(helper_.ConnectFilters(bufferFilter_, 0, audioDecoder2_, 0)) || !AddAudioAnalyzer2() ||
      !Ok(helper_.ConnectFilters(audioDecoder2_, 0, audioAnalyzer2_, 0)) || !AddAudioRenderer() ||
      !Ok(helper_.ConnectFilters(audioAnalyzer2_, 0, audioRenderer_, 0)))
    return FALSE;
  return FinishBuild(kHdvDisc);
}

BOOL CDvCaptureGraph::BuildHdvElementaryCapture(const std::string& videoFile, const std::string& audioFile,
                                                std::uint64_t maxPartSize) {
  if (!videoStreamTee_ || !audioStreamTee_ || !demultiplexer_) return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_QnStreamWriter, &videoDump_, "Video Dump")) ||
      !Ok(helper_.ConnectFilters(videoStreamTee_, 1, videoDump_, 0)) || !AddAudioAnalyzer() ||
      !Ok(helper_.ConnectFilters(audioDecoder_, 0, audioAnalyzer_, 0)) ||
      !Ok(helper_.AddFilter(CLSID_InfTee, &infTee_, "InfiTee")) ||
      !Ok(helper_.ConnectFilters(audioAnalyzer_, 0, infTee_, 0)) ||
      !Ok(helper_.AddFilter(CLSID_QnLpcmEncoder, &lpcmEncoder_, "LPCM Encoder")) ||
      !Ok(helper_.ConnectFilters(infTee_, 0, lpcmEncoder_, 0)) ||
      !Ok(helper_.AddFilter(CLSID_QnStreamWriter, &audioDump_, "Audio Dump")) ||
      !Ok(helper_.ConnectFilters(lpcmEncoder_, 0, audioDump_, 0)))
    return FALSE;
  if (!SetStreamFileName(videoDump_, videoFile) || !SetStreamFileName(audioDump_, audioFile)) return FALSE;
  SetPartSize(videoDump_, maxPartSize);
  SetPartSize(audioDump_, maxPartSize);
  if (!Ok(helper_.AddFilter(CLSID_VideoRendererDefault, &videoRenderer_, "Video Reander")) ||
      !Ok(helper_.ConnectFilters(videoDecoder_, 0, videoRenderer_, 0)) || !AddAudioRenderer() ||
      !Ok(helper_.ConnectFilters(infTee_, 1, audioRenderer_, 0)))
    return FALSE;
  return FinishBuild(kHdvDisc);
}
