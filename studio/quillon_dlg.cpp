#include "quillon_dlg.h"

#include "about_box.h"
#include "clip_thumbnail.h"
#include "platform/base/module.h"
#include "platform/base/process.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/image_list.h"
#include "platform/com/class_table.h"
#include "platform/shell/file_dialog.h"
#include "platform/shell/power.h"
#include "platform/window/afx_app.h"
#include "platform/window/menu.h"
#include "platform/window/monitors.h"
#include "platform/window/resources.h"
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

constexpr UINT WM_ICONERASEBKGND = 0x0027;
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

// The window's buttons: the step and Project buttons are the program library's, the others the
// UI library's. Buttons whose picture carries no glyph show their text.
struct ButtonSpec {
  UINT id;
  UINT bitmap;
  bool own;
  UINT tip;
  bool text;
};
constexpr ButtonSpec kButtons[14] = {{IDC_NORMAL_SIZE, IDB_MAIN_NORMAL, false, IDS_TIP_RESTORE, false},
                                     {IDC_FULL_SCREEN, IDB_MAIN_FULL, false, IDS_TIP_MAXIMIZE, false},
                                     {IDC_HD, IDB_MAIN_HD, false, IDS_TIP_YOUTUBE, true},
                                     {IDC_PSP, IDB_MAIN_PSP, false, IDS_TIP_PSP, true},
                                     {IDC_IPOD, IDB_MAIN_IPOD, false, 0, true},
                                     {IDC_DELETE, IDB_MAIN_DELETE, false, IDS_TIP_DELETE, true},
                                     {IDC_ADD, IDB_MAIN_ADD, false, IDS_TIP_ADD, true},
                                     {IDC_PROJECT, IDB_PROJECT_BUTTON, true, IDS_TIP_PROJECT, true},
                                     {IDC_MINIMIZE, IDB_MAIN_MINIMIZE, false, IDS_TIP_MINIMIZE, false},
                                     {IDC_HELP_BUTTON, IDB_MAIN_HELP, false, IDS_TIP_HELP, false},
                                     {IDC_CLOSE_BUTTON, IDB_MAIN_CLOSE, false, IDS_TIP_EXIT, false},
                                     {IDC_STEP_EDIT, IDB_STEP_EDIT, true, IDS_TIP_EDIT, true},
                                     {IDC_STEP_CAPTURE, IDB_STEP_CAPTURE, true, IDS_TIP_CAPTURE, true},
                                     {IDC_STEP_BURN, IDB_STEP_BURN, true, IDS_TIP_BURN, true}};

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
ON_WM_QUERYDRAGICON()
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
  icon_ = ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_MAINFRAME));
  SetIcon(icon_, TRUE);
  SetIcon(icon_, FALSE);
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
  clipList_.SetExtendedStyle(clipList_.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
  // The list's own scroll bars are hidden behind skinned ones; it keeps its number and its owner.
  if (HBITMAP scroll = ::LoadBitmap(GetModuleHandle("Vidarro5UI.dll"), MAKEINTRESOURCE(IDB_CLIP_LIST_SCROLL))) {
    clipListScroll_.Attach(scroll);
    clipListFrame_ = CSkinScrollBarFrame::Attach(clipList_.m_hWnd, scroll);
  }
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
  skin_.LoadFramePieces(GetModuleHandle("Vidarro5UI.dll"), GetModuleHandle("Vidarro5Extra.dll"), width_, height_);
  if (HWND area = ::GetDlgItem(m_hWnd, IDC_PAGE_AREA))
    ::SetWindowLongPtr(area, GWL_STYLE, ::GetWindowLongPtr(area, GWL_STYLE) | WS_CLIPCHILDREN);
  skin_.BuildCornerRegions();
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
  HINSTANCE own = AfxGetResourceHandle();
  for (size_t i = 0; i < buttons_.size(); ++i) {
    CSkinButton& button = buttons_[i];
    const ButtonSpec& spec = kButtons[i];
    if (!button.SubclassDlgItem(spec.id, this)) continue;
    if (HINSTANCE module = spec.own ? own : ui) button.LoadBitmap(module, spec.bitmap);
    button.SetShowText(spec.text ? TRUE : FALSE);
    if (spec.tip) button.SetToolTip(spec.tip, TRUE);
    else button.SetToolTipText(model_->flags.iPad ? "iPad / iPhone / iPod" : "iPhone / iPod", TRUE);
    // The small buttons of the clip list carry short texts in a small face.
    if (spec.text && !spec.own) button.SetFont("Liberation Sans", 12, 700);
    if (spec.id == IDC_PROJECT) button.SetFont("Liberation Sans", 15, 500);
  }
}

CSkinButton* CQuillonDlg::Button(UINT id) {
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (kButtons[i].id == id && buttons_[i].m_hWnd) return &buttons_[i];
  return nullptr;
}

