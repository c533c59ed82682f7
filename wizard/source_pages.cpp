#include "source_pages.h"

#include "capture/device_list.h"
#include "wendrel_dlg.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_text.h"

using wizard::State;
using wizard::Text;

namespace {

constexpr COLORREF kGreyText = RGB(130, 145, 153);
constexpr COLORREF kBlueText = RGB(0, 170, 255);

struct PlayerButton {
  int id;
  UINT bitmap;
  int x, y;
  int label;
  int player;
  const char* text;
};

constexpr PlayerButton kPlayers[] = {
    {1091, IDB_CAMCORDER, 43, 70, 1097, 0, "Camcorder"},
    {1088, IDB_VCR, 283, 70, 1094, 1, "VCR"},
    {1090, IDB_TV_CABLE, 523, 70, 1096, 2, "TV / Cable"},
    {1089, IDB_DVD_PLAYER, 43, 220, 1095, 3, "DVD Player"},
    {1092, IDB_GAME_CONSOLE, 283, 220, 1098, 4, "Game console"},
    {1093, IDB_SET_TOP_BOX, 523, 220, 1099, 5, "Set top box"},
};

constexpr int kComposite = 1100, kSVideo = 1101, kCompositeLabel = 1136, kSVideoLabel = 1137;

// A static the page makes itself for a label under a picture button.
void AddLabel(CWizardPage* page, int id, const char* text, int x, int y, int cx, int cy) {
  HWND label = ::CreateWindowEx(0, "Static", text, WS_CHILD | WS_VISIBLE | SS_CENTER, x, y, cx, cy, page->m_hWnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  ::SendMessage(label, WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(page->m_fontMiddle)), TRUE);
}

}  // namespace

// ---- 338 player

BEGIN_MESSAGE_MAP(CPlayerPage, CWizardPage)
ON_CONTROL_RANGE(BN_CLICKED, 1088, 1093, &CPlayerPage::OnPlayer)
END_MESSAGE_MAP()

CPlayerPage::CPlayerPage() : CWizardPage(IDD_PAGE_PLAYER) {}

BOOL CPlayerPage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  HMODULE ui = State().uiLibrary;
  SetBackground(IDB_PLAYER_PAGE, ui);
  SetItemFont(IDC_PROMPT, 40, 20, 660, 40, m_fontLarge);
  SetTextColour(IDC_PROMPT, kGreyText);
  for (int i = 0; i < 6; ++i) {
    const PlayerButton& p = kPlayers[i];
    HWND button =
        ::CreateWindowEx(0, "Button", p.text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, p.x, p.y, 200, 110,
                         m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.id)), nullptr, nullptr);
    if (!button) continue;
    m_buttons[i].SubclassDlgItem(p.id, this);
    m_buttons[i].LoadBitmap(ui, p.bitmap);
    m_buttons[i].MoveTo(p.x, p.y);
    AddLabel(this, p.label, p.text, p.x - 4, p.y + 115, 208, 30);
  }
  return TRUE;
}

void CPlayerPage::ShowChoice() {
  for (int i = 0; i < 6; ++i) {
    const bool chosen = kPlayers[i].player == State().sourcePlayer;
    ::EnableWindow(::GetDlgItem(m_hWnd, kPlayers[i].id), !chosen);
    SetTextColour(kPlayers[i].label, chosen ? kBlueText : kGreyText);
  }
}

void CPlayerPage::OnSetActive() {
  ShowStep(this, StepTitle("3.", IDS_SELECT_VIDEO_DEVICE), 3);
  ShowChoice();
}

void CPlayerPage::OnPlayer(UINT id) {
  for (const PlayerButton& p : kPlayers)
    if (p.id == static_cast<int>(id)) State().sourcePlayer = p.player;
  ShowChoice();
  Invalidate();
}

int CPlayerPage::GetBackPage() { return State().writerCount == 0 ? IDD_PAGE_NO_WRITER : IDD_PAGE_BLANK_DISC; }

