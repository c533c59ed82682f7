#include "burn_dlg_frame.h"

#include <algorithm>
#include <filesystem>
#include <strings.h>

#include "auvry_burn_ids.h"
#include "burn_rules.h"
#include "burn_text.h"
#include "disc_check.h"
#include "pcm_decoder.h"
#include "platform/registry/registry.h"
#include "platform/shell/file_dialog.h"
#include "platform/window/afx_app.h"
#include "platform/window/device_change.h"
#include "platform/window/resources.h"
#include "skin_ids.h"
#include "widgets/reg_helpers.h"

namespace {

constexpr const char* kProductKey = "SOFTWARE\\Narvell\\Vidarro 5";
constexpr COLORREF kStaticText = RGB(130, 145, 153);
constexpr COLORREF kDisabledCaption = RGB(67, 71, 73);
constexpr COLORREF kComboBack = RGB(54, 61, 64);

HINSTANCE ModuleOf(UINT bitmap) { return AfxFindResourceHandle(MAKEINTRESOURCE(bitmap), RT_BITMAP); }

std::string CanonicalPath(const std::string& path) {
  std::error_code error;
  const auto canonical = std::filesystem::weakly_canonical(path, error);
  return error ? path : canonical.string();
}

void Place(HWND dialog, int id, int x, int y, int w, int h) {
  if (HWND item = ::GetDlgItem(dialog, id)) ::MoveWindow(item, x, y, w, h, TRUE);
}

}  // namespace

BEGIN_MESSAGE_MAP(CBurnDlgFrame, CDialog)
ON_CBN_SELCHANGE(IDC_BURN_DRIVE, &CBurnDlgFrame::OnDriveChange)
ON_BN_CLICKED(IDC_BURN_ADD, &CBurnDlgFrame::OnAdd)
ON_BN_CLICKED(IDC_BURN_DELETE, &CBurnDlgFrame::OnDeleteRows)
ON_BN_CLICKED(IDC_BURN_EJECT, &CBurnDlgFrame::OnEject)
ON_BN_CLICKED(IDC_BURN_ERASE, &CBurnDlgFrame::OnErase)
ON_BN_CLICKED(IDC_BURN_START, &CBurnDlgFrame::OnBurnButton)
ON_BN_CLICKED(IDC_BURN_EXIT, &CBurnDlgFrame::OnOK)
ON_NOTIFY(LVN_KEYDOWN, IDC_BURN_LIST, &CBurnDlgFrame::OnListKeyDown)
ON_MESSAGE(WM_BURN_WRITER_END, &CBurnDlgFrame::OnWriterBurnEnd)
ON_MESSAGE(WM_ERASE_WRITER_END, &CBurnDlgFrame::OnWriterEraseEnd)
ON_MESSAGE(WM_PCM_DECODER_EVENT, &CBurnDlgFrame::OnDecoderMessage)
ON_WM_TIMER()
ON_WM_CTLCOLOR()
ON_WM_DEVICECHANGE()
ON_WM_LBUTTONDOWN()
ON_WM_CLOSE()
END_MESSAGE_MAP()

CBurnDlgFrame::CBurnDlgFrame(UINT idTemplate, CWnd* parent)
    : CDialog(idTemplate, parent),
      drives_(ModuleOf(IDB_SKIN_COMBO_ARROW), IDB_SKIN_COMBO_ARROW),
      finalize_(ModuleOf(IDB_BURN_CHECK), IDB_BURN_CHECK, 16) {}

CBurnDlgFrame::~CBurnDlgFrame() = default;

HINSTANCE CBurnDlgFrame::Skin() const { return ModuleOf(IDB_BURN_BACKGROUND); }

