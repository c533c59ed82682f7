// The gallery's application object: loads its resource library, runs the main dialog and, when
// asked for pictures, tours its windows and writes each one.
#pragma once

#include <string>

#include "platform/window/afx_app.h"

// The resource library every piece of the gallery's interface comes from.
constexpr const char* kGalleryResources = "VidarroGalleryUI.dll";

class CGalleryApp : public CWinApp {
 public:
  CGalleryApp();

  BOOL InitInstance() override;

  // Set from the command line: "/stay" keeps the dialog open until it is closed; otherwise the
  // folder to write the pictures into (the current folder when none is given).
  bool m_stay = false;
  std::string m_pictureFolder;
};
