#include "platform/disc/qn_video_cd.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/cdrdao_write.h"
#include "platform/disc/cue_sheet.h"
#include "platform/disc/sense_codes.h"

using namespace platform::disc;

namespace {

// The BIN as whole 2048-byte blocks: the last one filled up with zeros, which the image loses
// again when it is cut back to whole sectors.
struct BinReader {
  int fd = -1;
  ~BinReader() {
    if (fd >= 0) ::close(fd);
  }
  int Read(unsigned char* buffer, int size) {
    int got = 0;
    while (got < size) {
      const ssize_t n = ::read(fd, buffer + got, static_cast<size_t>(size - got));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -1;
      if (n == 0) break;
      got += static_cast<int>(n);
    }
    if (got == 0) return 0;
    std::memset(buffer + got, 0, static_cast<size_t>(size - got));
    return size;
  }
};

}  // namespace

CQnVideoCD::CQnVideoCD() { drives_.Select(1); }

CQnVideoCD::~CQnVideoCD() {
  StopBurn();
  engine_.Join();
  if (cdrdao_.joinable()) cdrdao_.join();
}

unsigned char CQnVideoCD::GetDriveCount() {
  return static_cast<unsigned char>(std::min<std::size_t>(drives_.Count(), 255));
}
char* CQnVideoCD::GetDriveName(unsigned char index) { return const_cast<char*>(drives_.Name(index)); }
int CQnVideoCD::ChooseDrive(unsigned char index) { return drives_.Choose(index) ? 1 : 0; }
char CQnVideoCD::GetDriveLetter() { return drives_.CurrentLetter(); }
unsigned char CQnVideoCD::GetDiscType() { return drives_.DiscType(); }
unsigned long CQnVideoCD::GetTotalDiscBlock() { return drives_.TotalBlocks(); }
unsigned long CQnVideoCD::GetFreeDiscBlock() { return drives_.FreeBlocks(); }
void CQnVideoCD::SetWriteSpeed(int kbPerSecond) { speed_ = std::max(0, kbPerSecond); }

int CQnVideoCD::Refuse(std::uint32_t code) {
  error_ = code;
  return 0;
}

int CQnVideoCD::StartBurnCue(const char* cuePath, Callback callback, void* context) {
  SimDrive* drive = drives_.Current();
  if (!drive) return Refuse(kSenseNoMedium);
  if (engine_.Busy() || (cdrdao_.joinable() && real_)) return Refuse(kSenseNotReady);
  CueSheet sheet;
  if (!cuePath || !ReadCueSheet(cuePath, &sheet)) return Refuse(kSenseSourceUnreadable);
  const MediumState s = drive->State();
  if (s.trayOpen || s.kind == kNoDisc) return Refuse(kSenseNoMedium);
  if (!IsCd(s.kind) || !drive->Desc().Writes(CapabilityFor(s.kind))) return Refuse(kSenseIncompatible);
  // A Video CD is one closed disc-at-once session: only a blank takes it.
  if (s.used || s.finalized) return Refuse(kSenseMediumClosed);
  sectors_ = static_cast<std::uint32_t>(sheet.binBytes / kAudioBlockBytes);
  if (sectors_ > s.capacity) return Refuse(kSenseNoSpace);
  {
    std::lock_guard lock(textMutex_);
    errorText_.clear();
  }
  stop_ = false;
  if (drive->Desc().IsReal()) return StartReal(cuePath, sectors_, callback, context);
  real_ = false;

  auto reader = std::make_shared<BinReader>();
  reader->fd = ::open(sheet.binPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (reader->fd < 0) return Refuse(kSenseSourceUnreadable);
  const std::uint64_t binBytes = sheet.binBytes;
  // Readers of a pair (vcd-info, vcdxrip) take the BIN named as the sheet with ".bin": the image
  // gets that second name too.
  const std::string pair = drive->Desc().imageFolder + drive->Desc().id;
  const std::string cue = CueNamingBin(sheet.text, platform::FileNameOf(pair + ".bin"));
  WriteJob job;
  job.blocks = static_cast<std::uint32_t>((binBytes + kDataBlockBytes - 1) / kDataBlockBytes);
  job.mediumBlocks = sectors_;
  job.finalize = true;
  job.speedKBs = speed_;
  job.read = [reader](unsigned char* buffer, int size) { return reader->Read(buffer, size); };
  job.afterWrite = [binBytes, cue, pair](const std::string& image) {
    if (::truncate(image.c_str(), static_cast<off_t>(binBytes)) != 0) return false;
    ::unlink((pair + ".bin").c_str());
    return ::link(image.c_str(), (pair + ".bin").c_str()) == 0 && platform::WriteWholeFileAtomic(pair + ".cue", cue);
  };
  std::uint32_t error = 0;
  if (!engine_.Start(drive, std::move(job), callback, context, &error)) return Refuse(error);
  error_ = 0;
  return 1;
}

int CQnVideoCD::StartReal(const std::string& cuePath, std::uint32_t sectors, Callback callback, void* context) {
  SimDrive* drive = drives_.Current();
  if (cdrdao_.joinable()) cdrdao_.join();
  bool marked = false;
  drive->Change([&](MediumState& s) {
    if (s.burning) return;
    s.burning = true;
    marked = true;
  });
  if (!marked) return Refuse(kSenseNotReady);
  real_ = true;
  realWritten_ = 0;
  error_ = 0;
  CdrdaoRun run;
  run.args = CdrdaoArguments(drive->Desc().realAddress, cuePath, speed_);
  run.cuePath = cuePath;
  run.stop = &stop_;
  run.progress = [this, sectors](int percent) {
    realWritten_ = static_cast<std::uint32_t>(static_cast<std::uint64_t>(sectors) * percent / 100);
  };
  cdrdao_ = std::thread([this, drive, run = std::move(run), sectors, callback, context] {
    const CdrdaoResult result = RunCdrdao(run);
    const bool ok = result.started && result.exitCode == 0 && !stop_;
    if (!result.started) error_ = kSenseToolMissing;
    else if (stop_) error_ = kSenseAborted;
    else if (!ok) error_ = kSenseWriteError;
    if (!ok) {
      std::lock_guard lock(textMutex_);
      errorText_ = CdrdaoReason(result.messages);
    }
    if (ok) realWritten_ = sectors;
    drive->Change([&](MediumState& s) {
      s.burning = false;
      if (ok) s.used = s.finalized = true;
    });
    real_ = false;
    if (callback) callback(ok ? 0 : 1, context);
  });
  return 1;
}

void CQnVideoCD::StopBurn() {
  stop_ = true;
  engine_.Stop();
}

unsigned long CQnVideoCD::GetBlocksToWrite() { return std::max<std::uint32_t>(1, sectors_); }

unsigned long CQnVideoCD::GetBlocksWritten() {
  if (cdrdao_.joinable() && realWritten_) return realWritten_;
  const std::uint32_t blocks = engine_.BlocksWritten();
  if (blocks >= engine_.BlocksToWrite() && blocks > 0) return sectors_;
  return static_cast<unsigned long>(static_cast<std::uint64_t>(blocks) * kDataBlockBytes / kAudioBlockBytes);
}

unsigned long CQnVideoCD::GetErrorCode() { return error_ ? error_.load() : engine_.ErrorCode(); }

std::string CQnVideoCD::GetErrorText() const {
  std::lock_guard lock(textMutex_);
  return errorText_;
}
