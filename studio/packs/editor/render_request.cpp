#include "render_request.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "pack_text.h"
#include "picture_fit.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"

namespace studio::packs {
namespace {

// The Blu-ray clip of the authoring library: MPEG-2 1080i and stereo 48 kHz LPCM on the PIDs its
// clip analysis reads, in 192-byte source packets. The disc table's Blu-ray row (H.264, AC-3) is
// the burner's own disc, which that analysis refuses.
constexpr int kBdmvWidth = 1920, kBdmvHeight = 1080, kBdmvBitRate = 18000000, kBdmvMaxRate = 30000000;
constexpr int kBdmvSampleRate = 48000;

std::string Format(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

std::vector<std::string> BdmvStreamArguments(bool ntsc, const std::string& output) {
  return {"-c:v",
          "mpeg2video",
          "-b:v",
          std::to_string(kBdmvBitRate),
          "-maxrate",
          std::to_string(kBdmvMaxRate),
          "-bufsize",
          "9781248",
          "-g",
          ntsc ? "15" : "12",
          "-bf",
          "2",
          "-flags",
          "+ilme+ildct",
          "-top",
          "1",
          "-c:a",
          "pcm_bluray",
          "-sample_fmt",
          "s16",
          "-ar",
          std::to_string(kBdmvSampleRate),
          "-ac",
          "2",
          "-streamid",
          "0:0x1011",
          "-streamid",
          "1:0x1100",
          "-f",
          "mpegts",
          "-mpegts_m2ts_mode",
          "1",
          "-muxrate",
          "48000000",
          AsFile(output)};
}

}  // namespace

std::optional<DiscFormat> RenderDiscFormat(const std::string& type) {
  if (type == "mpeg2") return DiscFormat::Dvd;
  if (type == "svcd") return DiscFormat::Svcd;
  if (type == "vcd") return DiscFormat::Vcd;
  return std::nullopt;
}

bool KnownRenderType(const std::string& type) { return type == "mpeg1" || type == "bdmv" || RenderDiscFormat(type); }

RenderRequest ParseRenderRequest(const std::string& text) {
  RenderRequest r;
  r.type = PairValue(text, "type", "mpeg1");
  r.width = std::atoi(PairValue(text, "width", "0").c_str());
  r.height = std::atoi(PairValue(text, "height", "0").c_str());
  r.bitrate = std::atoi(PairValue(text, "bitrate", "0").c_str());
  r.ntsc = PairValue(text, "ntsc", "1") != "0";
  r.otherAudio = PairValue(text, "audiotype", "0") == "1";
  r.wide = PairValue(text, "wide", "0") == "1";
  // The path runs to the end of the text: a name may hold ';'.
  const size_t at = text.find("path=");
  r.path = at == std::string::npos ? std::string() : text.substr(at + 5);
  // 4:2:0 pictures have even sides; an odd size asked for is the even one below it.
  r.width -= r.width % 2;
  r.height -= r.height % 2;
  if (const std::optional<DiscFormat> disc = RenderDiscFormat(r.type)) {
    // A disc's stream has the disc's own size and rates.
    const DiscEncodeSettings& s = EncodeSettingsFor(*disc);
    r.width = s.width;
    r.height = r.ntsc ? s.heightNtsc : s.heightPal;
    r.bitrate = s.videoBitRate;
  } else if (r.type == "bdmv") {
    r.width = kBdmvWidth;
    r.height = kBdmvHeight;
    r.bitrate = kBdmvBitRate;
  }
  return r;
}

std::string RenderRefusal(const RenderRequest& request, double seconds) {
  const std::string folder = platform::FolderOf(request.path);
  if (!platform::FolderExists(folder.empty() ? "." : folder))
    return "The folder \"" + folder + "\" is not there. Choose another output folder and try again.";
  if (!ProgramOnPath("ffmpeg"))
    return "ffmpeg is not installed, so no video can be made. Install ffmpeg and try again.";
  // The video's rate, the sound's (LPCM for a Blu-ray clip) and a tenth for the multiplex.
  const double sound = request.type == "bdmv" ? 1536000.0 : 448000.0;
  const double bytes = seconds * (request.bitrate + sound) / 8 * 1.1;
  platform::DiskSpace space;
  if (platform::GetDiskSpace(folder, &space) && static_cast<double>(space.available) < bytes)
    return "There is not enough free space in \"" + folder + "\" for the video (about " +
           std::to_string(static_cast<long long>(bytes / 1e6) + 1) + " MB). Free some space and try again.";
  return {};
}

std::string RenderFailureText(const std::string& path, const std::string& reason) {
  std::string text = "The edited video could not be made in \"" + platform::FolderOf(path) + "\".";
  if (!reason.empty()) text += "\n\n" + reason;
  text +=
      "\n\nCheck that the folder still exists and has free space, and that every clip on the storyboard can "
      "still be played, then try again.";
  return text;
}

std::vector<std::string> RenderArguments(const std::vector<StoryboardClip>& clips, const RenderRequest& request) {
  const std::optional<DiscFormat> disc = RenderDiscFormat(request.type);
  const bool bdmv = request.type == "bdmv";
  const int sampleRate = disc ? EncodeSettingsFor(*disc).sampleRate : bdmv ? kBdmvSampleRate : 44100;
  const std::string rate = std::to_string(sampleRate);
  const std::string fps = request.ntsc ? "30000/1001" : "25";
  const std::string w = std::to_string(request.width), h = std::to_string(request.height);
  // A DVD, SVCD or VCD frame shows at 4:3 (a DVD's at 16:9 when asked) and a Blu-ray one at 16:9
  // whatever its pixel size; any other file has square pixels.
  FrameSize frame{request.width, request.height, FrameShape::SquarePixels};
  if (bdmv) frame.shape = FrameShape::Wide;
  else if (disc) frame.shape = request.wide && *disc == DiscFormat::Dvd ? FrameShape::Wide : FrameShape::Standard;
  std::vector<std::string> args = {"-y", "-nostdin", "-loglevel", "error", "-nostats", "-progress", "pipe:1"};
  std::vector<int> videoInput, audioInput;
  int next = 0;
  for (const StoryboardClip& clip : clips) {
    const std::string length = Format(clip.Length());
    if (clip.facts.picture) {
      args.insert(args.end(), {"-loop", "1", "-framerate", "25", "-t", length});
    } else {
      // Seeking before the input keeps the decode short; a re-encode still starts on the in point's frame.
      if (clip.in > 0) args.insert(args.end(), {"-ss", Format(clip.in)});
      args.insert(args.end(), {"-t", length});
    }
    args.insert(args.end(), {"-i", AsFile(clip.path)});
    videoInput.push_back(next);
    audioInput.push_back(next++);
    if (!clip.facts.hasAudio) {
      // A silent clip or a picture gets silence of its own length, so the sound stays in step.
      args.insert(args.end(), {"-f", "lavfi", "-t", length, "-i", "anullsrc=r=" + rate + ":cl=stereo"});
      audioInput.back() = next++;
    }
  }
  std::string graph;
  std::string concat;
  for (size_t i = 0; i < clips.size(); ++i) {
    const std::string n = std::to_string(i);
    // Appended piece by piece: chains of + on temporaries draw a false overlap warning from g++ 12.
    for (const std::string& piece :
         {std::string("["), std::to_string(videoInput[i]), std::string(":v:0]"),
          FitFilter(frame, clips[i].facts.picture), std::string(",fps="), fps,
          std::string(",format=yuv420p,setpts=PTS-STARTPTS[v"), n, std::string("];["), std::to_string(audioInput[i]),
          std::string(":a:0]aresample="), rate,
          std::string(",aformat=sample_fmts=s16:channel_layouts=stereo,asetpts=PTS-STARTPTS[a"), n, std::string("];")})
      graph += piece;
    concat += "[v" + n + "][a" + n + "]";
  }
  graph += concat + "concat=n=" + std::to_string(clips.size()) + ":v=1:a=1[v][a]";
  args.insert(args.end(), {"-filter_complex", graph, "-map", "[v]", "-map", "[a]"});
  if (disc) {
    const std::vector<std::string> stream = DiscStreamArguments(*disc, request.ntsc, request.otherAudio, request.path);
    args.insert(args.end(), stream.begin(), stream.end());
  } else if (bdmv) {
    const std::vector<std::string> stream = BdmvStreamArguments(request.ntsc, request.path);
    args.insert(args.end(), stream.begin(), stream.end());
  } else {
    const std::string bitrate = std::to_string(request.bitrate);
    args.insert(args.end(),
                {"-c:v", "mpeg1video", "-b:v", bitrate, "-minrate", bitrate, "-maxrate", bitrate, "-bufsize", "327680",
                 "-c:a", "mp2", "-b:a", "224k", "-ar", rate, "-f", "mpeg", AsFile(request.path)});
  }
  return args;
}

}  // namespace studio::packs
