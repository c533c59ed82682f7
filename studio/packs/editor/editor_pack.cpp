#include "editor_pack.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "frame_bitmap.h"
#include "pack_text.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/com/class_table.h"
#include "platform/ole/drag_drop.h"
#include "platform/ole/drop_files.h"
#include "platform/shell/file_dialog.h"
#include "platform/window/window.h"
#include "product.h"
#include "trim_dialog.h"

namespace studio::packs {
namespace {

// The open dialog's filter; ends with two NULs.
constexpr char kAddFilter[] =
    "Video files and pictures\0*.mpg;*.mpeg;*.m2v;*.vob;*.avi;*.dv;*.m2ts;*.mts;*.ts;*.mp4;*.mov;*.wmv;*.asf;*.mkv;"
    "*.jpg;*.jpeg;*.png;*.bmp\0All files (*.*)\0*.*\0";

// The files of a multi-select answer: one path, or the folder followed by the names.
std::vector<std::string> ChosenFiles(const char* answer) {
  std::vector<std::string> paths;
  if (!answer || !*answer) return paths;
  const std::string first = answer;
  const char* next = answer + first.size() + 1;
  if (!*next) return {first};
  for (; *next; next += std::strlen(next) + 1) paths.push_back(platform::WithTrailingSlash(first) + next);
  return paths;
}

// An 80 x 60 picture of the storyboard for the clip list when no frame could be taken: one band per clip.
std::vector<std::uint8_t> TitleBands(size_t clips) {
  constexpr int kWidth = 80, kHeight = 60;
  return PaintedFrameImage(kWidth, kHeight, [clips](int x, int) {
    const size_t band = clips ? static_cast<size_t>(x) * clips / kWidth : 0;
    const std::uint8_t shade = band % 2 ? 150 : 90;
    return Bgr{static_cast<std::uint8_t>(shade + 40), shade, static_cast<std::uint8_t>(shade / 2)};
  });
}

// The render's own file goes; a target that is no plain file (a pipe, a device) is not the render's to remove.
void RemoveRendered(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
}

std::string Trimmed(const std::string& text) {
  const size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return {};
  return text.substr(start, text.find_last_not_of(" \t\r\n") + 1 - start);
}

}  // namespace

CEditorPack::CEditorPack() {
  view_.onCommand = [this](int id) { OnViewCommand(id); };
  view_.onMove = [this](int from, int to) {
    if (render_ || !board_.Move(static_cast<size_t>(from), static_cast<size_t>(to))) return;
    StoryboardChanged();
    RefreshView(to);
  };
  view_.onMessage = [this](UINT message) {
    if (message == kClipsRead) ClipsRead();
    if (message == kRenderProgress) RenderProgressed();
    if (message == kRenderEnded) RenderEnded();
    if (message == kInformationRead && information_)
      for (const auto& [path, text] : information_->Take()) FileInformationRead(path, text);
  };
}

CEditorPack::~CEditorPack() {
  DestroyWindow();
  if (host_) host_->Release();
}

std::vector<std::string> CEditorPack::Timeline() const {
  std::vector<std::string> paths;
  for (const StoryboardClip& clip : board_.Clips()) paths.push_back(clip.path);
  return paths;
}

bool CEditorPack::Reading() const { return !board_.AllRead(); }

STDMETHODIMP CEditorPack::SetHost(IPackHost* host) {
  if (host) host->AddRef();
  if (host_) host_->Release();
  host_ = host;
  return S_OK;
}

STDMETHODIMP CEditorPack::Uninitialize() {
  CancelRender();
  reader_.reset();
  if (host_) host_->Release();
  host_ = nullptr;
  return S_OK;
}

STDMETHODIMP CEditorPack::CreateWindow(DWORD style, const RECT* area, HWND parent) {
  if (view_.Window() || !area) return S_FALSE;
  if (!view_.Create(style, *area, parent)) return E_FAIL;
  reader_ = std::make_unique<ClipReader>(view_.Window(), kClipsRead);
  information_ = std::make_unique<FileInformationReader>(view_.Window(), kInformationRead);
  view_.SetPictureSeconds(static_cast<int>(board_.PictureSeconds() + 0.5));
  // Clips a project gave before the window existed are read now.
  for (const StoryboardClip& clip : board_.Clips())
    if (!clip.read) ReadClip(clip);
  RefreshView();
  return S_OK;
}

STDMETHODIMP CEditorPack::DestroyWindow() {
  if (!view_.Window()) return S_FALSE;
  // Nothing may post to the window once it is gone.
  CancelRender();
  reader_.reset();
  information_.reset();
  view_.Destroy();
  return S_OK;
}

STDMETHODIMP CEditorPack::MoveWindow(const RECT* area) {
  if (area) view_.Move(*area);
  return S_OK;
}

STDMETHODIMP_(int) CEditorPack::QueryBusy(int) {
  if (!Rendering()) return 0;
  // Only a user at an enabled main window can have asked; one held by a side program is asked by no one.
  const HWND owner = DialogOwner();
  if (owner && ::IsWindowEnabled(owner))
    TellUser(
        "The edited video is being made. Wait until it is made, or click Cancel under the storyboard on the Edit "
        "step, then try again.",
        MB_ICONEXCLAMATION);
  return 1;
}

STDMETHODIMP CEditorPack::Show(BOOL show) {
  if (view_.Window()) ::ShowWindow(view_.Window(), show ? SW_SHOW : SW_HIDE);
  return S_OK;
}

void CEditorPack::RefreshView(int select) {
  if (!view_.Window()) return;
  std::vector<StoryboardView::Row> rows;
  rows.reserve(board_.Size());
  for (const StoryboardClip& clip : board_.Clips()) {
    StoryboardView::Row row;
    row.id = clip.id;
    row.name = platform::FileNameOf(clip.path);
    if (clip.read) row.length = PlayLength(clip.Length());
    row.trimmable = clip.read && !clip.facts.picture;
    rows.push_back(std::move(row));
  }
  const int selected =
      std::min(select == kKeepSelection ? view_.Selected() : select, static_cast<int>(rows.size()) - 1);
  view_.SetRows(rows, selected);
  std::string total;
  if (!board_.Empty()) {
    const size_t reading = static_cast<size_t>(
        std::count_if(board_.Clips().begin(), board_.Clips().end(), [](const StoryboardClip& c) { return !c.read; }));
    total = "Total play time " + ShownTotalLength(board_.Clips()) + "   (" + std::to_string(board_.Size()) +
            (board_.Size() == 1 ? " clip" : " clips");
    total += reading ? ", " + std::to_string(reading) + " being read)" : std::string(")");
  }
  view_.SetTotal(total);
}

STDMETHODIMP CEditorPack::LoadProject(IProjectDocument* document) {
  if (render_) return E_FAIL;
  if (reader_) reader_->DropQueued();
  for (const StoryboardClip& clip : board_.Clips()) view_.ForgetThumbnail(clip.id);
  thumbnails_.clear();
  board_.Load(document);
  view_.SetPictureSeconds(static_cast<int>(board_.PictureSeconds() + 0.5));
  std::vector<std::uint64_t> ids;
  for (const StoryboardClip& clip : board_.Clips()) ids.push_back(clip.id);
  // Read here only without a window, which may take clips off the storyboard: by id, not by reference.
  for (const std::uint64_t id : ids)
    if (const int index = board_.IndexOf(id); index >= 0) ReadClip(board_.At(static_cast<size_t>(index)));
  TellUnreadable();
  // The project keeps its title item; it is told again only when the storyboard changes.
  titleDue_ = false;
  RefreshView();
  return S_OK;
}

STDMETHODIMP CEditorPack::SaveProject(IProjectDocument* document) {
  if (!document) return E_POINTER;
  board_.Save(document);
  return S_OK;
}

HWND CEditorPack::DialogOwner() const {
  // A dialog is owned by the main window the storyboard sits in, which it holds back while it shows.
  return view_.Window() ? ::GetAncestor(view_.Window(), GA_ROOT) : nullptr;
}

void CEditorPack::TellUser(const std::string& text, UINT type) {
  if (host_) host_->MessageBox(text.c_str(), type);
}

void CEditorPack::ShowFileInformation(const std::string& path) {
  if (information_) information_->Read(path);
  else FileInformationRead(path, FileInformationText(path));
}

void CEditorPack::FileInformationRead(const std::string& path, const std::string& text) {
  if (text.empty())
    TellUser("\"" + path + "\" cannot be read as a video or sound file. Choose another file.", MB_ICONEXCLAMATION);
  else FileInformationDialog::Run(DialogOwner(), path, text);
}

void CEditorPack::Notify(const std::string& text) {
  if (host_) host_->Command(kEditorSender, text.c_str());
}

void CEditorPack::ReadClip(const StoryboardClip& clip) {
  ClipReader::Job job;
  job.id = clip.id;
  job.path = clip.path;
  job.at = clip.in;
  if (reader_) {
    reader_->Queue(job);
    return;
  }
  ClipFacts facts;
  const bool readable = ProbeClip(clip.path, &facts);
  if (!readable || (!facts.picture && facts.seconds < Storyboard::kShortestPiece)) {
    unreadable_.push_back(platform::FileNameOf(clip.path) + (readable ? " (it plays for 0 s)" : ""));
    board_.Remove(static_cast<size_t>(board_.IndexOf(clip.id)));
    return;
  }
  board_.SetFacts(clip.id, facts);
}

void CEditorPack::AddClips(const std::vector<std::string>& paths, int at) {
  size_t next = at < 0 ? SIZE_MAX : static_cast<size_t>(at);
  for (const std::string& path : paths) {
    if (path.empty()) continue;
    const std::uint64_t id = board_.Add(path, next);
    if (next != SIZE_MAX) ++next;
    ReadClip(board_.At(static_cast<size_t>(board_.IndexOf(id))));
  }
  TellUnreadable();
  StoryboardChanged();
  RefreshView();
}

void CEditorPack::TellUnreadable() {
  if (unreadable_.empty() || Reading()) return;
  std::string names;
  for (const std::string& name : unreadable_) names += "\n" + name;
  unreadable_.clear();
  TellUser("These files are not video or picture files that can be played, so they were left off the storyboard:\n" +
               names + "\n\nChoose video files (MPEG, AVI, DV, M2TS...) or pictures (JPEG, PNG, BMP).",
           MB_ICONEXCLAMATION);
}

void CEditorPack::ClipsRead() {
  if (!reader_) return;
  bool changed = false;
  for (ClipReader::Result& result : reader_->TakeResults()) {
    const int index = board_.IndexOf(result.job.id);
    if (index < 0) continue;  // removed while it was read
    const StoryboardClip& clip = board_.At(static_cast<size_t>(index));
    if (result.job.probe) {
      const bool empty = !result.facts.picture && result.facts.seconds < Storyboard::kShortestPiece;
      if (!result.readable || empty) {
        unreadable_.push_back(platform::FileNameOf(clip.path) + (result.readable ? " (it plays for 0 s)" : ""));
        board_.Remove(static_cast<size_t>(index));
        changed = true;
        continue;
      }
      board_.SetFacts(result.job.id, result.facts);
      changed = true;
    }
    if (!result.picture.empty()) {
      view_.SetThumbnail(result.job.id, result.picture);
      thumbnails_[result.job.id] = std::move(result.picture);
      // The title's picture is the first clip's.
      if (index == 0) titleDue_ = true;
    }
  }
  if (changed) RefreshView();
  TellUnreadable();
  NotifyTitle();
  BeginWaitingRender();
}

void CEditorPack::StoryboardChanged() {
  titleDue_ = true;
  NotifyTitle();
}

void CEditorPack::NotifyTitle() {
  // The play time is known only once every clip is read.
  if (!titleDue_ || Reading()) return;
  titleDue_ = false;
  if (board_.Empty()) {
    Notify("add project title edit=2;num=0;playtime=0");
    return;
  }
  const std::string folder = platform::WithTrailingSlash(platform::LocalAppDataFolder()) + "Vidarro/Temp/Edit/";
  platform::CreateFolders(folder);
  const auto first = thumbnails_.find(board_.At(0).id);
  const std::vector<std::uint8_t> picture = first != thumbnails_.end() ? first->second : TitleBands(board_.Size());
  platform::WriteWholeFileAtomic(folder + "Project0.bmp", std::string(picture.begin(), picture.end()));
  Notify("add project title edit=1;num=" + std::to_string(board_.Size()) +
         ";playtime=" + std::to_string(static_cast<long long>(board_.TotalSeconds() * 1000 + 0.5)));
}

void CEditorPack::ChooseFiles() {
  // The plain dialog function: the installed module finds it in the program that loads it.
  std::vector<char> answer(64 * 1024, '\0');
  OPENFILENAME open;
  open.hwndOwner = DialogOwner();
  open.lpstrFilter = kAddFilter;
  open.lpstrFile = answer.data();
  open.nMaxFile = static_cast<DWORD>(answer.size());
  open.lpstrTitle = "Add to the storyboard";
  open.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (GetOpenFileName(&open)) AddClips(ChosenFiles(answer.data()));
}

void CEditorPack::TrimSelected() {
  const int selected = view_.Selected();
  if (selected < 0 || static_cast<size_t>(selected) >= board_.Size()) return;
  const StoryboardClip clip = board_.At(static_cast<size_t>(selected));
  if (!clip.read || clip.facts.picture) return;
  const TrimChoice choice = TrimDialog::Run(DialogOwner(), clip);
  // The storyboard may have changed under the dialog (a clip read or removed): find the clip again.
  const int index = board_.IndexOf(clip.id);
  if (index < 0) return;
  if (render_ && choice.kind != TrimChoice::kCancelled) {
    // The render already took the storyboard as it was; a change now would not be in the video.
    TellUser("The edited video is being made, so the storyboard cannot change now and \"" +
                 platform::FileNameOf(clip.path) +
                 "\" was not trimmed or cut. Trim it again once the video is made, or cancel the video first.",
             MB_ICONEXCLAMATION);
    return;
  }
  bool changed = false;
  if (choice.kind == TrimChoice::kTrimmed) changed = board_.Trim(static_cast<size_t>(index), choice.in, choice.out);
  if (choice.kind == TrimChoice::kSplit) changed = board_.Split(static_cast<size_t>(index), choice.splitAt);
  if (!changed) return;
  // Pieces whose in point moved show the frame there.
  for (size_t i = static_cast<size_t>(index); i < board_.Size() && i <= static_cast<size_t>(index) + 1; ++i) {
    const StoryboardClip& piece = board_.At(i);
    if (reader_ && (piece.id != clip.id || piece.in != clip.in)) {
      ClipReader::Job job;
      job.id = piece.id;
      job.path = piece.path;
      job.probe = false;
      job.at = piece.in;
      reader_->Queue(job);
    }
  }
  StoryboardChanged();
  RefreshView();
}

void CEditorPack::OnViewCommand(int id) {
  const int selected = view_.Selected();
  const bool chosen = selected >= 0 && static_cast<size_t>(selected) < board_.Size();
  if (render_ && id != StoryboardView::kCancelId && id != StoryboardView::kInfoId) return;
  switch (id) {
    case StoryboardView::kAddId: ChooseFiles(); break;
    case StoryboardView::kRemoveId:
      if (!chosen) break;
      view_.ForgetThumbnail(board_.At(static_cast<size_t>(selected)).id);
      thumbnails_.erase(board_.At(static_cast<size_t>(selected)).id);
      board_.Remove(static_cast<size_t>(selected));
      StoryboardChanged();
      RefreshView();
      break;
    case StoryboardView::kEarlierId:
    case StoryboardView::kLaterId: {
      const int to = selected + (id == StoryboardView::kEarlierId ? -1 : 1);
      if (!chosen || to < 0 || !board_.Move(static_cast<size_t>(selected), static_cast<size_t>(to))) break;
      StoryboardChanged();
      RefreshView(to);
      break;
    }
    case StoryboardView::kTrimId:
    case StoryboardView::kSplitId: TrimSelected(); break;
    case StoryboardView::kInfoId:
      if (chosen) ShowFileInformation(board_.At(static_cast<size_t>(selected)).path);
      break;
    case StoryboardView::kPictureEditId: {
      const int seconds = view_.PictureSeconds();
      if (seconds <= 0 || seconds == static_cast<int>(board_.PictureSeconds() + 0.5)) break;
      board_.SetPictureSeconds(seconds);
      StoryboardChanged();
      RefreshView();
      break;
    }
    case StoryboardView::kCancelId:
      if (!render_) break;
      CancelRender();
      Notify("cancel encode");
      break;
    default: break;
  }
}

STDMETHODIMP CEditorPack::Command(LPCSTR sender, LPCSTR textPointer) {
  if (!sender || !textPointer) return E_POINTER;
  const std::string text(textPointer);
  if (StartsWith(text, "isfilebusy ")) return board_.Contains(text.substr(11)) ? S_OK : S_FALSE;
  if (StartsWith(text, "fileinfo ")) {
    // The path runs to the end of the text: a name may hold ';'.
    const size_t at = text.find("path=");
    ShowFileInformation(at == std::string::npos ? std::string() : text.substr(at + 5));
    return S_OK;
  }
  if (StartsWith(text, "add file ")) {
    // One clip the user double-clicked in the clip list, read off the window's thread as any other:
    // the title item follows once it is read.
    AddClips({Trimmed(text.substr(9))});
    return S_OK;
  }
  if (StartsWith(text, "remove file ")) {
    if (render_) return E_FAIL;
    if (board_.RemovePath(text.substr(12))) {
      StoryboardChanged();
      RefreshView();
    }
    return S_OK;
  }
  if (StartsWith(text, "Refresh")) {
    RefreshView();
    return S_OK;
  }
  if (StartsWith(text, "cancel encode")) {
    if (!render_) return S_FALSE;
    CancelRender();
    Notify("cancel encode");
    return S_OK;
  }
  if (text.find("chapter project title") != std::string::npos) {
    // The burner asks where the edited video's clips begin, to put its chapters there.
    std::string times;
    char number[32];
    for (double start : board_.ClipStarts()) {
      std::snprintf(number, sizeof number, "%s%.3f", times.empty() ? "" : ",", start);
      times += number;
    }
    Notify("chapter project title times=" + times + ";");
    return S_OK;
  }
  if (text.find("encode project title") != std::string::npos) return StartRender(text);
  return S_FALSE;
}

HRESULT CEditorPack::StartRender(const std::string& text) {
  const RenderRequest request = ParseRenderRequest(text);
  std::string refusal;
  if (render_) refusal = "The edited video is already being made. Wait until it is done, or cancel it first.";
  else if (!KnownRenderType(request.type) || request.width <= 0 || request.height <= 0 || request.bitrate <= 0 ||
           request.path.empty())
    refusal = "The edited video cannot be made: the request asks for no size, rate or file.";
  else if (!view_.Window()) refusal = "The edited video cannot be made before the Edit step exists.";
  else if (!Reading()) refusal = BeginRender(request);
  else {
    // Clips just added are still being read: the render starts once they are.
    render_ = std::make_unique<Render>();
    render_->request = request;
    view_.ShowRender("Reading the clips before making the edited video...", 0);
  }
  if (!refusal.empty()) {
    // Refused with a failure, so the side program or the burner is told it failed.
    TellUser(refusal, MB_ICONHAND);
    return E_FAIL;
  }
  Notify("prog encode prog=0;");
  return S_OK;
}

std::string CEditorPack::BeginRender(const RenderRequest& request) {
  if (board_.Empty()) return "The storyboard is empty. Add clips on the Edit step, then try again.";
  for (const StoryboardClip& clip : board_.Clips())
    if (!platform::FileExists(clip.path))
      return "\"" + platform::FileNameOf(clip.path) +
             "\" is no longer there. Remove it from the storyboard and try again.";
  if (std::string refusal = RenderRefusal(request, board_.TotalSeconds()); !refusal.empty()) return refusal;
  auto job = std::make_unique<RenderJob>(view_.Window(), kRenderProgress, kRenderEnded);
  if (!job->Start(RenderArguments(board_.Clips(), request), board_.TotalSeconds()))
    return "ffmpeg could not be started, so no video can be made. Check that ffmpeg is installed, then try again.";
  if (!render_) render_ = std::make_unique<Render>();
  render_->request = request;
  render_->job = std::move(job);
  view_.ShowRender("Making the edited video... 0 %", 0);
  return {};
}

void CEditorPack::BeginWaitingRender() {
  if (!render_ || render_->job || Reading()) return;
  const std::string refusal = BeginRender(render_->request);
  if (refusal.empty()) return;
  // Accepted while the clips were read, so it ends as a failed render: the side program and the burner learn it.
  render_.reset();
  view_.EndRender("The edited video could not be made.");
  TellUser(refusal, MB_ICONHAND);
  Notify("cancel encode failed=1;");
}

void CEditorPack::RenderProgressed() {
  if (!render_ || !render_->job || render_->job->Ended()) return;
  const int percent = render_->job->Percent();
  view_.ShowRender("Making the edited video... " + std::to_string(percent) + " %", percent);
  Notify("prog encode prog=" + std::to_string(percent) + ";");
}

void CEditorPack::RenderEnded() {
  if (!render_ || !render_->job || !render_->job->Ended()) return;
  const std::string path = render_->request.path;
  std::string reason = render_->job->Reason();
  // ffmpeg writes on into a file whose folder was removed under it and still ends well.
  const bool ok = render_->job->Succeeded() && platform::FileSize(path) > 0;
  if (render_->job->Succeeded() && !ok) reason = "The finished file is gone from its folder.";
  render_.reset();
  if (ok) {
    view_.EndRender("The edited video is made.");
    Notify("prog encode prog=100;");
    Notify("end encode");
    return;
  }
  // Half a file would pass for the video; the side program and the burner learn it failed.
  RemoveRendered(path);
  view_.EndRender("The edited video could not be made.");
  TellUser(RenderFailureText(path, reason), MB_ICONHAND);
  Notify("cancel encode failed=1;");
}

void CEditorPack::CancelRender() {
  if (!render_) return;
  // A render still waiting for its clips has written nothing: a file already there is not its own.
  if (render_->job) {
    render_->job->Cancel();
    RemoveRendered(render_->request.path);
  }
  render_.reset();
  view_.EndRender("Cancelled: no video was made.");
}

STDMETHODIMP CEditorPack::DropData(HANDLE data) {
  if (!data || render_) return E_FAIL;
  std::vector<std::string> paths;
  // The project's own title dragged back in stands for nothing new.
  for (const std::string& entry : platform::ole::ReadDropFiles(reinterpret_cast<HGLOBAL>(data)))
    if (entry.find("add project title") == std::string::npos) paths.push_back(entry);
  // Dropped on a clip, they go before it; anywhere else, at the end.
  AddClips(paths, dragPoint_ ? view_.DropIndexAt(*dragPoint_) : -1);
  dragPoint_.reset();
  return S_OK;
}

STDMETHODIMP CEditorPack::DragOver(POINT* point, DWORD* effect) {
  if (point) dragPoint_ = *point;
  if (effect) *effect = render_ ? DROPEFFECT_NONE : DROPEFFECT_COPY;
  return S_OK;
}

void RegisterEditorPack() {
  platform::com::RegisterClassForever(CLSID_EditorPack, platform::com::CreatorOf<CEditorPack>(), kEditorProgId);
}

}  // namespace studio::packs
