#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "burner_pack.h"
#include "capture_page.h"
#include "editor_pack.h"
#include "loading_dlg.h"
#include "main_skin.h"
#include "platform/base/file.h"
#include "platform/ole/drop_files.h"
#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/com/class_table.h"
#include "platform/com/inproc_server.h"
#include "platform/gdi/image_file.h"
#include "platform/registry/registry.h"
#include "platform/shell/file_dialog.h"
#include "platform/shell/power.h"
#include "platform/testkit/testkit.h"
#include "platform/window/afx_app.h"
#include "platform/window/message_box_dialog.h"
#include "platform/window/monitors.h"
#include "platform/window/resources.h"
#include "platform/window/window_surface.h"
#include "platform/testkit/tool_tips.h"
#include "project_file.h"
#include "quillon_app.h"
#include "quillon_dlg.h"
#include "quillon_ids.h"
#include "resources/skin_ids.h"
#include "scripted_pack.h"
#include "window_fixture.h"
#include "widgets/reg_helpers.h"

namespace studio {
namespace {

using namespace testkit;
using testing::ScriptedPack;

DEFINE_GUID(CLSID_TestEditor, 0x1A2B3C4D, 0x0001, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01);
DEFINE_GUID(CLSID_TestBurner, 0x1A2B3C4D, 0x0002, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02);

// Registers one pack object under a ProgID: every creation hands out the same object.
platform::com::ClassRegistration RegisterPack(REFCLSID clsid, ScriptedPack* pack, const char* progId) {
  return platform::com::ClassRegistration(
      clsid, [pack](REFIID riid, void** ppv) { return pack->QueryInterface(riid, ppv); }, progId);
}

// Waits, at most five real seconds, for another thread to get somewhere.
// Bounded by wall time, generous enough for a loaded machine or a sanitizer build.
bool WaitReal(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (done()) return true;
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

using QuillonWindowTest = QuillonWindowFixture;

TEST_F(QuillonWindowTest, SplashEndsAfterTheStartTimerAndClosingRestoresTheSystem) {
  CLoadingDlg* splash = new CLoadingDlg(nullptr, ui_);
  splash->StartThread();
  ASSERT_TRUE(WaitReal([&] { return splash->Window() && ::IsWindowVisible(splash->Window()); }));
  EXPECT_EQ(WindowText(splash->Window()), kProductTitle);
  Picture(splash->Window(), "splash.png");
  bool endedBeforeClose = false;
  EXPECT_EQ(CLoadingDlg::LabelSuffix(3), " . . .");
  EXPECT_EQ(CLoadingDlg::LabelSuffix(5), "");
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    EXPECT_FALSE(dialog.Started());
    time_.Advance(kStartMs);
    EXPECT_TRUE(dialog.Started());
    EXPECT_EQ(dialog.Model().currentPage, 0);
    EXPECT_FALSE(splash->Ended());
    // The splash sets its close timer on its own thread, perhaps after a first advance: the
    // clock moves on until that timer has fired.
    endedBeforeClose = WaitReal([&] {
      time_.Advance(CLoadingDlg::kCloseMs);
      return splash->Ended();
    });
    EXPECT_EQ(platform::CurrentExecutionState(), ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    EXPECT_EQ(::SendMessage(d, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0), BROADCAST_QUERY_DENY);
    Picture(d, "main_window.png");
    dialog.Model().settings.volume = 7;
    dialog.Model().settings.cpuMode = 1;
    EXPECT_TRUE(ClickButton(d, IDC_CLOSE_BUTTON));
  });
  EXPECT_TRUE(endedBeforeClose);
  EXPECT_EQ(splash, nullptr);     // the window deleted it
  EXPECT_EQ(boxes_.Count(), 0u);  // an empty project asks nothing
  EXPECT_EQ(platform::CurrentExecutionState(), ES_CONTINUOUS);
  BOOL screenSaver = FALSE;
  ::SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &screenSaver, 0);
  EXPECT_TRUE(screenSaver);
  DWORD value = 0;
  for (const char* name : {"InputCable", "nVolume", "WideScreen", "CPUMode"})
    EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, kProductKey, name, &value, REG_READ_NO_DEFAULT)) << name;
  RegReadDword(HKEY_CURRENT_USER, kProductKey, "nVolume", &value, 0);
  EXPECT_EQ(value, 7u);
  char text[REG_READ_STRING_SIZE];
  for (const char* name : {"szAddFileFolder", "WMV_Title", "WMV_Author", "WMV_Copyright", "WMV_Description"})
    EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, kProductKey, name, text, nullptr)) << name;
}

