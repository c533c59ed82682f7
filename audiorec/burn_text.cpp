#include "burn_text.h"

#include "audiorec/recorder_app.h"
#include "platform/base/message_box.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"

namespace auvry {

namespace {

const char* English(UINT id) {
  switch (id) {
    case kStrFiles: return "File(s)";
    case kStrSize: return "Size";
    case kStrPlayTime: return "Play Time";
    case kStrNoCdWriter: return "No CD writer detected";
    case kStrNoDvdWriter: return "No DVD writer detected.";
    case kStrSelectFile: return "Please select a file to burn.";
    case kStrNotReady: return "Device or Disc is not ready.";
    case kStrBurnFailed: return "Failed to burn.";
    case kStrBurned: return "Successfully burned.";
    case kStrEraseFailed: return "Erase Operation Failed.";
    case kStrErased: return "Erase Operation Complete.";
    case kStrRetry: return "Retry ?";
    case kStrNotSupported: return "This disc is not supported";
    case kStrInsertWritable: return "Please insert a writable disc";
    case kStrAlreadySelected: return "You already selected";
    case kStrRecheck: return "Re-check the medium";
    case kStrWontFit:
      return "The songs on your list will not fit on one CD.  Please remove one or more songs from the list.";
    case kStrTitleWmaCd: return "Burn - WMA CD";
    case kStrTitleWmaDvd: return "Burn - WMA DVD";
    case kStrTitleAudioCd: return "Burn - Audio CD";
    case kStrTipRemove: return "Remove";
    case kStrTipBurn: return "Burn";
    case kStrTipClose: return "Close";
    case kStrTipEject: return "Eject Disc";
    case kStrTipAdd: return "Add";
    case kStrTipErase: return "Erase Disc";
    default: return "";
  }
}

}  // namespace

std::string BurnText(UINT id) {
  if (auto text = platform::LoadStdString(AfxFindResourceHandle(MAKEINTRESOURCE(id), RT_STRING), id)) return *text;
  return English(id);
}

std::string ProgramTitle() { return Program().title; }

int ShowMessage(HWND owner, const std::string& text, UINT type) {
  return ::MessageBox(owner, text, ProgramTitle(), type);
}

}  // namespace auvry
