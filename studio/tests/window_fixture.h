// The main window run headless on the manual clock with the program's resource libraries, for
// tests that drive it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "capture_page.h"
#include "loading_dlg.h"
#include "platform/base/module.h"
#include "platform/gdi/image_file.h"
#include "platform/testkit/testkit.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"
#include "quillon_app.h"
#include "quillon_dlg.h"
#include "quillon_ids.h"

namespace studio {

// A still picture the clip list can take: a w x h block of one colour (0xAARRGGBB).
inline std::string PictureClip(const std::string& path, std::uint32_t colour, int w = 64, int h = 48) {
  std::vector<std::uint32_t> pixels(static_cast<size_t>(w) * h, colour);
  return platform::gdi::WritePng(pixels.data(), w, h, path) ? path : std::string();
}

class QuillonWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    // Loaded once for the whole run: the resource lookup keeps the tables of every library it
    // has seen, so unloading one between tests leaves it reading unmapped memory.
    static HMODULE program = platform::LoadResourceLibrary("Quillon.dll", 0);
    static HMODULE ui = platform::LoadResourceLibrary("Vidarro5UI.dll", 0);
    program_ = program;
    ui_ = ui;
    ASSERT_NE(program_, nullptr);
    ASSERT_NE(ui_, nullptr);
    AfxSetResourceHandle(program_);
    model_.folders = SettleFolders(env_.Home() + "app/");
  }
  void TearDown() override {
    platform::ClearInputScript();
    testkit::ResetWindows();
    AfxSetResourceHandle(nullptr);
  }
  // Runs the main window with its capture page; `steps` drive it once it shows.
  void RunWindow(CLoadingDlg** splash, const std::function<void(CQuillonDlg&, HWND)>& step) {
    CQuillonDlg dialog(&model_, {}, splash);
    dialog.SetPageAreaControl(IDC_PAGE_AREA);
    CCapturePage page;
    dialog.AddPage(&page, kCapturePageId);
    testkit::WhenDialogShows([&](HWND d) { step(dialog, d); });
    dialog.DoModal();
  }
  std::string Picture(HWND window, const std::string& name) { return testkit::WritePicture(window, name); }

  testkit::Environment env_{testkit::CurrentTestName()};
  testkit::ManualTime time_;
  testkit::MessageBoxAnswers boxes_;
  CWinApp app_{kProductTitle};
  StudioModel model_;
  HMODULE program_ = nullptr;
  HMODULE ui_ = nullptr;
};

}  // namespace studio
