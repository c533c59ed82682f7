#include "converter/parvel_dlg.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "converter/command_line.h"
#include "converter/desktop_link.h"
#include "converter/list_file.h"
#include "converter/mordax_binding.h"
#include "converter/parvel_ids.h"
#include "converter/parvel_link.h"
#include "converter/parvel_settings.h"
#include "converter/row_format.h"
#include "platform/base/clock.h"
#include "platform/base/debug_output.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/controls/commctrl.h"
#include "platform/ole/drop_files.h"
#include "platform/shell/file_dialog.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"
#include "qnlog/partial_file.h"
#include "qnlog/qn_log.h"
#include "widgets/folder_browser.h"
#include "widgets/skin_bitmap.h"

namespace {

constexpr COLORREF kLabelText = RGB(0x82, 0x91, 0x99);
constexpr COLORREF kEditBackground = RGB(0x36, 0x3D, 0x40);
constexpr int kWidth = 836;
constexpr int kHeight = 520;
constexpr int kToolTipWidth = 200;

const char* const kAddFilter =
    "MPEG file(*.mpeg,*.mpg)|*.mpeg;*.mpg|WMV file(*.wmv)|*.wmv|AVI file(*.avi)|*.avi|all files(*.*)|*.*||";

HWND HandleFromValue(DWORD value) { return DwordToHandle<HWND>(value); }

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

void MakeFolder(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
}

}  // namespace

BEGIN_MESSAGE_MAP(CParvelDlg, CDialog)
ON_WM_ERASEBKGND()
ON_WM_CTLCOLOR()
ON_WM_LBUTTONDOWN()
ON_WM_DROPFILES()
ON_WM_CLOSE()
ON_WM_TIMER()
ON_BN_CLICKED(IDC_ADD, &CParvelDlg::OnAddFiles)
ON_BN_CLICKED(IDC_REMOVE, &CParvelDlg::OnRemoveFiles)
ON_BN_CLICKED(IDC_BROWSE, &CParvelDlg::OnBrowseOutFolder)
ON_BN_CLICKED(IDC_START, &CParvelDlg::OnEncoderStart)
ON_BN_CLICKED(IDC_STOP, &CParvelDlg::OnEncoderStop)
ON_BN_CLICKED(IDC_CLOSE, &CParvelDlg::OnCloseButton)
ON_BN_CLICKED(IDC_CLOSE2, &CParvelDlg::OnCloseButton)
ON_CBN_SELCHANGE(IDC_PROFILE, &CParvelDlg::OnProfileChanged)
ON_MESSAGE(kConvertNotifyMessage, &CParvelDlg::__MsgReceive)
ON_MESSAGE(WM_CONVERTER_LINK, &CParvelDlg::_MsgReceive_VirConverting)
END_MESSAGE_MAP()

CParvelDlg::CParvelDlg(CWnd* parent) : CDialog(IDD_PARVEL_DIALOG, parent) {}

CParvelDlg::~CParvelDlg() {
  if (m_hBackground) DeleteObject(m_hBackground);
  if (m_hBackgroundBitmap) DeleteObject(m_hBackgroundBitmap);
  if (m_hScrollTiles) DeleteObject(m_hScrollTiles);
  for (HFONT font : m_fonts)
    if (font) DeleteObject(font);
}