BOOL CBurnDlgFrame::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(auvry::ProgramTitle());
  LOGFONT lf{};
  ::GetObject(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  lf.lfHeight = -16;
  lf.lfWeight = 900;
  titleFont_.CreateFontIndirect(&lf);
  list_.SubclassDlgItem(IDC_BURN_LIST, this);
  list_.InsertColumns();
  list_.AcceptDrops(auvry::kAcceptFiles,
                    [this](const std::vector<auvry::DroppedPath>& paths) { OnFilesDropped(paths); });
  SkinControls();
  LayOut();
  if (CWnd* title = GetDlgItem(IDC_BURN_TITLE)) title->SetFont(&titleFont_);
  SetDlgItemText(IDC_BURN_TITLE, auvry::BurnText(TitleString()));
  tips_.Create(this);
  AddToolTips();
  return TRUE;
}

void CBurnDlgFrame::SkinControls() {
  HINSTANCE skin = Skin();
  if (HBITMAP back = skin ? ::LoadBitmap(skin, MAKEINTRESOURCE(IDB_BURN_BACKGROUND)) : nullptr) {
    backgroundBitmap_.Attach(back);
    background_.CreatePatternBrush(&backgroundBitmap_);
  }
  comboBrush_.CreateSolidBrush(kComboBack);
  const struct {
    CSkinButton* button;
    int id;
    UINT bitmap;
  } buttons[] = {{&close_, IDOK, IDB_BURN_CLOSE},           {&delete_, IDC_BURN_DELETE, IDB_BURN_DELETE},
                 {&erase_, IDC_BURN_ERASE, IDB_BURN_ERASE}, {&eject_, IDC_BURN_EJECT, IDB_BURN_EJECT},
                 {&burn_, IDC_BURN_START, IDB_BURN_BURN},   {&add_, IDC_BURN_ADD, IDB_BURN_ADD},
                 {&exit_, IDC_BURN_EXIT, IDB_BURN_EXIT}};
  for (const auto& b : buttons) {
    b.button->SubclassDlgItem(static_cast<UINT>(b.id), this);
    if (skin) b.button->LoadBitmap(skin, b.bitmap);
  }
  drives_.SubclassDlgItem(IDC_BURN_DRIVE, this);
  drives_.SetBackgroundBrush(comboBrush_);
  drives_.SetTextColor(kStaticText);
  finalize_.SubclassDlgItem(IDC_BURN_FINALIZE, this);
  finalize_.SetTextColors(kStaticText, kDisabledCaption);
  if (background_.GetSafeHandle()) finalize_.SetBackgroundBrush(background_);
  progress_.SubclassDlgItem(IDC_BURN_PROGRESS, this);
  if (skin) progress_.LoadBitmap(skin, IDB_BURN_PROGRESS);
  progress_.SetRange(0, 100);
  progress_.SetPos(0);
}

