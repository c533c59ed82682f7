// The library's two entry points: one upload at a time on a thread of its own, reported to the
// caller's window by posted messages only.
#include <algorithm>
#include <mutex>
#include <thread>

#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "qnlog/qn_log.h"
#include "uploader/tovrin/tovrin_api.h"
#include "uploader/tovrin/upload_session.h"
#include "uploader/upload_address.h"

namespace {

void Post(HWND window, UINT message, WPARAM code, int value) {
  ::PostMessage(window, message, code, MAKELPARAM(0, static_cast<WORD>(value)));
}

void Log(const std::string& text) {
  static std::once_flag once;
  std::call_once(once, [] { QnLogInit(std::string(), "Tovrin.log", QN_LOG_TEMP_FOLDER, true, QN_LOG_LEVEL); });
  QnLogWrite(QN_LOG_LEVEL, "%s", text.c_str());
}

std::string Text(const char* text) { return text ? text : ""; }

// Set on the upload's thread before its end is posted, read on the caller's after.
std::mutex g_refusedLock;
std::string g_refused;

void KeepRefused(const std::string& address) {
  std::lock_guard<std::mutex> hold(g_refusedLock);
  g_refused = address;
}

class UploadThread {
 public:
  ~UploadThread() { Stop(); }

  void Start(tovrin::UploadJob job, HWND window, UINT message) {
    Stop();
    KeepRefused({});
    std::lock_guard<std::mutex> hold(lock_);
    stop_.Clear();
    worker_ = std::thread([this, job = std::move(job), window, message] {
      tovrin::UploadEvents events;
      events.started = [&] { Post(window, message, TOVRIN_STARTED, 0); };
      events.progress = [&](int percent) { Post(window, message, TOVRIN_PROGRESS, percent); };
      events.log = Log;
      events.refused = KeepRefused;
      Log("upload of " + job.file + " to " + job.endpoint);
      switch (tovrin::RunUpload(job, tovrin::UploadTuning{}, stop_, events)) {
        case tovrin::UploadResult::Complete:
          Log("upload complete");
          Post(window, message, TOVRIN_COMPLETE, 0);
          break;
        case tovrin::UploadResult::Stopped:
          Log("upload stopped");
          Post(window, message, TOVRIN_FINISHED, TOVRIN_STOPPED);
          break;
        case tovrin::UploadResult::LoginRefused: Post(window, message, TOVRIN_FINISHED, TOVRIN_LOGIN_REFUSED); break;
        case tovrin::UploadResult::Failed: Post(window, message, TOVRIN_FINISHED, TOVRIN_FAILED); break;
        case tovrin::UploadResult::NoProgress: Post(window, message, TOVRIN_FINISHED, TOVRIN_NO_PROGRESS); break;
        case tovrin::UploadResult::AddressRefused:
          Post(window, message, TOVRIN_FINISHED, TOVRIN_ADDRESS_REFUSED);
          break;
      }
    });
  }

  // Synchronous, so the caller may free the library right after.
  void Stop() {
    std::thread ending;
    {
      std::lock_guard<std::mutex> hold(lock_);
      ending = std::move(worker_);
    }
    if (!ending.joinable()) return;
    stop_.Raise();
    ending.join();
  }

 private:
  std::mutex lock_;
  std::thread worker_;
  tovrin::StopSignal stop_;
};

UploadThread& Uploads() {
  static UploadThread uploads;
  return uploads;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int YouTubeUpload(const char* user, const char* password,
                                                                    int accountType, const char* file,
                                                                    const char* title, const char* description,
                                                                    const char* keywords, const char* category,
                                                                    HWND window, UINT message, int /*one*/,
                                                                    int broadcast) {
  if (!window) return 0;
  tovrin::UploadJob job;
  const UploadAddress address = FindUploadAddress();
  job.endpoint = address.url;
  job.password = Text(password);
  job.file = Text(file);
  job.metadata = {Text(user), accountType, Text(title), Text(description), Text(keywords), Text(category), broadcast};
  if (address.problem != UploadAddressProblem::None) {
    Log(address.problem == UploadAddressProblem::ClearText
            ? "refused to send the password unencrypted to " + address.configured
        : address.problem == UploadAddressProblem::Refused ? "this upload address is not allowed: " + address.configured
                                                           : "no upload address is configured: set UploadUrl or "
                                                             "VIDARRO_UPLOAD_URL");
    Post(window, message, TOVRIN_FINISHED, TOVRIN_FAILED);
    return 1;
  }
  Uploads().Start(std::move(job), window, message);
  return 1;
}

extern "C" __attribute__((visibility("default"))) void YouTubeUploadStop() { Uploads().Stop(); }

extern "C" __attribute__((visibility("default"))) int YouTubeUploadRefusedAddress(char* text, int size) {
  std::lock_guard<std::mutex> hold(g_refusedLock);
  if (text && size > 0) {
    const std::size_t copied = std::min(g_refused.size(), static_cast<std::size_t>(size - 1));
    g_refused.copy(text, copied);
    text[copied] = '\0';
  }
  return static_cast<int>(g_refused.size());
}
