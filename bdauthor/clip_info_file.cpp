#include "bdauthor/clip_info_file.h"

#include "bdauthor/bdmv_paths.h"
#include "bdauthor/byte_composer.h"
#include "bdauthor/error_report.h"
#include "bdauthor/file_io.h"

namespace bdauthor {

EpMap BuildEpMap(const std::vector<EpEntry>& entries) {
  EpMap map;
  std::uint64_t previousPts = 0;
  std::uint32_t previousPacket = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::uint64_t pts = static_cast<std::uint64_t>(entries[i].pts);
    const std::uint32_t packet = static_cast<std::uint32_t>(entries[i].packet);
    // The fine PTS carries bit 19, which the coarse PTS repeats; readers drop the coarse copy.
    const bool start = i == 0 || (pts >> 20) != (previousPts >> 20) || (packet >> 17) != (previousPacket >> 17);
    if (start) {
      map.coarse.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>((pts >> 19) % 16384), packet});
    }
    map.fine.push_back({static_cast<std::uint32_t>(entries[i].sizeClass & 7),
                        static_cast<std::uint32_t>((pts >> 9) % 2048), packet % 131072});
    previousPts = pts;
    previousPacket = packet;
  }
  return map;
}

std::vector<std::uint8_t> ComposeClpi(const InputRecord& record) {
  const EpMap map = BuildEpMap(record.entryPoints);
  const std::uint32_t c = static_cast<std::uint32_t>(map.coarse.size());
  const std::uint32_t fine = static_cast<std::uint32_t>(map.fine.size());
  const std::uint32_t e = 20 + 8 * c + 4 * fine;
  const StreamAttributes& a = record.attributes;
  const std::uint32_t in = static_cast<std::uint32_t>(record.firstPts);
  const std::uint32_t out = static_cast<std::uint32_t>(record.lastPts);

  ByteComposer f(e + 320);
  f.PutText(0, "HDMV");
  f.PutText(4, "0200");
  f.Put32(8, 220);
  f.Put32(12, 246);
  f.Put32(16, 308);
  f.Put32(20, e + 312);
  f.Put32(24, e + 316);
  f.Put32(40, 176);
  f.Put8(46, 1);
  f.Put8(47, 1);
  f.Put32(52, static_cast<std::uint32_t>(record.recordingRate));
  f.Put32(56, static_cast<std::uint32_t>(record.packetCount));
  f.Put16(188, 30);
  f.Put8(190, 0x80);
  f.PutText(191, "HDMV");

  f.Put32(220, 22);
  f.Put8(225, 1);
  f.Put8(230, 1);
  f.Put16(232, kPcrPid);
  f.Put32(238, in);
  f.Put32(242, out);

  f.Put32(246, 58);
  f.Put8(251, 1);
  f.Put16(256, kPmtPid);
  f.Put8(258, 2);
  f.Put16(260, kVideoPid);
  f.Put8(262, 21);
  f.Put8(263, static_cast<std::uint32_t>(a.videoCodingType));
  f.Put8(264, (a.videoFormat << 4) | (a.frameRate & 0x0F));
  f.Put8(265, a.aspectRatio << 4);
  f.Put16(284, kAudioPid);
  f.Put8(286, 21);
  f.Put8(287, static_cast<std::uint32_t>(a.audioCodingType));
  f.Put8(288, (a.audioPresentationType << 4) | (a.samplingFrequency & 0x0F));
  f.PutText(289, a.language.substr(0, 3));

  f.Put32(308, e);
  f.Put16(312, 1);
  f.Put16(314, 1);
  f.Put16(316, kVideoPid);
  // reserved (10 bits), stream type 1 (4 bits), coarse count (16 bits), fine count (18 bits)
  const std::uint64_t counts = (std::uint64_t{1} << 34) | (std::uint64_t{c & 0xFFFF} << 18) | (fine & 0x3FFFF);
  f.Put16(318, static_cast<std::uint32_t>(counts >> 32));
  f.Put32(320, static_cast<std::uint32_t>(counts));
  f.Put32(324, 14);
  f.Put32(328, 4 + 8 * c);
  std::size_t at = 332;
  for (const CoarseEntry& entry : map.coarse) {
    f.Put32(at, ((entry.fineIndex & 0x3FFFF) << 14) | (entry.pts & 0x3FFF));
    f.Put32(at + 4, entry.packet);
    at += 8;
  }
  for (const FineEntry& entry : map.fine) {
    f.Put32(at, ((entry.sizeClass & 7) << 28) | ((entry.pts & 0x7FF) << 17) | (entry.packet & 0x1FFFF));
    at += 4;
  }
  // Clip mark and extension data lengths stay 0.
  return f.Take();
}

bool CreateCLPI(const std::string& outputFolder, const InputRecord& record, int clipNumber) {
  const std::string path = ClipInfoPath(outputFolder, clipNumber);
  // The counts' fields hold 16 and 18 bits.
  if (record.entryPoints.size() > 0x3FFFF || BuildEpMap(record.entryPoints).coarse.size() > 0xFFFF) {
    ReportError("CreateCLPI - over buffer.\n\n" + path);
    return false;
  }
  return WriteReported(path, ComposeClpi(record), "clpi.\n\n" + path);
}

}  // namespace bdauthor
