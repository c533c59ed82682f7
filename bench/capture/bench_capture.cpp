// CPU time per recorded second of the capture graphs, fed by the free-running simulated USB box
// (DVD, Long DVD, VCD, WMV) and HDV camcorder (to DVD MPEG), against ffmpeg encoding the same raw
// pictures and sound (the camcorder's same transport stream) to the same target, in interleaved
// rounds. The simulated source's own cost is measured apart, in this process, and printed.
// Usage: bench_capture [rounds, at least 7] [frames a recording, default 450]
//        bench_capture pinned [seconds, default 20]  (see pinned_recording.h)
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "bench/capture/pinned_recording.h"
#include "bench/common/bench_rounds.h"
#include "capture/capture_graph.h"
#include "capture/dv_capture_graph.h"
#include "capture_rules.h"
#include "platform/base/process.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/base/file.h"
#include "platform/wmf/profile_data.h"
#include "platform/wmf/wmf.h"
#include "platform/window/window.h"

namespace {

namespace sim = platform::dshow::sim;

constexpr double kNtscRate = 30000.0 / 1001.0;
constexpr int kQuality = 2;  // the capture page's middle setting

struct Format {
  const char* name;
  int format;  // studio's record format
  int width, height;
  std::vector<std::string> ffmpegOutput;  // ffmpeg's options for the same target
  const char* how;                        // what those options stand for
};

// The MPEG recordings' own encoder settings at the bench's quality: MPEG-2 (MPEG-1 for VCD), GOP 15
// closed with 2 B pictures and no scene-cut keys, the recording's rate control and VBV buffer, the
// search of the middle quality (range 16, simple macroblock decisions), mp2 sound at the
// recording's rate. Spelt out rather than left to -target, which would encode with no B pictures,
// AC-3 sound and a variable rate.
std::vector<std::string> MpegPeerOutput(const char* codec, long rate, long maxRate, long minRate, long bufferBits,
                                        const char* audioRate, const char* muxer, bool longPlay) {
  std::vector<std::string> o{"-c:v",
                             codec,
                             "-b:v",
                             std::to_string(rate),
                             "-maxrate",
                             std::to_string(maxRate),
                             "-bufsize",
                             std::to_string(bufferBits),
                             "-g",
                             "15",
                             "-bf",
                             "2",
                             "-flags",
                             "+cgop",
                             "-sc_threshold",
                             "1000000000",
                             "-me_range",
                             "16",
                             "-mbd",
                             "simple",
                             "-aspect",
                             "4:3"};
  if (minRate > 0) o.insert(o.end(), {"-minrate", std::to_string(minRate)});
  if (longPlay) o.insert(o.end(), {"-qcomp", "0.7"});
  o.insert(o.end(), {"-c:a", "mp2", "-b:a", "224k", "-ar", audioRate, "-ac", "2", "-f", muxer});
  return o;
}

// The WMV profile the capture page records with, as its ASF writer reads it: the peer encodes
// with its rate, buffer, key frame spacing, size and sound, and no B pictures, as the writer does.
std::vector<std::string> WmvPeerOutput(std::string* how) {
  const std::string path = std::string(BENCH_APP_DIR) + "/" + studio::WmvProfileName(kQuality, 0, 2, 0);
  std::string bytes;
  platform::wmf::ProfileData profile;
  std::u16string wide;
  if (platform::ReadWholeFile(path, &bytes))
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      wide +=
          static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  if (!wide.empty() && wide[0] == 0xFEFF) wide.erase(0, 1);
  if (!platform::wmf::FromXml(Utf16ToUtf8(wide), &profile)) {
    std::fprintf(stderr, "cannot read the WMV profile %s\n", path.c_str());
    std::exit(1);
  }
  std::vector<std::string> video, audio;
  for (const platform::wmf::StreamData& st : profile.streams) {
    if (st.video && video.empty()) {
      const std::int64_t frameTime = std::max<std::int64_t>(st.frameTime, 1);
      const long gop = static_cast<long>(std::clamp<std::int64_t>(st.maxKeyFrameSpacing / frameTime, 1, 600));
      const long buffer = static_cast<long>(static_cast<std::int64_t>(st.bitrate) *
                                            std::max<std::uint32_t>(st.bufferWindow, 100) / 1000);
      video = {"-c:v",     "wmv2",
               "-b:v",     std::to_string(st.bitrate),
               "-maxrate", std::to_string(st.bitrate),
               "-bufsize", std::to_string(buffer),
               "-g",       std::to_string(gop),
               "-bf",      "0",
               "-s",       std::to_string(st.width) + "x" + std::to_string(st.height)};
      *how += std::string(audio.empty() ? "" : "; ") + "wmv2 " + std::to_string(st.bitrate / 1000) + " kb/s, buffer " +
              std::to_string(st.bufferWindow) + " ms, key frame each " + std::to_string(gop) + " pictures, no B, " +
              std::to_string(st.width) + "x" + std::to_string(st.height);
    } else if (!st.video && audio.empty()) {
      audio = {"-c:a", "wmav2",
               "-b:a", std::to_string(st.bitrate),
               "-ar",  std::to_string(st.sampleRate),
               "-ac",  std::to_string(st.channels == 1 ? 1 : 2)};
      *how += std::string(video.empty() ? "" : "; ") + "wmav2 " + std::to_string(st.bitrate / 1000) + " kb/s " +
              std::to_string(st.sampleRate) + " Hz";
    }
  }
  video.insert(video.end(), audio.begin(), audio.end());
  video.insert(video.end(), {"-f", "asf"});
  return video;
}

std::vector<Format> Formats() {
  const long dvd = studio::MpegVideoBitRate(studio::kDvd, kQuality);
  const long longRate = studio::MpegVideoBitRate(studio::kLongDvd, kQuality);
  const long longMax = std::max(std::min(longRate * 3 / 2, 9000000L), longRate);
  static std::string wmvHow = "the profile's settings: ";
  static const std::vector<std::string> wmv = WmvPeerOutput(&wmvHow);
  return {
      {"DVD", studio::kDvd, 720, 480, MpegPeerOutput("mpeg2video", dvd, dvd, dvd, 1835008, "48000", "dvd", false),
       "the recording's settings: MPEG-2 constant rate, GOP 15 closed with 2 B, me_range 16, mbd simple, mp2 224k "
       "48 kHz"},
      {"Long DVD", studio::kLongDvd, 720, 480,
       MpegPeerOutput("mpeg2video", longRate, longMax, 0, 1835008, "48000", "dvd", true),
       "the recording's settings: MPEG-2 variable rate up to 1.5x, GOP 15 closed with 2 B, qcomp 0.7, mp2 224k "
       "48 kHz"},
      {"VCD", studio::kVcd, 352, 240,
       MpegPeerOutput("mpeg1video", 1150000, 1150000, 1150000, 40 * 1024 * 8, "44100", "vcd", false),
       "the recording's settings: MPEG-1 1150 kb/s constant, GOP 15 closed with 2 B, mp2 224k 44.1 kHz"},
      {"WMV", studio::kWmv, 640, 480, wmv, wmvHow.c_str()},
  };
}

struct Recording {
  double cpuSeconds = 0;
  double recordedSeconds = 0;
  // Ends the bench when the recording gave nothing: no ratio against a failed contender.
  double PerSecond(const char* who) const {
    if (recordedSeconds <= 0) {
      std::fprintf(stderr, "%s recorded nothing\n", who);
      std::exit(1);
    }
    return cpuSeconds / recordedSeconds;
  }
};

int VideoPackets(const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffprobe",
                       {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                        "stream=nb_read_packets", "-of", "csv=p=0", file},
                       &out, &err, &code, 120000);
  return code == 0 ? std::atoi(out.c_str()) : 0;
}

