#include "convengine/convert_manager.h"

#include <algorithm>
#include <chrono>
#include <unistd.h>

#include "convengine/ffmpeg_options.h"
#include "convengine/ffmpeg_program.h"
#include "convengine/media_info.h"
#include "convengine/output_naming.h"
#include "qnlog/qn_log.h"

namespace mordax {

namespace {

void LogOption(const char* tag, const Qn_ConvertOption& o) {
  QnLogWrite(QN_LOG_LEVEL, "[%s] Audio Info - codec:[%s] bitrate:[%d] samplerate:[%d] channel:[%d]", tag,
             o.audio.codec.c_str(), o.audio.bitrate, o.audio.sampleRate, o.audio.channels);
  QnLogWrite(QN_LOG_LEVEL, "[%s] Video Info - codec:[%s] bitrate:[%d] framerate:[%lf] height:[%d] width:[%d]", tag,
             o.video.codec.c_str(), o.video.bitrate, o.video.frameRate, o.video.height, o.video.width);
}

}  // namespace

int Qn_ConvertManager::BeginMainThread(HWND window, UINT message) {
  if (thread_.joinable()) return 0;
  target_ = ReplyTarget{window, message};
  {
    std::lock_guard<std::mutex> guard(wakeLock_);
    stop_ = false;
    exit_ = false;
    ffmpeg_.ClearStop();
    // Operations queued while the library was closed run now.
    std::lock_guard<std::mutex> queueGuard(queueLock_);
    work_ = !queue_.empty();
  }
  threadEnded_ = false;
  try {
    thread_ = std::thread(&Qn_ConvertManager::Thread_MainInit, this);
  } catch (const std::system_error&) {
    return 0;
  }
  return 1;
}

bool Qn_ConvertManager::EndMainThread() {
  if (!thread_.joinable()) return true;
  QnLogWrite(QN_LOG_LEVEL, "[%s] Qn_OP_EVENT_EXIT", "Qn_ConvertManager::EndMainThread");
  {
    std::lock_guard<std::mutex> guard(wakeLock_);
    exit_ = true;
    ffmpeg_.Stop();
  }
  wake_.notify_all();
  const auto deadline = std::chrono::steady_clock::now() + closeLimit_;
  while (!threadEnded_.load()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      QnLogWrite(QN_LOG_LEVEL, "[%s] the thread did not end within [%lld] ms: left running",
                 "Qn_ConvertManager::EndMainThread", static_cast<long long>(closeLimit_.count()));
      return false;
    }
    AnswerSentReplies();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  thread_.join();
  return true;
}

int Qn_ConvertManager::PushOp(bool urgent, std::unique_ptr<Qn_ConvertOp> op) {
  {
    std::lock_guard<std::mutex> guard(queueLock_);
    queue_.push_back(std::move(op));
  }
  {
    std::lock_guard<std::mutex> guard(wakeLock_);
    if (urgent) {
      // Reaches a running child at once, and one about to start.
      ffmpeg_.Stop();
      stop_ = true;
    } else {
      work_ = true;
    }
  }
  wake_.notify_all();
  return 1;
}

void Qn_ConvertManager::Thread_MainInit() {
  while (true) {
    bool work = false;
    {
      std::unique_lock<std::mutex> guard(wakeLock_);
      wake_.wait(guard, [this] { return work_ || stop_ || exit_; });
      if (exit_) {
        QnLogWrite(QN_LOG_LEVEL, "[%s] ==", "Qn_ConvertManager::Thread_MainInit");
        break;
      }
      if (work_) {
        work_ = false;
        work = true;
      } else {
        // A stop with nothing running has no further effect.
        stop_ = false;
        ffmpeg_.ClearStop();
      }
    }
    if (work) ProcessOps();
  }
  ReleaseAll();
  QnLogWrite(QN_LOG_LEVEL, "[%s] end of thread ", "Qn_ConvertManager::Thread_MainInit");
  threadEnded_ = true;
}

bool Qn_ConvertManager::TakeStop() {
  std::lock_guard<std::mutex> guard(wakeLock_);
  const bool stop = stop_ || exit_;
  if (stop_) ffmpeg_.ClearStop();
  stop_ = false;
  return stop;
}

bool Qn_ConvertManager::PauseUnlessStopped(int ms) {
  std::unique_lock<std::mutex> guard(wakeLock_);
  const bool stopped = wake_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return stop_ || exit_; });
  if (stop_) ffmpeg_.ClearStop();
  stop_ = false;
  return stopped;
}