TEST_F(QuillonWindowTest, AMainWindowButtonsTipShowsOverTheWindowOnceItIsActive) {
  CLoadingDlg* splash = nullptr;
  bool shown = false, above = false;
  RunWindow(&splash, [&](CQuillonDlg&, HWND d) {
    time_.Advance(kStartMs);
    ::SetActiveWindow(d);
    testkit::RestPointerOn(::GetDlgItem(d, IDC_IPOD), POINT{6, 6});
    testkit::WhenDialogShows([&, d](HWND) {
      time_.Advance(1000);
      const testkit::ShownTip tip = testkit::ShownTipAbove(d);
      shown = tip.tip != nullptr;
      above = tip.above;
      ::RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      EXPECT_TRUE(platform::WriteWindowAsSeenPng(d, testkit::PictureFolder() + "main_window_with_tip.png"));
      ClickButton(d, IDC_CLOSE_BUTTON);
    });
  });
  EXPECT_TRUE(shown) << "no tip shows";
  EXPECT_TRUE(above) << "the tip is under its window";
}

TEST_F(QuillonWindowTest, PacksShowOnTheirStepsAndABusyEditorKeepsItsStepAndTheWindow) {
  std::vector<std::string> log;
  auto editor = platform::com::MakeComObject<ScriptedPack>("Editor");
  auto burner = platform::com::MakeComObject<ScriptedPack>("Burner");
  editor->log = burner->log = &log;
  auto editorClass = RegisterPack(CLSID_TestEditor, editor.get(), kEditorProgId);
  auto burnerClass = RegisterPack(CLSID_TestBurner, burner.get(), kBurnerProgId);
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    ASSERT_EQ(dialog.Model().editor, editor.get());
    ClickButton(d, IDC_STEP_EDIT);
    EXPECT_EQ(dialog.Model().currentPage, 1);
    EXPECT_EQ(log.back(), "Editor.Show(1)");
    Picture(d, "edit_step.png");
    editor->SetBusy(1);
    ClickButton(d, IDC_STEP_BURN);
    EXPECT_EQ(dialog.Model().currentPage, 1);
    ClickButton(d, IDC_CLOSE_BUTTON);  // refused: the editor works
    EXPECT_TRUE(::IsWindow(d));
    editor->SetBusy(0);
    ClickButton(d, IDC_STEP_BURN);
    EXPECT_EQ(dialog.Model().currentPage, 2);
    Picture(d, "burn_step.png");
    ClickButton(d, IDC_FULL_SCREEN);
    EXPECT_TRUE(dialog.FullScreen());
    Picture(d, "burn_step_full_screen.png");
    ClickButton(d, IDC_NORMAL_SIZE);
    EXPECT_FALSE(dialog.FullScreen());
    ClickButton(d, IDC_STEP_CAPTURE);
    EXPECT_EQ(dialog.Model().currentPage, 0);
    Picture(d, "capture_step.png");
    log.clear();
    boxes_.QueueAnswer(IDNO);  // the project has been on other steps: asked, not saved
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
  // The close order: busy questions, then per pack its window before its shutdown, editor first.
  const std::vector<std::string> expected = {"Editor.QueryBusy",    "Burner.QueryBusy",     "Editor.DestroyWindow",
                                             "Editor.Uninitialize", "Burner.DestroyWindow", "Burner.Uninitialize"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(editor->Host(), nullptr);
  EXPECT_EQ(editor->RefCount(), 1u);  // the window gave its reference back
}

TEST_F(QuillonWindowTest, EndAndCloseOnTheBurnStepStopsTheBurnerAndAsksNothing) {
  std::vector<std::string> log;
  auto burner = platform::com::MakeComObject<ScriptedPack>("Burner");
  burner->log = &log;
  auto burnerClass = RegisterPack(CLSID_TestBurner, burner.get(), kBurnerProgId);
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    EXPECT_EQ(dialog.Model().editor, nullptr);  // no editor installed: its step stays empty
    ClickButton(d, IDC_STEP_EDIT);
    EXPECT_EQ(dialog.Model().currentPage, 1);
    ClickButton(d, IDC_STEP_BURN);
    dialog.Model().settings.videoInput = 2;
    log.clear();
    ::SendMessage(d, WM_CAPTURE_END_AND_CLOSE, 0, 0);
  });
  EXPECT_EQ(log,
            (std::vector<std::string>{"Burner.Command:stop<Vidarro5>", "Burner.DestroyWindow", "Burner.Uninitialize"}));
  EXPECT_EQ(boxes_.Count(), 0u);
  DWORD value = 0;
  EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, kProductKey, "InputCable", &value, REG_READ_NO_DEFAULT));
  EXPECT_EQ(value, 2u);
}

