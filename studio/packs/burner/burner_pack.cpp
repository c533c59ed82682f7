#include "burner_pack.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "disc_target.h"
#include "disc_writers.h"
#include "file_choice.h"
#include "pack_text.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/com/class_table.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/ole/drag_drop.h"
#include "platform/ole/drop_files.h"
#include "platform/disc/disc_kinds.h"
#include "platform/window/message_box_dialog.h"
#include "platform/window/window.h"
#include "product.h"

namespace studio::packs {
namespace {

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

std::string DiscLabel() {
  char label[32];
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  std::strftime(label, sizeof label, "%Y%m%d_%H%M", &t);
  return label;
}

}  // namespace

int DriveCheckCode(unsigned char discType, unsigned long freeBlocks) {
  const int megabytes = static_cast<int>(static_cast<unsigned long long>(freeBlocks) * 2048 / (1024 * 1024));
  switch (discType) {
    case 2:  // CD-R
    case 3:  // CD-RW
      return freeBlocks ? 100000 + megabytes : 0;
    case 7:
    case 8:
    case 9:
    case 10:  // rewritable DVDs
      return 200000 + megabytes;
    case 5:
    case 11:
    case 15:
    case 16:
    case 17:  // write-once DVDs
      return freeBlocks ? 300000 + megabytes : 0;
    default: return 0;
  }
}

void RemoveElementaryStreams(const std::string& recording) {
  if (recording.empty()) return;
  std::string stem = recording;
  if (stem.size() >= 4 && platform::EndsWithNoCase(stem, ".mpg")) stem.erase(stem.size() - 4);
  std::error_code error;
  for (const char* extension : {".mpv", ".mpa"}) {
    // The streams are cut into pieces "<name>.1", "<name>.2" ... where they grow past a file's limit.
    const std::string name = stem + extension;
    std::filesystem::remove(name, error);
    for (int piece = 1; std::filesystem::remove(name + "." + std::to_string(piece), error); ++piece) {
    }
  }
}

std::vector<std::string> RecordedFiles(const std::string& path) {
  if (IsFile(path)) return {path};
  std::string base = path;
  if (const size_t dot = base.rfind('.'); dot != std::string::npos && dot > base.rfind('/')) base.erase(dot);
  std::vector<std::string> parts;
  for (int n = 0; n < 1000; ++n) {
    const std::string part = base + "_" + std::to_string(n) + ".mpg";
    if (IsFile(part)) parts.push_back(part);
    else if (n > 0) break;
  }
  return parts;
}

CBurnerPack::CBurnerPack()
    : engine_([this] {
        // From the worker: only a post, so every host call stays on the window's thread.
        if (HWND window = notifyWindow_.load()) ::PostMessage(window, kEngineChanged, 0, 0);
      }),
      reader_([this] {
        if (HWND window = notifyWindow_.load()) ::PostMessage(window, kTitlesRead, 0, 0);
      }),
      writerReader_([this] {
        if (HWND window = notifyWindow_.load()) ::PostMessage(window, kWritersRead, 0, 0);
      }) {
  view_.onMessage = [this](UINT message) { OnWindowMessage(message); };
  view_.onCommand = [this](int id, int code) { OnViewCommand(id, code); };
}

CBurnerPack::~CBurnerPack() {
  engine_.Cancel();
  engine_.Join();
  reader_.Wait();
  DestroyWindow();
  if (host_) host_->Release();
}

STDMETHODIMP CBurnerPack::SetHost(IPackHost* host) {
  if (host) host->AddRef();
  if (host_) host_->Release();
  host_ = host;
  BSTR temp = nullptr;
  if (host_ && host_->GetValue("TempFolder", &temp) == S_OK && temp) workFolder_ = temp;
  SysFreeString(temp);
  ReadSystem();
  return S_OK;
}

void CBurnerPack::ReadSystem() {
  // Record Settings, an opened project and the capture page change it at any time: asked anew.
  BSTR standard = nullptr;
  if (host_ && host_->GetValue("VideoStandard", &standard) == S_OK && standard) ntsc_ = std::string(standard) != "PAL";
  SysFreeString(standard);
  view_.SetSystem(ntsc_);
}

STDMETHODIMP CBurnerPack::Uninitialize() {
  // The worker reports to this pack's window: it ends before the pack lets go of its host.
  engine_.Cancel();
  engine_.Join();
  if (host_) host_->Release();
  host_ = nullptr;
  return S_OK;
}

STDMETHODIMP CBurnerPack::CreateWindow(DWORD style, const RECT* area, HWND parent) {
  if (view_.Window() || !area) return S_FALSE;
  if (!view_.Create(style, *area, parent)) return E_FAIL;
  notifyWindow_ = view_.Window();
  std::vector<std::string> kinds;
  for (const DiscFormat kind : kProjectKinds) kinds.push_back(DiscKindName(kind));
  view_.SetKinds(kinds, 0);
  view_.SetSystem(ntsc_);
  RefreshList();
  RefreshWriters();
  return S_OK;
}

STDMETHODIMP CBurnerPack::DestroyWindow() {
  if (!view_.Window()) return S_FALSE;
  notifyWindow_ = nullptr;
  view_.Destroy();
  return S_OK;
}

STDMETHODIMP CBurnerPack::MoveWindow(const RECT* area) {
  if (area) view_.Move(*area);
  return S_OK;
}

STDMETHODIMP CBurnerPack::Show(BOOL show) {
  // The discs in the writers and the TV system may have changed while the step was away.
  if (show && !Burning()) {
    ReadSystem();
    RefreshWriters();
  }
  if (view_.Window()) ::ShowWindow(view_.Window(), show ? SW_SHOW : SW_HIDE);
  return S_OK;
}

std::vector<std::string> CBurnerPack::BurnList() const {
  std::vector<std::string> files;
  for (const DiscTitle& title : project_.titles)
    if (!title.editedVideo) files.push_back(title.path);
  return files;
}

bool CBurnerPack::HasProjectTitle() const {
  return std::any_of(project_.titles.begin(), project_.titles.end(), [](const DiscTitle& t) { return t.editedVideo; });
}

namespace {

std::vector<std::string> KindNames() {
  std::vector<std::string> names;
  for (const DiscFormat kind : kProjectKinds) names.push_back(DiscKindName(kind));
  return names;
}

int KindIndex(DiscFormat kind) {
  for (size_t i = 0; i < kProjectKinds.size(); ++i)
    if (kProjectKinds[i] == kind) return static_cast<int>(i);
  return 0;
}

std::string OnOneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
  return text;
}

// The editor's render type of the kind's stream.
const char* RenderType(DiscFormat kind) {
  switch (kind) {
    case DiscFormat::Vcd: return "vcd";
    case DiscFormat::Svcd: return "svcd";
    case DiscFormat::Bluray: return "bdmv";
    default: return "mpeg2";
  }
}

}  // namespace

