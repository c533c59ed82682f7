// The small dialogs of the capture road: the enlarged preview, "DVD Settings", the three
// "Video Settings" cable dialogs and "WMV Settings".
#pragma once

#include <string>

#include "platform/window/afx_dialog.h"

namespace studio {

// The preview over the whole monitor that holds the capture page.
class CPreviewWindowDialog : public CDialog {
 public:
  explicit CPreviewWindowDialog(CWnd* page);

  HWND previousOwner = nullptr;
  int dvFlag = 0;  // the video belongs to the DV/HDV graph
  int width = 0;
  int height = 0;
  int aspect = 0;

  BOOL OnInitDialog() override;
  void OnOK() override { Close(); }
  void OnCancel() override { Close(); }

 protected:
  BOOL OnEraseBkgnd(CDC* dc) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT type) override;
  void OnContextMenu(CWnd* wnd, CPoint point) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnAspect(UINT id);
  void OnClose() override { Close(); }
  DECLARE_MESSAGE_MAP()

 private:
  bool GraphOpen() const;
  HRESULT GiveVideoTo(HWND owner);
  void CoverMonitor();
  void Close();

  CWnd* page_;
  bool closed_ = false;
};

// The DVD resolution level, with a warning for a processor that is too slow for it.
class CDvdSettingsDialog : public CDialog {
 public:
  explicit CDvdSettingsDialog(CWnd* parent = nullptr);

  int choice = -1;
  int ntsc = 1;
  int buttonsEnabled = 1;
  int cpuClass = 0;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;

 protected:
  void OnMiddle();
  void OnFull();
  DECLARE_MESSAGE_MAP()
};

// What the three "Video Settings" cable dialogs share; each differs only in its template's
// buttons. A click routes the input at once.
class CInputCableDialog : public CDialog {
 public:
  int choice = 0;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;

 protected:
  // `inputCable` is the stored "InputCable", changed when a route succeeds.
  CInputCableDialog(UINT templateId, int* inputCable, CWnd* parent);

  void OnInput(UINT id);
  void OnControlPage();
  void OnTunerPage();
  DECLARE_MESSAGE_MAP()

 private:
  UINT templateId_;
  int* inputCable_;
};

// Template 137: TV, Composite, S-Video.
class CTunerInputDialog : public CInputCableDialog {
 public:
  explicit CTunerInputDialog(int* inputCable, CWnd* parent = nullptr);
};

// Template 340: Composite, S-Video.
class CAnalogInputDialog : public CInputCableDialog {
 public:
  explicit CAnalogInputDialog(int* inputCable, CWnd* parent = nullptr);
};

// Template 341: Composite, S-Video, Y/Pb/Pr, Y/Cb/Cr.
class CComponentInputDialog : public CInputCableDialog {
 public:
  explicit CComponentInputDialog(int* inputCable, CWnd* parent = nullptr);
};

// The WMV header texts; each fits its request field with its terminating zero.
class CWmvSettingsDialog : public CDialog {
 public:
  static constexpr int kShortField = 98;
  static constexpr int kDescriptionField = 1022;

  explicit CWmvSettingsDialog(CWnd* parent = nullptr);

  std::string author, copyright, description, title;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  void OnOK() override {}
  void OnCancel() override {}

 protected:
  void OnStore();
  DECLARE_MESSAGE_MAP()
};

}  // namespace studio
