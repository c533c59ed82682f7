// The MPEG decoder beside its peers, in one process on streams the bench makes itself (moving
// pictures with noise, I, P and B pictures, interlaced and progressive, all-intra, field pairs):
// thumbnail latency against the drained libav first picture, and the rate of decoding every
// picture against libavcodec and libmpeg2, with the decode's PSNR against ffmpeg's per stream.
// Usage: bench_mpegdec [rounds, at least 7] [stream folder]
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "bench/common/av_first_picture.h"
#include "bench/common/bench_rounds.h"
#include "bench/mpegdec/decoders.h"
#include "bench/mpegdec/field_pairs.h"
#include "mpegdec/video_decoder.h"

namespace {

struct Stream {
  const char* name;
  const char* file;
  const char* ffmpegArgs;       // empty for the field pairs and the looped stream, made apart
  const char* loopedFrom = "";  // a stream above, repeated by stream copy to kLoopedBytes
  bool decodedWhole = true;     // false: thumbnails only, its whole decode would take minutes
};

constexpr long long kLoopedBytes = 1LL << 30;

// Moving shapes with noise that changes every picture, so that prediction has real work.
#define MOVING(size, rate) "-f lavfi -i testsrc2=size=" size ":rate=" rate ",noise=alls=8:allf=t+u "
#define TONE "-f lavfi -i sine=sample_rate=48000 "
const Stream kStreams[] = {
    {"NTSC DVD PS 720x480i", "dvd_ntsc_720x480i.mpg",
     MOVING("720x480", "30000/1001") TONE
     "-t 10 -target ntsc-dvd -b:v 8M -maxrate 9M -g 15 -bf 2 -flags +ilme+ildct -top 1"},
    {"PS 720x576p", "ps_720x576p.mpg",
     MOVING("720x576", "25") TONE
     "-t 10 -c:v mpeg2video -b:v 8M -maxrate 9M -bufsize 1835k -g 15 -bf 2 -c:a mp2 -f vob"},
    {"ES 1440x1080i", "es_1440x1080i.m2v",
     MOVING("1440x1080", "25") "-frames:v 150 -c:v mpeg2video -b:v 25M -maxrate 25M -bufsize 9M -g 15 -bf 2 "
                               "-flags +ilme+ildct -top 1 -f mpeg2video"},
    {"ES 1920x1080i", "es_1920x1080i.m2v",
     MOVING("1920x1080", "25") "-frames:v 150 -c:v mpeg2video -b:v 30M -maxrate 30M -bufsize 9M -g 15 -bf 2 "
                               "-flags +ilme+ildct -top 1 -f mpeg2video"},
    {"ES 720x576 all intra", "es_720x576_intra.m2v",
     MOVING("720x576", "25") "-frames:v 150 -c:v mpeg2video -g 1 -q:v 3 -f mpeg2video"},
    {"ES 720x480i field pairs", "es_720x480i_fields.m2v", ""},
    // A long recording: the thumbnail finds the picture count at the far end of the file.
    {"NTSC DVD PS 1 GB", "dvd_ntsc_1gb.mpg", "", "dvd_ntsc_720x480i.mpg", false},
};

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

bool Ffmpeg(const std::string& args, const std::string& out) {
  const std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args + " '" + out + "'";
  return std::system(cmd.c_str()) == 0;
}

bool Make(const Stream& s, const std::string& dir, const std::string& path) {
  if (Exists(path)) return true;
  std::printf("making %s ...\n", path.c_str());
  std::fflush(stdout);
  if (*s.ffmpegArgs) return Ffmpeg(s.ffmpegArgs, path);
  // The muxer's rate warnings at the joins are no failure.
  if (*s.loopedFrom)
    return Ffmpeg("-loglevel fatal -stream_loop -1 -i '" + dir + "/" + s.loopedFrom + "' -c copy -fs " +
                      std::to_string(kLoopedBytes) + " -f dvd",
                  path);
  std::string why;
  if (WriteFieldPairStream(MOVING("720x480", "30000/1001"), 150, path, &why)) return true;
  std::fprintf(stderr, "field pairs: %s\n", why.c_str());
  return false;
}

// Reads a file once so that every contender finds it in the page cache.
void Warm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buf(1 << 20);
  while (in.read(buf.data(), static_cast<std::streamsize>(buf.size()))) {
  }
}

template <typename F>
double Timed(F f) {
  const double start = bench::Now();
  if (!f()) {
    std::fprintf(stderr, "a contender failed\n");
    std::exit(1);
  }
  return bench::Now() - start;
}

MpegThumbnail thumbnail;  // one object across calls, as the clip list keeps its own