void CBurnerPack::RefreshList(int select) {
  std::vector<std::string> rows;
  if (burning_ && !busyFiles_.empty() && imageFile_.empty() && project_.titles.empty()) {
    // A recording burns: the list shows what goes on the disc.
    for (const std::string& file : busyFiles_) rows.push_back(platform::FileNameOf(file));
  } else {
    int n = 1;
    for (const DiscTitle& title : project_.titles)
      rows.push_back(std::to_string(n++) + ".  " + OnOneLine(title.name) + "   " + LengthText(title.seconds));
  }
  if (!view_.Window()) return;
  const int selected = std::min(select >= 0 ? select : view_.SelectedTitle(), static_cast<int>(rows.size()) - 1);
  view_.SetTitles(rows, selected);
  ShowTitleName();
  if (view_.SelectedKind() != KindIndex(project_.kind)) view_.SetKinds(KindNames(), KindIndex(project_.kind));
  if (view_.DiscName() != project_.name) view_.SetDiscName(project_.name);
  if (view_.ChapterMinutes() != project_.chapterMinutes) view_.SetChapterMinutes(project_.chapterMinutes);
  RefreshMeter();
}

void CBurnerPack::ShowTitleName() {
  const int selected = view_.SelectedTitle();
  const bool chosen = selected >= 0 && selected < static_cast<int>(project_.titles.size());
  view_.SetTitleName(chosen ? project_.titles[selected].name : std::string(), chosen);
}

void CBurnerPack::ProjectChanged() {
  // The last burn's end belonged to the project as it was.
  if (!Burning()) view_.ShowEnd(BurnView::kReadyText, false);
}