BOOL CParvelDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (m_strProgramFolder.empty()) m_strProgramFolder = platform::AppFolder();
  const std::string device = DeviceName(m_nMode);
  SetWindowText(platform::Format("%s - %s", ResString(IDS_TITLE, "Publish").c_str(), device.c_str()));

  QnLogInit("", "[App] Parvel.txt", m_nLogLocation, true, 0x10000);
  m_bMordax = LoadMordax(m_strProgramFolder) != 0;
  if (!m_bMordax) {
    // The window still opens: profiles and folders can be looked at, nothing can be converted.
    ::MessageBox(m_hWnd,
                 ResString(IDS_MORDAX_MISSING,
                           "The conversion library Mordax.so could not be loaded; files cannot be "
                           "converted. Please reinstall the program."),
                 GetWindowText(), MB_OK | MB_ICONEXCLAMATION);
  }
  MdxOpen(m_hWnd, kConvertNotifyMessage, m_nLogLocation);

  struct FontSpec {
    UINT face, height;
    const char* faceFallback;
    int heightFallback, weight;
  };
  const FontSpec specs[5] = {{IDS_TITLE_FONT, IDS_TITLE_FONT_HEIGHT, "Tahoma", 16, 900},
                             {IDS_LABEL_FONT, IDS_LABEL_FONT_HEIGHT, "Verdana", 13, 600},
                             {IDS_SMALL_BOLD_FONT, IDS_SMALL_BOLD_FONT_HEIGHT, "Verdana", 11, 600},
                             {IDS_TEXT_FONT, IDS_TEXT_FONT_HEIGHT, "Verdana", 13, 400},
                             {IDS_SMALL_FONT, IDS_SMALL_FONT_HEIGHT, "Verdana", 11, 400}};
  for (int i = 0; i < 5; ++i) {
    const int height = std::atoi(ResString(specs[i].height, "").c_str());
    m_fonts[i] = CreateFont(-(height > 0 ? height : specs[i].heightFallback), 0, 0, 0, specs[i].weight, 0, 0, 0, 0, 0,
                            0, 0, 0, ResString(specs[i].face, specs[i].faceFallback).c_str());
    if (!m_fonts[i]) m_fonts[i] = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }

  m_list.SubclassDlgItem(IDC_FILE_LIST, this);
  m_folderEdit.SubclassDlgItem(IDC_OUT_FOLDER, this);
  m_folderEdit.SetColors(kEditBackground, kEditBackground, kLabelText);
  m_progress.SubclassDlgItem(IDC_PROGRESS, this);
  LoadSkin();
  const std::string titles[5] = {ResString(IDS_COLUMN_NAME, "File Name"),
                                 ResString(IDS_COLUMN_RESOLUTION, "Resolution"),
                                 ResString(IDS_COLUMN_DURATION, "Duration"), ResString(IDS_COLUMN_SIZE, "Size"),
                                 ResString(IDS_COLUMN_TARGET, "Target")};
  m_list.SetupColumns(titles);
  m_header.Attach(m_list.m_hWnd, m_hImages, IDB_HEADER, IDB_HEADER_SEPARATOR, titles, m_fonts[2]);
  m_list.SetRemoveHandler([this] { OnRemoveFiles(); });
  PlaceControls();
  m_hScrollTiles = skin::LoadModuleBitmap(m_hImages, IDB_SCROLL_TILES);
  if (m_hScrollTiles) AttachSkinScrollBars(m_list.m_hWnd, m_hScrollTiles);
  SendDlgItemMessage(IDC_TITLE_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[0]), TRUE);
  SendDlgItemMessage(IDC_STATUS, WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[3]), TRUE);
  for (int id : {IDC_LABEL_PROFILE, IDC_LABEL_VIDEO, IDC_LABEL_AUDIO, IDC_LABEL_FOLDER})
    SendDlgItemMessage(id, WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[1]), TRUE);
  m_folderEdit.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[4]), TRUE);
  SetDlgItemText(IDC_TITLE_TEXT, GetWindowText());
  CreateToolTips();
  ShowPlaceholder();
  OnConvertFinished();
  FillProfiles();
  SetOutputFolder();
  DragAcceptFiles(TRUE);
  LoadListFile();

  DWORD main = 0;
  ReadRegDword(HKEY_CURRENT_USER, kParvelKey, "MainHwnd", main, 0);
  m_hMain = HandleFromValue(main);
  WriteRegDword(HKEY_CURRENT_USER, kParvelKey, "SubHwnd", HandleToDword(m_hWnd));
  PostToMain(PUBLISH_READY, 0);
  return TRUE;
}

void CParvelDlg::LoadSkin() {
  HINSTANCE images = m_hImages;
  struct Skin {
    CSkinBitmapButton* button;
    UINT bitmap;
    int cx, cy;
  };
  const Skin skins[] = {{&m_add, IDB_ADD, 40, 24},           {&m_remove, IDB_REMOVE, 40, 24},
                        {&m_browse, IDB_BROWSE, 30, 20},     {&m_start, IDB_START, 100, 32},
                        {&m_stop, IDB_STOP, 100, 32},        {&m_close, IDB_CLOSE, 20, 20},
                        {&m_close2, IDB_CLOSE_SMALL, 16, 16}};
  const int ids[] = {IDC_ADD, IDC_REMOVE, IDC_BROWSE, IDC_START, IDC_STOP, IDC_CLOSE, IDC_CLOSE2};
  for (size_t i = 0; i < std::size(skins); ++i) {
    skins[i].button->SubclassDlgItem(static_cast<UINT>(ids[i]), this);
    skins[i].button->LoadBitmaps(images, skins[i].bitmap, skins[i].cx, skins[i].cy);
  }
  m_progress.LoadBitmap(images, IDB_PROGRESS);
  m_hBackgroundBitmap = skin::LoadModuleBitmap(images, IDB_BACKGROUND);
  if (m_hBackgroundBitmap) m_hBackground = CreatePatternBrush(m_hBackgroundBitmap);
  for (auto [combo, id] : {std::pair{&m_profile, IDC_PROFILE}, std::pair{&m_video, IDC_VIDEO_PRESET},
                           std::pair{&m_audio, IDC_AUDIO_PRESET}}) {
    *combo = std::make_unique<CSkinBitmapComboBox>(images, IDB_COMBO_ARROW);
    (*combo)->SubclassDlgItem(static_cast<UINT>(id), this);
    (*combo)->SetFontObject(m_fonts[4]);
    (*combo)->SetTextColor(kLabelText);
    (*combo)->SetBackgroundBrush(m_hBackground);
  }
}