void CBurnDlgFrame::LayOut() {
  SetWindowPos(nullptr, 0, 0, 700, 430, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HWND d = m_hWnd;
  Place(d, IDC_BURN_TITLE, 72, 13, 576, 30);  // clear of Close
  close_.MoveTo(652, 12);
  eject_.MoveTo(510, 54);
  Place(d, IDC_BURN_DRIVE_LABEL, 45, 64, 168, 20);
  // A combo box's window is its face; the drop list keeps the height it was made with.
  if (drives_.m_hWnd) {
    RECT face;
    ::GetWindowRect(drives_.m_hWnd, &face);
    ::MoveWindow(drives_.m_hWnd, 239, 64, 270, face.bottom - face.top, TRUE);
  }
  Place(d, IDC_BURN_FINALIZE, 17, 101, 500, 28);
  add_.MoveTo(13, 146);
  delete_.MoveTo(75, 146);
  Place(d, IDC_BURN_LIST, 17, 170, 665, 136);
  if (HINSTANCE skin = Skin(); skin && !listFrame_) {
    if (HBITMAP frame = ::LoadBitmap(skin, MAKEINTRESOURCE(IDB_LIST_FRAME))) {
      listFrameBitmap_.Attach(frame);
      listFrame_ = CSkinScrollBarFrame::Attach(list_.m_hWnd, frame);
    }
  }
  Place(d, IDC_BURN_DECODING, 28, 312, 230, 20);
  Place(d, IDC_BURN_SIZE_LABEL, 260, 312, 130, 20);
  Place(d, IDC_BURN_TOTAL_SIZE, 390, 312, 80, 20);
  Place(d, IDC_BURN_TIME_LABEL, 470, 312, 130, 20);
  Place(d, IDC_BURN_TOTAL_TIME, 600, 312, 80, 20);
  Place(d, IDC_BURN_PROGRESS, 28, 343, 460, 15);
  Place(d, IDC_BURN_PROGRESS_TEXT, 498, 340, 187, 20);
  burn_.MoveTo(393, 386);
  erase_.MoveTo(493, 386);
  exit_.MoveTo(593, 386);
}

void CBurnDlgFrame::AddToolTips() {
  const struct {
    CWnd* wnd;
    UINT text;
  } tips[] = {{&close_, auvry::kStrTipClose}, {&exit_, auvry::kStrTipClose},    {&eject_, auvry::kStrTipEject},
              {&add_, auvry::kStrTipAdd},     {&delete_, auvry::kStrTipRemove}, {&erase_, auvry::kStrTipErase},
              {&burn_, auvry::kStrTipBurn}};
  for (const auto& t : tips) tips_.AddTool(t.wnd, auvry::BurnText(t.text));
  tips_.Activate(TRUE);
}

BOOL CBurnDlgFrame::PreTranslateMessage(MSG* msg) {
  if (tips_.m_hWnd) tips_.RelayEvent(msg);
  return CDialog::PreTranslateMessage(msg);
}

// ----- drives -----

void CBurnDlgFrame::FillDriveList() {
  drives_.ResetContent();
  char stored[REG_READ_STRING_SIZE] = "1";
  RegReadString(HKEY_CURRENT_USER, kProductKey, DriveValueName(), stored, nullptr);
  auvry::DiscWriter& writer = Writer();
  int choice = 0;
  bool found = false;
  const unsigned char count = writer.GetDriveCount();
  for (unsigned char i = 0; i < count; ++i) {
    const char* name = writer.GetDriveName(i);
    const std::string text = name ? name : "";
    drives_.AddString(text);
    if (!found && strcasecmp(text.c_str(), stored) == 0) choice = i, found = true;
  }
  if (drives_.GetCount() > 0) {
    drives_.SetCurSel(choice);
    writer.ChooseDrive(static_cast<unsigned char>(choice));
  }
}

void CBurnDlgFrame::OnDriveChange() {
  const int selection = drives_.GetCurSel();
  if (selection < 0) return;
  Writer().ChooseDrive(static_cast<unsigned char>(selection));
  erase_.EnableWindow(Writer().IsErasable() != 0);
  std::string text;
  drives_.GetLBText(selection, text);
  RegWriteString(HKEY_CURRENT_USER, kProductKey, DriveValueName(), text.c_str());
}

// ----- list -----

bool CBurnDlgFrame::RowListed(const std::string& path) const {
  // Case matters on this file system: two names differing in case are two files.
  const std::string wanted = CanonicalPath(path);
  for (int i = 0; i < list_.GetItemCount(); ++i)
    if (const RecordingItem* item = list_.ItemAt(i); item && CanonicalPath(item->path) == wanted) return true;
  return false;
}

void CBurnDlgFrame::OnAdd() {
  CFileDialog dialog(TRUE, nullptr, nullptr, 0x80A24, AddFilter(), this);
  dialog.m_ofn.lpstrInitialDir = m_outputFolder.c_str();
  if (dialog.DoModal() != IDOK) return;
  for (const std::string& path : dialog.GetPathNames())
    if (!RowListed(path)) AddFileRow(path);
  UpdateTotals();
}

void CBurnDlgFrame::OnFilesDropped(const std::vector<auvry::DroppedPath>& paths) {
  if (phase_ != kIdle) return;
  for (const auvry::DroppedPath& dropped : paths)
    if (auvry::MatchesAddFilter(AddFilter(), dropped.path) && !RowListed(dropped.path)) AddFileRow(dropped.path);
  UpdateTotals();
}

void CBurnDlgFrame::OnDeleteRows() {
  // After a removal the search starts again from the row before, where the next one now is.
  for (int row = list_.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = list_.GetNextItem(row - 1, LVNI_SELECTED))
    list_.RemoveRow(row);
  UpdateTotals();
}

void CBurnDlgFrame::OnListKeyDown(NMHDR* header, LRESULT* result) {
  *result = 0;
  if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE && phase_ == kIdle) OnDeleteRows();
}

