#include "quillon_dlg.h"

#include "about_box.h"
#include "clip_thumbnail.h"
#include "platform/base/module.h"
#include "platform/base/process.h"
#include "platform/gdi/image_list.h"
#include "platform/com/class_table.h"
#include "platform/shell/file_dialog.h"
#include "platform/shell/power.h"
#include "platform/window/afx_app.h"
#include "platform/window/menu.h"
#include "platform/window/monitors.h"
#include "project_file.h"
#include "quillon_ids.h"
#include "resources/skin_ids.h"
#include "widgets/system_info.h"

namespace studio {
namespace {

CQuillonDlg* g_mainWindow = nullptr;

constexpr int kThumbnailWidth = 80;
constexpr UINT kClipListBackground = 1517;
constexpr int kThumbnailHeight = 60;

constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr WPARAM kDeviceChangeForwarded = 1094;
constexpr DWORD DBT_DEVTYP_VOLUME = 2;
constexpr WORD DBTF_MEDIA = 1;

struct DeviceBroadcastVolume {
  DWORD size;
  DWORD deviceType;
  DWORD reserved;
  DWORD unitMask;
  WORD flags;
};

struct ButtonSpec {
  UINT id;
  const char* tip;
};
constexpr ButtonSpec kButtons[14] = {{IDC_NORMAL_SIZE, "Normal size"},
                                     {IDC_FULL_SCREEN, "Full screen"},
                                     {IDC_HD, "Upload"},
                                     {IDC_PSP, "PSP"},
                                     {IDC_IPOD, "iPod"},
                                     {IDC_DELETE, "Delete"},
                                     {IDC_ADD, "Add"},
                                     {IDC_PROJECT, "Project"},
                                     {IDC_MINIMIZE, "Minimize"},
                                     {IDC_HELP_BUTTON, "Help"},
                                     {IDC_CLOSE_BUTTON, "Close"},
                                     {IDC_STEP_EDIT, "Edit"},
                                     {IDC_STEP_CAPTURE, "Capture"},
                                     {IDC_STEP_BURN, "Burn"}};

constexpr UINT kControlsToEnable[] = {IDC_PROJECT,     IDC_STEP_CAPTURE, IDC_STEP_EDIT, IDC_STEP_BURN,
                                      IDC_HELP_BUTTON, IDC_CLOSE_BUTTON, IDC_PSP,       IDC_IPOD,
                                      IDC_ADD,         IDC_HD,           IDC_DELETE};

constexpr const char* kProjectOpenFilter = "Project File (*.ilj5,*.ilj2)|*.ilj5;*.ilj2||";
constexpr const char* kProjectSaveFilter = "Project File (*.ilj5)|*.ilj5||";

void Move(HWND parent, UINT id, int x, int y, int w, int h) {
  if (HWND child = ::GetDlgItem(parent, static_cast<int>(id))) ::MoveWindow(child, x, y, w, h, TRUE);
}

}  // namespace

CQuillonDlg* MainWindow() { return g_mainWindow; }

const std::vector<std::string>& ComponentFiles() {
  static const std::vector<std::string> files = {"QnMpegVD.ax",     "qnAudioTransFilter.ax", "qnmpeg2splitter.ax",
                                                 "Q_DUMP3.ax",      "qnmpeg2enc.ax",         "QnStillCap.ax",
                                                 "q_wavdest.ax",    "Tessmor.dll",           "QnColorSpaceConverter.ax",
                                                 "QnEditTrans.ocx", "QnSkinCom.dll",         "Lumbrel.dll",
                                                 "QnThumbnail.ax"};
  return files;
}

BEGIN_MESSAGE_MAP(CQuillonDlg, CSkinPageHost)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_LBUTTONDOWN()
ON_WM_SYSCOMMAND()
ON_WM_CLOSE()
ON_WM_TIMER()
ON_BN_CLICKED(IDC_STEP_CAPTURE, &CQuillonDlg::OnStepCapture)
ON_BN_CLICKED(IDC_STEP_EDIT, &CQuillonDlg::OnStepEdit)
ON_BN_CLICKED(IDC_STEP_BURN, &CQuillonDlg::OnStepBurn)
ON_BN_CLICKED(IDC_PROJECT, &CQuillonDlg::OnProjectButton)
ON_BN_CLICKED(IDC_CLOSE_BUTTON, &CQuillonDlg::OnCloseButton)
ON_BN_CLICKED(IDC_HELP_BUTTON, &CQuillonDlg::OnHelpButton)
ON_BN_CLICKED(IDC_MINIMIZE, &CQuillonDlg::OnMinimize)
ON_BN_CLICKED(IDC_FULL_SCREEN, &CQuillonDlg::OnFullScreen)
ON_BN_CLICKED(IDC_NORMAL_SIZE, &CQuillonDlg::OnNormalSize)
ON_WM_CONTEXTMENU()
ON_WM_SETFOCUS()
ON_BN_CLICKED(IDC_PSP, &CQuillonDlg::OnPublishPsp)
ON_BN_CLICKED(IDC_IPOD, &CQuillonDlg::OnPublishIpod)
ON_BN_CLICKED(IDC_HD, &CQuillonDlg::OnPublishYoutube)
ON_COMMAND(ID_PUBLISH_PSP, &CQuillonDlg::OnPublishPsp)
ON_COMMAND(ID_PUBLISH_IPOD, &CQuillonDlg::OnPublishIpod)
ON_COMMAND(ID_PUBLISH_HD, &CQuillonDlg::OnPublishYoutube)
ON_BN_CLICKED(IDC_ADD, &CQuillonDlg::OnAddClips)
ON_BN_CLICKED(IDC_DELETE, &CQuillonDlg::OnDeleteClips)
ON_COMMAND(ID_CLIP_ADD, &CQuillonDlg::OnAddClips)
ON_COMMAND(ID_CLIP_DELETE, &CQuillonDlg::OnDeleteClips)
ON_COMMAND(ID_CLIP_RENAME, &CQuillonDlg::OnRenameClip)
ON_COMMAND(ID_CLIP_INFO, &CQuillonDlg::OnFileInformation)
ON_NOTIFY(NM_DBLCLK, IDC_CLIP_LIST, &CQuillonDlg::OnClipDoubleClick)
ON_NOTIFY(LVN_KEYDOWN, IDC_CLIP_LIST, &CQuillonDlg::OnClipKeyDown)
ON_NOTIFY(LVN_BEGINDRAG, IDC_CLIP_LIST, &CQuillonDlg::OnClipBeginDrag)
ON_NOTIFY(LVN_ENDLABELEDIT, IDC_CLIP_LIST, &CQuillonDlg::OnClipEndLabelEdit)
ON_COMMAND(ID_PROJECT_NEW, &CQuillonDlg::OnProjectNew)
ON_COMMAND(ID_PROJECT_OPEN, &CQuillonDlg::OnProjectOpen)
ON_COMMAND(ID_PROJECT_SAVE, &CQuillonDlg::OnProjectSave)
ON_COMMAND(ID_HELP_USER_GUIDE, &CQuillonDlg::OnHelpUserGuide)
ON_COMMAND(ID_HELP_ABOUT, &CQuillonDlg::OnAbout)
ON_COMMAND(ID_HELP_ONLINE_SUPPORT, &CQuillonDlg::OnOnlineSupport)
ON_COMMAND(ID_HELP_SYSTEM_INFO, &CQuillonDlg::OnSystemInformation)
END_MESSAGE_MAP()

CQuillonDlg::CQuillonDlg(StudioModel* model, std::vector<std::string> args, CLoadingDlg** splash)
    : CSkinPageHost(IDD_QUILLON_DIALOG), model_(model), args_(std::move(args)), splash_(splash) {
  model_->ui = this;
}

CQuillonDlg::~CQuillonDlg() {
  // Packs still held (a window that never closed properly) are given back, burner first.
  if (model_->burner) model_->burner->Release();
  if (model_->editor) model_->editor->Release();
  model_->burner = model_->editor = nullptr;
  if (burnerHost_) burnerHost_->ReleaseOwner();
  if (editorHost_) editorHost_->ReleaseOwner();
  if (helpMenu_) ::DestroyMenu(helpMenu_);
  if (thumbnails_) ::ImageList_Destroy(thumbnails_);
  model_->clips.onChange = nullptr;
  model_->clips.makeImage = nullptr;
  model_->clips.makeTitleImage = nullptr;
  model_->clips.onClear = nullptr;
  if (model_->ui == this) model_->ui = nullptr;
  if (g_mainWindow == this) g_mainWindow = nullptr;
}

BOOL CQuillonDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  LoadPublishFlags(&model_->flags);
  model_->projectPath = StartupProjectPath(args_);
  width_ = kNormalWidth;
  height_ = kNormalHeight;
  ModifyStyle(0, WS_MINIMIZEBOX | WS_SYSMENU);
  if (HMENU system = ::GetSystemMenu(m_hWnd, FALSE)) {
    ::AppendMenu(system, MF_SEPARATOR, 0, nullptr);
    ::AppendMenu(system, MF_STRING, kAboutSystemCommand, kProductTitle);
  }
  RegisterComponents();
  // Files dragged in from outside, or clips dragged out of the list, go to the page's pack.
  SetAcceptDrops(TRUE);
  clipList_.SubclassDlgItem(IDC_CLIP_LIST, this);
  clipList_.SetOwner(m_hWnd);
  clipList_.SetBackground(GetModuleHandle("Vidarro5UI.dll"), kClipListBackground);
  thumbnails_ = ::ImageList_Create(kThumbnailWidth, kThumbnailHeight, ILC_COLORDDB, 0, 10);
  clipList_.SendMessage(LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(thumbnails_));
  clipList_.InsertColumn(0, "File", LVCFMT_LEFT, 105, 1);
  clipList_.InsertColumn(1, "Size", LVCFMT_RIGHT, 130, 2);
  clipList_.InsertColumn(2, "Time", LVCFMT_CENTER, 150, 3);
  model_->clips.onChange = [this] { RefreshClipList(); };
  model_->clips.makeImage = [this](const std::string& path, const std::string& extension) {
    return AddClipImage(path, extension);
  };
  model_->clips.makeTitleImage = [this](const std::string& imagePath, int replace) {
    return AddTitleImage(imagePath, replace);
  };
  model_->clips.onClear = [this] {
    if (thumbnails_) ::ImageList_Remove(thumbnails_, -1);
  };
  SetUpButtons();
  helpMenu_ = ::LoadMenu(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_HELP_MENU));
  g_mainWindow = this;
  model_->ReloadSettings();
  CreateEditorPack();
  CreateBurnerPack();
  SetTimer(kStartTimer, kStartMs);
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  ::MoveWindow(m_hWnd, (cx - width_) / 2, (cy - height_) / 2, width_, height_, TRUE);
  LayoutControls();
  ::SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
  ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  return CSkinPageHost::OnInitDialog();
}

