#include "uploader/corrin_dlg.h"

#include <cstdlib>

#include "converter/parvel_settings.h"
#include "platform/base/module.h"
#include "platform/base/strings.h"
#include "platform/controls/commctrl.h"
#include "platform/shell/file_dialog.h"
#include "platform/window/menu.h"
#include "platform/window/resources.h"
#include "uploader/corrin_account.h"
#include "uploader/corrin_ids.h"
#include "uploader/corrin_keywords.h"
#include "uploader/corrin_layout.h"
#include "uploader/corrin_link.h"
#include "uploader/upload_address.h"
#include "widgets/skin_bitmap.h"

namespace {

constexpr COLORREF kTitleColour = 0xACA291;
constexpr COLORREF kTermsColour = 0x999182;
constexpr COLORREF kBackground = 0xC8C8C8;
constexpr COLORREF kLabelText = RGB(0x30, 0x34, 0x3A);
constexpr COLORREF kEditBackground = RGB(0xF4, 0xF4, 0xF4);

constexpr const char* kTermsAddress = "https://www.youtube.com/t/terms";
constexpr const char* kHomeAddress = "https://www.youtube.com/";
constexpr const char* kVideoFilter =
    "Video Files (*.mpg;*.mpeg;*.avi;*.wmv;*.mp4;*.mov)|*.mpg;*.mpeg;*.avi;*.wmv;*.mp4;*.mov|All Files (*.*)|*.*||";

// The keyword each category sends, in the combo's order.
constexpr const char* kCategoryKeywords[] = {"Film",   "Autos",     "Music",     "Animals",       "Sports",
                                             "Travel", "People",    "Comedy",    "Entertainment", "News",
                                             "Howto",  "Education", "Nonprofit", "Tech"};
constexpr int kPeopleIndex = 6;

const int kInputs[] = {IDC_EXIT,           IDC_YOUTUBE_ACCOUNT, IDC_GOOGLE_ACCOUNT, IDC_BROWSE,
                       IDC_SAVE_USER_INFO, IDC_USERNAME,        IDC_PASSWORD,       IDC_TITLE,
                       IDC_DESCRIPTION,    IDC_KEYWORDS,        IDC_CATEGORY,       IDC_BROADCAST};
// Enter moves along this chain; on Browse it opens the file dialog.
const int kEnterChain[] = {IDC_USERNAME, IDC_PASSWORD, IDC_TITLE,     IDC_DESCRIPTION,
                           IDC_KEYWORDS, IDC_CATEGORY, IDC_BROADCAST, IDC_BROWSE};
const int kLabels[] = {IDC_LABEL_ACCOUNT,  IDC_LABEL_USERNAME, IDC_LABEL_EMAIL,       IDC_LABEL_PASSWORD,
                       IDC_LABEL_FILE,     IDC_LABEL_TITLE,    IDC_LABEL_DESCRIPTION, IDC_LABEL_KEYWORDS,
                       IDC_LABEL_CATEGORY, IDC_LABEL_BROADCAST};

}  // namespace

BEGIN_MESSAGE_MAP(CCorrinDlg, CDialog)
ON_WM_ERASEBKGND()
ON_WM_CTLCOLOR()
ON_WM_LBUTTONDOWN()
ON_WM_SYSCOMMAND()
ON_WM_CLOSE()
ON_BN_CLICKED(IDC_BROWSE, &CCorrinDlg::OnBrowse)
ON_BN_CLICKED(IDC_UPLOAD, &CCorrinDlg::OnUpload)
ON_BN_CLICKED(IDC_STOP, &CCorrinDlg::OnStop)
ON_BN_CLICKED(IDC_EXIT, &CCorrinDlg::OnExit)
ON_BN_CLICKED(IDC_CLOSE, &CCorrinDlg::OnExit)
ON_BN_CLICKED(IDC_YOUTUBE_ACCOUNT, &CCorrinDlg::OnAccountYouTube)
ON_BN_CLICKED(IDC_GOOGLE_ACCOUNT, &CCorrinDlg::OnAccountGoogle)
ON_EN_CHANGE(IDC_USERNAME, &CCorrinDlg::OnFieldChanged)
ON_EN_CHANGE(IDC_PASSWORD, &CCorrinDlg::OnFieldChanged)
ON_EN_CHANGE(IDC_FILE_PATH, &CCorrinDlg::OnFieldChanged)
ON_EN_CHANGE(IDC_TITLE, &CCorrinDlg::OnFieldChanged)
ON_EN_CHANGE(IDC_DESCRIPTION, &CCorrinDlg::OnFieldChanged)
ON_EN_CHANGE(IDC_KEYWORDS, &CCorrinDlg::OnFieldChanged)
ON_CBN_SELCHANGE(IDC_CATEGORY, &CCorrinDlg::OnFieldChanged)
ON_CBN_SELCHANGE(IDC_BROADCAST, &CCorrinDlg::OnFieldChanged)
ON_EN_SETFOCUS(IDC_KEYWORDS, &CCorrinDlg::OnKeywordsFocus)
ON_EN_KILLFOCUS(IDC_KEYWORDS, &CCorrinDlg::OnKeywordsBlur)
ON_CONTROL_RANGE(EN_SETFOCUS, IDC_USERNAME, IDC_PASSWORD, &CCorrinDlg::OnEditFocus)
ON_CONTROL_RANGE(EN_SETFOCUS, IDC_TITLE, IDC_DESCRIPTION, &CCorrinDlg::OnEditFocus)
ON_MESSAGE(WM_UPLOAD_NOTIFY, &CCorrinDlg::OnUploadProgress)
ON_MESSAGE(WM_UPLOADER_LINK, &CCorrinDlg::On_Converting_MsgReceive)
ON_MESSAGE(WM_EDITOR_CONVERSION, &CCorrinDlg::OnEditorConversion)
END_MESSAGE_MAP()