void CParvelDlg::CreateToolTips() {
  if (!m_toolTip.Create(this)) return;
  m_toolTip.SendMessage(TTM_SETMAXTIPWIDTH, 0, kToolTipWidth);
  const std::pair<CWnd*, std::string> tips[] = {{&m_add, ResString(IDS_TIP_ADD, "Add Files")},
                                                {&m_remove, ResString(IDS_TIP_REMOVE, "Remove Files")},
                                                {&m_browse, ResString(IDS_TIP_BROWSE, "Output Folder")},
                                                {&m_start, ResString(IDS_TIP_START, "Start")},
                                                {&m_stop, ResString(IDS_TIP_STOP, "Stop")},
                                                {&m_close, ResString(IDS_TIP_CLOSE, "Close")},
                                                {&m_close2, ResString(IDS_TIP_CLOSE, "Close")}};
  for (const auto& [control, text] : tips)
    if (control->GetSafeHwnd()) m_toolTip.AddTool(control, text);
  m_toolTip.Activate(TRUE);
}

BOOL CParvelDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  // The tip is a window of its own: it shows above the dialog, however the two were stacked since.
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header && header->hwndFrom == m_toolTip.GetSafeHwnd() && header->code == TTN_SHOW)
    ::SetWindowPos(m_toolTip.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return CDialog::OnNotify(wParam, lParam, result);
}

BOOL CParvelDlg::PreTranslateMessage(MSG* msg) {
  const bool mouse =
      msg->message == WM_MOUSEMOVE || (msg->message >= WM_LBUTTONDOWN && msg->message <= WM_MBUTTONDBLCLK);
  if (mouse && m_toolTip.GetSafeHwnd()) m_toolTip.RelayEvent(msg);
  return CDialog::PreTranslateMessage(msg);
}

void CParvelDlg::PlaceControls() {
  SetWindowPos(nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER);
  auto place = [this](int id, int x, int y, int w, int h) {
    if (HWND c = ::GetDlgItem(m_hWnd, id)) ::MoveWindow(c, x, y, w, h, TRUE);
  };
  place(IDC_TITLE_TEXT, 16, 10, 600, 22);
  place(IDC_CLOSE, kWidth - 30, 10, 20, 20);
  place(IDC_FILE_LIST, 16, 44, 804, 250);
  place(IDC_ADD, 16, 302, 40, 24);
  place(IDC_REMOVE, 62, 302, 40, 24);
  place(IDC_LABEL_PROFILE, 16, 344, 110, 18);
  place(IDC_PROFILE, 130, 340, 330, 22);
  place(IDC_LABEL_VIDEO, 16, 372, 110, 18);
  place(IDC_VIDEO_PRESET, 130, 368, 330, 22);
  place(IDC_LABEL_AUDIO, 16, 400, 110, 18);
  place(IDC_AUDIO_PRESET, 130, 396, 330, 22);
  place(IDC_LABEL_FOLDER, 16, 428, 110, 18);
  place(IDC_OUT_FOLDER, 130, 426, 560, 20);
  place(IDC_BROWSE, 696, 426, 30, 20);
  place(IDC_STATUS, 16, 462, 680, 18);
  place(IDC_PROGRESS, 16, 486, 400, 10);
  place(IDC_START, 720, 462, 100, 32);
  place(IDC_STOP, 720, 462, 100, 32);
  place(IDC_CLOSE2, kWidth - 20, kHeight - 20, 16, 16);
}

BOOL CParvelDlg::OnEraseBkgnd(CDC* dc) {
  if (!dc) return FALSE;
  CRect r;
  GetClientRect(&r);
  HBRUSH brush = m_hBackground ? m_hBackground : reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  FillRect(dc->GetSafeHdc(), &r, brush);
  return TRUE;
}

HBRUSH CParvelDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  if (ctlColor == CTLCOLOR_STATIC && dc) {
    ::SetTextColor(dc->GetSafeHdc(), kLabelText);
    SetBkMode(dc->GetSafeHdc(), TRANSPARENT);
    return m_hBackground ? m_hBackground : reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  }
  return CDialog::OnCtlColor(dc, wnd, ctlColor);
}

void CParvelDlg::OnLButtonDown(UINT flags, CPoint point) {
  // The window has no caption: its background moves it.
  ReleaseCapture();
  SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
  CDialog::OnLButtonDown(flags, point);
}

// Profiles and presets.

