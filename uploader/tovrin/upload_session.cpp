#include "uploader/tovrin/upload_session.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

namespace tovrin {
namespace {

// Answers are small JSON or nothing; anything longer is not our server's.
constexpr std::size_t kMaxAnswerBytes = 64 * 1024;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    // libcurl's and its TLS library's global state lives for the process: keep them loaded
    // when the module that uses them is freed, so that state stays reachable.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&curl_global_init), &info) && info.dli_fname)
      dlopen(info.dli_fname, RTLD_NOW | RTLD_NODELETE);
    curl_global_init(CURL_GLOBAL_DEFAULT);
  });
}

using Clock = std::chrono::steady_clock;

struct Answer {
  long status = 0;  // 0: no answer (connection failed, stopped, unreadable)
  bool stopped = false;
  bool stalled = false;  // the request sent nothing of the file for too long
  std::string error;
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
};

struct FileChunk {
  std::FILE* file = nullptr;
  std::uint64_t remaining = 0;
};

size_t ReadChunk(char* buffer, size_t size, size_t count, void* user) {
  auto* chunk = static_cast<FileChunk*>(user);
  const size_t wanted = static_cast<size_t>(std::min<std::uint64_t>(size * count, chunk->remaining));
  if (wanted == 0) return 0;
  const size_t got = std::fread(buffer, 1, wanted, chunk->file);
  // A file that shrank under us cannot give what was promised.
  if (got == 0) return CURL_READFUNC_ABORT;
  chunk->remaining -= got;
  return got;
}

size_t KeepBody(char* data, size_t size, size_t count, void* user) {
  auto* answer = static_cast<Answer*>(user);
  const size_t bytes = size * count;
  if (answer->body.size() + bytes > kMaxAnswerBytes) return 0;
  answer->body.append(data, bytes);
  return bytes;
}

size_t KeepHeader(char* data, size_t size, size_t count, void* user) {
  auto* answer = static_cast<Answer*>(user);
  const std::string line(data, size * count);
  // An interim answer (100 Continue) starts over.
  if (line.rfind("HTTP/", 0) == 0) answer->headers.clear();
  const auto colon = line.find(':');
  if (colon == std::string::npos) return size * count;
  std::string name = line.substr(0, colon);
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  std::string value = line.substr(colon + 1);
  const auto first = value.find_first_not_of(" \t");
  const auto last = value.find_last_not_of(" \t\r\n");
  answer->headers[name] = first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
  return size * count;
}

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

HeaderList Headers(std::initializer_list<std::string> lines) {
  curl_slist* list = nullptr;
  for (const std::string& line : lines) list = curl_slist_append(list, line.c_str());
  return HeaderList(list);
}