void CQuillonDlg::RegisterComponents() {
  const std::string folder = model_->folders.program;
  for (const std::string& file : ComponentFiles()) {
    // Filters, controls and libraries alike are shared objects here.
    const std::string module = file.substr(0, file.rfind('.')) + ".so";
    const std::string parameters = " /s \"" + folder + module + "\"";
    ::ShellExecute(nullptr, "open", "regsvr32.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
  }
}

void CQuillonDlg::SetUpButtons() {
  HMODULE ui = GetModuleHandle("Vidarro5UI.dll");
  for (size_t i = 0; i < buttons_.size(); ++i) {
    CSkinButton& button = buttons_[i];
    if (!button.SubclassDlgItem(kButtons[i].id, this)) continue;
    if (ui) button.LoadBitmap(ui, IDB_SKIN_BUTTON);
    button.SetShowText(TRUE);
    button.SetToolTipText(ButtonTipText(kButtons[i].id, model_->flags, kButtons[i].tip));
    // The small buttons of the window and the clip list carry short texts in a small face.
    const UINT id = kButtons[i].id;
    if (id != IDC_STEP_CAPTURE && id != IDC_STEP_EDIT && id != IDC_STEP_BURN && id != IDC_PROJECT)
      button.SetFont("Liberation Sans", 12, 700);
  }
}

void CQuillonDlg::LayoutControls() {
  const int w = width_, h = height_;
  Move(m_hWnd, IDC_STEP_CAPTURE, 20, 14, 110, 28);
  Move(m_hWnd, IDC_STEP_EDIT, 136, 14, 110, 28);
  Move(m_hWnd, IDC_STEP_BURN, 252, 14, 110, 28);
  Move(m_hWnd, IDC_PROJECT, 380, 14, 90, 28);
  const UINT windowButtons[] = {IDC_MINIMIZE, IDC_NORMAL_SIZE, IDC_FULL_SCREEN, IDC_HELP_BUTTON, IDC_CLOSE_BUTTON};
  int x = w - 20 - 5 * 30;
  for (UINT id : windowButtons) {
    // Only the size button that changes something shows.
    const bool hidden = (id == IDC_FULL_SCREEN && fullScreen_) || (id == IDC_NORMAL_SIZE && !fullScreen_);
    if (HWND button = ::GetDlgItem(m_hWnd, static_cast<int>(id))) ::ShowWindow(button, hidden ? SW_HIDE : SW_SHOW);
    Move(m_hWnd, id, x, 8, 28, 24);
    x += 30;
  }
  const int listLeft = w - 150;
  Move(m_hWnd, IDC_CLIP_LIST, listLeft, 56, 130, h - 56 - 90);
  Move(m_hWnd, IDC_ADD, listLeft, h - 80, 62, 28);
  Move(m_hWnd, IDC_DELETE, listLeft + 68, h - 80, 62, 28);
  Move(m_hWnd, IDC_PSP, listLeft, h - 46, 40, 28);
  Move(m_hWnd, IDC_IPOD, listLeft + 45, h - 46, 40, 28);
  Move(m_hWnd, IDC_HD, listLeft + 90, h - 46, 40, 28);
  Move(m_hWnd, IDC_PAGE_AREA, 20, 56, listLeft - 40, h - 56 - 20);
  const RECT area = PageArea();
  for (int i = 0; i < GetPageCount(); ++i)
    if (CSkinPage* page = GetPageAt(i); page && page->m_hWnd)
      ::MoveWindow(page->m_hWnd, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
  for (IPack* pack : {model_->editor, model_->burner})
    if (pack) pack->MoveWindow(&area);
}

RECT CQuillonDlg::PageArea() {
  RECT r{0, 0, 0, 0};
  if (HWND area = ::GetDlgItem(m_hWnd, IDC_PAGE_AREA)) {
    ::GetWindowRect(area, &r);
    POINT tl{r.left, r.top}, br{r.right, r.bottom};
    ::ScreenToClient(m_hWnd, &tl);
    ::ScreenToClient(m_hWnd, &br);
    r = {tl.x, tl.y, br.x, br.y};
  }
  return r;
}

void CQuillonDlg::RefreshClipList() {
  if (!clipList_.m_hWnd) return;
  clipList_.DeleteAllItems();
  int index = 0;
  for (const ClipItem& item : model_->clips.Items()) {
    const std::string name = item.type == kClipProjectTitle ? ResourceText(IDS_EDITED_VIDEO) : item.name;
    clipList_.InsertItem(index, name.empty() ? item.name : name, item.image);
    clipList_.SetItemText(index, 1, item.path);
    clipList_.SetItemData(index, ClipItemData(item));
    ++index;
  }
  clipList_.SortItems();
  if (index > 0) clipList_.EnsureVisible(index - 1, FALSE);
  clipList_.Invalidate();
}

int CQuillonDlg::AddClipImage(const std::string& path, const std::string& extension) {
  HBITMAP picture = nullptr;
  const ThumbnailResult made = MakeClipThumbnail(path, extension, &picture);
  if (made == ThumbnailResult::kQuickTimeMissing)
    ShowMessageBox(ResourceText(IDS_NO_QUICKTIME), MB_OK | MB_ICONINFORMATION);
  if (made != ThumbnailResult::kMade || !thumbnails_) {
    if (picture) ::DeleteObject(picture);
    return -1;
  }
  const int image = ::ImageList_AddMasked(thumbnails_, picture, RGB(0, 0, 0));
  ::DeleteObject(picture);
  return image;
}

int CQuillonDlg::AddTitleImage(const std::string& imagePath, int replace) {
  HBITMAP picture = PictureThumbnail(imagePath);
  if (!picture) {
    HDC screen = ::GetDC(nullptr);
    picture = ::CreateCompatibleBitmap(screen, kThumbnailWidth, kThumbnailHeight);
    ::ReleaseDC(nullptr, screen);
  }
  int image = replace;
  if (!thumbnails_) image = -1;
  else if (replace >= 0) ::ImageList_Replace(thumbnails_, replace, picture, nullptr);
  else image = ::ImageList_AddMasked(thumbnails_, picture, RGB(0, 0, 0));
  ::DeleteObject(picture);
  return image;
}

BOOL CQuillonDlg::AddClip(const std::string& path, BOOL rememberFolder) {
  return model_->AddClip(path, rememberFolder);
}

BOOL CQuillonDlg::IsFileInList(const std::string& path) { return model_->clips.Contains(path); }

BOOL CQuillonDlg::ProjectHasContent() { return clipList_.GetItemCount() > 0 || model_->currentPage > 0; }

void CQuillonDlg::EnableControls(BOOL enable) {
  for (UINT id : kControlsToEnable)
    if (HWND control = ::GetDlgItem(m_hWnd, static_cast<int>(id))) ::EnableWindow(control, enable & 0xFF);
  controlsEnabled_ = enable;
}

int CQuillonDlg::ShowMessageBox(const std::string& text, UINT type) {
  return ::MessageBox(m_hWnd, text.c_str(), kProductTitle, type);
}

std::string CQuillonDlg::LanguageCode() {
  const std::string code = ResourceText(IDS_LANGUAGE_CODE);
  return code.empty() ? "0x0409" : code;
}

// Packs.

void CQuillonDlg::CreatePack(const char* progId, int packNumber, IPack** pack, PackHost** host) {
  if (*pack) return;
  CLSID clsid{};
  if (FAILED(CLSIDFromProgID(progId, &clsid))) return;
  IPack* created = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPack, reinterpret_cast<void**>(&created))) ||
      !created)
    return;
  *pack = created;
  created->Show(FALSE);
  if (*host) (*host)->ReleaseOwner();
  *host = new PackHost(packNumber, model_);
  IPackHost* hostInterface = nullptr;
  (*host)->QueryInterface(IID_IPackHost, reinterpret_cast<void**>(&hostInterface));
  created->SetHost(hostInterface);
  if (hostInterface) hostInterface->Release();
  const RECT area = PageArea();
  created->CreateWindow(WS_CHILD | WS_VISIBLE, &area, m_hWnd);
  created->Show(FALSE);
}

