#include "disc_writers.h"

#include "disc_project.h"
#include "disc_target.h"
#include "platform/disc/disc_kinds.h"
#include "platform/disc/qn_data_cd_dvd.h"

namespace studio::packs {

unsigned char BurnModeFor(DiscFormat kind) {
  if (IsVideoCd(kind)) return 1;
  return kind == DiscFormat::Bluray ? 8 : 0;
}

std::vector<WriterChoice> ListWriters(DiscFormat kind) {
  std::vector<WriterChoice> list;
  CQnDataCDDVD writers;
  writers.Initialize();
  writers.SetBurnMode(BurnModeFor(kind));
  const unsigned char count = writers.GetDriveCount();
  // A Video CD's sector carries 2324 bytes of its streams.
  const std::uint64_t blockBytes = IsVideoCd(kind) ? 2324 : platform::disc::kDataBlockBytes;
  for (unsigned char i = 0; i < count; ++i) {
    if (!writers.ChooseDrive(i)) continue;
    WriterChoice writer;
    writer.letter = writers.GetDriveLetter();
    const char* name = writers.GetDriveName(i);
    writer.name = name ? name : std::string(1, writer.letter) + ":";
    const unsigned char medium = writers.GetDiscType();
    const unsigned long free = writers.GetFreeDiscBlock();
    const bool blank = free > 0 && writers.GetTotalDiscBlock() == 0;
    const bool suits = MediumSuits(kind, medium);
    if (suits && blank) writer.capacity = std::uint64_t{free} * blockBytes;
    if (medium == platform::disc::kNoDisc) writer.medium = "Medium: No disc in the drive";
    else
      writer.medium = "Medium: " + platform::disc::KindName(medium) +
                      (!suits  ? std::string(", not for a ") + DiscKindName(kind)
                       : blank ? ", blank, " + SizeText(std::uint64_t{free} * platform::disc::kDataBlockBytes) + " free"
                       : free  ? ", not blank"
                               : ", closed");
    list.push_back(writer);
  }
  writers.Uninitialize();
  WriterChoice image;
  image.name = "Image file";
  image.medium = std::string("Medium: ") + (IsVideoCd(kind) ? "a BIN/CUE pair" : "an ISO image") + " of " +
                 SizeText(NominalCapacityBytes(kind));
  image.capacity = NominalCapacityBytes(kind);
  list.push_back(image);
  return list;
}

}  // namespace studio::packs
