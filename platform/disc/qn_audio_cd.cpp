#include "platform/disc/qn_audio_cd.h"

#include <unistd.h>

#include <algorithm>
#include <memory>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/sense_codes.h"

using namespace platform::disc;

CQnAudioCD::CQnAudioCD() { drives_.Select(1); }

CQnAudioCD::~CQnAudioCD() {
  engine_.Stop();
  engine_.Join();
  eraser_.Join();
}

unsigned char CQnAudioCD::GetDriveCount() {
  return static_cast<unsigned char>(std::min<std::size_t>(drives_.Count(), 255));
}
char* CQnAudioCD::GetDriveName(unsigned char index) { return const_cast<char*>(drives_.Name(index)); }
int CQnAudioCD::ChooseDrive(unsigned char index) { return drives_.Choose(index) ? 1 : 0; }
int CQnAudioCD::IsErasable() { return drives_.IsErasable() ? 1 : 0; }

int CQnAudioCD::StartErase(int, Callback callback, void* context) {
  if (engine_.Busy() || !eraser_.Start(drives_.Current(), callback, context)) {
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
  AudioTrack t;
  if (tracks_.size() >= kMaxAudioTracks) return 0;
  if (!path || !FindAudioSamples(path, &t.dataOffset, &t.bytes)) return 0;
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
  if (!drive) return refuse(kSenseNoMedium);
  if (tracks_.empty()) return refuse(kSenseBadRequest);
  const MediumState s = drive->State();
  if (!s.trayOpen && s.kind != kNoDisc && !IsCd(s.kind)) return refuse(kSenseIncompatible);

  auto stream = std::make_shared<AudioStream>(tracks_);
  std::uint32_t error = 0;
  sectors_ = stream->Sectors();
  if (drive->Desc().IsReal()) {
    // A real drive writes the tracks themselves, disc-at-once; the first pregap is the drive's.
    WriteJob job;
    job.blocks = sectors_;
    job.audioTracks = tracks_;
    job.finalize = true;
    real_ = true;
    if (!engine_.Start(drive, std::move(job), callback, context, &error)) return refuse(error);
    error_ = 0;
    return 1;
  }
  real_ = false;
  const std::uint64_t binBytes = static_cast<std::uint64_t>(stream->Sectors()) * kAudioBlockBytes;
  const std::string cue = stream->CueSheet(platform::FileNameOf(drive->Desc().ImagePath()));
  const std::string cuePath = drive->Desc().imageFolder + drive->Desc().id + ".cue";
  WriteJob job;
  job.blocks = static_cast<std::uint32_t>((binBytes + kDataBlockBytes - 1) / kDataBlockBytes);
  job.mediumBlocks = stream->Sectors();
  job.finalize = true;
  job.read = [stream](unsigned char* buffer, int size) { return stream->Read(buffer, size); };
  job.afterWrite = [binBytes, cue, cuePath](const std::string& image) {
    // The stream's last block was filled up: the BIN holds whole sectors only.
    return ::truncate(image.c_str(), static_cast<off_t>(binBytes)) == 0 && platform::WriteWholeFileAtomic(cuePath, cue);
  };
  if (!engine_.Start(drive, std::move(job), callback, context, &error)) return refuse(error);
  error_ = 0;
  return 1;
}

void CQnAudioCD::StopBurn() { engine_.Stop(); }

unsigned long CQnAudioCD::GetBlocksToWrite() { return std::max<std::uint32_t>(1, sectors_); }

unsigned long CQnAudioCD::GetBlocksWritten() {
  const std::uint32_t blocks = engine_.BlocksWritten();
  if (real_) return blocks;
  if (blocks >= engine_.BlocksToWrite() && blocks > 0) return sectors_;
  return static_cast<unsigned long>(static_cast<std::uint64_t>(blocks) * kDataBlockBytes / kAudioBlockBytes);
}

unsigned long CQnAudioCD::GetErrorCode() { return error_ ? error_ : engine_.ErrorCode(); }
