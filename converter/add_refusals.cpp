#include "converter/add_refusals.h"

#include "convengine/mordax_api.h"
#include "platform/base/file.h"

namespace converter {
namespace {

// A long list names enough to find the rest; the box must stay on the screen.
constexpr std::size_t kNamedAtMost = 10;

std::string Reason(const std::string& path, int code) {
  switch (code) {
    case Qn_ERR_MEDIA_INFO: return "it is not a video the converter can read";
    // The library answers both alike; the file itself tells which.
    case Qn_ERR_DUPLICATE: return platform::FileExists(path) ? "it is in the list already" : "it no longer exists";
    default: return "it could not be read";
  }
}

}  // namespace

void AddRefusals::Sent(const std::vector<std::string>& paths) {
  std::deque<std::string> named;
  for (const std::string& path : paths)
    if (!path.empty()) named.push_back(path);
  waiting_.push_back(std::move(named));
}

void AddRefusals::Answered(bool added, int code) {
  if (waiting_.empty() || waiting_.front().empty()) return;
  if (!added) refused_.push_back(waiting_.front().front() + "\n    " + Reason(waiting_.front().front(), code));
  waiting_.front().pop_front();
}

bool AddRefusals::Ended() {
  if (!waiting_.empty()) waiting_.pop_front();
  return waiting_.empty();
}

std::string AddRefusals::TakeMessage() {
  if (refused_.empty()) return {};
  std::string text = refused_.size() == 1 ? "This file was not added:\n\n" : "These files were not added:\n\n";
  for (std::size_t i = 0; i < refused_.size() && i < kNamedAtMost; ++i) text += refused_[i] + "\n";
  if (refused_.size() > kNamedAtMost) text += "and " + std::to_string(refused_.size() - kNamedAtMost) + " more.\n";
  text.pop_back();
  refused_.clear();
  return text;
}

}  // namespace converter
