// "BD Mulitplexer": a Blu-ray transport stream of 192-byte source packets from the camcorder's
// MPEG-2 video (one access unit per PES, its own PTS and DTS) and 48 kHz stereo PCM (as LPCM).
// Arrival stamps rise at one constant rate; null packets keep arrival near the decode times;
// PCR travels alone on its own PID, so no PES start carries an adaptation field. At Stop the
// stream is padded to whole 32-packet units and "<clip>.ptsinfo" lists its entry points.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/base/file.h"
#include "platform/base/strings.h"
#include "platform/com/out_param.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/stock_filters.h"
#include "platform/filters/hdv_filters.h"
#include "platform/filters/hdv_interfaces.h"

namespace platform::filters {
namespace {

using dshow::CBaseFilter;
using dshow::CBaseInputPin;
using dshow::MediaSample;
using dshow::TypePattern;

constexpr int kPatPid = 0x0000, kPmtPid = 0x0100, kPcrPid = 0x1001, kVideoPid = 0x1011, kAudioPid = 0x1100;
constexpr std::int64_t kTicksPerPacket = 1450;  // 27 MHz ticks: 28 Mbit/s, above what HDV and LPCM need
constexpr std::int64_t kStartDelay = 27000;     // 90 kHz: the first PTS 0.3 s into the stream
constexpr std::int64_t kArrivalLead = 22500;    // packets arrive 0.25 s before they decode
constexpr std::size_t kLpcmBlock = 960;         // 5 ms of 48 kHz stereo 16-bit
constexpr std::size_t kUnitPackets = 32;

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= static_cast<std::uint32_t>(p[i]) << 24;
    for (int b = 0; b < 8; ++b) crc = (crc & 0x80000000) ? (crc << 1) ^ 0x04C11DB7 : crc << 1;
  }
  return crc;
}

void PutStamp(std::vector<std::uint8_t>& out, int marker, std::int64_t v) {
  v &= (std::int64_t{1} << 33) - 1;
  out.push_back(static_cast<std::uint8_t>((marker << 4) | ((v >> 29) & 0x0E) | 1));
  out.push_back(static_cast<std::uint8_t>(v >> 22));
  out.push_back(static_cast<std::uint8_t>(((v >> 14) & 0xFE) | 1));
  out.push_back(static_cast<std::uint8_t>(v >> 7));
  out.push_back(static_cast<std::uint8_t>(((v << 1) & 0xFE) | 1));
}