CCorrinDlg::CCorrinDlg(HINSTANCE images, bool compact, CWnd* parent)
    : CDialog(IDD_CORRIN_DIALOG, parent), m_hImages(images), m_bCompact(compact) {}

CCorrinDlg::~CCorrinDlg() {
  // A window torn down without closing still leaves no upload running into freed code.
  UnbindUploader();
  if (m_hBackground) DeleteObject(m_hBackground);
  if (m_hBackgroundBitmap) DeleteObject(m_hBackgroundBitmap);
  if (m_hHomeBitmap) DeleteObject(m_hHomeBitmap);
  for (HFONT font : m_fonts)
    if (font) DeleteObject(font);
}

BOOL CCorrinDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (HMENU menu = GetSystemMenu(m_hWnd, FALSE)) {
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING, IDM_ABOUTBOX, ResString(IDS_ABOUTBOX, "&About Corrin...").c_str());
  }
  SetWindowText(ResString(IDS_CAPTION, "Publish - YouTube"));
  m_strHint = ResString(IDS_KEYWORD_HINT, "(Enter keywords separated by commas.)");
  MakeFonts();
  LoadSkin();
  PlaceControls();

  DWORD save = 0;
  ReadRegDword(HKEY_CURRENT_USER, kCorrinKey, "SaveUserInfo", save, 0);
  if (save == 1) {
    m_save->SetCheck(BST_CHECKED);
    std::string user;
    ReadRegString(HKEY_CURRENT_USER, kCorrinKey, "Username", user, nullptr);
    m_user.SetWindowText(user);
    m_password.SetWindowText(LoadPassword(HKEY_CURRENT_USER, kCorrinKey));
    DWORD account = 0;
    ReadRegDword(HKEY_CURRENT_USER, kCorrinKey, "AccountValue", account, 0);
    m_nAccountType = account == 1 ? 1 : 0;
  }
  std::string file;
  ReadRegString(HKEY_CURRENT_USER, kCorrinKey, "FilePath", file, nullptr);
  if (!m_strCmdFile.empty()) file = m_strCmdFile;
  m_file.SetWindowText(file);

  FillCombos();
  ResetUpload();
  CreateToolTips();
  m_keywords.SetWindowText(m_strHint);

  DWORD main = 0;
  ReadRegDword(HKEY_CURRENT_USER, kCorrinKey, "MainHwnd", main, 0);
  m_hMain = DwordToHandle<HWND>(main);
  WriteRegDword(HKEY_CURRENT_USER, kCorrinKey, "SubHwnd", HandleToDword(m_hWnd));
  PostToMain(PUBLISH_READY);
  SelectAccount(0);
  EvaluateUpload();
  return TRUE;
}

void CCorrinDlg::MakeFonts() {
  struct FontSpec {
    UINT face, height;
    int weight;
  };
  const FontSpec specs[5] = {{IDS_FONT_TITLE, IDS_HEIGHT_TITLE, 900},
                             {IDS_FONT_LABEL, IDS_HEIGHT_LABEL, 600},
                             {IDS_FONT_LABEL2, IDS_HEIGHT_LABEL2, 600},
                             {IDS_FONT_TEXT, IDS_HEIGHT_TEXT, 400},
                             {IDS_FONT_TEXT2, IDS_HEIGHT_TEXT2, 400}};
  for (int i = 0; i < 5; ++i) {
    const int height = std::atoi(ResString(specs[i].height, "").c_str());
    const std::string face = ResString(specs[i].face, "");
    if (height > 0 && !face.empty())
      m_fonts[i] = CreateFont(-height, 0, 0, 0, specs[i].weight, 0, 0, 0, 0, 0, 0, 0, 0, face.c_str());
    if (!m_fonts[i]) m_fonts[i] = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }
}

