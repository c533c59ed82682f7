// What a render request asks for ("encode project title type=...;width=;height=;bitrate=;ntsc=;
// audiotype=;path=") and the ffmpeg command that makes it from the storyboard's clips.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "disc_encode_settings.h"
#include "storyboard.h"

namespace studio::packs {

struct RenderRequest {
  // "mpeg1" at the asked size, a disc's stream ("mpeg2" DVD, "svcd", "vcd"), or "bdmv": the
  // Blu-ray clip the authoring library takes.
  std::string type = "mpeg1";
  int width = 0;
  int height = 0;
  int bitrate = 0;
  bool ntsc = true;
  bool otherAudio = false;  // "audiotype=1": the disc's second sound codec (AC-3 on a DVD)
  bool wide = false;        // "wide=1": a DVD's frame shown 16:9
  std::string path;
};
RenderRequest ParseRenderRequest(const std::string& text);
// The disc whose stream a render type makes; nothing for "mpeg1" and "bdmv".
std::optional<DiscFormat> RenderDiscFormat(const std::string& type);
bool KnownRenderType(const std::string& type);

// Why a render cannot start, or empty: the target's folder, ffmpeg and the free space for the
// estimated size are checked before the request is answered.
std::string RenderRefusal(const RenderRequest& request, double seconds);
// What the user is told when a render into `path` failed; `reason` is ffmpeg's last word, or empty.
std::string RenderFailureText(const std::string& path, const std::string& reason);

// The ffmpeg arguments that render the read clips, each from its in to its out point, into the
// request's file; progress goes to stdout.
std::vector<std::string> RenderArguments(const std::vector<StoryboardClip>& clips, const RenderRequest& request);

}  // namespace studio::packs