void CBurnerPack::RefreshWriters() {
  if (!view_.Window()) {
    ShowWriters(ListWriters(project_.kind), project_.kind);
    return;
  }
  // Each drive is grabbed for its medium: never on the window's thread.
  writerReader_.Ask(project_.kind);
  RefreshMeter();
}

void CBurnerPack::ShowWriters(std::vector<WriterChoice> writers, DiscFormat kind) {
  const char chosenLetter = ChosenLetter();
  writers_ = std::move(writers);
  writersKind_ = kind;
  // The user's choice stays while its writer is listed; else the first writer, else the image.
  const int image = static_cast<int>(writers_.size()) - 1;
  chosenWriter_ = imageChosen_ || image == 0 ? image : 0;
  for (int i = 0; i < image && !imageChosen_; ++i)
    if (chosenLetter && writers_[i].letter == chosenLetter) chosenWriter_ = i;
  std::vector<std::string> names;
  for (const WriterChoice& writer : writers_) names.push_back(writer.name);
  view_.SetWriters(names, chosenWriter_);
  RefreshMeter();
}

const WriterChoice* CBurnerPack::Chosen() const {
  return chosenWriter_ >= 0 && chosenWriter_ < static_cast<int>(writers_.size()) ? &writers_[chosenWriter_] : nullptr;
}

char CBurnerPack::ChosenLetter() const { return Chosen() ? Chosen()->letter : 0; }

std::uint64_t CBurnerPack::ChosenCapacity() const {
  if (!Chosen() || writersKind_ != project_.kind) return 0;  // not known until the writers are read
  if (!ChosenLetter()) return NominalCapacityBytes(project_.kind);
  return Chosen()->capacity;
}

void CBurnerPack::RefreshMeter() {
  if (!view_.Window()) return;
  if (!Chosen() || writersKind_ != project_.kind) view_.SetMedium("Medium: reading the writers...");
  else view_.SetMedium(Chosen()->medium);
  const std::uint64_t bytes = ProjectDiscBytes(project_, ntsc_);
  const std::uint64_t capacity = ChosenCapacity();
  std::string text = std::to_string(project_.titles.size()) + (project_.titles.size() == 1 ? " title, " : " titles, ");
  double seconds = 0;
  for (const DiscTitle& title : project_.titles) seconds += title.seconds;
  text += LengthText(seconds) + ", about " + SizeText(bytes);
  if (capacity) text += " of " + SizeText(capacity);
  const bool over = capacity && bytes > capacity;
  if (over) text += ": too large for the medium";
  if (project_.titles.empty()) text = "No titles yet: drop clips here or click Add.";
  view_.SetMeter(capacity ? static_cast<int>(std::min<std::uint64_t>(100, bytes * 100 / capacity)) : 0, over, text);
  view_.SetChaptersOffered(!IsVideoCd(project_.kind));
  view_.SetBurning(Burning());
}

STDMETHODIMP CBurnerPack::LoadProject(IProjectDocument* document) {
  project_ = LoadDiscProject(document);
  editedRemoved_ = false;
  std::vector<std::string> files;
  for (DiscTitle& title : project_.titles) {
    // The editor loads its storyboard first and has told its length already.
    if (title.editedVideo) title.seconds = editedSeconds_;
    else files.push_back(title.path);
  }
  RefreshList();
  ReadTitles(files);
  RefreshWriters();
  if (!Burning()) view_.ShowEnd(BurnView::kReadyText, false);
  return S_OK;
}

STDMETHODIMP CBurnerPack::SaveProject(IProjectDocument* document) {
  if (!document) return E_POINTER;
  SaveDiscProject(document, project_);
  return S_OK;
}

STDMETHODIMP CBurnerPack::DragOver(POINT*, DWORD* effect) {
  if (effect) *effect = Burning() ? DROPEFFECT_NONE : DROPEFFECT_COPY;
  return S_OK;
}

