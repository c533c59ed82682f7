#include "thumbs/first_key_picture.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include "platform/base/strings.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/objects.h"
#include "platform/media/scaler.h"

namespace {

// A key picture further in than this many packets is no thumbnail's business: the graph
// road, which runs the file, takes over.
constexpr int kMostPackets = 2000;

struct InputCloser {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// The decoder for one video stream, on one thread: a thumbnail is one picture.
std::unique_ptr<AVCodecContext, CodecCloser> OpenDecoder(const AVStream& stream) {
  const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
  if (!codec) return nullptr;
  std::unique_ptr<AVCodecContext, CodecCloser> context(avcodec_alloc_context3(codec));
  if (!context || avcodec_parameters_to_context(context.get(), stream.codecpar) < 0) return nullptr;
  context->thread_count = 1;
  if (avcodec_open2(context.get(), codec, nullptr) < 0) return nullptr;
  return context;
}

}  // namespace

std::string FirstKeyPicture::FormatForName(const std::string& path) {
  const auto dot = path.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : platform::ToLowerAscii(path.substr(dot));
  if (extension == ".mts" || extension == ".m2ts" || extension == ".ts") return "mpegts";
  if (extension == ".wmv" || extension == ".asf") return "asf";
  if (extension == ".avi") return "avi";
  if (extension == ".mp4" || extension == ".mov") return "mov";
  if (extension == ".mpg" || extension == ".mpeg" || extension == ".vob") return "mpeg";
  return "";
}

std::unique_ptr<FirstKeyPicture> FirstKeyPicture::Decode(const std::string& path, const std::string& format) {
  const AVInputFormat* named = format.empty() ? nullptr : av_find_input_format(format.c_str());
  if (!format.empty() && !named) return nullptr;
  AVFormatContext* raw = avformat_alloc_context();
  if (!raw) return nullptr;
  // A named container is read from its headers; one told by content is probed in small steps.
  raw->probesize = 256 * 1024;
  if (avformat_open_input(&raw, path.c_str(), named, nullptr) < 0) return nullptr;  // frees raw
  std::unique_ptr<AVFormatContext, InputCloser> input(raw);
  // A container that names its streams in its header and names no video has none to read for.
  if (!(input->ctx_flags & AVFMTCTX_NOHEADER) &&
      std::none_of(input->streams, input->streams + input->nb_streams,
                   [](const AVStream* s) { return s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO; }))
    return nullptr;

  std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
  if (!packet || !frame) return nullptr;
  std::unique_ptr<AVCodecContext, CodecCloser> decoder;
  int video = -1;
  // Program streams announce their streams only as their packets come, so the video stream is
  // the first stream of video any packet belongs to.
  for (int read = 0; read < kMostPackets && av_read_frame(input.get(), packet.get()) >= 0; ++read) {
    const int index = packet->stream_index;
    const AVStream* stream =
        index >= 0 && static_cast<unsigned>(index) < input->nb_streams ? input->streams[index] : nullptr;
    const bool isVideo = stream && stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                         !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
    if (video < 0 && isVideo) {
      decoder = OpenDecoder(*stream);
      if (!decoder) return nullptr;
      video = index;
    }
    if (index != video || !(packet->flags & AV_PKT_FLAG_KEY)) {
      av_packet_unref(packet.get());
      continue;
    }
    // The key packet alone, then the decoder drained: no wait for a second picture.
    const int sent = avcodec_send_packet(decoder.get(), packet.get());
    av_packet_unref(packet.get());
    if (sent < 0) return nullptr;
    avcodec_send_packet(decoder.get(), nullptr);
    if (avcodec_receive_frame(decoder.get(), frame.get()) < 0 || frame->width <= 0 || frame->height <= 0)
      return nullptr;
    return std::unique_ptr<FirstKeyPicture>(new FirstKeyPicture(frame.release()));
  }
  return nullptr;
}

FirstKeyPicture::~FirstKeyPicture() { av_frame_free(&frame_); }

int FirstKeyPicture::Width() const { return frame_->width; }
int FirstKeyPicture::Height() const { return frame_->height; }

bool FirstKeyPicture::Shrinks(int width, int height) const {
  return width > 0 && height > 0 && width <= Width() && height <= Height() && (width < Width() || height < Height());
}

namespace {

// Adds a row of 8-bit samples, each counted `weight` times, into 16-bit column sums, 16
// samples a step where the processor has SSE2.
void AddRow(const std::uint8_t* row, std::uint16_t* sums, int count, int weight) {
  int j = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), times = _mm_set1_epi16(static_cast<short>(weight));
  for (; j + 16 <= count; j += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j));
    auto* at = reinterpret_cast<__m128i*>(sums + j);
    __m128i low = _mm_unpacklo_epi8(v, zero), high = _mm_unpackhi_epi8(v, zero);
    if (weight != 1) low = _mm_mullo_epi16(low, times), high = _mm_mullo_epi16(high, times);
    _mm_storeu_si128(at, _mm_add_epi16(_mm_loadu_si128(at), low));
    _mm_storeu_si128(at + 1, _mm_add_epi16(_mm_loadu_si128(at + 1), high));
  }
