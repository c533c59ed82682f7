#include "convengine/media_info.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "platform/base/paths.h"

namespace mordax {

namespace {

// The library's C interface for narrow strings.
enum StreamKind { kGeneral = 0, kVideo = 1, kAudio = 2 };
constexpr int kInfoName = 0;
constexpr int kInfoText = 1;

using NewFn = void* (*)();
using DeleteFn = void (*)(void*);
using OpenFn = std::size_t (*)(void*, const char*);
using CloseFn = void (*)(void*);
using GetFn = const char* (*)(void*, int, std::size_t, const char*, int, int);
using CountFn = std::size_t (*)(void*, int, std::size_t);
using OptionFn = const char* (*)(void*, const char*, const char*);

struct Library {
  void* module = nullptr;
  NewFn create = nullptr;
  DeleteFn destroy = nullptr;
  OpenFn open = nullptr;
  CloseFn close = nullptr;
  GetFn get = nullptr;
  CountFn count = nullptr;
  OptionFn option = nullptr;
};

std::mutex g_lock;
std::string g_name = "libmediainfo.so.0";
Library g_library;

template <typename T>
bool Bind(void* module, const char* name, T* fn) {
  *fn = reinterpret_cast<T>(::dlsym(module, name));
  return *fn != nullptr;
}

// Loaded once and kept: unloading and reloading it per file buys nothing.
const Library* Load() {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_library.module) return &g_library;
  void* module = ::dlopen(g_name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) return nullptr;
  Library lib;
  lib.module = module;
  if (!Bind(module, "MediaInfoA_New", &lib.create) || !Bind(module, "MediaInfoA_Delete", &lib.destroy) ||
      !Bind(module, "MediaInfoA_Open", &lib.open) || !Bind(module, "MediaInfoA_Close", &lib.close) ||
      !Bind(module, "MediaInfoA_Get", &lib.get) || !Bind(module, "MediaInfoA_Count_Get", &lib.count) ||
      !Bind(module, "MediaInfoA_Option", &lib.option)) {
    ::dlclose(module);
    return nullptr;
  }
  g_library = lib;
  return &g_library;
}

// One open handle; deleted on every way out.
class Handle {
 public:
  explicit Handle(const Library& lib) : lib_(lib), handle_(lib.create()) {}
  ~Handle() {
    if (handle_) {
      if (opened_) lib_.close(handle_);
      lib_.destroy(handle_);
    }
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  bool Open(const std::string& path) {
    if (!handle_) return false;
    lib_.option(handle_, "Info_Version", "0.7.0.0;MediaInfoDLL_Example_MSVC;0.7.0.0");
    opened_ = lib_.open(handle_, path.c_str()) != 0;
    return opened_;
  }
  std::string Text(StreamKind kind, const char* name) const {
    const char* value = lib_.get(handle_, kind, 0, name, kInfoText, kInfoName);
    return value ? value : "";
  }
  long long Integer(StreamKind kind, const char* name) const {
    // Durations may carry a fraction ("10000.000"); the whole part is the value.
    return static_cast<long long>(std::strtod(Text(kind, name).c_str(), nullptr));
  }
  float Fraction(StreamKind kind, const char* name) const { return std::strtof(Text(kind, name).c_str(), nullptr); }
  std::size_t Count(StreamKind kind) const { return lib_.count(handle_, kind, static_cast<std::size_t>(-1)); }

 private:
  const Library& lib_;
  void* handle_;
  bool opened_ = false;
};

std::int32_t Clamp32(long long v) {
  return v > 2147483647LL ? 2147483647 : (v < -2147483647LL ? -2147483647 : static_cast<std::int32_t>(v));
}

// The fields video and audio records share, from their stream's section.
template <typename Info>
void ReadStreamCommon(const Handle& h, StreamKind kind, Info* info) {
  info->Format_Profile = h.Text(kind, "Format_Profile");
  info->Codec = h.Text(kind, "Codec");
  info->CodecString = h.Text(kind, "Codec/String");
  info->Duration = Clamp32(h.Integer(kind, "Duration"));
  info->BitRate = Clamp32(h.Integer(kind, "BitRate"));
  info->Resolution = Clamp32(h.Integer(kind, "Resolution"));
  info->StreamSize = Clamp32(h.Integer(kind, "StreamSize"));
}

void ReadVideo(const Handle& h, Qn_VideoInfo* v) {
  v->Format = h.Text(kGeneral, "Format");
  ReadStreamCommon(h, kVideo, v);
  v->Width = Clamp32(h.Integer(kVideo, "Width"));
  v->Height = Clamp32(h.Integer(kVideo, "Height"));
  v->DisplayAspectRatio = h.Fraction(kVideo, "DisplayAspectRatio");
  v->DisplayAspectRatioString = h.Text(kVideo, "DisplayAspectRatio/String");
  v->FrameRate = h.Fraction(kVideo, "FrameRate");
  v->FrameCount = Clamp32(h.Integer(kVideo, "FrameCount"));
  v->Interlacement = h.Text(kVideo, "Interlacement");
  v->InterlacementString = h.Text(kVideo, "Interlacement/String");
}

void ReadAudio(const Handle& h, Qn_AudioInfo* a) {
  a->Format = h.Text(kAudio, "Format");
  ReadStreamCommon(h, kAudio, a);
  a->Channels = h.Fraction(kAudio, "Channel(s)");
  a->SamplingRate = Clamp32(h.Integer(kAudio, "SamplingRate"));
}

bool Fail(std::string* why, const std::string& text) {
  if (why) *why = text;
  return false;
}

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsUtf8(const std::string& text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned c = *p++;
    if (c < 0x80) continue;
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : -1;
    if (more < 0 || c > 0xF4 || end - p < more) return false;
    const unsigned second = p[0];
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
        (c == 0xF4 && second > 0x8F))
      return false;
    for (; more > 0; --more)
      if ((*p++ & 0xC0) != 0x80) return false;
  }
  return true;
}