TEST_F(QuillonWindowTest, CaptureStepAgainAndFileRequests) {
  CLoadingDlg* splash = nullptr;
  const std::string clip = PictureClip(env_.Documents() + "a.png", 0xFF2080E0);
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    auto* page = static_cast<CCapturePage*>(dialog.FindPage(kCapturePageId));
    ClickButton(d, IDC_STEP_CAPTURE);
    EXPECT_EQ(page->stepAgainCount, 1);
    std::string path = clip;
    EXPECT_EQ(::SendMessage(d, WM_STUDIO_FILE_REQUEST, 2, reinterpret_cast<LPARAM>(&path)), 1);
    EXPECT_EQ(dialog.ClipListControl().GetItemCount(), 1);
    dialog.Model().clips.AddProjectTitleItem(1, 30, "");
    ASSERT_EQ(dialog.ClipListControl().GetItemCount(), 2);
    EXPECT_EQ(dialog.ClipListControl().GetItemText(0, 0), "Edited Video");  // the title comes first
    EXPECT_EQ(dialog.ClipListControl().GetItemText(1, 1), clip);
    Picture(d, "clip_list.png");
    EXPECT_EQ(::SendMessage(d, WM_STUDIO_FILE_REQUEST, 1, reinterpret_cast<LPARAM>(&path)), 1);
    EXPECT_EQ(::SendMessage(d, WM_STUDIO_FILE_REQUEST, 1, 0), 0);
    EXPECT_EQ(::SendMessage(d, WM_CONVERTER_LINK, 170, 0), 1);
    boxes_.QueueAnswer(IDCANCEL);
    ClickButton(d, IDC_CLOSE_BUTTON);  // a clip: asked, and Cancel keeps the window
    EXPECT_TRUE(::IsWindow(d));
    boxes_.QueueAnswer(IDNO);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
  ASSERT_EQ(boxes_.Count(), 2u);
  EXPECT_EQ(boxes_.Last().text, "Do you want to save the project before you exit?");
  EXPECT_EQ(boxes_.Last().caption, kProductTitle);
}

TEST_F(QuillonWindowTest, ClipsAreAddedDeletedAndRenamedFromTheList) {
  CLoadingDlg* splash = nullptr;
  const std::string a = PictureClip(env_.Documents() + "a.png", 0xFFE02020);
  const std::string b = PictureClip(env_.Documents() + "b.png", 0xFF20E020);
  const std::string c = PictureClip(env_.Documents() + "c.png", 0xFF2020E0);
  const std::string title = PictureClip(env_.Documents() + "title.png", 0xFFFFFF00, 80, 60);
  std::ofstream(env_.Documents() + "notes.txt") << "text";
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    CClipListCtrl& list = dialog.ClipListControl();
    // The Add dialog starts in the add-file folder and takes several files at once; an unknown
    // kind stays out.
    dialog.Model().settings.addFileFolder = env_.Documents();
    WhenDialogShows([&](HWND box) {
      Picture(box, "add_dialog.png");
      AnswerFileDialog("\"a.png\" \"b.png\" \"c.png\" \"notes.txt\"");
    });
    ClickButton(d, IDC_ADD);
    ASSERT_EQ(list.GetItemCount(), 3);
    dialog.Model().clips.AddProjectTitleItem(1, 30, title);
    ASSERT_EQ(list.GetItemCount(), 4);
    // The title shows its own picture, not the first clip's.
    const int titleImage = dialog.Model().clips.Items()[0].image;
    for (size_t i = 1; i < 4; ++i) EXPECT_NE(dialog.Model().clips.Items()[i].image, titleImage);
    // With the UI library's background the list frames the selected title and labels it in its
    // own colour.
    ASSERT_TRUE(dialog.ClipListControl().BackgroundLoaded());
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    RECT icon{};
    list.GetItemRect(0, &icon, LVIR_ICON);
    EXPECT_EQ(Pixel(list.m_hWnd, (icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2), RGB(255, 255, 0));
    Picture(d, "clip_list_title_selected.png");

    list.SetItemState(0, 0, LVIS_SELECTED);
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    RECT r{};
    ::GetWindowRect(list.m_hWnd, &r);
    WhenDialogShows([&](HWND) { PressKey(VK_ESCAPE); });
    ::SendMessage(d, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.m_hWnd), MAKELPARAM(r.left + 20, r.top + 20));

    // Title, a, b, c selected: a to the trash, Cancel keeps b, c leaves the list only.
    for (int i = 0; i < 4; ++i) list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    WhenDialogShows([&](HWND first) {
      Picture(first, "delete_prompt.png");
      EXPECT_EQ(ControlText(first, IDC_DELETE_FILE_NAME), "a.png");
      WhenDialogShows([&](HWND second) {
        EXPECT_EQ(ControlText(second, IDC_DELETE_FILE_NAME), "b.png");
        WhenDialogShows([&](HWND third) {
          EXPECT_EQ(ControlText(third, IDC_DELETE_FILE_NAME), "c.png");
          ClickButton(third, IDC_KEEP_FILES);
        });
        ClickButton(second, IDCANCEL);
      });
      ClickButton(first, IDC_MOVE_TO_TRASH);
    });
    ClickButton(d, IDC_DELETE);
    EXPECT_FALSE(dialog.Model().clips.Contains(a));
    EXPECT_FALSE(platform::FileExists(a));
    EXPECT_TRUE(dialog.Model().clips.Contains(b));
    EXPECT_FALSE(dialog.Model().clips.Contains(c));
    EXPECT_TRUE(platform::FileExists(c));
    ASSERT_EQ(list.GetItemCount(), 2);

    // Rename in place: the edit shows over the label; the file follows the new text.
    for (int i = 0; i < 2; ++i) list.SetItemState(i, i == 1 ? LVIS_SELECTED : 0, LVIS_SELECTED);
    ::SendMessage(d, WM_COMMAND, ID_CLIP_RENAME, 0);
    HWND edit = reinterpret_cast<HWND>(list.SendMessage(LVM_GETEDITCONTROL));
    ASSERT_NE(edit, nullptr);
    ::SetWindowText(edit, "green");
    Picture(d, "rename_edit.png");
    PressKey(VK_RETURN);
    Pump();
    EXPECT_TRUE(platform::FileExists(env_.Documents() + "green.png"));
    EXPECT_TRUE(dialog.Model().clips.Contains(env_.Documents() + "green.png"));
    EXPECT_EQ(list.GetItemText(1, 0), "green.png");
    boxes_.QueueAnswer(IDNO);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
}

