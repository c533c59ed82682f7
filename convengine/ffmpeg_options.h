// What the engine passes to FFmpeg 5.1: codec names, option checks and the argument list.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "convengine/mordax_api.h"

namespace mordax {

// Profile codec name -> the FFmpeg 5.1 encoder name (legacy names mapped, others lower-cased).
std::string MapVideoCodec(const std::string& codec);
std::string MapAudioCodec(const std::string& codec);
bool IsH264Encoder(const std::string& encoder);
bool IsMpeg4Encoder(const std::string& encoder);

// Answers whether this FFmpeg build has an encoder of that name.
using EncoderCheck = std::function<bool(const std::string& encoder)>;

// Checks an option before it is stored. Returns Qn_MSG_SUCCEEDED, or the error code of the
// refusal with the reason in *why: Qn_ERR_INVALID_ARG for values out of range or hostile text,
// Qn_ERR_NO_VIDEO_ENCODER or Qn_ERR_NO_AUDIO_ENCODER for a codec that has no encoder in this build.
int CheckConvertOption(const Qn_ConvertOption& option, const EncoderCheck& hasEncoder, std::string* why);

// Gives an extension written without its dot ("mp4") the dot the output name needs.
void NormaliseOption(Qn_ConvertOption* option);

// Whether the container (the profile's FORCE) refuses a file without a sound stream.
bool ContainerNeedsSound(const std::string& force);

// Arguments after the program name. hasAudio: the input has an audio stream; a silent input
// bound for a container that needs sound gets a silent track of the profile's sound settings,
// `durationMs` long (to the video's end when 0). Options FFmpeg 5.1 no longer knows are left
// out and named in *dropped.
std::vector<std::string> MakeArguments(const Qn_ConvertOption& option, const std::string& source,
                                       const std::string& output, bool hasAudio, std::vector<std::string>* dropped,
                                       std::int32_t durationMs = 0);

// The argument list as one line for the log.
std::string JoinArguments(const std::vector<std::string>& args);

}  // namespace mordax
