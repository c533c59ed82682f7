#include "convengine/convert_ffmpeg.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <set>

#include "convengine/failure_reason.h"
#include "convengine/ffmpeg_options.h"
#include "convengine/ffmpeg_program.h"
#include "convengine/output_naming.h"
#include "convengine/progress_parser.h"
#include "qnlog/partial_file.h"
#include "qnlog/qn_log.h"
#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/base/sync.h"

namespace mordax {

namespace {

constexpr char kTag[] = "Qn_ConvertFFmpeg";
// How long a read waits before the stop request is looked at again.
constexpr DWORD kPollMs = 20;
// A child that ignores the polite request is killed after this.
constexpr DWORD kTerminateGraceMs = 100;
// A converter may print statistics thousands of times a second: progress replies go out at most
// this often, the latest one each time.
constexpr std::uint64_t kProgressIntervalMs = 250;

}  // namespace

std::string PartialOutputPath(const std::string& output, int clash) {
  return PartialFilePath(output, ::getpid(), clash);
}

std::string ReservePartialOutput(const std::string& output, COwnedPartial* owner) {
  // Created here, so that FFmpeg's "-y" only ever writes over a file of this conversion: a
  // process of the same number on another machine sharing the folder may hold the first name.
  COwnedPartial local;
  COwnedPartial& held = owner ? *owner : local;
  for (int clash = 1; clash < 1000; ++clash) {
    const std::string partial = PartialOutputPath(output, clash);
    if (held.Create(partial)) return partial;
    if (errno != EEXIST) return {};
  }
  return {};
}

std::string NameFinishedOutput(const std::string& partial, const std::string& output,
                               const std::function<std::string()>& freeName) {
  // Never renamed over: a file of that name that appeared meanwhile (another converter's
  // output) is kept, and this one takes the next free name.
  const std::size_t slash = output.rfind('/');
  const std::size_t dot = output.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  const std::string stem = hasExtension ? output.substr(0, dot) : output;
  const std::string extension = hasExtension ? output.substr(dot) : std::string();
  std::string name = output;
  std::set<std::string> tried;
  for (int n = 2; n < 10000; ++n) {
    tried.insert(name);
    if (platform::MoveFileWithoutReplacing(partial, name)) return name;
    if (errno != EEXIST) return {};
    // The pattern's own next name first (a player lists only names of its pattern), while it
    // offers one not tried yet.
    const std::string next = freeName ? freeName() : std::string();
    name = !next.empty() && !tried.count(next) ? next : stem + "_" + std::to_string(n) + extension;
  }
  return {};
}

bool Qn_ConvertFFmpeg::Init(const ReplyTarget& target) {
  if (converting_.load() || thread_.joinable()) {
    QnLogWrite(QN_LOG_LEVEL, "[%s::Init] refused: a converter thread still exists", kTag);
    return false;
  }
  target_ = target;
  percent_ = 0;
  lastTime_ = 0;
  lastFrame_ = 0;
  return true;
}

bool Qn_ConvertFFmpeg::Convert(int mode, const Qn_ConvertOption& option, const Qn_MediaInfo* item) {
  if (!item || thread_.joinable()) return false;
  mode_ = mode;
  item_ = item;
  option_ = option;
  // Set before the thread runs, so a stop that comes at once is not lost.
  converting_ = 1;
  thread_ = std::thread(&Qn_ConvertFFmpeg::Thread_MainInit, this);
  QnLogWrite(QN_LOG_LEVEL, "[%s::Convert] send Qn_FFMPEG_EVENT_CONVERT", kTag);
  return true;
}

bool Qn_ConvertFFmpeg::Stop() {
  stop_ = true;
  QnLogWrite(QN_LOG_LEVEL, "[%s::Stop] send Qn_FFMPEG_EVENT_STOP", kTag);
  return true;
}

void Qn_ConvertFFmpeg::WaitForThread() {
  if (thread_.joinable()) thread_.join();
}

void Qn_ConvertFFmpeg::Deinit() {
  if (converting_.load()) Stop();
  WaitForThread();
  timer_.Stop();
  item_ = nullptr;
  converting_ = 0;
}

std::vector<std::string> Qn_ConvertFFmpeg::MakeCommandLine(std::vector<std::string>* dropped) const {
  if (!item_ || option_.path.GetPath().empty()) return {};
  // Newer MediaInfo leaves the audio codec text empty: the stream count tells.
  const bool hasAudio = item_->audioStreamCount > 0 || !item_->audio.Codec.empty();
  const std::string partial = partial_.empty() ? PartialOutputPath(option_.path.GetPath()) : partial_;
  return MakeArguments(option_, item_->source.GetPath(), partial, hasAudio, dropped, item_->duration);
}

void Qn_ConvertFFmpeg::Thread_MainInit() {
  QnLogWrite(QN_LOG_LEVEL, "[%s::Thread_MainInit] start thread", kTag);
  const int result = ConvertStart();
  if (result == kConvertDone) {
    // 0: the output has the name its start announced; else a record of the name it got, which
    // the host deletes (its row must not show another converter's file).
    if (renamed_) {
      auto ended = std::make_unique<Qn_ConvertItem>();
      ended->output = option_.path;
      PostRecord(target_, Qn_OP_CONVERT, Qn_MSG_SUCCEEDED, std::move(ended));
    } else {
      PostReply(target_, Qn_OP_CONVERT, Qn_MSG_SUCCEEDED, 0);
    }
    QnLogWrite(QN_LOG_LEVEL, "[%s::Thread_MainInit] send Qn_OP_CONVERT Qn_MSG_SUCCEEDED", kTag);
  } else {
    if (result != kConvertStopped && !reason_.empty()) {
      auto failure = std::make_unique<Qn_ConvertFailure>();
      failure->reason = reason_;
      PostRecord(target_, Qn_OP_CONVERT, Qn_MSG_FAILURE_REASON, std::move(failure));
    }
    PostReply(target_, Qn_OP_CONVERT, Qn_MSG_FAILED, result);
    QnLogWrite(QN_LOG_LEVEL, "[%s::Thread_MainInit] send Qn_OP_CONVERT Qn_MSG_FAILED [0x%x]", kTag, result);
  }
  converting_ = 0;
  QnLogWrite(QN_LOG_LEVEL, "[%s::Thread_MainInit] end thread", kTag);
}

int Qn_ConvertFFmpeg::ConvertStart() {
  renamed_ = false;
  reason_.clear();
  partial_.clear();
  const int result = ConvertReserved();
  if (result != kConvertDone && !partial_.empty()) platform::DeleteFile(partial_);
  partialOwner_.Release();
  partial_.clear();
  return result;
}

int Qn_ConvertFFmpeg::ConvertReserved() {
  const std::string program = FindFFmpeg();
  if (program.empty()) {
    QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertInit] warning: ffmpeg not found", kTag);
    return kConvertFailed;
  }
  QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertInit] ffmpeg path :[%s]", kTag, program.c_str());
  if (option_.path.GetPath().empty()) {
    QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertInit] warning: empty command line", kTag);
    return kConvertFailed;
  }
  // Owned until it has its final name: a sweep at a later start takes only partial files whose
  // process has gone.
  partial_ = ReservePartialOutput(option_.path.GetPath(), &partialOwner_);
  if (partial_.empty()) {
    QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertInit] warning: cannot create [%s]", kTag,
               PartialOutputPath(option_.path.GetPath()).c_str());
    return kConvertFailed;
  }
  std::vector<std::string> dropped;
  const std::vector<std::string> args = MakeCommandLine(&dropped);
  if (args.empty()) {
    QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertInit] warning: empty command line", kTag);
    return kConvertFailed;
  }
  for (const std::string& name : dropped)
    QnLogWrite(QN_LOG_LEVEL, "[%s::MakeCommandLine] option %s left out: FFmpeg no longer knows it", kTag, name.c_str());
  QnLogWrite(QN_LOG_LEVEL, "[%s::MakeCommandLine] command : [%s]", kTag, JoinArguments(args).c_str());
  if (stop_.load()) return kConvertStopped;

  platform::ChildOptions childOptions;
  childOptions.mergeStderr = true;
  // A stop reaches whatever the converter starts itself, wrappers' children included.
  childOptions.ownSession = true;
  platform::ChildProcess child;
  if (!child.Start(program, args, childOptions)) {
    QnLogWrite(QN_LOG_LEVEL, "[%s::CreateConsoleProcess] warning: cannot start [%s]", kTag, program.c_str());
    return kConvertFailed;
  }
  timer_.Start(1000, [this](const Qn_TimeSpan& elapsed) { PostTimeInfo(elapsed); });

  progressPending_ = false;
  progressPosted_ = false;
  ProgressParser parser;
  FailureReason reason;
  reason.Shorten(item_->source.GetPath(), item_->source.GetFileName());
  reason.Shorten(partial_, option_.path.GetFileName());
  const auto onSample = [this](const ProgressSample& s) { OnProgress(s.seconds, s.frame); };
  bool stopped = false;
  std::string out;
  std::string err;
  while (true) {
    if (stop_.load()) {
      stopped = true;
      break;
    }
    out.clear();
    err.clear();
    const bool more = child.ReadOutput(&out, &err, kPollMs);
    parser.Feed(out, onSample);
    parser.Feed(err, onSample);
    reason.Feed(out);
    reason.Feed(err);
    FlushProgress(false);
    if (!more) break;
  }
  FlushProgress(true);
  // A child that closed its output may still run: wait for it as long as no stop comes.
  while (!stopped && !child.Wait(kPollMs)) stopped = stop_.load();
  if (stopped) {
    QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertStart] receive Qn_FFMPEG_EVENT_STOP", kTag);
    child.Terminate(kTerminateGraceMs);
  }
  timer_.Stop();

  int result = kConvertStopped;
  if (!stopped) {
    const double duration = item_->duration * 0.001;
    QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertStart] dMaxTime[%lf] - dTime[%lf] = [%lf]", kTag, duration, lastTime_,
               duration - lastTime_);
    const std::int64_t size = platform::FileSize(partial_);
    const int exitCode = child.ExitCode();
    // The time rule alone would take a crash after the last statistics line for success.
    if (exitCode != 0 || size <= 0 || !ReachedEnd(item_->duration, lastTime_)) {
      reason_ = reason.Text();
      QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertStart] failed: exit code [%d] output size [%lld] [%s]", kTag, exitCode,
                 static_cast<long long>(size), reason_.c_str());
      result = kConvertFailed;
    } else {
      percent_ = 100;
      // The last frame the converter named, so the host's count ends where the file did.
      PostReply(target_, Qn_OP_CONVERT, Qn_MSG_CONVERT_PROCESSING, MAKELPARAM(100, static_cast<WORD>(lastFrame_)));
      result = kConvertDone;
    }
  }
  // Only a file FFmpeg finished takes the output's name; a failed or stopped one goes, so it
  // neither passes for a conversion nor keeps a full disk full.
  if (result == kConvertDone) {
    const std::string named = NameFinishedOutput(partial_, option_.path.GetPath(), [this] {
      return MakeOutputPath(item_->source.GetName(), option_.path.GetDirectory(), option_.FILEPREFIX, option_.EXF);
    });
    if (named.empty()) {
      QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertStart] failed: cannot name the output [%s]", kTag,
                 option_.path.GetPath().c_str());
      result = kConvertFailed;
    } else if (named != option_.path.GetPath()) {
      renamed_ = true;
      QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertStart] the name was taken meanwhile: output [%s]", kTag, named.c_str());
      option_.path.SetPath(named);
    }
  }
  QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertStart] end convert", kTag);
  return result;
}

