#include "editor_pack.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "file_information.h"
#include "pack_text.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/ole/drag_drop.h"
#include "platform/ole/drop_files.h"
#include "platform/com/class_table.h"
#include "platform/controls/afx_controls.h"
#include "platform/window/timers.h"
#include "platform/window/window.h"
#include "product.h"

namespace studio::packs {
namespace {

std::map<HWND, CEditorPack*>& PacksByWindow() {
  static std::map<HWND, CEditorPack*> packs;
  return packs;
}

void OnProgressTimer(HWND window, UINT, UINT_PTR, DWORD) {
  const auto it = PacksByWindow().find(window);
  if (it != PacksByWindow().end()) it->second->PollRender();
}

std::string Format(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

// An 80 x 60 picture of the timeline for the clip list: one band per clip.
bool WriteTitleBitmap(const std::string& path, size_t clips) {
  constexpr int kWidth = 80, kHeight = 60, kRow = kWidth * 3;
  std::string bmp(54 + kRow * kHeight, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, static_cast<uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, kWidth);
  put32(22, kHeight);
  bmp[26] = 1;
  bmp[28] = 24;
  put32(34, static_cast<uint32_t>(kRow * kHeight));
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const size_t band = clips ? static_cast<size_t>(x) * clips / kWidth : 0;
      const unsigned char shade = static_cast<unsigned char>(band % 2 ? 150 : 90);
      char* p = &bmp[54 + y * kRow + x * 3];
      p[0] = static_cast<char>(shade + 40);
      p[1] = static_cast<char>(shade);
      p[2] = static_cast<char>(shade / 2);
    }
  return platform::WriteWholeFileAtomic(path, bmp);
}

// The 80 x 60 picture of the clip's first frame, the title's thumbnail in the clip list.
bool WriteFirstFrameBitmap(const std::string& path, const std::string& clip) {
  const std::string part = path + ".part";
  std::string out, err;
  int code = -1;
  const bool made =
      platform::RunProcess("ffmpeg",
                           {"-y", "-nostdin", "-loglevel", "error", "-i", AsFile(clip), "-frames:v", "1", "-vf",
                            "scale=80:60", "-pix_fmt", "bgr24", "-c:v", "bmp", "-f", "image2", AsFile(part)},
                           &out, &err, &code, 30000) &&
      code == 0 && ::rename(part.c_str(), path.c_str()) == 0;
  if (!made) ::unlink(part.c_str());
  return made;
}

std::string LastLine(const std::string& text) {
  const size_t end = text.find_last_not_of("\r\n ");
  if (end == std::string::npos) return {};
  const size_t newline = text.find_last_of('\n', end);
  const size_t start = newline == std::string::npos ? 0 : newline + 1;
  return text.substr(start, end + 1 - start);
}

bool ProgramOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  for (std::string_view rest = path ? path : ""; !rest.empty();) {
    const size_t colon = std::min(rest.find(':'), rest.size());
    const std::string folder(rest.substr(0, colon));
    if (!folder.empty() && ::access((folder + "/" + name).c_str(), X_OK) == 0) return true;
    rest.remove_prefix(std::min(colon + 1, rest.size()));
  }
  return false;
}

}  // namespace

std::string PlayLength(double seconds) {
  const long long tenths = static_cast<long long>(std::max(seconds, 0.0) * 10 + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%lld", tenths / 36000, tenths / 600 % 60, tenths / 10 % 60,
                tenths % 10);
  return text;
}

std::string RenderFailureText(const std::string& path, const std::string& reason) {
  std::string text = "The edited video could not be made in \"" + platform::FolderOf(path) + "\".";
  if (!reason.empty()) text += "\n\n" + reason;
  text +=
      "\n\nCheck that the folder still exists and has free space, and that every clip on the storyboard can "
      "still be played, then try again.";
  return text;
}

std::optional<DiscFormat> RenderDiscFormat(const std::string& type) {
  if (type == "mpeg2") return DiscFormat::Dvd;
  if (type == "svcd") return DiscFormat::Svcd;
  if (type == "vcd") return DiscFormat::Vcd;
  return std::nullopt;
}