void CParvelDlg::FillProfiles() {
  const std::string folder = ModeProfileFolder(m_nMode);
  if (!folder.empty()) m_profiles.ScanFolder(platform::WithTrailingSlash(m_strProgramFolder) + folder);
  for (int i = 0; i < m_profiles.GetCount(); ++i)
    platform::OutputDebugFormat("before sort : [%d] [0x%08x]\n", m_profiles.GetProfile(i)->SORT_PRIORITY, i);
  m_profiles.SortAlgorithmSelection(1);
  for (int i = 0; i < m_profiles.GetCount(); ++i) {
    platform::OutputDebugFormat("after sort : [%d] [0x%08x]\n", m_profiles.GetProfile(i)->SORT_PRIORITY, i);
    m_profile->AddString(m_profiles.GetProfile(i)->PROFILE);
  }
  if (m_profiles.GetCount() > 0) m_profile->SetCurSel(FirstProfileForMode(m_profiles, m_nMode));
  FillPresets();
}

void CParvelDlg::FillPresets() {
  m_video->ResetContent();
  m_audio->ResetContent();
  const CDeviceProfile* profile = SelectedProfile();
  if (!profile) return;
  int videoDefault = 0, audioDefault = 0;
  for (size_t i = 0; i < profile->video.size(); ++i) {
    m_video->AddString(FormatVideoPreset(*profile->video[i]));
    if (profile->video[i]->isDefault == 1) videoDefault = static_cast<int>(i);
  }
  for (size_t i = 0; i < profile->audio.size(); ++i) {
    m_audio->AddString(FormatAudioPreset(*profile->audio[i]));
    if (profile->audio[i]->isDefault == 1) audioDefault = static_cast<int>(i);
  }
  if (!profile->video.empty()) m_video->SetCurSel(videoDefault);
  if (!profile->audio.empty()) m_audio->SetCurSel(audioDefault);
}

void CParvelDlg::OnProfileChanged() {
  FillPresets();
  SetOutputFolder();
}

CDeviceProfile* CParvelDlg::SelectedProfile() const {
  return m_profile ? m_profiles.GetProfile(m_profile->GetCurSel()) : nullptr;
}

const CVideoPreset* CParvelDlg::SelectedVideoPreset() const {
  return m_video ? CProfileList::GetVideoPreset(SelectedProfile(), m_video->GetCurSel()) : nullptr;
}

const CAudioPreset* CParvelDlg::SelectedAudioPreset() const {
  return m_audio ? CProfileList::GetAudioPreset(SelectedProfile(), m_audio->GetCurSel()) : nullptr;
}

void CParvelDlg::SetOutputFolder() {
  if (m_strBaseFolder.empty()) {
    std::string base;
    if (!ReadRegString(HKEY_CURRENT_USER, kParvelKey, "OutFolder", base, nullptr) || base.empty()) {
      const std::string documents = platform::DocumentsFolder();
      base =
          documents.empty() ? std::string("Qn Media Converter/") : platform::WithTrailingSlash(documents) + "Vidarro/";
      WriteRegString(HKEY_CURRENT_USER, kParvelKey, "OutFolder", base);
    }
    m_strBaseFolder = platform::WithTrailingSlash(base);
  }
  MakeFolder(m_strBaseFolder);
  if (m_nMode == kModePsp || m_nMode == kModePspAvc) {
    const CDeviceProfile* profile = SelectedProfile();
    m_nMode = PspModeForProfile(profile ? profile->PROFILE : std::string());
  }
  m_strOutFolder = m_strBaseFolder + ModeOutputFolder(m_nMode) + "/";
  MakeFolder(m_strOutFolder);
  // What a converter that was killed left half-written; a live one's files are its own.
  RemoveAbandonedPartials(m_strOutFolder);
  m_folderEdit.SetWindowText(m_strOutFolder);
}

void CParvelDlg::OnBrowseOutFolder() {
  std::string start = WithoutTrailingSlash(m_strOutFolder);
  if (start.empty()) start = platform::DocumentsFolder();
  const std::string caption = ResString(IDS_BROWSE_CAPTION, "Selected Folder");
  const std::string heading = ResString(IDS_BROWSE_HEADING, "Current Folder");
  CFolderBrowser browser(TRUE, caption.c_str(), heading.c_str(), start.c_str(), this);
  browser.SetMessageCaption(" ");
  if (browser.DoModal() != 1) return;
  const std::string chosen = platform::WithTrailingSlash(browser.GetFolderPath());
  if (chosen == m_strOutFolder) return;
  m_strBaseFolder = chosen;
  SetOutputFolder();
}

// The file list.

void CParvelDlg::ShowPlaceholder() {
  m_list.DeleteAllItems();
  m_list.InsertItem(0, ResString(IDS_ADD_FILES_HINT, "Please add files..."));
  m_list.SetItemData(0, 0);
  m_bPlaceholder = true;
}

