// desktop_probe <folder>: a dialog with a tool tip and a modal settings dialog of its own, a
// backdrop that takes dropped files and a shaped window over it, shown on the desktop. Writes the
// dialog's headless picture and where things are to <folder>/ready, and what reached the windows
// to <folder>/log, for the desktop tests.
// desktop_probe --front: brings the probe's dialog to the front as a second start of a program
// does, from another process.
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/base/clock.h"
#include "platform/controls/commctrl.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/region.h"
#include "platform/ole/drop_files.h"
#include "platform/window/dialog.h"
#include "platform/window/focus.h"
#include "platform/window/messages.h"
#include "platform/window/monitors.h"
#include "platform/window/paint.h"
#include "platform/window/presenter_startup.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "platform/window/window_styles.h"
#include "platform/window/window_surface.h"

namespace {

constexpr int kCheckId = 101;
constexpr int kEditId = 102;
constexpr int kSettingsId = 103;
constexpr UINT kPaintedMessage = WM_APP + 1;

std::string g_folder;

void Log(const std::string& line) {
  std::ofstream out(g_folder + "log", std::ios::app);
  out << line << '\n';
}

std::string Centre(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return std::to_string((r.left + r.right) / 2) + " " + std::to_string((r.top + r.bottom) / 2);
}

std::string Box(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
         std::to_string(r.bottom - r.top);
}

HWND g_backdrop = nullptr;

LRESULT BackdropProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDOWN) Log("backdrop click");
  if (msg == WM_LBUTTONDBLCLK) Log("backdrop double click");
  if (msg == WM_MOUSEWHEEL) Log("backdrop wheel " + std::to_string(static_cast<short>(HIWORD(wParam))));
  if (msg == WM_DROPFILES) {
    auto drop = reinterpret_cast<HDROP>(wParam);
    char path[1024] = {};
    DragQueryFile(drop, 0, path, sizeof path);
    DragFinish(drop);
    Log(std::string("drop ") + path);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

LRESULT ShapedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDOWN) Log("shaped click");
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

INT_PTR SettingsDialog(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: Log("settings shown"); return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
        Log(LOWORD(wParam) == IDOK ? "settings ok" : "settings cancel");
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

void ShowSettings(HWND owner) {
  platform::DialogTemplate t;
  t.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t.x = 40;
  t.y = 30;
  t.cx = 140;
  t.cy = 60;
  t.caption = "Probe settings";
  t.fontName = "MS Shell Dlg";
  t.items = {
      {"Button", "OK", IDOK, BS_DEFPUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 20, 36, 50, 14},
      {"Button", "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 80, 36, 50, 14},
  };
  DialogBoxIndirectParam(nullptr, t, owner, SettingsDialog, 0);
}

// Made while the dialog is not yet active, as the programs make theirs.
void AddTip(HWND dialog) {
  HWND tip = CreateWindowEx(0, TOOLTIPS_CLASS, "", WS_POPUP, 0, 0, 0, 0, dialog, nullptr, nullptr, nullptr);
  TOOLINFO ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = dialog;
  ti.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, kCheckId));
  ti.lpszText = const_cast<LPSTR>("Encodes in half the time");
  SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti));
}

