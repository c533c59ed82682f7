#include "bdauthor/playlist_file.h"

#include "bdauthor/bdmv_paths.h"
#include "bdauthor/byte_composer.h"
#include "bdauthor/error_report.h"
#include "bdauthor/file_io.h"

namespace bdauthor {

namespace {

bool CarriesVideoFormat(int codingType) { return codingType == 2 || codingType == 27 || codingType == 234; }
bool CarriesAudioFormat(int codingType) { return codingType >= 128 && codingType <= 134; }

// A stream table entry: the PID of the stream in the clip, then its coding type; the caller adds
// the format byte after it.
void PutStreamEntry(ByteComposer& f, std::size_t at, std::uint32_t pid, int codingType) {
  f.Put8(at, 9);
  f.Put8(at + 1, 1);
  f.Put16(at + 2, pid);
  f.Put8(at + 10, 5);
  f.Put8(at + 11, static_cast<std::uint32_t>(codingType));
}

}  // namespace

std::vector<std::uint8_t> ComposeMpls(const InputRecord& record, int clipNumber) {
  const std::uint32_t marks = static_cast<std::uint32_t>(record.chapterMarks.size());
  const StreamAttributes& a = record.attributes;
  ByteComposer f(160 + 14 * marks);
  f.PutText(0, "MPLS");
  f.PutText(4, "0200");
  f.Put32(8, 58);
  f.Put32(12, 150);
  f.Put32(16, 156 + 14 * marks);
  f.Put32(40, 14);
  f.Put8(45, 1);     // sequential playback
  f.Put8(56, 0x60);  // audio mix application, lossless bypass
  f.Put32(58, 88);
  f.Put16(64, 1);
  f.Put16(68, 80);
  f.PutText(70, ClipName(clipNumber));
  f.PutText(75, "M2TS");
  f.Put8(80, 0x01);  // connection condition 1
  f.Put32(82, static_cast<std::uint32_t>(record.firstPts));
  f.Put32(86, static_cast<std::uint32_t>(record.lastPts));
  f.Put16(102, 46);
  f.Put8(106, 1);
  f.Put8(107, 1);
  PutStreamEntry(f, 118, kVideoPid, a.videoCodingType);
  if (CarriesVideoFormat(a.videoCodingType)) f.Put8(130, (a.videoFormat << 4) | (a.frameRate & 0x0F));
  PutStreamEntry(f, 134, kAudioPid, a.audioCodingType);
  if (CarriesAudioFormat(a.audioCodingType)) {
    f.Put8(146, (a.audioPresentationType << 4) | (a.samplingFrequency & 0x0F));
    f.PutText(147, a.language.substr(0, 3));
  }
  f.Put32(150, 14 * marks + 2);
  f.Put16(154, marks);
  for (std::uint32_t m = 0; m < marks; ++m) {
    const std::size_t at = 156 + 14 * m;
    f.Put8(at + 1, 1);  // entry mark of play item 0
    f.Put32(at + 4, static_cast<std::uint32_t>(record.chapterMarks[m]));
    f.Put16(at + 8, 0xFFFF);
  }
  return f.Take();
}

bool CreateMPLS(const std::string& outputFolder, const InputRecord& record, int clipNumber) {
  const std::string path = PlaylistPath(outputFolder, clipNumber);
  if (record.chapterMarks.size() > kMaxPlaylistMarks) {
    ReportError("CreateMPLS - over buffer.\n\n" + path);
    return false;
  }
  return WriteReported(path, ComposeMpls(record, clipNumber), "mpls.\n\n" + path);
}

}  // namespace bdauthor