// ---- 339 cable

BEGIN_MESSAGE_MAP(CCablePage, CWizardPage)
ON_BN_CLICKED(kComposite, &CCablePage::OnComposite)
ON_BN_CLICKED(kSVideo, &CCablePage::OnSVideo)
END_MESSAGE_MAP()

CCablePage::CCablePage() : CWizardPage(IDD_PAGE_CABLE) {}

BOOL CCablePage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  HMODULE ui = State().uiLibrary;
  SetBackground(IDB_CABLE_PAGE, ui);
  SetItemFont(IDC_PROMPT, 50, 35, 650, 60, m_fontLarge);
  SetTextColour(IDC_PROMPT, kGreyText);
  struct Choice {
    CTipBitmapButton* button;
    int id;
    UINT bitmap;
    int x;
    int label;
    const char* text;
  };
  const Choice choices[] = {{&m_composite, kComposite, IDB_COMPOSITE, 163, kCompositeLabel, "RCA  (Composite)"},
                            {&m_sVideo, kSVideo, IDB_SVIDEO, 403, kSVideoLabel, "S-Video"}};
  for (const Choice& c : choices) {
    if (!::CreateWindowEx(0, "Button", c.text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, c.x, 97, 200, 180,
                          m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), nullptr, nullptr))
      continue;
    c.button->SubclassDlgItem(c.id, this);
    c.button->LoadBitmap(ui, c.bitmap);
    c.button->MoveTo(c.x, 97);
    AddLabel(this, c.label, c.text, c.x - 4, 287, 208, 40);
  }
  return TRUE;
}

void CCablePage::ShowChoice() {
  const bool sVideo = State().inputCable == 2;
  ::EnableWindow(::GetDlgItem(m_hWnd, kComposite), sVideo);
  ::EnableWindow(::GetDlgItem(m_hWnd, kSVideo), !sVideo);
  SetTextColour(kCompositeLabel, sVideo ? kGreyText : kBlueText);
  SetTextColour(kSVideoLabel, sVideo ? kBlueText : kGreyText);
}

void CCablePage::OnSetActive() {
  ShowStep(this, StepTitle("3-1.", IDS_SELECT_CONNECTOR), 3);
  ShowChoice();
}

void CCablePage::OnComposite() {
  State().inputCable = 1;
  ShowChoice();
}

void CCablePage::OnSVideo() {
  State().inputCable = 2;
  ShowChoice();
}

// ---- 340 connect

BEGIN_MESSAGE_MAP(CConnectPage, CWizardPage)
END_MESSAGE_MAP()

CConnectPage::CConnectPage() : CWizardPage(IDD_PAGE_CONNECT) {}

BOOL CConnectPage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  SetItemFont(IDC_PROMPT, 50, 35, 650, 80, m_fontLarge);
  SetItemFont(IDC_HINT, 50, 330, 650, 60, m_fontSmall);
  SetTextColour(IDC_PROMPT, kGreyText);
  SetTextColour(IDC_HINT, kBlueText);
  return TRUE;
}

UINT CConnectPage::DvdPicture(int player, int cable) {
  if (cable != 1 && cable != 2) return 0;
  int offset = 0;
  switch (player) {
    case 0: offset = 0; break;
    case 3: offset = 2; break;
    case 4: offset = 4; break;
    case 5: offset = 6; break;
    case 2: offset = 8; break;
    case 1: offset = 10; break;
    default: return 0;
  }
  return static_cast<UINT>(IDB_CONNECT_FIRST + (cable - 1) + offset);
}

UINT CConnectPage::DvdHint(int player, int cable) {
  const bool camcorderLike = player == 0 || player == 4;
  if (cable == 1) return camcorderLike ? IDS_HINT_AV_USB : IDS_HINT_RCA_USB;
  if (cable == 2)
    return player == 0 ? IDS_HINT_AV_SVIDEO_USB : player == 4 ? IDS_HINT_AV_SVIDEO : IDS_HINT_SVIDEO_RCA_USB;
  return 0;
}

