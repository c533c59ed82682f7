#include "record_settings_page.h"

#include <string>
#include <utility>

#include "burn_options_dlg.h"
#include "platform/base/file_system.h"
#include "platform/base/message_box.h"
#include "record_space.h"
#include "wendrel_dlg.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_text.h"

using wizard::State;
using wizard::Text;

namespace {

constexpr COLORREF kGreyText = RGB(130, 145, 153);
constexpr COLORREF kBlueText = RGB(0, 170, 255);
constexpr double kLargeFileMB = 4096.0;
// The boxes of the option check boxes' strip (bitmap 1341) are square.
constexpr int kOptionBoxSize = 20;

std::string TimeText(int minutes) {
  std::string format = Text(IDS_TIME_FORMAT);
  if (format.empty()) format = "%02d:%02d";
  return wizard::Format(format.c_str(), minutes / 60, minutes % 60);
}

std::string MB(double value) { return wizard::Format("%5.1f MB", value); }

// The available-space line names the volume by its mount point where a drive letter stood.
std::string AvailableLine(const std::string& folder, double freeMB) {
  std::string format = Text(IDS_AVAILABLE_SPACE);
  if (const std::size_t at = format.find("%c:"); at != std::string::npos) format.replace(at, 3, "%s");
  return wizard::Format(format.c_str(), wizard::MountPointOf(folder).c_str(), MB(freeMB).c_str());
}

}  // namespace

BEGIN_MESSAGE_MAP(CRecordSettingsPage, CWizardPage)
ON_WM_PAINT()
ON_MESSAGE(WM_SKINSLIDER_TRACK, &CRecordSettingsPage::OnSliderMoved)
ON_MESSAGE(WM_SKINSLIDER_CHANGED, &CRecordSettingsPage::OnSliderMoved)
ON_BN_CLICKED(kBurnOptions, &CRecordSettingsPage::OnBurnOptionsButton)
END_MESSAGE_MAP()

CRecordSettingsPage::CRecordSettingsPage() : CWizardPage(IDD_PAGE_RECORD_SETTINGS) {}

