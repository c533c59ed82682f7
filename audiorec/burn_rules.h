// The arithmetic and texts of the burn dialogs: track and disc sizes, the erase estimate, the
// writer's sense data, the data disc's label and its 8.3 names.
#pragma once

#include <cstdint>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "platform/disc/audio_stream.h"

namespace auvry {

constexpr double kBytesPerMegabyte = 1048576.0;
// A second of CD audio: 44,100 stereo frames of two 16-bit samples.
constexpr std::int64_t kCdAudioBytesPerSecond = 176400;
constexpr std::uint32_t kCdSectorBytes = 2352;
constexpr std::uint32_t kDataBlockBytes = 2048;
// Lead-in room every disc needs, and the pregap before every audio track, in blocks.
constexpr std::uint32_t kReservedBlocks = 150;
constexpr std::uint32_t kPregapSectors = 150;

constexpr int kMaxCdTracks = static_cast<int>(platform::disc::kMaxAudioTracks);

std::int64_t CdAudioBytes(int playSeconds);
// The refusal of a track list longer than a disc holds, saying how many rows to remove.
std::string TooManyTracksText(int rows);
// Sectors an audio CD of these tracks (CD-audio bytes each) takes: each track's 2352-byte
// sectors and its pregap, as the writer lays them out.
std::uint64_t AudioSectorsNeeded(const std::vector<std::int64_t>& trackBytes);
// Blocks a data session of `bytes` takes, with the lead-in room.
std::uint64_t DataBlocksNeeded(std::uint64_t bytes);
// What still fits on the disc, in MB, for the not-fit message (0 below the lead-in room).
double FreeMegabytes(std::uint64_t freeBlocks);

// The erase estimate after `ticks` half-second ticks: 100 log10((ticks + 10) / 10), at most 99.
int ErasePercent(int ticks);

// "%s\nSenseKey : %2x, ASC : %2x, ASCQ : %2x" of the failure text and the writer's code.
std::string SenseMessage(const std::string& failed, unsigned long code);
// "%4.2f/%4.2f MB" of the blocks written (capped at the total) and to write.
std::string ProgressText(unsigned long written, unsigned long toWrite, std::uint32_t blockBytes);

std::string FormatTotalSize(std::int64_t bytes);  // "%7.2f MB"
std::string FormatTotalTime(int seconds);         // "%02d:%02d:%02d"

// "26Dec08_140509": year, English month, day, '_', hour, minute, second.
std::string DiscLabel(const std::tm& when);

// The disc names of the listed files, made unique in the disc's root: a long name met again
// gets " (2)", " (3)" ... before its extension; the 8.3 name is the name cut to 8 and the
// extension to 3 letters, and a taken one ends in "~1", "~2" ... instead.
class DiscNames {
 public:
  struct Names {
    std::string longName, shortName;
  };
  Names Add(const std::string& fileName);

 private:
  std::set<std::string> longNames_, shortNames_;  // upper-cased: the disc's readers ignore case
};

}  // namespace auvry
