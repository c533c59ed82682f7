#include "convengine/ffmpeg_options.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/base/strings.h"

namespace mordax {

namespace {

struct NameMap {
  const char* from;
  const char* to;
};

// Names in installed profiles from before FFmpeg renamed its encoders.
constexpr NameMap kVideoNames[] = {
    {"h264", "libx264"}, {"xvid", "libxvid"}, {"mp4", "mpeg4"}, {"mpeg-4v", "mpeg4"}, {"mpeg-4 visual", "mpeg4"},
};
constexpr NameMap kAudioNames[] = {
    {"wma", "wmav2"}, {"pcm", "pcm_s16le"}, {"wav", "pcm_s16le"}, {"libfaac", "aac"}, {"mp3", "libmp3lame"},
};

std::string Map(const std::string& codec, const NameMap* begin, const NameMap* end) {
  const std::string lower = platform::ToLowerAscii(platform::Trim(codec));
  for (const NameMap* m = begin; m != end; ++m)
    if (lower == m->from) return m->to;
  return lower;
}

bool IsNameText(const std::string& text, const char* extra) {
  if (text.size() > 32 || (!text.empty() && text[0] == '-')) return false;
  for (char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!plain && !std::strchr(extra, c)) return false;
  }
  return true;
}

bool InRange(double value, double low, double high) { return std::isfinite(value) && value > low && value <= high; }

int Refuse(std::string* why, int code, const std::string& reason) {
  if (why) *why = reason;
  return code;
}

}  // namespace

std::string MapVideoCodec(const std::string& codec) {
  return Map(codec, std::begin(kVideoNames), std::end(kVideoNames));
}

std::string MapAudioCodec(const std::string& codec) {
  return Map(codec, std::begin(kAudioNames), std::end(kAudioNames));
}

bool IsH264Encoder(const std::string& encoder) { return encoder == "libx264" || encoder == "h264"; }

bool IsMpeg4Encoder(const std::string& encoder) { return encoder == "mpeg4" || encoder == "libxvid"; }

int CheckConvertOption(const Qn_ConvertOption& option, const EncoderCheck& hasEncoder, std::string* why) {
  const Qn_AudioOption& a = option.audio;
  if (!InRange(a.bitrate, 0, 1536) || !InRange(a.channels, 0, 8) || !InRange(a.sampleRate, 0, 192000))
    return Refuse(why, Qn_ERR_INVALID_ARG, "audio bitrate, channels or sample rate out of range");
  if (!option.ONLY_AUDIO) {
    const Qn_VideoOption& v = option.video;
    if (!InRange(v.frameRate, 0, 240) || !InRange(v.bitrate, 0, 100000) || !InRange(v.height, 0, 8192) ||
        !InRange(v.width, 0, 8192))
      return Refuse(why, Qn_ERR_INVALID_ARG, "video frame rate, bitrate or size out of range");
  }
  if (!IsNameText(option.video.codec, " .-") || !IsNameText(option.audio.codec, " .-"))
    return Refuse(why, Qn_ERR_INVALID_ARG, "codec name is not a plain name");
  if (!IsNameText(option.FORCE, "@,")) return Refuse(why, Qn_ERR_INVALID_ARG, "container name is not a plain name");
  // The pattern and extension become part of a file name inside the output folder.
  const std::string& prefix = option.FILEPREFIX;
  if (prefix.size() > 200 || prefix.find('/') != std::string::npos || prefix.find("..") != std::string::npos ||
      prefix.find('\0') != std::string::npos)
    return Refuse(why, Qn_ERR_INVALID_ARG, "output name pattern may not leave the output folder");
  const auto first = prefix.find('#');
  if (first != std::string::npos && prefix.rfind('#') - first + 1 > 6)
    return Refuse(why, Qn_ERR_INVALID_ARG, "output name counter is wider than 6 digits");
  const std::string& ext = option.EXF;
  if (ext.size() > 16 || ext.find('/') != std::string::npos || ext.find("..") != std::string::npos ||
      ext.find('\0') != std::string::npos)
    return Refuse(why, Qn_ERR_INVALID_ARG, "output extension is not a plain extension");
  if (hasEncoder) {
    if (!option.ONLY_AUDIO && !option.video.codec.empty()) {
      const std::string encoder = MapVideoCodec(option.video.codec);
      if (!hasEncoder(encoder))
        return Refuse(why, Qn_ERR_NO_VIDEO_ENCODER, "no video encoder '" + encoder + "' in this FFmpeg");
    }
    if (!option.audio.codec.empty()) {
      const std::string encoder = MapAudioCodec(option.audio.codec);
      if (!hasEncoder(encoder))
        return Refuse(why, Qn_ERR_NO_AUDIO_ENCODER, "no audio encoder '" + encoder + "' in this FFmpeg");
    }
  }
  return Qn_MSG_SUCCEEDED;
}