void CBurnerPack::AddTitles(const std::vector<std::string>& entries) {
  std::vector<std::string> files, notFiles;
  for (const std::string& entry : entries) {
    if (entry.find("add project title") != std::string::npos) {
      editedRemoved_ = false;  // the user put it there
      if (!HasProjectTitle()) {
        DiscTitle edited;
        edited.name = "Edited Video";
        edited.editedVideo = true;
        // The clip list's item carries the length too (milliseconds), for when the editor has not spoken.
        const double said = std::atof(PairValue(entry, "playtime", "0").c_str()) / 1000;
        edited.seconds = editedSeconds_ > 0 ? editedSeconds_ : said;
        project_.titles.push_back(edited);
      }
    } else if (IsFile(entry)) {
      project_.titles.push_back(UnreadTitle(entry));
      files.push_back(entry);
    } else if (std::error_code error; std::filesystem::exists(entry, error)) {
      notFiles.push_back(entry);
    }
  }
  // A pipe or a device is never opened: it would hold the reader until someone wrote to it.
  if (!notFiles.empty() && host_) host_->MessageBox(NotAFile(notFiles.front()).c_str(), MB_ICONEXCLAMATION);
  RefreshList();
  ProjectChanged();
  ReadTitles(files);
}

bool CBurnerPack::ReadingTitles() const {
  return std::any_of(project_.titles.begin(), project_.titles.end(),
                     [](const DiscTitle& t) { return !t.editedVideo && !t.read; });
}

void CBurnerPack::ReadTitles(const std::vector<std::string>& files) {
  if (view_.Window()) {
    reader_.Read(files);
    return;
  }
  for (const std::string& file : files) {
    reader_.Read({file});
    reader_.Wait();
  }
  TakeReadTitles();
}

void CBurnerPack::TakeReadTitles() {
  std::vector<std::string> notVideo;
  for (const DiscTitle& read : reader_.Take())
    for (DiscTitle& title : project_.titles)
      if (!title.editedVideo && !title.read && title.path == read.path) {
        const std::string name = title.name;
        title = read;
        title.name = name;
      }
  // A file that is there but holds no video cannot be a title; a vanished one stays, so that the
  // burn names it.
  std::erase_if(project_.titles, [&](const DiscTitle& t) {
    const bool drop = t.read && !t.editedVideo && t.streams.videoCodec.empty() && platform::FileExists(t.path);
    if (drop) notVideo.push_back(platform::FileNameOf(t.path));
    return drop;
  });
  RefreshList();
  if (notVideo.empty() || !host_) return;
  std::string text = "These files hold no video and were not put on the disc:";
  for (const std::string& name : notVideo) text += "\n" + name;
  host_->MessageBox(text.c_str(), MB_ICONEXCLAMATION);
}

STDMETHODIMP CBurnerPack::DropData(HANDLE data) {
  if (!data || Burning()) return E_FAIL;
  AddTitles(platform::ole::ReadDropFiles(reinterpret_cast<HGLOBAL>(data)));
  return S_OK;
}

void CBurnerPack::OnViewCommand(int id, int code) {
  if (Burning() && id != BurnView::kCancelId) return;
  const int selected = view_.SelectedTitle();
  switch (id) {
    case BurnView::kCancelId:
      if (code == BN_CLICKED) Cancel();
      return;
    case BurnView::kAddId: {
      if (code != BN_CLICKED) return;
      AddTitles(ChooseClipFiles(view_.Window()));
      return;
    }
    case BurnView::kUpId:
    case BurnView::kDownId:
      // The moved title stays chosen, so that it can move on.
      if (code == BN_CLICKED && MoveTitle(&project_, selected, id == BurnView::kUpId ? -1 : 1)) {
        RefreshList(selected + (id == BurnView::kUpId ? -1 : 1));
        ProjectChanged();
      }
      return;
    case BurnView::kRemoveId:
      if (code == BN_CLICKED && selected >= 0 && selected < static_cast<int>(project_.titles.size())) {
        // Removed by the user, the edited video stays off the disc while the storyboard changes.
        if (project_.titles[selected].editedVideo) editedRemoved_ = true;
        project_.titles.erase(project_.titles.begin() + selected);
        RefreshList();
        ProjectChanged();
      }
      return;
    case BurnView::kTitlesId:
      if (code == LBN_SELCHANGE) ShowTitleName();
      return;
    case BurnView::kTitleNameId:
      if (code == EN_CHANGE && selected >= 0 && selected < static_cast<int>(project_.titles.size()) &&
          project_.titles[selected].name != view_.TitleName()) {
        project_.titles[selected].name = view_.TitleName();
        RefreshList(selected);
      }
      return;
    case BurnView::kNameId:
      if (code == EN_CHANGE) project_.name = view_.DiscName();
      return;
    case BurnView::kChaptersId:
      if (code == EN_CHANGE && view_.ChapterMinutes() >= 0) project_.chapterMinutes = view_.ChapterMinutes();
      return;
    case BurnView::kKindId:
      if (code == CBN_SELCHANGE && view_.SelectedKind() >= 0 &&
          view_.SelectedKind() < static_cast<int>(kProjectKinds.size())) {
        project_.kind = kProjectKinds[view_.SelectedKind()];
        RefreshWriters();
        ProjectChanged();
      }
      return;
    case BurnView::kWriterId:
      if (code == CBN_SELCHANGE && view_.SelectedWriter() >= 0) {
        chosenWriter_ = view_.SelectedWriter();
        imageChosen_ = ChosenLetter() == 0;
        RefreshMeter();
      }
      return;
    case BurnView::kBurnId:
      if (code == BN_CLICKED) BurnProject({});
      return;
    default: return;
  }
}