void CQuillonDlg::CreateEditorPack() { CreatePack(kEditorProgId, kEditorPackNumber, &model_->editor, &editorHost_); }

void CQuillonDlg::CreateBurnerPack() { CreatePack(kBurnerProgId, kBurnerPackNumber, &model_->burner, &burnerHost_); }

void CQuillonDlg::ShutDownPacks(bool releaseHosts) {
  for (auto [pack, host] : {std::pair{&model_->editor, &editorHost_}, std::pair{&model_->burner, &burnerHost_}}) {
    if (IPack* p = *pack) {
      p->DestroyWindow();
      p->Uninitialize();
      *pack = nullptr;
      p->Release();
    }
    if (releaseHosts && *host) {
      (*host)->ReleaseOwner();
      *host = nullptr;
    }
  }
}

IPack* CQuillonDlg::CurrentPack() {
  if (model_->currentPage == 1) return model_->editor;
  if (model_->currentPage == 2) return model_->burner;
  return nullptr;
}

CCapturePage* CQuillonDlg::CapturePage() { return static_cast<CCapturePage*>(FindPage(kCapturePageId)); }

// Steps.

void CQuillonDlg::UpdatePageButtons() {
  const UINT steps[] = {IDC_STEP_CAPTURE, IDC_STEP_EDIT, IDC_STEP_BURN};
  for (int i = 0; i < 3; ++i)
    for (CSkinButton& button : buttons_)
      if (button.m_hWnd && button.GetDlgCtrlID() == static_cast<int>(steps[i]))
        button.SetState(i == model_->currentPage ? 2 : 0);
}

