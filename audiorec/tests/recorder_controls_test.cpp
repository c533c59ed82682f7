// The main window's other controls: the limit fields and their spin, the limit and free-space
// stops, a device that cannot be opened, the settings dialog, the help menu and the About box.
#include <filesystem>
#include <fstream>

#include "audiorec/recorder_settings_dlg.h"
#include "audiorec/tests/recorder_window_fixture.h"
#include "platform/window/message_box_dialog.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/audio/playback_lines.h"
#include "platform/base/file_system.h"
#include "platform/com/property_frame.h"
#include "platform/controls/tab.h"
#include "platform/propertyframe/property_frame.h"
#include "platform/dshow/uuids.h"
#include "platform/registry/registry.h"
#include "platform/window/input.h"
#include "platform/window/window_surface.h"
#include "platform/testkit/tool_tips.h"
#include "widgets/reg_helpers.h"

namespace auvry::testing {
namespace {

using namespace testkit;
namespace sim = platform::dshow::sim;

void SendSpin(HWND dialog, int delta) {
  NMUPDOWN change{};
  change.hdr.hwndFrom = ::GetDlgItem(dialog, IDC_AUVRY_SPIN);
  change.hdr.idFrom = IDC_AUVRY_SPIN;
  change.hdr.code = UDN_DELTAPOS;
  change.iDelta = delta;
  ::SendMessage(dialog, WM_NOTIFY, IDC_AUVRY_SPIN, reinterpret_cast<LPARAM>(&change));
}

void Focus(HWND dialog, int id) {
  ::SetFocus(::GetDlgItem(dialog, id));
  Pump();
}

// What the engine's "Noise Reduction" filter was last told: on or off, and the amount.
std::pair<BYTE, float> NoiseReduction() {
  CComPtr<IBaseFilter> filter;
  if (!RecordEngine().Graph() || FAILED(RecordEngine().Graph()->FindFilterByName("Noise Reduction", &filter)))
    return {255, -1.0f};
  CComQIPtr<IQnNoiseReduction> reduction(static_cast<IUnknown*>(filter));
  BYTE enabled = 255;
  float amount = -1.0f;
  if (reduction) reduction->GetEnabled(&enabled), reduction->GetAmount(&amount);
  return {enabled, amount};
}

std::string Limit(HWND d) {
  return ControlText(d, IDC_AUVRY_HOURS) + ":" + ControlText(d, IDC_AUVRY_MINUTES) + ":" +
         ControlText(d, IDC_AUVRY_SECONDS);
}

TEST_F(RecorderWindowTest, LimitFieldsClampWhatIsTypedAndTheSpinStaysWithinTheDay) {
  std::string typedHours, typedLetters, cleared, huge, up, upMinutes, upHours, down;
  DWORD selStart = 1, selEnd = 0;
  WhenDialogShows([&](HWND d) {
    TypeInto(d, IDC_AUVRY_HOURS, "123");
    typedHours = ControlText(d, IDC_AUVRY_HOURS);
    ::SendMessage(::GetDlgItem(d, IDC_AUVRY_HOURS), EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                  reinterpret_cast<LPARAM>(&selEnd));
    TypeInto(d, IDC_AUVRY_MINUTES, "");
    cleared = ControlText(d, IDC_AUVRY_MINUTES);
    TypeInto(d, IDC_AUVRY_MINUTES, "999999999999");
    huge = ControlText(d, IDC_AUVRY_MINUTES);
    TypeInto(d, IDC_AUVRY_SECONDS, "58");
    Focus(d, IDC_AUVRY_SECONDS);
    SendSpin(d, 1);
    up = Limit(d);
    Focus(d, IDC_AUVRY_MINUTES);
    SendSpin(d, 1);
    upMinutes = Limit(d);
    Focus(d, IDC_AUVRY_HOURS);
    SendSpin(d, 1);
    upHours = Limit(d);
    SendSpin(d, -1);
    down = Limit(d);
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_EQ("23", typedHours);
  EXPECT_EQ(0u, selStart);
  EXPECT_EQ(2u, selEnd);
  EXPECT_EQ("00", cleared);
  EXPECT_EQ("59", huge);
  EXPECT_EQ("23:59:59", up);
  EXPECT_EQ("23:59:59", upMinutes);
  EXPECT_EQ("23:59:59", upHours);
  EXPECT_EQ("22:59:59", down);
}

RECT InDialog(HWND d, int id) {
  RECT r{};
  ::GetWindowRect(::GetDlgItem(d, id), &r);
  ::MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(RecorderWindowTest, TheLimitFieldsKeepTheirPlaceWhateverHasTheFocus) {
  const int ids[] = {IDC_AUVRY_HOURS, IDC_AUVRY_MINUTES, IDC_AUVRY_SECONDS, IDC_AUVRY_SPIN};
  std::vector<std::string> moved;
  WhenDialogShows([&](HWND d) {
    RECT before[4];
    for (int i = 0; i < 4; ++i) before[i] = InDialog(d, ids[i]);
    for (int round = 0; round < 10; ++round) {
      Focus(d, ids[round % 3]);
      for (int i = 0; i < 4; ++i) {
        const RECT now = InDialog(d, ids[i]);
        if (!::EqualRect(&now, &before[i]))
          moved.push_back(std::to_string(ids[i]) + " after focus " + std::to_string(round));
      }
    }
    TypeInto(d, IDC_AUVRY_MINUTES, "45");
    WritePicture(d, "timer_fields_after_focus.png");
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_TRUE(moved.empty()) << moved.front();
}

TEST_F(RecorderWindowTest, AButtonsTipShowsOverTheWindowOnceItIsActive) {
  bool above = false, shown = false;
  // The moves go through the window's own loop, which hands them to the buttons' tips.
  WhenDialogShows([&](HWND d) {
    ::SetActiveWindow(d);
    testkit::RestPointerOn(::GetDlgItem(d, IDC_AUVRY_SETTINGS), POINT{10, 10});
  });
  WhenDialogShows([&](HWND d) {
    Advance(1000);
    const testkit::ShownTip tip = testkit::ShownTipAbove(d);
    shown = tip.tip != nullptr;
    above = tip.above;
    ::RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    platform::WriteWindowAsSeenPng(d, PictureFolder() + "main_with_tip.png");
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_TRUE(shown) << "no tip shows";
  EXPECT_TRUE(above) << "the tip is under its window";
}

TEST_F(RecorderWindowTest, ALimitStopsTheRecordingOnItsSecond) {
  std::string playTime;
  bool stoppedAt20 = false, runningAt19 = false;
  WhenDialogShows([&](HWND d) {
    TypeInto(d, IDC_AUVRY_SECONDS, "20");
    ClickButton(d, IDC_AUVRY_RECORD);
    Advance(19500);
    runningAt19 = ControlVisible(d, IDC_AUVRY_STOP);
    Advance(500);
    stoppedAt20 = ControlVisible(d, IDC_AUVRY_RECORD) && !ControlVisible(d, IDC_AUVRY_STOP);
    PumpUntil([&] { return Rows(d) == 1; });
    playTime = RowText(d, 0, 2);
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_TRUE(runningAt19);
  EXPECT_TRUE(stoppedAt20);
  EXPECT_EQ("00 : 00 : 20", playTime);
  EXPECT_TRUE(boxes_.Calls().empty());
}

TEST_F(RecorderWindowTest, LittleFreeSpaceStopsTheRecordingButUnknownSpaceDoesNot) {
  platform::FixedFileSystem unknown(0, platform::LargeFiles::Unknown, true);
  platform::FixedFileSystem low(10ull << 20, platform::LargeFiles::Yes);
  bool runningWithUnknown = false, stoppedWhenLow = false;
  WhenDialogShows([&](HWND d) {
    platform::SetFileSystemSource(&unknown);
    ClickButton(d, IDC_AUVRY_RECORD);
    Advance(2000);
    runningWithUnknown = ControlVisible(d, IDC_AUVRY_STOP);
    platform::SetFileSystemSource(&low);
    Advance(1000);
    stoppedWhenLow = ControlVisible(d, IDC_AUVRY_RECORD);
    PumpUntil([&] { return Rows(d) == 1; });
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  platform::SetFileSystemSource(nullptr);
  EXPECT_TRUE(runningWithUnknown);
  EXPECT_TRUE(stoppedWhenLow);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ("Hard disk is full.", boxes_.Last().text);
  EXPECT_EQ(kProgramTitle, boxes_.Last().caption);
}

TEST_F(RecorderWindowTest, AnUnpluggedDeviceIsRefusedAndThePreviousOneStaysSelectedAndOpen) {
  auto devices = sim::DefaultDevices();
  sim::DeviceDesc line;
  line.id = "LINEIN";
  line.kind = sim::DeviceKind::AudioInput;
  line.name = "Onboard Line In";
  line.waveInId = 1;
  line.dsDescription = line.name;
  devices.push_back(line);
  sim::Hardware::Instance().SetDevices(devices);
  int lineIndex = -1, selectedAfter = -1;
  bool openAfter = false;
  std::string savedAfter = "unset";
  WhenDialogShows([&](HWND d) {
    HWND combo = ::GetDlgItem(d, IDC_AUVRY_DEVICE);
    lineIndex = static_cast<int>(
        ::SendMessage(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Onboard Line In")));
    sim::Hardware::Instance().Unplug("LINEIN");
    ::SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(lineIndex), 0);
    ::SendMessage(d, WM_COMMAND, MAKEWPARAM(IDC_AUVRY_DEVICE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    Pump();
    selectedAfter = static_cast<int>(::SendMessage(combo, CB_GETCURSEL, 0, 0));
    openAfter = RecordEngine().IsOpened() && RecordEngine().IsPreviewing();
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  ASSERT_GT(lineIndex, 0);
  EXPECT_EQ(0, selectedAfter);
  EXPECT_TRUE(openAfter);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ("This device cannot be used. Please select another.", boxes_.Last().text);
  EXPECT_EQ(static_cast<UINT>(MB_ICONHAND), boxes_.Last().flags & MB_ICONMASK);
  char saved[REG_READ_STRING_SIZE] = {};
  EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, kProductKey, "AudioDevice_AR", saved, nullptr) &&
               std::string(saved) == "Onboard Line In");
}

TEST_F(RecorderWindowTest, SettingsShowTheLevelApplyItAtOnceAndCancelKeepsIt) {
  std::string atZero, atTop, atStart;
  std::vector<std::pair<BYTE, float>> sent;
  std::string frameTitle;
  int frameTabs = 0;
  bool levelEnabledOff = true, levelEnabledOn = false, monitoredUnticked = false, monitoredTicked = true;
  WhenDialogShows([&](HWND d) { ClickButton(d, IDC_AUVRY_SETTINGS); });
  WhenDialogShows([&](HWND s) {
    atStart = ControlText(s, IDC_AUVRY_NOISE_VALUE);
    levelEnabledOff = ControlEnabled(s, IDC_AUVRY_NOISE_LEVEL);
    ClickButton(s, IDC_AUVRY_NOISE_REDUCTION);
    levelEnabledOn = ControlEnabled(s, IDC_AUVRY_NOISE_LEVEL);
    HWND slider = ::GetDlgItem(s, IDC_AUVRY_NOISE_LEVEL);
    for (int pos : {0, 300}) {
      ::SendMessage(slider, TBM_SETPOS, TRUE, pos);
      ::SendMessage(s, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos), reinterpret_cast<LPARAM>(slider));
      (pos == 0 ? atZero : atTop) = ControlText(s, IDC_AUVRY_NOISE_VALUE);
      sent.push_back(NoiseReduction());
    }
    EXPECT_FALSE(WritePicture(s, "settings.png").empty());
    // Unticked the input is heard through a speaker renderer, ticked it is not.
    ClickButton(s, IDC_AUVRY_WEB_STREAMING);
    monitoredUnticked = RecordEngine().IsPreviewing() && RecordEngine().MonitorRenderer() != nullptr;
    ClickButton(s, IDC_AUVRY_WEB_STREAMING);
    monitoredTicked = RecordEngine().IsPreviewing() && RecordEngine().MonitorRenderer() != nullptr;
    // The input's own pages open in a frame over the dialog.
    WhenDialogShows([&](HWND frame) {
      frameTitle = WindowText(frame);
      frameTabs =
          static_cast<int>(::SendDlgItemMessage(frame, platform::propertyframe::kFrameTabId, TCM_GETITEMCOUNT, 0, 0));
      ClickButton(frame, IDCANCEL);
    });
    ClickButton(s, IDC_AUVRY_DEVICE_PAGES);
    ClickButton(s, IDCANCEL);
    // Queued after the frame's step, so the frame does not take it.
    WhenDialogShows([&](HWND d) { ClickButton(d, IDC_AUVRY_EXIT); });
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_EQ(1, frameTabs);  // "Audio Format"
  EXPECT_EQ(frameTitle.size() > 11 ? frameTitle.substr(frameTitle.size() - 11) : frameTitle, " Properties");
  EXPECT_EQ("0.0", atStart);
  EXPECT_FALSE(levelEnabledOff);
  EXPECT_TRUE(levelEnabledOn);
  ASSERT_EQ(2u, sent.size());
  EXPECT_EQ(1, sent[0].first);
  EXPECT_FLOAT_EQ(0.0f, sent[0].second);
  EXPECT_FLOAT_EQ(30.0f, sent[1].second);
  EXPECT_EQ("-15.0", atZero);
  EXPECT_EQ("15.0", atTop);
  EXPECT_TRUE(monitoredUnticked);
  EXPECT_FALSE(monitoredTicked);
  // Cancel undoes nothing: the window keeps the new values and saves them at close.
  EXPECT_EQ(300u, dialog.Settings().noiseReductionValue);
  EXPECT_EQ(1u, dialog.Settings().noiseReduction);
  DWORD stored = 0;
  EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, kProductKey, "NoiseReductionValue", &stored, REG_READ_NO_DEFAULT));
  EXPECT_EQ(300u, stored);
}

TEST_F(RecorderWindowTest, TheHelpMenuAndTheAboutBoxShowTheProgram) {
  std::string aboutTitle, version;
  bool menuShown = false;
  WhenDialogShows([&](HWND d) { ClickButton(d, IDC_AUVRY_HELP); });
  WhenDialogShows([&](HWND) {
    HWND menu = ::FindWindow("#32768", nullptr);
    menuShown = menu != nullptr;
    if (menu) {
      ::UpdateWindow(menu);
      EXPECT_FALSE(WritePicture(menu, "help_menu.png").empty());
      ::SendMessage(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    }
  });
  WhenDialogShows([&](HWND d) { ::SendMessage(d, WM_COMMAND, ID_AUVRY_ABOUT, 0); });
  WhenDialogShows([&](HWND a) {
    aboutTitle = WindowText(a);
    version = ControlText(a, IDC_AUVRY_ABOUT_VERSION);
    EXPECT_FALSE(WritePicture(a, "about.png").empty());
    ClickButton(a, IDOK);
  });
  // "Check your computer specs" opens the suite's own system information window.
  std::string specs;
  WhenDialogShows([&](HWND d) { ::SendMessage(d, WM_COMMAND, ID_AUVRY_SYSTEM_INFO, 0); });
  WhenDialogShows([&](HWND s) {
    specs = WindowText(s);
    EXPECT_FALSE(WritePicture(s, "system_information.png").empty());
    ClickButton(s, IDOK);
  });
  WhenDialogShows([&](HWND d) { ClickButton(d, IDC_AUVRY_EXIT); });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_TRUE(menuShown);
  EXPECT_EQ("System Information", specs);
  EXPECT_EQ(kProgramTitle, aboutTitle);
  EXPECT_EQ("Product Version : 5.0.25", version);
}

TEST_F(RecorderWindowTest, AMissingOrCorruptProfileRefusesTheRecordingAndThePreviewGoesOn) {
  const std::string folder = env_.Home() + "program/";
  std::filesystem::create_directories(folder);
  Program().programFolder = folder;
  std::vector<bool> idleAfter, previewing;
  WhenDialogShows([&](HWND d) {
    for (const char* profile : {"", "<profile version=\"589824\"><broken"}) {
      if (*profile) std::ofstream(folder + "QnProfileWMA.prx") << profile;
      ClickButton(d, IDC_AUVRY_RECORD);
      Pump();
      idleAfter.push_back(ControlVisible(d, IDC_AUVRY_RECORD) && !ControlVisible(d, IDC_AUVRY_STOP));
      previewing.push_back(RecordEngine().IsPreviewing() && !RecordEngine().IsRecording());
    }
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_EQ((std::vector<bool>{true, true}), idleAfter);
  EXPECT_EQ((std::vector<bool>{true, true}), previewing);
  ASSERT_EQ(2u, boxes_.Count());
  for (const auto& call : boxes_.Calls()) {
    EXPECT_EQ("Cannot start the recording.", call.text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONHAND), call.flags & MB_ICONMASK);
  }
}

TEST_F(RecorderWindowTest, TheOutputFolderChangesOnlyToAFolderItCanWriteIn) {
  const std::string chosen = env_.Home() + "Recordings";
  std::filesystem::create_directories(chosen);
  const std::string before = Program().outputFolder;
  std::string shownAfterRefusal, shownAfter;
  WhenDialogShows([&](HWND d) {
    // A process folder of the kernel takes no files, whoever asks.
    AnswerFolderDialog("/proc/1");
    ClickButton(d, IDC_AUVRY_BROWSE);
    shownAfterRefusal = ControlText(d, IDC_AUVRY_OUTPUT_FOLDER);
    AnswerFolderDialog(chosen);
    ClickButton(d, IDC_AUVRY_BROWSE);
    shownAfter = ControlText(d, IDC_AUVRY_OUTPUT_FOLDER);
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  // Refused (by the browser's own check or the window's), nothing changes.
  EXPECT_EQ(before, shownAfterRefusal);
  EXPECT_EQ(1u, boxes_.Count());
  EXPECT_EQ(chosen + "/", shownAfter);
  EXPECT_EQ(chosen + "/", Program().outputFolder);
  char stored[REG_READ_STRING_SIZE] = {};
  ASSERT_TRUE(RegReadString(HKEY_CURRENT_USER, kProductKey, "AudioOutFolder", stored, nullptr));
  EXPECT_EQ(chosen + "/", std::string(stored));
}

// The recorder's own library numbers its strings differently from the shared one: the question
// about a missing folder is still the suite's, under the recorder's title.
TEST_F(RecorderWindowTest, AMissingTypedOutputFolderIsOfferedForCreationInTheSuitesWords) {
  const std::string wanted = env_.Home() + "New Recordings";
  platform::MessageBoxHandler recorder = platform::SetMessageBoxHandler(platform::ShowMessageBoxDialog);
  std::string caption, question;
  WhenDialogShows([&](HWND d) { ClickButton(d, IDC_AUVRY_BROWSE); });
  TypeIntoFolderDialog(wanted);
  WhenDialogShows([&](HWND box) {
    caption = WindowText(box);
    question = ControlText(box, platform::kMessageBoxTextId);
    EXPECT_FALSE(WritePicture(box, "folder_question.png").empty());
    ClickButton(box, IDNO);
  });
  WhenDialogShows([&](HWND browser) { ClickButton(browser, IDCANCEL); });
  WhenDialogShows([&](HWND d) { ClickButton(d, IDC_AUVRY_EXIT); });
  CRecorderDlg dialog;
  dialog.DoModal();
  platform::SetMessageBoxHandler(recorder);
  EXPECT_EQ(Program().title, caption);
  EXPECT_EQ(wanted + "\n\ndoes not exit.  Do you want to create one?", question);
  EXPECT_FALSE(std::filesystem::exists(wanted));
}

// The input list's face is one row without scroll arrows and says the chosen input; the volume
// slider shows the window's skin around its channel.
TEST_F(RecorderWindowTest, TheInputListAndTheVolumeSliderAsTheUserSeesThem) {
  int faceHeight = 0;
  LONG style = 0;
  std::string text, chosen;
  WhenDialogShows([&](HWND d) {
    HWND combo = ::GetDlgItem(d, IDC_AUVRY_DEVICE);
    RECT face;
    ::GetWindowRect(combo, &face);
    faceHeight = face.bottom - face.top;
    style = ::GetWindowLong(combo, GWL_STYLE);
    text = WindowText(combo);
    chosen = SelectedDevice(d);
    EXPECT_FALSE(WritePicture(combo, "input_combo.png").empty());
    EXPECT_FALSE(WritePicture(::GetDlgItem(d, IDC_AUVRY_VOLUME), "volume_slider.png").empty());
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_LT(faceHeight, 40);
  EXPECT_EQ(0, style & (WS_VSCROLL | WS_HSCROLL));
  EXPECT_FALSE(chosen.empty());
  EXPECT_EQ(chosen, text);
}

TEST_F(RecorderWindowTest, TheStoredMonitorSettingDecidesWhetherTheInputIsHeard) {
  for (DWORD noRender : {0u, 1u}) {
    RegWriteDword(HKEY_CURRENT_USER, kProductKey, "bNoAudioStreamRender", noRender);
    bool heard = !noRender;
    WhenDialogShows([&](HWND d) {
      heard = RecordEngine().IsPreviewing() && RecordEngine().MonitorRenderer() != nullptr;
      ClickButton(d, IDC_AUVRY_EXIT);
    });
    CRecorderDlg dialog;
    dialog.DoModal();
    EXPECT_EQ(noRender == 0, heard) << noRender;
  }
}

TEST_F(RecorderWindowTest, WithoutAnyInputTheWindowSaysSoAndRecordRecordsNothing) {
  sim::Hardware::Instance().SetDevices({});
  int entries = -1;
  std::size_t toldAtStart = 0;
  bool recordShown = false, opened = true;
  WhenDialogShows([&](HWND d) {
    entries = static_cast<int>(::SendMessage(::GetDlgItem(d, IDC_AUVRY_DEVICE), CB_GETCOUNT, 0, 0));
    toldAtStart = boxes_.Count();
    ClickButton(d, IDC_AUVRY_RECORD);
    Advance(1000);
    recordShown = ControlVisible(d, IDC_AUVRY_RECORD) && !ControlVisible(d, IDC_AUVRY_STOP);
    opened = RecordEngine().IsOpened();
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  EXPECT_EQ(IDOK, dialog.DoModal());
  EXPECT_EQ(0, entries);
  EXPECT_TRUE(recordShown);
  EXPECT_FALSE(opened);
  // Told at REC, as Wendrel tells of a missing capture device; opening the window asks nothing.
  EXPECT_EQ(0u, toldAtStart);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(boxes_.Last().text,
            "No sound card detected\nPlease connect a sound card or an audio capture device before using Narvell "
            "Vidarro 5.0.");
  std::error_code none;
  for (const auto& entry : std::filesystem::directory_iterator(Program().outputFolder, none))
    EXPECT_NE(entry.path().extension(), ".wma") << entry.path();
}

TEST_F(RecorderWindowTest, ThePlaybackIsMutedWhileTheWindowIsOpenAndRestoredAfter) {
  ASSERT_TRUE(platform::audio::WriteLineMute("Speakers", "Line In", 1));
  int micWhileOpen = -1, lineWhileOpen = -1;
  WhenDialogShows([&](HWND d) {
    micWhileOpen = platform::audio::ReadLineMute("Speakers", "Microphone");
    lineWhileOpen = platform::audio::ReadLineMute("Speakers", "Line In");
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_EQ(1, micWhileOpen);
  EXPECT_EQ(1, lineWhileOpen);
  EXPECT_EQ(0, platform::audio::ReadLineMute("Speakers", "Microphone"));
  EXPECT_EQ(1, platform::audio::ReadLineMute("Speakers", "Line In"));
}

}  // namespace
}  // namespace auvry::testing