void NormaliseOption(Qn_ConvertOption* option) {
  if (!option->EXF.empty() && option->EXF[0] != '.') option->EXF.insert(0, ".");
}

bool ContainerNeedsSound(const std::string& force) {
  // FFmpeg's PSP muxer wants exactly one video and one audio stream.
  return platform::EqualsNoCase(platform::Trim(force), "psp");
}

namespace {

std::string ChannelLayout(std::int32_t channels) {
  if (channels == 1) return "mono";
  if (channels <= 0 || channels == 2) return "stereo";
  return std::to_string(channels) + "c";
}

// A second input of silence and the maps that take the picture from the clip and the sound
// from the silence.
void AddSilentTrack(const Qn_AudioOption& audio, std::int32_t durationMs, std::vector<std::string>* args) {
  args->insert(args->end(), {"-f", "lavfi"});
  if (durationMs > 0) args->insert(args->end(), {"-t", platform::Format("%.3f", durationMs / 1000.0)});
  const std::int32_t rate = audio.sampleRate > 0 ? audio.sampleRate : 44100;
  args->insert(args->end(), {"-i", "anullsrc=channel_layout=" + ChannelLayout(audio.channels) +
                                       ":sample_rate=" + std::to_string(rate)});
  args->insert(args->end(), {"-map", "0:v:0", "-map", "1:a:0"});
  if (durationMs <= 0) args->push_back("-shortest");
}

}  // namespace

std::vector<std::string> MakeArguments(const Qn_ConvertOption& option, const std::string& source,
                                       const std::string& output, bool hasAudio, std::vector<std::string>* dropped,
                                       std::int32_t durationMs) {
  std::vector<std::string> args{"-y", "-i", source};
  const bool silentTrack = !hasAudio && !option.ONLY_AUDIO && ContainerNeedsSound(option.FORCE);
  if (silentTrack) AddSilentTrack(option.audio, durationMs, &args);
  auto drop = [dropped](const char* name) {
    if (dropped) dropped->push_back(name);
  };
  if (!option.ONLY_AUDIO) {
    const Qn_VideoOption& v = option.video;
    if (option.BITEXACT == 1) args.push_back("-bitexact");
    const std::string encoder = MapVideoCodec(v.codec);
    if (!encoder.empty()) {
      args.insert(args.end(), {"-vcodec", encoder});
      // A 4:2:2 source (DV) would otherwise give a stream most players refuse.
      if (IsH264Encoder(encoder) || IsMpeg4Encoder(encoder)) args.insert(args.end(), {"-pix_fmt", "yuv420p"});
    }
    if (option.H264_BASELINE > 0) {
      args.insert(args.end(), {"-level", std::to_string(option.H264_BASELINE)});
      if (IsH264Encoder(encoder)) args.insert(args.end(), {"-profile:v", "baseline"});
    }
    if (option.FIXASPECT == 1) drop("-fixaspect");
    if (v.width > 0 && v.height > 0)
      args.insert(args.end(), {"-s", std::to_string(v.width) + "x" + std::to_string(v.height)});
    if (v.frameRate > 0) args.insert(args.end(), {"-r", platform::Format("%.2f", v.frameRate)});
    if (v.bitrate > 0) args.insert(args.end(), {"-b:v", std::to_string(v.bitrate) + "k"});
  } else {
    // Without this FFmpeg turns a video input into a picture stream of the audio file.
    args.push_back("-vn");
  }
  if (hasAudio || silentTrack) {
    const Qn_AudioOption& a = option.audio;
    const std::string encoder = MapAudioCodec(a.codec);
    if (!encoder.empty()) args.insert(args.end(), {"-acodec", encoder});
    if (a.channels > 0) args.insert(args.end(), {"-ac", std::to_string(a.channels)});
    if (a.sampleRate > 0) args.insert(args.end(), {"-ar", std::to_string(a.sampleRate)});
    if (a.bitrate > 0) args.insert(args.end(), {"-b:a", std::to_string(a.bitrate) + "k"});
  }
  if (!option.ONLY_AUDIO) {
    if (!option.FORCE.empty() && !platform::EqualsNoCase(option.FORCE, "@none"))
      args.insert(args.end(), {"-f", platform::ToLowerAscii(option.FORCE)});
    if (option.MUXVB > 0) drop("-muxvb");
    if (option.MUXAB > 0) drop("-muxab");
  }
  // Each line tagged with its level, so a failure can be told in FFmpeg's own words.
  args.insert(args.end(), {"-loglevel", "level+info"});
  args.push_back(output);
  return args;
}

std::string JoinArguments(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& a : args) {
    if (!line.empty()) line += ' ';
    if (a.find(' ') != std::string::npos || a.empty()) line += "\"" + a + "\"";
    else line += a;
  }
  return line;
}

}  // namespace mordax