BOOL CQuillonDlg::CanLeavePage() {
  switch (model_->currentPage) {
    case 0: DeactivateActivePage(); return TRUE;
    case 1:
    case 2: {
      IPack* pack = CurrentPack();
      if (!pack) return TRUE;
      if (pack->QueryBusy(0)) return FALSE;
      pack->Show(FALSE);
      return TRUE;
    }
    default: return TRUE;
  }
}

void CQuillonDlg::ShowCapturePage() {
  if (model_->currentPage == 0) {
    if (CCapturePage* page = CapturePage(); page && page->m_hWnd)
      ::SendMessage(page->m_hWnd, WM_CAPTURE_STEP_AGAIN, 0, 0);
    return;
  }
  if (!CanLeavePage()) return;
  model_->currentPage = 0;
  model_->settings.currentPage = 0;
  UpdatePageButtons();
  CCapturePage* page = CapturePage();
  const bool existed = page && page->m_hWnd;
  ShowPage(kCapturePageId);
  if (!existed) LayoutControls();
}

void CQuillonDlg::ShowEditPage() {
  if (model_->currentPage == 1 || !CanLeavePage()) return;
  model_->currentPage = 1;
  model_->settings.currentPage = 1;
  UpdatePageButtons();
  CreateEditorPack();
  if (model_->editor) model_->editor->Show(TRUE);
}

