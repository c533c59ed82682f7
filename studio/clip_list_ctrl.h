// The clip list's control: thumbnails on black with light, heavy labels.
#pragma once

#include "platform/controls/afx_controls.h"
#include "platform/gdi/afx_gdi.h"

namespace studio {

class CClipListCtrl : public CListCtrl {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  HWND Owner() const { return owner_; }

 protected:
  void PreSubclassWindow() override;

 private:
  CFont font_;
  HWND owner_ = nullptr;
};

}  // namespace studio