void Thumbnails(const std::vector<std::string>& paths, const std::vector<std::string>& names, int rounds) {
  bench::Section(
      "Thumbnail latency, ms a file (20 calls a round); project: open, count the pictures (the file's ends), first "
      "picture, a 24-bit bitmap of the row's size (the clip list's 80x60 made straight from the planes)",
      "libavformat opened with the format named (no probing), libavcodec one thread drained after the first packet, "
      "swscale area to BGR24 of the row's size",
      "the peer does not count the pictures; both decode the whole first picture and average it down to 80x60 from "
      "its planes; row 'full size' gives the same full-size BGR24 picture as ours");
  const int calls = 20;
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::string& f = paths[i];
    for (int full = 0; full < 2; ++full) {
      bench::Figure fig{names[i] + (full ? ", full size" : ", to 80x60"), "ms", false, {}, {}, {}};
      bench::Interleave(
          rounds, fig,
          [&] {
            return Timed([&] {
                     for (int c = 0; c < calls; ++c)
                       if ((full ? DecodeMpegThumbnail(f.c_str(), thumbnail)
                                 : DecodeMpegThumbnailSized(f.c_str(), thumbnail, 80, 60)) != 1)
                         return false;
                     return true;
                   }) *
                   1000 / calls;
          },
          [&] {
            return Timed([&] {
                     for (int c = 0; c < calls; ++c)
                       if (!bench::AvFirstPicture(f, full ? 0 : 80, full ? 0 : 60)) return false;
                     return true;
                   }) *
                   1000 / calls;
          });
      bench::Print(fig);
    }
  }
}

void Decoding(const std::vector<std::string>& paths, const std::vector<std::string>& names,
              const std::vector<bool>& whole, int rounds) {
  bench::Section(
      "Decode of every picture, one thread, frames a second (higher is better); the project reads the file itself",
      "libavcodec (thread_count 1, its MPEG-2 parser) and libmpeg2 with its SIMD, each fed by a lean demux of a "
      "mapped file (the video PES payloads of a program stream, the elementary stream as it is)",
      "the peers neither convert nor copy the pictures they decode, and they read a mapped file rather than through "
      "reads");
  for (size_t i = 0; i < paths.size(); ++i) {
    if (!whole[i]) continue;
    const std::string& f = paths[i];
    bench::Figure av{names[i] + " / libavcodec", "frames/s", true, {}, {}, {}};
    bench::Figure lm{names[i] + " / libmpeg2", "frames/s", true, {}, {}, {}};
    int counts[3] = {0, 0, 0};
    for (int round = 0; round < rounds; ++round) {
      const std::vector<double> s =
          bench::RunRound(round, {[&] { return Timed([&] { return (counts[0] = ProjectDecodeAll(f)) > 0; }); },
                                  [&] { return Timed([&] { return (counts[1] = AvcodecDecodeAll(f)) > 0; }); },
                                  [&] { return Timed([&] { return (counts[2] = Libmpeg2DecodeAll(f)) > 0; }); }});
      av.Add(counts[0] / s[0], counts[1] / s[1]);
      lm.Add(counts[0] / s[0], counts[2] / s[2]);
    }
    DecodeCheck check;
    const bool checked = CheckAgainstFfmpeg(f, check);
    std::printf(" %s: frames project %d, libavcodec %d, libmpeg2 %d, ffmpeg %d%s\n", names[i].c_str(), counts[0],
                counts[1], counts[2], check.ffmpegFrames,
                counts[0] == counts[1] && counts[1] == counts[2] && counts[2] == check.ffmpegFrames
                    ? ""
                    : "  FRAME COUNTS DIFFER");
    if (checked)
      std::printf(" %s: PSNR against ffmpeg's decode Y %.1f Cb %.1f Cr %.1f dB, lowest frame Y %.1f dB%s\n",
                  names[i].c_str(), check.psnr[0], check.psnr[1], check.psnr[2], check.lowestLuma,
                  check.lowestLuma >= 40 ? "" : "  BELOW 40 dB");
    else std::printf(" %s: the PSNR check could not run\n", names[i].c_str());
    bench::Print(av);
    bench::Print(lm);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const std::string dir = argc > 2 ? argv[2] : BENCH_STREAM_DIR;
  bench::RequirePrograms({"ffmpeg"});
  std::system(("mkdir -p '" + dir + "'").c_str());
  av_log_set_level(AV_LOG_QUIET);
  std::vector<std::string> paths, names;
  std::vector<bool> decodedWhole;
  for (const Stream& s : kStreams) {
    const std::string path = dir + "/" + s.file;
    if (!Make(s, dir, path)) {
      std::fprintf(stderr, "could not make %s\n", path.c_str());
      return 1;
    }
    Warm(path);
    paths.push_back(path);
    names.push_back(s.name);
    decodedWhole.push_back(s.decodedWhole);
  }
  bench::Session session("MPEG decoder against libavcodec and libmpeg2", rounds);
  Thumbnails(paths, names, rounds);
  Decoding(paths, names, decodedWhole, rounds);
  return 0;
}