#endif
  for (; j < count; ++j) sums[j] = static_cast<std::uint16_t>(sums[j] + row[j] * weight);
}

// An output pixel's box of picture columns [x0, x1) in a plane's column sums: column x counts
// the sum of x >> shift, so the sums at the two ends count only for the columns they cover.
struct ColumnBox {
  int first = 0, last = 0;
  std::uint32_t firstWeight = 0, lastWeight = 0, columns = 0;
};

std::vector<ColumnBox> ColumnBoxes(int width, int outWidth, int shift) {
  std::vector<ColumnBox> boxes(static_cast<std::size_t>(outWidth));
  for (int ox = 0; ox < outWidth; ++ox) {
    const int x0 = static_cast<int>(static_cast<std::int64_t>(ox) * width / outWidth);
    const int x1 = std::max(static_cast<int>(static_cast<std::int64_t>(ox + 1) * width / outWidth), x0 + 1);
    ColumnBox& box = boxes[static_cast<std::size_t>(ox)];
    box.first = x0 >> shift, box.last = (x1 - 1) >> shift;
    box.columns = static_cast<std::uint32_t>(x1 - x0);
    box.firstWeight = box.first == box.last ? box.columns : static_cast<std::uint32_t>(((box.first + 1) << shift) - x0);
    box.lastWeight = box.first == box.last ? 0 : static_cast<std::uint32_t>(x1 - (box.last << shift));
  }
  return boxes;
}

// One output row's means from its column sums over `rows` picture rows.
template <typename Sum>
void MeansOfRow(const Sum* sums, int shift, const std::vector<ColumnBox>& boxes, std::uint32_t rows,
                std::uint8_t* target, int outStep) {
  for (std::size_t ox = 0; ox < boxes.size(); ++ox) {
    const ColumnBox& box = boxes[ox];
    std::uint64_t middle = 0;
    for (int k = box.first + 1; k < box.last; ++k) middle += sums[k];
    const std::uint64_t sum = static_cast<std::uint64_t>(box.firstWeight) * sums[box.first] + (middle << shift) +
                              static_cast<std::uint64_t>(box.lastWeight) * sums[box.last];
    const std::uint64_t count = static_cast<std::uint64_t>(box.columns) * rows;
    target[static_cast<std::ptrdiff_t>(ox) * outStep] = static_cast<std::uint8_t>((sum + count / 2) / count);
  }
}

// The mean of a plane over each output pixel's box of picture pixels, the boxes whole pixels
// as the HALFTONE shrink of the full bitmap takes them; a subsampled plane counts each of its
// samples for the picture pixels it covers. One pass down the plane's rows into column sums,
// one along the sums.
void MeanOfBoxes(const std::uint8_t* plane, int stride, int step, int shiftX, int shiftY, int width, int height,
                 int outWidth, int outHeight, std::uint8_t* out, int outStride, int outStep) {
  const int columns = ((width - 1) >> shiftX) + 1;
  const std::vector<ColumnBox> boxes = ColumnBoxes(width, outWidth, shiftX);
  std::vector<std::uint32_t> sums(static_cast<std::size_t>(columns));
  std::vector<std::uint16_t> narrow(static_cast<std::size_t>(columns));
  for (int oy = 0; oy < outHeight; ++oy) {
    const int y0 = static_cast<int>(static_cast<std::int64_t>(oy) * height / outHeight);
    const int y1 = std::max(static_cast<int>(static_cast<std::int64_t>(oy + 1) * height / outHeight), y0 + 1);
    const auto rows = static_cast<std::uint32_t>(y1 - y0);
    std::uint8_t* target = out + static_cast<std::ptrdiff_t>(oy) * outStride;
    // Up to 257 rows of samples fit 16-bit sums.
    if (step == 1 && y1 - y0 <= 257) {
      std::fill(narrow.begin(), narrow.end(), std::uint16_t{0});
      // A subsampled plane's row once, counted for each picture row of the box it serves.
      for (int r = y0 >> shiftY; r <= (y1 - 1) >> shiftY; ++r) {
        const int weight = std::min(y1, (r + 1) << shiftY) - std::max(y0, r << shiftY);
        AddRow(plane + static_cast<std::ptrdiff_t>(r) * stride, narrow.data(), columns, weight);
      }
      MeansOfRow(narrow.data(), shiftX, boxes, rows, target, outStep);
    } else {
      std::fill(sums.begin(), sums.end(), 0u);
      for (int y = y0; y < y1; ++y) {
        const std::uint8_t* row = plane + static_cast<std::ptrdiff_t>(y >> shiftY) * stride;
        for (int j = 0; j < columns; ++j)
          sums[static_cast<std::size_t>(j)] += row[static_cast<std::ptrdiff_t>(j) * step];
      }
      MeansOfRow(sums.data(), shiftX, boxes, rows, target, outStep);
    }
  }
}