void CParvelDlg::DropPlaceholder() {
  if (!m_bPlaceholder) return;
  m_list.DeleteAllItems();
  m_bPlaceholder = false;
}

bool CParvelDlg::HasRows() const { return !m_bPlaceholder && m_list.GetItemCount() > 0; }

bool CParvelDlg::HasProjectRow() const { return HasRows() && m_list.GetItemData(0) == kProjectRowData; }

void CParvelDlg::AppendMediaRow(const Qn_MediaInfo* info, int at) {
  if (!info) return;
  DropPlaceholder();
  const int row = m_list.InsertItem(at < 0 ? m_list.GetItemCount() : at, info->source.GetFileName());
  m_list.SetItemText(row, 1, FormatResolution(info->video.Width, info->video.Height));
  m_list.SetItemText(row, 2, FormatDuration(info->duration));
  m_list.SetItemText(row, 3, FormatSize(info->fileSize));
  m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(info));
}

void CParvelDlg::AppendProjectRow(const std::string& name, std::int64_t time) {
  DropPlaceholder();
  const int row = m_list.InsertItem(m_list.GetItemCount(), name);
  m_list.SetItemText(row, 1, " ");
  m_list.SetItemText(row, 2, FormatDuration(time));
  m_list.SetItemText(row, 3, " ");
  m_list.SetItemData(row, kProjectRowData);
}

void CParvelDlg::SetTarget(int row, const std::string& text) {
  if (row >= 0 && row < m_list.GetItemCount() && HasRows()) m_list.SetItemText(row, 4, text);
}

void CParvelDlg::OnAddFiles() {
  EnableControls(false);
  CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_EXPLORER,
                     kAddFilter, this);
  if (dialog.DoModal() != IDOK) {
    EnableControls(true);
    return;
  }
  AddPaths(dialog.GetPathNames(), 0);
}

void CParvelDlg::AddPaths(const std::vector<std::string>& paths, int start) {
  if (paths.empty()) {
    EnableControls(true);
    return;
  }
  EnableControls(false);
  m_addFiles.reset();
  m_addFiles = std::make_unique<CAddFilesWindow>(this, static_cast<int>(paths.size()), start, nullptr);
  m_addFiles->Open();
  if (MdxAddFile(paths)) {
    m_refusals.Sent(paths);
  } else {
    // Nothing answers without the library: the window would wait for ever.
    m_addFiles.reset();
    EnableControls(true);
  }
}

void CParvelDlg::OnDropFiles(HDROP drop) {
  std::vector<std::string> paths;
  const UINT count = DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFile(drop, i, nullptr, 0);
    std::string path(length + 1, '\0');
    DragQueryFile(drop, i, path.data(), length + 1);
    path.resize(length);
    paths.push_back(FollowDesktopLink(path));
  }
  DragFinish(drop);
  AddPaths(paths, 1);
}

void CParvelDlg::OnRemoveFiles() {
  const std::vector<int> rows = m_list.SelectedRows();
  if (rows.empty() || !HasRows()) return;
  if (static_cast<int>(rows.size()) == m_list.GetItemCount()) {
    MdxRemoveAllFile();
    m_nWaiting = 0;
    ShowPlaceholder();
  } else {
    // The project row is no file of the library's: only media rows go to it.
    Qn_ItemList items;
    for (int row : rows)
      if (const DWORD_PTR data = m_list.GetItemData(row); data && data != kProjectRowData)
        items.push_back(reinterpret_cast<Qn_MediaInfo*>(data));
    if (!items.empty()) MdxRemoveFile(items);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) m_list.DeleteItem(*it);
    if (m_list.GetItemCount() == 0) ShowPlaceholder();
  }
  EnableControls(true);
}

void CParvelDlg::LoadListFile() {
  if (m_strListPath.empty()) return;
  ListFile list;
  if (!ReadListFile(m_strListPath, &list)) return;
  for (const ProjectEntry& project : list.projects) AppendProjectRow(project.name, project.time);
  if (!list.paths.empty() && MdxAddFile(list.paths)) m_refusals.Sent(list.paths);
}

// Converting.

void CParvelDlg::OnEncoderStart() {
  if (!HasRows()) return;
  QnLogWrite(0x10000, "[%s] virtual path:[%d] ", "CParvelDlg::OnEncoderStart", m_nWaiting);
  if (HasProjectRow()) {
    if (m_nWaiting) {
      PostToMain(PUBLISH_CANCEL, 0);
      m_nWaiting = 0;
      OnConvertFinished();
    } else {
      const CVideoPreset* preset = SelectedVideoPreset();
      const int width = preset ? std::min(preset->width, kMaxRenderWidth) : 0;
      const int height = preset ? preset->height : 0;
      m_nWaiting = 1;
      m_nProjectRow = 0;
      PostToMain(PUBLISH_RENDER_REQUEST, MAKELONG(static_cast<WORD>(width), static_cast<WORD>(height)));
      WatchRender();
      m_start.ShowWindow(SW_HIDE);
      m_stop.ShowWindow(SW_SHOW);
    }
    EnableControls(false);
    return;
  }
  DoConverting(MdxIsConvert() != 1);
}

