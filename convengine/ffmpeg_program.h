// Where FFmpeg is and which encoders it has.
#pragma once

#include <string>

namespace mordax {

// VIDARRO_FFMPEG when set, else "ffmpeg" beside the program in the application folder, else
// "ffmpeg" on the PATH. Empty when none can be run.
std::string FindFFmpeg();

// Whether the FFmpeg at that path can encode with the named encoder (or codec). Asked once per
// program and remembered; true when the program cannot be asked, so the conversion itself
// reports the failure.
bool HasEncoder(const std::string& program, const std::string& encoder);

}  // namespace mordax