void CQuillonDlg::PlaceSizeButtons(BOOL fullScreen) {
  // Only the size button that changes something has a size.
  if (CSkinButton* full = Button(IDC_FULL_SCREEN))
    full->SetSize(fullScreen ? 0 : kSizeButton, fullScreen ? 0 : kSizeButton);
  if (CSkinButton* normal = Button(IDC_NORMAL_SIZE))
    normal->SetSize(fullScreen ? kSizeButton : 0, fullScreen ? kSizeButton : 0);
}

void CQuillonDlg::LayoutControls() {
  skin_.SetFrameSize(width_, height_);
  const MainLayout l = skin_.Layout(width_, height_);
  PlaceSizeButtons(fullScreen_);
  const std::pair<UINT, POINT> places[] = {{IDC_STEP_CAPTURE, l.capture},
                                           {IDC_STEP_EDIT, l.edit},
                                           {IDC_STEP_BURN, l.burn},
                                           {IDC_PROJECT, l.project},
                                           {IDC_HELP_BUTTON, l.help},
                                           {IDC_MINIMIZE, l.minimize},
                                           {IDC_FULL_SCREEN, l.sizeButtons},
                                           {IDC_NORMAL_SIZE, l.sizeButtons},
                                           {IDC_CLOSE_BUTTON, l.close},
                                           {IDC_ADD, l.add},
                                           {IDC_DELETE, l.remove},
                                           {IDC_IPOD, l.ipod},
                                           {IDC_PSP, l.psp},
                                           {IDC_HD, l.hd}};
  for (const auto& [id, at] : places)
    if (CSkinButton* button = Button(id)) button->MoveTo(at.x, at.y);
  const RECT& list = l.clipList;
  Move(m_hWnd, IDC_CLIP_LIST, list.left, list.top, list.right - list.left, list.bottom - list.top);
  LayoutPageArea();
}

void CQuillonDlg::LayoutPageArea() {
  const RECT area = skin_.Layout(width_, height_).pageArea;
  const int w = area.right - area.left, h = area.bottom - area.top;
  Move(m_hWnd, IDC_PAGE_AREA, area.left, area.top, w, h);
  for (int i = 0; i < GetPageCount(); ++i) {
    CSkinPage* page = GetPageAt(i);
    if (!page) continue;
    if (page->m_hWnd) {
      ::MoveWindow(page->m_hWnd, area.left, area.top, w, h, TRUE);
      page->ResizePage(w, h);
    } else {
      page->SetPageSize(w, h);
    }
  }
  for (IPack* pack : {model_->editor, model_->burner})
    if (pack) pack->MoveWindow(&area);
  Invalidate();
}

void CQuillonDlg::ApplyWindowRegion() {
  // Setting a region repaints the window, so it is set again only when the size has changed.
  if (regionSize_.cx == width_ && regionSize_.cy == height_) return;
  if (HRGN region = skin_.WindowRegion(width_, height_)) {
    ::SetWindowRgn(m_hWnd, region, TRUE);
    regionSize_ = SIZE{width_, height_};
  }
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
  // A clip or title just added becomes the hot item and is scrolled into view.
  int shown = index - 1;
  if (const std::string& added = model_->clips.JustAdded(); !added.empty())
    for (int i = 0; i < index; ++i)
      if (clipList_.GetItemText(i, 1) == added) {
        clipList_.SetHotItem(i);
        shown = i;
      }
  if (shown >= 0) clipList_.EnsureVisible(shown, FALSE);
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
  if (!::IsIconic(m_hWnd)) {
    ApplyWindowRegion();
    // Until the start-up timer has run no page covers the page area yet: the frame fills it.
    skin_.Draw(CDC::FromHandle(dc), !started_);
  } else if (icon_) {
    ::SendMessage(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::DrawIcon(dc, (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2,
               (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2, icon_);
  }
  ::EndPaint(m_hWnd, &ps);
}

BOOL CQuillonDlg::OnEraseBkgnd(CDC*) { return TRUE; }

HCURSOR CQuillonDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(icon_); }

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
  for (;;) {
    CFileDialog dialog(FALSE, model_->projectPath.c_str(), nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       kProjectSaveFilter, this);
    if (dialog.DoModal() != IDOK) return FALSE;
    const std::string path = dialog.GetPathName();
    SaveOutcome outcome = SaveProject(*model_, path, false);
    if (outcome == SaveOutcome::kChangedOnDisk) {
      // No keeps the other save and lets the user choose another name for this one.
      if (ShowMessageBox(ChangedOnDiskQuestion(path), MB_YESNO | MB_ICONEXCLAMATION) != IDYES) continue;
      outcome = SaveProject(*model_, path, true);
    }
    if (outcome == SaveOutcome::kSaved) return TRUE;
    ShowMessageBox("The project could not be saved to " + path + ".", MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
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