void CBurnDlgFrame::UpdateTotals() {
  totalBytes_ = 0;
  int seconds = 0;
  for (int i = list_.GetNextItem(-1, LVNI_ALL); i >= 0; i = list_.GetNextItem(i, LVNI_ALL)) {
    if (const RecordingItem* item = list_.ItemAt(i)) {
      totalBytes_ += static_cast<std::int64_t>(item->size);
      seconds += item->playSeconds;
    }
  }
  m_totalSize = auvry::FormatTotalSize(totalBytes_);
  m_totalTime = auvry::FormatTotalTime(seconds);
  SetDlgItemText(IDC_BURN_TOTAL_SIZE, m_totalSize);
  SetDlgItemText(IDC_BURN_TOTAL_TIME, m_totalTime);
}

// ----- enabling, checks, progress -----

void CBurnDlgFrame::EnableControls(bool on) {
  for (int id : {IDC_BURN_DRIVE, IDC_BURN_LIST, IDC_BURN_ADD, IDC_BURN_DELETE, IDC_BURN_EJECT, IDOK, IDC_BURN_EXIT,
                 IDC_BURN_START})
    if (CWnd* item = GetDlgItem(id)) item->EnableWindow(on);
  erase_.EnableWindow(on && Writer().IsErasable() != 0);
}

bool CBurnDlgFrame::CheckDiscForBurn() {
  const auvry::DiscCheckResult check = auvry::CheckDisc(Writer(), DvdMode(), BlocksNeeded());
  if (!check.ok) auvry::ShowMessage(m_hWnd, check.message, MB_ICONWARNING);
  return check.ok;
}

void CBurnDlgFrame::StartBurnTimer() {
  SetPhase(kBurning);
  EnableControls(false);
  SetTimer(kBurnTimer, 100);
}

void CBurnDlgFrame::ShowBurnProgress() {
  const unsigned long toWrite = Writer().GetBlocksToWrite();
  const unsigned long written = Writer().GetBlocksWritten();
  // The writer knows the size only once it has started.
  if (toWrite == 0) return;
  progress_.SetRange(0, static_cast<int>(toWrite));
  progress_.SetPos(static_cast<int>(std::min(written, toWrite)));
  SetDlgItemText(IDC_BURN_PROGRESS_TEXT, auvry::ProgressText(written, toWrite, BlockBytes()));
}

void CBurnDlgFrame::OnTimer(UINT_PTR id) {
  switch (id) {
    case kBurnTimer: ShowBurnProgress(); return;
    case kDecodeTimer: DecodeTimer(); return;
    case kEraseTimer:
      ++eraseTicks_;
      progress_.SetRange(0, 100);
      progress_.SetPos(auvry::ErasePercent(eraseTicks_));
      return;
    default: CDialog::OnTimer(id);
  }
}

// ----- erase, eject, burn -----

void CBurnDlgFrame::OnEject() { Writer().UnloadMedium(); }

void CBurnDlgFrame::OnErase() {
  if (phase_ != kIdle || Writer().IsErasable() != 1) return;
  eraseTicks_ = 0;
  SetPhase(kErasing);
  EnableControls(false);
  SetTimer(kEraseTimer, 500);
  if (!Writer().StartErase(1, &CBurnDlgFrame::OnEraseEnd, this)) {
    // Nothing started, so no end comes: report it as the failure it is.
    PostMessage(WM_ERASE_WRITER_END, 1, 0);
  }
}

