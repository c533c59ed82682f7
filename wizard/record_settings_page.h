// Page 342: how long and how the recording will be, and whether the hard disk and the disc can
// take it.
#pragma once

#include <memory>

#include "widgets/skin_check_box.h"
#include "widgets/tip_bitmap_button.h"
#include "widgets/skin_slider.h"
#include "wizard_page.h"

class CRecordSettingsPage : public CWizardPage {
 public:
  CRecordSettingsPage();
  void OnSetActive() override;
  int GetNextPage() override;
  int GetBackPage() override { return 340; }

  static constexpr int kSlider = 1116;
  static constexpr int kTimeLabel = 1109;
  static constexpr int kWideScreen = 1134;
  static constexpr int kLowResolution = 1082;
  static constexpr int kBurnOptions = 1133;

 protected:
  BOOL OnInitDialog() override;
  void OnPaint() override;
  LRESULT OnSliderMoved(WPARAM wParam, LPARAM lParam);
  void OnBurnOptionsButton();
  DECLARE_MESSAGE_MAP()

 private:
  void ShowTime();
  // Whether the work folder's volume and the disc take the recording; says why not.
  bool SpaceSuffices();

  CSkinSlider m_slider;
  CTipBitmapButton m_burnOptions;
  std::unique_ptr<CSkinCheckBox> m_wideScreen, m_lowResolution;
};
