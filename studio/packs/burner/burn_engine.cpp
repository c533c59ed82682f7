#include "burn_engine.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "bluray_stream.h"
#include "disc_project.h"
#include "disc_target.h"
#include "pack_text.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/key_file.h"
#include "platform/base/module.h"
#include "platform/base/process.h"
#include "platform/disc/cue_sheet.h"
#include "platform/disc/dvd_menu.h"
#include "platform/disc/image_tool.h"

namespace studio::packs {
namespace {

// How long a tool asked to end on a cancel may take before it is killed.
constexpr DWORD kCancelGraceMs = 1000;

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// Each file's streams, read a few at a time: ffprobe mostly waits on its own start, and a disc of
// many titles would wait for each in turn. Files left when `cancel` is set stay unread.
std::vector<std::optional<ClipStreams>> ProbeAll(const std::vector<std::string>& files,
                                                 const std::atomic<bool>& cancel) {
  std::vector<std::optional<ClipStreams>> probed(files.size());
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i; !cancel && (i = next++) < files.size();) {
      ClipStreams streams;
      if (ProbeClipStreams(files[i], &streams, 60000, &cancel)) probed[i] = streams;
    }
  };
  std::vector<std::thread> helpers;
  for (size_t h = 1; h < std::min<size_t>(4, files.size()); ++h) helpers.emplace_back(work);
  work();
  for (std::thread& helper : helpers) helper.join();
  return probed;
}

// A Video CD's volume id takes only A-Z, 0-9 and "_", at most 32 of them.
std::string VolumeId(const std::string& name) {
  std::string id;
  for (const char c : name) {
    if (id.size() == 32) break;
    const unsigned char u = static_cast<unsigned char>(c);
    id += std::isalnum(u) && u < 0x80 ? static_cast<char>(std::toupper(u)) : '_';
  }
  return id.empty() ? "VIDEOCD" : id;
}

std::string VideoCdXml(DiscFormat format, const std::string& discName,
                       const std::vector<std::vector<std::string>>& titles) {
  const bool svcd = format == DiscFormat::Svcd;
  std::string xml =
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE videocd PUBLIC \"-//GNU//DTD VideoCD//EN\" \"http://www.gnu.org/software/vcdimager/videocd.dtd\">\n"
      "<videocd xmlns=\"http://www.gnu.org/software/vcdimager/1.0/\" class=\"" +
      std::string(svcd ? "svcd" : "vcd") + "\" version=\"" + (svcd ? "1.0" : "2.0") +
      "\">\n"
      "  <info><album-id>" +
      VolumeId(discName).substr(0, 16) +
      "</album-id><volume-count>1</volume-count><volume-number>1</volume-number>"
      "<restriction>0</restriction></info>\n"
      "  <pvd><volume-id>" +
      VolumeId(discName) + "</volume-id><system-id>CD-RTOS CD-BRIDGE</system-id></pvd>\n  <sequence-items>\n";
  int n = 0;
  for (const auto& title : titles)
    for (const std::string& file : title)
      xml += "    <sequence-item src=\"" + platform::disc::XmlEscaped(file) + "\" id=\"sequence-" +
             std::to_string(n++) + "\"/>\n";
  return xml + "  </sequence-items>\n</videocd>\n";
}

// A ffmpeg -progress line "out_time_us=N" -> seconds; -1 for other lines.
double ProgressSeconds(const std::string& line) {
  if (line.rfind("out_time_us=", 0) != 0 && line.rfind("out_time_ms=", 0) != 0) return -1;
  return std::atof(line.c_str() + 12) / 1e6;
}

struct WriteWait {
  std::mutex mutex;
  std::condition_variable done;
  bool ended = false;
  int status = 1;
};

void OnWriteEnd(int status, void* context) {
  auto* wait = static_cast<WriteWait*>(context);
  std::lock_guard lock(wait->mutex);
  wait->status = status;
  wait->ended = true;
  wait->done.notify_all();
}

}  // namespace

const char* PhaseName(BurnPhase phase) {
  switch (phase) {
    case BurnPhase::Encoding: return "Encoding";
    case BurnPhase::Authoring: return "Authoring";
    case BurnPhase::Writing: return "Writing";
    case BurnPhase::Finalizing: return "Finalizing";
    default: return "";
  }
}

BurnEngine::~BurnEngine() {
  Cancel();
  Join();
}

