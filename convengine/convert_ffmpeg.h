// Converts one listed file by running FFmpeg as a child process on a thread of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "convengine/mordax_api.h"
#include "convengine/progress_timer.h"
#include "convengine/reply_port.h"
#include "qnlog/partial_file.h"

namespace mordax {

// Result of one file: converted, failed or stopped on request.
constexpr int kConvertFailed = Qn_ERR_GENERAL;
constexpr int kConvertDone = 1;
constexpr int kConvertStopped = Qn_ERR_STOPPED;

// Where FFmpeg writes an output until it has succeeded: a hidden name beside it, of this process
// (the `clash`th such name when earlier ones were taken).
std::string PartialOutputPath(const std::string& output, int clash = 1);
// Creates the first free partial file for `output`, held by `owner` when given; its path, or
// empty when none could be made.
std::string ReservePartialOutput(const std::string& output, COwnedPartial* owner = nullptr);
// Gives the finished partial file the output's name without replacing a file that has it: then
// the name `freeName` offers, else the next free "_2", "_3"...; the name given, or empty when it
// could not be named.
std::string NameFinishedOutput(const std::string& partial, const std::string& output,
                               const std::function<std::string()>& freeName = {});

class Qn_ConvertFFmpeg {
 public:
  Qn_ConvertFFmpeg() = default;
  ~Qn_ConvertFFmpeg() { Deinit(); }
  Qn_ConvertFFmpeg(const Qn_ConvertFFmpeg&) = delete;
  Qn_ConvertFFmpeg& operator=(const Qn_ConvertFFmpeg&) = delete;

  // Refused while a file converts or a converter thread exists.
  bool Init(const ReplyTarget& target);
  // Starts the converter thread for the file; it posts the file's result when it ends.
  bool Convert(int mode, const Qn_ConvertOption& option, const Qn_MediaInfo* item);
  // Asks the running child to end; takes effect within a poll interval. The request stays
  // until ClearStop, so one that comes just before a file starts still stops that file.
  bool Stop();
  void ClearStop() { stop_ = false; }
  // Waits for the converter thread to end.
  void WaitForThread();
  // Stops a running conversion, waits for its thread and clears everything.
  void Deinit();

  // The FFmpeg arguments for the file (empty without an item or an output path).
  std::vector<std::string> MakeCommandLine(std::vector<std::string>* dropped) const;

 private:
  void Thread_MainInit();
  // Converts into a partial file reserved for the file, which goes unless the file converted.
  int ConvertStart();
  int ConvertReserved();
  void OnProgress(double seconds, std::int32_t frame);
  // Posts the latest progress unless one went out less than an interval ago (or always).
  void FlushProgress(bool always);
  void PostTimeInfo(const Qn_TimeSpan& elapsed);

  ReplyTarget target_;
  std::thread thread_;
  std::atomic<int> converting_{0};
  std::atomic<bool> stop_{false};
  const Qn_MediaInfo* item_ = nullptr;
  Qn_ConvertOption option_;
  bool renamed_ = false;  // the output took another name than the one its start announced
  std::string partial_;   // the file FFmpeg writes, while a file converts
  std::string reason_;    // FFmpeg's own words for a failed file
  COwnedPartial partialOwner_;
  int mode_ = 0;
  std::atomic<std::int32_t> percent_{0};
  double lastTime_ = 0;
  std::int32_t lastFrame_ = 0;
  LPARAM pendingProgress_ = 0;
  bool progressPending_ = false;
  bool progressPosted_ = false;
  std::uint64_t progressPostedMs_ = 0;
  Qn_ProgressTimer timer_;
};

}  // namespace mordax
