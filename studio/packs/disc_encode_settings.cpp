#include "disc_encode_settings.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>

#include "picture_fit.h"
#include "platform/base/process.h"

namespace studio::packs {
namespace {

constexpr std::array<DiscEncodeSettings, 5> kSettings = {{
    // format, name, video, width, NTSC, PAL, rate, max rate, buffer, audio, other audio, audio rate, Hz, muxer,
    // packet, mux rate
    {DiscFormat::Dvd, "dvd", "mpeg2video", 720, 480, 576, 6000000, 9000000, 1835008, "mp2", "ac3", 224000, 48000, "dvd",
     2048, 10080000},
    {DiscFormat::LongDvd, "longdvd", "mpeg2video", 352, 480, 576, 2000000, 4000000, 1835008, "mp2", "ac3", 224000,
     48000, "dvd", 2048, 10080000},
    {DiscFormat::Vcd, "vcd", "mpeg1video", 352, 240, 288, 1150000, 1150000, 327680, "mp2", "", 224000, 44100, "vcd",
     2324, 1411200},
    {DiscFormat::Svcd, "svcd", "mpeg2video", 480, 480, 576, 2500000, 2516000, 1835008, "mp2", "", 224000, 44100, "svcd",
     2324, 4704000},
    {DiscFormat::Bluray, "bluray", "h264", 1920, 1080, 1080, 15000000, 40000000, 0, "ac3", "", 448000, 48000, "mpegts",
     0, 0},
}};

bool Fits(const std::string& found, const char* wanted) { return *wanted && found == wanted; }

bool Near(double value, double wanted, double share) { return std::abs(value - wanted) <= wanted * share; }

// "30000/1001", "25/1", "8:9" -> the quotient; 0 for "0/0", "N/A" and the like.
double Quotient(const std::string& text) {
  const size_t split = text.find_first_of("/:");
  const double num = std::atof(text.c_str());
  const double den = split == std::string::npos ? 1 : std::atof(text.c_str() + split + 1);
  return num > 0 && den > 0 ? num / den : 0;
}

}  // namespace

std::string AsFile(const std::string& path) { return "file:" + path; }

const DiscEncodeSettings& EncodeSettingsFor(DiscFormat format) {
  for (const DiscEncodeSettings& s : kSettings)
    if (s.format == format) return s;
  return kSettings[0];
}

std::optional<DiscFormat> DiscFormatNamed(std::string_view name) {
  for (const DiscEncodeSettings& s : kSettings)
    if (name == s.name) return s.format;
  return std::nullopt;
}

bool IsVideoCd(DiscFormat format) { return format == DiscFormat::Vcd || format == DiscFormat::Svcd; }

bool ProbeClipStreams(const std::string& path, ClipStreams* streams, int timeoutMs, const std::atomic<bool>* stop) {
  platform::ChildProcess probe;
  platform::ChildOptions options;
  options.ownSession = true;  // ended with whatever it started
  if (!probe.Start("ffprobe",
                   {"-v", "error", "-show_entries",
                    "format=format_name,duration:stream=codec_type,codec_name,width,height,sample_rate,"
                    "sample_aspect_ratio,avg_frame_rate,r_frame_rate",
                    "-of", "default", AsFile(path)},
                   options))
    return false;
  std::string out, err;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (probe.ReadOutput(&out, &err, 100)) {
    if ((stop && *stop) || std::chrono::steady_clock::now() > deadline) {
      probe.Terminate(500);
      return false;
    }
  }
  if (!probe.Wait(1000) || probe.ExitCode() != 0) return false;
  // Sections "[STREAM]" ... "[/STREAM]" and "[FORMAT]" ... "[/FORMAT]", their keys in any order;
  // a stream's side data nests inside it.
  ClipStreams s;
  std::map<std::string, std::string> section;
  size_t at = 0;
  while (at < out.size()) {
    const size_t end = std::min(out.find('\n', at), out.size());
    const std::string line = out.substr(at, end - at);
    at = end + 1;
    if (line == "[/STREAM]") {
      const std::string& type = section["codec_type"];
      if (section["codec_name"] == "dvd_nav_packet") s.navigationPacks = true;
      if (type == "video" && s.videoCodec.empty()) {
        s.videoCodec = section["codec_name"];
        s.width = std::atoi(section["width"].c_str());
        s.height = std::atoi(section["height"].c_str());
        const std::string& sample = section["sample_aspect_ratio"];
        const size_t colon = sample.find(':');
        s.displayAspect = colon == std::string::npos ? DisplayAspect(s.width, s.height, 0, 0)
                                                     : DisplayAspect(s.width, s.height, std::atoi(sample.c_str()),
                                                                     std::atoi(sample.c_str() + colon + 1));
        s.frameRate = Quotient(section["avg_frame_rate"]);
        if (s.frameRate <= 0) s.frameRate = Quotient(section["r_frame_rate"]);
      } else if (type == "audio" && s.audioCodec.empty()) {
        s.audioCodec = section["codec_name"];
        s.sampleRate = std::atoi(section["sample_rate"].c_str());
      }
    } else if (line == "[/FORMAT]") {
      s.container = section["format_name"];
      s.seconds = std::atof(section["duration"].c_str());
    }
    if (line == "[STREAM]" || line == "[FORMAT]") section.clear();
    if (!line.empty() && line.front() == '[') continue;
    if (const size_t equals = line.find('='); equals != std::string::npos)
      section[line.substr(0, equals)] = line.substr(equals + 1);
  }
  *streams = s;
  return !s.videoCodec.empty() && s.seconds > 0;
}

bool StreamsFitDisc(const ClipStreams& streams, DiscFormat format, bool ntsc) {
  const DiscEncodeSettings& s = EncodeSettingsFor(format);
  const int height = ntsc ? s.heightNtsc : s.heightPal;
  if (streams.videoCodec != s.videoCodec) return false;
  if (streams.audioCodec.empty() || streams.sampleRate != s.sampleRate) return false;
  if (!Fits(streams.audioCodec, s.audioCodec) && !Fits(streams.audioCodec, s.otherAudioCodec)) return false;
  // A stream that does not say its rate is taken by its height, which tells the TV system too.
  if (streams.frameRate > 0 && !Near(streams.frameRate, ntsc ? 30000.0 / 1001 : 25.0, 0.005)) return false;
  const bool dvd = format == DiscFormat::Dvd || format == DiscFormat::LongDvd;
  if (!Near(streams.displayAspect, 4.0 / 3, 0.02) && !(dvd && Near(streams.displayAspect, 16.0 / 9, 0.02)))
    return false;
  if (format == DiscFormat::Dvd || format == DiscFormat::LongDvd) {
    // Full, half and quarter pictures of the TV system.
    const bool full =
        (streams.width == 720 || streams.width == 704 || streams.width == 352) && streams.height == (ntsc ? 480 : 576);
    const bool quarter = streams.width == 352 && streams.height == (ntsc ? 240 : 288);
    return full || quarter;
  }
  return streams.width == s.width && streams.height == height;
}

std::vector<std::string> DiscStreamArguments(DiscFormat format, bool ntsc, bool otherAudio, const std::string& output) {
  const DiscEncodeSettings& s = EncodeSettingsFor(format);
  std::vector<std::string> args = {"-c:v", s.videoCodec, "-b:v", std::to_string(s.videoBitRate)};
  if (s.maxVideoBitRate) args.insert(args.end(), {"-maxrate", std::to_string(s.maxVideoBitRate)});
  if (s.bufferBits) args.insert(args.end(), {"-bufsize", std::to_string(s.bufferBits)});
  if (format != DiscFormat::Bluray) args.insert(args.end(), {"-g", ntsc ? "18" : "15"});
  if (format == DiscFormat::Vcd) args.insert(args.end(), {"-minrate", std::to_string(s.videoBitRate)});
  if (format == DiscFormat::Svcd) args.insert(args.end(), {"-scan_offset", "1"});
  const char* audio = otherAudio && *s.otherAudioCodec ? s.otherAudioCodec : s.audioCodec;
  args.insert(args.end(), {"-c:a", audio, "-b:a", std::to_string(s.audioBitRate), "-ar", std::to_string(s.sampleRate),
                           "-ac", "2", "-f", s.muxer});
  if (s.packetSize) args.insert(args.end(), {"-packetsize", std::to_string(s.packetSize)});
  if (s.muxRate) args.insert(args.end(), {"-muxrate", std::to_string(s.muxRate)});
  args.push_back(AsFile(output));
  return args;
}

bool WideOnDisc(DiscFormat format, double displayAspect) {
  return DiscFrameShape(format, displayAspect) == FrameShape::Wide;
}

std::vector<std::string> EncodeArguments(DiscFormat format, bool ntsc, bool copyStreams, double displayAspect,
                                         const std::string& input, const std::string& output) {
  const DiscEncodeSettings& s = EncodeSettingsFor(format);
  std::vector<std::string> args = {"-y",        "-nostdin", "-loglevel", "error",      "-nostats",
                                   "-progress", "pipe:1",   "-i",        AsFile(input)};
  if (copyStreams) {
    args.insert(args.end(), {"-map", "0:v:0", "-map", "0:a:0?", "-c", "copy", "-f", s.muxer});
    if (s.packetSize) args.insert(args.end(), {"-packetsize", std::to_string(s.packetSize)});
    if (s.muxRate) args.insert(args.end(), {"-muxrate", std::to_string(s.muxRate)});
    args.push_back(AsFile(output));
    return args;
  }
  const FrameSize frame{s.width, ntsc ? s.heightNtsc : s.heightPal, DiscFrameShape(format, displayAspect)};
  args.insert(args.end(), {"-map", "0:v:0", "-map", "0:a:0?", "-vf", FitFilter(frame, false), "-r",
                           ntsc ? "30000/1001" : "25", "-pix_fmt", "yuv420p"});
  const std::vector<std::string> stream = DiscStreamArguments(format, ntsc, false, output);
  args.insert(args.end(), stream.begin(), stream.end());
  return args;
}

}  // namespace studio::packs
