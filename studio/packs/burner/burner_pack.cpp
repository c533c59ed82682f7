#include "burner_pack.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "pack_text.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/com/class_table.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/ole/drag_drop.h"
#include "platform/ole/drop_files.h"
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
      }) {
  view_.onMessage = [this](UINT message) { OnWindowMessage(message); };
  view_.onCancel = [this] { Cancel(); };
}

CBurnerPack::~CBurnerPack() {
  engine_.Cancel();
  engine_.Join();
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
  return S_OK;
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
  RefreshList();
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
  if (view_.Window()) ::ShowWindow(view_.Window(), show ? SW_SHOW : SW_HIDE);
  return S_OK;
}

void CBurnerPack::RefreshList() {
  std::vector<std::string> names;
  if (titleInList_) names.push_back("Edited Video");
  // While a recording burns, the list shows what goes on the disc.
  for (const std::string& file : burning_ ? busyFiles_ : list_) names.push_back(platform::FileNameOf(file));
  view_.SetList(names);
}

STDMETHODIMP CBurnerPack::LoadProject(IProjectDocument* document) {
  list_.clear();
  LPCSTR key = nullptr;
  LPCSTR value = nullptr;
  for (int i = 0; document && document->GetValueAt("BurnList", i, &key, &value) == S_OK; ++i)
    if (key && value && std::string(key) == "FILE") list_.push_back(value);
  RefreshList();
  return S_OK;
}

STDMETHODIMP CBurnerPack::SaveProject(IProjectDocument* document) {
  if (!document) return E_POINTER;
  for (const std::string& file : list_) document->SetValue("BurnList", "File", file.c_str());
  return S_OK;
}

STDMETHODIMP CBurnerPack::DragOver(POINT*, DWORD* effect) {
  if (effect) *effect = Burning() ? DROPEFFECT_NONE : DROPEFFECT_COPY;
  return S_OK;
}

STDMETHODIMP CBurnerPack::DropData(HANDLE data) {
  if (!data || Burning()) return E_FAIL;
  for (const std::string& entry : platform::ole::ReadDropFiles(reinterpret_cast<HGLOBAL>(data))) {
    if (entry.find("add project title") != std::string::npos) titleInList_ = true;
    else if (platform::FileExists(entry) && std::find(list_.begin(), list_.end(), entry) == list_.end())
      list_.push_back(entry);
  }
  RefreshList();
  return S_OK;
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
    ntsc_ = PairValue(text, "ntsc", "yes") != "no";
    return S_OK;
  }
  if (StartsWith(text, "disclock")) {
    LockDisc(PairValue(text, "lock") == "on");
    return S_OK;
  }
  if (StartsWith(text, "burning file=")) {
    // Exactly this recording, in a burn of its own: a vanished one is kept so that its burn says so.
    const std::string path = PairValue(text, "file");
    recording_ = RecordedFiles(path);
    if (recording_.empty() && !path.empty()) recording_ = {path};
    return S_OK;
  }
  if (StartsWith(text, "EndCapture")) {
    std::vector<std::string> recording = std::move(recording_);
    recording_.clear();
    if (PairValue(text, "ok") != "1") {
      LockDisc(false);
      return S_OK;
    }
    BurnJob job;
    if (!recording.empty()) job.titles.push_back(recording);
    job.format = format_;
    job.ntsc = ntsc_;
    job.driveLetter = driveLetter_;
    return StartJob(std::move(job));
  }
  if (StartsWith(text, "burn")) return BurnListAsDvd();
  if (StartsWith(text, "checkdrive")) {
    const std::string letter = PairValue(text, "drive");
    if (letter.empty() || !ChooseDrive(letter[0])) return 0;
    driveLetter_ = letter[0];
    return static_cast<HRESULT>(DriveCheckCode(writer_->GetDiscType(), writer_->GetFreeDiscBlock()));
  }
  if (text.find("add project title") != std::string::npos) {
    titleInList_ = PairValue(text, "edit") != "2";
    RefreshList();
    return S_OK;
  }
  if (StartsWith(text, "prog encode")) {
    if (waitingForTitle_)
      view_.ShowProgress(PhaseName(BurnPhase::Encoding), std::atoi(PairValue(text, "prog").c_str()));
    return S_OK;
  }
  if (StartsWith(text, "end encode") && waitingForTitle_) {
    waitingForTitle_ = false;
    BurnJob job;
    job.titles.push_back({titleFile_});
    for (const std::string& file : list_) job.titles.push_back({file});
    job.format = DiscFormat::Dvd;
    job.ntsc = ntsc_;
    job.driveLetter = driveLetter_;
    return StartJob(std::move(job));
  }
  if (StartsWith(text, "cancel encode") && waitingForTitle_) {
    waitingForTitle_ = false;
    lastResult_ = -1;
    if (PairValue(text, "failed") == "1") Finish("The edited video could not be made, so nothing was burned.", false);
    else Finish("Burning was cancelled.", false);
    return S_OK;
  }
  if (StartsWith(text, "reset")) {
    titleInList_ = false;
    list_.clear();
    RefreshList();
    return S_OK;
  }
  if (StartsWith(text, "stop")) {
    Cancel();
    return S_OK;
  }
  return S_FALSE;
}