bool BurnEngine::Start(BurnJob job, std::string* refusal) {
  auto refuse = [&](const std::string& why) {
    if (refusal) *refusal = why;
    return false;
  };
  if (running_) return refuse("A burn is already running. Wait until it ends and burn again.");
  Join();
  std::uint64_t bytes = 0;
  bool any = false;
  std::vector<std::pair<std::string, std::int64_t>> sizes;
  for (const auto& title : job.titles)
    for (const std::string& file : title) {
      std::error_code error;
      if (std::filesystem::exists(file, error) && !IsFile(file)) return refuse(NotAFile(file));
      if (!IsFile(file))
        return refuse("The recording \"" + file + "\" cannot be found: it was moved or deleted. Nothing was burned.");
      sizes.emplace_back(file, platform::FileSize(file));
      bytes += static_cast<std::uint64_t>(std::max<std::int64_t>(0, sizes.back().second));
      any = true;
    }
  if (!any) return refuse("There is nothing to burn. Add a recording and burn again.");
  if (!job.imageFile.empty()) {
    std::error_code error;
    if (!std::filesystem::is_directory(platform::FolderOf(job.imageFile), error))
      return refuse("The folder of the image \"" + job.imageFile + "\" does not exist. Choose another and burn again.");
  } else {
    DiscTarget target(job.format, job.driveLetter);
    const std::string why = target.Refusal(EstimatedDiscBlocks(job.format, bytes));
    if (!why.empty()) return refuse(why);
    job.driveLetter = target.Letter();
  }
  WorkFolder work;
  if (!work.Make(job.workRoot, "VidarroBurn-"))
    return refuse("No work folder can be made in \"" + job.workRoot + "\". Check the temporary folder and burn again.");
  job.workFolder = work.Path();
  {
    std::lock_guard lock(mutex_);
    message_.clear();
  }
  job_ = std::move(job);
  work_ = std::move(work);
  startSizes_ = std::move(sizes);
  cancel_ = false;
  end_ = BurnEnd::Burned;
  phase_ = BurnPhase::Encoding;
  percent_ = 0;
  running_ = true;
  worker_ = std::thread(&BurnEngine::Run, this);
  return true;
}

void BurnEngine::Cancel() { cancel_ = true; }

void BurnEngine::Join() {
  if (worker_.joinable()) worker_.join();
}

std::string BurnEngine::Message() const {
  std::lock_guard lock(mutex_);
  return message_;
}

void BurnEngine::SetPhase(BurnPhase phase, int percent) {
  phase_ = phase;
  percent_ = percent;
  if (notify_) notify_();
}

void BurnEngine::SetPercent(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == percent_) return;
  percent_ = percent;
  if (notify_) notify_();
}

void BurnEngine::Fail(const std::string& message) {
  std::lock_guard lock(mutex_);
  if (message_.empty()) message_ = message;
}

bool BurnEngine::WorkFolderFull() const {
  struct statvfs fs {};
  if (::statvfs(job_.workFolder.c_str(), &fs) != 0) return false;
  return static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize < (8u << 20);
}

bool BurnEngine::RunTool(const std::string& program, const std::vector<std::string>& args,
                         const std::function<void(const std::string&)>& onLine, std::string* messages) {
  // "env NAME=value tool ...": the tool is the one that must be there.
  std::string tool = program;
  if (program == "env")
    for (const std::string& arg : args)
      if (arg.find('=') == std::string::npos) {
        tool = arg;
        break;
      }
  platform::ChildProcess child;
  platform::ChildOptions options;
  options.workFolder = job_.workFolder;
  options.ownSession = true;
  if (!ProgramOnPath(tool) || !child.Start(program, args, options)) {
    Fail(tool + " is not installed, so the disc cannot be made. Install it and burn again.");
    return false;
  }
  std::string out, err, pending;
  while (child.ReadOutput(&out, messages, 200)) {
    pending += out;
    out.clear();
    for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
      if (onLine) onLine(pending.substr(0, end));
    if (cancel_) {
      child.Terminate(kCancelGraceMs);
      return false;
    }
  }
  // Its output closed, the tool may still be finishing its files: a cancel is heard meanwhile.
  while (!child.Wait(100))
    if (cancel_) {
      child.Terminate(kCancelGraceMs);
      return false;
    }
  if (cancel_) return false;
  return child.ExitCode() == 0;
}

