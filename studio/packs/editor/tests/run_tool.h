// Runs an outside tool (ffmpeg, ffprobe) for a test: true when it ran and ended well.
#pragma once

#include <string>
#include <vector>

#include "platform/base/process.h"

namespace studio::packs {

inline bool RunTool(const std::vector<std::string>& args, std::string* out = nullptr) {
  std::string o, err;
  int code = -1;
  const bool ran = platform::RunProcess(args[0], {args.begin() + 1, args.end()}, &o, &err, &code, 120000);
  if (out) *out = o;
  return ran && code == 0;
}

}  // namespace studio::packs
