// The maker's stream writer: writes its samples as delivered into parts of at most the set size
// ("name.ext", then "name_1.ext", "name_2.ext", ...), a new part only between samples, so whole
// transport packets or packs stay together. A transport stream is cut only where a picture
// sequence begins (before the program tables sent just ahead of it), so every part plays and
// pictures on its own, and the parts joined are the stream as delivered. With its dump switch
// off it opens nothing.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/base/file.h"
#include "platform/base/strings.h"
#include "platform/com/out_param.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/stock_filters.h"
#include "platform/dshow/transform_filter.h"
#include "platform/filters/hdv_filters.h"
#include "platform/filters/hdv_interfaces.h"

namespace platform::filters {
namespace {

using dshow::CBaseInputPin;
using dshow::MediaSample;

constexpr std::size_t kTsPacket = 188;

bool IsTransportStream(const std::vector<std::uint8_t>& data) {
  if (data.empty() || data.size() % kTsPacket) return false;
  for (std::size_t at = 0; at < data.size(); at += kTsPacket)
    if (data[at] != 0x47) return false;
  return true;
}

// Where the packet's payload begins, or the packet's size when it carries none.
std::size_t PayloadStart(const std::uint8_t* p) {
  const int control = (p[3] >> 4) & 3;
  if (control == 2) return kTsPacket;
  const std::size_t at = control == 3 ? 5 + std::size_t{p[4]} : 4;
  return at < kTsPacket ? at : kTsPacket;
}

bool StartsUnit(const std::uint8_t* p) { return (p[1] & 0x40) != 0; }
int PacketId(const std::uint8_t* p) { return ((p[1] & 0x1F) << 8) | p[2]; }

// The program association (table 0) or a program map (table 2) starting in this packet.
bool StartsProgramTable(const std::uint8_t* p, int tableId) {
  if (!StartsUnit(p)) return false;
  const std::size_t at = PayloadStart(p);
  if (at >= kTsPacket) return false;
  const std::size_t table = at + 1 + p[at];
  return table < kTsPacket && p[table] == tableId && (tableId != 0 || PacketId(p) == 0);
}

// A video PES that starts with a sequence header (MPEG-2) or is flagged a random access point.
bool StartsPictureSequence(const std::uint8_t* p) {
  if (!StartsUnit(p)) return false;
  const bool randomAccess = ((p[3] >> 4) & 3) == 3 && p[4] > 0 && (p[5] & 0x40);
  const std::size_t at = PayloadStart(p);
  if (at + 9 > kTsPacket || p[at] != 0 || p[at + 1] != 0 || p[at + 2] != 1 || (p[at + 3] & 0xF0) != 0xE0) return false;
  if (randomAccess) return true;
  for (std::size_t i = at + 9 + p[at + 8]; i + 4 <= kTsPacket; ++i)
    if (p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1 && p[i + 3] == 0xB3) return true;
  return false;
}

class StreamWriter : public dshow::CRendererFilter,
                     public dshow::CFileSinkBase,
                     public IQnStreamWriter,
                     public IQnDumpSwitch {
 public:
  StreamWriter() : CRendererFilter(CLSID_QnStreamWriter, "Stream Writer", {}, "Input") {}
  DSHOW_FORWARD_IUNKNOWN(CRendererFilter)

  STDMETHODIMP SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* mt) override {
    std::lock_guard lock(mutex_);
    const HRESULT hr = CFileSinkBase::SetFileName(file, mt);
    if (FAILED(hr)) return hr;
    file_.Close();
    pending_.clear();
    sequenceFound_ = false;
    tablesAt_ = kNoTables;
    bytes_ = 0;
    parts_ = 0;
    partBytes_ = 0;
    failed_ = false;
    return S_OK;
  }
  STDMETHODIMP SetMaxPartSize(DWORD low, DWORD high) override {
    maxPart_ = static_cast<ULONGLONG>(high) << 32 | low;
    return S_OK;
  }
  STDMETHODIMP GetMaxPartSize(ULONGLONG* size) override { return com::CopyOut(size, maxPart_.load()); }
  STDMETHODIMP GetBytesWritten(ULONGLONG* bytes) override { return com::CopyOut(bytes, bytes_.load()); }
  STDMETHODIMP GetCurrentPart(DWORD* part) override {
    return com::CopyOut(part, parts_.load() ? parts_.load() - 1 : 0);
  }
  STDMETHODIMP GetFileCount(DWORD* count) override { return com::CopyOut(count, parts_.load()); }
  STDMETHODIMP GetEnable(BOOL* on) override { return com::CopyOut(on, enabled_.load() ? TRUE : FALSE); }
  STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
  STDMETHODIMP SetEnable(BOOL on) override {
    enabled_ = on != 0;
    if (!on) {
      std::lock_guard lock(mutex_);
      DropVideoBeforeSequence();
      CommitPending(pending_.size());
      file_.Close();
    }
    return S_OK;
  }