// Where a stream's last packet ends, seconds: how much picture or sound a file holds.
double StreamSeconds(const std::string& file, const char* stream) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffprobe",
                       {"-v", "error", "-select_streams", stream, "-show_entries", "packet=pts_time,duration_time",
                        "-of", "csv=p=0", file},
                       &out, &err, &code, 120000);
  double end = 0;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    const auto comma = line.find(',');
    if (comma == std::string::npos) continue;
    end = std::max(end, std::atof(line.c_str()) + std::atof(line.c_str() + comma + 1));
  }
  return end;
}

// A recording whose sound outruns its picture (or the reverse) is not the same work as the peer's.
std::string Lengths(const char* who, const std::string& file) {
  const double picture = StreamSeconds(file, "v:0"), sound = StreamSeconds(file, "a:0");
  char text[160];
  std::snprintf(text, sizeof text, "%s picture %.2f s, sound %.2f s (%s)", who, picture, sound,
                std::abs(picture - sound) <= 0.5 ? "equal" : "NOT EQUAL");
  return text;
}

// Starts the box's recording into `file` in the format the capture page would use.
bool StartBoxRecording(CCaptureGraph& graph, const Format& f, const std::string& file) {
  if (!graph.OpenDevice(nullptr, nullptr, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1)) return false;
  long width = f.width, height = f.height;
  graph.ChangeCaptureFormat(&width, &height, TRUE);
  if (f.format == studio::kWmv) {
    WmvCaptureSettings s;
    s.fileName = file;
    s.profilePath = std::string(BENCH_APP_DIR) + "/" + studio::WmvProfileName(kQuality, 0, 2, 0);
    return graph.StartWmvCapture(&s);
  }
  MpegCaptureSettings s;
  s.fileName = file;
  s.streamType = studio::MpegStreamType(f.format, 0);
  s.resolutionLevel = 2;
  s.qualityLevel = kQuality;
  s.maxFileSizeMB = 4096;
  s.videoBitRate = studio::MpegVideoBitRate(f.format, kQuality);
  s.longPlay = f.format == studio::kLongDvd;
  return graph.StartMpegCapture(&s);
}

