#include "disc_pages.h"

#include "resources/skin_ids.h"

#include "disc_check.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "wait_cursor.h"
#include "wendrel_dlg.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_text.h"

using wizard::State;
using wizard::Text;
using wizard::Writer;

namespace {

constexpr COLORREF kGreyText = RGB(130, 145, 153);
constexpr COLORREF kBlueText = RGB(0, 170, 255);

// The page after the disc and writer pages: the player pages for DVD, the connect page for
// Blu-ray.
int SourcePage() { return State().IsBluRay() ? IDD_PAGE_CONNECT : IDD_PAGE_PLAYER; }

}  // namespace

// ---- 241 disc type

BEGIN_MESSAGE_MAP(CDiscTypePage, CWizardPage)
ON_BN_CLICKED(IDC_DVD, &CDiscTypePage::OnDvd)
ON_BN_CLICKED(IDC_BLU_RAY, &CDiscTypePage::OnBluRay)
END_MESSAGE_MAP()

CDiscTypePage::CDiscTypePage() : CWizardPage(IDD_PAGE_DISC_TYPE) {}

BOOL CDiscTypePage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  HMODULE ui = State().uiLibrary;
  SetBackground(IDB_DISC_TYPE_PAGE, ui);
  SetItemFont(IDC_PROMPT, 50, 35, 650, 60, m_fontLarge);
  SetTextColour(IDC_PROMPT, kGreyText);
  m_dvd.SubclassDlgItem(IDC_DVD, this);
  m_dvd.LoadBitmap(ui, IDB_DVD_BUTTON);
  m_dvd.MoveTo(163, 97);
  m_dvd.SetToolTip(IDS_TIP_DVD_DISC);
  m_bluRay.SubclassDlgItem(IDC_BLU_RAY, this);
  m_bluRay.LoadBitmap(ui, IDB_BD_BUTTON);
  m_bluRay.MoveTo(403, 97);
  m_bluRay.SetToolTip(IDS_TIP_BD_DISC);
  return TRUE;
}

void CDiscTypePage::OnSetActive() {
  State().writerCount = 0;
  State().discKind = 0;
  State().freeBlocks = 0;
  ShowStep(this, StepTitle("1.", IDS_SELECT_DISC), 1);
  ShowChoice();
  if (m_pHost) m_pHost->EnableBack(FALSE);
}

void CDiscTypePage::ShowChoice() {
  // The chosen disc reads as pressed.
  ::EnableWindow(m_dvd.m_hWnd, State().IsBluRay());
  ::EnableWindow(m_bluRay.m_hWnd, !State().IsBluRay());
}

void CDiscTypePage::OnDvd() {
  State().discType = 0;
  State().writeSpeedIndex = 0;
  ShowChoice();
}

void CDiscTypePage::OnBluRay() {
  State().discType = 1;
  State().writeSpeedIndex = 0;
  ShowChoice();
}

int CDiscTypePage::GetNextPage() {
  CQnDataCDDVD& writer = Writer();
  writer.SetBurnMode(State().IsBluRay() ? 8 : 0);
  State().writerCount = writer.GetDriveCount();
  if (State().writerCount == 1) {
    writer.ChooseDrive(0);
    return IDD_PAGE_BLANK_DISC;
  }
  return State().writerCount == 0 ? IDD_PAGE_NO_WRITER : IDD_PAGE_WRITER;
}

// ---- 196 no writer

BEGIN_MESSAGE_MAP(CNoWriterPage, CWizardPage)
ON_BN_CLICKED(IDC_SAVE_TO_PC, &CNoWriterPage::OnSaveToPC)
END_MESSAGE_MAP()

CNoWriterPage::CNoWriterPage() : CWizardPage(IDD_PAGE_NO_WRITER) {}

BOOL CNoWriterPage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  SetBackground(IDB_NO_WRITER_PAGE, State().uiLibrary);
  SetItemFont(IDC_PROMPT, 50, 35, 400, 200, m_fontLarge);
  SetItemFont(IDC_SAVE_TO_PC, 50, 299, 700, 34, m_fontSmall);
  SetTextColour(IDC_PROMPT, kGreyText);
  m_saveToPC = std::make_unique<CSkinCheckBox>(State().uiLibrary, IDB_SKIN_CHECKBOX, 13);
  m_saveToPC->SubclassDlgItem(IDC_SAVE_TO_PC, this);
  m_saveToPC->SetTextColor(kBlueText);
  m_saveToPC->SetBackgroundBrush(BackgroundBrush());
  return TRUE;
}