void CBurnDlgFrame::OnBurnButton() {
  if (phase_ != kIdle) return;
  StartBurn();
}

void CBurnDlgFrame::OnBurnEnd(int status, void* dialog) {
  auto* self = static_cast<CBurnDlgFrame*>(dialog);
  if (self && self->m_hWnd) ::PostMessage(self->m_hWnd, WM_BURN_WRITER_END, static_cast<WPARAM>(status), 0);
}

void CBurnDlgFrame::OnEraseEnd(int status, void* dialog) {
  auto* self = static_cast<CBurnDlgFrame*>(dialog);
  if (self && self->m_hWnd) ::PostMessage(self->m_hWnd, WM_ERASE_WRITER_END, static_cast<WPARAM>(status), 0);
}

LRESULT CBurnDlgFrame::OnWriterBurnEnd(WPARAM status, LPARAM) {
  if (phase_ != kBurning) return 0;
  KillTimer(kBurnTimer);
  ShowBurnProgress();
  SetPhase(kIdle);
  BurnEnded(static_cast<int>(status));
  return 0;
}

LRESULT CBurnDlgFrame::OnWriterEraseEnd(WPARAM status, LPARAM) {
  if (phase_ != kErasing) return 0;
  KillTimer(kEraseTimer);
  if (status == 0) {
    progress_.SetPos(100);
    auvry::ShowMessage(m_hWnd, auvry::BurnText(auvry::kStrErased), MB_ICONINFORMATION);
  } else {
    auvry::ShowMessage(m_hWnd, auvry::BurnText(auvry::kStrEraseFailed), MB_ICONWARNING);
  }
  Writer().UnloadMedium();
  progress_.SetPos(0);
  SetPhase(kIdle);
  EnableControls(true);
  return 0;
}

LRESULT CBurnDlgFrame::OnDecoderMessage(WPARAM, LPARAM) {
  if (phase_ == kDecoding) DecoderEvent();
  return 0;
}

BOOL CBurnDlgFrame::OnDeviceChange(UINT eventType, DWORD_PTR data) {
  if (eventType != DBT_DEVICEARRIVAL && eventType != DBT_DEVICEREMOVECOMPLETE) return TRUE;
  const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(data);
  if (volume && volume->dbcv_devicetype == DBT_DEVTYP_VOLUME && (volume->dbcv_flags & DBTF_MEDIA) && phase_ == kIdle)
    erase_.EnableWindow(Writer().IsErasable() != 0);
  return TRUE;
}

// ----- painting, dragging, closing -----

HBRUSH CBurnDlgFrame::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  if (ctlColor == CTLCOLOR_LISTBOX || !background_.GetSafeHandle()) return CDialog::OnCtlColor(dc, wnd, ctlColor);
  if (wnd && wnd->m_hWnd != m_hWnd) {
    // The pattern goes on under the control as if it were not there.
    RECT r;
    ::GetWindowRect(wnd->m_hWnd, &r);
    ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&r));
    ::SetBrushOrgEx(dc->GetSafeHdc(), -r.left, -r.top, nullptr);
  }
  dc->SetBkMode(TRANSPARENT);
  if (ctlColor == CTLCOLOR_STATIC) dc->SetTextColor(kStaticText);
  return background_;
}

void CBurnDlgFrame::OnLButtonDown(UINT flags, CPoint point) {
  CDialog::OnLButtonDown(flags, point);
  // The dialog has no caption: dragging its face moves it.
  PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
}

void CBurnDlgFrame::OnOK() {
  if (phase_ == kIdle) CloseDialog();
}

void CBurnDlgFrame::OnCancel() {
  if (phase_ == kIdle) CloseDialog();
}

void CBurnDlgFrame::OnClose() {
  if (phase_ == kIdle) CloseDialog();
}

void CBurnDlgFrame::CloseDialog() {
  if (closing_) return;
  closing_ = true;
  Writer().Free();
  m_initialPaths.clear();
  list_.RemoveAllRows();
  EndDialog(IDOK);
}