void CQuillonDlg::ShowBurnPage() {
  if (model_->currentPage == 2 || !CanLeavePage()) return;
  model_->currentPage = 2;
  model_->settings.currentPage = 2;
  UpdatePageButtons();
  CreateBurnerPack();
  if (model_->burner) model_->burner->Show(TRUE);
}

void CQuillonDlg::ResetToCapturePage() {
  for (IPack* pack : {model_->editor, model_->burner})
    if (pack && pack->QueryBusy(0)) return;
  for (IPack* pack : {model_->editor, model_->burner})
    if (pack) pack->Show(FALSE);
  DeactivateActivePage();
  model_->currentPage = 0;
  model_->settings.currentPage = 0;
  UpdatePageButtons();
  ShowPage(kCapturePageId);
}

void CQuillonDlg::ShowPageOfProject() {
  if (model_->settings.currentPage == 1) ShowEditPage();
  else if (model_->settings.currentPage == 2) ShowBurnPage();
  else ShowCapturePage();
}

// Messages.

BOOL CQuillonDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1) {
    OnHelpUserGuide();
    return TRUE;
  }
  if (IPack* pack = CurrentPack(); pack && pack->FilterMessage(msg) == S_OK) return TRUE;
  return CDialog::PreTranslateMessage(msg);
}

