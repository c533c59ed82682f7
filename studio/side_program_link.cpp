#include "side_program_link.h"

#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "publish_link.h"
#include "widgets/reg_helpers.h"

namespace studio {

void SideProgramLink::Register(HWND main, const std::string& outFolder) {
  RegWriteDword(HKEY_CURRENT_USER, key_, kMainHwndValue, HandleToDword(main));
  if (!outFolder.empty()) RegWriteString(HKEY_CURRENT_USER, key_, kConverterOutFolderValue, outFolder.c_str());
}

bool SideProgramLink::Link() {
  DWORD sub = 0;
  if (RegReadDword(HKEY_CURRENT_USER, key_, kSubHwndValue, &sub, REG_READ_NO_DEFAULT) && sub != 0) {
    window_ = DwordToHandle<HWND>(sub);
    return true;
  }
  window_ = nullptr;
  return false;
}

bool SideProgramLink::SendBounded(WPARAM code, LPARAM argument, DWORD_PTR* answer) {
  if (!window_) return false;
  if (::SendMessageTimeout(window_, message_, code, argument, SMTO_ABORTIFHUNG, kSideProgramSendLimitMs, answer))
    return true;
  window_ = nullptr;
  return false;
}

bool SideProgramLink::Ping() {
  DWORD_PTR answer = 0;
  if (SendBounded(PUBLISH_PING, 0, &answer) && static_cast<LRESULT>(answer) == kPingAnswer) return true;
  window_ = nullptr;
  return false;
}

bool SideProgramLink::Send(WPARAM code, LPARAM argument) {
  DWORD_PTR answer = 0;
  return SendBounded(code, argument, &answer);
}

void SideProgramLink::Post(WPARAM code, LPARAM argument) {
  if (window_) ::PostMessage(window_, message_, code, argument);
}

void SideProgramLink::SetRenderedFile(const std::string& path) {
  RegWriteString(HKEY_CURRENT_USER, key_, kRenderedFileValue, path.c_str());
}

}  // namespace studio
