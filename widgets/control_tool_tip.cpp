#include "widgets/control_tool_tip.h"

#include "platform/window/afx_app.h"
#include "platform/window/resources.h"

namespace skin {

ControlToolTip::~ControlToolTip() {
  if (tip_ && tip_->m_hWnd) tip_->DestroyWindow();
}

void ControlToolTip::SetText(CWnd* control, const std::string& text, BOOL activate) {
  if (!control->m_hWnd) return;
  if (!tip_) {
    tip_ = std::make_unique<CToolTipCtrl>();
    tip_->Create(control);
    tip_->Activate(FALSE);
  }
  if (tip_->GetToolCount() == 0) {
    RECT client;
    control->GetClientRect(&client);
    tip_->AddTool(control, text, &client, 1);
  }
  tip_->UpdateTipText(text, control, 1);
  tip_->Activate(activate);
}

void ControlToolTip::SetString(CWnd* control, UINT stringId, BOOL activate) {
  const auto text = platform::LoadStdString(AfxGetResourceHandle(), stringId);
  if (text && !text->empty()) SetText(control, *text, activate);
}

void ControlToolTip::Activate(BOOL activate) {
  if (tip_ && tip_->m_hWnd && tip_->GetToolCount() > 0) tip_->Activate(activate);
}

void ControlToolTip::Relay(MSG* msg) {
  if (tip_ && tip_->m_hWnd) tip_->RelayEvent(msg);
}

}  // namespace skin
