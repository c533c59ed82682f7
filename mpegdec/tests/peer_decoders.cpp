#include "mpegdec/tests/peer_decoders.h"

#include <cstdint>
#include <vector>

extern "C" {
#include <mpeg2dec/mpeg2.h>
}

namespace mpegtest {

bool Libmpeg2FirstPicture(const std::string& esPath, Planes& out) {
  std::vector<uint8_t> data = ReadAll(esPath);
  if (data.empty()) return false;
  mpeg2dec_t* dec = mpeg2_init();
  if (!dec) return false;
  const mpeg2_info_t* info = mpeg2_info(dec);
  size_t fed = 0;
  bool got = false;
  while (!got) {
    mpeg2_state_t state = mpeg2_parse(dec);
    if (state == STATE_BUFFER) {
      if (fed >= data.size()) break;
      size_t n = data.size() - fed < 4096 ? data.size() - fed : 4096;
      mpeg2_buffer(dec, data.data() + fed, data.data() + fed + n);
      fed += n;
      if (fed >= data.size()) {
        // Flush the last picture out with a sequence end code.
        static uint8_t end[4] = {0, 0, 1, 0xB7};
        mpeg2_buffer(dec, end, end + 4);
      }
      continue;
    }
    if ((state == STATE_SLICE || state == STATE_END || state == STATE_INVALID_END) && info->display_fbuf) {
      const mpeg2_sequence_t* seq = info->sequence;
      int w = int(seq->width), h = int(seq->height);
      int cw = int(seq->chroma_width), ch = int(seq->chroma_height);
      out.width = int(seq->picture_width);
      out.height = int(seq->picture_height);
      out.chromaWidth = cw == w ? out.width : out.width / 2;
      out.chromaHeight = ch == h ? out.height : out.height / 2;
      out.y.assign(size_t(out.width) * out.height, 0);
      out.cb.assign(size_t(out.chromaWidth) * out.chromaHeight, 0);
      out.cr.assign(size_t(out.chromaWidth) * out.chromaHeight, 0);
      for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) out.y[size_t(y) * out.width + x] = info->display_fbuf->buf[0][y * w + x];
      for (int y = 0; y < out.chromaHeight; ++y)
        for (int x = 0; x < out.chromaWidth; ++x) {
          out.cb[size_t(y) * out.chromaWidth + x] = info->display_fbuf->buf[1][y * cw + x];
          out.cr[size_t(y) * out.chromaWidth + x] = info->display_fbuf->buf[2][y * cw + x];
        }
      got = true;
    }
  }
  mpeg2_close(dec);
  return got;
}
}  // namespace mpegtest
