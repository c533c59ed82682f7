// MPEG-2 Demultiplexer for transport streams: output pins are made on request and take PID maps
// (changeable while running); a pin gets whole transport packets, complete PSI sections, or the
// elementary stream of its PES packets, one PES per sample with its PTS and DTS. Sync is found
// again after lost bytes. Its reference clock follows the stream's PCR.
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

#include "platform/com/out_param.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/stock_filters.h"
#include "platform/dshow/writer_interfaces.h"

namespace platform::dshow {
namespace {

constexpr std::size_t kPacket = 188;

std::int64_t Stamp(const BYTE* p) {
  return (static_cast<std::int64_t>(p[0] & 0x0E) << 29) | (p[1] << 22) | ((p[2] & 0xFE) << 14) | (p[3] << 7) |
         (p[4] >> 1);
}

class PidMapEnum : public IEnumPIDMap {
 public:
  explicit PidMapEnum(std::vector<PID_MAP> maps) : maps_(std::move(maps)) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumPIDMap) {
      *ppv = static_cast<IEnumPIDMap*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP Next(ULONG count, PID_MAP* maps, ULONG* fetched) override {
    if (!maps && count) return E_POINTER;
    ULONG got = 0;
    while (got < count && at_ < maps_.size()) maps[got++] = maps_[at_++];
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    at_ = std::min(maps_.size(), at_ + count);
    return at_ < maps_.size() ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    at_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumPIDMap** clone) override {
    if (!clone) return E_POINTER;
    auto* copy = new PidMapEnum(maps_);
    copy->at_ = at_;
    *clone = copy;
    return S_OK;
  }

 private:
  virtual ~PidMapEnum() = default;
  std::atomic<ULONG> refs_{1};
  std::vector<PID_MAP> maps_;
  std::size_t at_ = 0;
};

class Mpeg2Demultiplexer : public CBaseFilter, public IMpeg2Demultiplexer, public IReferenceClock {
 public:
  Mpeg2Demultiplexer() : CBaseFilter(CLSID_MPEG2Demultiplexer, "MPEG-2 Demultiplexer") {
    AddPin<CPatternInputPin>("MPEG-2 Stream",
                             std::vector<CMediaType>{TypePattern(GUID_NULL, MEDIASUBTYPE_MPEG2_TRANSPORT)});
  }
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)

  // A sample holds a few hundred packets: the outputs and their PID maps are read once for all of
  // them, not under a lock at each, and a sample that leaves no bytes of an earlier one over is
  // read where it lies.
  void Receive(CBaseInputPin*, const MediaSample& sample) override {
    std::lock_guard lock(streamMutex_);
    TakeRoutes();
    const bool joined = !pending_.empty();
    if (joined) pending_.insert(pending_.end(), sample.data.begin(), sample.data.end());
    const BYTE* data = joined ? pending_.data() : sample.data.data();
    const std::size_t size = joined ? pending_.size() : sample.data.size();
    std::size_t at = 0;
    while (size - at >= kPacket) {
      if (data[at] != 0x47 || (size - at >= 2 * kPacket && data[at + kPacket] != 0x47)) {
        ++at;  // lost sync: look for the next packet start
        continue;
      }
      Packet(data + at);
      at += kPacket;
    }
    if (joined) pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
    else pending_.assign(data + at, data + size);
    for (const Route& route : routes_) route.out->FlushPackets();
  }
  void EndOfStream(CBaseInputPin*) override {
    std::lock_guard lock(streamMutex_);
    for (CBasePin* p : Pins())
      if (auto* out = dynamic_cast<Out*>(p)) {
        out->FlushPes(*this);
        out->FlushPackets();
        out->DeliverEndOfStream();
      }
  }

  STDMETHODIMP CreateOutputPin(AM_MEDIA_TYPE* mt, LPCOLESTR name, IPin** pin) override {
    if (!mt || !name || !pin) return E_POINTER;
    *pin = nullptr;
    if (PinByName(name)) return E_INVALIDARG;
    if (State() != State_Stopped) return VFW_E_NOT_STOPPED;
    Out* out = AddPin<Out>(name, CMediaType(*mt));
    *pin = out;
    out->AddRef();
    return S_OK;
  }
  STDMETHODIMP SetOutputPinMediaType(LPCOLESTR name, AM_MEDIA_TYPE* mt) override {
    if (!name || !mt) return E_POINTER;
    auto* out = dynamic_cast<Out*>(PinByName(name));
    if (!out) return VFW_E_NOT_FOUND;
    out->SetMediaTypes({CMediaType(*mt)});
    return S_OK;
  }
  STDMETHODIMP DeleteOutputPin(LPCOLESTR name) override {
    if (!name) return E_POINTER;
    auto* out = dynamic_cast<Out*>(PinByName(name));
    if (!out) return VFW_E_NOT_FOUND;
    if (out->IsConnected()) return VFW_E_ALREADY_CONNECTED;
    RemovePin(out);
    return S_OK;
  }