void CCorrinDlg::LoadSkin() {
  for (auto [edit, id] : {std::pair{&m_user, IDC_USERNAME}, std::pair{&m_password, IDC_PASSWORD},
                          std::pair{&m_file, IDC_FILE_PATH}, std::pair{&m_title, IDC_TITLE},
                          std::pair{&m_description, IDC_DESCRIPTION}, std::pair{&m_keywords, IDC_KEYWORDS}}) {
    edit->SubclassDlgItem(static_cast<UINT>(id), this);
    edit->SetColors(kEditBackground, kEditBackground, kLabelText);
    edit->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[3]), TRUE);
  }
  m_category = std::make_unique<CSkinBitmapComboBox>(m_hImages, IDB_COMBO_ARROW);
  m_broadcast = std::make_unique<CSkinBitmapComboBox>(m_hImages, IDB_COMBO_ARROW);
  m_category->SubclassDlgItem(IDC_CATEGORY, this);
  m_broadcast->SubclassDlgItem(IDC_BROADCAST, this);
  m_save = std::make_unique<CSkinBitmapCheckBox>(m_hImages, IDB_CHECK, 14);
  m_save->SubclassDlgItem(IDC_SAVE_USER_INFO, this);
  struct Skin {
    CSkinBitmapButton* button;
    int id;
    UINT bitmap;
    int cx, cy;
  };
  const Skin skins[] = {{&m_browse, IDC_BROWSE, IDB_BUTTON_SMALL, 80, 22},
                        {&m_upload, IDC_UPLOAD, IDB_BUTTON_WIDE, 100, 30},
                        {&m_stop, IDC_STOP, IDB_BUTTON_WIDE, 100, 30},
                        {&m_exit, IDC_EXIT, IDB_BUTTON_SMALL, 80, 22},
                        {&m_close, IDC_CLOSE, IDB_CLOSE, 20, 20}};
  for (const Skin& skin : skins) {
    skin.button->SubclassDlgItem(static_cast<UINT>(skin.id), this);
    skin.button->LoadBitmaps(m_hImages, skin.bitmap, skin.cx, skin.cy);
    skin.button->SetShowText(skin.id != IDC_CLOSE);
  }
  m_progress.SubclassDlgItem(IDC_PROGRESS, this);
  m_progress.LoadBitmap(m_hImages, IDB_PROGRESS);
  m_hBackgroundBitmap = skin::LoadModuleBitmap(m_hImages, m_bCompact ? IDB_BACKGROUND_COMPACT : IDB_BACKGROUND);
  m_hBackground = m_hBackgroundBitmap ? CreatePatternBrush(m_hBackgroundBitmap) : CreateSolidBrush(kBackground);
  for (CWnd* combo : {static_cast<CWnd*>(m_category.get()), static_cast<CWnd*>(m_broadcast.get())})
    combo->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[3]), TRUE);
  m_category->SetBackgroundBrush(m_hBackground);
  m_broadcast->SetBackgroundBrush(m_hBackground);
  m_save->SetBackgroundBrush(m_hBackground);

  m_terms.SubclassDlgItem(IDC_TERMS_LINK, this);
  m_terms.SetWindowText(ResString(IDS_TERMS_LINK, "Terms of Use"));
  m_terms.SetFontFace(ResString(IDS_FONT_TEXT, "Verdana"));
  m_terms.SetFontHeight(std::atoi(ResString(IDS_HEIGHT_TEXT, "11").c_str()));
  m_terms.SetFontWeight(900);
  m_terms.SetTextColor(kTermsColour);
  m_terms.SetLink(kTermsAddress);
  m_home.SubclassDlgItem(IDC_HOME_LINK, this);
  m_hHomeBitmap = skin::LoadModuleBitmap(m_hImages, IDB_HOME_LINK);
  if (m_hHomeBitmap) m_home.SetBitmap(m_hHomeBitmap);
  m_home.SetBackgroundBrush(m_hBackground);
  m_home.SetLink(kHomeAddress);
}