LRESULT CQuillonDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DEVICECHANGE: {
      bool forward = wParam == kDeviceChangeForwarded;
      if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && lParam) {
        const auto* volume = reinterpret_cast<const DeviceBroadcastVolume*>(lParam);
        forward = volume->deviceType == DBT_DEVTYP_VOLUME && (volume->flags & DBTF_MEDIA);
      }
      CCapturePage* page = CapturePage();
      if (forward && page && page->m_hWnd && model_->currentPage == 0) ::SendMessage(page->m_hWnd, msg, wParam, lParam);
      break;
    }
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMQUERYSUSPEND || wParam == PBT_APMSUSPEND) return BROADCAST_QUERY_DENY;
      break;
    case WM_CAPTURE_END_AND_CLOSE:
      if (model_->currentPage == 2 && wParam == 0) {
        model_->SendTo(model_->burner, "stop");
        CloseWithoutPrompt();
        return 0;
      }
      if (model_->currentPage == 0)
        if (CCapturePage* page = CapturePage(); page && page->m_hWnd)
          return ::SendMessage(page->m_hWnd, msg, wParam, lParam);
      break;
    case WM_CONVERTER_LINK: return OnSideProgramLink(converter_, kConverterPingTimer, wParam, lParam);
    case WM_UPLOADER_LINK: return OnSideProgramLink(uploader_, kUploaderPingTimer, wParam, lParam);
    case WM_COMMAND:
      if (OnDeviceCopyCommand(LOWORD(wParam))) return 0;
      break;
    case WM_STUDIO_FILE_REQUEST:
      if (wParam == 1 && lParam) return IsFileBusy(*reinterpret_cast<const std::string*>(lParam)) ? 0 : 1;
      if (wParam == 2 && lParam) {
        AddClip(*reinterpret_cast<const std::string*>(lParam), FALSE);
        return 1;
      }
      break;
    default: break;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}

