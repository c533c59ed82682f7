#include "clip_reader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "disc_encode_settings.h"
#include "platform/base/process.h"
#include "platform/window/messages.h"

namespace studio::packs {
namespace {

std::string Field(const std::string& text, const std::string& key) {
  const size_t at = text.find(key + "=");
  if (at == std::string::npos) return {};
  const size_t start = at + key.size() + 1;
  return text.substr(start, text.find('\n', start) - start);
}

double Fraction(const std::string& text) {
  const size_t slash = text.find('/');
  const double top = std::atof(text.c_str());
  const double bottom = slash == std::string::npos ? 1 : std::atof(text.c_str() + slash + 1);
  return bottom > 0 ? top / bottom : 0;
}

}  // namespace

bool RunReadingTool(const std::string& program, const std::vector<std::string>& args, std::string* out,
                    const std::atomic<bool>* stop) {
  constexpr auto kLongest = std::chrono::seconds(30);
  platform::ChildProcess child;
  if (!child.Start(program, args)) return false;
  const auto deadline = std::chrono::steady_clock::now() + kLongest;
  std::string err;
  while (child.ReadOutput(out, &err, 100)) {
    // Only the last words matter; a chatty tool must not fill the memory.
    if (err.size() > 65536) err.erase(0, err.size() - 4096);
    if ((stop && stop->load()) || std::chrono::steady_clock::now() > deadline) {
      child.Kill();
      child.Wait(5000);
      return false;
    }
  }
  return child.Wait(5000) && child.ExitCode() == 0;
}

bool ProbeClip(const std::string& path, ClipFacts* facts, const std::atomic<bool>* stop) {
  std::string out;
  if (!RunReadingTool(
          "ffprobe",
          {"-v", "error", "-show_entries", "format=format_name,duration:stream=codec_type,avg_frame_rate,r_frame_rate",
           "-of", "default=noprint_wrappers=1", AsFile(path)},
          &out, stop))
    return false;
  facts->hasAudio = out.find("codec_type=audio") != std::string::npos;
  // JPEG, PNG and BMP pictures come as one-frame "image2" or "*_pipe" files.
  const std::string format = Field(out, "format_name");
  facts->picture = !facts->hasAudio && (format == "image2" || format.ends_with("_pipe"));
  facts->seconds = facts->picture ? 0 : std::atof(Field(out, "duration").c_str());
  double rate = Fraction(Field(out, "avg_frame_rate"));
  if (rate <= 0 || rate > 200) rate = Fraction(Field(out, "r_frame_rate"));
  facts->frameRate = rate > 0 && rate <= 200 ? rate : 25;
  return out.find("codec_type=video") != std::string::npos;
}

std::vector<std::uint8_t> GrabFrame(const std::string& path, double seconds, int width, int height,
                                    const std::atomic<bool>* stop) {
  const std::string w = std::to_string(width), h = std::to_string(height);
  std::vector<std::string> args = {"-nostdin", "-loglevel", "error"};
  if (seconds > 0) {
    char at[32];
    std::snprintf(at, sizeof at, "%.3f", seconds);
    args.insert(args.end(), {"-ss", at});
  }
  args.insert(args.end(), {"-i", AsFile(path), "-frames:v", "1", "-an", "-vf",
                           "scale=" + w + ":" + h + ":force_original_aspect_ratio=decrease,pad=" + w + ":" + h +
                               ":(ow-iw)/2:(oh-ih)/2:black",
                           "-pix_fmt", "bgr24", "-c:v", "bmp", "-f", "image2pipe", "pipe:1"});
  std::string out;
  if (!RunReadingTool("ffmpeg", args, &out, stop) || out.size() < 54) return {};
  return std::vector<std::uint8_t>(out.begin(), out.end());
}

ClipReader::ClipReader(HWND window, UINT message, int workers) : window_(window), message_(message) {
  for (int i = 0; i < workers; ++i) workers_.emplace_back(&ClipReader::Work, this);
}

ClipReader::~ClipReader() {
  {
    std::lock_guard lock(mutex_);
    stopping_.store(true);
    jobs_.clear();
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void ClipReader::Queue(Job job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
}

void ClipReader::DropQueued() {
  std::lock_guard lock(mutex_);
  jobs_.clear();
}

std::vector<ClipReader::Result> ClipReader::TakeResults() {
  std::lock_guard lock(mutex_);
  return std::exchange(results_, {});
}

size_t ClipReader::Pending() const {
  std::lock_guard lock(mutex_);
  return jobs_.size() + running_ + results_.size();
}

void ClipReader::Work() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_.load() || !jobs_.empty(); });
      if (stopping_.load()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      ++running_;
    }
    Result result;
    result.job = job;
    result.readable = !job.probe || ProbeClip(job.path, &result.facts, &stopping_);
    if (result.readable) result.picture = GrabFrame(job.path, job.at, job.width, job.height, &stopping_);
    {
      std::lock_guard lock(mutex_);
      --running_;
      results_.push_back(std::move(result));
    }
    ::PostMessage(window_, message_, 0, 0);
  }
}

}  // namespace studio::packs