void CParvelDlg::OnEncoderStop() {
  if (!HasRows()) return;
  QnLogWrite(0x10000, "[%s] virtual path:[%d] ", "CParvelDlg::OnEncoderStop", m_nWaiting);
  if (HasProjectRow()) {
    if (m_nWaiting) {
      m_nWaiting = 0;
      PostToMain(PUBLISH_CANCEL, 0);
      OnConvertFinished();
    }
    EnableControls(true);
    return;
  }
  if (MdxIsConvert()) DoConverting(false);
}

void CParvelDlg::DoConverting(bool start) {
  if (!start) {
    MdxWorkStop();
    platform::CurrentClock().SleepMs(100);
    OnConvertFinished();
    EnableControls(true);
    return;
  }
  for (int row = 0; HasRows() && row < m_list.GetItemCount(); ++row) m_list.SetItemText(row, 4, "");
  m_strRefusal.clear();
  m_strFailureReason.clear();
  m_option = Qn_ConvertOption();
  if (const CAudioPreset* a = SelectedAudioPreset()) {
    m_option.audio.codec = a->codec;
    m_option.audio.bitrate = a->bitrate;
    m_option.audio.sampleRate = a->sampleRate;
    m_option.audio.channels = static_cast<std::int32_t>(a->channels);
  }
  if (const CVideoPreset* v = SelectedVideoPreset()) {
    m_option.video.codec = v->codec;
    m_option.video.width = v->width;
    m_option.video.height = v->height;
    m_option.video.bitrate = v->bitrate;
    m_option.video.frameRate = v->frameRate;
  }
  m_option.path = CFilePath(m_strOutFolder);
  if (const CDeviceProfile* p = SelectedProfile()) {
    m_option.BITEXACT = p->BITEXACT;
    m_option.FIXASPECT = p->FIXASPECT;
    m_option.ONLY_AUDIO = p->ONLY_AUDIO;
    m_option.MUXVB = p->MUXVB;
    m_option.MUXAB = p->MUXAB;
    m_option.H264_BASELINE = p->H264_BASELINE;
    m_option.FILEPREFIX = p->FILEPREFIX;
    m_option.EXF = p->EXF;
    m_option.FORCE = p->FORCE;
  }
  MdxSetConvertOption(m_nMode, m_option);
  MdxConvertStart(m_strOutFolder);
  m_start.ShowWindow(SW_HIDE);
  m_stop.ShowWindow(SW_SHOW);
  EnableControls(false);
}

void CParvelDlg::OnConvertFinished() {
  ShowStatus(m_strStatus);
  EnableControls(true);
  m_start.ShowWindow(SW_SHOW);
  m_stop.ShowWindow(SW_HIDE);
  m_progress.SetRange(0, 100);
  m_progress.SetPos(m_progress.GetPos());
}

void CParvelDlg::EnableControls(bool enable) {
  for (int id : {IDC_ADD, IDC_REMOVE, IDC_BROWSE, IDC_PROFILE, IDC_VIDEO_PRESET, IDC_AUDIO_PRESET})
    if (HWND c = ::GetDlgItem(m_hWnd, id)) ::EnableWindow(c, enable);
  m_list.SetLocked(!enable);
}

void CParvelDlg::ShowStatus(const std::string& text) {
  m_strStatus = text;
  SetDlgItemText(IDC_STATUS, text);
}

std::string CParvelDlg::StatusFormat(int percent) const {
  return platform::Format(ResString(IDS_CONVERT_STATUS, "Video conversion status - %d %%").c_str(), percent);
}

void CParvelDlg::DeleteCurrentItem() {
  if (!m_items.empty()) m_items.pop_front();
}

int CParvelDlg::CurrentRow() const { return m_items.empty() ? -1 : m_items.front()->index; }

std::string CParvelDlg::RefusalReason(LPARAM code) const {
  const std::string noEncoder = ResString(IDS_NO_ENCODER, "no encoder for \"%s\" in this FFmpeg");
  switch (code) {
    case Qn_ERR_NO_VIDEO_ENCODER: return platform::Format(noEncoder.c_str(), m_option.video.codec.c_str());
    case Qn_ERR_NO_AUDIO_ENCODER: return platform::Format(noEncoder.c_str(), m_option.audio.codec.c_str());
    case Qn_ERR_INVALID_ARG: return ResString(IDS_OPTION_REFUSED, "the profile's settings are out of range");
    default: return std::string();
  }
}