void Qn_ConvertManager::ProcessOps() {
  while (true) {
    std::unique_ptr<Qn_ConvertOp> op;
    {
      std::lock_guard<std::mutex> guard(queueLock_);
      if (queue_.empty()) return;
      op = std::move(queue_.front());
      queue_.pop_front();
    }
    {
      std::lock_guard<std::mutex> guard(wakeLock_);
      if (exit_) return;
    }
    switch (op->op) {
      case Qn_OP_ADD_FILE: AddFile(op->paths); break;
      case Qn_OP_REMOVE_FILE: RemoveFile(op->items); break;
      case Qn_OP_REMOVE_ALL_FILE: RemoveAllFile(); break;
      case Qn_OP_SET_CONVERT_OPTION: SetConvertOption(op->mode, op->option.get()); break;
      case Qn_OP_CONVERT:
        if (optionAccepted_) {
          // A trailing "/" keeps a missing folder from being read as a file in its parent.
          option_.path.SetPath(op->outputFolder.empty() || op->outputFolder.back() == '/' ? op->outputFolder
                                                                                          : op->outputFolder + "/");
        }
        Convert();
        break;
      case Qn_OP_REPLACE_FILE: RePlaceFile(op->replaceIndex, op->replacePath); break;
      case Qn_OP_INSERT_FILE: InsertFile(op->insertIndex, op->insertPath); break;
      default: break;
    }
  }
}

int Qn_ConvertManager::CheckFile(const std::string& path) const {
  // Linux names differ by case: only the exact path is the same file.
  for (const auto& file : files_)
    if (file->source.GetPath() == path) return Qn_ERR_DUPLICATE;
  return CFilePath::FileExists(path) ? 1 : Qn_ERR_NO_FILE;
}

int Qn_ConvertManager::AddOneFile(const std::string& path) {
  if (path.empty()) return Qn_ERR_INVALID_ARG;
  if (CheckFile(path) != 1) return Qn_ERR_DUPLICATE;
  return ParseMediaInfo(path) ? 1 : Qn_ERR_MEDIA_INFO;
}

bool Qn_ConvertManager::ParseMediaInfo(const std::string& path) {
  constexpr char kTag[] = "Qn_ConvertManager::ParseMediaInfo";
  auto record = std::make_unique<Qn_MediaInfo>();
  std::string why;
  if (!ReadMediaInfo(path, record.get(), &why)) {
    QnLogWrite(QN_LOG_LEVEL, "[%s] warning: %s [%s]", kTag, why.c_str(), path.c_str());
    return false;
  }
  QnLogWrite(QN_LOG_LEVEL, "[%s] ==> Duration:[%ld]  Duration String:[%s]", kTag, long(record->duration), path.c_str());
  if (record->videoStreamCount != 1)
    QnLogWrite(QN_LOG_LEVEL, "[%s] video stream count:[%d]", kTag, record->videoStreamCount);
  if ((mode_ == 2 || mode_ == 3) && record->audioStreamCount != 1)
    QnLogWrite(QN_LOG_LEVEL, "[%s] audio stream count:[%d]", kTag, record->audioStreamCount);
  files_.push_back(std::move(record));
  return true;
}

void Qn_ConvertManager::AddFile(const Qn_PathList& paths) {
  if (paths.empty()) {
    Post(Qn_OP_ADD_FILE, Qn_MSG_FAILED, Qn_ERR_EMPTY_LIST);
    return;
  }
  for (const std::string& path : paths) {
    if (TakeStop()) break;
    const int result = AddOneFile(path);
    if (result == 1) {
      Qn_MediaInfo* added = files_.back().get();
      Post(Qn_OP_ADD_FILE, Qn_MSG_SUCCEEDED, reinterpret_cast<LPARAM>(added));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      QnLogWrite(QN_LOG_LEVEL, "[%s] phtMediaInfo:[%p] duration:[%ld] file size:[%lld]", "Qn_ConvertManager::AddFile",
                 static_cast<void*>(added), long(added->duration), static_cast<long long>(added->fileSize));
    } else {
      Post(Qn_OP_ADD_FILE, Qn_MSG_FAILED, result);
    }
  }
  Post(Qn_OP_ADD_FILE, Qn_MSG_COMPLETE, 0);
}

