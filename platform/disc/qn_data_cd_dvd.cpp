#include "platform/disc/qn_data_cd_dvd.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "platform/base/file.h"
#include "platform/disc/data_compilation.h"
#include "platform/disc/image_tool.h"
#include "platform/disc/sense_codes.h"

using namespace platform::disc;

CQnDataCDDVD::CQnDataCDDVD() : compilation_(std::make_unique<DataCompilation>()) { drives_.Select(burnMode_); }

CQnDataCDDVD::~CQnDataCDDVD() {
  engine_.Stop();
  engine_.Join();
  eraser_.Join();
}

int CQnDataCDDVD::Initialize() {
  initialized_ = true;
  drives_.Select(burnMode_);
  return 1;
}

int CQnDataCDDVD::Uninitialize() {
  // The writer thread must not outlive the engine it reports to.
  engine_.Stop();
  engine_.Join();
  eraser_.Join();
  initialized_ = false;
  return 1;
}

void CQnDataCDDVD::SetBurnMode(unsigned char mode) {
  burnMode_ = mode;
  drives_.Select(mode);
}

unsigned char CQnDataCDDVD::GetDriveCount() {
  if (!initialized_) Initialize();
  return static_cast<unsigned char>(std::min<std::size_t>(drives_.Count(), 255));
}

char* CQnDataCDDVD::GetDriveName(unsigned char index) { return const_cast<char*>(drives_.Name(index)); }

int CQnDataCDDVD::ChooseDrive(unsigned char index) { return drives_.Choose(index) ? 1 : 0; }

char CQnDataCDDVD::GetDriveLetter() { return drives_.CurrentLetter(); }

int CQnDataCDDVD::TestUnitReady() { return drives_.TestUnitReady() ? 1 : 0; }
int CQnDataCDDVD::LoadMedium() { return drives_.Load() ? 1 : 0; }
int CQnDataCDDVD::UnloadMedium() { return drives_.Unload() ? 1 : 0; }
int CQnDataCDDVD::LockMedium() { return drives_.Lock(true) ? 1 : 0; }
int CQnDataCDDVD::UnlockMedium() { return drives_.Lock(false) ? 1 : 0; }
unsigned char CQnDataCDDVD::GetDiscType() { return drives_.DiscType(); }
int CQnDataCDDVD::SupportDisc(unsigned char capability) { return drives_.Supports(capability) ? 1 : 0; }
unsigned long CQnDataCDDVD::GetTotalDiscBlock() { return drives_.TotalBlocks(); }
unsigned long CQnDataCDDVD::GetFreeDiscBlock() { return drives_.FreeBlocks(); }

int CQnDataCDDVD::GetWriteSpeedCount() { return static_cast<int>(drives_.Speeds().size()); }

int CQnDataCDDVD::GetWriteSpeed(int index) {
  const auto speeds = drives_.Speeds();
  return index >= 0 && static_cast<std::size_t>(index) < speeds.size() ? speeds[static_cast<std::size_t>(index)] : 0;
}

void CQnDataCDDVD::SetWriteSpeed(int kbPerSecond) { speed_ = kbPerSecond > 0 ? kbPerSecond : 0; }

int CQnDataCDDVD::IsErasable() { return drives_.IsErasable() ? 1 : 0; }

int CQnDataCDDVD::StartErase(int /*mode*/, Callback callback, void* context) {
  // Quick and full erase end the same way on the simulated disc.
  if (engine_.Busy() || !eraser_.Start(drives_.Current(), callback, context)) return Refuse(kSenseEraseFailed);
  return 1;
}

int CQnDataCDDVD::TestEraseEnd() { return eraser_.Ended() ? 1 : 0; }
int CQnDataCDDVD::TestEraseSuccess() { return eraser_.Succeeded() ? 1 : 0; }
int CQnDataCDDVD::GetEraseProgress() { return eraser_.Percent(); }

int CQnDataCDDVD::Free() {
  compilation_->Clear();
  return 1;
}

void CQnDataCDDVD::SetDiscLabel(const char* label) { label_ = label ? label : ""; }
void CQnDataCDDVD::SetFinalizeDisc(int finalize) { finalize_ = finalize != 0; }

unsigned long CQnDataCDDVD::Ready() {
  if (engine_.Busy()) return 0;
  engine_.Join();
  return drives_.TestUnitReady() ? 1 : 0;
}

unsigned long CQnDataCDDVD::LoadSession() {
  SimDrive* drive = drives_.Current();
  if (!drive) return 0;
  const MediumState s = drive->State();
  if (s.trayOpen || !s.used || s.finalized) {
    compilation_->Clear();
    return 0;
  }
  const DriveDesc& d = drive->Desc();
  return compilation_->ImportSession(d.IsReal() ? d.realAddress : d.ImagePath(), s.lastSession);
}

void CQnDataCDDVD::AddFile(const char* discFolder, const char* path, const char* longName, const char*) {
  if (!path) return;
  compilation_->Add(discFolder ? discFolder : "\\", path, longName ? longName : "");
}