BOOL CQuillonDlg::IsFileBusy(const std::string& path) { return model_->IsFileBusy(path); }

void CQuillonDlg::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  HBRUSH body = ::CreateSolidBrush(RGB(28, 32, 44));
  ::FillRect(dc, &client, body);
  ::DeleteObject(body);
  HBRUSH edge = ::CreateSolidBrush(RGB(90, 110, 150));
  ::FrameRect(dc, &client, edge);
  ::DeleteObject(edge);
  ::EndPaint(m_hWnd, &ps);
}

BOOL CQuillonDlg::OnEraseBkgnd(CDC*) { return TRUE; }

void CQuillonDlg::OnLButtonDown(UINT flags, CPoint point) {
  CDialog::OnLButtonDown(flags, point);
  // The window has no caption: at normal size its body drags it.
  if (!fullScreen_) PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
}

void CQuillonDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if ((id & 0xFFFF) == kAboutSystemCommand) OnAbout();
  else CDialog::OnSysCommand(id, lParam);
}

void CQuillonDlg::OnTimer(UINT_PTR id) {
  if (id == kStartTimer) {
    KillTimer(kStartTimer);
    OpenProject(*model_, model_->projectPath);
    ShowPageOfProject();
    if (*splash_) (*splash_)->StartClose();
    SetForegroundWindow();
    started_ = TRUE;
    return;
  }
  if (OnPublishTimer(id)) return;
  CDialog::OnTimer(id);
}

DROPEFFECT CQuillonDlg::GetDropEffectAt(CPoint point) {
  const RECT area = PageArea();
  if (point.x < area.left || point.x >= area.right || point.y < area.top || point.y >= area.bottom) return 0;
  IPack* pack = CurrentPack();
  if (!pack) return 0;
  POINT inside{point.x - area.left, point.y - area.top};
  DWORD effect = 0;
  pack->DragOver(&inside, &effect);
  return effect;
}

void CQuillonDlg::OnDropFiles(HGLOBAL files) {
  if (IPack* pack = CurrentPack()) pack->DropData(reinterpret_cast<HANDLE>(files));
}

// Window buttons.

void CQuillonDlg::OnMinimize() { ShowWindow(SW_MINIMIZE); }

void CQuillonDlg::OnFullScreen() {
  width_ = ::GetSystemMetrics(SM_CXSCREEN);
  height_ = ::GetSystemMetrics(SM_CYSCREEN);
  ShowWindow(SW_MAXIMIZE);
  ::MoveWindow(m_hWnd, 0, 0, width_, height_, TRUE);
  fullScreen_ = TRUE;
  LayoutControls();
}

void CQuillonDlg::OnNormalSize() {
  width_ = kNormalWidth;
  height_ = kNormalHeight;
  ShowWindow(SW_RESTORE);
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  ::MoveWindow(m_hWnd, (cx - width_) / 2, (cy - height_) / 2, width_, height_, TRUE);
  fullScreen_ = FALSE;
  LayoutControls();
}

void CQuillonDlg::OnProjectButton() {
  HMENU menu = ::LoadMenu(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_PROJECT_MENU));
  if (!menu) return;
  RECT r{};
  ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_PROJECT), &r);
  ::TrackPopupMenu(::GetSubMenu(menu, 0), TPM_RIGHTBUTTON, r.left, r.bottom, 0, m_hWnd, nullptr);
  ::DestroyMenu(menu);
}

void CQuillonDlg::OnHelpButton() {
  if (!helpMenu_) return;
  HMENU sub = ::GetSubMenu(helpMenu_, 0);
  ::ModifyMenu(sub, ID_HELP_ABOUT, MF_BYCOMMAND | MF_STRING, ID_HELP_ABOUT, kProductTitle);
  RECT r{};
  ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_HELP_BUTTON), &r);
  ::TrackPopupMenu(sub, TPM_RIGHTBUTTON, r.left + 3, r.top + 20, 0, m_hWnd, nullptr);
}