  // Stream time as the PCR tells it, moved on by the process clock since the last PCR.
  STDMETHODIMP GetTime(REFERENCE_TIME* time) override {
    if (!time) return E_POINTER;
    std::lock_guard lock(clockMutex_);
    const REFERENCE_TIME now = ProcessClockTime();
    *time = havePcr_ ? pcrTime_ + (now - pcrAt_) : now;
    return S_OK;
  }

  // The stream time of a 90 kHz stamp, counted from the first stamp or PCR seen.
  REFERENCE_TIME StreamTime(std::int64_t ticks) {
    if (base_ < 0) base_ = ticks;
    std::int64_t delta = (ticks - base_) & ((std::int64_t{1} << 33) - 1);
    if (delta >= (std::int64_t{1} << 32)) delta -= std::int64_t{1} << 33;  // a little before the base
    return delta * 1000 / 9;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = Offer<IReferenceClock>(this, riid)) return p;
    return Offer<IMpeg2Demultiplexer>(this, riid);
  }
  void OnStop() override {
    std::lock_guard lock(streamMutex_);
    pending_.clear();
    base_ = -1;
    for (CBasePin* p : Pins())
      if (auto* out = dynamic_cast<Out*>(p)) out->Clear();
  }

 private:
  class Out : public CBaseOutputPin, public IMPEG2PIDMap {
   public:
    Out(CBaseFilter* f, std::string name, CMediaType mt) : CBaseOutputPin(f, std::move(name)) {
      SetMediaTypes({std::move(mt)});
    }
    DSHOW_FORWARD_IUNKNOWN(CBaseOutputPin)
    STDMETHODIMP MapPID(ULONG count, ULONG* pids, MEDIA_SAMPLE_CONTENT content) override {
      if (!pids && count) return E_POINTER;
      if (content < MEDIA_TRANSPORT_PACKET || content > MEDIA_TRANSPORT_PAYLOAD) return E_INVALIDARG;
      std::lock_guard lock(mapMutex_);
      for (ULONG i = 0; i < count; ++i) {
        if (pids[i] > 0x1FFF) return E_INVALIDARG;
        maps_[pids[i]] = content;
        ++mapVersion_;
      }
      return S_OK;
    }
    STDMETHODIMP UnmapPID(ULONG count, ULONG* pids) override {
      if (!pids && count) return E_POINTER;
      std::lock_guard lock(mapMutex_);
      for (ULONG i = 0; i < count; ++i) maps_.erase(pids[i]);
      ++mapVersion_;
      return S_OK;
    }
    STDMETHODIMP EnumPIDMap(IEnumPIDMap** out) override {
      if (!out) return E_POINTER;
      std::vector<PID_MAP> list;
      {
        std::lock_guard lock(mapMutex_);
        for (auto [pid, content] : maps_) list.push_back({pid, content});
      }
      *out = new PidMapEnum(std::move(list));
      return S_OK;
    }
    // The PIDs this pin takes and the content of each; the map's version, which every change moves on.
    unsigned CopyMap(std::vector<std::pair<ULONG, int>>* into) {
      std::lock_guard lock(mapMutex_);
      into->assign(maps_.begin(), maps_.end());
      return mapVersion_;
    }
    unsigned MapVersion() const { return mapVersion_.load(std::memory_order_acquire); }

    void AddPacket(const BYTE* p) { packets_.insert(packets_.end(), p, p + kPacket); }
    void FlushPackets() {
      if (packets_.empty()) return;
      MediaSample s;
      s.data.swap(packets_);
      Deliver(s);
    }
    // Section bytes of one PID: a section is handed on when it is complete.
    void AddSection(ULONG pid, const BYTE* payload, std::size_t size, bool start) {
      auto& buf = sections_[pid];
      if (start) {
        const std::size_t pointer = size ? payload[0] : 0;
        if (pointer + 1 > size) return;
        if (!buf.empty() && pointer) buf.insert(buf.end(), payload + 1, payload + 1 + pointer);
        EmitSections(buf);
        buf.assign(payload + 1 + pointer, payload + size);
      } else {
        if (buf.empty()) return;
        buf.insert(buf.end(), payload, payload + size);
      }
      EmitSections(buf);
    }
    void AddPes(Mpeg2Demultiplexer& demux, const BYTE* payload, std::size_t size, bool start) {
      if (start) {
        FlushPes(demux);
        pes_.assign(payload, payload + size);
      } else if (!pes_.empty()) {
        pes_.insert(pes_.end(), payload, payload + size);
        // A PES of known length is complete as soon as it is all here.
        const std::size_t length = pes_.size() >= 6 ? (pes_[4] << 8 | pes_[5]) : 0;
        if (length && pes_.size() >= length + 6) FlushPes(demux);
      }
    }
    void FlushPes(Mpeg2Demultiplexer& demux) {
      if (pes_.size() < 9 || pes_[0] != 0 || pes_[1] != 0 || pes_[2] != 1) {
        pes_.clear();
        return;
      }
      const std::size_t header = 9 + pes_[8];
      if (header > pes_.size()) {
        pes_.clear();
        return;
      }
      MediaSample s;
      const int flags = pes_[7] >> 6;
      if ((flags & 2) && pes_.size() >= 14) {
        s.start = demux.StreamTime(Stamp(&pes_[9]));
        s.decode = flags == 3 && pes_.size() >= 19 ? demux.StreamTime(Stamp(&pes_[14])) : s.start;
        s.stop = s.start + 1;
        s.syncPoint = true;
      } else {
        s.start = s.stop = -1;
        s.syncPoint = false;
      }
      const std::size_t length = pes_[4] << 8 | pes_[5];
      const std::size_t end = length ? std::min(pes_.size(), length + 6) : pes_.size();
      s.data.assign(pes_.begin() + static_cast<std::ptrdiff_t>(header),
                    pes_.begin() + static_cast<std::ptrdiff_t>(end));
      s.index = index_++;
      pes_.clear();
      if (!s.data.empty()) Deliver(s);
    }
    void Clear() {
      packets_.clear();
      sections_.clear();
      pes_.clear();
      index_ = 0;
    }