bool BurnEngine::Encode(std::vector<std::vector<std::string>>* discTitles) {
  titleSeconds_.assign(job_.titles.size(), 0);
  titleForms_.assign(job_.titles.size(), TitleForm{});
  if (job_.format == DiscFormat::Bluray) return EncodeBluray(discTitles);
  std::vector<std::string> all;
  for (const auto& title : job_.titles) all.insert(all.end(), title.begin(), title.end());
  const std::vector<std::optional<ClipStreams>> probed = ProbeAll(all, cancel_);
  if (cancel_) return false;
  int done = 0;
  const int total = static_cast<int>(all.size());
  for (const auto& title : job_.titles) {
    std::vector<std::string> files;
    for (const std::string& file : title) {
      const int base = done * 100 / total;
      const bool readable = probed[done].has_value();
      const ClipStreams streams = probed[done].value_or(ClipStreams{});
      if (readable) titleSeconds_[discTitles->size()] += streams.seconds;
      if (!readable) {
        Fail(IsFile(file) ? "The recording \"" + file + "\" holds no video that can be burned. Nothing was burned."
                          : "The recording \"" + file +
                                "\" cannot be found: it was moved or deleted. Nothing was "
                                "burned.");
        return false;
      }
      const bool fits = StreamsFitDisc(streams, job_.format, job_.ntsc);
      if (files.empty()) {
        // A title's parts are one recording: its first tells the title's shape and sound.
        TitleForm& form = titleForms_[discTitles->size()];
        form.wide = WideOnDisc(job_.format, streams.displayAspect);
        form.sound =
            streams.audioCodec.empty() || fits ? streams.audioCodec : EncodeSettingsFor(job_.format).audioCodec;
      }
      // DVD-Video takes a fitting DVD program stream as it is; a Video CD's stream, and any other
      // multiplex of a fitting picture and sound, is remade in the disc's own packets.
      // A recording cut short ends in part of a pack, which dvdauthor cannot read: remade whole.
      const bool wholePacks = platform::FileSize(file) % 2048 == 0;
      if (fits && !IsVideoCd(job_.format) && streams.navigationPacks && wholePacks) {
        files.push_back(file);
      } else {
        const std::string output = job_.workFolder + "title" + std::to_string(done + 1) + ".mpg";
        std::string messages;
        const auto progress = [&](const std::string& line) {
          const double seconds = ProgressSeconds(line);
          if (seconds >= 0) SetPercent(base + static_cast<int>(seconds / streams.seconds * 100 / total));
        };
        if (!RunTool("ffmpeg", EncodeArguments(job_.format, job_.ntsc, fits, streams.displayAspect, file, output),
                     progress, &messages)) {
          if (cancel_) return false;
          if (WorkFolderFull() || messages.find("No space left") != std::string::npos)
            Fail("The work folder \"" + job_.workFolder + "\" is full. Free some space there and burn again.");
          else if (const std::string changed = ChangedTitle(); !changed.empty()) Fail(changed);
          else Fail("The recording \"" + file + "\" could not be encoded for the disc. Nothing was burned.");
          return false;
        }
        files.push_back(output);
      }
      ++done;
      SetPercent(done * 100 / total);
    }
    discTitles->push_back(std::move(files));
  }
  return true;
}

bool BurnEngine::Author(const std::vector<std::vector<std::string>>& discTitles, std::string* authored) {
  std::string messages;
  bool ok = false;
  if (job_.format == DiscFormat::Bluray) {
    *authored = job_.workFolder + "BD/";
    ok = AuthorBluray(discTitles, *authored);
    if (!ok && !cancel_) {
      Fail("The Blu-ray could not be authored (Tarnel refused the titles). Nothing was burned.");
      return false;
    }
  } else if (IsVideoCd(job_.format)) {
    const std::string xml = job_.workFolder + "videocd.xml";
    *authored = job_.workFolder + "videocd.cue";
    ok = platform::WriteWholeFileAtomic(xml, VideoCdXml(job_.format, job_.discName, discTitles)) &&
         RunTool("vcdxbuild", {"--cue-file=" + *authored, "--bin-file=" + job_.workFolder + "videocd.bin", xml},
                 nullptr, &messages);
  } else if (job_.menu) {
    *authored = job_.workFolder + "DVD/";
    ok = AuthorWithMenu(discTitles, *authored, &messages);
  } else {
    *authored = job_.workFolder + "DVD/";
    ok = AuthorPlain(discTitles, *authored, &messages);
  }
  if (!ok && !cancel_) {
    if (WorkFolderFull() || messages.find("No space left") != std::string::npos)
      Fail("The work folder \"" + job_.workFolder + "\" is full. Free some space there and burn again.");
    else if (const std::string changed = ChangedTitle(); !changed.empty()) Fail(changed);
    else if (job_.format != DiscFormat::Bluray)
      Fail(std::string("The disc could not be authored (") + (IsVideoCd(job_.format) ? "vcdxbuild" : "dvdauthor") +
           " refused the recordings). Nothing was burned.");
  }
  return ok;
}