// Where the upload's address points, resolved against the endpoint when it is relative.
std::string Resolve(const std::string& base, const std::string& location) {
  CURLU* url = curl_url();
  std::string resolved;
  if (curl_url_set(url, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
      curl_url_set(url, CURLUPART_URL, location.c_str(), 0) == CURLUE_OK) {
    char* text = nullptr;
    if (curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) resolved = text;
    curl_free(text);
  }
  curl_url_cleanup(url);
  return resolved;
}

// Where an address connects: scheme, host and port (the scheme's own when none is written), as
// libcurl reads them; empty when it cannot be read.
std::string OriginOf(const std::string& address) {
  CURLU* url = curl_url();
  std::string origin;
  char* scheme = nullptr;
  char* host = nullptr;
  char* port = nullptr;
  if (curl_url_set(url, CURLUPART_URL, address.c_str(), 0) == CURLUE_OK &&
      curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
      curl_url_get(url, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
      curl_url_get(url, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
    origin = std::string(scheme) + "://" + host + ":" + port;
    std::transform(origin.begin(), origin.end(), origin.begin(), [](unsigned char c) { return std::tolower(c); });
  }
  curl_free(scheme);
  curl_free(host);
  curl_free(port);
  curl_url_cleanup(url);
  return origin;
}

// "bytes=0-N" -> N + 1; no header -> 0 held; false when unreadable or beyond the file.
bool HeldBytes(const Answer& answer, std::uint64_t size, std::uint64_t* held) {
  const auto range = answer.headers.find("range");
  if (range == answer.headers.end()) {
    *held = 0;
    return true;
  }
  unsigned long long first = 0, last = 0;
  char extra = 0;
  if (std::sscanf(range->second.c_str(), "bytes=%llu-%llu%c", &first, &last, &extra) != 2 || first != 0 || last >= size)
    return false;
  *held = last + 1;
  return true;
}

class Uploader {
 public:
  Uploader(const UploadJob& job, const UploadTuning& tuning, const StopSignal& stop, const UploadEvents& events)
      : job_(job), tuning_(tuning), stop_(stop), events_(events), multi_(curl_multi_init()) {}

  UploadResult Run() {
    std::error_code error;
    const auto size = std::filesystem::file_size(job_.file, error);
    file_ = std::fopen(job_.file.c_str(), "rb");
    if (error || !file_ || !std::filesystem::is_regular_file(job_.file) || size == 0) {
      Log("the video file cannot be read or is empty");
      return UploadResult::Failed;
    }
    size_ = size;
    Progressed();
    const UploadResult opened = Open();
    if (opened != UploadResult::Complete) return opened;
    if (events_.started) events_.started();
    return Send();
  }

  ~Uploader() {
    if (file_) std::fclose(file_);
  }

 private:
  void Log(const std::string& text) const {
    if (events_.log) events_.log(text);
  }

  // Waits before the next attempt; false when attempts are used up, the upload has made no
  // progress for too long or a stop came.
  bool AnotherAttempt(const Answer& answer, const char* what) {
    Log(std::string(what) + " failed: " + (answer.status ? "HTTP " + std::to_string(answer.status) : answer.error));
    if (answer.stalled) stalled_ = true;
    if (++attempts_ > tuning_.retries) return false;
    const auto pause = std::chrono::duration_cast<Clock::duration>(tuning_.retryPause * attempts_);
    if (Clock::now() + pause - progressAt_ >= tuning_.giveUpAfter) {
      Log("no progress for " + std::to_string(tuning_.giveUpAfter.count() / 1000) + " s: giving up");
      return false;
    }
    return !stop_.WaitFor(tuning_.retryPause * attempts_);
  }
  void Progressed() { progressAt_ = Clock::now(); }

  // Called by libcurl during a request. A request that sends nothing for the stall time ends (a
  // server that accepts and never reads, or only trickles its answer); only bytes of the file
  // beyond any sent before are progress of the upload, so retries that send the same again
  // never hold off the end.
  static int WatchProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent) {
    auto* self = static_cast<Uploader*>(user);
    const Clock::time_point now = Clock::now();
    if (sent > self->sentInRequest_) {
      self->sentInRequest_ = sent;
      self->requestProgressAt_ = now;
      if (self->requestFrom_ >= 0 && static_cast<std::uint64_t>(self->requestFrom_ + sent) > self->furthest_) {
        self->furthest_ = static_cast<std::uint64_t>(self->requestFrom_ + sent);
        self->progressAt_ = now;
      }
    }
    const bool stalled = now - self->requestProgressAt_ >= std::chrono::seconds(self->tuning_.stallSeconds) ||
                         now - self->progressAt_ >= self->tuning_.giveUpAfter;
    return stalled ? 1 : 0;
  }

  UploadResult Open() {
    const std::string metadata = MetadataJson(job_.metadata, size_);
    for (;;) {
      Easy easy(curl_easy_init());
      const auto headers = Headers({"Content-Type: application/json; charset=UTF-8"});
      curl_easy_setopt(easy.get(), CURLOPT_URL, (job_.endpoint + "/uploads").c_str());
      curl_easy_setopt(easy.get(), CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
      curl_easy_setopt(easy.get(), CURLOPT_USERNAME, job_.metadata.user.c_str());
      curl_easy_setopt(easy.get(), CURLOPT_PASSWORD, job_.password.c_str());
      curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDS, metadata.data());
      curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(metadata.size()));
      curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
      const Answer answer = Perform(easy.get(), -1);
      if (answer.stopped) return UploadResult::Stopped;
      if (answer.status == 401 || answer.status == 403) {
        Log("the service refused the login");
        return UploadResult::LoginRefused;
      }
      const auto location = answer.headers.find("location");
      if ((answer.status == 200 || answer.status == 201) && location != answer.headers.end()) {
        const std::string named = Resolve(job_.endpoint + "/", location->second);
        // The video and the session go only where the login went: an answer naming another
        // place (a service taken over, a proxy's rewrite) gets nothing.
        if (!named.empty() && OriginOf(named) != OriginOf(job_.endpoint)) {
          Log("the service named another upload address, nothing was sent there: " + named);
          if (events_.refused) events_.refused(named);
          return UploadResult::AddressRefused;
        }
        address_ = named;
        if (!address_.empty()) {
          attempts_ = 0;
          return UploadResult::Complete;
        }
      }
      if (!AnotherAttempt(answer, "opening the upload")) return Ended();
    }
  }

  UploadResult Send() {
    std::uint64_t held = 0;
    int shown = -1;
    for (;;) {
      Answer answer = held < size_ ? PutChunk(held) : AskHeld();
      if (answer.stopped) return UploadResult::Stopped;
      if (answer.status == 200 || answer.status == 201) {
        if (shown != 100 && events_.progress) events_.progress(100);
        return UploadResult::Complete;
      }
      std::uint64_t now = 0;
      if (answer.status == 308 && HeldBytes(answer, size_, &now) && now > held) {
        held = now;
        attempts_ = 0;
        Progressed();
        const int percent = static_cast<int>(held * 100 / size_);
        if (percent != shown && events_.progress) events_.progress(percent);
        shown = percent;
        continue;
      }
      if (!AnotherAttempt(answer, "sending the file")) return Ended();
      // The connection may have carried part of the chunk: ask what arrived.
      answer = AskHeld();
      if (answer.stopped) return UploadResult::Stopped;
      if (answer.status == 200 || answer.status == 201) return UploadResult::Complete;
      if (answer.status == 308 && HeldBytes(answer, size_, &now)) held = now;
    }
  }

  UploadResult Ended() const {
    if (stop_.Raised()) return UploadResult::Stopped;
    return stalled_ ? UploadResult::NoProgress : UploadResult::Failed;
  }

  Answer PutChunk(std::uint64_t from) {
    const std::uint64_t length = std::min(tuning_.chunkBytes, size_ - from);
    FileChunk chunk{file_, length};
    if (fseeko(file_, static_cast<off_t>(from), SEEK_SET) != 0) {
      Answer failed;
      failed.error = "the video file cannot be read";
      return failed;
    }
    Easy easy(curl_easy_init());
    const auto headers = Headers({"Content-Type: application/octet-stream", "Expect:",
                                  "Content-Range: bytes " + std::to_string(from) + "-" +
                                      std::to_string(from + length - 1) + "/" + std::to_string(size_)});
    curl_easy_setopt(easy.get(), CURLOPT_URL, address_.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_READFUNCTION, ReadChunk);
    curl_easy_setopt(easy.get(), CURLOPT_READDATA, &chunk);
    curl_easy_setopt(easy.get(), CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(length));
    curl_easy_setopt(easy.get(), CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024);
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
    return Perform(easy.get(), static_cast<curl_off_t>(from));
  }

  Answer AskHeld() {
    Easy easy(curl_easy_init());
    const auto headers = Headers({"Content-Range: bytes */" + std::to_string(size_)});
    curl_easy_setopt(easy.get(), CURLOPT_URL, address_.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(0));
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
    FileChunk none{file_, 0};
    curl_easy_setopt(easy.get(), CURLOPT_READFUNCTION, ReadChunk);
    curl_easy_setopt(easy.get(), CURLOPT_READDATA, &none);
    return Perform(easy.get(), -1);
  }

  // Runs one request on the session's connections, looking at the stop request often enough
  // that a stop ends it at once. from: the file offset the request sends from, -1 for none.
  Answer Perform(CURL* easy, curl_off_t from) {
    Answer answer;
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, KeepHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &answer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, KeepBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxAnswerBytes));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 10L);
    sentInRequest_ = 0;
    requestFrom_ = from;
    requestProgressAt_ = Clock::now();
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Uploader::WatchProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_multi_add_handle(multi_.get(), easy);
    int running = 1;
    CURLcode result = CURLE_OK;
    while (running) {
      if (stop_.Raised()) {
        answer.stopped = true;
        break;
      }
      if (curl_multi_perform(multi_.get(), &running) != CURLM_OK) {
        result = CURLE_FAILED_INIT;
        break;
      }
      if (running) curl_multi_poll(multi_.get(), nullptr, 0, 100, nullptr);
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left))
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy) result = message->data.result;
    curl_multi_remove_handle(multi_.get(), easy);
    if (answer.stopped) return answer;
    if (result == CURLE_ABORTED_BY_CALLBACK) {
      answer.stalled = true;
      answer.error = "no progress";
      return answer;
    }
    if (result != CURLE_OK) {
      answer.error = curl_easy_strerror(result);
      answer.status = 0;
      return answer;
    }
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &answer.status);
    return answer;
  }

  const UploadJob& job_;
  const UploadTuning& tuning_;
  const StopSignal& stop_;
  const UploadEvents& events_;
  std::unique_ptr<CURLM, MultiDeleter> multi_;
  std::FILE* file_ = nullptr;
  std::uint64_t size_ = 0;
  std::string address_;
  int attempts_ = 0;
  Clock::time_point progressAt_;         // the last byte of the file the upload moved
  Clock::time_point requestProgressAt_;  // the same within the running request
  curl_off_t sentInRequest_ = 0;
  curl_off_t requestFrom_ = -1;
  std::uint64_t furthest_ = 0;  // the furthest byte of the file ever sent
  bool stalled_ = false;
};

}  // namespace

UploadResult RunUpload(const UploadJob& job, const UploadTuning& tuning, const StopSignal& stop,
                       const UploadEvents& events) {
  InitCurlOnce();
  if (job.endpoint.empty()) {
    if (events.log) events.log("no upload address is configured (VIDARRO_UPLOAD_URL)");
    return UploadResult::Failed;
  }
  return Uploader(job, tuning, stop, events).Run();
}

}  // namespace tovrin