bool CBurnerPack::ChooseDrive(char letter) {
  if (!writer_) {
    writer_ = std::make_unique<CQnDataCDDVD>();
    writer_->Initialize();
    writer_->SetBurnMode(0xFF);  // every writer: the page asks about CDs and DVDs alike
  }
  const unsigned char count = writer_->GetDriveCount();
  for (unsigned char i = 0; i < count; ++i)
    if (writer_->ChooseDrive(i) && (!letter || writer_->GetDriveLetter() == letter)) return true;
  return false;
}

void CBurnerPack::LockDisc(bool lock) {
  if (lock == locked_ || !ChooseDrive(driveLetter_)) return;
  if (lock ? writer_->LockMedium() : writer_->UnlockMedium()) locked_ = lock;
}

std::string CBurnerPack::WorkRoot() const {
  return platform::WithTrailingSlash(workFolder_.empty() ? platform::TempFolder() : workFolder_);
}

STDMETHODIMP CBurnerPack::Command(LPCSTR sender, LPCSTR textPointer) {
  if (!sender || !textPointer) return E_POINTER;
  const std::string text(textPointer);
  if (StartsWith(text, "isfilebusy ")) {
    const std::string path = text.substr(11);
    return std::find(busyFiles_.begin(), busyFiles_.end(), path) != busyFiles_.end() ? S_OK : S_FALSE;
  }
  if (StartsWith(text, "show option")) {
    const auto format = DiscFormatNamed(PairValue(text, "type"));
    if (!format || *format == DiscFormat::Bluray) return E_FAIL;
    format_ = *format;
    recordNtsc_ = PairValue(text, "ntsc", "yes") != "no";
    return S_OK;
  }
  if (StartsWith(text, "disclock")) {
    LockDisc(PairValue(text, "lock") == "on");
    return S_OK;
  }
  if (StartsWith(text, "burning file=")) {
    // Exactly this recording, in a burn of its own: a vanished one is kept so that its burn says so.
    const std::string path = PairValue(text, "file");
    recordingPath_ = path;
    recording_ = RecordedFiles(path);
    if (recording_.empty() && !path.empty()) recording_ = {path};
    return S_OK;
  }
  if (StartsWith(text, "EndCapture")) {
    std::vector<std::string> recording = std::move(recording_);
    recording_.clear();
    const std::string path = std::move(recordingPath_);
    recordingPath_.clear();
    if (PairValue(text, "ok") != "1") {
      LockDisc(false);
      return S_OK;
    }
    BurnJob job;
    if (!recording.empty()) job.titles.push_back(recording);
    job.format = format_;
    job.ntsc = recordNtsc_;
    // The writer chosen on the Burn step when it is one of the recording's class and its disc can
    // take the recording; else any writer holding a blank disc it can go on. A written disc is
    // refused only when no writer holds a usable one.
    const bool sameClass = writersKind_ && IsVideoCd(*writersKind_) == IsVideoCd(format_);
    job.driveLetter = sameClass ? ChosenLetter() : 0;
    if (job.driveLetter) {
      std::uint64_t bytes = 0;
      for (const std::string& file : recording)
        bytes += static_cast<std::uint64_t>(std::max<std::int64_t>(0, platform::FileSize(file)));
      DiscTarget chosen(format_, job.driveLetter);
      if (!chosen.Refusal(EstimatedDiscBlocks(format_, bytes)).empty()) {
        DiscTarget other(format_, 0);
        if (other.Refusal(EstimatedDiscBlocks(format_, bytes)).empty()) job.driveLetter = other.Letter();
      }
    }
    // An empty disc project takes the recording's kind, so the Burn step shows what is burned.
    if (project_.titles.empty() &&
        std::find(kProjectKinds.begin(), kProjectKinds.end(), format_) != kProjectKinds.end() &&
        project_.kind != format_) {
      project_.kind = format_;
      RefreshList();
    }
    const HRESULT started = StartJob(std::move(job));
    if (started == S_OK) burningRecording_ = path;
    return started;
  }
  if (StartsWith(text, "burn")) return BurnProject(PairValue(text, "image"));
  if (StartsWith(text, "checkdrive")) {
    const std::string letter = PairValue(text, "drive");
    if (!Burning()) RefreshWriters();
    if (letter.empty() || !ChooseDrive(letter[0])) return 0;
    driveLetter_ = letter[0];
    return static_cast<HRESULT>(DriveCheckCode(writer_->GetDiscType(), writer_->GetFreeDiscBlock()));
  }
  if (text.find("add project title") != std::string::npos) {
    const bool edited = PairValue(text, "edit") != "2";
    editedSeconds_ = edited ? std::atof(PairValue(text, "playtime", "0").c_str()) / 1000 : 0;
    if (!edited) {
      std::erase_if(project_.titles, [](const DiscTitle& t) { return t.editedVideo; });
    } else if (!HasProjectTitle() && !Burning() && !editedRemoved_) {
      AddTitles({text});
    }
    for (DiscTitle& title : project_.titles)
      if (title.editedVideo) title.seconds = editedSeconds_;
    RefreshList();
    return S_OK;
  }
  if (text.find("chapter project title") != std::string::npos) {
    // The editor tells where the edited video's clips begin: chapters of its title.
    editedChapters_ = ParseChapterTimes(text);
    return S_OK;
  }
  if (StartsWith(text, "prog encode") || StartsWith(text, "end encode") || StartsWith(text, "cancel encode"))
    titleAnswered_ = true;
  if (StartsWith(text, "prog encode")) {
    if (waitingForTitle_)
      view_.ShowProgress(PhaseName(BurnPhase::Encoding), std::atoi(PairValue(text, "prog").c_str()));
    return S_OK;
  }
  if (StartsWith(text, "end encode") && waitingForTitle_) {
    waitingForTitle_ = false;
    return StartProjectJob();
  }
  if (StartsWith(text, "cancel encode") && waitingForTitle_) {
    waitingForTitle_ = false;
    lastResult_ = -1;
    RemoveTitleRender();
    const std::string reason = PairValue(text, "reason");
    if (PairValue(text, "failed") == "1")
      Finish(reason.empty() ? "The edited video could not be made, so nothing was burned. Check the storyboard's clips "
                              "and burn again."
                            : "The edited video could not be made: " + reason + " Nothing was burned.",
             false);
    else Finish("Burning was cancelled.", false);
    return S_OK;
  }
  if (StartsWith(text, "reset")) {
    if (Burning()) return E_FAIL;
    project_ = DiscProject{};
    editedRemoved_ = false;
    RefreshList();
    RefreshWriters();
    // The last burn's end belongs to the project that went.
    view_.ShowEnd(BurnView::kReadyText, false);
    return S_OK;
  }
  if (StartsWith(text, "stop")) {
    Cancel();
    return S_OK;
  }
  return S_FALSE;
}