BOOL CRecordSettingsPage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  HMODULE ui = State().uiLibrary;
  SetBackground(IDB_RECORD_SETTINGS_PAGE, ui);
  SetItemFont(1115, 42, 33, 200, 20, m_fontMiddle);
  SetItemFont(1143, 72, 79, 177, 20, m_fontSmall);
  SetItemFont(1144, 249, 79, 177, 20, m_fontSmall);
  SetItemFont(1145, 426, 79, 177, 20, m_fontSmall);
  SetItemFont(kTimeLabel, 662, 101, 52, 16, m_fontSmall);
  SetItemFont(1142, 52, 166, 600, 32, m_fontSmall);
  SetItemFont(kWideScreen, 36, 234, 190, 28, m_fontSmall);
  SetItemFont(kLowResolution, 36, 275, 430, 28, m_fontSmall);
  SetItemFont(1125, 72, 303, 570, 32, m_fontSmall);
  for (int id : {1115, 1143, 1144, 1145, 1142, 1125}) SetTextColour(id, kGreyText);
  for (auto [box, id] : {std::pair{&m_wideScreen, kWideScreen}, std::pair{&m_lowResolution, kLowResolution}}) {
    *box = std::make_unique<CSkinCheckBox>(ui, IDB_OPTION_CHECK_BOX, kOptionBoxSize);
    (*box)->SubclassDlgItem(id, this);
    (*box)->SetTextColor(kGreyText);
    (*box)->SetBackgroundBrush(BackgroundBrush());
  }
  SetTextColour(kTimeLabel, kBlueText);
  m_slider.SubclassDlgItem(kSlider, this);
  m_slider.SetChannelBitmaps(ui, IDB_SLIDER_CHANNEL, IDB_SLIDER_CHANNEL, FALSE, 0);
  m_slider.SetThumbBitmaps(ui, IDB_SLIDER_THUMB, IDB_SLIDER_THUMB_DRAG, TRUE, RGB(255, 0, 0));
  m_slider.MoveWindow(52, 101, 572, 15);
  m_burnOptions.SubclassDlgItem(kBurnOptions, this);
  m_burnOptions.LoadBitmap(ui, IDB_BURN_OPTIONS_BUTTON);
  m_burnOptions.MoveTo(653, 283);
  m_burnOptions.SetToolTip(IDS_TIP_BURN_OPTIONS);
  // The boxes start from the settings the wizard started with.
  CheckDlgButton(kWideScreen, State().wideScreen ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(kLowResolution, State().lowResolution ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void CRecordSettingsPage::OnSetActive() {
  wizard::WizardState& s = State();
  ShowStep(this, StepTitle("4.", IDS_RECORD_SETTINGS), 4);
  const int maximum = wizard::MaximumMinutes();
  m_slider.SetRange(1, maximum, TRUE);
  if (s.recordingMinutes > maximum) s.recordingMinutes = maximum;
  if (s.recordingMinutes < 1) s.recordingMinutes = 1;
  m_slider.SetPos(s.recordingMinutes);
  ShowTime();
  const bool bd = s.IsBluRay();
  SetDlgItemText(1143, bd ? "" : Text(IDS_BEST_QUALITY).c_str());
  SetDlgItemText(1144, bd ? "" : Text(IDS_GOOD_QUALITY).c_str());
  SetDlgItemText(1145, bd ? "" : Text(IDS_AVERAGE_QUALITY).c_str());
  const std::string note = Text(IDS_LONG_RECORDING_NOTE);
  SetDlgItemText(1142, bd ? " " : wizard::Format(note.c_str(), s.doubleLayer ? 4 : 2).c_str());
  ::EnableWindow(::GetDlgItem(m_hWnd, kWideScreen), !bd);
  ::EnableWindow(::GetDlgItem(m_hWnd, kLowResolution), !bd);
}

void CRecordSettingsPage::ShowTime() { SetDlgItemText(kTimeLabel, TimeText(State().recordingMinutes).c_str()); }

LRESULT CRecordSettingsPage::OnSliderMoved(WPARAM, LPARAM) {
  State().recordingMinutes = m_slider.GetPos();
  ShowTime();
  return 0;
}

void CRecordSettingsPage::OnPaint() {
  CPaintDC dc(this);
  const bool bd = State().IsBluRay();
  const int hours = State().doubleLayer ? 2 : 1;
  ::SetTextColor(dc.GetSafeHdc(), kGreyText);
  ::SetBkMode(dc.GetSafeHdc(), TRANSPARENT);
  HGDIOBJ oldFont = ::SelectObject(dc.GetSafeHdc(), static_cast<HFONT>(m_fontSmall));
  HBRUSH brush = ::CreateSolidBrush(kGreyText);
  HGDIOBJ oldBrush = ::SelectObject(dc.GetSafeHdc(), brush);
  HGDIOBJ oldPen = ::SelectObject(dc.GetSafeHdc(), ::GetStockObject(NULL_PEN));
  auto mark = [&](int x, int minutes) {
    POINT triangle[3] = {{x, 123}, {x - 5, 128}, {x + 5, 128}};
    ::Polygon(dc.GetSafeHdc(), triangle, 3);
    RECT r{x - 50, 130, x + 50, 146};
    const std::string text = TimeText(minutes);
    ::DrawText(dc.GetSafeHdc(), text.c_str(), -1, &r, DT_CENTER | DT_SINGLELINE);
  };
  if (bd) {
    mark(55, 1);
    mark(55 + 287 + 4, 60 * hours);
    mark(55 + 574 - 6, 120);
  } else {
    const int offsets[] = {0, -1, -10, -10};
    for (int i = 0; i < 4; ++i) mark(55 + i * 191 + offsets[i], i == 0 ? 1 : i * 60 * hours);
  }
  ::SelectObject(dc.GetSafeHdc(), oldPen);
  ::SelectObject(dc.GetSafeHdc(), oldBrush);
  ::SelectObject(dc.GetSafeHdc(), oldFont);
  ::DeleteObject(brush);
}

bool CRecordSettingsPage::SpaceSuffices() {
  wizard::WizardState& s = State();
  const std::string folder = wizard::WorkFolder();
  const double capacity = wizard::DiscCapacityMB();
  const double needed =
      s.IsBluRay() ? wizard::BluRayNeededMB(s.recordingMinutes) : wizard::DvdNeededMB(s.recordingMinutes, capacity);
  const double freeMB = static_cast<double>(GetFreeSpaceMB(folder));
  auto spaceMessage = [&] {
    const std::string required = wizard::Format(Text(IDS_REQUIRED_SPACE).c_str(), MB(needed).c_str());
    wizard::Ask(m_hWnd,
                wizard::Format("%s\n%s\n%s", Text(IDS_INSUFFICIENT_SPACE).c_str(), required.c_str(),
                               AvailableLine(folder, freeMB).c_str()),
                MB_OK | MB_ICONINFORMATION);
  };
  if (s.IsBluRay()) {
    // Only a file system that cannot hold 4 GiB files refuses; one that cannot be asked passes.
    if (needed > kLargeFileMB && platform::FolderHoldsLargeFiles(folder) == platform::LargeFiles::No) {
      wizard::Ask(m_hWnd, wizard::Format(Text(IDS_NEEDS_LARGE_FILES).c_str(), wizard::MountPointOf(folder).c_str()),
                  MB_OK | MB_ICONINFORMATION);
      return false;
    }
    if (freeMB < needed) {
      spaceMessage();
      return false;
    }
    if (needed > capacity) {
      wizard::Ask(m_hWnd, wizard::Format(Text(IDS_EXCEEDS_MEDIA).c_str(), needed * 0.001048576, capacity * 0.001048576),
                  MB_OK | MB_ICONINFORMATION);
      return false;
    }
    return true;
  }
  if (needed > freeMB) {
    spaceMessage();
    return false;
  }
  return true;
}

int CRecordSettingsPage::GetNextPage() {
  wizard::WizardState& s = State();
  UpdateData(TRUE);
  if (!s.IsBluRay()) {
    s.wideScreen = IsDlgButtonChecked(kWideScreen) == BST_CHECKED ? 1 : 0;
    s.lowResolution = IsDlgButtonChecked(kLowResolution) == BST_CHECKED ? 1 : 0;
  }
  if (s.discName.empty()) s.discName = wizard::DefaultDiscName();
  if (!SpaceSuffices()) return -1;
  return s.IsBluRay() ? IDD_PAGE_BD_RECORD : IDD_PAGE_DVD_RECORD;
}

void CRecordSettingsPage::OnBurnOptionsButton() {
  const wizard::WizardState& s = State();
  const double needed = s.IsBluRay() ? wizard::BluRayNeededMB(s.recordingMinutes)
                                     : wizard::DvdNeededMB(s.recordingMinutes, wizard::DiscCapacityMB());
  CBurnOptionsDialog options(needed, this);
  options.DoModal();
}
