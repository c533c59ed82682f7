#include "capture_dialogs.h"

#include <cstdio>

#include "about_box.h"
#include "capture_engine.h"
#include "capture_page.h"
#include "platform/window/afx_app.h"
#include "platform/window/menu.h"
#include "platform/window/monitors.h"
#include "product.h"
#include "quillon_ids.h"

namespace studio {
namespace {
// The desktop's size or depth changed.
constexpr UINT kDisplayChange = 0x007E;
}  // namespace

// Enlarged preview.

BEGIN_MESSAGE_MAP(CPreviewWindowDialog, CDialog)
ON_COMMAND_RANGE(ID_PREVIEW_WIDE, ID_PREVIEW_NORMAL, &CPreviewWindowDialog::OnAspect)
ON_COMMAND(ID_PREVIEW_CLOSE, &CPreviewWindowDialog::OnCancel)
END_MESSAGE_MAP()

CPreviewWindowDialog::CPreviewWindowDialog(CWnd* page) : CDialog(IDD_PREVIEW_WINDOW, page), page_(page) {}

bool CPreviewWindowDialog::GraphOpen() const {
  CaptureEngine& engine = TheCaptureEngine();
  return dvFlag ? engine.dvGraph.Graph() != nullptr : engine.graph.IsOpen() != FALSE;
}

HRESULT CPreviewWindowDialog::GiveVideoTo(HWND owner) {
  CaptureEngine& engine = TheCaptureEngine();
  return dvFlag ? engine.dvGraph.SetVideoWindowOwner(owner) : engine.graph.SetVideoWindowOwner(owner);
}

BOOL CPreviewWindowDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!GraphOpen()) {
    previousOwner = nullptr;  // the video stays where it is
    EndDialog(IDCANCEL);
    return TRUE;
  }
  CoverMonitor();
  return TRUE;
}

void CPreviewWindowDialog::CoverMonitor() {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = MonitorFromWindow(page_ ? page_->m_hWnd : m_hWnd, MONITOR_DEFAULTTONEAREST);
  if (!GetMonitorInfo(monitor, &info)) return;
  const RECT& r = info.rcMonitor;
  width = r.right - r.left;
  height = r.bottom - r.top;
  ::SetWindowPos(m_hWnd, HWND_TOP, r.left, r.top, width, height, SWP_SHOWWINDOW);
  if (HWND video = ::GetDlgItem(m_hWnd, IDC_PREVIEW_VIDEO)) {
    ::SetWindowPos(video, nullptr, -1, -1, width + 2, height + 2, SWP_NOZORDER);
    ::EnableWindow(video, FALSE);
    GiveVideoTo(video);
  }
}

void CPreviewWindowDialog::Close() {
  if (closed_) return;
  closed_ = true;
  if (previousOwner) GiveVideoTo(previousOwner);
  EndDialog(IDOK);
}

BOOL CPreviewWindowDialog::OnEraseBkgnd(CDC* dc) {
  RECT all = {0, 0, width, height};
  ::FillRect(dc->GetSafeHdc(), &all, reinterpret_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  return FALSE;
}

// Around a picture of another shape the screen stays black.
HBRUSH CPreviewWindowDialog::OnCtlColor(CDC* dc, CWnd*, UINT) {
  dc->SetBkColor(RGB(0, 0, 0));
  return reinterpret_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
}

void CPreviewWindowDialog::OnContextMenu(CWnd*, CPoint point) {
  HMENU menu = ::LoadMenu(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_PREVIEW_MENU));
  if (!menu) return;
  HMENU popup = ::GetSubMenu(menu, 0);
  ::CheckMenuItem(popup, aspect == 1 ? ID_PREVIEW_WIDE : ID_PREVIEW_NORMAL, MF_BYCOMMAND | MF_CHECKED);
  ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, point.x, point.y, 0, m_hWnd, nullptr);
  ::DestroyMenu(menu);
}

void CPreviewWindowDialog::OnLButtonDblClk(UINT, CPoint) { Close(); }

