// The dialog manager: dialogs from templates, modal and modeless, keyboard navigation and the
// item helpers.
#pragma once

#include <functional>
#include <string>

#include "platform/base/win_types.h"
#include "platform/window/messages.h"
#include "platform/base/templates.h"
#include "platform/window/window.h"
#include "platform/window/window_styles.h"

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

// The dialog window class.
#define WC_DIALOG "#32770"

HWND CreateDialogIndirectParam(HINSTANCE instance, const platform::DialogTemplate& tmpl, HWND owner, DLGPROC proc,
                               LPARAM init);
// -1 when the dialog cannot be made.
INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const platform::DialogTemplate& tmpl, HWND owner, DLGPROC proc,
                               LPARAM init);
// Templates from a resource module (RT_DIALOG).
HWND CreateDialogParam(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM init);
INT_PTR DialogBoxParam(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM init);
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT DefDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL IsDialogMessage(HWND dialog, MSG* msg);

BOOL MapDialogRect(HWND dialog, RECT* rect);
LONG GetDialogBaseUnits();
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);

UINT GetDlgItemText(HWND dialog, int id, LPSTR buffer, int size);
BOOL SetDlgItemText(HWND dialog, int id, LPCSTR text);
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);

namespace platform {

// Adds a visible item to a template built in code: WS_VISIBLE is added to `style`.
inline void AddDialogItem(DialogTemplate& t, std::string className, std::string text, int id, DWORD style, int x, int y,
                          int cx, int cy, DWORD exStyle = 0) {
  t.items.push_back({std::move(className), std::move(text), id, WS_VISIBLE | style, exStyle, x, y, cx, cy});
}
// Whether the dialog ended, and with what, for loops that run a dialog themselves.
bool DialogEnded(HWND dialog, INT_PTR* result);
// Runs a created, hidden dialog modally: its owner is disabled, the dialog shown and its messages
// run (each offered to filter first) until it ends; then the owner comes back and the dialog is
// destroyed. The EndDialog value, or IDCANCEL when the loop ended without one.
INT_PTR RunModalDialog(HWND dialog, const std::function<bool(MSG&)>& filter);
}  // namespace platform