// A file that failed is marked in its row and the status line; the batch goes on, so the window
// stays busy until the batch's end.
void CParvelDlg::ShowFailure(LPARAM code) {
  std::string error = ResString(IDS_CONVERT_ERROR, "File conversion error.");
  if (!m_strRefusal.empty()) error += " " + m_strRefusal;
  if (!m_strFailureReason.empty()) error += " (" + m_strFailureReason + ")";
  if (!m_items.empty()) {
    SetTarget(CurrentRow(), error);
  } else if (!m_strRefusal.empty()) {
    // Refused before any file started: every file is concerned.
    for (int row = 0; HasRows() && row < m_list.GetItemCount(); ++row) SetTarget(row, error);
  }
  DeleteCurrentItem();
  ShowStatus(code == Qn_ERR_STOPPED ? ResString(IDS_STOPPED_BY_USER, "Status : File conversion stopped by user.")
                                    : error);
}

LRESULT CParvelDlg::__MsgReceive(WPARAM wParam, LPARAM lParam) {
  const int op = LOWORD(wParam);
  const int status = HIWORD(wParam);
  if (op == Qn_OP_ADD_FILE) {
    if (status == Qn_MSG_SUCCEEDED) AppendMediaRow(reinterpret_cast<const Qn_MediaInfo*>(lParam));
    // An add of nothing is answered by its refusal alone, with no end to follow.
    const bool nothingSent = status == Qn_MSG_FAILED && lParam == Qn_ERR_EMPTY_LIST;
    if (status == Qn_MSG_SUCCEEDED || (status == Qn_MSG_FAILED && !nothingSent))
      m_refusals.Answered(status == Qn_MSG_SUCCEEDED, static_cast<int>(lParam));
    const bool told = (status == Qn_MSG_COMPLETE || nothingSent) && m_refusals.Ended();
    if (status == Qn_MSG_COMPLETE) {
      m_addFiles.reset();
      // Start may have been pressed while the files came in: a running batch keeps them off.
      if (!IsBusy()) EnableControls(true);
    }
    if (m_addFiles) {
      if (m_addFiles->IsClosedMark()) {
        if (!IsBusy()) EnableControls(true);
        MdxWorkStop();
      } else if (m_addFiles->Advance()) {
        m_addFiles.reset();
      }
    }
    if (told) {
      const std::string refused = m_refusals.TakeMessage();
      if (!refused.empty()) ::MessageBox(m_hWnd, refused, GetWindowText(), MB_OK | MB_ICONEXCLAMATION);
    }
  } else if (op == Qn_OP_CONVERT) {
    switch (status) {
      case Qn_MSG_ITEM_START:
        m_progress.SetRange(0, 100);
        m_items.emplace_back(reinterpret_cast<Qn_ConvertItem*>(lParam));
        ShowStatus(StatusFormat(0));
        break;
      case Qn_MSG_CONVERT_PROCESSING: {
        const int percent = LOWORD(lParam);
        const int frame = HIWORD(lParam);
        std::string text = StatusFormat(percent);
        if (!m_items.empty()) {
          const Qn_ConvertItem& item = *m_items.back();
          // The frame number FFmpeg prints counts output frames: the total is counted at the
          // rate the file is converted to.
          text +=
              FormatFrameCount(frame, item.frameCount, item.videoDuration, m_option.video.frameRate, percent >= 100);
          SetTarget(item.index, platform::Format("%d %%", percent));
        }
        ShowStatus(text);
        m_progress.SetPos(percent);
        break;
      }
      case Qn_MSG_TIME_INFO: delete reinterpret_cast<Qn_ConvertTime*>(lParam); break;
      case Qn_MSG_SUCCEEDED: {
        // A record comes only when the announced name was taken meanwhile (another converter
        // writing to the same folder): the row names the file this conversion really left.
        std::unique_ptr<Qn_ConvertItem> ended(reinterpret_cast<Qn_ConvertItem*>(lParam));
        if (!m_items.empty()) SetTarget(CurrentRow(), (ended ? ended->output : m_items.front()->output).GetFileName());
        DeleteCurrentItem();
        break;
      }
      case Qn_MSG_COMPLETE:
        m_items.clear();
        OnConvertFinished();
        break;
      case Qn_MSG_FAILURE_REASON: {
        std::unique_ptr<Qn_ConvertFailure> failure(reinterpret_cast<Qn_ConvertFailure*>(lParam));
        if (failure) m_strFailureReason = failure->reason;
        break;
      }
      case Qn_MSG_FAILED:
        ShowFailure(lParam);
        m_strFailureReason.clear();
        break;
      default: break;
    }
  } else if (op == Qn_OP_SET_CONVERT_OPTION) {
    m_strRefusal = status == Qn_MSG_FAILED ? RefusalReason(lParam) : std::string();
  } else if (op == Qn_OP_INSERT_FILE) {
    if (status == Qn_MSG_SUCCEEDED) {
      if (m_nProjectRow >= 0 && m_nProjectRow < m_list.GetItemCount() && HasRows()) m_list.DeleteItem(m_nProjectRow);
      AppendMediaRow(reinterpret_cast<const Qn_MediaInfo*>(lParam), m_nProjectRow);
      if (m_nWaiting) {
        m_nWaiting = 0;
        DoConverting(true);
      }
    } else if (status == Qn_MSG_FAILED) {
      ShowStatus(ResString(IDS_CONVERT_ERROR, "File conversion error."));
      if (m_nWaiting) {
        m_nWaiting = 0;
        if (HasProjectRow()) m_list.DeleteItem(0);
        if (m_list.GetItemCount() == 0) {
          ShowPlaceholder();
          OnConvertFinished();
        } else {
          DoConverting(true);
        }
      } else if (!m_items.empty()) {
        SetTarget(CurrentRow(), m_strStatus);
      }
    }
  } else if (op == Qn_OP_PROGRESS) {
    if (status == 15) {
      m_progress.SetRange(0, static_cast<int>(lParam) * 2);
      ShowStatus(StatusFormat(0));
    } else if (status == 16) {
      int min = 0, max = 0;
      m_progress.GetRange(&min, &max);
      const int percent = max > min ? static_cast<int>((lParam - min) * 100 / (max - min)) : 0;
      ShowStatus(StatusFormat(percent));
      m_progress.SetPos(static_cast<int>(lParam));
    }
  }
  return 1;
}

