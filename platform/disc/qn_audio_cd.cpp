#include "platform/disc/qn_audio_cd.h"

#include <algorithm>
#include <cstring>

#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/disc/sense_codes.h"

using namespace platform::disc;

namespace {

constexpr std::uint32_t kSector = kAudioBlockBytes;

std::uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24; }

// The samples of a WAV file (its "data" chunk), or the whole file when it has no RIFF header.
bool FindSamples(const std::string& path, std::uint64_t* offset, std::uint64_t* bytes) {
  platform::File file(path, platform::FileMode::Read);
  const std::int64_t size = file.Size();
  if (!file.IsOpen() || size < 0) return false;
  unsigned char header[12];
  if (size < 12 || !file.ReadExact(header, 12) || std::memcmp(header, "RIFF", 4) ||
      std::memcmp(header + 8, "WAVE", 4)) {
    *offset = 0;
    *bytes = static_cast<std::uint64_t>(size);
    return true;
  }
  std::uint64_t at = 12;
  unsigned char chunk[8];
  while (at + 8 <= static_cast<std::uint64_t>(size)) {
    if (!file.Seek(static_cast<std::int64_t>(at), platform::SeekFrom::Begin) || !file.ReadExact(chunk, 8)) return false;
    const std::uint64_t length = Le32(chunk + 4);
    if (!std::memcmp(chunk, "data", 4)) {
      *offset = at + 8;
      *bytes = std::min<std::uint64_t>(length, static_cast<std::uint64_t>(size) - *offset);
      return true;
    }
    at += 8 + length + (length & 1);
  }
  return false;
}

std::string Msf(std::uint32_t sectors) {
  return platform::Format("%02u:%02u:%02u", sectors / 75 / 60, sectors / 75 % 60, sectors % 75);
}

std::string CuePath(const DriveDesc& d) { return d.imageFolder + d.id + ".cue"; }

}  // namespace

CQnAudioCD::CQnAudioCD() { drives_.Select(1); }

CQnAudioCD::~CQnAudioCD() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

unsigned char CQnAudioCD::GetDriveCount() {
  return static_cast<unsigned char>(std::min<std::size_t>(drives_.Count(), 255));
}
char* CQnAudioCD::GetDriveName(unsigned char index) { return const_cast<char*>(drives_.Name(index)); }
int CQnAudioCD::ChooseDrive(unsigned char index) { return drives_.Choose(index) ? 1 : 0; }
int CQnAudioCD::IsErasable() { return drives_.IsErasable() ? 1 : 0; }

int CQnAudioCD::StartErase(int, Callback callback, void* context) {
  if (busy_ || !eraser_.Start(drives_.Current(), callback, context)) {
    error_ = kSenseEraseFailed;
    return 0;
  }
  return 1;
}

int CQnAudioCD::LoadMedium() { return drives_.Load() ? 1 : 0; }
int CQnAudioCD::UnloadMedium() { return drives_.Unload() ? 1 : 0; }
int CQnAudioCD::TestUnitReady() { return drives_.TestUnitReady() ? 1 : 0; }
unsigned char CQnAudioCD::GetDiscType() { return drives_.DiscType(); }
int CQnAudioCD::SupportDisc(unsigned char capability) { return drives_.Supports(capability) ? 1 : 0; }
unsigned long CQnAudioCD::GetFreeDiscBlock() { return drives_.FreeBlocks(); }

int CQnAudioCD::Free() {
  tracks_.clear();
  return 1;
}

// An audio CD is always closed: its table of contents is written with the tracks.
void CQnAudioCD::SetFinalizeDisc(int) {}

int CQnAudioCD::AddAudio(const char* path, int, unsigned short pregap, int) {
  Track t;
  if (!path || !FindSamples(path, &t.dataOffset, &t.bytes)) return 0;
  t.path = path;
  t.pregap = pregap ? pregap : 150;
  tracks_.push_back(std::move(t));
  return 1;
}