// MediaInfo reads names as UTF-8 and cannot open one that is not; such a file is read through
// a symbolic link of a plain name (same extension, which MediaInfo may use) in a private folder.
class PlainNameLink {
 public:
  explicit PlainNameLink(const std::string& path) {
    if (IsUtf8(path)) {
      name_ = path;
      return;
    }
    const std::string temp = platform::TempFolder();
    if (temp.empty()) return;
    std::string folder = platform::WithTrailingSlash(temp) + "mordax-probe-XXXXXX";
    if (!::mkdtemp(folder.data())) return;
    folder_ = folder;
    const std::string file = platform::FileNameOf(path);
    const auto dot = file.rfind('.');
    std::string link = folder_ + "/clip";
    if (dot != std::string::npos && IsUtf8(file.substr(dot))) link += file.substr(dot);
    std::error_code ec;
    const std::string target = std::filesystem::absolute(path, ec).string();
    if (::symlink(target.c_str(), link.c_str()) == 0) name_ = link;
  }
  ~PlainNameLink() {
    if (!name_.empty() && !folder_.empty()) ::unlink(name_.c_str());
    if (!folder_.empty()) ::rmdir(folder_.c_str());
  }
  PlainNameLink(const PlainNameLink&) = delete;
  PlainNameLink& operator=(const PlainNameLink&) = delete;
  // The name to give MediaInfo; empty when no link could be made.
  const std::string& Name() const { return name_; }

 private:
  std::string folder_;
  std::string name_;
};

}  // namespace

void SetMediaInfoLibraryName(const std::string& name) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (name == g_name) return;
  g_name = name;
  if (g_library.module) ::dlclose(g_library.module);
  g_library = Library{};
}

const std::string& MediaInfoLibraryName() { return g_name; }

bool ReadMediaInfo(const std::string& path, Qn_MediaInfo* info, std::string* why) {
  if (path.empty()) return Fail(why, "empty path");
  const Library* lib = Load();
  if (!lib) return Fail(why, "Unable to load " + MediaInfoLibraryName());
  Handle handle(*lib);
  const PlainNameLink name(path);
  if (name.Name().empty() || !handle.Open(name.Name())) return Fail(why, "cannot open " + path);
  Qn_MediaInfo record;
  record.fileSize = handle.Integer(kGeneral, "FileSize");
  if (record.fileSize <= 0) return Fail(why, "no file size");
  record.duration = Clamp32(handle.Integer(kGeneral, "Duration"));
  if (record.duration <= 0) return Fail(why, "no duration");
  record.source.SetPath(path);
  record.videoStreamCount = static_cast<std::int32_t>(handle.Count(kVideo));
  record.audioStreamCount = static_cast<std::int32_t>(handle.Count(kAudio));
  ReadVideo(handle, &record.video);
  ReadAudio(handle, &record.audio);
  *info = std::move(record);
  return true;
}

}  // namespace mordax
