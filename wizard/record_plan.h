// The numbers and names a record-and-burn pass plans with: the DVD video rate, the chapter
// lists of both disc types and the dated work folder.
#pragma once

#include <ctime>
#include <string>

namespace wizard {

constexpr long long kDvdDefaultCapacity = 4707319808LL;
constexpr int kDvdAudioRate = 224000;
constexpr int kStreamOverhead = 168000;
constexpr int kLowestVideoRate = 1150000;
constexpr int kHighestVideoRate = 8000000;

// Bits per second of video that fill the disc in the planned time; *lowRate when below
// 4,000,000. Signed all through: a small disc or a long time floors at 1,150,000.
int DvdVideoBitRate(long long capacityBytes, int plannedSeconds, bool* lowRate);
// The capacity the rate is planned for: the free blocks of the disc when a writer holds one.
long long DvdPlanCapacity(bool hasWriter, unsigned long freeBlocks);

// "00:00:00.0,00:05:00.0,..." of a chapter every 300 s strictly before `elapsed` (at least one).
std::string DvdChapterList(int elapsedSeconds);
// "0,300,600" likewise; empty for 0 s.
std::string BdChapterTimes(int elapsedSeconds);

// "%d%02d%02d_%02d%02d" of the time under `base` (ending in "/"), with "_2", "_3", ... when a
// folder of that name is already there; created. Empty when it cannot be created.
std::string MakeWorkFolder(const std::string& base, const std::tm& when);

// Whether the text is valid UTF-8 (paths handed to the authoring tools must be).
bool IsUtf8(const std::string& text);

}  // namespace wizard