DWORD PicturesEncoded(CCaptureGraph& graph) {
  DWORD done = 0;
  graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &done);
  return done;
}

Recording RecordBox(const Format& f, int frames, const std::string& folder) {
  CCaptureGraph graph;
  Recording r;
  const bool wmv = f.format == studio::kWmv;
  const std::string file = folder + "ours" + (wmv ? ".wmv" : ".mpg");
  const double cpu = bench::ProcessCpuSeconds();
  const double start = bench::Now();
  if (!StartBoxRecording(graph, f, file)) {
    std::fprintf(stderr, "the %s recording did not start\n", f.name);
    return r;
  }
  // The box runs free, so a WMV recording's length is read from its file afterwards.
  const double wmvSeconds = frames / kNtscRate / 4;
  DWORD done = 0;
  while (wmv ? bench::Now() - start < wmvSeconds : done < static_cast<DWORD>(frames)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (!wmv) done = PicturesEncoded(graph);
  }
  graph.StopCapture();
  r.cpuSeconds = bench::ProcessCpuSeconds() - cpu;
  graph.CloseDevice();
  r.recordedSeconds = (wmv ? VideoPackets(file) : static_cast<int>(done)) / kNtscRate;
  return r;
}

// A DVD recording from the box at its own pace, the process held to four processors of which
// three are kept busy: whether it keeps up with the pictures as they come and loses none.
int RunPinnedRecording(int seconds) {
  av_log_set_level(AV_LOG_QUIET);
  sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
  sim::Hardware::SetFreeRunning(false);
  const std::string folder = std::string(BENCH_WORK_DIR) + "/";
  std::system(("mkdir -p '" + folder + "'").c_str());
  bench::BusyFourCores load;
  if (!load.Pinned()) {
    std::printf("pinned recording not run: %s\n", load.Why().c_str());
    return 3;
  }
  std::printf("DVD recording held to four processors, three of them busy\nload at start (1, 5, 15 min): %s\n",
              bench::LoadAverage().c_str());
  const Format dvd = Formats().front();
  const std::string file = folder + "pinned.mpg";
  CCaptureGraph graph;
  const double cpu = bench::ProcessCpuSeconds() - load.SpinningSeconds();
  if (!StartBoxRecording(graph, dvd, file)) {
    std::printf("the recording did not start\n");
    return 1;
  }
  const double start = bench::Now();
  // Behind by more than the encoder's own reordering at any look: not keeping real time.
  constexpr double kAllowedBehind = 4;
  double worstBehind = 0;
  while (bench::Now() - start < seconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double due = (bench::Now() - start) * kNtscRate;
    worstBehind = std::max(worstBehind, due - PicturesEncoded(graph));
  }
  const double wall = bench::Now() - start;
  const DWORD encoded = PicturesEncoded(graph);
  graph.StopCapture();
  const double used = bench::ProcessCpuSeconds() - load.SpinningSeconds() - cpu;
  graph.CloseDevice();
  const int inFile = VideoPackets(folder + "pinned_0.mpg");  // the recording's first (and only) part
  const int due = static_cast<int>(wall * kNtscRate);
  // The box never skips a picture: one not recorded is one the graph fell behind on or lost.
  const int lost = std::max(0, due - inFile - static_cast<int>(kAllowedBehind));
  std::printf("  processors %s, spinning threads on all but the first; %d s of NTSC DVD at its own pace\n",
              load.Processors().c_str(), seconds);
  std::printf(
      "  pictures due %d, encoded at stop %lu, in the file %d; most behind at any look %.1f pictures; "
      "%.3f cpu s a recorded second (the spinning threads not counted)\n",
      due, static_cast<unsigned long>(encoded), inFile, worstBehind, used / wall);
  const bool kept = worstBehind <= kAllowedBehind && lost == 0;
  std::printf("  real time %s, pictures lost %d\nload at end (1, 5, 15 min): %s\n", kept ? "kept" : "NOT kept", lost,
              bench::LoadAverage().c_str());
  return kept ? 0 : 2;
}