RenderRequest ParseRenderRequest(const std::string& text) {
  RenderRequest r;
  r.type = PairValue(text, "type", "mpeg1");
  r.width = std::atoi(PairValue(text, "width", "0").c_str());
  r.height = std::atoi(PairValue(text, "height", "0").c_str());
  r.bitrate = std::atoi(PairValue(text, "bitrate", "0").c_str());
  r.ntsc = PairValue(text, "ntsc", "1") != "0";
  r.otherAudio = PairValue(text, "audiotype", "0") == "1";
  r.path = PairValue(text, "path");
  if (const std::optional<DiscFormat> disc = RenderDiscFormat(r.type)) {
    // A disc's stream has the disc's own size and rates.
    const DiscEncodeSettings& s = EncodeSettingsFor(*disc);
    r.width = s.width;
    r.height = r.ntsc ? s.heightNtsc : s.heightPal;
    r.bitrate = s.videoBitRate;
  }
  return r;
}

std::string RenderRefusal(const RenderRequest& request, double seconds) {
  const std::string folder = platform::FolderOf(request.path);
  if (!platform::FolderExists(folder.empty() ? "." : folder))
    return "The folder \"" + folder + "\" is not there. Choose another output folder and try again.";
  if (!ProgramOnPath("ffmpeg"))
    return "ffmpeg is not installed, so no video can be made. Install ffmpeg and try again.";
  // The video's rate, the sound's and a tenth for the multiplex.
  const double bytes = seconds * (request.bitrate + 448000.0) / 8 * 1.1;
  platform::DiskSpace space;
  if (platform::GetDiskSpace(folder, &space) && static_cast<double>(space.available) < bytes)
    return "There is not enough free space in \"" + folder + "\" for the video (about " +
           std::to_string(static_cast<long long>(bytes / 1e6) + 1) + " MB). Free some space and try again.";
  return {};
}

bool ProbeClip(const std::string& path, ClipFacts* facts) {
  std::string out, err;
  int code = -1;
  if (!platform::RunProcess("ffprobe",
                            {"-v", "error", "-show_entries", "format=format_name,duration:stream=codec_type", "-of",
                             "default=noprint_wrappers=1", AsFile(path)},
                            &out, &err, &code, 30000) ||
      code != 0)
    return false;
  facts->hasAudio = out.find("codec_type=audio") != std::string::npos;
  // JPEG, PNG and BMP pictures come as one-frame "image2" or "*_pipe" files.
  const size_t format = out.find("format_name=");
  const std::string name =
      format == std::string::npos ? "" : out.substr(format + 12, out.find('\n', format) - format - 12);
  facts->picture = !facts->hasAudio && (name == "image2" || name.ends_with("_pipe"));
  const size_t at = out.find("duration=");
  facts->seconds = facts->picture ? kPictureSeconds : at == std::string::npos ? 0 : std::atof(out.c_str() + at + 9);
  return out.find("codec_type=video") != std::string::npos && facts->seconds > 0;
}