void CCorrinDlg::PlaceControls() {
  const corrin::LayoutSize size = m_bCompact ? corrin::kCompactLayout : corrin::kFullLayout;
  SetWindowPos(nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER);
  for (const corrin::ControlPlace& place : corrin::kPlaces)
    if (HWND control = ::GetDlgItem(m_hWnd, place.id))
      ::MoveWindow(control, place.x, m_bCompact ? place.compactY : place.y, place.w,
                   m_bCompact ? place.compactH : place.h, TRUE);
  // The terms link sits where it falls in its line, after "By clicking ".
  HDC dc = ::GetDC(m_hWnd);
  HGDIOBJ old = SelectObject(dc, m_fonts[4]);
  SIZE head{};
  const std::string text = ResString(IDS_TERMS_HEAD, "By clicking") + " ";
  GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &head);
  // A label whose text is wider than itself wraps instead of centring on one line.
  SelectObject(dc, m_fonts[1]);
  for (int id : kLabels) {
    HWND label = ::GetDlgItem(m_hWnd, id);
    if (!label) continue;
    ::SendMessage(label, WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[1]), TRUE);
    SIZE extent{};
    const std::string caption = CWnd::FromHandle(label)->GetWindowText();
    GetTextExtentPoint32(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    RECT r;
    ::GetClientRect(label, &r);
    CWnd::FromHandle(label)->ModifyStyle(extent.cx > r.right ? SS_CENTERIMAGE : 0,
                                         extent.cx > r.right ? 0 : SS_CENTERIMAGE);
  }
  SIZE link{};
  SelectObject(dc, m_fonts[4]);
  const std::string linkText = ResString(IDS_TERMS_LINK, "Terms of Use");
  GetTextExtentPoint32(dc, linkText.c_str(), static_cast<int>(linkText.size()), &link);
  SelectObject(dc, old);
  ::ReleaseDC(m_hWnd, dc);
  m_terms.MoveWindow(20 + head.cx, m_bCompact ? corrin::kTermsLineYCompact : corrin::kTermsLineY, link.cx + 8, 16);
  for (int id : {IDC_STATUS, IDC_NOTE}) SendDlgItemMessage(id, WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[3]), TRUE);
  for (CWnd* w : {static_cast<CWnd*>(&m_browse), static_cast<CWnd*>(&m_upload), static_cast<CWnd*>(&m_stop),
                  static_cast<CWnd*>(&m_exit), static_cast<CWnd*>(m_save.get())})
    w->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[2]), TRUE);
  for (int id : {IDC_YOUTUBE_ACCOUNT, IDC_GOOGLE_ACCOUNT})
    SendDlgItemMessage(id, WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[4]), TRUE);
}

void CCorrinDlg::FillCombos() {
  for (int i = 0; i <= IDS_CATEGORY_LAST - IDS_CATEGORY_FIRST; ++i)
    m_category->AddString(ResString(static_cast<UINT>(IDS_CATEGORY_FIRST + i), kCategoryKeywords[i]));
  m_category->SetCurSel(kPeopleIndex);
  m_broadcast->AddString(ResString(IDS_BROADCAST_PUBLIC, "Public by default"));
  m_broadcast->AddString(ResString(IDS_BROADCAST_PRIVATE, "Private"));
  m_broadcast->SetCurSel(0);
}

void CCorrinDlg::CreateToolTips() {
  m_tips.Create(this);
  m_tips.AddTool(&m_exit, ResString(IDS_TIP_CLOSE, "Close"));
  m_tips.AddTool(&m_close, ResString(IDS_TIP_CLOSE, "Close"));
  m_tips.AddTool(&m_upload, ResString(IDS_TIP_UPLOAD, "Upload"));
  m_tips.AddTool(&m_stop, ResString(IDS_TIP_STOP, "Stop"));
  m_tips.AddTool(&m_browse, ResString(IDS_TIP_BROWSE, "Browse ..."));
  m_tips.AddTool(GetDlgItem(IDC_YOUTUBE_ACCOUNT), ResString(IDS_TIP_YOUTUBE, "YouTube Format"));
  m_tips.AddTool(GetDlgItem(IDC_GOOGLE_ACCOUNT), ResString(IDS_TIP_GOOGLE, "Google Format"));
  m_tips.Activate(TRUE);
}

BOOL CCorrinDlg::PreTranslateMessage(MSG* msg) {
  if (m_tips.m_hWnd) m_tips.RelayEvent(msg);
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) return TRUE;
  return CDialog::PreTranslateMessage(msg);
}

// Enter arrives as the dialog's OK: it walks the fields instead of closing the window.
void CCorrinDlg::OnOK() {
  const int focus = ::GetDlgCtrlID(::GetFocus());
  for (size_t i = 0; i < std::size(kEnterChain); ++i) {
    if (kEnterChain[i] != focus) continue;
    if (focus == IDC_BROWSE) {
      OnBrowse();
    } else {
      ::SetFocus(::GetDlgItem(m_hWnd, kEnterChain[i + 1]));
    }
    return;
  }
}