// The HDV recording's own settings on top of -target ntsc-dvd, which alone would encode with no B
// pictures, a narrower search, no rate-distortion decisions, a variable rate, AC-3 sound and a
// bicubic scale: the same work as ours, not less. The recording runs at its default quality (0, the
// best: wide search, rate-distortion decisions), constant 6 Mb/s, GOP 15 with 2 B, mp2 224k, and
// scales bilinearly. The rates name the video stream, as -target does, or its variable rate would
// win and easy pictures would not be filled up to the constant rate.
const std::vector<std::string>& HdvPeerOutput() {
  static const std::vector<std::string> output{
      "-target",   "ntsc-dvd", "-b:v", "6000000", "-minrate:v", "6000000", "-maxrate:v",    "6000000",     // rates
      "-g",        "15",       "-bf",  "2",       "-flags",     "+cgop",   "-sc_threshold", "1000000000",  // GOP
      "-me_range", "32",       "-mbd", "rd",                                                               // search
      "-c:a",      "mp2",      "-b:a", "224k",    "-sws_flags", "bilinear"};
  return output;
}

Recording FfmpegRecord(const std::vector<std::string>& input, const Format* f, int frames, const std::string& out) {
  // Input side: one decoding thread, libavcodec's default and so the camcorder graph's decoder's.
  std::vector<std::string> args{"-nostdin", "-v", "error", "-y", "-threads", "1"};
  args.insert(args.end(), input.begin(), input.end());
  if (f) args.insert(args.end(), f->ffmpegOutput.begin(), f->ffmpegOutput.end());
  else args.insert(args.end(), HdvPeerOutput().begin(), HdvPeerOutput().end());
  args.insert(args.end(), {"-threads", "0", out});
  std::string stdoutText, stderrText;
  int code = -1;
  const double cpu = bench::ChildrenCpuSeconds();
  platform::RunProcess("ffmpeg", args, &stdoutText, &stderrText, &code, 600000);
  Recording r;
  r.cpuSeconds = bench::ChildrenCpuSeconds() - cpu;
  if (code != 0) std::fprintf(stderr, "ffmpeg failed: %s\n", stderrText.c_str());
  else r.recordedSeconds = frames / kNtscRate;
  return r;
}

// The box's pictures and sound as raw files, and the CPU seconds the box spends making one
// second of them.
double WriteRawInput(const Format& f, int frames, const std::string& video, const std::string& audio) {
  std::ofstream pictures(video, std::ios::binary), sound(audio, std::ios::binary);
  std::vector<std::uint8_t> frame(static_cast<size_t>(f.width) * f.height * 2);
  const size_t samples = static_cast<size_t>(std::llround(frames * 48000 / kNtscRate));
  std::vector<std::int16_t> pcm(samples * 2);
  const double cpu = bench::ProcessCpuSeconds();
  for (int n = 0; n < frames; ++n) {
    sim::PaintFrame(MEDIASUBTYPE_YUY2, f.width, f.height, n, 333667, frame.data(), static_cast<size_t>(f.width) * 2);
    pictures.write(reinterpret_cast<const char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
  }
  sim::FillTone(pcm.data(), 2, 48000, 0, samples);
  const double made = bench::ProcessCpuSeconds() - cpu;
  sound.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size() * 2));
  return made / (frames / kNtscRate);
}

