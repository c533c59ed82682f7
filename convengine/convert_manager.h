// The library's single manager: the operation queue, the file list, the current option and
// the thread that carries the operations out.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "convengine/convert_ffmpeg.h"
#include "convengine/mordax_api.h"
#include "convengine/reply_port.h"

namespace mordax {

// One queued operation. The option is a copy taken when the export was called, so the host
// may change or free its record at once.
struct Qn_ConvertOp {
  int op = Qn_OP_STOP;
  std::string outputFolder;
  Qn_ItemList items;
  Qn_PathList paths;
  std::unique_ptr<Qn_ConvertOption> option;
  int mode = 0;
  int replaceIndex = 0;
  int insertIndex = 0;
  std::string replacePath;
  std::string insertPath;
};

class Qn_ConvertManager {
 public:
  Qn_ConvertManager() = default;
  // Waits as long as the thread runs: it uses this object. An owner that must not wait keeps
  // the object alive instead (see EndMainThread).
  ~Qn_ConvertManager() {
    while (!EndMainThread()) {
    }
  }
  Qn_ConvertManager(const Qn_ConvertManager&) = delete;
  Qn_ConvertManager& operator=(const Qn_ConvertManager&) = delete;

  // 1 when the thread was started; 0 when one runs already.
  int BeginMainThread(HWND window, UINT message);
  // Stops a running batch and returns once every thread of the engine has ended (true), or
  // after the close limit with the thread still running (false): the object is then still
  // in use by that thread and must outlive it. While waiting it answers messages sent to the
  // calling thread, so a host window that closes the engine from its own thread cannot
  // deadlock with the item-start reply.
  bool EndMainThread();
  void SetCloseLimit(std::chrono::milliseconds limit) { closeLimit_ = limit; }
  bool IsRunning() const { return thread_.joinable(); }

  // Queues an operation; an urgent one (stop) also ends a running child at once.
  int PushOp(bool urgent, std::unique_ptr<Qn_ConvertOp> op);
  int IsConvert() const { return converting_.load(); }

 private:
  void Thread_MainInit();
  void ProcessOps();
  void AddFile(const Qn_PathList& paths);
  void RemoveFile(const Qn_ItemList& items);
  void RemoveAllFile();
  void SetConvertOption(int mode, const Qn_ConvertOption* option);
  void Convert();
  void RePlaceFile(int index, const std::string& path);
  void InsertFile(int index, const std::string& path);
  int AddOneFile(const std::string& path);
  int CheckFile(const std::string& path) const;
  bool ParseMediaInfo(const std::string& path);
  void ReleaseAll();

  // Consumes a pending stop request; an exit request counts as one.
  bool TakeStop();
  // Sleeps unless a stop or exit comes first; true when one came.
  bool PauseUnlessStopped(int ms);
  void Post(int op, int status, LPARAM value) { PostReply(target_, op, status, value); }

  ReplyTarget target_;
  std::chrono::milliseconds closeLimit_{20000};
  std::thread thread_;
  std::atomic<bool> threadEnded_{false};

  std::mutex wakeLock_;
  std::condition_variable wake_;
  bool work_ = false;
  bool stop_ = false;
  bool exit_ = false;

  std::mutex queueLock_;
  std::deque<std::unique_ptr<Qn_ConvertOp>> queue_;

  // Touched by the manager thread alone.
  std::vector<std::unique_ptr<Qn_MediaInfo>> files_;
  Qn_ConvertOption option_;
  bool optionAccepted_ = false;
  int mode_ = 0;

  std::atomic<int> converting_{0};
  Qn_ConvertFFmpeg ffmpeg_;
};

}  // namespace mordax