// Linux names may hold double quotes and bytes that are not UTF-8: such clips are chosen in the
// Add dialog's list like any other, and a saved project gives them back byte for byte.
TEST_F(QuillonWindowTest, ClipsWhoseNamesHoldQuotesOrOtherBytesAreAddedAndKeptInTheProject) {
  CLoadingDlg* splash = nullptr;
  const std::string quoted = PictureClip(env_.Documents() + "say \"hi\".png", 0xFFE02020);
  const std::string latin = PictureClip(env_.Documents() + "caf\xe9.png", 0xFF20E020);
  const std::string project = env_.Documents() + "names.ilj5";
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    dialog.Model().settings.addFileFolder = env_.Documents();
    PickInFileDialog("say \"hi\".png", 1);  // among the image files
    ClickButton(d, IDC_ADD);
    PickInFileDialog("caf\xe9.png", 1);
    ClickButton(d, IDC_ADD);
    const auto& items = dialog.Model().clips.Items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].path, quoted);
    EXPECT_EQ(items[1].path, latin);
    Picture(d, "clip_list_unusual_names.png");
    ASSERT_TRUE(SaveProjectTo(dialog.Model(), project));
    ResetProject(dialog.Model());
    ASSERT_TRUE(OpenProject(dialog.Model(), project));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].path, quoted);
    EXPECT_EQ(items[1].path, latin);
    boxes_.QueueAnswer(IDNO);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
}