Recording RecordHdv(int frames, const std::string& folder, HWND window) {
  Recording r;
  CDvCaptureGraph graph;
  if (!graph.OpenHdv(window, window, "Vidarro HDV Camcorder")) return r;
  // Let the program tables map the streams before the recording starts.
  for (int i = 0; i < 100; ++i) {
    graph.HandleGraphEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  MpegCaptureSettings settings;
  settings.fileName = folder + "ours_hdv.mpg";
  settings.streamType = 7;
  settings.resolutionLevel = 2;
  settings.videoBitRate = 6000000;
  const double cpu = bench::ProcessCpuSeconds();
  if (!graph.StartHdvMpegCapture(&settings)) return r;
  DWORD done = 0;
  while (done < static_cast<DWORD>(frames)) {
    graph.HandleGraphEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &done);
  }
  graph.StopHdvCapture();
  r.cpuSeconds = bench::ProcessCpuSeconds() - cpu;
  r.recordedSeconds = done / kNtscRate;
  graph.Close();
  return r;
}

// The camcorder's transport stream for `frames` pictures, and the CPU seconds the camcorder
// spends a second making it.
double WriteHdvInput(int frames, const std::string& ts, int* written) {
  std::ofstream out(ts, std::ios::binary);
  const int loops = (frames + sim::HdvLoopFrames() - 1) / sim::HdvLoopFrames();
  sim::TsLoopRebaser rebaser;
  // The loop is encoded once a process, before any recording: its making is no part of the
  // camcorder's cost a second, which the recordings never pay.
  sim::HdvLoop();
  double cpu = 0;
  for (int i = 0; i < loops; ++i) {
    const double before = bench::ProcessCpuSeconds();
    auto copy = sim::HdvLoop();
    rebaser.Rebase(copy.data(), copy.size(), static_cast<std::int64_t>(i) * sim::HdvLoopFrames() * 3003);
    cpu += bench::ProcessCpuSeconds() - before;
    out.write(reinterpret_cast<const char*>(copy.data()), static_cast<std::streamsize>(copy.size()));
  }
  *written = loops * sim::HdvLoopFrames();
  return cpu / (*written / kNtscRate);
}

// The same rounds with the simulated source's own cost, measured apart, taken from ours: what a
// real device that hands over finished pictures would leave. Printed beside the whole figure.
bench::Figure LessTheSource(const bench::Figure& whole, double source, const char* what) {
  bench::Figure less{whole.name + " less the " + what, whole.unit, whole.higherIsBetter, {}, {}, {}};
  for (size_t i = 0; i < whole.project.size(); ++i) less.Add(whole.project[i] - source, whole.peer[i]);
  less.loads = whole.loads;
  return less;
}

