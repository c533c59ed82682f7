// The Trim dialog: a preview of the clip's frame at the chosen point, a slider over the whole
// clip and single-frame steps; the user sets the in and out points, or cuts the clip in two at
// the shown frame.
#pragma once

#include "platform/base/win_types.h"
#include "storyboard.h"

namespace studio::packs {

struct TrimChoice {
  enum Kind { kCancelled, kTrimmed, kSplit } kind = kCancelled;
  double in = 0;
  double out = 0;
  double splitAt = 0;  // seconds into the source, for kSplit
};

class TrimDialog {
 public:
  static constexpr int kPreviewId = 2200;
  static constexpr int kSliderId = 2201;
  static constexpr int kBackId = 2202;
  static constexpr int kForwardId = 2203;
  static constexpr int kPositionId = 2204;
  static constexpr int kSetInId = 2205;
  static constexpr int kSetOutId = 2206;
  static constexpr int kPointsId = 2207;
  static constexpr int kSplitId = 2208;
  static constexpr int kPreviewWidth = 384;
  static constexpr int kPreviewHeight = 216;

  // Runs modally over `owner` for a read clip.
  static TrimChoice Run(HWND owner, const StoryboardClip& clip);
};

// The frame nearest to `seconds` at `frameRate`, as seconds.
double OnFrame(double seconds, double frameRate);

}  // namespace studio::packs