std::string BurnEngine::ChangedTitle() const {
  for (const auto& [file, size] : startSizes_) {
    if (!IsFile(file)) return "The title \"" + file + "\" was deleted while the disc was made. Nothing was burned.";
    if (platform::FileSize(file) < size)
      return "The title \"" + file +
             "\" is shorter than its header says: it was cut while the disc was made. "
             "Nothing was burned.";
  }
  return {};
}

std::vector<double> BurnEngine::Marks(size_t title) const {
  static const std::vector<double> none;
  return ChapterMarks(title < titleSeconds_.size() ? titleSeconds_[title] : 0, job_.chapterMinutes,
                      title < job_.titleChapters.size() ? job_.titleChapters[title] : none);
}

bool BurnEngine::EncodeBluray(std::vector<std::vector<std::string>>* discTitles) {
  const std::string stream = job_.workFolder + "BD/BDMV/STREAM/";
  if (!platform::CreateFolders(stream)) {
    Fail("The work folder \"" + job_.workFolder + "\" cannot be written. Check the temporary folder and burn again.");
    return false;
  }
  const int total = static_cast<int>(job_.titles.size());
  for (int t = 0; t < total; ++t) {
    if (job_.titles[t].empty()) continue;
    const std::string& file = job_.titles[t].front();
    ClipStreams streams;
    if (!ProbeClipStreams(file, &streams, 60000, &cancel_) || streams.videoCodec.empty()) {
      if (cancel_) return false;
      Fail(IsFile(file) ? "The title \"" + file + "\" holds no video that can be burned. Nothing was burned."
                        : "The title \"" + file + "\" cannot be found: it was moved or deleted. Nothing was burned.");
      return false;
    }
    titleSeconds_[t] = streams.seconds;
    char name[16];
    std::snprintf(name, sizeof name, "%05d.m2ts", t);
    const std::string output = stream + name;
    std::string messages;
    const int base = t * 100 / total;
    const auto progress = [&](const std::string& line) {
      const double seconds = ProgressSeconds(line);
      if (seconds >= 0 && streams.seconds > 0)
        SetPercent(base + static_cast<int>(seconds / streams.seconds * 100 / total));
    };
    if (!RunTool("ffmpeg", BlurayStreamArguments(file, streams, job_.ntsc, output), progress, &messages)) {
      if (cancel_) return false;
      if (WorkFolderFull() || messages.find("No space left") != std::string::npos)
        Fail("The work folder \"" + job_.workFolder + "\" is full. Free some space there and burn again.");
      else Fail("The title \"" + file + "\" could not be made into a Blu-ray stream. Nothing was burned.");
      return false;
    }
    discTitles->push_back({output});
    SetPercent((t + 1) * 100 / total);
  }
  return true;
}

bool BurnEngine::AuthorBluray(const std::vector<std::vector<std::string>>& discTitles, const std::string& folder) {
  const std::string jobFile = job_.workFolder + "config.txt";
  {
    ProjectKeyFile job;
    if (!job.Open(jobFile, TRUE)) return false;
    job.AddValue("Tarnel", "Version", "0.5");
    job.AddValue("AuthorInfo", "InputCount", std::to_string(discTitles.size()));
    job.AddValue("AuthorInfo", "OutputPath", folder);
    for (size_t t = 0; t < discTitles.size(); ++t) {
      // Chapter marks in whole seconds from the title's start.
      std::string marks;
      for (const double at : Marks(t)) marks += (marks.empty() ? "" : ",") + std::to_string(static_cast<long>(at));
      job.AddValue("Input" + std::to_string(t), "ChapterTime", marks);
    }
    if (!job.Close()) return false;
  }
  // The suite's authoring library, installed beside the program.
  static HMODULE library = LoadLibrary((platform::AppFolder() + "Tarnel.so").c_str());
  using Author = bool (*)(const char*);
  const auto author = library ? reinterpret_cast<Author>(GetProcAddress(library, "tarnel")) : nullptr;
  if (!author) {
    Fail("The Blu-ray authoring library Tarnel.so is missing. Reinstall Vidarro and burn again.");
    return false;
  }
  const bool ok = author(jobFile.c_str());
  SetPercent(100);
  return ok;
}