std::vector<std::string> RenderArguments(const std::vector<std::string>& clips, const std::vector<ClipFacts>& facts,
                                         const RenderRequest& request) {
  const std::optional<DiscFormat> disc = RenderDiscFormat(request.type);
  const std::string rate = std::to_string(disc ? EncodeSettingsFor(*disc).sampleRate : 44100);
  const std::string fps = request.ntsc ? "30000/1001" : "25";
  const std::string w = std::to_string(request.width), h = std::to_string(request.height);
  // Every clip keeps its own shape inside the frame, bordered where it differs: a disc's frame
  // shows at 4:3 whatever its pixel size, any other file has square pixels.
  const std::string shown = disc ? "4/3" : "(" + w + "/" + h + ")";
  const std::string fit = "scale=w='if(gt(dar," + shown + ")," + w + ",2*trunc(" + w + "*dar/" + shown +
                          "/2))':h='if(gt(dar," + shown + "),2*trunc(" + h + "*" + shown + "/dar/2)," + h +
                          ")',pad=" + w + ":" + h + ":(ow-iw)/2:(oh-ih)/2," + (disc ? "setdar=4/3" : "setsar=1");
  std::vector<std::string> args = {"-y", "-nostdin", "-loglevel", "error", "-nostats", "-progress", "pipe:1"};
  std::vector<int> audioInput(clips.size());
  int next = 0;
  for (size_t i = 0; i < clips.size(); ++i) {
    if (facts[i].picture) args.insert(args.end(), {"-loop", "1", "-framerate", "25", "-t", Format(facts[i].seconds)});
    args.insert(args.end(), {"-i", AsFile(clips[i])});
    const int video = next++;
    audioInput[i] = video;
    if (!facts[i].hasAudio) {
      // A silent clip gets silence of its own length, so the sound stays in step.
      args.insert(args.end(),
                  {"-f", "lavfi", "-t", Format(facts[i].seconds), "-i", "anullsrc=r=" + rate + ":cl=stereo"});
      audioInput[i] = next++;
    }
  }
  std::string graph;
  std::string concat;
  int input = 0;
  for (size_t i = 0; i < clips.size(); ++i) {
    const std::string n = std::to_string(i);
    // Appended piece by piece: chains of + on temporaries draw a false overlap warning from g++ 12.
    for (const std::string& piece :
         {std::string("["), std::to_string(input), std::string(":v:0]"), fit, std::string(",fps="), fps,
          std::string(",format=yuv420p[v"), n, std::string("];["), std::to_string(audioInput[i]),
          std::string(":a:0]aresample="), rate, std::string(",aformat=sample_fmts=s16:channel_layouts=stereo[a"), n,
          std::string("];")})
      graph += piece;
    concat += "[v" + n + "][a" + n + "]";
    input = audioInput[i] + 1;
  }
  graph += concat + "concat=n=" + std::to_string(clips.size()) + ":v=1:a=1[v][a]";
  args.insert(args.end(), {"-filter_complex", graph, "-map", "[v]", "-map", "[a]"});
  if (disc) {
    const std::vector<std::string> stream = DiscStreamArguments(*disc, request.ntsc, request.otherAudio, request.path);
    args.insert(args.end(), stream.begin(), stream.end());
  } else {
    const std::string bitrate = std::to_string(request.bitrate);
    args.insert(args.end(),
                {"-c:v", "mpeg1video", "-b:v", bitrate, "-minrate", bitrate, "-maxrate", bitrate, "-bufsize", "327680",
                 "-c:a", "mp2", "-b:a", "224k", "-ar", rate, "-f", "mpeg", AsFile(request.path)});
  }
  return args;
}

CEditorPack::CEditorPack() = default;

CEditorPack::~CEditorPack() {
  CancelRender();
  DestroyWindow();
  if (host_) host_->Release();
}

STDMETHODIMP CEditorPack::SetHost(IPackHost* host) {
  if (host) host->AddRef();
  if (host_) host_->Release();
  host_ = host;
  return S_OK;
}

STDMETHODIMP CEditorPack::Uninitialize() {
  CancelRender();
  if (host_) host_->Release();
  host_ = nullptr;
  return S_OK;
}

STDMETHODIMP CEditorPack::CreateWindow(DWORD style, const RECT* area, HWND parent) {
  if (window_ || !area) return S_FALSE;
  window_ = ::CreateWindowEx(0, "LISTBOX", "Timeline", style | WS_BORDER, area->left, area->top,
                             area->right - area->left, area->bottom - area->top, parent, nullptr, nullptr, nullptr);
  if (!window_) return E_FAIL;
  PacksByWindow()[window_] = this;
  RefreshWindow();
  return S_OK;
}

STDMETHODIMP CEditorPack::DestroyWindow() {
  if (!window_) return S_FALSE;
  ::KillTimer(window_, kProgressTimer);
  PacksByWindow().erase(window_);
  ::DestroyWindow(window_);
  window_ = nullptr;
  return S_OK;
}

STDMETHODIMP CEditorPack::MoveWindow(const RECT* area) {
  if (window_ && area)
    ::MoveWindow(window_, area->left, area->top, area->right - area->left, area->bottom - area->top, TRUE);
  return S_OK;
}

STDMETHODIMP CEditorPack::Show(BOOL show) {
  if (window_) ::ShowWindow(window_, show ? SW_SHOW : SW_HIDE);
  return S_OK;
}