int CQnAudioCD::StartBurn(Callback callback, void* context) {
  SimDrive* drive = drives_.Current();
  auto refuse = [&](std::uint32_t code) {
    error_ = code;
    return 0;
  };
  if (busy_) return refuse(kSenseNotReady);
  if (thread_.joinable()) thread_.join();
  if (!drive) return refuse(kSenseNoMedium);
  // Audio tracks in SAO on real drives are not written yet.
  if (drive->Desc().IsReal()) return refuse(kSenseIncompatible);
  if (tracks_.empty()) return refuse(kSenseBadRequest);
  std::uint64_t sectors = 0;
  for (const auto& t : tracks_) sectors += t.pregap + (t.bytes + kSector - 1) / kSector;
  if (sectors > 0xFFFFFFFFu) return refuse(kSenseNoSpace);
  std::lock_guard startLock(startMutex_);
  std::uint32_t refused = 0;
  const bool marked = drive->Change([&](MediumState& s) {
    if (s.trayOpen || s.kind == kNoDisc) refused = kSenseNoMedium;
    else if (s.burning) refused = kSenseNotReady;
    else if (!IsCd(s.kind) || !drive->Desc().Writes(CapabilityFor(s.kind))) refused = kSenseIncompatible;
    else if (s.used) refused = kSenseMediumClosed;
    else if (sectors > s.capacity) refused = kSenseNoSpace;
    if (refused) return;
    s.burning = s.used = true;
    s.finalized = false;
  });
  if (!marked) return refuse(kSenseNotReady);
  if (refused) return refuse(refused);
  stop_ = false;
  toWrite_ = static_cast<std::uint32_t>(sectors);
  written_ = 0;
  error_ = 0;
  busy_ = true;
  thread_ = std::thread(&CQnAudioCD::Run, this, drive, tracks_, callback, context);
  return 1;
}

bool CQnAudioCD::Write(SimDrive* drive, const std::vector<Track>& tracks) {
  const DriveDesc& desc = drive->Desc();
  platform::File bin(desc.ImagePath(), platform::FileMode::Create);
  if (!bin.IsOpen()) return error_ = kSenseWriteError, false;
  const std::string binName = platform::FileNameOf(desc.ImagePath());
  std::string cue = "FILE \"" + binName + "\" BINARY\r\n";
  std::vector<unsigned char> sector(kSector);
  const std::uint64_t startMs = platform::CurrentClock().NowMs();
  std::uint32_t at = 0;
  auto put = [&](const unsigned char* data) {
    if (stop_) return error_ = kSenseAborted, false;
    if (desc.hasWriteFault && at >= desc.writeFault.block) return error_ = desc.writeFault.sense, false;
    if (!bin.Write(data, kSector)) return error_ = kSenseWriteError, false;
    written_ = ++at;
    if (desc.pace) {
      const std::uint64_t due = startMs + static_cast<std::uint64_t>(at) * 1000 / desc.pace;
      const std::uint64_t now = platform::CurrentClock().NowMs();
      if (due > now) platform::CurrentClock().SleepMs(static_cast<DWORD>(due - now));
    }
    return true;
  };
  int number = 0;
  for (const auto& t : tracks) {
    cue += platform::Format("  TRACK %02d AUDIO\r\n    INDEX 00 %s\r\n", ++number, Msf(at).c_str());
    std::fill(sector.begin(), sector.end(), 0);
    for (std::uint32_t i = 0; i < t.pregap; ++i)
      if (!put(sector.data())) return false;
    cue += "    INDEX 01 " + Msf(at) + "\r\n";
    platform::File source(t.path, platform::FileMode::Read);
    if (!source.IsOpen() || !source.Seek(static_cast<std::int64_t>(t.dataOffset), platform::SeekFrom::Begin))
      return error_ = kSenseSourceUnreadable, false;
    std::uint64_t left = t.bytes;
    while (left > 0) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kSector));
      std::fill(sector.begin(), sector.end(), 0);
      if (!source.ReadExact(sector.data(), want)) return error_ = kSenseSourceUnreadable, false;
      if (!put(sector.data())) return false;
      left -= want;
    }
  }
  if (!bin.Close() || !platform::WriteWholeFileAtomic(CuePath(desc), cue)) return error_ = kSenseWriteError, false;
  return true;
}

void CQnAudioCD::Run(SimDrive* drive, std::vector<Track> tracks, Callback callback, void* context) {
  const bool ok = Write(drive, tracks);
  const std::uint32_t written = written_;
  drive->Change([&](MediumState& s) {
    s.burning = false;
    s.used = true;
    s.usedBlocks = written;
    s.finalized = ok;
  });
  busy_ = false;
  { std::lock_guard wait(startMutex_); }
  if (callback) callback(ok ? 0 : 1, context);
}

void CQnAudioCD::StopBurn() { stop_ = true; }

unsigned long CQnAudioCD::GetBlocksToWrite() { return std::max<std::uint32_t>(1, toWrite_); }
unsigned long CQnAudioCD::GetBlocksWritten() { return written_; }
unsigned long CQnAudioCD::GetErrorCode() { return error_; }