bool BurnEngine::WriteImage(const std::string& authored) {
  std::error_code error;
  if (IsVideoCd(job_.format)) {
    std::string base = job_.imageFile;
    for (const char* ending : {".bin", ".cue"})
      if (base.size() > 4 && base.compare(base.size() - 4, 4, ending) == 0) base.erase(base.size() - 4);
    platform::disc::CueSheet sheet;
    // Copied, not moved: the work folder may sit on another file system; the pair appears whole
    // or not at all.
    const bool ok = platform::disc::ReadCueSheet(authored, &sheet) &&
                    std::filesystem::copy_file(sheet.binPath, base + ".bin",
                                               std::filesystem::copy_options::overwrite_existing, error) &&
                    platform::WriteWholeFileAtomic(
                        base + ".cue", platform::disc::CueNamingBin(sheet.text, platform::FileNameOf(base + ".bin")));
    if (!ok) {
      std::filesystem::remove(base + ".bin", error);
      Fail("The image \"" + base + ".bin\" could not be written. Check the folder's free space and burn again.");
    }
    return ok;
  }
  const std::string part = job_.imageFile + ".part";
  std::string messages;
  const bool ok =
      RunTool("genisoimage",
              job_.format == DiscFormat::Bluray
                  ? std::vector<std::string>{"-quiet", "-udf", "-allow-limited-size", "-iso-level", "3", "-V",
                                             platform::disc::VolumeLabel(job_.discName), "-o", part, authored}
                  : std::vector<std::string>{"-quiet", "-dvd-video", "-V", platform::disc::VolumeLabel(job_.discName),
                                             "-o", part, authored},
              nullptr, &messages) &&
      std::filesystem::exists(part, error);
  if (ok) std::filesystem::rename(part, job_.imageFile, error);
  if (!ok || error) {
    std::filesystem::remove(part, error);
    if (!cancel_)
      Fail("The image \"" + job_.imageFile + "\" could not be written. Check the folder's free space and burn again.");
    return false;
  }
  SetPercent(100);
  return true;
}

bool BurnEngine::Write(const std::string& authored) {
  if (!job_.imageFile.empty()) return WriteImage(authored);
  DiscTarget target(job_.format, job_.driveLetter);
  WriteWait wait;
  if (!target.Start(authored, job_.discName, &OnWriteEnd, &wait)) {
    Fail(target.FailureText());
    return false;
  }
  std::unique_lock lock(wait.mutex);
  bool stopped = false;
  while (!wait.done.wait_for(lock, std::chrono::milliseconds(100), [&] { return wait.ended; })) {
    lock.unlock();
    if (cancel_ && !stopped) {
      target.Stop();
      stopped = true;
    }
    SetPercent(target.Percent());
    lock.lock();
  }
  if (wait.status == 0) return true;
  if (!cancel_) Fail(target.FailureText());
  return false;
}

void BurnEngine::Run() {
  std::vector<std::vector<std::string>> discTitles;
  std::string authored;
  bool wrote = false;  // the disc has been touched
  bool ok = Encode(&discTitles);
  if (ok && !cancel_) {
    SetPhase(BurnPhase::Authoring, 0);
    ok = Author(discTitles, &authored);
  }
  if (ok && !cancel_) {
    SetPhase(BurnPhase::Writing, 0);
    wrote = true;
    ok = Write(authored);
  }
  if (ok && !cancel_) SetPhase(BurnPhase::Finalizing, 100);
  work_.Remove();
  end_ = cancel_ ? BurnEnd::Cancelled : ok ? BurnEnd::Burned : BurnEnd::Failed;
  if (end_ == BurnEnd::Cancelled) {
    std::lock_guard lock(mutex_);
    message_ = wrote ? "Burning was cancelled while the disc was being written. The disc may be unusable: insert a "
                       "new blank disc to burn again."
                     : "Burning was cancelled.";
  } else if (ok) {
    std::lock_guard lock(mutex_);
    message_ = "Burning complete.";
  }
  phase_ = BurnPhase::Idle;
  running_ = false;
  if (notify_) notify_();
}

}  // namespace studio::packs