void CBurnerPack::Cancel() {
  if (burnAfterReading_) {
    burnAfterReading_ = false;
    view_.SetBurning(false);
    view_.ShowEnd("Burning was cancelled.", false);
  }
  if (burning_) engine_.Cancel();
  if (waitingForTitle_ && host_) host_->Command(kBurnerSender, "cancel encode");
}

void CBurnerPack::Refuse(const std::string& text) {
  lastResult_ = -1;
  view_.ShowEnd(text, false);
  if (host_) host_->MessageBox(text.c_str(), MB_ICONHAND);
}

HRESULT CBurnerPack::BurnProject(std::string image) {
  if (Burning()) return E_FAIL;
  ReadSystem();
  // Too many titles are refused before any is read.
  if (static_cast<int>(project_.titles.size()) > MostTitles(project_.kind)) {
    Refuse(ProjectRefusal(project_, 0, ntsc_));
    return E_FAIL;
  }
  // Every title's streams are known before the disc is checked: titles still being read are
  // waited for behind the window, which goes on answering, and the burn goes on once they are.
  TakeReadTitles();
  if (ReadingTitles() && view_.Window()) {
    burnAfterReading_ = true;
    pendingImage_ = image;
    view_.SetBurning(true);
    view_.ShowProgress("Reading the titles", 0);
    return S_OK;
  }
  reader_.Wait();
  TakeReadTitles();
  // A Burn goes by the media as they are now, not as last listed: the reading under way is waited
  // for (a second reading beside it would grab the same drives), else a disc may have been changed
  // unheard and the writers are read again.
  if (image.empty()) {
    std::optional<WriterReader::Read> read;
    if (ReadingWriters()) read = writerReader_.WaitAndTake(std::chrono::seconds(30));
    if (read) ShowWriters(std::move(read->writers), read->kind);
    else if (ReadingWriters() || ChosenLetter() != 0) ShowWriters(ListWriters(project_.kind), project_.kind);
  }
  const bool toImage = !image.empty() || ChosenLetter() == 0;
  std::string why = ProjectRefusal(project_, toImage ? NominalCapacityBytes(project_.kind) : ChosenCapacity(), ntsc_);
  if (why.empty() && HasProjectTitle() && !host_) why = "The edited video cannot be made here: the editor is missing.";
  if (why.empty() && !toImage) {
    // The medium is checked before the edited video is rendered: no work for a disc that cannot take it.
    DiscTarget target(project_.kind, ChosenLetter());
    why = target.Refusal(IsVideoCd(project_.kind) ? ProjectDiscBytes(project_, ntsc_) / 2324
                                                  : ProjectDiscBytes(project_, ntsc_) / 2048);
  }
  if (!why.empty()) {
    Refuse(why);
    return E_FAIL;
  }
  if (toImage && image.empty()) {
    const bool cd = IsVideoCd(project_.kind);
    const std::string name =
        (project_.name.empty() ? std::string("Disc") : OnOneLine(project_.name)) + (cd ? ".bin" : ".iso");
    image = ChooseImageFile(view_.Window(), cd, name);
    if (image.empty()) return S_FALSE;
  }
  imageFile_ = toImage ? image : std::string();
  jobLetter_ = ChosenLetter();
  if (!HasProjectTitle()) return StartProjectJob();
  // The edited video is rendered by the editor through the host; its end starts the burn.
  if (!titleFolder_.Make(WorkRoot(), "VidarroTitle-")) {
    Refuse("No work folder can be made in \"" + WorkRoot() + "\". Check the temporary folder and burn again.");
    return E_FAIL;
  }
  titleFile_ = titleFolder_.Path() + (project_.kind == DiscFormat::Bluray ? "EditedVideo.m2ts" : "EditedVideo.mpg");
  waitingForTitle_ = true;
  view_.SetBurning(true);
  host_->DisableMainControls(TRUE);
  view_.ShowProgress(PhaseName(BurnPhase::Encoding), 0);
  const DiscEncodeSettings& s = EncodeSettingsFor(project_.kind);
  const std::string request =
      std::string("encode project title type=") + RenderType(project_.kind) + ";ntsc=" + (ntsc_ ? "1" : "0") +
      ";width=" + std::to_string(s.width) + ";height=" + std::to_string(ntsc_ ? s.heightNtsc : s.heightPal) +
      ";bitrate=" + std::to_string(s.videoBitRate) +
      ";framerate=3;wide=0;audiotype=0;audiobitrate=" + std::to_string(s.audioBitRate) + ";path=" + titleFile_;
  titleAnswered_ = false;
  // The editor answers with its clips' starts, when it knows them, before it renders.
  editedChapters_.clear();
  host_->Command(kBurnerSender, "chapter project title ask=1;");
  const HRESULT hr = host_->Command(kBurnerSender, request.c_str());
  // An editor that takes the request says so at once with its first progress; the host answers
  // yes for an editor that is not there, and nothing would ever end the wait.
  if (waitingForTitle_ && (FAILED(hr) || !titleAnswered_)) {
    waitingForTitle_ = false;
    lastResult_ = -1;
    RemoveTitleRender();
    Finish(FAILED(hr) ? "The edited video could not be rendered for the disc: the editor refused it. Nothing was "
                        "burned."
                      : "The edited video cannot be made: the editor is not installed. Reinstall Vidarro, or remove "
                        "the edited video from the disc, and burn again.",
           false);
    return E_FAIL;
  }
  return hr;
}