   protected:
    void* GetPinInterface(REFIID riid) override { return Offer<IMPEG2PIDMap>(this, riid); }

   private:
    void EmitSections(std::vector<BYTE>& buf) {
      while (buf.size() >= 3 && buf[0] != 0xFF) {
        const std::size_t length = 3 + ((buf[1] & 0x0F) << 8 | buf[2]);
        if (buf.size() < length) return;
        MediaSample s;
        s.data.assign(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(length));
        buf.erase(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(length));
        Deliver(s);
      }
      if (!buf.empty() && buf[0] == 0xFF) buf.clear();  // stuffing ends the packet's sections
    }

    std::mutex mapMutex_;
    std::map<ULONG, MEDIA_SAMPLE_CONTENT> maps_;
    std::atomic<unsigned> mapVersion_{0};
    std::vector<BYTE> packets_;
    std::map<ULONG, std::vector<BYTE>> sections_;
    std::vector<BYTE> pes_;
    long long index_ = 0;
  };

  void Packet(const BYTE* p) {
    const ULONG pid = static_cast<ULONG>((p[1] & 0x1F) << 8 | p[2]);
    const bool start = (p[1] & 0x40) != 0;
    const int control = (p[3] >> 4) & 3;
    std::size_t payload = 4;
    if (control & 2) {
      payload = 5 + p[4];
      if (p[4] >= 7 && (p[5] & 0x10)) {
        const std::int64_t base =
            (static_cast<std::int64_t>(p[6]) << 25) | (p[7] << 17) | (p[8] << 9) | (p[9] << 1) | (p[10] >> 7);
        std::lock_guard lock(clockMutex_);
        pcrTime_ = StreamTime(base);
        pcrAt_ = ProcessClockTime();
        havePcr_ = true;
      }
    }
    const bool hasPayload = (control & 1) && payload < kPacket;
    for (Route& route : routes_) {
      Out* out = route.out;
      // A map changed meanwhile (as a table read from this very sample may change it) applies at once.
      if (out->MapVersion() != route.version) route.version = out->CopyMap(&route.pids);
      const int content = route.ContentOf(pid);
      if (content == MEDIA_TRANSPORT_PACKET) out->AddPacket(p);
      if (!hasPayload) continue;
      if (content == MEDIA_MPEG2_PSI) out->AddSection(pid, p + payload, kPacket - payload, start);
      if (content == MEDIA_ELEMENTARY_STREAM) out->AddPes(*this, p + payload, kPacket - payload, start);
    }
  }

  // An output and a copy of the PIDs it takes, read again only when its map has changed.
  struct Route {
    Out* out = nullptr;
    unsigned version = 0;
    std::vector<std::pair<ULONG, int>> pids;
    int ContentOf(ULONG pid) const {
      for (const auto& [mapped, content] : pids)
        if (mapped == pid) return content;
      return -1;
    }
  };
  void TakeRoutes() {
    std::size_t n = 0;
    for (CBasePin* p : Pins())
      if (auto* out = dynamic_cast<Out*>(p)) {
        if (n == routes_.size()) routes_.emplace_back();
        routes_[n].out = out;
        routes_[n].version = out->CopyMap(&routes_[n].pids);
        ++n;
      }
    routes_.resize(n);
  }

  std::mutex streamMutex_;
  std::vector<Route> routes_;  // under streamMutex_
  std::vector<BYTE> pending_;
  std::int64_t base_ = -1;
  std::mutex clockMutex_;
  REFERENCE_TIME pcrTime_ = 0;
  REFERENCE_TIME pcrAt_ = 0;
  bool havePcr_ = false;
};

}  // namespace

HRESULT CreateMpeg2Demultiplexer(REFIID riid, void** ppv) { return com::HandOver(new Mpeg2Demultiplexer, riid, ppv); }

}  // namespace platform::dshow