std::string Raw(const Format& f) { return std::to_string(f.width) + "x" + std::to_string(f.height); }

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "pinned") return RunPinnedRecording(argc > 2 ? std::atoi(argv[2]) : 20);
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const int frames = argc > 2 ? std::max(30, std::atoi(argv[2])) : 450;
  bench::RequirePrograms({"ffmpeg", "ffprobe"});
  av_log_set_level(AV_LOG_QUIET);  // the in-process encoders' notes
  const std::string folder = std::string(BENCH_WORK_DIR) + "/";
  std::system(("mkdir -p '" + folder + "'").c_str());
  sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
  sim::Hardware::SetFreeRunning(true);

  bench::Session session("Capture graphs against ffmpeg on the same input, CPU seconds a recorded second", rounds);
  bench::Section("CPU seconds (user + system, all threads) a recorded second, lower is better; " +
                     std::to_string(frames) +
                     " frames a recording at 29.97; threads: the encoders' automatic "
                     "choice (0) and one decoding thread (HDV) for both, on " +
                     std::to_string(std::thread::hardware_concurrency()) + " processors",
                 "ffmpeg (-threads 1 in, -threads 0 out) encoding the box's raw YUY2 pictures and 48 kHz sound read "
                 "from files (the "
                 "camcorder's transport stream for HDV) to the same target",
                 "ours also runs the simulated device, its graph and its sound path in the same process (the "
                 "source's own cost is printed apart); ffmpeg reads finished files");
  std::vector<bench::Figure> figures;
  std::vector<std::string> notes;
  for (const Format& f : Formats()) {
    const std::string video = folder + f.name + ".yuv", audio = folder + f.name + ".pcm";
    const double source = WriteRawInput(f, frames, video, audio);
    const std::vector<std::string> videoInput{"-f",   "rawvideo", "-pix_fmt",   "yuyv422", "-s",
                                              Raw(f), "-r",       "30000/1001", "-i",      video},
        audioInput{"-f", "s16le", "-ar", "48000", "-ac", "2", "-i", audio};
    const bool wmv = f.format == studio::kWmv;
    const std::string out = folder + "ffmpeg" + (wmv ? ".wmv" : ".mpg");
    // The box runs free and a WMV recording cannot be stopped at a picture count, so the peer
    // encodes as many pictures as a first recording of ours held, its input looped: both pay
    // their start-up over the same length of recording.
    int peerFrames = frames;
    std::vector<std::string> peerInput = videoInput;
    peerInput.insert(peerInput.end(), audioInput.begin(), audioInput.end());
    if (wmv) {
      peerFrames = static_cast<int>(std::lround(RecordBox(f, frames, folder).recordedSeconds * kNtscRate));
      if (peerFrames <= 0) {
        std::fprintf(stderr, "the WMV recording held no pictures\n");
        return 1;
      }
      peerInput = {"-stream_loop", "-1"};
      peerInput.insert(peerInput.end(), videoInput.begin(), videoInput.end());
      peerInput.insert(peerInput.end(), {"-stream_loop", "-1"});
      peerInput.insert(peerInput.end(), audioInput.begin(), audioInput.end());
      // Output options: the looped input ends where the recording did.
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, "%.4f", peerFrames / kNtscRate);
      peerInput.insert(peerInput.end(), {"-frames:v", std::to_string(peerFrames), "-t", seconds});
    }
    figures.push_back({f.name, "cpu s/s", false, {}, {}, {}});
    bench::Interleave(
        rounds, figures.back(), [&] { return RecordBox(f, frames, folder).PerSecond(f.name); },
        [&] { return FfmpegRecord(peerInput, &f, peerFrames, out).PerSecond("ffmpeg"); });
    figures.push_back(LessTheSource(figures.back(), source, "box"));
    char note[256];
    std::snprintf(note, sizeof note, "%s %s: ffmpeg %s; the simulated box's own cost %.3f cpu s/s", f.name,
                  Raw(f).c_str(), f.how, source);
    notes.push_back(note);
    if (f.format == studio::kWmv)
      notes.push_back("WMV lengths of the last round: " + Lengths("ours", folder + "ours.wmv") + "; " +
                      Lengths("ffmpeg", out));
    std::remove(video.c_str());
    std::remove(audio.c_str());
  }
  {
    WNDCLASS wc;
    wc.lpszClassName = "BenchNotify";
    wc.lpfnWndProc = DefWindowProc;
    RegisterClass(&wc);
    HWND window =
        CreateWindowEx(0, "BenchNotify", "bench", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    const std::string ts = folder + "hdv.ts";
    int tsFrames = 0;
    const double source = WriteHdvInput(frames, ts, &tsFrames);
    figures.push_back({"HDV to DVD", "cpu s/s", false, {}, {}, {}});
    bench::Interleave(
        rounds, figures.back(), [&] { return RecordHdv(frames, folder, window).PerSecond("HDV to DVD"); },
        [&] {
          return FfmpegRecord({"-i", ts}, nullptr, tsFrames, folder + "ffmpeg_hdv.mpg").PerSecond("ffmpeg");
        });
    figures.push_back(LessTheSource(figures.back(), source, "camcorder"));
    char note[384];
    std::snprintf(
        note, sizeof note,
        "HDV to DVD 1440x1080i: ffmpeg -target ntsc-dvd with the recording's encoder settings (6 Mb/s "
        "constant, GOP 15 with 2 B, me_range 32, mbd rd, mp2 224k, bilinear scale) on the camcorder's stream; the "
        "simulated camcorder's own cost %.3f cpu s/s",
        source);
    notes.push_back(note);
    DestroyWindow(window);
    std::remove(ts.c_str());
  }
  for (const std::string& n : notes) std::printf("  %s\n", n.c_str());
  for (const bench::Figure& f : figures) bench::Print(f);
  return 0;
}