HRESULT CBurnerPack::StartProjectJob() {
  BurnJob job;
  for (const DiscTitle& title : project_.titles) {
    job.titles.push_back({title.editedVideo ? titleFile_ : title.path});
    job.titleNames.push_back(title.name);
    job.titleChapters.push_back(title.editedVideo ? editedChapters_ : std::vector<double>{});
  }
  job.format = project_.kind;
  job.ntsc = ntsc_;
  job.driveLetter = jobLetter_;
  job.imageFile = imageFile_;
  job.chapterMinutes = project_.chapterMinutes;
  job.menu = project_.kind == DiscFormat::Dvd;
  job.discName = project_.name;
  return StartJob(std::move(job));
}

void CBurnerPack::RemoveTitleRender() {
  titleFolder_.Remove();
  titleFile_.clear();
}

HRESULT CBurnerPack::StartJob(BurnJob job) {
  if (burning_) {
    // A second burn never joins the running one; the user hears why nothing else happens.
    refusal_ = "A burn is already running. Wait until it ends and burn again.";
    if (view_.Window()) ::PostMessage(view_.Window(), kStartRefused, 0, 0);
    return E_FAIL;
  }
  if (host_) host_->DisableMainControls(TRUE);
  if (job.discName.empty()) job.discName = DiscLabel();
  job.workRoot = WorkRoot();
  std::vector<std::string> files;
  for (const auto& title : job.titles) files.insert(files.end(), title.begin(), title.end());
  std::string refusal;
  if (!engine_.Start(std::move(job), &refusal)) {
    lastResult_ = -1;
    refusal_ = refusal;
    RemoveTitleRender();
    // Told once the caller's command has returned, from the window's own message.
    if (view_.Window()) ::PostMessage(view_.Window(), kStartRefused, 0, 0);
    else Finish(refusal, false);
    return E_FAIL;
  }
  busyFiles_ = std::move(files);
  burning_ = true;
  view_.SetBurning(true);
  RefreshList();
  view_.ShowProgress(PhaseName(BurnPhase::Encoding), 0);
  return S_OK;
}

