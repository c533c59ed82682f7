// The main window's end of the publish link: starting the converter and the uploader, their
// link messages, renders for them and the pings that notice when they are gone.
#include <sys/stat.h>

#include "about_box.h"
#include "platform/base/clock.h"
#include "platform/base/process.h"
#include "platform/shell/known_folders.h"
#include "platform/window/focus.h"
#include "publish_rules.h"
#include "quillon_dlg.h"
#include "quillon_ids.h"

namespace studio {
namespace {

std::string TemporaryFolder() {
  char buffer[MAX_PATH] = {};
  ::GetTempPath(MAX_PATH, buffer);
  std::string folder = buffer;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

void CQuillonDlg::OnPublishIpod() { PublishToConverter(model_->flags.iPad ? kIpadOption : kIpodOption); }

void CQuillonDlg::OnPublishPsp() { PublishToConverter(kPspOption); }

void CQuillonDlg::PublishToConverter(const char* deviceOption) {
  converter_.Register(m_hWnd, model_->folders.output);
  PingConverter();
  if (converter_.Running()) {
    ::SetForegroundWindow(converter_.Window());
    Invalidate();
    return;
  }
  const std::string list = TemporaryFolder() + kConverterListFile;
  const std::string text =
      ConverterFileListText(SelectedClips(), ResourceText(IDS_EDITED_VIDEO), model_->clips.ProjectTitlePlayTime());
  if (!WriteConverterFileList(list, text)) {
    ShowMessageBox("The list of clips for the converter could not be written to " + list + ".",
                   MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  StartSideProgram(kConverterProgram, ConverterParameters(list, deviceOption), kConverterPingTimer);
}

void CQuillonDlg::OnPublishYoutube() {
  uploader_.Register(m_hWnd);
  PingUploader();
  if (uploader_.Running()) {
    ::SetForegroundWindow(uploader_.Window());
    return;
  }
  StartSideProgram(kUploaderProgram, MakeUploaderCommandLine(SelectedClips(), ResourceText(IDS_EDITED_VIDEO)),
                   kUploaderPingTimer);
}

void CQuillonDlg::StartSideProgram(const char* program, const std::string& parameters, UINT_PTR pingTimer) {
  const std::string file = model_->folders.program + program;
  ::ShellExecute(nullptr, nullptr, file.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
  SetTimer(pingTimer, kPingMs);
  ::Sleep(kSideProgramStartWaitMs);
  Invalidate();
}

LRESULT CQuillonDlg::OnSideProgramLink(SideProgramLink& link, UINT_PTR pingTimer, WPARAM code, LPARAM lParam) {
  switch (code) {
    case PUBLISH_READY:
      if (link.Link()) {
        EnableWindow(FALSE);
        // A program slower to show than the first ping would otherwise never be pinged again.
        SetTimer(pingTimer, kPingMs);
      } else {
        EnableWindow(TRUE);
      }
      break;
    case PUBLISH_RENDER_REQUEST:
      if (&link == &converter_) RenderForConverter(lParam);
      else RenderForUploader();
      break;
    case PUBLISH_CANCEL: model_->SendTo(model_->editor, "cancel encode"); break;
    case PUBLISH_CLOSING:
      link.Forget();
      EnableWindow(TRUE);
      break;
    default: break;
  }
  return 1;
}

void CQuillonDlg::SideProgramGone(SideProgramLink& link, UINT_PTR pingTimer) {
  link.Forget();
  EnableWindow(TRUE);
  KillTimer(pingTimer);
}

bool CQuillonDlg::SendToSideProgram(SideProgramLink& link, UINT_PTR pingTimer, WPARAM code) {
  if (link.Send(code)) return true;
  SideProgramGone(link, pingTimer);
  return false;
}

BOOL CQuillonDlg::RenderForSideProgram(SideProgramLink& link, UINT_PTR pingTimer, const std::string& command,
                                       const std::string& target) {
  if (model_->editor) {
    ::mkdir(RenderFolder(model_->folders.output).c_str(), 0755);
    if (model_->SendTo(model_->editor, command) >= 0) {
      link.SetRenderedFile(target);
      return TRUE;
    }
  }
  SendToSideProgram(link, pingTimer, PUBLISH_FAILED);
  return FALSE;
}

BOOL CQuillonDlg::RenderForConverter(LPARAM request) {
  const std::string target = RenderFolder(model_->folders.output) + "Convert.mpg";
  return RenderForSideProgram(converter_, kConverterPingTimer,
                              ConverterRenderCommand(ConverterRenderSettings(request), target), target);
}

BOOL CQuillonDlg::RenderForUploader() {
  const std::string target = RenderFolder(model_->folders.output) + "Upload.mpg";
  return RenderForSideProgram(uploader_, kUploaderPingTimer, UploaderRenderCommand(target), target);
}

void CQuillonDlg::PingConverter() {
  if (!converter_.Ping()) SideProgramGone(converter_, kConverterPingTimer);
}

void CQuillonDlg::PingUploader() {
  if (!uploader_.Ping()) SideProgramGone(uploader_, kUploaderPingTimer);
}

bool CQuillonDlg::NotifySideProgram(WPARAM code, LPARAM argument) {
  SideProgramLink* link = converter_.Running() ? &converter_ : uploader_.Running() ? &uploader_ : nullptr;
  if (!link) return false;
  const UINT_PTR timer = link == &converter_ ? kConverterPingTimer : kUploaderPingTimer;
  if (code == PUBLISH_PROGRESS) link->Post(code, argument);
  else SendToSideProgram(*link, timer, code);
  return true;
}

bool CQuillonDlg::OnPublishTimer(UINT_PTR id) {
  if (id == kConverterPingTimer) PingConverter();
  else if (id == kUploaderPingTimer) PingUploader();
  else if (id == kDeviceCopyTimer) {
    KillTimer(kDeviceCopyTimer);
    CopySelectedToDevice(deviceCopyTarget_);
  } else {
    return false;
  }
  return true;
}

void CQuillonDlg::OnSetFocus(CWnd* oldWnd) {
  CSkinPageHost::OnSetFocus(oldWnd);
  // A side program keeps the front while the main window waits disabled behind it.
  if (uploader_.Running()) ::SetForegroundWindow(uploader_.Window());
  if (converter_.Running()) ::SetForegroundWindow(converter_.Window());
}

}  // namespace studio
