// "PSI Parser filter": reads the PAT and the PMTs it names from the demultiplexer's PSI pin (it
// maps the PMT PIDs onto that pin itself) and raises EC_USER + 100 once per new table version,
// when every program's PMT is known.
#include <mutex>
#include <vector>

#include "platform/com/out_param.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/uuids.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/filters/hdv_filters.h"
#include "platform/filters/hdv_interfaces.h"

namespace platform::filters {
namespace {

using dshow::CBaseFilter;
using dshow::CBaseInputPin;
using dshow::MediaSample;

struct Program {
  WORD number = 0;
  WORD pmtPid = 0;
  int pmtVersion = -1;
  WORD pcrPid = 0x1FFF;
  std::vector<std::pair<BYTE, WORD>> streams;  // type, PID
};

class PsiParser : public CBaseFilter, public IQnPsiParser {
 public:
  PsiParser() : CBaseFilter(CLSID_QnPsiParser, "PSI Parser") {
    input_ = AddPin<dshow::CPatternInputPin>("Input", std::vector<CMediaType>{dshow::TypePattern(MEDIATYPE_MPEG2_PSI)});
  }
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)

  void Receive(CBaseInputPin*, const MediaSample& s) override {
    const auto& d = s.data;
    if (d.size() < 12 || !(d[1] & 0x80)) return;
    const std::size_t length = 3 + ((d[1] & 0x0F) << 8 | d[2]);
    if (length > d.size() || length < 12) return;
    const int version = (d[5] >> 1) & 0x1F;
    const std::size_t end = length - 4;  // before the CRC
    std::vector<ULONG> newPmts;
    bool complete = false;
    {
      std::lock_guard lock(mutex_);
      if (d[0] == 0x00) {
        if (version == patVersion_) return;
        patVersion_ = version;
        tsId_ = static_cast<WORD>(d[3] << 8 | d[4]);
        programs_.clear();
        for (std::size_t i = 8; i + 4 <= end; i += 4) {
          const WORD number = static_cast<WORD>(d[i] << 8 | d[i + 1]);
          const WORD pid = static_cast<WORD>((d[i + 2] & 0x1F) << 8 | d[i + 3]);
          if (number == 0) continue;  // the network PID
          programs_.push_back({number, pid, -1, 0x1FFF, {}});
          newPmts.push_back(pid);
        }
        announced_ = false;
      } else if (d[0] == 0x02) {
        const WORD number = static_cast<WORD>(d[3] << 8 | d[4]);
        for (auto& p : programs_) {
          if (p.number != number || p.pmtVersion == version) continue;
          p.pmtVersion = version;
          p.pcrPid = static_cast<WORD>((d[8] & 0x1F) << 8 | d[9]);
          p.streams.clear();
          std::size_t i = 12 + ((d[10] & 0x0F) << 8 | d[11]);
          while (i + 5 <= end) {
            const BYTE type = d[i];
            const WORD pid = static_cast<WORD>((d[i + 1] & 0x1F) << 8 | d[i + 2]);
            p.streams.emplace_back(type, pid);
            i += 5 + ((d[i + 3] & 0x0F) << 8 | d[i + 4]);
          }
          announced_ = false;
        }
      }
      complete = !announced_ && !programs_.empty();
      for (const auto& p : programs_) complete = complete && p.pmtVersion >= 0;
      if (complete) announced_ = true;
    }
    if (!newPmts.empty()) MapOnUpstream(newPmts);
    if (complete) NotifyEvent(EC_QN_PSI_TABLES, 0, 0);
  }
  void EndOfStream(CBaseInputPin*) override {}

  STDMETHODIMP Start() override { return S_OK; }
  STDMETHODIMP GetTransportStreamId(WORD* id) override {
    std::lock_guard lock(mutex_);
    return com::CopyOut(id, tsId_);
  }
  STDMETHODIMP GetPatVersion(BYTE* version) override {
    std::lock_guard lock(mutex_);
    return com::CopyOut(version, static_cast<BYTE>(patVersion_ < 0 ? 0xFF : patVersion_));
  }
  STDMETHODIMP GetProgramCount(int* count) override {
    std::lock_guard lock(mutex_);
    return com::CopyOut(count, static_cast<int>(programs_.size()));
  }
  STDMETHODIMP GetProgramNumber(int program, WORD* number) override {
    return Read(program, number, [](const Program& p) { return p.number; });
  }
  STDMETHODIMP GetPmtPid(int program, WORD* pid) override {
    return Read(program, pid, [](const Program& p) { return p.pmtPid; });
  }
  STDMETHODIMP GetPmtVersion(int program, BYTE* version) override {
    return Read(program, version, [](const Program& p) { return static_cast<BYTE>(p.pmtVersion & 0xFF); });
  }
  STDMETHODIMP GetPcrPid(int program, WORD* pid) override {
    return Read(program, pid, [](const Program& p) { return p.pcrPid; });
  }
  STDMETHODIMP GetStreamCount(int program, WORD* count) override {
    return Read(program, count, [](const Program& p) { return static_cast<WORD>(p.streams.size()); });
  }
  STDMETHODIMP GetStreamType(int program, int stream, BYTE* type) override {
    return ReadStream(program, stream, type, [](const std::pair<BYTE, WORD>& s) { return s.first; });
  }
  STDMETHODIMP GetStreamPid(int program, int stream, WORD* pid) override {
    return ReadStream(program, stream, pid, [](const std::pair<BYTE, WORD>& s) { return s.second; });
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return dshow::Offer<IQnPsiParser>(this, riid); }
  void OnStop() override {
    std::lock_guard lock(mutex_);
    patVersion_ = -1;  // a new run reads (and announces) the tables again
    for (auto& p : programs_) p.pmtVersion = -1;
  }

 private:
  template <typename T, typename F>
  HRESULT Read(int program, T* out, F field) {
    if (!out) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (program < 0 || program >= static_cast<int>(programs_.size())) return E_INVALIDARG;
    *out = field(programs_[static_cast<std::size_t>(program)]);
    return S_OK;
  }
  template <typename T, typename F>
  HRESULT ReadStream(int program, int stream, T* out, F field) {
    if (!out) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (program < 0 || program >= static_cast<int>(programs_.size())) return E_INVALIDARG;
    const auto& streams = programs_[static_cast<std::size_t>(program)].streams;
    if (stream < 0 || stream >= static_cast<int>(streams.size())) return E_INVALIDARG;
    *out = field(streams[static_cast<std::size_t>(stream)]);
    return S_OK;
  }
  void MapOnUpstream(std::vector<ULONG> pids) {
    IPin* peer = input_->Peer();
    if (!peer) return;
    CComPtr<IMPEG2PIDMap> map;
    if (SUCCEEDED(peer->QueryInterface(IID_IMPEG2PIDMap, reinterpret_cast<void**>(&map))))
      map->MapPID(static_cast<ULONG>(pids.size()), pids.data(), MEDIA_MPEG2_PSI);
  }

  CBaseInputPin* input_;
  std::mutex mutex_;
  int patVersion_ = -1;
  WORD tsId_ = 0;
  std::vector<Program> programs_;
  bool announced_ = false;
};

}  // namespace

HRESULT CreatePsiParser(REFIID riid, void** ppv) { return com::HandOver(new PsiParser, riid, ppv); }

}  // namespace platform::filters