void CBurnerPack::OnWindowMessage(UINT message) {
  if (message == kTitlesRead) {
    TakeReadTitles();
    if (burnAfterReading_ && !ReadingTitles()) {
      burnAfterReading_ = false;
      view_.SetBurning(false);
      view_.ShowEnd(BurnView::kReadyText, false);
      BurnProject(std::move(pendingImage_));
    }
    return;
  }
  if (message == kWritersRead) {
    // Only the last reading asked for is taken: an older one's writers never show.
    if (auto read = writerReader_.Take()) ShowWriters(std::move(read->writers), read->kind);
    return;
  }
  if (message == kStartRefused && burning_) {
    // The running burn keeps the main window: it stays locked until that burn ends.
    if (host_) {
      host_->DisableMainControls(TRUE);
      host_->MessageBox(refusal_.c_str(), MB_ICONHAND);
    }
    return;
  }
  if (message == kStartRefused) {
    Finish(refusal_, false);
    return;
  }
  if (message != kEngineChanged || !burning_) return;
  if (engine_.Running()) {
    view_.ShowProgress(PhaseName(engine_.Phase()), engine_.Percent());
    return;
  }
  engine_.Join();
  burning_ = false;
  busyFiles_.clear();
  imageFile_.clear();
  lastResult_ = engine_.End() == BurnEnd::Burned ? 1 : -1;
  RemoveTitleRender();
  if (engine_.End() == BurnEnd::Burned) RemoveElementaryStreams(burningRecording_);
  burningRecording_.clear();
  Finish(engine_.Message(), engine_.End() == BurnEnd::Burned);
}

void CBurnerPack::Finish(const std::string& text, bool burned) {
  LockDisc(false);
  view_.SetBurning(false);
  RefreshList();
  RefreshWriters();  // the burned disc is no longer blank
  view_.ShowEnd(text, burned);
  if (!host_) return;
  host_->DisableMainControls(FALSE);
  host_->MessageBox(text.c_str(), burned ? MB_ICONINFORMATION : MB_ICONHAND);
}

void RegisterBurnerPack() {
  platform::com::RegisterClassForever(CLSID_BurnerPack, platform::com::CreatorOf<CBurnerPack>(), kBurnerProgId);
}

}  // namespace studio::packs