TEST_F(QuillonWindowTest, DoubleClickAddsToTheEditorOnTheEditStepAndFileInformationAsksIt) {
  std::vector<std::string> log;
  auto editor = platform::com::MakeComObject<ScriptedPack>("Editor");
  auto burner = platform::com::MakeComObject<ScriptedPack>("Burner");
  editor->log = burner->log = &log;
  auto editorClass = RegisterPack(CLSID_TestEditor, editor.get(), kEditorProgId);
  auto burnerClass = RegisterPack(CLSID_TestBurner, burner.get(), kBurnerProgId);
  const std::string clip = PictureClip(env_.Documents() + "d.png", 0xFF406080);
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    CClipListCtrl& list = dialog.ClipListControl();
    ASSERT_TRUE(dialog.AddClip(clip, FALSE));
    dialog.Model().clips.AddProjectTitleItem(1, 10, "");
    ClickButton(d, IDC_STEP_EDIT);
    const auto has = [&](const std::string& entry) { return std::find(log.begin(), log.end(), entry) != log.end(); };
    NMHDR click{list.m_hWnd, IDC_CLIP_LIST, NM_DBLCLK};
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);  // the title does nothing
    log.clear();
    ::SendMessage(d, WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_TRUE(log.empty());
    list.SetItemState(0, 0, LVIS_SELECTED);
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    ::SendMessage(d, WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_TRUE(has("Editor.Command:add file " + clip + "<Vidarro5>"));
    ::SendMessage(d, WM_COMMAND, ID_CLIP_INFO, 0);
    EXPECT_TRUE(has("Editor.Command:fileinfo path=" + clip + "<Vidarro5>"));
    EXPECT_TRUE(dialog.CanRenameSelection());
    EXPECT_TRUE(dialog.CanDeleteSelection());
    editor->Answer("isfilebusy", S_OK);
    EXPECT_FALSE(dialog.CanRenameSelection());
    EXPECT_FALSE(dialog.CanDeleteSelection());
    EXPECT_TRUE(dialog.CanShowFileInfo());
    ::SendMessage(d, WM_COMMAND, ID_CLIP_DELETE, 0);  // busy: told, and kept
    EXPECT_EQ(boxes_.Count(), 1u);
    EXPECT_NE(boxes_.Last().text.find("It is currently being used"), std::string::npos);
    EXPECT_TRUE(dialog.Model().clips.Contains(clip));
    dialog.CloseWithoutPrompt();
  });
}

TEST_F(QuillonWindowTest, FilesDroppedOnTheListAreAddedWholeFoldersAndMissingOnesAreNot) {
  CLoadingDlg* splash = nullptr;
  // Past 260 characters, so a cut path would name another file.
  std::string folder = env_.Documents();
  while (folder.size() < 300) folder += std::string(60, 'd') + "/";
  std::filesystem::create_directories(folder);
  const std::string deep = PictureClip(folder + "deep.png", 0xFF808080);
  const std::string gone = env_.Documents() + "gone.png";
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    CListCtrl& list = dialog.ClipListControl();
    HGLOBAL drop = platform::ole::BuildDropFiles({deep, gone, env_.Documents()});
    ASSERT_NE(drop, nullptr);
    list.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetItemText(0, 1), deep);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
}

TEST_F(QuillonWindowTest, ProjectMenuSavesAndOpensThroughTheFileDialogs) {
  CLoadingDlg* splash = nullptr;
  const std::string clip = PictureClip(env_.Documents() + "b.png", 0xFFE08020);
  const std::string project = env_.Documents() + "menu.ilj5";
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    dialog.AddClip(clip, TRUE);
    WhenDialogShows([&](HWND box) {
      Picture(box, "save_dialog.png");
      AnswerFileDialog(project);
    });
    ::SendMessage(d, WM_COMMAND, ID_PROJECT_SAVE, 0);
    EXPECT_EQ(dialog.Model().projectPath, project);
    boxes_.QueueAnswer(IDNO);
    ::SendMessage(d, WM_COMMAND, ID_PROJECT_NEW, 0);
    EXPECT_EQ(dialog.ClipListControl().GetItemCount(), 0);
    WhenDialogShows([&](HWND box) {
      Picture(box, "open_dialog.png");
      AnswerFileDialog(project);
    });
    ::SendMessage(d, WM_COMMAND, ID_PROJECT_OPEN, 0);
    EXPECT_EQ(dialog.ClipListControl().GetItemCount(), 1);
    WhenDialogShows([&](HWND about) {
      EXPECT_EQ(WindowText(about), kProductTitle);
      EXPECT_EQ(ControlText(about, IDC_ABOUT_VERSION), "Product Version : 5.0.25");
      Picture(about, "about.png");
      ClickButton(about, IDOK);
    });
    ::SendMessage(d, WM_SYSCOMMAND, kAboutSystemCommand, 0);
    // "Check your computer specs" opens the suite's own system information window.
    std::string specs;
    WhenDialogShows([&](HWND info) {
      specs = WindowText(info);
      EXPECT_FALSE(Picture(info, "system_information.png").empty());
      ClickButton(info, IDOK);
    });
    ::SendMessage(d, WM_COMMAND, ID_HELP_SYSTEM_INFO, 0);
    EXPECT_EQ(specs, "System Information");
    boxes_.QueueAnswer(IDNO);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
  std::ifstream in(project);
  EXPECT_TRUE(in.good());
}