INT_PTR ProbeDialog(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      AddTip(dialog);
      PostMessage(dialog, kPaintedMessage, 0, 0);
      return TRUE;
    case WM_NOTIFY:
      if (reinterpret_cast<NMHDR*>(lParam)->code == TTN_SHOW)
        Log("tipshown " + Box(reinterpret_cast<NMHDR*>(lParam)->hwndFrom));
      return FALSE;
    case kPaintedMessage: {
      RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      platform::WriteWindowPng(dialog, g_folder + "dialog.png");
      std::ofstream ready(g_folder + "ready.part");
      ready << "dialog " << Box(dialog) << "\ncheck " << Centre(GetDlgItem(dialog, kCheckId)) << "\nedit "
            << Centre(GetDlgItem(dialog, kEditId)) << "\nsettings " << Centre(GetDlgItem(dialog, kSettingsId))
            << "\nbackdrop " << Box(g_backdrop) << "\nscreen " << GetSystemMetrics(SM_CXSCREEN) << " "
            << GetSystemMetrics(SM_CYSCREEN) << "\n";
      RECT work{};
      SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
      ready << "work " << work.left << " " << work.top << " " << work.right << " " << work.bottom << "\n";
      ready.close();
      std::rename((g_folder + "ready.part").c_str(), (g_folder + "ready").c_str());
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kEditId && HIWORD(wParam) == EN_SETFOCUS) Log("edit focus");
      if (LOWORD(wParam) == kCheckId && HIWORD(wParam) == BN_CLICKED) Log("check clicked");
      if (LOWORD(wParam) == kSettingsId && HIWORD(wParam) == BN_CLICKED) ShowSettings(dialog);
      if (LOWORD(wParam) == IDOK) {
        char text[256] = {};
        GetDlgItemText(dialog, kEditId, text, sizeof text);
        Log("result ok check=" + std::to_string(IsDlgButtonChecked(dialog, kCheckId)) + " text=" + text);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        Log("result cancel");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

HWND MakeWindow(const char* className, WNDPROC proc, COLORREF colour, const char* title) {
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hbrBackground = CreateSolidBrush(colour);
  wc.lpszClassName = className;
  RegisterClass(&wc);
  return CreateWindowEx(0, className, title, WS_POPUP | WS_VISIBLE, 700, 100, 300, 200, nullptr, nullptr, nullptr,
                        nullptr);
}

}  // namespace

int BringTheProbeForward() {
  platform::StartWindowTransport();
  for (int waited = 0; waited < 10000; waited += 50) {
    if (HWND open = FindWindow("#32770", "Probe dialog")) return SetForegroundWindow(open) ? 0 : 1;
    Sleep(50);
  }
  return 4;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (std::string(argv[1]) == "--front") return BringTheProbeForward();
  g_folder = std::string(argv[1]) + "/";
  InitCommonControls();
  platform::StartWindowTransport();
  if (!platform::StartPresenter("desktop_probe")) {
    std::fprintf(stderr, "desktop_probe: no desktop\n");
    return 3;
  }
  // Sizes no X window can have: shown clamped, or not at all.
  HWND oversize = MakeWindow("ProbeOversize", DefWindowProc, RGB(90, 90, 90), "Probe oversize");
  SetWindowPos(oversize, nullptr, -60, -60, 1400, 900, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND empty = MakeWindow("ProbeEmpty", DefWindowProc, RGB(90, 90, 90), "Probe empty");
  SetWindowPos(empty, nullptr, 5, 5, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND tip = MakeWindow("ProbeTip", DefWindowProc, RGB(255, 255, 225), "Probe tip");
  SetWindowLong(tip, GWL_EXSTYLE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  SetWindowPos(tip, nullptr, 700, 400, 80, 20, SWP_NOZORDER | SWP_NOACTIVATE);
  g_backdrop = MakeWindow("ProbeBackdrop", BackdropProc, RGB(40, 160, 60), "Probe backdrop");
  SetWindowLong(g_backdrop, GWL_EXSTYLE, GetWindowLong(g_backdrop, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
  HWND shaped = MakeWindow("ProbeShaped", ShapedProc, RGB(200, 40, 40), "Probe shaped");
  SetWindowRgn(shaped, CreateRectRgn(0, 0, 150, 200), TRUE);

  platform::DialogTemplate t;
  t.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t.x = 10;
  t.y = 10;
  t.cx = 200;
  t.cy = 90;
  t.caption = "Probe dialog";
  t.fontName = "MS Shell Dlg";
  t.items = {
      {"Button", "Fast encoding", kCheckId, BS_AUTOCHECKBOX | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 10, 10, 90, 10},
      {"Edit", "", kEditId, ES_AUTOHSCROLL | WS_BORDER | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 10, 30, 150, 12},
      {"Button", "OK", IDOK, BS_DEFPUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 80, 70, 50, 14},
      {"Button", "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 140, 70, 50, 14},
      {"Button", "Settings", kSettingsId, BS_PUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 10, 70, 50, 14},
  };
  const INT_PTR result = DialogBoxIndirectParam(nullptr, t, nullptr, ProbeDialog, 0);
  DestroyWindow(shaped);
  DestroyWindow(g_backdrop);
  DestroyWindow(empty);
  DestroyWindow(tip);
  DestroyWindow(oversize);
  platform::StopPresenter();
  platform::StopWindowTransport();
  return result == IDOK ? 0 : 1;
}
