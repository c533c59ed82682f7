// The recorder's texts for its burn dialogs: the string table of the resource chain, with the
// English texts when no library holds one, and the message boxes they are shown in.
#pragma once

#include <string>

#include "platform/base/win_types.h"

namespace auvry {

enum BurnString : UINT {
  kStrFiles = 106,
  kStrSize = 107,
  kStrPlayTime = 108,
  kStrNoCdWriter = 114,
  kStrNoDvdWriter = 115,
  kStrSelectFile = 116,
  kStrNotReady = 117,
  kStrBurnFailed = 118,
  kStrBurned = 119,
  kStrEraseFailed = 120,
  kStrErased = 121,
  kStrRetry = 122,
  kStrNotSupported = 123,
  kStrInsertWritable = 124,
  kStrAlreadySelected = 125,
  kStrRecheck = 126,
  kStrWontFit = 127,
  kStrTitleWmaCd = 128,
  kStrTitleWmaDvd = 129,
  kStrTitleAudioCd = 130,
  kStrTipRemove = 163,
  kStrTipBurn = 164,
  kStrTipClose = 165,
  kStrTipEject = 166,
  kStrTipAdd = 167,
  kStrTipErase = 168,
};

std::string BurnText(UINT id);
// The caption of the recorder's message boxes and dialogs: the program title.
std::string ProgramTitle();
int ShowMessage(HWND owner, const std::string& text, UINT type);

}  // namespace auvry