void CConnectPage::OnSetActive() {
  const wizard::WizardState& s = State();
  if (s.IsBluRay()) {
    ShowStep(this, StepTitle("3.", IDS_CONNECT_HDV_TITLE), 3);
    SetDlgItemText(IDC_PROMPT, Text(IDS_CONNECT_HDV).c_str());
    SetDlgItemText(IDC_HINT, Text(IDS_HINT_FIREWIRE).c_str());
    SetBackground(IDB_CONNECT_HDV, s.imageLibrary);
  } else {
    ShowStep(this, StepTitle("3-2.", IDS_CONNECT_DEVICES_TITLE), 3);
    SetDlgItemText(IDC_PROMPT, Text(IDS_CONNECT_DEVICES).c_str());
    const UINT hint = DvdHint(s.sourcePlayer, s.inputCable);
    SetDlgItemText(IDC_HINT, hint ? Text(hint).c_str() : "");
    const UINT picture = DvdPicture(s.sourcePlayer, s.inputCable);
    SetBackground(picture, picture ? s.imageLibrary : nullptr);
  }
}

int CConnectPage::GetBackPage() {
  if (!State().IsBluRay()) return 0;
  return State().writerCount == 0 ? IDD_PAGE_NO_WRITER : IDD_PAGE_BLANK_DISC;
}

bool CConnectPage::ChooseDevices(const CCaptureDeviceList& devices, bool bluRay) {
  wizard::WizardState& s = State();
  if (bluRay) {
    const std::string hdv = devices.GetHdvDeviceName();
    if (hdv.empty()) return false;
    s.videoDevice = hdv;
    return true;
  }
  std::string video;
  if (!devices.FindKnownVideoDeviceByName(video) && !devices.FindKnownVideoDevice(video)) {
    s.videoDevice.clear();
    return false;
  }
  s.videoDevice = video;
  // A device that brings its own sound needs no audio input; a stale one is not kept.
  if (devices.HasAudioPin(video)) {
    s.audioDevice.clear();
    return true;
  }
  std::string audio;
  if (!devices.FindAudioPartner(video, audio) && !devices.FindKnownAudioDevice(audio)) return false;
  s.audioDevice = audio;
  return true;
}

int CConnectPage::GetNextPage() {
  const bool bluRay = State().IsBluRay();
  if (!bluRay && m_pHost) {
    m_pHost->EnableBack(FALSE);
    m_pHost->EnableNext(FALSE);
  }
  CCaptureDeviceList devices;
  const bool found = ChooseDevices(devices, bluRay);
  if (!bluRay && m_pHost) {
    m_pHost->EnableBack(TRUE);
    m_pHost->EnableNext(TRUE);
  }
  return found ? IDD_PAGE_RECORD_SETTINGS : IDD_PAGE_NO_CAPTURE_DEVICE;
}

// ---- 195 no capture device

CNoCaptureDevicePage::CNoCaptureDevicePage() : CWizardPage(IDD_PAGE_NO_CAPTURE_DEVICE) {}

void CNoCaptureDevicePage::OnSetActive() {
  const bool bd = State().IsBluRay();
  SetItemFont(IDC_PROMPT, 50, 35, 650, 80, m_fontLarge);
  SetTextColour(IDC_PROMPT, kGreyText);
  const std::string format = Text(bd ? IDS_NO_HDV_CAMCORDER : IDS_NO_CAPTURE_DEVICE);
  SetDlgItemText(IDC_PROMPT, wizard::Format(format.c_str(), State().windowTitle.c_str()).c_str());
  if (State().imageLibrary) SetBackground(bd ? IDB_NO_DEVICE_BD : IDB_NO_DEVICE_DVD, State().imageLibrary);
  else SetBackground(IDB_NO_CAPTURE_PAGE, State().uiLibrary);
  ShowStep(this, Text(IDS_INFORMATION), 3);
}