void CEditorPack::RefreshWindow() {
  if (!window_) return;
  ::SendMessage(window_, LB_RESETCONTENT, 0, 0);
  auto add = [&](const std::string& row) {
    ::SendMessage(window_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
  };
  // Only lengths already read are shown: reopening a long storyboard must not wait on ffprobe.
  double total = 0;
  bool allKnown = true;
  for (const std::string& clip : timeline_) {
    const auto known = facts_.find(clip);
    allKnown = allKnown && known != facts_.end();
    if (known != facts_.end()) total += known->second.seconds;
    add(platform::FileNameOf(clip) + "    " + (known != facts_.end() ? PlayLength(known->second.seconds) : "-"));
  }
  if (!timeline_.empty()) add("Total: " + (allKnown ? PlayLength(total) : std::string("-")));
}

STDMETHODIMP CEditorPack::LoadProject(IProjectDocument* document) {
  timeline_.clear();
  LPCSTR key = nullptr;
  LPCSTR value = nullptr;
  for (int i = 0; document && document->GetValueAt("Timeline", i, &key, &value) == S_OK; ++i)
    if (key && value && platform::EqualsNoCase(key, "Clip")) timeline_.push_back(value);
  RefreshWindow();
  return S_OK;
}

STDMETHODIMP CEditorPack::SaveProject(IProjectDocument* document) {
  if (!document) return E_POINTER;
  for (const std::string& clip : timeline_) document->SetValue("Timeline", "Clip", clip.c_str());
  return S_OK;
}

void CEditorPack::ShowFileInformation(const std::string& path) {
  if (!host_) return;
  const std::string text = FileInformationText(path);
  if (text.empty())
    host_->MessageBox(("\"" + path + "\" cannot be read as a video or sound file. Choose another file.").c_str(),
                      MB_ICONEXCLAMATION);
  else host_->MessageBox(text.c_str(), MB_ICONINFORMATION);
}

void CEditorPack::Notify(const std::string& text) {
  if (host_) host_->Command(kEditorSender, text.c_str());
}

const ClipFacts* CEditorPack::FactsOf(const std::string& path) {
  if (const auto it = facts_.find(path); it != facts_.end()) return &it->second;
  ClipFacts facts;
  if (!ProbeClip(path, &facts)) return nullptr;
  return &facts_.emplace(path, facts).first->second;
}

void CEditorPack::AddToTimeline(const std::string& path) {
  if (path.empty() || !FactsOf(path)) return;
  timeline_.push_back(path);
  TimelineChanged();
}

void CEditorPack::TimelineChanged() {
  RefreshWindow();
  if (timeline_.empty()) {
    Notify("add project title edit=2;num=0;playtime=0");
    return;
  }
  const std::string folder = platform::WithTrailingSlash(platform::LocalAppDataFolder()) + "Vidarro/Temp/Edit/";
  platform::CreateFolders(folder);
  if (!WriteFirstFrameBitmap(folder + "Project0.bmp", timeline_.front()))
    WriteTitleBitmap(folder + "Project0.bmp", timeline_.size());
  // Each clip is read once: a long storyboard must not run ffprobe on every change.
  double seconds = 0;
  for (const std::string& clip : timeline_)
    if (const ClipFacts* facts = FactsOf(clip)) seconds += facts->seconds;
  Notify("add project title edit=1;num=" + std::to_string(timeline_.size()) +
         ";playtime=" + std::to_string(static_cast<int>(seconds * 1000 + 0.5)));
}

STDMETHODIMP CEditorPack::Command(LPCSTR sender, LPCSTR textPointer) {
  if (!sender || !textPointer) return E_POINTER;
  const std::string text(textPointer);
  if (StartsWith(text, "isfilebusy ")) {
    const std::string path = text.substr(11);
    for (const std::string& clip : timeline_)
      if (clip == path) return S_OK;
    return S_FALSE;
  }
  if (StartsWith(text, "fileinfo ")) {
    // The path runs to the end of the text: a name may hold ';'.
    const size_t at = text.find("path=");
    ShowFileInformation(at == std::string::npos ? std::string() : text.substr(at + 5));
    return S_OK;
  }
  if (StartsWith(text, "add file ")) {
    AddToTimeline(text.substr(9));
    return S_OK;
  }
  if (StartsWith(text, "remove file ")) {
    std::erase(timeline_, text.substr(12));
    TimelineChanged();
    return S_OK;
  }
  if (text.find("encode project title") != std::string::npos && !StartsWith(text, "cancel")) return StartRender(text);
  if (StartsWith(text, "cancel encode")) {
    if (!render_) return S_FALSE;
    CancelRender();
    Notify("cancel encode");
    return S_OK;
  }
  return S_FALSE;
}

HRESULT CEditorPack::StartRender(const std::string& text) {
  if (render_) return E_FAIL;
  const RenderRequest request = ParseRenderRequest(text);
  if (request.width <= 0 || request.height <= 0 || request.bitrate <= 0 || request.path.empty() || timeline_.empty())
    return E_FAIL;
  std::vector<ClipFacts> facts(timeline_.size());
  double total = 0;
  std::string refusal;
  for (size_t i = 0; i < timeline_.size() && refusal.empty(); ++i) {
    const ClipFacts* known = platform::FileExists(timeline_[i]) ? FactsOf(timeline_[i]) : nullptr;
    if (!known) {
      refusal = "\"" + platform::FileNameOf(timeline_[i]) +
                "\" is no longer there or cannot be read. Remove it from the storyboard and try again.";
      break;
    }
    facts[i] = *known;
    total += known->seconds;
  }
  if (refusal.empty()) refusal = RenderRefusal(request, total);
  if (!refusal.empty()) {
    // Refused with a failure, so the side program or the burner is told it failed.
    if (host_) host_->MessageBox(refusal.c_str(), MB_ICONHAND);
    return E_FAIL;
  }
  auto render = std::make_unique<Render>();
  render->path = request.path;
  render->totalSeconds = total;
  if (!render->ffmpeg.Start("ffmpeg", RenderArguments(timeline_, facts, request))) return E_FAIL;
  render_ = std::move(render);
  if (window_) ::SetTimer(window_, kProgressTimer, kProgressMs, &OnProgressTimer);
  Notify("prog encode prog=0;");
  return S_OK;
}

void CEditorPack::PollRender() {
  if (!render_) return;
  std::string err;
  const bool more = render_->ffmpeg.ReadOutput(&render_->output, &err, 0);
  render_->errors += err;
  // Only the last words say why it failed.
  if (render_->errors.size() > 8192) render_->errors.erase(0, render_->errors.size() - 4096);
  int percent = render_->lastPercent;
  for (size_t at = render_->output.rfind("out_time_us="); at != std::string::npos;) {
    const double us = std::atof(render_->output.c_str() + at + 12);
    if (render_->totalSeconds > 0) percent = static_cast<int>(us / 1e4 / render_->totalSeconds);
    break;
  }
  // Keep only the unfinished last line.
  if (const size_t cut = render_->output.rfind('\n'); cut != std::string::npos) render_->output.erase(0, cut + 1);
  percent = std::clamp(percent, 0, 99);
  if (percent > render_->lastPercent) {
    render_->lastPercent = percent;
    Notify("prog encode prog=" + std::to_string(percent) + ";");
  }
  if (more || !render_->ffmpeg.Wait(0)) return;
  if (window_) ::KillTimer(window_, kProgressTimer);
  const std::string path = render_->path;
  std::string reason = LastLine(render_->errors);
  // ffmpeg writes on into a file whose folder was removed under it and still ends well.
  const bool ok = render_->ffmpeg.ExitCode() == 0 && platform::FileSize(path) > 0;
  if (render_->ffmpeg.ExitCode() == 0 && !ok) reason = "The finished file is gone from its folder.";
  render_.reset();
  if (ok) {
    Notify("prog encode prog=100;");
    Notify("end encode");
    return;
  }
  // Half a file would pass for the video; the side program and the burner learn it failed.
  ::unlink(path.c_str());
  if (host_) host_->MessageBox(RenderFailureText(path, reason).c_str(), MB_ICONHAND);
  Notify("cancel encode failed=1;");
}

void CEditorPack::CancelRender() {
  if (!render_) return;
  if (window_) ::KillTimer(window_, kProgressTimer);
  render_->ffmpeg.Kill();
  render_->ffmpeg.Wait(5000);
  ::unlink(render_->path.c_str());
  render_.reset();
}

STDMETHODIMP CEditorPack::DropData(HANDLE data) {
  if (!data || render_) return E_FAIL;
  // The project's own title dragged back in stands for nothing new.
  for (const std::string& entry : platform::ole::ReadDropFiles(reinterpret_cast<HGLOBAL>(data)))
    if (entry.find("add project title") == std::string::npos) AddToTimeline(entry);
  return S_OK;
}

STDMETHODIMP CEditorPack::DragOver(POINT*, DWORD* effect) {
  if (effect) *effect = render_ ? DROPEFFECT_NONE : DROPEFFECT_COPY;
  return S_OK;
}

void RegisterEditorPack() {
  platform::com::RegisterClassForever(CLSID_EditorPack, platform::com::CreatorOf<CEditorPack>(), kEditorProgId);
}

}  // namespace studio::packs
