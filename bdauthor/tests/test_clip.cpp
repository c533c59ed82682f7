#include "bdauthor/tests/test_clip.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace bdauthor::test {

namespace {

std::uint32_t Crc32Mpeg(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= static_cast<std::uint32_t>(data[i]) << 24;
    for (int b = 0; b < 8; ++b) crc = (crc & 0x80000000) ? (crc << 1) ^ 0x04C11DB7 : crc << 1;
  }
  return crc;
}

void PutPts(std::vector<std::uint8_t>& out, std::int64_t pts) {
  out.push_back(static_cast<std::uint8_t>(0x21 | ((pts >> 29) & 0x0E)));
  out.push_back(static_cast<std::uint8_t>(pts >> 22));
  out.push_back(static_cast<std::uint8_t>(0x01 | ((pts >> 14) & 0xFE)));
  out.push_back(static_cast<std::uint8_t>(pts >> 7));
  out.push_back(static_cast<std::uint8_t>(0x01 | ((pts << 1) & 0xFE)));
}

class Muxer {
 public:
  explicit Muxer(const MuxOptions& options) : options_(options) {}

  std::int64_t PacketCount() const { return static_cast<std::int64_t>(out_.size() / 192); }
  std::vector<std::uint8_t> Take() { return std::move(out_); }

  void Section(std::uint16_t pid, const std::vector<std::uint8_t>& section) {
    std::uint8_t* ts = NewPacket(pid, true, 1);
    std::size_t at = 4;
    ts[at++] = 0;  // pointer field
    for (std::uint8_t b : section) ts[at++] = b;
    while (at < 188) ts[at++] = 0xFF;
  }

  void Psi() {
    std::vector<std::uint8_t> pat = {0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xE1, 0x00};
    AppendCrc(pat);
    Section(0, pat);
    std::vector<std::uint8_t> pmt = {0x02, 0xB0, 0x00, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xF0,
                                     0x01, 0xF0, 0x00, 0x02, 0xF0, 0x11, 0xF0, 0x00};
    const std::uint8_t soundType = options_.sound == Sound::kLpcm ? 0x80 : options_.sound == Sound::kAc3 ? 0x81 : 0x03;
    if (options_.audio) pmt.insert(pmt.end(), {soundType, 0xF1, 0x00, 0xF0, 0x00});
    pmt[2] = static_cast<std::uint8_t>(pmt.size() - 3 + 4);
    AppendCrc(pmt);
    Section(0x100, pmt);
  }

  void Pcr(std::int64_t pcrBase) {
    std::uint8_t* ts = NewPacket(0x1001, false, 2);
    ts[4] = 183;
    ts[5] = 0x10;
    ts[6] = static_cast<std::uint8_t>(pcrBase >> 25);
    ts[7] = static_cast<std::uint8_t>(pcrBase >> 17);
    ts[8] = static_cast<std::uint8_t>(pcrBase >> 9);
    ts[9] = static_cast<std::uint8_t>(pcrBase >> 1);
    ts[10] = static_cast<std::uint8_t>(((pcrBase & 1) << 7) | 0x7E);
    ts[11] = 0;
    for (int i = 12; i < 188; ++i) ts[i] = 0xFF;
  }

  // Returns the numbers of the first and last packet written.
  std::pair<std::int64_t, std::int64_t> Pes(std::uint16_t pid, std::uint8_t streamId, std::int64_t pts,
                                            const std::uint8_t* data, std::size_t size, bool adaptation,
                                            std::size_t startStuffing = 0) {
    std::vector<std::uint8_t> pes = {0x00, 0x00, 0x01, streamId, 0, 0, 0x81, 0x80, 0x05};
    PutPts(pes, pts);
    pes.insert(pes.end(), data, data + size);
    const std::size_t length = pes.size() - 6;
    if (length <= 0xFFFF) {
      pes[4] = static_cast<std::uint8_t>(length >> 8);
      pes[5] = static_cast<std::uint8_t>(length);
    }
    const std::int64_t first = PacketCount();
    std::size_t at = 0;
    bool start = true;
    while (at < pes.size()) {
      // A flags-only adaptation field, with any stuffing asked for after the flags.
      const std::size_t header = (start && (adaptation || startStuffing > 0)) ? 2 + startStuffing : 0;
      std::size_t room = 184 - header;
      std::size_t take = std::min(room, pes.size() - at);
      std::size_t stuffing = room - take;
      const bool hasAdaptation = header > 0 || stuffing > 0;
      std::uint8_t* ts = NewPacket(pid, start, hasAdaptation ? 3 : 1);
      std::size_t w = 4;
      if (hasAdaptation) {
        std::size_t fieldLength = (header > 0 ? header - 1 : 0) + stuffing;
        if (header == 0 && stuffing > 0) fieldLength = stuffing - 1;
        ts[w++] = static_cast<std::uint8_t>(fieldLength);
        if (fieldLength > 0) {
          ts[w++] = header > 0 ? 0x40 : 0x00;  // random access indicator
          for (std::size_t i = 1; i < fieldLength; ++i) ts[w++] = 0xFF;
        }
      }
      std::copy(pes.begin() + static_cast<std::ptrdiff_t>(at), pes.begin() + static_cast<std::ptrdiff_t>(at + take),
                ts + w);
      at += take;
      start = false;
    }
    return {first, PacketCount() - 1};
  }