void CBurnerPack::Cancel() {
  if (burning_) engine_.Cancel();
  if (waitingForTitle_ && host_) host_->Command(kBurnerSender, "cancel encode");
}

HRESULT CBurnerPack::BurnListAsDvd() {
  if (Burning()) return E_FAIL;
  if (!titleInList_ || !host_) {
    BurnJob job;
    for (const std::string& file : list_) job.titles.push_back({file});
    job.format = DiscFormat::Dvd;
    job.ntsc = ntsc_;
    job.driveLetter = driveLetter_;
    return StartJob(std::move(job));
  }
  // The edited video is rendered by the editor through the host; its end starts the burn.
  platform::CreateFolders(WorkRoot());
  titleFile_ = WorkRoot() + "EditedVideo.mpg";
  waitingForTitle_ = true;
  if (host_) host_->DisableMainControls(TRUE);
  const std::string request = std::string("encode project title type=mpeg2;ntsc=") + (ntsc_ ? "1" : "0") +
                              ";width=720;height=" + (ntsc_ ? "480" : "576") +
                              ";bitrate=6000000;framerate=3;wide=0;audiotype=0;audiobitrate=224000;path=" + titleFile_;
  const HRESULT hr = host_->Command(kBurnerSender, request.c_str());
  if (FAILED(hr)) {
    waitingForTitle_ = false;
    Finish("The edited video could not be rendered for the disc. Nothing was burned.", false);
  }
  return hr;
}

HRESULT CBurnerPack::StartJob(BurnJob job) {
  if (burning_) {
    // A second burn never joins the running one; the user hears why nothing else happens.
    refusal_ = "A burn is already running. Wait until it ends and burn again.";
    if (view_.Window()) ::PostMessage(view_.Window(), kStartRefused, 0, 0);
    return E_FAIL;
  }
  if (host_) host_->DisableMainControls(TRUE);
  job.discName = DiscLabel();
  job.workFolder = WorkRoot() + "Burn/";
  std::vector<std::string> files;
  for (const auto& title : job.titles) files.insert(files.end(), title.begin(), title.end());
  std::string refusal;
  if (!engine_.Start(std::move(job), &refusal)) {
    lastResult_ = -1;
    refusal_ = refusal;
    // Told once the caller's command has returned, from the window's own message.
    if (view_.Window()) ::PostMessage(view_.Window(), kStartRefused, 0, 0);
    else Finish(refusal, false);
    return E_FAIL;
  }
  busyFiles_ = std::move(files);
  burning_ = true;
  RefreshList();
  view_.ShowProgress(PhaseName(BurnPhase::Encoding), 0);
  return S_OK;
}

void CBurnerPack::OnWindowMessage(UINT message) {
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
  lastResult_ = engine_.End() == BurnEnd::Burned ? 1 : -1;
  if (!titleFile_.empty()) {
    std::error_code error;
    std::filesystem::remove(titleFile_, error);
    titleFile_.clear();
  }
  Finish(engine_.Message(), engine_.End() == BurnEnd::Burned);
}

void CBurnerPack::Finish(const std::string& text, bool burned) {
  LockDisc(false);
  RefreshList();
  view_.ShowEnd(text, burned);
  if (!host_) return;
  host_->DisableMainControls(FALSE);
  host_->MessageBox(text.c_str(), burned ? MB_ICONINFORMATION : MB_ICONHAND);
}

void RegisterBurnerPack() {
  platform::com::RegisterClassForever(CLSID_BurnerPack, platform::com::CreatorOf<CBurnerPack>(), kBurnerProgId);
}

}  // namespace studio::packs