class BdMultiplexer : public CBaseFilter, public dshow::CFileSinkBase, public IQnBdOption, public IQnBdConfig {
 public:
  explicit BdMultiplexer(const CLSID& clsid) : CBaseFilter(clsid, "BD Multiplexer") {
    video_ = AddPin<dshow::CPatternInputPin>(
        "Video", std::vector<CMediaType>{TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO)});
    audio_ = AddPin<dshow::CPatternInputPin>("Audio",
                                             std::vector<CMediaType>{TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)});
  }
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)
  bool IsRenderer() const override { return true; }

  void Receive(CBaseInputPin* pin, const MediaSample& s) override {
    std::lock_guard lock(mutex_);
    if (failed_ || !file_.IsOpen()) return;
    if (pin == video_) WriteVideo(s);
    else WriteAudio(s);
  }
  void EndOfStream(CBaseInputPin*) override {
    if (++ended_ == CountPins(PINDIR_INPUT, true)) NotifyEvent(EC_COMPLETE, S_OK, 0);
  }

  STDMETHODIMP Reserved3() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
  STDMETHODIMP SetOption(DWORD) override { return S_OK; }
  STDMETHODIMP IsSupported(const GUID* parameter) override {
    return parameter && *parameter == QN_BD_PARAMETER ? S_OK : E_NOTIMPL;
  }
  STDMETHODIMP IsModifiable(const GUID* parameter) override { return IsSupported(parameter); }
  STDMETHODIMP GetParameterRange(const GUID*, VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetParameterValues(const GUID*, VARIANT**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP GetDefaultValue(const GUID*, VARIANT*) override { return E_NOTIMPL; }
  STDMETHODIMP SetValue(const GUID* parameter, VARIANT* value) override {
    if (!parameter || !value) return E_POINTER;
    if (*parameter != QN_BD_PARAMETER || value->vt != VT_UI4) return E_INVALIDARG;
    parameter_ = value->ulVal;
    return S_OK;
  }
  STDMETHODIMP GetValue(const GUID* parameter, VARIANT* value) override {
    if (!parameter || !value) return E_POINTER;
    if (*parameter != QN_BD_PARAMETER) return E_INVALIDARG;
    value->vt = VT_UI4;
    value->ulVal = parameter_;
    return S_OK;
  }
  STDMETHODIMP RegisterForEvent(const GUID*, LONG_PTR) override { return E_NOTIMPL; }
  STDMETHODIMP UnregisterForEvent(const GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP SetAllDefaults() override { return S_OK; }
  STDMETHODIMP SetValueWithNotify(const GUID* parameter, VARIANT* value) override { return SetValue(parameter, value); }
  STDMETHODIMP Commit(VARIANT* result) override { return result ? S_OK : E_POINTER; }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = dshow::Offer<IFileSinkFilter2>(this, riid)) return p;
    if (IID_IQnBdOption == riid && GetClass() == CLSID_QnBdMultiplexer) return static_cast<IQnBdOption*>(this);
    if (IID_IQnBdConfig == riid && GetClass() == CLSID_QnBdMultiplexer2) return static_cast<IQnBdConfig*>(this);
    return nullptr;
  }
  void OnRun(REFERENCE_TIME) override {
    ended_ = 0;
    std::lock_guard lock(mutex_);
    if (file_.IsOpen() || failed_ || FileName().empty()) return;
    if (!file_.Open(FileName(), platform::FileMode::Create)) return Fail();
    packets_ = 0;
    counters_.assign(0x2000, 0);
    entries_.clear();
    rolling_ = 0xFFFFFFFF;
    pendingSequence_ = pendingTime_ = false;
    base100ns_ = -1;
    audio_pts_ = -1;
    lpcm_.clear();
    WriteTables();
  }
  void OnStop() override {
    std::lock_guard lock(mutex_);
    if (!file_.IsOpen()) return;
    while (!failed_ && packets_ % kUnitPackets) WriteNull();
    const bool closed = file_.Close();
    if (!closed) Fail();
    WriteCompanion();
  }

 private:
  CLSID GetClass() {
    CLSID clsid;
    GetClassID(&clsid);
    return clsid;
  }
  void Fail() {
    if (!failed_) NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    failed_ = true;
  }
  std::int64_t Arrival() const { return packets_ * kTicksPerPacket; }
  // 90 kHz clock of a sample time, counted from the first sample the stream took.
  std::int64_t Ticks90(REFERENCE_TIME t) {
    if (base100ns_ < 0) base100ns_ = t;
    return (t - base100ns_) * 9 / 1000 + kStartDelay;
  }

  void Emit(const std::uint8_t* ts) {
    std::uint8_t packet[192];
    const std::uint32_t ats = static_cast<std::uint32_t>(Arrival() & 0x3FFFFFFF);
    packet[0] = static_cast<std::uint8_t>(ats >> 24);
    packet[1] = static_cast<std::uint8_t>(ats >> 16);
    packet[2] = static_cast<std::uint8_t>(ats >> 8);
    packet[3] = static_cast<std::uint8_t>(ats);
    std::memcpy(packet + 4, ts, 188);
    // After a failed write nothing more counts: the companion describes the packets on disk.
    if (failed_) return;
    if (!file_.Write(packet, sizeof packet)) return Fail();
    const int pid = (ts[1] & 0x1F) << 8 | ts[2];
    if (pid == kVideoPid) Scan(ts);
    ++packets_;
  }
  // The entry points as a reader scanning the clip finds them: a sequence header in a video PES
  // whose PTS is known, closed by the next video PES start.
  void Scan(const std::uint8_t* ts) {
    const std::int64_t number = packets_;
    if (ts[1] & 0x40) {
      if (pendingSequence_ && pendingTime_) entries_.push_back({sequencePacket_, pendingPts_, number});
      pendingSequence_ = pendingTime_ = false;
      if (ts[4] == 0 && ts[5] == 0 && ts[6] == 1 && ts[7] == 0xE0) {
        const std::uint8_t* p = ts + 13;
        pendingPts_ = (static_cast<std::int64_t>(p[0] & 0x0E) << 29) | (p[1] << 22) | ((p[2] & 0xFE) << 14) |
                      (p[3] << 7) | (p[4] >> 1);
        pendingTime_ = true;
      }
    }
    for (int i = 4; i < 188; ++i) {
      rolling_ = rolling_ << 8 | ts[i];
      if (rolling_ == 0x000001B3) {
        sequencePacket_ = number;
        pendingSequence_ = true;
      }
    }
  }
  void WriteNull() {
    std::uint8_t ts[188];
    std::memset(ts, 0xFF, sizeof ts);
    ts[0] = 0x47, ts[1] = 0x1F, ts[2] = 0xFF, ts[3] = 0x10;
    Emit(ts);
  }
  void WriteSection(int pid, std::vector<std::uint8_t> section) {
    const std::uint32_t crc = Crc32(section.data(), section.size());
    for (int i = 3; i >= 0; --i) section.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
    std::uint8_t ts[188];
    std::memset(ts, 0xFF, sizeof ts);
    ts[0] = 0x47;
    ts[1] = static_cast<std::uint8_t>(0x40 | pid >> 8);
    ts[2] = static_cast<std::uint8_t>(pid);
    ts[3] = static_cast<std::uint8_t>(0x10 | (counters_[static_cast<std::size_t>(pid)]++ & 0x0F));
    ts[4] = 0;
    std::memcpy(ts + 5, section.data(), section.size());
    Emit(ts);
  }
  void WriteTables() {
    WriteSection(kPatPid, {0x00, 0xB0, 13, 0x00, 0x00, 0xC1, 0, 0, 0x00, 0x01, 0xE0 | (kPmtPid >> 8), kPmtPid & 0xFF});
    std::vector<std::uint8_t> pmt{0x02,           0xB0, 0, 0x00, 0x01, 0xC1, 0,   0,   0xE0 | (kPcrPid >> 8),
                                  kPcrPid & 0xFF, 0xF0, 6, 0x05, 4,    'H',  'D', 'M', 'V'};
    const int streams[2][2] = {{0x02, kVideoPid}, {0x80, kAudioPid}};
    for (const auto& s : streams) {
      pmt.push_back(static_cast<std::uint8_t>(s[0]));
      pmt.push_back(static_cast<std::uint8_t>(0xE0 | s[1] >> 8));
      pmt.push_back(static_cast<std::uint8_t>(s[1]));
      pmt.push_back(0xF0);
      pmt.push_back(0x00);
    }
    pmt[2] = static_cast<std::uint8_t>(pmt.size() - 3 + 4);
    WriteSection(kPmtPid, pmt);
  }
  void WritePcr() {
    std::uint8_t ts[188];
    std::memset(ts, 0xFF, sizeof ts);
    ts[0] = 0x47, ts[1] = kPcrPid >> 8, ts[2] = kPcrPid & 0xFF, ts[3] = 0x20;  // adaptation only
    ts[4] = 183;
    ts[5] = 0x10;
    const std::int64_t stc = Arrival();
    const std::int64_t base = stc / 300, ext = stc % 300;
    ts[6] = static_cast<std::uint8_t>(base >> 25);
    ts[7] = static_cast<std::uint8_t>(base >> 17);
    ts[8] = static_cast<std::uint8_t>(base >> 9);
    ts[9] = static_cast<std::uint8_t>(base >> 1);
    ts[10] = static_cast<std::uint8_t>(((base & 1) << 7) | 0x7E | ((ext >> 8) & 1));
    ts[11] = static_cast<std::uint8_t>(ext);
    Emit(ts);
  }
  // One PES over packets: stuffing goes into the last packet's adaptation field (or, for a PES
  // of one packet, into the PES header), never into the packet that starts it.
  void WritePes(int pid, std::vector<std::uint8_t> pes) {
    if (pes.size() < 184) {
      const std::size_t pad = 184 - pes.size();
      pes.insert(pes.begin() + 9 + pes[8], pad, 0xFF);
      pes[8] = static_cast<std::uint8_t>(pes[8] + pad);
      if (pes[4] || pes[5]) {
        const std::size_t length = pes.size() - 6;
        pes[4] = static_cast<std::uint8_t>(length >> 8), pes[5] = static_cast<std::uint8_t>(length);
      }
    }
    std::size_t at = 0;
    while (at < pes.size()) {
      std::uint8_t ts[188];
      const std::size_t left = pes.size() - at;
      const bool first = at == 0;
      ts[0] = 0x47;
      ts[1] = static_cast<std::uint8_t>((first ? 0x40 : 0) | pid >> 8);
      ts[2] = static_cast<std::uint8_t>(pid);
      const std::uint8_t cc = static_cast<std::uint8_t>(counters_[static_cast<std::size_t>(pid)]++ & 0x0F);
      std::size_t head = 4;
      if (left < 184) {
        ts[3] = static_cast<std::uint8_t>(0x30 | cc);
        const std::size_t adaptation = 184 - left;  // bytes taken by the adaptation field
        ts[4] = static_cast<std::uint8_t>(adaptation - 1);
        if (adaptation > 1) {
          ts[5] = 0x00;
          std::memset(ts + 6, 0xFF, adaptation - 2);
        }
        head = 4 + adaptation;
      } else {
        ts[3] = static_cast<std::uint8_t>(0x10 | cc);
      }
      const std::size_t take = 188 - head;
      std::memcpy(ts + head, pes.data() + at, take);
      at += take;
      Emit(ts);
    }
  }
  void WriteVideo(const MediaSample& s) {
    if (s.data.empty() || s.start < 0) return;
    const std::int64_t pts = Ticks90(s.start);
    const std::int64_t dts = s.decode >= 0 ? Ticks90(s.decode) : pts;
    while (!failed_ && Arrival() < (dts - kArrivalLead) * 300) WriteNull();
    const bool sequence = s.data.size() >= 4 && s.data[0] == 0 && s.data[1] == 0 && s.data[2] == 1 && s.data[3] == 0xB3;
    if (sequence) WriteTables();
    WritePcr();
    std::vector<std::uint8_t> pes{0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80};
    const bool both = dts != pts;
    pes.push_back(both ? 0xC0 : 0x80);
    pes.push_back(both ? 10 : 5);
    PutStamp(pes, both ? 3 : 2, pts);
    if (both) PutStamp(pes, 1, dts);
    pes.insert(pes.end(), s.data.begin(), s.data.end());
    WritePes(kVideoPid, std::move(pes));
  }
  void WriteAudio(const MediaSample& s) {
    if (s.data.empty()) return;
    if (audio_pts_ < 0) {
      if (s.start < 0) return;
      audio_pts_ = Ticks90(s.start);
      audioSamples_ = 0;
    }
    lpcm_.insert(lpcm_.end(), s.data.begin(), s.data.end());
    std::size_t at = 0;
    while (lpcm_.size() - at >= kLpcmBlock) {
      const std::int64_t pts = audio_pts_ + audioSamples_ * 90000 / 48000;
      std::vector<std::uint8_t> pes{0x00, 0x00, 0x01, 0xBD, 0, 0, 0x80, 0x80, 5};
      PutStamp(pes, 2, pts);
      pes.push_back(static_cast<std::uint8_t>(kLpcmBlock >> 8));
      pes.push_back(static_cast<std::uint8_t>(kLpcmBlock & 0xFF));
      pes.push_back(0x31);                               // stereo, 48 kHz
      pes.push_back(0x40);                               // 16 bits
      for (std::size_t i = 0; i < kLpcmBlock; i += 2) {  // big-endian samples
        pes.push_back(lpcm_[at + i + 1]);
        pes.push_back(lpcm_[at + i]);
      }
      const std::size_t length = pes.size() - 6;
      pes[4] = static_cast<std::uint8_t>(length >> 8), pes[5] = static_cast<std::uint8_t>(length);
      WritePes(kAudioPid, std::move(pes));
      at += kLpcmBlock;
      audioSamples_ += kLpcmBlock / 4;
    }
    lpcm_.erase(lpcm_.begin(), lpcm_.begin() + static_cast<std::ptrdiff_t>(at));
  }
  // What was recorded is described even when the disk failed: the entries lie within the packets written.
  void WriteCompanion() {
    std::string text = platform::Format("%zu\n", entries_.size());
    for (const auto& e : entries_)
      text += platform::Format("%lld %lld %lld\n", static_cast<long long>(e.first), static_cast<long long>(e.pts),
                               static_cast<long long>(e.last));
    platform::File companion;
    if (!companion.Open(FileName() + ".ptsinfo", platform::FileMode::Create) || !companion.Write(text) ||
        !companion.Close())
      Fail();
  }

  struct Entry {
    std::int64_t first;
    std::int64_t pts;
    std::int64_t last;
  };
  CBaseInputPin* video_;
  CBaseInputPin* audio_;
  std::mutex mutex_;
  platform::File file_;
  bool failed_ = false;
  std::atomic<int> ended_{0};
  ULONG parameter_ = 0;
  std::int64_t packets_ = 0;
  std::vector<std::uint8_t> counters_;
  std::vector<Entry> entries_;
  std::uint32_t rolling_ = 0xFFFFFFFF;
  bool pendingSequence_ = false, pendingTime_ = false;
  std::int64_t sequencePacket_ = 0, pendingPts_ = 0;
  REFERENCE_TIME base100ns_ = -1;
  std::int64_t audio_pts_ = -1;
  std::int64_t audioSamples_ = 0;
  std::vector<std::uint8_t> lpcm_;
};

}  // namespace

HRESULT CreateBdMultiplexer(REFIID riid, void** ppv) {
  return com::HandOver(new BdMultiplexer(CLSID_QnBdMultiplexer), riid, ppv);
}
HRESULT CreateBdMultiplexer2(REFIID riid, void** ppv) {
  return com::HandOver(new BdMultiplexer(CLSID_QnBdMultiplexer2), riid, ppv);
}

}  // namespace platform::filters