  // The name of part n: the set name itself first, then "%s_%d<ext>" from 1.
  static std::string PartName(const std::string& name, DWORD n) {
    if (n == 0) return name;
    const std::size_t slash = name.find_last_of('/');
    const std::size_t dot = name.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExt ? name.substr(0, dot) : name;
    const std::string ext = hasExt ? name.substr(dot) : "";
    return platform::Format("%s_%u%s", stem.c_str(), static_cast<unsigned>(n), ext.c_str());
  }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = dshow::Offer<IFileSinkFilter2>(this, riid)) return p;
    if (void* p = dshow::Offer<IQnStreamWriter>(this, riid)) return p;
    return dshow::Offer<IQnDumpSwitch>(this, riid);
  }
  void Render(const MediaSample& s) override {
    if (!enabled_ || s.data.empty()) return;
    std::lock_guard lock(mutex_);
    if (failed_ || FileName().empty()) return;
    if (IsVideoElementary() && !sequenceFound_) return WriteFromFirstSequence(s.data);
    if (!maxPart_ || !IsTransportStream(s.data)) {
      CommitPending(pending_.size());
      WriteCut(s.data.data(), s.data.size());
      return;
    }
    for (std::size_t at = 0; at < s.data.size(); at += kTsPacket) {
      const std::uint8_t* packet = s.data.data() + at;
      if (StartsPictureSequence(packet)) CommitPending(tablesAt_);
      // A sequence longer than a part is cut as it comes: parts stay within the set size.
      else if (pending_.size() + kTsPacket > maxPart_) CommitPending(pending_.size());
      const bool table = PacketId(packet) == 0 || StartsProgramTable(packet, 2);
      if (StartsProgramTable(packet, 0) && tablesAt_ == kNoTables) tablesAt_ = pending_.size();
      else if (!table) tablesAt_ = kNoTables;
      pending_.insert(pending_.end(), packet, packet + kTsPacket);
    }
  }
  void OnStop() override {
    CRendererFilter::OnStop();
    std::lock_guard lock(mutex_);
    DropVideoBeforeSequence();
    CommitPending(pending_.size());
    if (file_.IsOpen() && !file_.Close()) Fail();
  }

 private:
  bool IsVideoElementary() const {
    const CMediaType& mt = Input()->ConnectedType();
    return mt.majortype == MEDIATYPE_Video && mt.subtype == MEDIASUBTYPE_MPEG2_VIDEO;
  }
  // MPEG video written alone begins at its first sequence header, where a reader learns the
  // picture size; what comes before it cannot be decoded. A header split between samples is
  // found across them.
  void WriteFromFirstSequence(const std::vector<std::uint8_t>& data) {
    pending_.insert(pending_.end(), data.begin(), data.end());
    const std::uint8_t header[] = {0x00, 0x00, 0x01, 0xB3};
    const auto at = std::search(pending_.begin(), pending_.end(), std::begin(header), std::end(header));
    if (at == pending_.end()) {
      pending_.erase(pending_.begin(), pending_.end() - std::min<std::ptrdiff_t>(3, std::ssize(pending_)));
      return;
    }
    pending_.erase(pending_.begin(), at);
    sequenceFound_ = true;
    CommitPending(pending_.size());
  }
  void DropVideoBeforeSequence() {
    if (!sequenceFound_ && IsVideoElementary()) pending_.clear();
  }
  // Writes whole into the current part, or starts the next part when it would not fit.
  void WriteCut(const std::uint8_t* data, std::size_t size) {
    if (failed_ || size == 0) return;
    const ULONGLONG limit = maxPart_;
    if (file_.IsOpen() && limit && partBytes_ > 0 && partBytes_ + size > limit) file_.Close();
    if (!file_.IsOpen()) {
      // A recording that stopped and goes on continues in its next part.
      if (!file_.Open(PartName(FileName(), parts_), platform::FileMode::Create)) return Fail();
      ++parts_;
      partBytes_ = 0;
    }
    if (!file_.Write(data, size)) return Fail();
    partBytes_ += size;
    bytes_ += size;
  }
  // The packets held since the last sequence start go out together, up to `end`; the tables
  // from there on lead the next sequence.
  void CommitPending(std::size_t end) {
    if (end == kNoTables || end > pending_.size()) end = pending_.size();
    WriteCut(pending_.data(), end);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(end));
    tablesAt_ = pending_.empty() ? kNoTables : 0;
  }

  void Fail() {
    if (!failed_) NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    failed_ = true;
    file_.Close();
  }

  std::mutex mutex_;
  platform::File file_;
  std::atomic<bool> enabled_{true};
  std::atomic<ULONGLONG> maxPart_{0};
  std::atomic<ULONGLONG> bytes_{0};
  std::atomic<DWORD> parts_{0};
  ULONGLONG partBytes_ = 0;
  bool failed_ = false;
  bool sequenceFound_ = false;
  std::vector<std::uint8_t> pending_;
  // Where in `pending_` the program tables sent ahead of the next sequence begin.
  static constexpr std::size_t kNoTables = static_cast<std::size_t>(-1);
  std::size_t tablesAt_ = kNoTables;
};

}  // namespace

HRESULT CreateStreamWriter(REFIID riid, void** ppv) { return com::HandOver(new StreamWriter, riid, ppv); }

}  // namespace platform::filters
