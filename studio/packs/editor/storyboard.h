// The storyboard: the clips the edited video is made of, in their order, each with the part of
// it that plays (in and out point). Clips are read off the UI thread, so a clip stays "reading"
// until its facts arrive; only read clips count in the play time and go into a render.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "widgets/project_document.h"

namespace studio::packs {

struct ClipFacts {
  double seconds = 0;
  bool hasAudio = false;
  bool picture = false;  // a still picture, shown for the storyboard's picture length
  double frameRate = 25;
};

struct StoryboardClip {
  std::uint64_t id = 0;  // stays with the clip through moves, so late facts find it
  std::string path;
  bool read = false;
  ClipFacts facts;
  double in = 0;             // seconds into the source
  double out = 0;            // seconds into the source; for pictures the length shown
  bool pointsGiven = false;  // the points came with the clip (a reopened project) before it was read

  double Length() const { return out > in ? out - in : 0; }
};

class Storyboard {
 public:
  static constexpr double kDefaultPictureSeconds = 5;
  static constexpr double kShortestPiece = 0.1;  // a trim or split never leaves less

  const std::vector<StoryboardClip>& Clips() const { return clips_; }
  size_t Size() const { return clips_.size(); }
  bool Empty() const { return clips_.empty(); }
  bool Contains(const std::string& path) const;
  // The clip with `id`, or -1.
  int IndexOf(std::uint64_t id) const;
  const StoryboardClip& At(size_t index) const { return clips_[index]; }

  // Adds an unread clip at `at` (the end when out of range) and returns its id.
  std::uint64_t Add(const std::string& path, size_t at = SIZE_MAX);
  // The facts read for a clip: a new clip plays whole (pictures for the picture length); a clip
  // that came with its points keeps them inside the clip.
  void SetFacts(std::uint64_t id, const ClipFacts& facts);
  void Remove(size_t index);
  // Every piece of `path` leaves the storyboard.
  bool RemovePath(const std::string& path);
  // Moves the clip at `from` so that it stands at `to` afterwards.
  bool Move(size_t from, size_t to);
  // New points for a read clip (not a picture), kept inside the clip and at least kShortestPiece apart.
  bool Trim(size_t index, double in, double out);
  // Cuts a read clip (not a picture) at `at` (seconds into the source) into two pieces that play one
  // after the other.
  bool Split(size_t index, double at);
  void Clear() { clips_.clear(); }

  double PictureSeconds() const { return pictureSeconds_; }
  // How long every picture on the storyboard shows, and pictures added later.
  void SetPictureSeconds(double seconds);

  // Whether every clip has been read.
  bool AllRead() const;
  // The play time of the read clips.
  double TotalSeconds() const;
  // Where each read clip begins in the edited video, in seconds: the chapters a disc gives it.
  std::vector<double> ClipStarts() const;

  // The project file's group: a clip's path, then its points in ms ("Span=in,out"), and the picture length.
  void Save(IProjectDocument* document) const;
  // Clips come back unread, with their saved points; files saved without points play whole.
  void Load(IProjectDocument* document);

 private:
  std::vector<StoryboardClip> clips_;
  std::uint64_t nextId_ = 1;
  double pictureSeconds_ = kDefaultPictureSeconds;
};

// A length on the storyboard: "h:mm:ss.t".
std::string PlayLength(double seconds);
// The storyboard's total as the user adds up the lengths it shows: the read clips' lengths, each
// rounded to the tenth as shown, summed.
std::string ShownTotalLength(const std::vector<StoryboardClip>& clips);

}  // namespace studio::packs
