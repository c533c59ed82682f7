#include "mpegdec/tests/stream_writer.h"

namespace mpegtest {

void BitWriter::Put(uint32_t value, int bits) {
  for (int i = bits - 1; i >= 0; --i) {
    acc_ = (acc_ << 1) | ((value >> i) & 1);
    if (++count_ == 8) {
      bytes_.push_back(uint8_t(acc_));
      acc_ = 0;
      count_ = 0;
    }
  }
}

void BitWriter::PutCode(const char* bits) {
  for (; *bits; ++bits)
    if (*bits == '0' || *bits == '1') Put(uint32_t(*bits - '0'), 1);
}

void BitWriter::Align() {
  while (count_) Put(0, 1);
}

void BitWriter::StartCode(uint8_t code) {
  Align();
  bytes_.insert(bytes_.end(), {0, 0, 1, code});
}

std::vector<uint8_t>& BitWriter::Bytes() {
  Align();
  return bytes_;
}

namespace {
const char* kLumaDcSize[12] = {"100",   "00",     "01",      "101",      "110",       "1110",
                               "11110", "111110", "1111110", "11111110", "111111110", "111111111"};
const char* kChromaDcSize[12] = {"00",     "01",      "10",       "110",       "1110",       "11110",
                                 "111110", "1111110", "11111110", "111111110", "1111111110", "1111111111"};

void PutDcDiff(BitWriter& w, int cc, int diff) {
  int magnitude = diff < 0 ? -diff : diff;
  int size = 0;
  while ((1 << size) <= magnitude) ++size;
  w.PutCode(cc == 0 ? kLumaDcSize[size] : kChromaDcSize[size]);
  if (size) w.Put(uint32_t(diff < 0 ? diff + (1 << size) - 1 : diff), size);
}

// Block position (in 8x8 units of its plane) of block `comp` of the macroblock at (mbx, mby).
void BlockPlace(const SynthStream& s, int comp, int mbx, int mby, int& cc, int& bx, int& by) {
  if (comp < 4) {
    cc = 0;
    bx = 2 * mbx + (comp & 1);
    by = 2 * mby + (comp >> 1);
    return;
  }
  cc = 1 + (comp & 1);
  if (s.chromaFormat == 1) {
    bx = mbx;
    by = mby;
  } else if (s.chromaFormat == 2) {
    bx = mbx;
    by = 2 * mby + ((comp & 2) >> 1);
  } else {
    bx = 2 * mbx + ((comp & 8) >> 3);
    by = 2 * mby + ((comp & 2) >> 1);
  }
}
}  // namespace

int SynthBlockValue(const SynthStream& s, int picture, int cc, int bx, int by) {
  return 32 + ((bx * 37 + by * 59 + cc * 71 + picture * 17 + s.seed * 13) % 192);
}

std::vector<uint8_t> MakeIntraStream(const SynthStream& s) {
  BitWriter w;
  int mbw = (s.width + 15) / 16;
  int mbh = s.mpeg2 && !s.progressiveSequence ? 2 * ((s.height + 31) / 32) : (s.height + 15) / 16;
  int blocks = s.chromaFormat == 3 ? 12 : s.chromaFormat == 2 ? 8 : 6;

  w.StartCode(0xB3);
  w.Put(uint32_t(s.width & 0xFFF), 12);
  w.Put(uint32_t(s.height & 0xFFF), 12);
  w.Put(1, 4);
  w.Put(uint32_t(s.frameRateCode), 4);
  w.Put(0x3FFFF, 18);
  w.Put(1, 1);
  w.Put(112, 10);
  w.Put(0, 1);
  w.Put(0, 1);
  w.Put(0, 1);
  if (s.mpeg2) {
    w.StartCode(0xB5);
    w.Put(1, 4);
    w.Put(s.chromaFormat == 1 ? 0x48 : 0x14, 8);
    w.Put(uint32_t(s.progressiveSequence), 1);
    w.Put(uint32_t(s.chromaFormat), 2);
    w.Put(uint32_t(s.width >> 12), 2);
    w.Put(uint32_t(s.height >> 12), 2);
    w.Put(0, 12);
    w.Put(1, 1);
    w.Put(0, 8);
    w.Put(s.lowDelay ? 1 : 0, 1);
    w.Put(uint32_t(s.frameRateExtN), 2);
    w.Put(uint32_t(s.frameRateExtD), 5);
    if (s.matrixCoefficients >= 0) {
      w.StartCode(0xB5);
      w.Put(2, 4);
      w.Put(5, 3);
      w.Put(1, 1);
      w.Put(1, 8);
      w.Put(1, 8);
      w.Put(uint32_t(s.matrixCoefficients), 8);
      w.Put(uint32_t(s.width), 14);
      w.Put(1, 1);
      w.Put(uint32_t(s.height), 14);
    }
    if (s.spatialScalableZeroFactors) {
      w.StartCode(0xB5);
      w.Put(5, 4);
      w.Put(1, 2);
      w.Put(0, 4);
      w.Put(uint32_t(s.width), 14);
      w.Put(1, 1);
      w.Put(uint32_t(s.height), 14);
      w.Put(0, 20);
    }
    if (s.scalableModeCode >= 0) {
      w.StartCode(0xB5);
      w.Put(5, 4);
      w.Put(uint32_t(s.scalableModeCode), 2);
      w.Put(1, 4);
    }
    if (s.temporalScalable) {
      w.StartCode(0xB5);
      w.Put(5, 4);
      w.Put(3, 2);
      w.Put(0, 4);
      w.Put(0, 32);
    }
  }
  if (s.gop) {
    w.StartCode(0xB8);
    w.Put(s.dropFrame ? 1 : 0, 1);
    w.Put(uint32_t(s.tcHours), 5);
    w.Put(uint32_t(s.tcMinutes), 6);
    w.Put(1, 1);
    w.Put(uint32_t(s.tcSeconds), 6);
    w.Put(uint32_t(s.tcPictures), 6);
    w.Put(1, 1);
    w.Put(0, 1);
  }
  for (int p = 0; p < s.pictures; ++p) {
    int fields = s.fieldPictures ? 2 : 1;
    for (int f = 0; f < fields; ++f) {
      int structure = 3;
      if (s.fieldPictures) structure = (f == 0) != s.bottomFieldFirst ? 1 : 2;
      w.StartCode(0x00);
      w.Put(uint32_t(p), 10);
      w.Put(uint32_t(s.pictureType), 3);
      w.Put(0xFFFF, 16);
      w.Put(0, 1);
      if (s.mpeg2) {
        w.StartCode(0xB5);
        w.Put(8, 4);
        w.Put(0xFFFF, 16);
        w.Put(uint32_t(s.intraDcPrecision), 2);
        w.Put(uint32_t(structure), 2);
        w.Put(s.bottomFieldFirst ? 0 : 1, 1);
        w.Put(uint32_t(s.framePredFrameDct), 1);
        w.Put(0, 1);
        w.Put(0, 1);
        w.Put(uint32_t(s.intraVlcFormat), 1);
        w.Put(0, 1);
        w.Put(0, 1);
        w.Put(uint32_t(s.progressiveSequence), 1);
        w.Put(uint32_t(s.progressiveSequence), 1);
        w.Put(0, 1);
        if (s.pictureSpatialExtension) {
          w.StartCode(0xB5);
          w.Put(9, 4);
          w.Put(0, 10);
          w.Put(1, 1);
          w.Put(0, 15);
          w.Put(1, 1);
          w.Put(0, 15);
          w.Put(0, 4);
        }
      }
      int rows = structure == 3 ? mbh : mbh / 2;
      int picIndex = s.fieldPictures ? 2 * p + (structure == 2) : p;
      for (int r = 0; r < rows; ++r) {
        if (s.skipRowsFrom >= 0 && r >= s.skipRowsFrom) break;
        // Tall pictures carry the high bits of the row in the slice header.
        bool extended = s.mpeg2 && s.height > 2800;
        w.StartCode(uint8_t(extended ? (r & 127) + 1 : r + 1));
        if (extended) w.Put(uint32_t(r >> 7), 3);
        w.Put(8, 5);
        w.Put(0, 1);
        int pred[3] = {0, 0, 0};
        for (int c = 0; c < mbw; ++c) {
          if (c == 0 && r == rows - 1)
            for (int e = 0; e < s.lastSliceEscapes; ++e) w.PutCode("0000 0001 000");
          for (int k = 0; k < s.stuffingPerMacroblock; ++k) w.PutCode("0000 0001 111");
          w.PutCode("1");  // address increment 1
          w.PutCode("1");  // intra
          if (s.mpeg2 && structure == 3 && !s.framePredFrameDct) w.Put(0, 1);
          for (int comp = 0; comp < blocks; ++comp) {
            int cc, bx, by;
            BlockPlace(s, comp, c, r, cc, bx, by);
            int v = SynthBlockValue(s, picIndex, cc, bx, by);
            int dc = s.mpeg2 ? (v - 128) << s.intraDcPrecision : v - 128;
            PutDcDiff(w, cc, dc - pred[cc]);
            pred[cc] = dc;
            if (s.pictureType != 4) w.PutCode(s.mpeg2 && s.intraVlcFormat ? "0110" : "10");
          }
          if (s.pictureType == 4) w.Put(1, 1);
        }
      }
    }
  }
  if (s.sequenceEnd) w.StartCode(0xB7);
  return w.Bytes();
}

std::vector<uint8_t> WrapProgramStream(const std::vector<uint8_t>& es, int payload, bool mpeg2Packets) {
  std::vector<uint8_t> out;
  auto pack = [&] {
    out.insert(out.end(), {0, 0, 1, 0xBA});
    if (mpeg2Packets) out.insert(out.end(), {0x44, 0, 4, 0, 4, 1, 0x01, 0x89, 0xC3, 0xF8});
    else out.insert(out.end(), {0x21, 0, 1, 0, 1, 0x80, 0x1B, 0x91});
  };
  auto packet = [&](uint8_t id, const uint8_t* data, size_t n) {
    std::vector<uint8_t> header =
        mpeg2Packets ? std::vector<uint8_t>{0x81, 0x00, 0x00} : std::vector<uint8_t>{0xFF, 0xFF, 0x0F};
    size_t len = header.size() + n;
    out.insert(out.end(), {0, 0, 1, id, uint8_t(len >> 8), uint8_t(len)});
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), data, data + n);
  };
  const uint8_t audio[12] = {0xFF, 0xFD, 0x90, 0x64, 0x11, 0xE0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
  for (size_t pos = 0; pos < es.size(); pos += size_t(payload)) {
    pack();
    size_t n = es.size() - pos < size_t(payload) ? es.size() - pos : size_t(payload);
    packet(0xE0, es.data() + pos, n);
    packet(0xC0, audio, sizeof audio);
    packet(0xE0, nullptr, 0);
  }
  out.insert(out.end(), {0, 0, 1, 0xB9});
  return out;
}
}  // namespace mpegtest
