// The "Loading" splash shown on a thread of its own while the main window is built.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"

namespace studio {

class CLoadingDlg : public CDialog {
 public:
  static constexpr UINT_PTR kTickTimer = 200;
  static constexpr UINT kTickMs = 1000;
  static constexpr UINT_PTR kCloseTimer = 100;
  static constexpr UINT kCloseMs = 100;

  // The extra library gives the background and label place when loaded; else the UI library.
  CLoadingDlg(HMODULE extraLibrary, HMODULE uiLibrary);
  ~CLoadingDlg() override;

  // Runs the dialog's modal loop on its own thread.
  void StartThread();
  // Asks the splash, from any thread, to close 100 ms from now.
  void StartClose();
  // Ends the splash at once, from any thread.
  void EndNow();
  // Waits for the splash thread to end (bounded by the close the caller asked for).
  void Join();
  HWND Window() const { return m_hWnd; }
  bool Ended() const { return ended_; }

  static std::string LabelSuffix(int tick);

 protected:
  BOOL OnInitDialog() override;
  // Enter, Escape and a close request from outside end the splash's own loop.
  void OnOK() override { closed_ = true; }
  void OnCancel() override { closed_ = true; }
  void OnTimer(UINT_PTR id) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;
  LRESULT OnCloseRequest(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  void SetPatternBrush(HMODULE module, UINT bitmapId);

  int bitmapWidth_ = 600;
  int bitmapHeight_ = 400;
  std::string baseText_ = "Loading";
  HBRUSH brush_ = nullptr;
  int tick_ = 0;
  HMODULE extra_;
  HMODULE ui_;
  std::thread thread_;
  std::atomic<bool> ended_{false};
  std::atomic<bool> closeAsked_{false};
  std::atomic<bool> endNow_{false};
  bool closed_ = false;  // the splash thread's own
};

}  // namespace studio