void Qn_ConvertManager::RemoveFile(const Qn_ItemList& items) {
  if (files_.empty()) {
    Post(Qn_OP_REMOVE_FILE, Qn_MSG_FAILED, Qn_ERR_EMPTY_LIST);
    return;
  }
  std::size_t left = items.size();
  if (left == 0 || left > files_.size()) {
    Post(Qn_OP_REMOVE_FILE, Qn_MSG_FAILED, Qn_ERR_INVALID_ARG);
    return;
  }
  for (Qn_MediaInfo* item : items) {
    const auto it = std::find_if(files_.begin(), files_.end(), [item](const auto& f) { return f.get() == item; });
    if (it != files_.end()) {
      files_.erase(it);
      --left;
    }
  }
  Post(Qn_OP_REMOVE_FILE, left == 0 ? Qn_MSG_COMPLETE : Qn_MSG_FAILED, 0);
}

void Qn_ConvertManager::RemoveAllFile() {
  if (files_.empty()) {
    Post(Qn_OP_REMOVE_ALL_FILE, Qn_MSG_FAILED, Qn_ERR_EMPTY_LIST);
    return;
  }
  files_.clear();
  Post(Qn_OP_REMOVE_ALL_FILE, Qn_MSG_COMPLETE, 0);
}

void Qn_ConvertManager::SetConvertOption(int mode, const Qn_ConvertOption* option) {
  constexpr char kTag[] = "Qn_ConvertManager::SetConvertOption";
  QnLogWrite(QN_LOG_LEVEL, "[%s] pOpCon:[%p]", kTag, static_cast<const void*>(option));
  if (!option) {
    optionAccepted_ = false;
    Post(Qn_OP_SET_CONVERT_OPTION, Qn_MSG_FAILED, Qn_ERR_GENERAL);
    return;
  }
  LogOption(kTag, *option);
  Qn_ConvertOption checked = *option;
  NormaliseOption(&checked);
  const std::string program = FindFFmpeg();
  EncoderCheck check;
  if (!program.empty()) check = [&program](const std::string& encoder) { return HasEncoder(program, encoder); };
  std::string why;
  const int verdict = CheckConvertOption(checked, check, &why);
  if (verdict != Qn_MSG_SUCCEEDED) {
    QnLogWrite(QN_LOG_LEVEL, "[%s] refused: %s", kTag, why.c_str());
    // The start that follows must fail, not convert with the profile chosen before.
    optionAccepted_ = false;
    Post(Qn_OP_SET_CONVERT_OPTION, Qn_MSG_FAILED, verdict);
    return;
  }
  mode_ = mode;
  option_ = std::move(checked);
  optionAccepted_ = true;
  QnLogWrite(QN_LOG_LEVEL, "[%s] m_OpCon:[%p]", kTag, static_cast<const void*>(&option_));
  Post(Qn_OP_SET_CONVERT_OPTION, Qn_MSG_SUCCEEDED, 0);
}