void CPreviewWindowDialog::OnAspect(UINT id) {
  aspect = id == ID_PREVIEW_WIDE ? 1 : 0;
  if (page_) ::SendMessage(page_->m_hWnd, WM_CAPTURE_ASPECT, static_cast<WPARAM>(aspect), 0);
}

LRESULT CPreviewWindowDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kDisplayChange) {
    CoverMonitor();
    return 0;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

// DVD Settings.

BEGIN_MESSAGE_MAP(CDvdSettingsDialog, CDialog)
ON_BN_CLICKED(IDC_DVD_MIDDLE, &CDvdSettingsDialog::OnMiddle)
ON_BN_CLICKED(IDC_DVD_FULL, &CDvdSettingsDialog::OnFull)
END_MESSAGE_MAP()

CDvdSettingsDialog::CDvdSettingsDialog(CWnd* parent) : CDialog(IDD_DVD_SETTINGS, parent) {}

void CDvdSettingsDialog::DoDataExchange(CDataExchange* dx) { DDX_Radio(dx, IDC_DVD_LOW, choice); }

BOOL CDvdSettingsDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  static constexpr const char* kNtsc[] = {"352 * 240 \n\n%s", "352 * 480 \n\n%s", "720 * 480 \n\n%s"};
  static constexpr const char* kPal[] = {"352 * 288 \n\n%s", "352 * 576 \n\n%s", "720 * 576 \n\n%s"};
  const UINT buttons[] = {IDC_DVD_LOW, IDC_DVD_MIDDLE, IDC_DVD_FULL};
  const UINT powers[] = {IDS_CPU_LOW, IDS_CPU_MIDDLE, IDS_CPU_HIGH};
  for (int i = 0; i < 3; ++i) {
    const std::string power = ResourceText(powers[i]);
    const char* pattern = ntsc == 1 ? kNtsc[i] : kPal[i];
    char text[512];
    std::snprintf(text, sizeof text, pattern, power.c_str());
    SetDlgItemText(buttons[i], text);
    if (CWnd* button = GetDlgItem(static_cast<int>(buttons[i]))) button->EnableWindow(buttonsEnabled);
  }
  return TRUE;
}

void CDvdSettingsDialog::OnMiddle() {
  if (cpuClass < 1) ::MessageBox(m_hWnd, ResourceText(IDS_CPU_TOO_SLOW).c_str(), kProductTitle, MB_ICONEXCLAMATION);
}

void CDvdSettingsDialog::OnFull() {
  if (cpuClass < 2) ::MessageBox(m_hWnd, ResourceText(IDS_CPU_TOO_SLOW).c_str(), kProductTitle, MB_ICONEXCLAMATION);
}

// Video Settings.

namespace {
struct CableButton {
  UINT id;
  long physicalType;
  int cable;
};
// By dialog; the order is the radio group's.
std::vector<CableButton> CableButtons(UINT templateId) {
  if (templateId == IDD_TUNER_INPUT)
    return {{IDC_INPUT_TV, 1, 0}, {IDC_INPUT_COMPOSITE, 2, 1}, {IDC_INPUT_SVIDEO, 3, 2}};
  if (templateId == IDD_ANALOG_INPUT) return {{IDC_INPUT_COMPOSITE, 2, 1}, {IDC_INPUT_SVIDEO, 3, 2}};
  return {{IDC_INPUT_COMPOSITE, 2, 1}, {IDC_INPUT_SVIDEO, 3, 2}, {IDC_INPUT_YPBPR, 6, 3}, {IDC_INPUT_YCBCR, 5, 4}};
}
}  // namespace

BEGIN_MESSAGE_MAP(CInputCableDialog, CDialog)
ON_COMMAND_RANGE(IDC_INPUT_COMPOSITE, IDC_INPUT_YCBCR, &CInputCableDialog::OnInput)
ON_BN_CLICKED(IDC_INPUT_CONTROL_137, &CInputCableDialog::OnControlPage)
ON_BN_CLICKED(IDC_INPUT_CONTROL, &CInputCableDialog::OnControlPage)
ON_BN_CLICKED(IDC_INPUT_TUNER_PAGE, &CInputCableDialog::OnTunerPage)
END_MESSAGE_MAP()

