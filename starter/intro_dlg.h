// The intro picture shown while the suite's components are checked.
#pragma once

#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"

namespace starter {

class CLanvikApp;

class CIntroDlg : public CDialog {
 public:
  static constexpr UINT_PTR kCheckTimer = 200;
  static constexpr UINT kCheckMs = 2000;
  static constexpr UINT_PTR kCloseTimer = 100;
  static constexpr UINT kCloseMs = 100;

  explicit CIntroDlg(const CLanvikApp& app, CWnd* parent = nullptr);
  ~CIntroDlg() override;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnTimer(UINT_PTR id) override;

  DECLARE_MESSAGE_MAP()

 private:
  void CheckComponents();

  const CLanvikApp& app_;
  HBITMAP picture_ = nullptr;
  HBRUSH background_ = nullptr;
};

}  // namespace starter