  void Null() {
    std::uint8_t* ts = NewPacket(0x1FFF, false, 1);
    for (int i = 4; i < 188; ++i) ts[i] = 0xFF;
  }

 private:
  static void AppendCrc(std::vector<std::uint8_t>& section) {
    const std::uint32_t crc = Crc32Mpeg(section.data(), section.size());
    for (int s = 24; s >= 0; s -= 8) section.push_back(static_cast<std::uint8_t>(crc >> s));
  }

  std::uint8_t* NewPacket(std::uint16_t pid, bool unitStart, int control) {
    const std::size_t at = out_.size();
    out_.resize(at + 192, 0);
    const std::uint32_t stamp =
        (options_.firstStamp + static_cast<std::uint32_t>(at / 192) * options_.stampStep) & 0x3FFFFFFF;
    out_[at] = static_cast<std::uint8_t>(stamp >> 24);
    out_[at + 1] = static_cast<std::uint8_t>(stamp >> 16);
    out_[at + 2] = static_cast<std::uint8_t>(stamp >> 8);
    out_[at + 3] = static_cast<std::uint8_t>(stamp);
    std::uint8_t* ts = &out_[at + 4];
    ts[0] = 0x47;
    ts[1] = static_cast<std::uint8_t>((unitStart ? 0x40 : 0) | (pid >> 8));
    ts[2] = static_cast<std::uint8_t>(pid);
    ts[3] = static_cast<std::uint8_t>((control << 4) | (continuity_[pid & 0x1FFF]++ & 0x0F));
    return ts;
  }

  MuxOptions options_;
  std::vector<std::uint8_t> out_;
  std::vector<std::uint8_t> continuity_ = std::vector<std::uint8_t>(0x2000, 0);
};

}  // namespace

std::vector<std::uint8_t> MakeMpeg2Stream(const SyntheticVideo& v) {
  std::vector<std::uint8_t> es;
  std::uint32_t filler = 0x12345678;
  for (int g = 0; g < v.gops; ++g) {
    es.insert(es.end(), {0x00, 0x00, 0x01, 0xB3, static_cast<std::uint8_t>(v.width >> 4),
                         static_cast<std::uint8_t>(((v.width & 0x0F) << 4) | (v.height >> 8)),
                         static_cast<std::uint8_t>(v.height),
                         static_cast<std::uint8_t>((v.aspectCode << 4) | v.frameRateCode), 0xFF, 0xFF, 0xE0, 0x00});
    if (v.extension)
      es.insert(es.end(), {0x00, 0x00, 0x01, 0xB5, 0x14, static_cast<std::uint8_t>(v.progressive ? 0x8A : 0x82), 0x00,
                           0x01, 0x00, 0x00});
    es.insert(es.end(), {0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x00});
    for (int f = 0; f < v.framesPerGop; ++f) {
      es.insert(es.end(), {0x00, 0x00, 0x01, 0x00, static_cast<std::uint8_t>(f >> 2),
                           static_cast<std::uint8_t>(((f & 3) << 6) | (f == 0 ? 0x08 : 0x10)), 0xFF, 0xF8});
      for (int i = 0; i < v.frameBytes; ++i) {
        filler = filler * 1103515245u + 12345u;
        std::uint8_t b = static_cast<std::uint8_t>(filler >> 24);
        es.push_back(b == 0 ? 0x5A : b);  // no zero bytes, so no start codes inside pictures
      }
    }
  }
  es.insert(es.end(), {0x00, 0x00, 0x01, 0xB7});
  return es;
}

