#include "burner_pack.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>

#include "pack_text.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/com/class_table.h"
#include "platform/controls/afx_controls.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/ole/drag_drop.h"
#include "platform/ole/drop_files.h"
#include "platform/window/timers.h"
#include "platform/window/window.h"
#include "product.h"

namespace studio::packs {
namespace {

std::map<HWND, CBurnerPack*>& PacksByWindow() {
  static std::map<HWND, CBurnerPack*> packs;
  return packs;
}

void OnBurnTimer(HWND window, UINT, UINT_PTR, DWORD) {
  const auto it = PacksByWindow().find(window);
  if (it != PacksByWindow().end()) it->second->PollBurn();
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

bool RunDvdauthor(const std::vector<std::string>& args, bool ntsc) {
  std::vector<std::string> all = {std::string("VIDEO_FORMAT=") + (ntsc ? "NTSC" : "PAL"), "dvdauthor"};
  all.insert(all.end(), args.begin(), args.end());
  std::string out, err;
  int code = -1;
  return platform::RunProcess("env", all, &out, &err, &code, 600000) && code == 0;
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

CBurnerPack::CBurnerPack() = default;

CBurnerPack::~CBurnerPack() {
  if (writer_ && burning_) writer_->StopBurn();
  // The writer's thread reports through this object; it ends before the object goes.
  writer_.reset();
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
  if (host_) host_->Release();
  host_ = nullptr;
  return S_OK;
}

STDMETHODIMP CBurnerPack::CreateWindow(DWORD style, const RECT* area, HWND parent) {
  if (window_ || !area) return S_FALSE;
  window_ = ::CreateWindowEx(0, "LISTBOX", "Burn list", style | WS_BORDER, area->left, area->top,
                             area->right - area->left, area->bottom - area->top, parent, nullptr, nullptr, nullptr);
  if (!window_) return E_FAIL;
  PacksByWindow()[window_] = this;
  RefreshWindow();
  return S_OK;
}

STDMETHODIMP CBurnerPack::DestroyWindow() {
  if (!window_) return S_FALSE;
  ::KillTimer(window_, kBurnTimer);
  PacksByWindow().erase(window_);
  ::DestroyWindow(window_);
  window_ = nullptr;
  return S_OK;
}

STDMETHODIMP CBurnerPack::MoveWindow(const RECT* area) {
  if (window_ && area)
    ::MoveWindow(window_, area->left, area->top, area->right - area->left, area->bottom - area->top, TRUE);
  return S_OK;
}

STDMETHODIMP CBurnerPack::Show(BOOL show) {
  if (window_) ::ShowWindow(window_, show ? SW_SHOW : SW_HIDE);
  return S_OK;
}

void CBurnerPack::RefreshWindow() {
  if (!window_) return;
  ::SendMessage(window_, LB_RESETCONTENT, 0, 0);
  if (titleInList_) ::SendMessage(window_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Edited Video"));
  for (const std::string& file : list_)
    ::SendMessage(window_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::FileNameOf(file).c_str()));
}

STDMETHODIMP CBurnerPack::LoadProject(IProjectDocument* document) {
  list_.clear();
  LPCSTR key = nullptr;
  LPCSTR value = nullptr;
  for (int i = 0; document && document->GetValueAt("BurnList", i, &key, &value) == S_OK; ++i)
    if (key && value && std::string(key) == "FILE") list_.push_back(value);
  RefreshWindow();
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
  RefreshWindow();
  return S_OK;
}

bool CBurnerPack::ChooseFirstWriter() {
  if (!writer_) {
    writer_ = std::make_unique<CQnDataCDDVD>();
    writer_->Initialize();
    writer_->SetBurnMode(0);
  }
  return writer_->GetDriveCount() > 0 && writer_->ChooseDrive(0);
}

STDMETHODIMP CBurnerPack::Command(LPCSTR sender, LPCSTR textPointer) {
  if (!sender || !textPointer) return E_POINTER;
  const std::string text(textPointer);
  if (StartsWith(text, "isfilebusy ")) {
    const std::string path = text.substr(11);
    for (const std::string& file : list_)
      if (file == path) return S_OK;
    return S_FALSE;
  }
  if (StartsWith(text, "show option")) {
    ntsc_ = PairValue(text, "ntsc", "yes") != "no";
    return S_OK;
  }
  if (StartsWith(text, "burning file=")) {
    for (const std::string& file : RecordedFiles(PairValue(text, "file"))) list_.push_back(file);
    RefreshWindow();
    return S_OK;
  }
  if (StartsWith(text, "EndCapture")) return PairValue(text, "ok") == "1" ? StartBurn() : S_OK;
  if (StartsWith(text, "burn")) return StartBurn();
  if (StartsWith(text, "checkdrive")) {
    const std::string letter = PairValue(text, "drive");
    if (!ChooseFirstWriter() || letter.empty()) return S_OK;
    for (unsigned char i = 0; i < writer_->GetDriveCount(); ++i) {
      writer_->ChooseDrive(i);
      if (writer_->GetDriveLetter() == letter[0])
        return static_cast<HRESULT>(DriveCheckCode(writer_->GetDiscType(), writer_->GetFreeDiscBlock()));
    }
    return 0;
  }
  if (text.find("add project title") != std::string::npos) {
    titleInList_ = PairValue(text, "edit") != "2";
    RefreshWindow();
    return S_OK;
  }
  if (StartsWith(text, "prog encode")) return S_OK;
  if (StartsWith(text, "end encode") && waitingForTitle_) {
    waitingForTitle_ = false;
    return AuthorAndBurn();
  }
  if (StartsWith(text, "cancel encode") && waitingForTitle_) {
    waitingForTitle_ = false;
    lastResult_ = -1;
    return S_OK;
  }
  if (StartsWith(text, "reset")) {
    titleInList_ = false;
    list_.clear();
    RefreshWindow();
    return S_OK;
  }
  if (StartsWith(text, "stop")) {
    if (writer_ && burning_) writer_->StopBurn();
    return S_OK;
  }
  return S_FALSE;
}

HRESULT CBurnerPack::StartBurn() {
  if (Burning() || (list_.empty() && !titleInList_)) return E_FAIL;
  if (!ChooseFirstWriter()) return E_FAIL;
  titleFile_.clear();
  if (titleInList_ && host_) {
    // The edited video is rendered by the editor through the host; its end starts the burn.
    const std::string folder = platform::WithTrailingSlash(workFolder_.empty() ? platform::TempFolder() : workFolder_);
    platform::CreateFolders(folder);
    titleFile_ = folder + "EditedVideo.mpg";
    waitingForTitle_ = true;
    const std::string request =
        std::string("encode project title type=mpeg2;ntsc=") + (ntsc_ ? "1" : "0") +
        ";width=720;height=" + (ntsc_ ? "480" : "576") +
        ";bitrate=6000000;framerate=3;wide=0;audiotype=0;audiobitrate=224000;path=" + titleFile_;
    const HRESULT hr = host_->Command(kBurnerSender, request.c_str());
    if (FAILED(hr)) waitingForTitle_ = false;
    return hr;
  }
  return AuthorAndBurn();
}

HRESULT CBurnerPack::AuthorAndBurn() {
  const std::string work =
      platform::WithTrailingSlash(workFolder_.empty() ? platform::TempFolder() : workFolder_) + "Burn/";
  std::error_code error;
  std::filesystem::remove_all(work, error);
  platform::CreateFolders(work);
  std::vector<std::string> titles = {"-o", work};
  if (!titleFile_.empty()) titles.insert(titles.end(), {"-t", titleFile_});
  for (const std::string& file : list_) titles.insert(titles.end(), {"-t", file});
  if (!RunDvdauthor(titles, ntsc_) || !RunDvdauthor({"-o", work, "-T"}, ntsc_)) return E_FAIL;
  char label[32];
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  std::strftime(label, sizeof label, "%Y%m%d_%H%M", &t);
  writer_->SetDiscLabel(label);
  writer_->SetFinalizeDisc(1);
  burnStatus_ = -1;
  if (writer_->StartBurnVideoTSFolder(work.c_str(), &CBurnerPack::OnBurnEnd, this) != 1) return E_FAIL;
  burning_ = true;
  if (window_) ::SetTimer(window_, kBurnTimer, kBurnMs, &OnBurnTimer);
  return S_OK;
}

void CBurnerPack::OnBurnEnd(int status, void* context) { static_cast<CBurnerPack*>(context)->burnStatus_ = status; }

void CBurnerPack::PollBurn() {
  if (!burning_ || burnStatus_ < 0) return;
  burning_ = false;
  lastResult_ = burnStatus_ == 0 ? 1 : -1;
  if (window_) ::KillTimer(window_, kBurnTimer);
}

void RegisterBurnerPack() {
  platform::com::RegisterClassForever(CLSID_BurnerPack, platform::com::CreatorOf<CBurnerPack>(), kBurnerProgId);
}

}  // namespace studio::packs