TEST_F(QuillonWindowTest, SavingOverAProjectThatChangedOnDiskAsksAndNoLetsTheUserChooseAnotherName) {
  CLoadingDlg* splash = nullptr;
  const std::string project = env_.Documents() + "Holiday.ilj5";
  const std::string copy = env_.Documents() + "Holiday mine.ilj5";
  const std::string mine = PictureClip(env_.Documents() + "mine.png", 0xFF2080E0);
  const std::string theirs = PictureClip(env_.Documents() + "theirs.png", 0xFFE08020);
  StudioModel other;  // another copy of the program, on another desktop
  other.folders = model_.folders;
  ASSERT_TRUE(SaveProjectTo(other, project));  // also the project this window opens at start
  std::string question;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    ASSERT_EQ(dialog.Model().projectPath, project);
    other.AddClip(theirs, FALSE);
    ASSERT_TRUE(SaveProjectTo(other, project));
    dialog.AddClip(mine, TRUE);
    platform::MessageBoxHandler recorder = platform::SetMessageBoxHandler(platform::ShowMessageBoxDialog);
    AnswerFileDialog(project);
    AnswerWithButton(IDYES);  // the file dialog's "already exists" question
    WhenDialogShows([&](HWND box) {
      question = ControlText(box, platform::kMessageBoxTextId);
      Picture(box, "project_changed_on_disk_box.png");
      ClickButton(box, IDNO);
    });
    AnswerFileDialog(copy);
    ::SendMessage(d, WM_COMMAND, ID_PROJECT_SAVE, 0);
    platform::SetMessageBoxHandler(recorder);
    EXPECT_EQ(dialog.Model().projectPath, copy);
    boxes_.QueueAnswer(IDNO);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
  EXPECT_NE(question.find("\"Holiday.ilj5\" has changed on disk"), std::string::npos) << question;
  std::string shared, saved;
  platform::ReadWholeFile(project, &shared);
  platform::ReadWholeFile(copy, &saved);
  EXPECT_NE(shared.find(theirs), std::string::npos);
  EXPECT_EQ(shared.find(mine), std::string::npos);
  EXPECT_NE(saved.find(mine), std::string::npos);
}

// The file of the module whose code a COM object runs: where its table of functions lies.
std::string ModuleOfObject(IUnknown* object) {
  return object ? platform::FileNameOf(platform::com::ModuleFileOf(*reinterpret_cast<void**>(object))) : "";
}

TEST_F(QuillonWindowTest, F1AndTheHelpMenuOpenTheGuideAndTheSupportPage) {
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    const std::string guide = dialog.Model().folders.program + "Vidarro5UG.pdf";
    const size_t before = platform::ReadLaunchRecords().size();
    // F1 is taken before any control sees it, as the window's loop hands every message over.
    MSG f1{::GetDlgItem(d, IDC_ADD), WM_KEYDOWN, VK_F1, 0, 0, {}};
    EXPECT_TRUE(AfxWalkPreTranslateTree(d, &f1));
    ::SendMessage(d, WM_COMMAND, ID_HELP_USER_GUIDE, 0);
    ::SendMessage(d, WM_COMMAND, ID_HELP_ONLINE_SUPPORT, 0);
    const auto launches = platform::ReadLaunchRecords();
    ASSERT_EQ(launches.size(), before + 3);
    for (size_t i : {before, before + 1}) {
      EXPECT_EQ(launches[i].verb, "open");
      EXPECT_EQ(launches[i].target, guide);
    }
    // The support address ends in "=": the language code completes it.
    EXPECT_EQ(launches[before + 2].verb, "open");
    EXPECT_EQ(launches[before + 2].target, "https://support.narvell.example/vidarro?lang=0x0409");
    dialog.CloseWithoutPrompt();
  });
}

