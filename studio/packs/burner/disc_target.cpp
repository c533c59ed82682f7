#include "disc_target.h"

#include <algorithm>
#include <cstdio>

#include "disc_project.h"
#include "platform/disc/disc_kinds.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/disc/qn_video_cd.h"
#include "platform/disc/sense_codes.h"

namespace studio::packs {
namespace {

using namespace platform::disc;

std::string Printf(const char* format, auto... values) {
  char text[512];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

const char* BlankName(DiscFormat format) {
  switch (format) {
    case DiscFormat::Vcd:
    case DiscFormat::Svcd: return "CD-R";
    case DiscFormat::Bluray: return "BD-R";
    default: return "DVD";
  }
}

}  // namespace

std::uint64_t EstimatedDiscBlocks(DiscFormat format, std::uint64_t bytes) {
  // A Video CD sector carries 2324 bytes of a stream; the disc's own files and gaps come first.
  if (IsVideoCd(format)) return bytes / 2324 + 1 + 1200;
  // DVD-Video adds its navigation packs and files: a little over the streams.
  return bytes / kDataBlockBytes + bytes / kDataBlockBytes / 50 + 1000;
}

DiscTarget::DiscTarget(DiscFormat format, char letter) : format_(format) {
  auto choose = [&](auto& writer) {
    const unsigned char count = writer.GetDriveCount();
    int chosen = -1, blank = -1, suiting = -1;
    for (unsigned char i = 0; i < count; ++i) {
      writer.ChooseDrive(i);
      // The writer the user named is the one burned to, whatever it holds: its refusal says why
      // it cannot, rather than the disc going to another drive.
      if (letter && writer.GetDriveLetter() == letter) chosen = i;
      if (!MediumSuits(format, writer.GetDiscType())) continue;
      if (suiting < 0) suiting = i;
      // A written disc of the right kind is passed over while another writer holds a blank one.
      if (blank < 0 && writer.GetFreeDiscBlock() > 0 && writer.GetTotalDiscBlock() == 0) blank = i;
    }
    if (chosen < 0) chosen = blank >= 0 ? blank : suiting >= 0 ? suiting : 0;
    if (count && writer.ChooseDrive(static_cast<unsigned char>(chosen))) letter_ = writer.GetDriveLetter();
  };
  if (IsVideoCd(format)) {
    cd_ = std::make_unique<CQnVideoCD>();
    choose(*cd_);
  } else {
    dvd_ = std::make_unique<CQnDataCDDVD>();
    dvd_->Initialize();
    dvd_->SetBurnMode(format == DiscFormat::Bluray ? 8 : 0);
    choose(*dvd_);
  }
}

DiscTarget::~DiscTarget() = default;

bool MediumSuits(DiscFormat format, unsigned char kind) {
  if (IsVideoCd(format)) return kind == kCdR || kind == kCdRw;
  if (format == DiscFormat::Bluray) return kind == kBdR || kind == kBdRe;
  return CapabilityFor(kind) != 0 && !IsCd(kind) && !IsBluRay(kind);
}

std::string DiscTarget::NotBlank(unsigned char kind) const {
  // Only a rewritable disc can be erased: a write-once one is offered no such way out.
  return Printf(IsRewritable(kind)
                    ? "The disc in drive %c: is not blank. Insert a blank %s, or erase this one, and burn again."
                    : "The disc in drive %c: is not blank. Insert a blank %s and burn again.",
                letter_, BlankName(format_));
}

std::string DiscTarget::Refusal(std::uint64_t blocks) {
  const char* blank = BlankName(format_);
  if (!letter_) return Printf("No disc writer for a %s was found. Connect a writer and burn again.", blank);
  const unsigned char kind = cd_ ? cd_->GetDiscType() : dvd_->GetDiscType();
  if (kind == kNoDisc)
    return Printf("There is no disc in drive %c:. Insert a blank %s and burn again.", letter_, blank);
  if (!MediumSuits(format_, kind))
    return Printf("The disc in drive %c: (%s) cannot take this burn. Insert a blank %s and burn again.", letter_,
                  KindName(kind).c_str(), blank);
  const unsigned long free = cd_ ? cd_->GetFreeDiscBlock() : dvd_->GetFreeDiscBlock();
  const unsigned long total = cd_ ? cd_->GetTotalDiscBlock() : dvd_->GetTotalDiscBlock();
  if (free == 0 || total > 0) return NotBlank(kind);
  const std::uint32_t blockBytes = cd_ ? kAudioBlockBytes : kDataBlockBytes;
  if (blocks > free)
    return Printf(
        "The disc in drive %c: is too small: the burn needs about %s and the disc holds %s. Insert a larger blank %s "
        "and burn again.",
        letter_, SizeText(blocks * (cd_ ? 2324 : blockBytes)).c_str(),
        SizeText(std::uint64_t{free} * (cd_ ? 2324 : blockBytes)).c_str(), blank);
  return {};
}

bool DiscTarget::Start(const std::string& authored, const std::string& discName, platform::disc::DiscCallback callback,
                       void* context) {
  if (cd_) return cd_->StartBurnCue(authored.c_str(), callback, context) == 1;
  dvd_->SetDiscLabel(discName.c_str());
  dvd_->SetFinalizeDisc(1);
  if (format_ == DiscFormat::Bluray) {
    // The folder that holds BDMV, without its trailing slash, as a UDF disc.
    std::string folder = authored;
    if (!folder.empty() && folder.back() == '/') folder.pop_back();
    return dvd_->StartBurnFolderInUDF(folder.c_str(), callback, context) == 1;
  }
  return dvd_->StartBurnVideoTSFolder(authored.c_str(), callback, context) == 1;
}

void DiscTarget::Stop() {
  if (cd_) cd_->StopBurn();
  if (dvd_) dvd_->StopBurn();
}

int DiscTarget::Percent() {
  const unsigned long total = cd_ ? cd_->GetBlocksToWrite() : dvd_->GetBlocksToWrite();
  const unsigned long done = cd_ ? cd_->GetBlocksWritten() : dvd_->GetBlocksWritten();
  return total ? static_cast<int>(std::min<unsigned long>(100, done * 100 / total)) : 0;
}

std::uint32_t DiscTarget::ErrorCode() {
  return static_cast<std::uint32_t>(cd_ ? cd_->GetErrorCode() : dvd_->GetErrorCode());
}

std::string DiscTarget::FailureText() {
  const std::uint32_t code = ErrorCode();
  const char* blank = BlankName(format_);
  const std::string reason = cd_ ? cd_->GetErrorText() : std::string();
  const unsigned long block = cd_ ? cd_->GetBlocksWritten() : dvd_->GetBlocksWritten();
  switch (code) {
    case kSenseNoMedium:
      return Printf("There is no disc in drive %c:. Insert a blank %s and burn again.", letter_, blank);
    case kSenseNoSpace:
      return Printf("The disc in drive %c: is too small for this burn. Insert a larger blank %s and burn again.",
                    letter_, blank);
    case kSenseMediumClosed: return NotBlank(cd_ ? cd_->GetDiscType() : dvd_->GetDiscType());
    case kSenseIncompatible:
      return Printf("Drive %c: cannot write the disc it holds. Insert a blank %s and burn again.", letter_, blank);
    case kSenseNotReady: return Printf("Drive %c: is busy. Wait until it is free and burn again.", letter_);
    case kSenseToolMissing:
      return Printf("The disc could not be written: %s is not installed. Install it and burn again.",
                    cd_ ? "cdrdao" : "genisoimage");
    case kSenseSourceUnreadable:
      return "The authored disc could not be read while it was written. Check the work folder and burn again.";
    case kSenseAborted: return "Burning was cancelled.";
    default: break;
  }
  std::string text = Printf(
      "Writing the disc in drive %c: failed at block %lu (error %02X/%02X/%02X). The disc may be unusable: insert a "
      "new blank %s and burn again.",
      letter_, block, (code >> 16) & 0xFF, (code >> 8) & 0xFF, code & 0xFF, blank);
  if (!reason.empty()) text += " The drive says: " + reason;
  return text;
}

}  // namespace studio::packs
