// Tab controls ("SysTabControl32"): a row of tabs above a display area, with the Win32 TCM_
// messages, TCITEM and the TCN_ notifications.
#pragma once

#include "platform/controls/commctrl.h"

#define WC_TABCONTROL "SysTabControl32"

constexpr UINT TCM_FIRST = 0x1300;
constexpr UINT TCM_GETITEMCOUNT = TCM_FIRST + 4;
constexpr UINT TCM_GETITEM = TCM_FIRST + 5;
constexpr UINT TCM_SETITEM = TCM_FIRST + 6;
constexpr UINT TCM_INSERTITEM = TCM_FIRST + 7;
constexpr UINT TCM_DELETEITEM = TCM_FIRST + 8;
constexpr UINT TCM_DELETEALLITEMS = TCM_FIRST + 9;
constexpr UINT TCM_GETITEMRECT = TCM_FIRST + 10;
constexpr UINT TCM_GETCURSEL = TCM_FIRST + 11;
constexpr UINT TCM_SETCURSEL = TCM_FIRST + 12;
constexpr UINT TCM_HITTEST = TCM_FIRST + 13;
constexpr UINT TCM_ADJUSTRECT = TCM_FIRST + 40;
constexpr UINT TCM_GETCURFOCUS = TCM_FIRST + 47;
constexpr UINT TCM_SETCURFOCUS = TCM_FIRST + 48;

constexpr UINT TCN_FIRST = static_cast<UINT>(-550);
constexpr UINT TCN_KEYDOWN = TCN_FIRST - 0;
constexpr UINT TCN_SELCHANGE = TCN_FIRST - 1;
constexpr UINT TCN_SELCHANGING = TCN_FIRST - 2;

constexpr UINT TCIF_TEXT = 0x0001;
constexpr UINT TCIF_IMAGE = 0x0002;
constexpr UINT TCIF_RTLREADING = 0x0004;
constexpr UINT TCIF_PARAM = 0x0008;
constexpr UINT TCIF_STATE = 0x0010;

constexpr DWORD TCIS_BUTTONPRESSED = 0x0001;
constexpr DWORD TCIS_HIGHLIGHTED = 0x0002;

constexpr UINT TCHT_NOWHERE = 0x0001;
constexpr UINT TCHT_ONITEMICON = 0x0002;
constexpr UINT TCHT_ONITEMLABEL = 0x0004;
constexpr UINT TCHT_ONITEM = TCHT_ONITEMICON | TCHT_ONITEMLABEL;

struct TCITEM {
  UINT mask = 0;
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
  LPSTR pszText = nullptr;
  int cchTextMax = 0;
  int iImage = -1;
  LPARAM lParam = 0;
};
using TCITEMA = TCITEM;
using LPTCITEM = TCITEM*;

struct TCHITTESTINFO {
  POINT pt{};
  UINT flags = 0;
};

struct NMTCKEYDOWN {
  NMHDR hdr;
  WORD wVKey;
  UINT flags;
};

namespace platform::controls {
void RegisterTab();
}  // namespace platform::controls