std::vector<AccessUnit> SplitAccessUnits(const std::vector<std::uint8_t>& es) {
  std::vector<AccessUnit> units;
  std::int64_t candidate = -1;
  bool candidateSequence = false;
  std::vector<std::pair<std::size_t, bool>> starts;
  for (std::size_t i = 0; i + 3 < es.size(); ++i) {
    if (es[i] != 0 || es[i + 1] != 0 || es[i + 2] != 1) continue;
    const std::uint8_t code = es[i + 3];
    if ((code == 0xB3 || code == 0xB8) && candidate < 0) {
      candidate = static_cast<std::int64_t>(i);
      candidateSequence = code == 0xB3;
    } else if (code == 0x00) {
      if (candidate >= 0) {
        starts.push_back({static_cast<std::size_t>(candidate), candidateSequence});
      } else {
        starts.push_back({i, false});
      }
      candidate = -1;
      candidateSequence = false;
    }
  }
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const std::size_t end = k + 1 < starts.size() ? starts[k + 1].first : es.size();
    units.push_back({starts[k].first, end - starts[k].first, starts[k].second});
  }
  return units;
}

namespace {

// One PES of sound per frame duration: 48 kHz stereo 16-bit LPCM behind its 4-byte header, or
// frames of AC-3 (448 kbit/s) or MPEG-1 layer II (384 kbit/s) behind their sync words.
std::vector<std::uint8_t> SoundPayload(const MuxOptions& options) {
  if (options.sound == Sound::kLpcm) {
    const std::size_t audioBytes = static_cast<std::size_t>(options.frameDuration * 48000 / 90000) * 4;
    std::vector<std::uint8_t> audio(4 + audioBytes, 0);
    audio[0] = static_cast<std::uint8_t>(audioBytes >> 8);
    audio[1] = static_cast<std::uint8_t>(audioBytes);
    audio[2] = options.lpcmFormat;
    audio[3] = 0x40;
    return audio;
  }
  const bool ac3 = options.sound == Sound::kAc3;
  std::vector<std::uint8_t> audio(ac3 ? 1792 : 1152, 0x55);
  const std::vector<std::uint8_t> sync =
      ac3 ? std::vector<std::uint8_t>{0x0B, 0x77, 0x00, 0x00, 0x1C} : std::vector<std::uint8_t>{0xFF, 0xFD, 0xC4, 0x04};
  std::copy(sync.begin(), sync.end(), audio.begin());
  return audio;
}

}  // namespace

MuxedClip MuxClip(const std::vector<std::uint8_t>& es, const MuxOptions& options) {
  return MuxUnits(es, SplitAccessUnits(es), options);
}

MuxedClip MuxUnits(const std::vector<std::uint8_t>& es, const std::vector<AccessUnit>& units,
                   const MuxOptions& options) {
  MuxedClip clip;
  Muxer mux(options);
  mux.Psi();
  const std::vector<std::uint8_t> audio = SoundPayload(options);
  const std::uint8_t soundStream = options.sound == Sound::kMp2 ? 0xC0 : 0xBD;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const std::int64_t pts = options.firstPts + static_cast<std::int64_t>(i) * options.frameDuration;
    mux.Pcr(pts - 9000);
    if (i % 15 == 0) mux.Psi();
    auto [first, last] = mux.Pes(0x1011, 0xE0, pts, es.data() + units[i].offset, units[i].size,
                                 options.adaptationAtPesStart, options.pesStartStuffing);
    if (units[i].sequenceStart) clip.entries.push_back({first, pts, last});
    clip.lastVideoPts = pts;
    if (options.audio) mux.Pes(0x1100, soundStream, pts, audio.data(), audio.size(), false);
  }
  if (options.alignUnits) {
    while (mux.PacketCount() % 32 != 0) mux.Null();
  }
  clip.bytes = mux.Take();
  return clip;
}

std::string MuxedClip::Companion() const {
  std::string text = std::to_string(entries.size()) + "\n";
  for (const MuxedEntry& e : entries) {
    text += std::to_string(e.firstPacket) + " " + std::to_string(e.pts) + " " + std::to_string(e.lastPacket) + "\n";
  }
  return text;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace bdauthor::test