CInputCableDialog::CInputCableDialog(UINT templateId, int* inputCable, CWnd* parent)
    : CDialog(templateId, parent), templateId_(templateId), inputCable_(inputCable) {
  const int cable = inputCable ? *inputCable : 1;
  choice = templateId == IDD_TUNER_INPUT ? cable : std::max(0, cable - 1);
  if (choice < 0 || choice >= static_cast<int>(CableButtons(templateId).size())) choice = 0;
}

CTunerInputDialog::CTunerInputDialog(int* inputCable, CWnd* parent)
    : CInputCableDialog(IDD_TUNER_INPUT, inputCable, parent) {}
CAnalogInputDialog::CAnalogInputDialog(int* inputCable, CWnd* parent)
    : CInputCableDialog(IDD_ANALOG_INPUT, inputCable, parent) {}
CComponentInputDialog::CComponentInputDialog(int* inputCable, CWnd* parent)
    : CInputCableDialog(IDD_COMPONENT_INPUT, inputCable, parent) {}

void CInputCableDialog::DoDataExchange(CDataExchange* dx) {
  DDX_Radio(dx, CableButtons(templateId_).front().id, choice);
}

BOOL CInputCableDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  CCaptureGraph& graph = TheCaptureEngine().graph;
  for (const CableButton& button : CableButtons(templateId_))
    if (CWnd* control = GetDlgItem(static_cast<int>(button.id)))
      control->EnableWindow(graph.HasCrossbarInput(button.physicalType) ? TRUE : FALSE);
  if (templateId_ == IDD_TUNER_INPUT)
    if (CWnd* tuner = GetDlgItem(IDC_INPUT_TUNER_PAGE)) tuner->EnableWindow(graph.HasTvTuner());
  return TRUE;
}

void CInputCableDialog::OnInput(UINT id) {
  for (const CableButton& button : CableButtons(templateId_)) {
    if (button.id != id) continue;
    if (TheCaptureEngine().graph.SelectCrossbarInput(button.physicalType) && inputCable_) *inputCable_ = button.cable;
    return;
  }
}

void CInputCableDialog::OnControlPage() { TheCaptureEngine().graph.ShowDevicePropertyPage(); }

void CInputCableDialog::OnTunerPage() { TheCaptureEngine().graph.ShowTvTunerPropertyPage(); }

// WMV Settings.

BEGIN_MESSAGE_MAP(CWmvSettingsDialog, CDialog)
ON_BN_CLICKED(IDC_WMV_OK, &CWmvSettingsDialog::OnStore)
END_MESSAGE_MAP()

CWmvSettingsDialog::CWmvSettingsDialog(CWnd* parent) : CDialog(IDD_WMV_SETTINGS, parent) {}

BOOL CWmvSettingsDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  for (const auto& [id, limit] :
       {std::pair{IDC_WMV_TITLE, kShortField}, std::pair{IDC_WMV_AUTHOR, kShortField},
        std::pair{IDC_WMV_COPYRIGHT, kShortField}, std::pair{IDC_WMV_DESCRIPTION, kDescriptionField}})
    ::SendDlgItemMessage(m_hWnd, id, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
  return TRUE;
}

void CWmvSettingsDialog::DoDataExchange(CDataExchange* dx) {
  DDX_Text(dx, IDC_WMV_AUTHOR, author);
  DDV_MaxChars(dx, author, kShortField);
  DDX_Text(dx, IDC_WMV_COPYRIGHT, copyright);
  DDV_MaxChars(dx, copyright, kShortField);
  DDX_Text(dx, IDC_WMV_DESCRIPTION, description);
  DDV_MaxChars(dx, description, kDescriptionField);
  DDX_Text(dx, IDC_WMV_TITLE, title);
  DDV_MaxChars(dx, title, kShortField);
}

void CWmvSettingsDialog::OnStore() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

}  // namespace studio