// Project menu.

void CQuillonDlg::OnProjectNew() {
  if (ProjectHasContent()) {
    const int answer = ShowMessageBox(ResourceText(IDS_SAVE_PROJECT), MB_YESNO | MB_ICONINFORMATION);
    if (answer == IDYES && !SaveProjectAs()) return;
  }
  ResetProject(*model_);
  ResetToCapturePage();
}

void CQuillonDlg::OnProjectOpen() {
  CFileDialog dialog(TRUE, model_->projectPath.c_str(), nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     kProjectOpenFilter, this);
  if (dialog.DoModal() != IDOK) return;
  model_->projectPath = dialog.GetPathName();
  if (OpenProject(*model_, model_->projectPath)) ShowPageOfProject();
}

void CQuillonDlg::OnProjectSave() { SaveProjectAs(); }

BOOL CQuillonDlg::SaveProjectAs() {
  CFileDialog dialog(FALSE, model_->projectPath.c_str(), nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     kProjectSaveFilter, this);
  if (dialog.DoModal() != IDOK) return FALSE;
  const std::string path = dialog.GetPathName();
  if (SaveProjectTo(*model_, path)) return TRUE;
  ShowMessageBox("The project could not be saved to " + path + ".", MB_OK | MB_ICONEXCLAMATION);
  return FALSE;
}

// Help menu.

void CQuillonDlg::OnAbout() {
  CAboutBox about(this);
  about.m_title = kProductTitle;
  about.m_version = ResourceText(IDS_PRODUCT_VERSION) + " : " + kProgramVersion;
  about.DoModal();
}

void CQuillonDlg::OnHelpUserGuide() {
  ::ShellExecute(m_hWnd, "open", (model_->folders.program + "Vidarro5UG.pdf").c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CQuillonDlg::OnOnlineSupport() {
  std::string address = ResourceText(IDS_SUPPORT_ADDRESS);
  if (!address.empty() && address.back() == '=') address += ResourceText(IDS_LANGUAGE_CODE);
  if (!address.empty()) ::ShellExecute(m_hWnd, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CQuillonDlg::OnSystemInformation() { CSystemInfoLauncher().OpenSystemInformation(); }

// Closing.

void CQuillonDlg::OnClose() { OnCloseButton(); }

void CQuillonDlg::OnCloseButton() {
  if (CanClose()) CDialog::OnOK();
}

BOOL CQuillonDlg::CanClose() {
  if (CCapturePage* page = CapturePage(); page && page->IsRecording()) return FALSE;
  for (IPack* pack : {model_->editor, model_->burner})
    if (pack && pack->QueryBusy(0)) return FALSE;
  if (ProjectHasContent()) {
    const int answer = ShowMessageBox(ResourceText(IDS_SAVE_BEFORE_EXIT), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return FALSE;
    if (answer == IDYES && !SaveProjectAs()) return FALSE;
  }
  // Pings of side programs stop only once the window really goes.
  KillTimer(kConverterPingTimer);
  KillTimer(kUploaderPingTimer);
  DeactivateActivePage();
  ShutDownPacks(true);
  DeleteSplash();
  model_->clips.Clear();
  SaveSettings(model_->settings);
  ::SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
  ::SetThreadExecutionState(ES_CONTINUOUS);
  return TRUE;
}

void CQuillonDlg::CloseWithoutPrompt() {
  KillTimer(kConverterPingTimer);
  KillTimer(kUploaderPingTimer);
  DeactivateActivePage();
  ShutDownPacks(false);
  SaveInputCable(model_->settings);
  ::SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
  ::SetThreadExecutionState(ES_CONTINUOUS);
  CDialog::OnOK();
}

void CQuillonDlg::DeleteSplash() {
  if (!*splash_) return;
  // The splash's loop may still run on its thread: it is asked to end and waited for.
  (*splash_)->EndNow();
  (*splash_)->Join();
  delete *splash_;
  *splash_ = nullptr;
}

}  // namespace studio