void Qn_ConvertFFmpeg::OnProgress(double seconds, std::int32_t frame) {
  lastTime_ = seconds;
  if (frame > 0) lastFrame_ = frame;
  const std::int32_t percent = ProgressPercent(seconds, item_->duration);
  if (frame >= 20 || static_cast<std::uint32_t>(percent) <= 99) {
    // 100 is kept for the end of a file that converted well.
    const std::int32_t shown = percent > 99 ? 99 : percent;
    percent_ = shown;
    pendingProgress_ = MAKELPARAM(static_cast<WORD>(shown), static_cast<WORD>(frame));
    progressPending_ = true;
  } else {
    QnLogWrite(QN_LOG_LEVEL, "[%s::ConvertStart] Invalid encoding time. ==> skip", kTag);
  }
}

void Qn_ConvertFFmpeg::FlushProgress(bool always) {
  if (!progressPending_) return;
  const std::uint64_t now = GetTickCount64();
  if (!always && progressPosted_ && now - progressPostedMs_ < kProgressIntervalMs) return;
  PostDroppableReply(target_, Qn_OP_CONVERT, Qn_MSG_CONVERT_PROCESSING, pendingProgress_);
  progressPending_ = false;
  progressPosted_ = true;
  progressPostedMs_ = now;
}

void Qn_ConvertFFmpeg::PostTimeInfo(const Qn_TimeSpan& elapsed) {
  auto record = std::make_unique<Qn_ConvertTime>();
  record->elapsed = elapsed;
  record->remaining = MsToTimeSpan(RemainingMs(static_cast<std::uint32_t>(elapsed.totalMilliseconds), percent_.load()));
  PostRecord(target_, Qn_OP_CONVERT, Qn_MSG_TIME_INFO, std::move(record));
}

}  // namespace mordax