int CQnDataCDDVD::Refuse(std::uint32_t code) {
  error_ = code;
  return 0;
}

int CQnDataCDDVD::StartFolder(int kind, const char* folder, Callback callback, void* context) {
  const FolderImage image = kind == 0 ? FolderImage::DvdVideo : FolderImage::Udf;
  if (!drives_.Current()) return Refuse(kSenseNoMedium);
  if (!folder || !*folder) return Refuse(kSenseBadRequest);
  std::uint32_t error = 0;
  const std::uint32_t blocks = FolderImageBlocks(image, folder, label_, &error);
  if (!blocks) return Refuse(error);
  // Space first: a disc too small fails here, before a block is written.
  if (blocks > drives_.FreeBlocks()) return Refuse(drives_.DiscType() == kNoDisc ? kSenseNoMedium : kSenseNoSpace);
  auto stream = std::make_shared<ImageStream>();
  WriteJob job;
  job.blocks = blocks;
  job.finalize = finalize_;
  job.speedKBs = speed_;
  job.producerSucceeded = [stream] { return FinishImage(stream.get()); };
  if (WriteEngine::WritesIntoImage(drives_.Current()->Desc())) {
    // A simulated disc is a file: the tool writes it as it would any image, at the cost of the
    // tool alone, instead of through a pipe and libburn.
    job.startInto = [stream, image, source = std::string(folder), label = label_](const std::string& path) {
      std::uint32_t ignored = 0;
      return StartFolderImage(image, source, label, stream.get(), &ignored, path);
    };
    job.producerEnded = [stream](int waitMs) {
      return !stream->tool || stream->tool->Wait(static_cast<DWORD>(waitMs));
    };
    job.stopProducer = [stream] {
      if (stream->tool) stream->tool->Terminate(1000);
    };
  } else {
    if (!StartFolderImage(image, folder, label_, stream.get(), &error)) return Refuse(error);
    job.sourceFd = stream->fd;
  }
  if (!engine_.Start(drives_.Current(), std::move(job), callback, context, &error)) return Refuse(error);
  error_ = 0;
  return 1;
}

int CQnDataCDDVD::StartBurnVideoTSFolder(const char* folder, Callback callback, void* context) {
  return StartFolder(0, folder, callback, context);
}

int CQnDataCDDVD::StartBurnFolderInUDF(const char* folder, Callback callback, void* context) {
  return StartFolder(1, folder, callback, context);
}

int CQnDataCDDVD::StartBurnData(Callback callback, void* context) {
  SimDrive* drive = drives_.Current();
  if (!drive) return Refuse(kSenseNoMedium);
  const MediumState s = drive->State();
  if (s.trayOpen || s.kind == kNoDisc) return Refuse(kSenseNoMedium);
  if (s.finalized) return Refuse(kSenseMediumClosed);
  const bool real = drive->Desc().IsReal();
  // A real disc says where its next session goes; a simulated one appends on a 32-block boundary.
  const std::uint32_t start = real ? s.usedBlocks : WriteEngine::StartBlock(s, s.used);
  WriteJob job;
  std::uint32_t error = 0;
  if (!compilation_->MakeJob(label_, start, !real, &job, &error)) return Refuse(error);
  job.finalize = finalize_;
  job.speedKBs = speed_;
  if (!engine_.Start(drive, std::move(job), callback, context, &error)) return Refuse(error);
  error_ = 0;
  return 1;
}

int CQnDataCDDVD::StartBurnImage(const char* isoPath, Callback callback, void* context) {
  if (!drives_.Current()) return Refuse(kSenseNoMedium);
  const std::int64_t size = isoPath ? platform::FileSize(isoPath) : -1;
  if (size <= 0) return Refuse(kSenseSourceUnreadable);
  WriteJob job;
  job.sourceFd = ::open(isoPath, O_RDONLY | O_CLOEXEC);
  if (job.sourceFd < 0) return Refuse(kSenseSourceUnreadable);
  job.blocks = static_cast<std::uint32_t>((size + kDataBlockBytes - 1) / kDataBlockBytes);
  if (size % kDataBlockBytes) {
    ::close(job.sourceFd);
    return Refuse(kSenseBadRequest);
  }
  job.finalize = finalize_;
  job.speedKBs = speed_;
  std::uint32_t error = 0;
  if (!engine_.Start(drives_.Current(), std::move(job), callback, context, &error)) return Refuse(error);
  error_ = 0;
  return 1;
}

void CQnDataCDDVD::StopBurn() { engine_.Stop(); }

unsigned long CQnDataCDDVD::GetBlocksToWrite() { return std::max<unsigned long>(1, engine_.BlocksToWrite()); }
unsigned long CQnDataCDDVD::GetBlocksWritten() { return engine_.BlocksWritten(); }

unsigned long CQnDataCDDVD::GetErrorCode() { return error_ ? error_ : engine_.ErrorCode(); }
