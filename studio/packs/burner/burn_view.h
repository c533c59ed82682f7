// The burner pack's window: its burn list and, under it, the progress of a burn (the phase, a bar
// and Cancel), then how the last burn ended. Messages the pack posts to itself come back to
// `onMessage`; the Cancel button to `onCancel`.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/win_types.h"

namespace studio::packs {

class BurnView {
 public:
  static constexpr int kListId = 100;
  static constexpr int kPhaseId = 101;
  static constexpr int kBarId = 102;
  static constexpr int kCancelId = 103;

  BurnView() = default;
  ~BurnView();
  BurnView(const BurnView&) = delete;
  BurnView& operator=(const BurnView&) = delete;

  bool Create(DWORD style, const RECT& area, HWND parent);
  void Destroy();
  HWND Window() const { return window_; }
  void Move(const RECT& area);

  void SetList(const std::vector<std::string>& names);
  // While a burn runs: its phase and percent, Cancel enabled.
  void ShowProgress(const std::string& phase, int percent);
  // After a burn: its end ("Burning complete." or the reason), Cancel disabled.
  void ShowEnd(const std::string& text, bool burned);

  std::function<void(UINT message)> onMessage;
  std::function<void()> onCancel;

 private:
  static LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Layout();

  HWND window_ = nullptr;
};

}  // namespace studio::packs