void CNoWriterPage::OnSetActive() {
  const bool bd = State().IsBluRay();
  SetDlgItemText(IDC_PROMPT, Text(bd ? IDS_NO_BD_WRITER : IDS_NO_DVD_WRITER).c_str());
  // The skin box takes its caption when it is attached.
  m_saveToPC->UnsubclassWindow();
  SetDlgItemText(IDC_SAVE_TO_PC, Text(bd ? IDS_CREATE_BD_FOLDER : IDS_CREATE_DVD_FOLDER).c_str());
  m_saveToPC->SubclassDlgItem(IDC_SAVE_TO_PC, this);
  CheckDlgButton(IDC_SAVE_TO_PC, State().saveToPC ? BST_CHECKED : BST_UNCHECKED);
  ShowStep(this, Text(IDS_INFORMATION), 2);
  if (m_pHost) m_pHost->EnableNext(State().saveToPC != 0);
}

void CNoWriterPage::OnSaveToPC() {
  State().saveToPC = IsDlgButtonChecked(IDC_SAVE_TO_PC) == BST_CHECKED ? 1 : 0;
  if (m_pHost) m_pHost->EnableNext(State().saveToPC != 0);
}

int CNoWriterPage::GetBackPage() { return IDD_PAGE_DISC_TYPE; }
int CNoWriterPage::GetNextPage() { return State().saveToPC ? SourcePage() : -1; }

// ---- 337 writer

BEGIN_MESSAGE_MAP(CWriterPage, CWizardPage)
ON_WM_TIMER()
ON_CBN_SELCHANGE(IDC_WRITER_LIST, &CWriterPage::OnSelectionChange)
ON_BN_CLICKED(IDC_EJECT, &CWriterPage::OnEject)
END_MESSAGE_MAP()

CWriterPage::CWriterPage() : CWizardPage(IDD_PAGE_WRITER) {}

BOOL CWriterPage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  HMODULE ui = State().uiLibrary;
  SetBackground(IDB_WRITER_PAGE, ui);
  SetItemFont(IDC_PROMPT, 50, 35, 600, 40, m_fontLarge);
  SetItemFont(IDC_WRITER_LIST, 49, 192, 270, 100, m_fontSmall);
  SetTextColour(IDC_PROMPT, kGreyText);
  m_eject.SubclassDlgItem(IDC_EJECT, this);
  m_eject.LoadBitmap(ui, IDB_EJECT);
  m_eject.MoveTo(320, 183);
  m_eject.SetToolTip(IDS_TIP_EJECT);
  m_writers = std::make_unique<CSkinComboBox>(ui, IDB_SKIN_COMBO_ARROW);
  m_writers->SubclassDlgItem(IDC_WRITER_LIST, this);
  m_writers->SetTextColor(kGreyText);
  m_writers->SetBackgroundBrush(BackgroundBrush());
  return TRUE;
}

void CWriterPage::OnSetActive() {
  const bool bd = State().IsBluRay();
  SetDlgItemText(IDC_PROMPT, Text(bd ? IDS_PICK_BD_WRITER : IDS_PICK_DVD_WRITER).c_str());
  ShowStep(this, StepTitle("1-1.", bd ? IDS_SELECT_BD_WRITER : IDS_SELECT_DVD_WRITER), 1);
  m_filled = false;
  SetTimer(kFillTimer, 100);
}

void CWriterPage::OnTimer(UINT_PTR id) {
  if (id != kFillTimer) return CWizardPage::OnTimer(id);
  KillTimer(kFillTimer);
  FillList();
}

