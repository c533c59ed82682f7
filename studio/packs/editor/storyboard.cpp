#include "storyboard.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "pack_text.h"
#include "platform/base/strings.h"

namespace studio::packs {
namespace {

constexpr const char* kGroup = "Timeline";

std::string Milliseconds(double seconds) { return std::to_string(static_cast<long long>(seconds * 1000 + 0.5)); }

long long Tenths(double seconds) { return static_cast<long long>(std::max(seconds, 0.0) * 10 + 0.5); }

std::string TenthsText(long long tenths) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%lld", tenths / 36000, tenths / 600 % 60, tenths / 10 % 60,
                tenths % 10);
  return text;
}

}  // namespace

std::string PlayLength(double seconds) { return TenthsText(Tenths(seconds)); }

std::string ShownTotalLength(const std::vector<StoryboardClip>& clips) {
  long long tenths = 0;
  for (const StoryboardClip& clip : clips)
    if (clip.read) tenths += Tenths(clip.Length());
  return TenthsText(tenths);
}

bool Storyboard::Contains(const std::string& path) const {
  return std::any_of(clips_.begin(), clips_.end(), [&](const StoryboardClip& c) { return c.path == path; });
}

int Storyboard::IndexOf(std::uint64_t id) const {
  for (size_t i = 0; i < clips_.size(); ++i)
    if (clips_[i].id == id) return static_cast<int>(i);
  return -1;
}

std::uint64_t Storyboard::Add(const std::string& path, size_t at) {
  StoryboardClip clip;
  clip.id = nextId_++;
  clip.path = path;
  clips_.insert(clips_.begin() + static_cast<std::ptrdiff_t>(std::min(at, clips_.size())), clip);
  return clip.id;
}

void Storyboard::SetFacts(std::uint64_t id, const ClipFacts& facts) {
  const int index = IndexOf(id);
  if (index < 0) return;
  StoryboardClip& clip = clips_[static_cast<size_t>(index)];
  clip.read = true;
  clip.facts = facts;
  const double whole = facts.picture ? pictureSeconds_ : facts.seconds;
  if (!clip.pointsGiven || facts.picture || whole < kShortestPiece) {
    clip.in = 0;
    clip.out = whole;
    return;
  }
  // Saved points of a clip that has since changed are kept inside it.
  clip.in = std::clamp(clip.in, 0.0, whole - kShortestPiece);
  clip.out = std::clamp(clip.out, clip.in + kShortestPiece, whole);
}

void Storyboard::Remove(size_t index) {
  if (index < clips_.size()) clips_.erase(clips_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool Storyboard::RemovePath(const std::string& path) {
  return std::erase_if(clips_, [&](const StoryboardClip& c) { return c.path == path; }) > 0;
}

bool Storyboard::Move(size_t from, size_t to) {
  if (from >= clips_.size() || to >= clips_.size() || from == to) return false;
  const StoryboardClip clip = clips_[from];
  clips_.erase(clips_.begin() + static_cast<std::ptrdiff_t>(from));
  clips_.insert(clips_.begin() + static_cast<std::ptrdiff_t>(to), clip);
  return true;
}

bool Storyboard::Trim(size_t index, double in, double out) {
  // A picture's length is the storyboard's picture length, not a trim.
  if (index >= clips_.size() || !clips_[index].read || clips_[index].facts.picture) return false;
  StoryboardClip& clip = clips_[index];
  const double whole = clip.facts.seconds;
  if (whole < kShortestPiece) return false;
  in = std::clamp(in, 0.0, whole - kShortestPiece);
  out = std::clamp(out, in + kShortestPiece, whole);
  clip.in = in;
  clip.out = out;
  return true;
}

bool Storyboard::Split(size_t index, double at) {
  if (index >= clips_.size() || !clips_[index].read || clips_[index].facts.picture) return false;
  StoryboardClip& clip = clips_[index];
  if (at < clip.in + kShortestPiece || at > clip.out - kShortestPiece) return false;
  StoryboardClip second = clip;
  second.id = nextId_++;
  second.in = at;
  clip.out = at;
  clips_.insert(clips_.begin() + static_cast<std::ptrdiff_t>(index + 1), second);
  return true;
}

void Storyboard::SetPictureSeconds(double seconds) {
  pictureSeconds_ = std::clamp(seconds, kShortestPiece, 3600.0);
  for (StoryboardClip& clip : clips_)
    if (clip.read && clip.facts.picture) clip.out = pictureSeconds_;
}

bool Storyboard::AllRead() const {
  return std::all_of(clips_.begin(), clips_.end(), [](const StoryboardClip& c) { return c.read; });
}

double Storyboard::TotalSeconds() const {
  double total = 0;
  for (const StoryboardClip& clip : clips_)
    if (clip.read) total += clip.Length();
  return total;
}

std::vector<double> Storyboard::ClipStarts() const {
  std::vector<double> starts;
  double at = 0;
  for (const StoryboardClip& clip : clips_) {
    if (!clip.read || clip.Length() <= 0) continue;
    starts.push_back(at);
    at += clip.Length();
  }
  return starts;
}

void Storyboard::Save(IProjectDocument* document) const {
  if (!document) return;
  document->SetValue(kGroup, "PictureLength", Milliseconds(pictureSeconds_).c_str());
  for (const StoryboardClip& clip : clips_) {
    if (platform::HasLineBreak(clip.path))
      document->SetValue(kGroup, "CodedClip", platform::EncodeLineBreaks(clip.path).c_str());
    else document->SetValue(kGroup, "Clip", clip.path.c_str());
    if (clip.read || clip.pointsGiven)
      document->SetValue(kGroup, "Span", (Milliseconds(clip.in) + "," + Milliseconds(clip.out)).c_str());
  }
}

void Storyboard::Load(IProjectDocument* document) {
  clips_.clear();
  pictureSeconds_ = kDefaultPictureSeconds;
  LPCSTR key = nullptr;
  LPCSTR value = nullptr;
  for (int i = 0; document && document->GetValueAt(kGroup, i, &key, &value) == S_OK; ++i) {
    if (!key || !value) continue;
    if (platform::EqualsNoCase(key, "Clip")) {
      Add(value);
    } else if (platform::EqualsNoCase(key, "CodedClip")) {
      Add(platform::DecodeLineBreaks(value));
    } else if (platform::EqualsNoCase(key, "Span") && !clips_.empty()) {
      // Points of the clip just before.
      const std::string text = value;
      const size_t comma = text.find(',');
      if (comma == std::string::npos) continue;
      const double in = std::atof(text.c_str()) / 1000, out = std::atof(text.c_str() + comma + 1) / 1000;
      if (in < 0 || out <= in) continue;
      clips_.back().in = in;
      clips_.back().out = out;
      clips_.back().pointsGiven = true;
    } else if (platform::EqualsNoCase(key, "PictureLength")) {
      const double seconds = std::atof(value) / 1000;
      if (seconds > 0) SetPictureSeconds(seconds);
    }
  }
}

}  // namespace studio::packs
