#include "gallery_app.h"

#include <cstdio>

#include "gallery_dialog.h"
#include "gallery_ids.h"
#include "picture_tour.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/controls/gallery_page.h"

CGalleryApp::CGalleryApp() : CWinApp("Vidarro window gallery") {}

BOOL CGalleryApp::InitInstance() {
  const auto args = platform::SplitCommandLine(m_lpCmdLine);
  m_stay = !args.empty() && args[0] == "/stay";
  m_pictureFolder = platform::WithTrailingSlash(m_stay || args.empty() ? std::string(".") : args[0]);

  HMODULE resources = LoadResourceLibrary(kGalleryResources);
  if (!resources) {
    // The library holds the texts too, so this one message is the program's own.
    AfxMessageBox(std::string(kGalleryResources) + " is not loaded, please reinstall it", MB_OK | MB_ICONSTOP);
    m_exitCode = 1;
    return FALSE;
  }
  SetResourceLibrary(resources);

  std::vector<std::string> written;
  if (!m_stay) gallery::QueuePictureTour(m_pictureFolder, &written);
  CGalleryDlg dialog;
  RunMainDialog(dialog);
  if (m_stay) return FALSE;

  for (const std::string& name : written) std::printf("%s%s\n", m_pictureFolder.c_str(), name.c_str());
  std::string error;
  const auto page = platform::WriteControlsGalleryPage(m_pictureFolder, &error);
  for (const std::string& file : page) std::printf("%s\n", file.c_str());
  if (written.size() != gallery::TourPictureNames().size() || page.empty()) {
    std::fprintf(stderr, "vidarro_gallery: not every picture was written%s%s\n", error.empty() ? "" : ": ",
                 error.c_str());
    m_exitCode = 1;
  }
  // The dialog ran as the program's main loop; there is nothing left to run.
  return FALSE;
}
