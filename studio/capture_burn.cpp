// Record and burn: the capture page's conversation with the burner pack before, during and
// after a recording, and what a disc put into a drive changes.
#include <unistd.h>

#include <cstdio>

#include "about_box.h"
#include "capture_engine.h"
#include "capture_page.h"
#include "platform/window/window.h"
#include "product.h"
#include "quillon_dlg.h"
#include "quillon_ids.h"

namespace studio {

HRESULT CCapturePage::SendToBurner(const std::string& text, bool create) {
  StudioModel* model = Model();
  if (!model) return E_FAIL;
  if (!model->burner && create)
    if (auto* main = dynamic_cast<CQuillonDlg*>(m_pHost)) main->CreateBurnerPack();
  if (!model->burner) return E_FAIL;
  return model->burner->Command(kHostSender, text.c_str());
}

BOOL CCapturePage::SendBurnOptions() {
  const AppSettings& s = Settings();
  if (!IsMpegFormat(s.recordFormat)) return TRUE;
  HCURSOR previous = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  const int planned = static_cast<int>(limit_.Total());
  BOOL accepted = FALSE;
  if (planned <= 0) {
    ShowMessage(IDS_ENTER_RECORDING_TIME, MB_ICONHAND);
  } else {
    const std::string folder = Model() ? Model()->folders.output : std::string();
    const std::string text =
        BurnOptionString(s.recordFormat, s.tvSystemIndex, planned, s.quality, s.discCapacity, folder);
    if (SendToBurner(text, true) == S_OK) {
      if ((s.recordFormat == kDvd || s.recordFormat == kLongDvd) && Model() && Model()->audioType == 1)
        Settings().discCapacity = 2872;
      SendDiscLock(true);
      accepted = TRUE;
    }
  }
  ::SetCursor(previous);
  return accepted;
}

void CCapturePage::SendDiscLock(bool on) { SendToBurner(DiscLockText(Settings().recordFormat, on), false); }

void CCapturePage::OnDiscArrived(char drive) {
  char text[32];
  std::snprintf(text, sizeof text, "checkdrive drive=%c", drive);
  // The answer is a disc code; no pack (or a failure) is a negative one, which changes nothing.
  const long long code = SendToBurner(text, true);
  if (IsRecording() || startPending_) return;
  AppSettings& s = Settings();
  const DiscChoice choice = ChooseForDisc(code, s.recordFormat, s.discCapacity, s.outputHoldsLargeFiles != FALSE);
  if (!choice.changed) return;
  const bool formatChanged = choice.format != s.recordFormat;
  s.recordFormat = choice.format;
  s.discCapacity = choice.maxFileSizeMB;
  if (formatChanged && deviceType_ == 1 && Engine().graph.IsOpen()) {
    ApplyCaptureSize();
    Engine().graph.StartPreview();
  }
  ComputeMaxRecordingTime();
  RefreshFormatLabel();
}

void CCapturePage::FinishRecordAndBurn(bool askFirst) {
  askBeforeBurning_ = askFirst;
  if (captureFinished_) {
    ContinueRecordAndBurn();
    return;
  }
  // The engine's end message puts the parts into the clip list; the hand-off goes on from its
  // handler, or after a while without it.
  endPending_ = true;
  SetTimer(kEndWaitTimer, kEndWaitMs);
}

void CCapturePage::ContinueRecordAndBurn() {
  endPending_ = false;
  KillTimer(kEndWaitTimer);
  PressBurnerPrompt();
  bool burn = true;
  if (askBeforeBurning_)
    burn = ::MessageBox(m_hWnd, ResourceText(IDS_START_BURNING).c_str(), kProductTitle,
                        MB_YESNO | MB_ICONINFORMATION) != IDNO;
  askBeforeBurning_ = false;
  if (!burn) {
    SendToBurner("EndCapture ok=0", false);
    DeleteElementaryStreams();
    EnableControls(TRUE);
    return;
  }
  SendToBurner("burning file=" + outputPath_ + ";", false);
  EnableControls(TRUE);
  if (m_pHost) m_pHost->EnableControls(FALSE);
  if (auto* main = dynamic_cast<CQuillonDlg*>(m_pHost)) main->ShowBurnPage();
  // A burner that took the burn hands the main window back at its end; without one, or when it
  // could not even take it, the window must not stay locked.
  if (FAILED(SendToBurner("EndCapture ok=1", false)) && m_pHost) m_pHost->EnableControls(TRUE);
}

void CCapturePage::DeleteElementaryStreams() {
  for (const std::string& name : ElementaryStreamNames(outputPath_)) ::unlink(name.c_str());
}

namespace {
struct PromptSearch {
  HWND page = nullptr;  // the page's own prompts are owned by its main window
  HWND found = nullptr;
};

BOOL FindBurnerPrompt(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<PromptSearch*>(data);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process != static_cast<DWORD>(::getpid()) || ::GetWindow(window, GW_OWNER) == search->page) return TRUE;
  char title[64] = {};
  ::GetWindowText(window, title, sizeof title);
  if (std::string(title) != "Message") return TRUE;
  search->found = window;
  return FALSE;
}
}  // namespace

void CCapturePage::PressBurnerPrompt() {
  // Only a prompt of this process: another program's "Message" window is not ours to press.
  PromptSearch search;
  search.page = ::GetAncestor(m_hWnd, GA_ROOT);
  ::EnumWindows(FindBurnerPrompt, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return;
  if (HWND button = ::GetDlgItem(search.found, 7)) {
    ::PostMessage(button, WM_LBUTTONDOWN, 0, 0);
    ::PostMessage(button, WM_LBUTTONUP, 0, 0);
  }
}

}  // namespace studio
