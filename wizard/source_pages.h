// The source pages: playback device (338), cable (339), connection picture with the automatic
// device choice (340) and no capture device (195).
#pragma once

#include <string>

#include "widgets/tip_bitmap_button.h"
#include "wizard_page.h"

class CCaptureDeviceList;

class CPlayerPage : public CWizardPage {
 public:
  CPlayerPage();
  void OnSetActive() override;
  int GetBackPage() override;

 protected:
  BOOL OnInitDialog() override;
  void OnPlayer(UINT id);
  DECLARE_MESSAGE_MAP()

 private:
  void ShowChoice();
  CTipBitmapButton m_buttons[6];
};

class CCablePage : public CWizardPage {
 public:
  CCablePage();
  void OnSetActive() override;

 protected:
  BOOL OnInitDialog() override;
  void OnComposite();
  void OnSVideo();
  DECLARE_MESSAGE_MAP()

 private:
  void ShowChoice();
  CTipBitmapButton m_composite, m_sVideo;
};

class CConnectPage : public CWizardPage {
 public:
  CConnectPage();
  void OnSetActive() override;
  int GetBackPage() override;
  int GetNextPage() override;

  // The picture (0 for none) and hint string of a DVD source.
  static UINT DvdPicture(int player, int cable);
  static UINT DvdHint(int player, int cable);
  // Chooses the capture devices from the list into the settings; false when none fits.
  static bool ChooseDevices(const CCaptureDeviceList& devices, bool bluRay);

 protected:
  BOOL OnInitDialog() override;
  DECLARE_MESSAGE_MAP()
};

class CNoCaptureDevicePage : public CWizardPage {
 public:
  CNoCaptureDevicePage();
  void OnSetActive() override;
  int GetBackPage() override { return 340; }
  int GetNextPage() override { return -1; }
};