BOOL CCorrinDlg::OnEraseBkgnd(CDC* dc) {
  if (!dc) return FALSE;
  CRect r;
  GetClientRect(&r);
  HDC hdc = dc->GetSafeHdc();
  FillRect(hdc, &r, m_hBackground);
  SetBkMode(hdc, TRANSPARENT);
  HGDIOBJ old = SelectObject(hdc, m_fonts[0]);
  ::SetTextColor(hdc, kTitleColour);
  RECT title{20, 12, r.right - 40, 36};
  const std::string caption = ResString(IDS_CAPTION, "Publish - YouTube");
  DrawText(hdc, caption.c_str(), static_cast<int>(caption.size()), &title, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  SelectObject(hdc, old);
  PaintTerms(hdc);
  return TRUE;
}

void CCorrinDlg::PaintTerms(HDC dc) {
  HGDIOBJ old = SelectObject(dc, m_fonts[4]);
  ::SetTextColor(dc, kTermsColour);
  const int y = m_bCompact ? corrin::kTermsLineYCompact : corrin::kTermsLineY;
  const std::string head = ResString(IDS_TERMS_HEAD, "By clicking") + " ";
  RECT line{20, y, 600, y + 16};
  DrawText(dc, head.c_str(), static_cast<int>(head.size()), &line, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  CRect link;
  m_terms.GetWindowRect(&link);
  ScreenToClient(&link);
  const std::string tail = ", " + ResString(IDS_TERMS_TAIL, "");
  RECT after{link.right, y, 600, y + 16};
  DrawText(dc, tail.c_str(), static_cast<int>(tail.size()), &after, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  const std::string next = ResString(IDS_TERMS_NEXT_LINE, "");
  RECT below{20, y + 18, 600, y + 34};
  DrawText(dc, next.c_str(), static_cast<int>(next.size()), &below, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  SelectObject(dc, old);
}

HBRUSH CCorrinDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  if ((ctlColor == CTLCOLOR_STATIC || ctlColor == CTLCOLOR_BTN) && dc) {
    ::SetTextColor(dc->GetSafeHdc(), wnd && wnd->GetDlgCtrlID() == IDC_TERMS_LINK ? kTermsColour : kLabelText);
    SetBkMode(dc->GetSafeHdc(), TRANSPARENT);
    // The background's pattern lines up with the dialog's under every control.
    if (wnd) {
      CRect r;
      wnd->GetWindowRect(&r);
      ScreenToClient(&r);
      SetBrushOrgEx(dc->GetSafeHdc(), -r.left, -r.top, nullptr);
    }
    return m_hBackground;
  }
  return CDialog::OnCtlColor(dc, wnd, ctlColor);
}

void CCorrinDlg::OnLButtonDown(UINT flags, CPoint point) {
  // The window has no caption: its background moves it.
  ReleaseCapture();
  SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
  CDialog::OnLButtonDown(flags, point);
}

void CCorrinDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    CDialog about(IDD_ABOUTBOX, this);
    about.DoModal();
    return;
  }
  CDialog::OnSysCommand(id, lParam);
}

// Fields and the rule that enables Upload.

std::string CCorrinDlg::Field(int id) const {
  std::string text;
  GetDlgItemText(id, text);
  return text;
}

void CCorrinDlg::EvaluateUpload() {
  if (m_bUploading || m_bWaitingRender) return;
  bool ready = true;
  for (int id : {IDC_USERNAME, IDC_PASSWORD, IDC_TITLE, IDC_DESCRIPTION, IDC_KEYWORDS, IDC_FILE_PATH})
    ready = ready && !Field(id).empty();
  ready = ready && Field(IDC_KEYWORDS) != m_strHint;
  m_upload.EnableWindow(ready);
}

void CCorrinDlg::OnFieldChanged() { EvaluateUpload(); }

void CCorrinDlg::OnKeywordsFocus() {
  if (Field(IDC_KEYWORDS) == m_strHint) m_keywords.SetWindowText("");
  m_keywords.SetSel(0, -1);
}

void CCorrinDlg::OnKeywordsBlur() {
  if (Field(IDC_KEYWORDS).empty()) m_keywords.SetWindowText(m_strHint);
}

void CCorrinDlg::OnEditFocus(UINT id) { SendDlgItemMessage(static_cast<int>(id), EM_SETSEL, 0, -1); }

void CCorrinDlg::SelectAccount(int type) {
  m_nAccountType = type;
  CheckDlgButton(IDC_YOUTUBE_ACCOUNT, type == 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(IDC_GOOGLE_ACCOUNT, type == 1 ? BST_CHECKED : BST_UNCHECKED);
  ::ShowWindow(::GetDlgItem(m_hWnd, IDC_LABEL_USERNAME), type == 0 ? SW_SHOW : SW_HIDE);
  ::ShowWindow(::GetDlgItem(m_hWnd, IDC_LABEL_EMAIL), type == 1 ? SW_SHOW : SW_HIDE);
}

void CCorrinDlg::OnAccountYouTube() { SelectAccount(0); }
void CCorrinDlg::OnAccountGoogle() { SelectAccount(1); }

void CCorrinDlg::OnBrowse() {
  CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, kVideoFilter, this);
  if (dialog.DoModal() != IDOK) return;
  m_file.SetWindowText(dialog.GetPathName());
  m_bEditorMode = false;
  EvaluateUpload();
}

// The upload.

void CCorrinDlg::ShowStatus(const std::string& text) {
  m_strStatus = text;
  m_statusHistory.push_back(text);
  SetDlgItemText(IDC_STATUS, text);
}

void CCorrinDlg::PostToMain(WPARAM code) {
  if (m_hMain) ::PostMessage(m_hMain, WM_UPLOADER_LINK, code, 0);
}

void CCorrinDlg::EnableInputs(bool enable) {
  for (int id : kInputs) ::EnableWindow(::GetDlgItem(m_hWnd, id), enable);
}

void CCorrinDlg::OnUpload() {
  if (!UploadAddressReady()) return;
  if (m_bEditorMode && !m_bWaitingRender) {
    m_progress.SetPos(0);
    ShowStatus(platform::Format(ResString(IDS_CONVERSION_STATUS, "Video conversion status - %d %%").c_str(), 0));
    PostToMain(PUBLISH_RENDER_REQUEST);
    m_bWaitingRender = true;
  } else {
    StartUpload();
  }
  EnableInputs(false);
  m_stop.ShowWindow(SW_SHOW);
  m_upload.ShowWindow(SW_HIDE);
}

bool CCorrinDlg::UploadAddressReady() {
  const UploadAddress address = FindUploadAddress();
  if (address.problem == UploadAddressProblem::None) return true;
  ResetUpload();
  std::string text;
  if (address.problem == UploadAddressProblem::ClearText)
    text = platform::Format(ResString(IDS_CLEAR_TEXT_ADDRESS,
                                      "The upload address \"%s\" would send your password "
                                      "unencrypted, so nothing was sent.")
                                .c_str(),
                            address.configured.c_str());
  else if (address.problem == UploadAddressProblem::Refused)
    text = platform::Format(ResString(IDS_ADDRESS_NOT_ALLOWED, "This upload address is not allowed: %s").c_str(),
                            address.configured.c_str());
  else text = ResString(IDS_NO_UPLOAD_ADDRESS, "No upload address is set, so nothing was sent.");
  ::MessageBox(m_hWnd, text.c_str(), ResString(IDS_CAPTION, "Publish - YouTube").c_str(), MB_OK | MB_ICONWARNING);
  EvaluateUpload();
  return false;
}

void CCorrinDlg::StartUpload() {
  CorrinUpload upload;
  upload.user = Field(IDC_USERNAME);
  upload.password = Field(IDC_PASSWORD);
  upload.accountType = m_nAccountType;
  upload.title = Field(IDC_TITLE);
  upload.description = Field(IDC_DESCRIPTION);
  upload.file = Field(IDC_FILE_PATH);
  upload.broadcast = m_broadcast->GetCurSel() == 1 ? 1 : 0;
  const int category = m_category->GetCurSel();
  upload.category = kCategoryKeywords[category >= 0 && category < 14 ? category : kPeopleIndex];
  upload.keywords = UploadKeywords(Field(IDC_KEYWORDS), upload.file);
  m_keywords.SetWindowText(upload.keywords);

  m_bStop = false;
  if (!m_pUpload && !BindUploader()) {
    ShowStatus(ResString(IDS_LOAD_FAILED, "Status : error... failed to load necessary program file(s)."));
    return;
  }
  m_sent = upload;
  ++m_nUploads;
  m_pUpload(upload.user.c_str(), upload.password.c_str(), upload.accountType, upload.file.c_str(), upload.title.c_str(),
            upload.description.c_str(), upload.keywords.c_str(), upload.category.c_str(), m_hWnd, WM_UPLOAD_NOTIFY, 1,
            upload.broadcast);
}

bool CCorrinDlg::BindUploader() {
  m_hUploader = LoadLibrary(m_strUploaderLibrary.c_str());
  if (!m_hUploader) {
    ShowStatus(ResString(IDS_INIT_FAILED, "Failed to initialize necessary program file(s)."));
    return false;
  }
  m_pUpload = reinterpret_cast<YouTubeUploadFn>(GetProcAddress(m_hUploader, "YouTubeUpload"));
  m_pUploadStop = reinterpret_cast<YouTubeUploadStopFn>(GetProcAddress(m_hUploader, "YouTubeUploadStop"));
  if (!m_pUpload || !m_pUploadStop) {
    ShowStatus(ResString(IDS_ENTRY_MISSING, "Failed to load necessary program file(s)."));
    // Without both entry points the library is of no use; nothing of it stays loaded.
    UnbindUploader();
    return false;
  }
  return true;
}

void CCorrinDlg::UnbindUploader() {
  // The library's Stop has joined its thread, so no code of it runs any more.
  if (m_pUpload && m_pUploadStop) m_pUploadStop();
  m_pUpload = nullptr;
  m_pUploadStop = nullptr;
  if (m_hUploader && !FreeLibrary(m_hUploader))
    ShowStatus(ResString(IDS_UNLOAD_FAILED, "Failed to unload necessary program file(s)."));
  m_hUploader = nullptr;
}

void CCorrinDlg::ResetUpload() {
  if (m_pUpload) UnbindUploader();
  m_bUploading = false;
  m_nUnknownRetry = 3;
  m_nLoginRetry = 1;
  m_progress.SetRange(0, 100);
  m_progress.SetPos(0);
  EnableInputs(true);
  m_stop.ShowWindow(SW_HIDE);
  m_upload.ShowWindow(SW_SHOW);
}

void CCorrinDlg::OnStop() {
  if (m_bEditorMode && m_bWaitingRender) {
    ShowStatus(ResString(IDS_CONVERSION_BY_USER, "Status : Video conversion interrupted by user."));
    PostToMain(PUBLISH_CANCEL);
    m_bWaitingRender = false;
  }
  m_bStop = true;
  ResetUpload();
  EvaluateUpload();
}

LRESULT CCorrinDlg::OnUploadProgress(WPARAM wParam, LPARAM lParam) {
  const int value = HIWORD(lParam);
  switch (wParam) {
    case TOVRIN_STARTED:
      ShowStatus(ResString(IDS_UPLOADING, "Uploading..."));
      m_upload.EnableWindow(FALSE);
      return 0;
    case TOVRIN_PROGRESS:
      m_progress.SetPos(value);
      ShowStatus(platform::Format(ResString(IDS_UPLOAD_STATUS, "Uploading - %d %%").c_str(), value));
      m_bUploading = true;
      return 0;
    case TOVRIN_FINISHED:
      if (value == TOVRIN_LOGIN_REFUSED) {
        ShowStatus(ResString(IDS_LOGIN_ERROR, "Status : Error (incorrect username or password)"));
        if (m_nLoginRetry > 0 && !m_bStop) {
          --m_nLoginRetry;
          OnUpload();
        } else {
          ResetUpload();
        }
      } else if (value == TOVRIN_FAILED) {
        ShowStatus(ResString(IDS_UPLOAD_ERROR, "Status : Error (failed to upload)"));
        ResetUpload();
      } else if (value == TOVRIN_ADDRESS_REFUSED) {
        // Asked before the library goes with the reset.
        std::string named;
        const auto refused = m_hUploader ? reinterpret_cast<YouTubeUploadRefusedAddressFn>(
                                               GetProcAddress(m_hUploader, "YouTubeUploadRefusedAddress"))
                                         : nullptr;
        if (refused) {
          named.resize(static_cast<std::size_t>(std::max(refused(nullptr, 0), 0)) + 1);
          named.resize(static_cast<std::size_t>(refused(named.data(), static_cast<int>(named.size()))));
        }
        ShowStatus(platform::Format(ResString(IDS_ADDRESS_ELSEWHERE,
                                              "Status : Error (the service asked for the video "
                                              "to go to another address: %s; nothing was sent "
                                              "there)")
                                        .c_str(),
                                    named.c_str()));
        ResetUpload();
      } else if (value == TOVRIN_NO_PROGRESS) {
        ShowStatus(ResString(IDS_UPLOAD_NO_PROGRESS, "Status : Error (the server stopped taking the video)"));
        ResetUpload();
      } else if (value == TOVRIN_STOPPED) {
        ShowStatus(ResString(IDS_INTERRUPTED_BY_USER, "Status : Upload interrupted by user."));
        ResetUpload();
      } else {
        ShowStatus(platform::Format(
            ResString(IDS_INTERRUPTED_UNKNOWN, "Status : Upload interrupted by unknown cause.  Retry [%d]").c_str(),
            m_nUnknownRetry));
        if (m_nUnknownRetry > 0 && !m_bStop) {
          --m_nUnknownRetry;
          OnUpload();
        } else {
          ResetUpload();
        }
      }
      break;
    case TOVRIN_COMPLETE:
      ResetUpload();
      ShowStatus(ResString(IDS_UPLOAD_COMPLETE, "Status : Upload Complete."));
      break;
    default:
      ResetUpload();
      ShowStatus(ResString(IDS_ERROR, "Status: Error...."));
      break;
  }
  if (!m_pUpload || !m_bUploading) EvaluateUpload();
  return 0;
}

// The main program and the other editor.

LRESULT CCorrinDlg::On_Converting_MsgReceive(WPARAM wParam, LPARAM lParam) {
  switch (wParam) {
    case PUBLISH_PROGRESS:
      if (m_bWaitingRender) {
        ShowStatus(platform::Format(ResString(IDS_CONVERSION_STATUS, "Video conversion status - %d %%").c_str(),
                                    static_cast<int>(lParam)));
        m_progress.SetPos(static_cast<int>(lParam));
      }
      break;
    case PUBLISH_FAILED:
      m_bWaitingRender = false;
      ResetUpload();
      ShowStatus(ResString(IDS_CONVERSION_UNKNOWN, "Status : Video conversion interrupted by unknown cause."));
      EvaluateUpload();
      break;
    case PUBLISH_CANCEL:
      m_bWaitingRender = false;
      ResetUpload();
      ShowStatus(ResString(IDS_CONVERSION_BY_USER, "Status : Video conversion interrupted by user."));
      EvaluateUpload();
      break;
    case PUBLISH_DONE: {
      m_bWaitingRender = false;
      ResetUpload();
      std::string file;
      ReadRegString(HKEY_CURRENT_USER, kCorrinKey, "File", file, nullptr);
      ShowStatus(file);
      m_file.SetWindowText(file);
      m_bEditorMode = false;
      OnUpload();
      break;
    }
    case PUBLISH_PING: return kPingAnswer;
    default: break;
  }
  return 1;
}

LRESULT CCorrinDlg::OnEditorConversion(WPARAM wParam, LPARAM lParam) {
  if (wParam == 200 && lParam >= 0 && lParam <= 100) {
    ShowStatus(platform::Format(ResString(IDS_CONVERSION_STATUS, "Video conversion status - %d %%").c_str(),
                                static_cast<int>(lParam)));
    m_stop.SetFocus();
    m_progress.SetPos(static_cast<int>(lParam));
  } else if (wParam == 300) {
    ShowStatus(ResString(IDS_CONVERSION_UNKNOWN, "Status : Video conversion interrupted by unknown cause."));
    ResetUpload();
  } else if (wParam == 500) {
    std::string file;
    ReadRegString(HKEY_CURRENT_USER, kVidarroKey, "FilePath", file, nullptr);
    m_file.SetWindowText(file);
    ShowStatus(platform::Format(ResString(IDS_UPLOAD_STATUS, "Uploading - %d %%").c_str(), 0));
    m_progress.SetPos(0);
    if (UploadAddressReady()) StartUpload();
  }
  return 0;
}

void CCorrinDlg::OnClose() {
  if (m_bClosed) return;
  m_bClosed = true;
  if (m_pUpload) {
    OnStop();
    UnbindUploader();
  }
  if (m_save->GetCheck() == BST_CHECKED) {
    WriteRegString(HKEY_CURRENT_USER, kCorrinKey, "Username", Field(IDC_USERNAME));
    StorePassword(HKEY_CURRENT_USER, kCorrinKey, Field(IDC_PASSWORD));
    WriteRegDword(HKEY_CURRENT_USER, kCorrinKey, "AccountValue", static_cast<DWORD>(m_nAccountType));
    WriteRegDword(HKEY_CURRENT_USER, kCorrinKey, "SaveUserInfo", 1);
  } else {
    WriteRegDword(HKEY_CURRENT_USER, kCorrinKey, "SaveUserInfo", 0);
    // The user asked not to keep the account: the password does not stay behind.
    ForgetPassword(HKEY_CURRENT_USER, kCorrinKey);
  }
  PostToMain(PUBLISH_CLOSING);
  EndDialog(IDCANCEL);
}