TEST_F(QuillonWindowTest, TheInstalledPacksComeFromTheirModulesAndArePicturedWithTheMenus) {
  // Registered as an installer does; the window then finds them through the registry.
  for (const char* module : {"Lumbrel.so", "Tessmor.so"}) {
    ProgramProcess regsvr32;
    ASSERT_TRUE(regsvr32.Start("regsvr32", {"/s", platform::AppFolder() + module}));
    EXPECT_EQ(regsvr32.WaitForExit(20000), 0) << regsvr32.Output();
  }
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    ASSERT_NE(dialog.Model().editor, nullptr);
    ASSERT_NE(dialog.Model().burner, nullptr);
    EXPECT_EQ(ModuleOfObject(dialog.Model().editor), "Lumbrel.so");
    EXPECT_EQ(ModuleOfObject(dialog.Model().burner), "Tessmor.so");
    Picture(d, "capture_step_real_packs.png");
    ClickButton(d, IDC_FULL_SCREEN);
    Picture(d, "capture_step_full_screen.png");
    ClickButton(d, IDC_NORMAL_SIZE);
    ClickButton(d, IDC_STEP_EDIT);
    Picture(d, "editor_pack.png");
    ClickButton(d, IDC_FULL_SCREEN);
    Picture(d, "editor_pack_full_screen.png");
    ClickButton(d, IDC_NORMAL_SIZE);
    ClickButton(d, IDC_STEP_BURN);
    Picture(d, "burner_pack.png");
    ClickButton(d, IDC_FULL_SCREEN);
    Picture(d, "burner_pack_full_screen.png");
    ClickButton(d, IDC_NORMAL_SIZE);
    std::string projectMenu, helpMenu;
    // A popup menu is a window of its own class while it is tracked.
    WhenDialogShows([&](HWND) {
      projectMenu = Picture(::FindWindow("#32768", nullptr), "project_menu.png");
      PressKey(VK_ESCAPE);
    });
    ClickButton(d, IDC_PROJECT);
    WhenDialogShows([&](HWND) {
      helpMenu = Picture(::FindWindow("#32768", nullptr), "help_menu.png");
      PressKey(VK_ESCAPE);
    });
    ClickButton(d, IDC_HELP_BUTTON);
    EXPECT_FALSE(projectMenu.empty());
    EXPECT_FALSE(helpMenu.empty());
    // The question before closing, as the user sees it.
    platform::MessageBoxHandler recorder = platform::SetMessageBoxHandler(platform::ShowMessageBoxDialog);
    WhenDialogShows([&](HWND box) {
      EXPECT_NE(box, d);
      EXPECT_EQ(WindowText(box), kProductTitle);
      Picture(box, "save_before_exit_box.png");
      ClickButton(box, IDNO);
    });
    ClickButton(d, IDC_CLOSE_BUTTON);
    platform::SetMessageBoxHandler(recorder);
  });
}

TEST_F(QuillonWindowTest, TheFramePiecesShapeTheWindowAndPlaceItsButtonsWhole) {
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    // Every button shows its whole picture: its window is its frame's size.
    for (UINT id : {IDC_STEP_CAPTURE, IDC_STEP_EDIT, IDC_STEP_BURN, IDC_PROJECT, IDC_HELP_BUTTON, IDC_MINIMIZE,
                    IDC_CLOSE_BUTTON, IDC_ADD, IDC_DELETE, IDC_IPOD, IDC_PSP, IDC_HD}) {
      auto* button = static_cast<CSkinButton*>(CWnd::FromHandle(::GetDlgItem(d, static_cast<int>(id))));
      ASSERT_NE(button, nullptr) << id;
      RECT r{};
      ::GetWindowRect(button->m_hWnd, &r);
      EXPECT_GT(button->GetFrameWidth(), 0) << id;
      EXPECT_EQ(r.right - r.left, button->GetFrameWidth()) << id;
      EXPECT_EQ(r.bottom - r.top, button->GetFrameHeight()) << id;
    }
    // Only the size button that does something has a size.
    auto sizeOf = [&](UINT id) {
      RECT r{};
      ::GetWindowRect(::GetDlgItem(d, static_cast<int>(id)), &r);
      return SIZE{r.right - r.left, r.bottom - r.top};
    };
    EXPECT_EQ(sizeOf(IDC_FULL_SCREEN).cx, kSizeButton);
    EXPECT_EQ(sizeOf(IDC_NORMAL_SIZE).cx, 0);
    ClickButton(d, IDC_FULL_SCREEN);
    EXPECT_EQ(sizeOf(IDC_FULL_SCREEN).cx, 0);
    EXPECT_EQ(sizeOf(IDC_NORMAL_SIZE).cx, kSizeButton);
    ClickButton(d, IDC_NORMAL_SIZE);

    // The page area lies inside the frame; the capture page fills it.
    const RECT area = dialog.PageArea();
    auto* page = dialog.FindPage(kCapturePageId);
    ASSERT_NE(page, nullptr);
    RECT pageRect{};
    ::GetWindowRect(page->m_hWnd, &pageRect);
    EXPECT_EQ(pageRect.right - pageRect.left, area.right - area.left);
    EXPECT_GT(area.left, 0);
    EXPECT_LT(area.right, kNormalWidth);

    // The corners are cut where their pieces are red; the body is whole.
    ::UpdateWindow(d);
    CRgn region;
    region.CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(d, region), ERROR);
    for (POINT corner : {POINT{0, 0}, POINT{kNormalWidth - 1, 0}, POINT{0, kNormalHeight - 1},
                         POINT{kNormalWidth - 1, kNormalHeight - 1}})
      EXPECT_FALSE(region.PtInRegion(corner)) << corner.x << "," << corner.y;
    for (POINT inside : {POINT{kCornerSize, kCornerSize}, POINT{kNormalWidth / 2, 0}, POINT{0, kNormalHeight / 2},
                         POINT{kNormalWidth - kCornerSize, kNormalHeight - 1 - kCornerSize}})
      EXPECT_TRUE(region.PtInRegion(inside)) << inside.x << "," << inside.y;
    Picture(d, "main_window_frame.png");
    // The window's icon is the program's resource 128, also its drag icon.
    const auto icon = reinterpret_cast<HICON>(::SendMessage(d, WM_GETICON, TRUE, 0));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessage(d, WM_QUERYDRAGICON, 0, 0)), icon);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
}