// Whether the picture is 8-bit planar YUV, whose means can be taken plane by plane; *fullRange
// for the JPEG range of the yuvj formats.
bool IsPlanarYuv8(AVPixelFormat format, bool* fullRange) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
  if (!d || (d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BE)) ||
      !(d->flags & AV_PIX_FMT_FLAG_PLANAR) || d->nb_components != 3)
    return false;
  for (int c = 0; c < 3; ++c)
    if (d->comp[c].depth != 8 || d->comp[c].step != 1 || d->comp[c].plane != c) return false;
  *fullRange = format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ411P ||
               format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ444P;
  return true;
}

// The means' few pixels to BGR with the BT.601 matrix the full picture's conversion uses, in
// 16.16 fixed point: at a thumbnail's size a converter's setting up would cost more than this.
void YuvToBgr(const std::uint8_t* y, const std::uint8_t* u, const std::uint8_t* v, int width, int height,
              bool fullRange, std::uint8_t* lastRow, int stride) {
  const int ky = fullRange ? 65536 : 76309, offset = fullRange ? 0 : 16;
  const int rv = fullRange ? 91881 : 104597, gu = fullRange ? 22554 : 25675, gv = fullRange ? 46802 : 53279,
            bu = fullRange ? 116130 : 132201;
  auto clamp = [](int x) { return static_cast<std::uint8_t>(std::clamp(x >> 16, 0, 255)); };
  for (int row = 0; row < height; ++row) {
    std::uint8_t* out = lastRow - static_cast<std::ptrdiff_t>(row) * stride;
    for (int x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>(row) * width + x;
      const int l = (y[i] - offset) * ky + 32768, cu = u[i] - 128, cv = v[i] - 128;
      out[x * 3] = clamp(l + bu * cu);
      out[x * 3 + 1] = clamp(l - gu * cu - gv * cv);
      out[x * 3 + 2] = clamp(l + rv * cv);
    }
  }
}

}  // namespace

HBITMAP FirstKeyPicture::ShrinkTo(int width, int height) const {
  if (!Shrinks(width, height)) return nullptr;
  const auto format = static_cast<AVPixelFormat>(frame_->format);
  void* bits = nullptr;
  HBITMAP bitmap = CreateRgbDibSection(width, height, 24, false, &bits);
  if (!bitmap || !bits) return nullptr;
  const int stride = (width * 3 + 3) & ~3;
  // Bottom-up rows: the last row's address and a negative stride write the picture upright.
  std::uint8_t* lastRow = static_cast<std::uint8_t*>(bits) + static_cast<std::size_t>(stride) * (height - 1);
  bool made = false;
  if (bool fullRange = false; IsPlanarYuv8(format, &fullRange)) {
    // The planes' means at the thumbnail's size, then only those pixels converted.
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    const std::size_t area = static_cast<std::size_t>(width) * height;
    std::vector<std::uint8_t> means(area * 3);
    for (int c = 0; c < 3; ++c)
      MeanOfBoxes(frame_->data[c], frame_->linesize[c], 1, c ? d->log2_chroma_w : 0, c ? d->log2_chroma_h : 0, Width(),
                  Height(), width, height, means.data() + area * static_cast<std::size_t>(c), width, 1);
    YuvToBgr(means.data(), means.data() + area, means.data() + area * 2, width, height, fullRange, lastRow, stride);
    made = true;
  } else {
    // Any other layout (RGB, palettes, deeper samples): the whole picture as BGR24, then its means.
    auto scaler = media::Scaler::Open(format, Width(), Height(), AV_PIX_FMT_BGR24, Width(), Height());
    const int fullStride = Width() * 3;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(fullStride) * Height());
    std::uint8_t* target[4] = {rows.data(), nullptr, nullptr, nullptr};
    const int targetStrides[4] = {fullStride, 0, 0, 0};
    if (scaler && scaler->ScaleInto(frame_->data, frame_->linesize, target, targetStrides)) {
      for (int c = 0; c < 3; ++c)
        MeanOfBoxes(rows.data() + c, fullStride, 3, 0, 0, Width(), Height(), width, height, lastRow + c, -stride, 3);
      made = true;
    }
  }
  if (!made) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}