// The main program's project.

void CParvelDlg::PostToMain(WPARAM code, LPARAM lParam) {
  if (m_hMain) ::PostMessage(m_hMain, WM_CONVERTER_LINK, code, lParam);
}

// A render asked of a main program that has gone would be waited for without end; it is looked
// for more often than it pings (every two seconds).
void CParvelDlg::WatchRender() { SetTimer(kRenderWatchTimer, kRenderWatchMs, nullptr); }

void CParvelDlg::OnTimer(UINT_PTR id) {
  if (id != kRenderWatchTimer) return CDialog::OnTimer(id);
  if (!m_nWaiting) {
    KillTimer(kRenderWatchTimer);
    return;
  }
  // A window of a process that has ended is gone at once; one that is only busy stays.
  if (m_hMain && ::IsWindow(m_hMain)) return;
  KillTimer(kRenderWatchTimer);
  QnLogWrite(0x10000, "[%s] the main program has closed: the render is given up", "CParvelDlg::OnTimer");
  m_nWaiting = 0;
  const std::string error =
      ResString(IDS_CONVERT_ERROR, "File conversion error.") + " " +
      ResString(IDS_MAIN_PROGRAM_GONE, "The main program has closed, so the project cannot be rendered.");
  m_strStatus = error;
  if (HasProjectRow()) SetTarget(0, error);
  OnConvertFinished();
}

LRESULT CParvelDlg::_MsgReceive_VirConverting(WPARAM wParam, LPARAM lParam) {
  switch (wParam) {
    case PUBLISH_PROGRESS:
      ShowStatus(StatusFormat(static_cast<int>(lParam)));
      m_progress.SetPos(static_cast<int>(lParam));
      break;
    case PUBLISH_FAILED: {
      const std::string error = ResString(IDS_CONVERT_ERROR, "File conversion error.");
      m_strStatus = error;
      SetTarget(0, error);
      m_nWaiting = 0;
      OnConvertFinished();
      break;
    }
    case PUBLISH_CANCEL:
      m_nWaiting = 0;
      m_strStatus = ResString(IDS_STOPPED_BY_USER, "Status : File conversion stopped by user.");
      OnConvertFinished();
      break;
    case PUBLISH_DONE: {
      OnConvertFinished();
      std::string file;
      ReadRegString(HKEY_CURRENT_USER, kParvelKey, "File", file, nullptr);
      m_nProjectRow = 0;
      if (!MdxInsertFile(0, file)) m_nWaiting = 0;
      // Still converting from here on: the inserted file starts it.
      if (m_nWaiting) EnableControls(false);
      break;
    }
    case PUBLISH_PING: return kPingAnswer;
    default: break;
  }
  return 1;
}

void CParvelDlg::OnClose() {
  if (m_bClosed) return;
  m_bClosed = true;
  PostToMain(PUBLISH_CLOSING, 0);
  m_addFiles.reset();
  MdxClose();
  m_items.clear();
  UnloadMordax();
  if (m_header.GetSafeHwnd()) m_header.UnsubclassWindow();
  if (m_list.GetSafeHwnd()) DetachSkinScrollBars(m_list.m_hWnd);
  EndDialog(IDCANCEL);
}