void CWriterPage::FillList() {
  wizard::WaitCursor wait;
  HWND list = ::GetDlgItem(m_hWnd, IDC_WRITER_LIST);
  ::SendMessage(list, CB_RESETCONTENT, 0, 0);
  CQnDataCDDVD& writer = Writer();
  int selected = 0;
  const int count = writer.GetDriveCount();
  for (int i = 0; i < count; ++i) {
    const char* name = writer.GetDriveName(static_cast<unsigned char>(i));
    const std::string text = name ? name : "";
    ::SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (text == State().writerName) selected = i;
  }
  ::SendMessage(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  ApplySelection();
  m_filled = true;
}

void CWriterPage::ApplySelection() {
  HWND list = ::GetDlgItem(m_hWnd, IDC_WRITER_LIST);
  const LRESULT index = ::SendMessage(list, CB_GETCURSEL, 0, 0);
  if (index < 0) return;
  const char* name = Writer().GetDriveName(static_cast<unsigned char>(index));
  State().writerName = name ? name : "";
  Writer().ChooseDrive(static_cast<unsigned char>(index));
}

void CWriterPage::OnSelectionChange() { ApplySelection(); }
void CWriterPage::OnEject() { Writer().UnloadMedium(); }

int CWriterPage::GetBackPage() { return IDD_PAGE_DISC_TYPE; }
int CWriterPage::GetNextPage() {
  // Next taken before the list was filled must still leave with a writer chosen, or the
  // blank-disc check asks a drive nobody selected.
  if (!m_filled) {
    KillTimer(kFillTimer);
    FillList();
  }
  return IDD_PAGE_BLANK_DISC;
}

// ---- 129 blank disc

BEGIN_MESSAGE_MAP(CBlankDiscPage, CWizardPage)
ON_WM_TIMER()
END_MESSAGE_MAP()

CBlankDiscPage::CBlankDiscPage() : CWizardPage(IDD_PAGE_BLANK_DISC) {}

BOOL CBlankDiscPage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  SetBackground(IDB_BLANK_DISC_PAGE, State().uiLibrary);
  SetItemFont(IDC_PROMPT, 50, 35, 650, 40, m_fontLarge);
  SetItemFont(IDC_HINT, 50, 75, 650, 60, m_fontSmall);
  SetTextColour(IDC_PROMPT, kGreyText);
  SetTextColour(IDC_HINT, kBlueText);
  return TRUE;
}

void CBlankDiscPage::OnSetActive() {
  const bool bd = State().IsBluRay();
  SetDlgItemText(IDC_PROMPT, Text(bd ? IDS_INSERT_BLANK_BD_PROMPT : IDS_INSERT_BLANK_DVD_PROMPT).c_str());
  SetDlgItemText(IDC_HINT, Text(bd ? IDS_BD_EXAMPLES : IDS_DVD_EXAMPLES).c_str());
  ShowStep(this, StepTitle("2.", bd ? IDS_INSERT_BLANK_BD : IDS_INSERT_BLANK_DVD), 2);
  if (m_pHost) {
    m_pHost->EnableBack(TRUE);
    m_pHost->EnableNext(TRUE);
  }
  m_unlockPending = true;
  SetTimer(kUnlockTimer, 100);
}

void CBlankDiscPage::OnTimer(UINT_PTR id) {
  if (id != kUnlockTimer) return CWizardPage::OnTimer(id);
  Unlock();
}

void CBlankDiscPage::Unlock() {
  KillTimer(kUnlockTimer);
  if (!m_unlockPending) return;
  m_unlockPending = false;
  wizard::WaitCursor wait;
  Writer().UnlockMedium();
}

// A tick left running would unlock the disc the check just locked, long after the page has gone.
BOOL CBlankDiscPage::OnKillActive() {
  KillTimer(kUnlockTimer);
  m_unlockPending = false;
  return TRUE;
}

int CBlankDiscPage::GetBackPage() { return State().writerCount < 2 ? IDD_PAGE_DISC_TYPE : IDD_PAGE_WRITER; }

int CBlankDiscPage::GetNextPage() {
  // Next before the first tick: a refused disc must still come out of an unlocked tray.
  Unlock();
  const BOOL passed = State().IsBluRay() ? wizard::CheckBluRayDisc(this) : wizard::CheckDvdDisc(this);
  if (!passed) {
    State().freeBlocks = 0;
    return -1;
  }
  Writer().LockMedium();
  State().freeBlocks = Writer().GetFreeDiscBlock();
  return SourcePage();
}
