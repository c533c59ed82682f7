#include "bluray_stream.h"

#include "picture_fit.h"

namespace studio::packs {

bool BlurayTakesVideo(const ClipStreams& streams) {
  return streams.videoCodec == "mpeg2video" && streams.height == 1080 &&
         (streams.width == 1440 || streams.width == 1920);
}

std::vector<std::string> BlurayStreamArguments(const std::string& input, const ClipStreams& streams, bool ntsc,
                                               const std::string& output) {
  const bool silent = streams.audioCodec.empty();
  std::vector<std::string> args = {"-v", "error", "-nostdin", "-y", "-progress", "pipe:1", "-i", AsFile(input)};
  if (silent) args.insert(args.end(), {"-f", "lavfi", "-i", "anullsrc=r=48000:cl=stereo"});
  args.insert(args.end(), {"-map", "0:v:0", "-map", silent ? "1:a:0" : "0:a:0"});
  if (BlurayTakesVideo(streams)) {
    args.insert(args.end(), {"-c:v", "copy"});
  } else {
    // Any other picture is fitted into full HD keeping its shape, bordered where it differs.
    args.insert(args.end(),
                {"-vf", FitFilter(FrameSize{1920, 1080, FrameShape::Wide}, false), "-r", ntsc ? "30000/1001" : "25",
                 "-pix_fmt", "yuv420p", "-c:v", "mpeg2video", "-b:v", std::to_string(kBlurayVideoBitRate), "-maxrate",
                 "25M", "-bufsize", "9781248", "-g", "15", "-bf", "2"});
  }
  args.insert(args.end(), {"-c:a", "pcm_bluray", "-ar", "48000", "-ac", "2"});
  if (silent) args.push_back("-shortest");
  args.insert(args.end(), {"-f", "mpegts", "-mpegts_m2ts_mode", "1", "-streamid", "0:0x1011", "-streamid", "1:0x1100",
                           AsFile(output)});
  return args;
}

}  // namespace studio::packs