TEST(QuillonLayout, ControlsFollowTheFramePiecesAtEverySize) {
  CSkinFrame frame;
  // Pieces as plain bitmaps of the sizes the layout reads.
  auto piece = [&](int row, int index, int w, int h) {
    CSkinBitmap& p = frame.m_pieces[row][index];
    p.m_bitmap.Attach(::CreateBitmap(w, h, 1, 32, nullptr));
    p.m_nWidth = w;
    p.m_nHeight = h;
    p.m_bLoaded = TRUE;
  };
  piece(CSkinFrame::kTop, 0, 200, 60);
  piece(CSkinFrame::kTop, 1, 4, 60);
  piece(CSkinFrame::kTop, 2, 490, 60);
  piece(CSkinFrame::kTop, 3, 240, 60);
  piece(CSkinFrame::kLeft, 0, 14, 40);
  piece(CSkinFrame::kRight, 0, 160, 20);
  piece(CSkinFrame::kRight, 1, 160, 8);
  piece(CSkinFrame::kRight, 2, 160, 96);
  piece(CSkinFrame::kBottom, 0, 40, 20);
  piece(CSkinFrame::kBottom, 2, 40, 20);
  const MainLayout l = ComputeMainLayout(frame, 1000, 680);
  EXPECT_EQ(l.capture.x, 200 + (1000 - 240 - 490 - 200 + 1) / 2);
  EXPECT_EQ(l.edit.x - l.capture.x, 164);
  EXPECT_EQ(l.burn.y, 18);
  EXPECT_EQ(l.project.x, 1000 - 240 + 14);
  EXPECT_EQ(l.close.x, 1000 - 240 + 198);
  EXPECT_EQ(l.clipList.left, 1000 - 160 + 14);
  EXPECT_EQ(l.clipList.top, 80);
  EXPECT_EQ(l.clipList.right - l.clipList.left, 125);
  EXPECT_EQ(l.clipList.bottom - l.clipList.top, 680 - 60 - 20 - 96 - 20);
  EXPECT_EQ(l.add.y, 680 - 20 - 96 + 5);
  EXPECT_EQ(l.hd.x, 1000 - 160 + 102);
  EXPECT_EQ(l.pageArea.left, 14);
  EXPECT_EQ(l.pageArea.bottom, 660);
  const MainLayout wide = ComputeMainLayout(frame, 1920, 1080);
  EXPECT_EQ(wide.close.x - l.close.x, 920);
  EXPECT_GT(wide.capture.x, l.capture.x);
  // Without pieces nothing is negative in size.
  const MainLayout bare = ComputeMainLayout(CSkinFrame{}, 1000, 680);
  EXPECT_EQ(bare.pageArea.right, 1000);
  EXPECT_GE(bare.clipList.right, bare.clipList.left);
  EXPECT_GE(bare.clipList.bottom, bare.clipList.top);
}

TEST(QuillonStartup, FoldersEndInASlashAndTheBurnersTempFolderIsTaken) {
  Environment env(CurrentTestName());
  StudioFolders folders = SettleFolders(env.Home() + "app");
  EXPECT_EQ(folders.program, env.Home() + "app/");
  EXPECT_EQ(folders.output, env.Documents() + "Vidarro/");
  EXPECT_TRUE(FolderExists(folders.output));
  EXPECT_EQ(folders.temp.back(), '/');
  RegWriteString(HKEY_CURRENT_USER, kBurnerKey, "TempFolder", env.Temp().substr(0, env.Temp().size() - 1).c_str());
  RegWriteString(HKEY_CURRENT_USER, kProductKey, "OutFolder", (env.Home() + "gone/").c_str());
  folders = SettleFolders(env.Home() + "app/");
  EXPECT_EQ(folders.temp, env.Temp());
  EXPECT_EQ(folders.output, env.Documents() + "Vidarro/");
  LaunchStarter(folders.program);
  const auto launches = platform::ReadLaunchRecords();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].target, folders.program + "Lanvik");  // the suite's programs run without ".exe"
  EXPECT_EQ(launches[0].parameters, "/NOINTRO");
}

}  // namespace
}  // namespace studio