void Qn_ConvertManager::Convert() {
  constexpr char kTag[] = "Qn_ConvertManager::Convert";
  if (files_.empty()) {
    Post(Qn_OP_CONVERT, Qn_MSG_FAILED, Qn_ERR_EMPTY_LIST);
    Post(Qn_OP_CONVERT, Qn_MSG_COMPLETE, 0);
    return;
  }
  if (!optionAccepted_) {
    QnLogWrite(QN_LOG_LEVEL, "[%s] refused: no accepted option", kTag);
    Post(Qn_OP_CONVERT, Qn_MSG_FAILED, Qn_ERR_GENERAL);
    Post(Qn_OP_CONVERT, Qn_MSG_COMPLETE, 0);
    return;
  }
  const std::string folder = option_.path.GetDirectory();
  for (std::size_t index = 0; index < files_.size(); ++index) {
    const Qn_MediaInfo* file = files_[index].get();
    converting_ = 1;
    QnLogWrite(QN_LOG_LEVEL, "[%s] nIdx:[%d] phtMediaInfo:[%p] file name:[%s]", kTag, int(index),
               static_cast<const void*>(file), file->source.GetPath().c_str());
    if (TakeStop()) {
      QnLogWrite(QN_LOG_LEVEL, "[%s] ======> Qn_OP_EVENT_STOP ", kTag);
      break;
    }
    const std::string output = MakeOutputPath(file->source.GetName(), folder, option_.FILEPREFIX, option_.EXF);
    if (output.empty() || ::access(folder.c_str(), W_OK) != 0) {
      // Silence here would leave the host waiting for a file that never comes.
      QnLogWrite(QN_LOG_LEVEL, "[%s] warning: no output path in folder [%s]", kTag, folder.c_str());
      Post(Qn_OP_CONVERT, Qn_MSG_FAILED, Qn_ERR_GENERAL);
      continue;
    }
    option_.path.SetPath(output);
    QnLogWrite(QN_LOG_LEVEL, "[%s] strOutFilePath:[%s]", "Qn_ConvertManager::GetOutputFilePath", output.c_str());

    auto item = std::make_unique<Qn_ConvertItem>();
    item->index = static_cast<std::int32_t>(index);
    item->source = file->source;
    item->output = option_.path;
    item->frameCount = file->video.FrameCount;
    item->videoDuration = file->video.Duration;
    SendRecord(target_, Qn_OP_CONVERT, Qn_MSG_ITEM_START, std::move(item));
    if (PauseUnlessStopped(1000)) {
      // The host has the item: it must hear how this file ended.
      QnLogWrite(QN_LOG_LEVEL, "[%s] ======> Qn_OP_EVENT_STOP ", kTag);
      Post(Qn_OP_CONVERT, Qn_MSG_FAILED, Qn_ERR_STOPPED);
      break;
    }
    // Every mode converts, WMV HD included: an item announced and never converted would end
    // the batch as done with no file written.
    if (!ffmpeg_.Init(target_)) break;
    ffmpeg_.Convert(mode_, option_, file);
    ffmpeg_.WaitForThread();
    ffmpeg_.Deinit();
    QnLogWrite(QN_LOG_LEVEL, "[%s] =================> end of convert", kTag);
    QnLogWrite(QN_LOG_LEVEL, "[%s] ==> Duration:[%ld]", kTag, long(file->duration));
  }
  // The next start names its folder again; keep the folder, not the last file.
  option_.path.SetPath(folder);
  converting_ = 0;
  Post(Qn_OP_CONVERT, Qn_MSG_COMPLETE, 0);
  QnLogWrite(QN_LOG_LEVEL, "[%s] send Qn_OP_CONVERT Qn_MSG_COMPLETE", kTag);
}

void Qn_ConvertManager::RePlaceFile(int index, const std::string& path) {
  if (files_.empty() || index < 0 || path.empty() || static_cast<std::size_t>(index) >= files_.size()) {
    Post(Qn_OP_REPLACE_FILE, Qn_MSG_FAILED, Qn_ERR_INVALID_ARG);
    return;
  }
  const int result = AddOneFile(path);
  if (result != 1) {
    Post(Qn_OP_REPLACE_FILE, Qn_MSG_FAILED, result);
    return;
  }
  std::unique_ptr<Qn_MediaInfo> added = std::move(files_.back());
  files_.pop_back();
  Qn_MediaInfo* record = added.get();
  files_[index] = std::move(added);
  Post(Qn_OP_REPLACE_FILE, Qn_MSG_SUCCEEDED, reinterpret_cast<LPARAM>(record));
}

void Qn_ConvertManager::InsertFile(int index, const std::string& path) {
  constexpr char kTag[] = "Qn_ConvertManager::InsertFile";
  if (index < 0 || path.empty() || static_cast<std::size_t>(index) > files_.size()) {
    Post(Qn_OP_INSERT_FILE, Qn_MSG_FAILED, Qn_ERR_INVALID_ARG);
    return;
  }
  QnLogWrite(QN_LOG_LEVEL, "[%s] nIdx:[%d] path:[%s]", kTag, index, path.c_str());
  const int result = AddOneFile(path);
  if (result != 1) {
    Post(Qn_OP_INSERT_FILE, Qn_MSG_FAILED, result);
    return;
  }
  std::unique_ptr<Qn_MediaInfo> added = std::move(files_.back());
  files_.pop_back();
  Qn_MediaInfo* record = added.get();
  QnLogWrite(QN_LOG_LEVEL, "[%s] phtInsMediaInfo:[%p] path:[%s] duration:[%ld] file size:[%lld]", kTag,
             static_cast<void*>(record), path.c_str(), long(record->duration),
             static_cast<long long>(record->fileSize));
  files_.insert(files_.begin() + index, std::move(added));
  Post(Qn_OP_INSERT_FILE, Qn_MSG_SUCCEEDED, reinterpret_cast<LPARAM>(record));
}

void Qn_ConvertManager::ReleaseAll() {
  ffmpeg_.Deinit();
  {
    std::lock_guard<std::mutex> guard(queueLock_);
    queue_.clear();
  }
  files_.clear();
  option_ = Qn_ConvertOption{};
  optionAccepted_ = false;
  mode_ = 0;
  converting_ = 0;
}

}  // namespace mordax
