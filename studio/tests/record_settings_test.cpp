// Record Settings and the capture page's small dialogs, opened the way the user opens them.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "capture_dialogs.h"
#include "capture_fixture.h"
#include "platform/base/file_system.h"
#include "platform/controls/commctrl.h"
#include "platform/controls/tab.h"
#include "platform/propertyframe/property_frame.h"
#include "platform/window/focus.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/uuids.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/window/input.h"

namespace studio {
namespace {

using namespace testkit;
using platform::dshow::sim::Hardware;

std::vector<std::string> ComboItems(HWND dialog, int id) {
  std::vector<std::string> items;
  const int count = static_cast<int>(::SendDlgItemMessage(dialog, id, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    ::SendDlgItemMessage(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    items.emplace_back(text);
  }
  return items;
}

int ComboSelection(HWND dialog, int id) {
  return static_cast<int>(::SendDlgItemMessage(dialog, id, CB_GETCURSEL, 0, 0));
}

void ChooseInCombo(HWND dialog, int id, int index) {
  HWND combo = ::GetDlgItem(dialog, id);
  ::SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessage(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// The picture page's brightness slider.
constexpr int kBrightnessSlider = 1000;
constexpr int kTunerChannel = 1700;  // the TV Tuner page's channel box
constexpr int kDvSends = 1800;       // the camcorder page's signal and DV size
constexpr int kDvResolution = 1802;
constexpr int kAudioFormatList = 1600;  // the sound input page's rates and why one was refused
constexpr int kAudioFormatReason = 1601;

// The frame's tab names, as its tab control shows them.
std::vector<std::string> TabNames(HWND frame) {
  std::vector<std::string> names;
  HWND tab = ::GetDlgItem(frame, platform::propertyframe::kFrameTabId);
  const int count = static_cast<int>(::SendMessage(tab, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[64] = {};
    TCITEM item;
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessage(tab, TCM_GETITEM, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    names.emplace_back(text);
  }
  return names;
}

// The frame's page that holds the control `id`.
HWND PageHolding(HWND frame, int id) {
  for (HWND c = ::GetWindow(frame, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
    if (::GetDlgItem(c, id)) return c;
  return nullptr;
}

// A frame over Quillon's window, its corner `offset` pixels into the capture page's preview area,
// where the graph's video window lives.
void ExpectOverThePreview(HWND frame, HWND capturePage, int offset) {
  EXPECT_EQ(::GetWindow(frame, GW_OWNER), ::GetAncestor(capturePage, GA_ROOT));
  POINT corner{offset, offset};
  ::ClientToScreen(::GetDlgItem(capturePage, IDC_CAPTURE_PREVIEW), &corner);
  RECT r{};
  ::GetWindowRect(frame, &r);
  EXPECT_EQ(r.left, corner.x);
  EXPECT_EQ(r.top, corner.y);
}

// What a property frame showed: its caption and its tab names.
struct ShownFrame {
  std::string caption;
  std::vector<std::string> tabs;
};

// Opens a property frame with `open`; once it shows over the preview (its corner `offset`
// pixels in), `inside` runs on it and its page holding `control`, and `close` ends it.
ShownFrame DriveFrame(HWND capturePage, int offset, int control, const std::function<void(HWND, HWND)>& inside,
                      int close, const std::function<bool()>& open) {
  ShownFrame shown;
  WhenDialogShows([&](HWND frame) {
    shown.caption = WindowText(frame);
    shown.tabs = TabNames(frame);
    ExpectOverThePreview(frame, capturePage, offset);
    HWND page = PageHolding(frame, control);
    EXPECT_TRUE(page) << "no page holds control " << control;
    if (page) inside(frame, page);
    ClickButton(frame, close);
  });
  EXPECT_TRUE(open());
  return shown;
}

// Large files on folders whose path holds "/ntfs", FAT elsewhere.
class FoldersByName final : public platform::FileSystemSource {
 public:
  bool FreeBytes(const std::string&, std::uint64_t* bytes) override {
    *bytes = 64ull << 30;
    return true;
  }
  platform::LargeFiles HoldsLargeFiles(const std::string& folder) override {
    return folder.find("/ntfs") != std::string::npos ? platform::LargeFiles::Yes : platform::LargeFiles::No;
  }
};

class RecordSettingsTest : public CaptureFixture {
 protected:
  void SetUp() override {
    CaptureFixture::SetUp();
    configure = [this](AppSettings& s) {
      s.recordFormat = kDvd;
      s.quality = 0;
      s.discCapacity = 4196;
      s.outputHoldsLargeFiles = largeFiles;
      s.cpuClass = 2;
      if (more) more(s);
    };
  }
  // Opens Record Settings from the page; `inside` runs on it, then it closes with `close`.
  void OpenRecordSettings(HWND page, const std::function<void(HWND)>& inside, int close = IDOK) {
    WhenDialogShows([&, close](HWND d) {
      inside(d);
      ::SendMessage(d, WM_COMMAND, MAKEWPARAM(close, BN_CLICKED), 0);
    });
    ClickButton(page, IDC_RECORD_OPTION);
  }

  BOOL largeFiles = TRUE;
  std::function<void(AppSettings&)> more;
};

TEST_F(RecordSettingsTest, FormatListsFollowTheDeviceAndTheFolder) {
  const std::pair<const char*, size_t> large[] = {
      {"Vidarro USB Video Capture", 8}, {"Vidarro DV Camcorder", 9}, {"Vidarro HDV Camcorder", 7}};
  const std::pair<const char*, size_t> small[] = {
      {"Vidarro USB Video Capture", 6}, {"Vidarro DV Camcorder", 7}, {"Vidarro HDV Camcorder", 5}};
  const char* pictures[] = {"record_settings_usb_box.png", "record_settings_dv.png", "record_settings_hdv.png"};
  for (int fat = 0; fat < 2; ++fat) {
    largeFiles = fat ? FALSE : TRUE;
    for (int i = 0; i < 3; ++i) {
      const auto& [name, count] = fat ? small[i] : large[i];
      more = [name = std::string(name)](AppSettings& s) { s.videoDeviceName = name; };
      RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
        OpenRecordSettings(p, [&](HWND d) {
          EXPECT_EQ(ComboItems(d, IDC_RS_FORMAT).size(), count) << name << (fat ? " on FAT" : "");
          EXPECT_EQ(ComboSelection(d, IDC_RS_FORMAT), 2);
          if (!fat) Picture(d, pictures[i]);
        });
      });
    }
  }
}

TEST_F(RecordSettingsTest, TheResultTextAndTheControlsFollowTheFormat) {
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    OpenRecordSettings(p, [&](HWND d) {
      const std::vector<std::string> items = ComboItems(d, IDC_RS_FORMAT);
      EXPECT_EQ(items[2], "DVD (Single Layer)");
      EXPECT_EQ(items[7], "WMV (4GB)");
      EXPECT_EQ(ControlText(d, IDC_RS_RESULT), "Record up to 1 hr && 9 min of  video to a DVD (Single Layer). ");
      EXPECT_EQ(ComboItems(d, IDC_RS_QUALITY), (std::vector<std::string>{"Best", "Good ", "Normal", "Average"}));
      ChooseInCombo(d, IDC_RS_FORMAT, 0);
      EXPECT_FALSE(ControlEnabled(d, IDC_RS_ENCODER_SETTINGS));
      EXPECT_EQ(model_.settings.recordFormat, kVcd);
      EXPECT_EQ(model_.settings.discCapacity, 665);
      EXPECT_EQ(ControlText(p, IDC_FORMAT_LABEL), "VCD");
    });
  });
}

TEST_F(RecordSettingsTest, CancelTellsThePageTheOldFormatAndTvSystem) {
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    OpenRecordSettings(
        p,
        [&](HWND d) {
          ChooseInCombo(d, IDC_RS_FORMAT, 6);
          ChooseInCombo(d, IDC_RS_TV_SYSTEM, 1);
          ChooseInCombo(d, IDC_RS_QUALITY, 3);
          EXPECT_EQ(ControlText(p, IDC_FORMAT_LABEL), "WMV");
          EXPECT_EQ(model_.settings.tvSystemIndex, 1);
        },
        IDCANCEL);
    EXPECT_EQ(model_.settings.recordFormat, kDvd);
    EXPECT_EQ(model_.settings.tvSystemIndex, 0);
    EXPECT_EQ(model_.settings.quality, 0);
    EXPECT_EQ(model_.settings.discCapacity, 4196);
    EXPECT_EQ(ControlText(p, IDC_FORMAT_LABEL), "DVD");
  });
}

TEST_F(RecordSettingsTest, ADualLayerChoiceOnFatFallsBackToSingleLayer) {
  largeFiles = FALSE;
  more = [](AppSettings& s) { s.discCapacity = 7568; };
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    OpenRecordSettings(p, [&](HWND d) { EXPECT_EQ(ComboSelection(d, IDC_RS_FORMAT), 2); });
    EXPECT_EQ(model_.settings.discCapacity, 3896);
  });
}

TEST_F(RecordSettingsTest, TheBrowseButtonShowsAFolder) {
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    OpenRecordSettings(p, [&](HWND d) {
      HWND browse = ::GetDlgItem(d, IDC_RS_BROWSE);
      EXPECT_EQ(ControlText(d, IDC_RS_BROWSE), "");
      RECT r{};
      ::GetClientRect(browse, &r);
      int folder = 0;
      for (int y = 0; y < r.bottom; ++y)
        for (int x = 0; x < r.right; ++x)
          if (Pixel(browse, x, y) == RGB(236, 190, 84)) ++folder;
      EXPECT_GT(folder, 40);
    });
  });
}

TEST_F(RecordSettingsTest, CancelAfterAnotherFolderKeepsTheFlagOfTheFolderThatIsBack) {
  FoldersByName disks;
  platform::ScopedFileSystem useDisks(disks);
  const std::string fat = env_.Home() + "stick/";
  std::filesystem::create_directories(fat);
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    const std::string before = model_.folders.output;
    OpenRecordSettings(
        p,
        [&](HWND d) {
          AnswerFolderDialog(fat.substr(0, fat.size() - 1));
          ::SendMessage(d, WM_COMMAND, MAKEWPARAM(IDC_RS_BROWSE, BN_CLICKED), 0);
          EXPECT_EQ(model_.folders.output, fat);
          EXPECT_FALSE(model_.settings.outputHoldsLargeFiles);
          EXPECT_EQ(ComboItems(d, IDC_RS_FORMAT).size(), 6u);
        },
        IDCANCEL);
    EXPECT_EQ(model_.folders.output, before);
    // The documents folder here is not under "/ntfs": FAT too, as the source says.
    EXPECT_EQ(model_.settings.outputHoldsLargeFiles,
              disks.HoldsLargeFiles(before) == platform::LargeFiles::Yes ? TRUE : FALSE);
  });
}

TEST_F(RecordSettingsTest, ChoosingAnotherDeviceReopensThePageWithIt) {
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    OpenRecordSettings(p, [&](HWND d) {
      const std::vector<std::string> devices = ComboItems(d, IDC_RS_VIDEO_DEVICE);
      const auto dv = std::find(devices.begin(), devices.end(), "Vidarro DV Camcorder");
      ASSERT_NE(dv, devices.end());
      ChooseInCombo(d, IDC_RS_VIDEO_DEVICE, static_cast<int>(dv - devices.begin()));
      EXPECT_EQ(page.DeviceType(), 2);
      EXPECT_EQ(ComboItems(d, IDC_RS_FORMAT).size(), 9u);
      // The same device again is not reopened.
      ChooseInCombo(d, IDC_RS_VIDEO_DEVICE, static_cast<int>(dv - devices.begin()));
      EXPECT_EQ(page.DeviceType(), 2);
    });
    EXPECT_EQ(model_.settings.videoDeviceName, "Vidarro DV Camcorder");
  });
}

// On a DV camcorder Video Settings opens the unit's page: it says what the unit sends, a size
// chosen reaches the preview's DV decoder, and Cancel gives the decoder its own back.
TEST_F(RecordSettingsTest, VideoSettingsOfADvCamcorderOpensItsPage) {
  more = [](AppSettings& s) { s.videoDeviceName = "Vidarro DV Camcorder"; };
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    IGraphBuilder* graph = TheCaptureEngine().dvGraph.Graph();
    ASSERT_TRUE(graph);
    CComPtr<IIPDVDec> decoder;
    CComPtr<IEnumFilters> filters;
    ASSERT_EQ(graph->EnumFilters(&filters), S_OK);
    for (IBaseFilter* f = nullptr; !decoder && filters->Next(1, &f, nullptr) == S_OK; f->Release())
      f->QueryInterface(IID_IIPDVDec, reinterpret_cast<void**>(&decoder));
    ASSERT_TRUE(decoder);
    int before = 0, during = 0, after = 0;
    decoder->get_IPDisplay(&before);
    std::string sends;
    OpenRecordSettings(p, [&](HWND d) {
      WhenDialogShows([&](HWND frame) {
        EXPECT_EQ(WindowText(frame), "Vidarro DV Camcorder Properties");
        EXPECT_EQ(TabNames(frame), std::vector<std::string>{"DV Camcorder"});
        // Over Quillon's window, at the capture page's corner (the camcorder graph's notify window).
        EXPECT_EQ(::GetWindow(frame, GW_OWNER), ::GetAncestor(p, GA_ROOT));
        POINT corner{0, 0};
        ::ClientToScreen(p, &corner);
        RECT r{};
        ::GetWindowRect(frame, &r);
        EXPECT_EQ(r.left, corner.x);
        EXPECT_EQ(r.top, corner.y);
        HWND page = PageHolding(frame, kDvResolution);
        ASSERT_TRUE(page);
        sends = ControlText(page, kDvSends);
        ::SetFocus(::GetDlgItem(page, kDvResolution));
        PressKey(VK_DOWN);
        decoder->get_IPDisplay(&during);
        Picture(frame, "dv_camcorder_properties.png");
        ClickButton(frame, IDCANCEL);
      });
      ::SendMessage(d, WM_COMMAND, MAKEWPARAM(IDC_RS_VIDEO_SETTINGS, BN_CLICKED), 0);
    });
    decoder->get_IPDisplay(&after);
    EXPECT_EQ(sends, "DV, 525 lines at 60 fields (NTSC)");
    EXPECT_EQ(during, before + 1);
    EXPECT_EQ(after, before);
  });
}

TEST_F(RecordSettingsTest, DvdSettingsWarnsOfASlowProcessor) {
  more = [](AppSettings& s) {
    s.cpuClass = 0;
    s.cpuMode = 0;
  };
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    OpenRecordSettings(p, [&](HWND d) {
      WhenDialogShows([&](HWND dvd) {
        EXPECT_EQ(WindowText(dvd), "DVD Settings");
        EXPECT_EQ(ControlText(dvd, IDC_DVD_FULL), "720 * 480 \n\nCPU Power: Intel P-IV 2.5GHz equivalent or higher");
        Picture(dvd, "dvd_settings.png");
        ::SendMessage(::GetDlgItem(dvd, IDC_DVD_FULL), BM_CLICK, 0, 0);
        ::SendMessage(::GetDlgItem(dvd, IDC_DVD_MIDDLE), BM_CLICK, 0, 0);
        ::SendMessage(dvd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      });
      ::SendMessage(d, WM_COMMAND, MAKEWPARAM(IDC_RS_ENCODER_SETTINGS, BN_CLICKED), 0);
    });
    ASSERT_EQ(boxes_.Count(), 2u);
    EXPECT_EQ(boxes_.Calls()[0].text.substr(0, 56), "Your CPU is not fast enough for the current resolution s");
    EXPECT_EQ(model_.settings.cpuMode, 1);
  });
}

TEST_F(RecordSettingsTest, WmvSettingsKeepTheHeaderTextsWithinTheirFields) {
  more = [](AppSettings& s) {
    s.recordFormat = kWmv;
    s.discCapacity = 665;
    s.wmvAuthor = "Ann";
  };
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    OpenRecordSettings(p, [&](HWND d) {
      WhenDialogShows([&](HWND wmv) {
        EXPECT_EQ(WindowText(wmv), "WMV Settings");
        EXPECT_EQ(ControlText(wmv, IDC_WMV_AUTHOR), "Ann");
        TypeInto(wmv, IDC_WMV_TITLE, std::string(99, 't'));
        EXPECT_EQ(ControlText(wmv, IDC_WMV_TITLE).size(), 98u);
        Picture(wmv, "wmv_settings.png");
        // Enter and Escape leave it open; its own OK stores.
        ::SendMessage(wmv, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(::IsWindow(wmv) && ::IsWindowVisible(wmv));
        ::SendMessage(wmv, WM_COMMAND, MAKEWPARAM(IDC_WMV_OK, BN_CLICKED), 0);
      });
      ::SendMessage(d, WM_COMMAND, MAKEWPARAM(IDC_RS_ENCODER_SETTINGS, BN_CLICKED), 0);
    });
    EXPECT_EQ(model_.settings.wmvTitle, std::string(98, 't'));
    EXPECT_EQ(model_.settings.wmvAuthor, "Ann");
  });
}

TEST_F(RecordSettingsTest, VideoSettingsOffersTheCablesTheDeviceHas) {
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    OpenRecordSettings(p, [&](HWND d) {
      WhenDialogShows([&](HWND cables) {
        EXPECT_EQ(WindowText(cables), "Video Settings");
        // The box routes composite and S-Video; it has no component inputs.
        EXPECT_TRUE(ControlEnabled(cables, IDC_INPUT_COMPOSITE));
        EXPECT_TRUE(ControlEnabled(cables, IDC_INPUT_SVIDEO));
        EXPECT_EQ(::GetDlgItem(cables, IDC_INPUT_YCBCR), nullptr);
        Picture(cables, "video_settings_340.png");
        // Control opens the box's own pages; a brightness step reaches the box at once, and
        // Cancel gives it back its own.
        long before = -1, during = -1, after = -1;
        TheCaptureEngine().graph.GetBrightness(&before);
        const ShownFrame shown = DriveFrame(
            p, 0, kBrightnessSlider,
            [&](HWND frame, HWND page) {
              ::SetFocus(::GetDlgItem(page, kBrightnessSlider));
              for (int i = 0; i < 3; ++i) PressKey(VK_RIGHT);
              TheCaptureEngine().graph.GetBrightness(&during);
              Picture(frame, "device_properties.png");
            },
            IDCANCEL, [&] { return ClickButton(cables, IDC_INPUT_CONTROL); });
        TheCaptureEngine().graph.GetBrightness(&after);
        EXPECT_EQ(shown.caption, "Vidarro USB Video Capture Properties");
        EXPECT_EQ(shown.tabs, (std::vector<std::string>{"Video Proc Amp", "Video Format", "Video Decoder"}));
        EXPECT_EQ(during, before + 3);
        EXPECT_EQ(after, before);
        ::SendMessage(::GetDlgItem(cables, IDC_INPUT_SVIDEO), BM_CLICK, 0, 0);
        ::SendMessage(cables, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      });
      ::SendMessage(d, WM_COMMAND, MAKEWPARAM(IDC_RS_VIDEO_SETTINGS, BN_CLICKED), 0);
    });
    EXPECT_EQ(model_.settings.videoInput, 2);
  });
}

TEST_F(RecordSettingsTest, TheOtherCableDialogsShowTheirInputs) {
  auto devices = platform::dshow::sim::DefaultDevices();
  auto card = devices[0];
  card.id = "CARD";
  card.kind = platform::dshow::sim::DeviceKind::AnalogCard;
  card.name = "Vidarro Analog Card";
  card.devicePath = "\\\\?\\pci#ven_1234&dev_5678#1#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
  card.tuner = true;
  card.crossbars = {{"Vidarro Crossbar", {1, 2, 3, 6, 4096, 4097}, {12, 4105}, {}, -1}};
  Hardware::Instance().SetDevices({card, devices[1]});
  more = [](AppSettings& s) { s.videoDeviceName = "Vidarro Analog Card"; };
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    ASSERT_TRUE(TheCaptureEngine().graph.IsOpen());
    for (UINT id : {IDD_TUNER_INPUT, IDD_COMPONENT_INPUT}) {
      int cable = 0;
      CTunerInputDialog tuner(&cable);
      CComponentInputDialog component(&cable);
      CInputCableDialog& dialog = id == IDD_TUNER_INPUT ? static_cast<CInputCableDialog&>(tuner) : component;
      WhenDialogShows([&, id](HWND cables) {
        if (id == IDD_TUNER_INPUT) {
          EXPECT_TRUE(ControlEnabled(cables, IDC_INPUT_TV));
          EXPECT_EQ(ButtonState(cables, IDC_INPUT_TV), static_cast<UINT>(BST_CHECKED));
          // Its Control button opens the card's pages, where a brightness step reaches the card
          // and OK keeps it; its TV Tuner button the tuner's, where a channel typed reaches the
          // card's tuner and OK keeps it.
          CCaptureGraph& graph = TheCaptureEngine().graph;
          long before = -1, kept = -1;
          graph.GetBrightness(&before);
          ShownFrame shown = DriveFrame(
              p, 0, kBrightnessSlider,
              [&](HWND, HWND page) {
                ::SetFocus(::GetDlgItem(page, kBrightnessSlider));
                for (int i = 0; i < 2; ++i) PressKey(VK_RIGHT);
              },
              IDOK, [&] { return ClickButton(cables, IDC_INPUT_CONTROL_137); });
          graph.GetBrightness(&kept);
          EXPECT_EQ(shown.caption, "Vidarro Analog Card Properties");
          EXPECT_EQ(shown.tabs, (std::vector<std::string>{"Video Proc Amp", "Video Format", "Video Decoder"}));
          EXPECT_EQ(kept, before + 2);

          CComPtr<IAMTVTuner> tuner;
          graph.Builder()->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, graph.VideoCapture(), IID_IAMTVTuner,
                                         reinterpret_cast<void**>(&tuner));
          ASSERT_TRUE(tuner);
          shown = DriveFrame(
              p, 30, kTunerChannel,
              [&](HWND frame, HWND page) {
                EXPECT_TRUE(TypeInto(page, kTunerChannel, "34"));
                Picture(frame, "tv_tuner_properties.png");
              },
              IDOK, [&] { return ClickButton(cables, IDC_INPUT_TUNER_PAGE); });
          EXPECT_EQ(shown.caption, "TV Tuner Properties");
          EXPECT_EQ(shown.tabs, std::vector<std::string>{"TV Tuner"});
          long channel = 0, video = 0, audio = 0;
          tuner->get_Channel(&channel, &video, &audio);
          EXPECT_EQ(channel, 34);
        } else {
          EXPECT_TRUE(ControlEnabled(cables, IDC_INPUT_YPBPR));
          EXPECT_FALSE(ControlEnabled(cables, IDC_INPUT_YCBCR));
          // "InputCable" 0 shows Composite chosen.
          EXPECT_EQ(ButtonState(cables, IDC_INPUT_COMPOSITE), static_cast<UINT>(BST_CHECKED));
        }
        Picture(cables, id == IDD_TUNER_INPUT ? "video_settings_137.png" : "video_settings_341.png");
        ::SendMessage(cables, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      });
      dialog.DoModal();
    }
  });
}

// Audio Settings opens the sound input's own page over the preview: the rates it records, where
// another rate is refused with the reason while the preview runs, and Cancel leaves the input's.
TEST_F(RecordSettingsTest, TheAudioSettingsButtonOpensTheAudioDevicesPages) {
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    IBaseFilter* input = TheCaptureEngine().graph.AudioCapture();
    ASSERT_TRUE(input);
    CComPtr<IAMStreamConfig> config;
    ASSERT_EQ(TheCaptureEngine().graph.Builder()->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, input,
                                                                IID_IAMStreamConfig, reinterpret_cast<void**>(&config)),
              S_OK);
    auto rate = [&] {
      AM_MEDIA_TYPE* mt = nullptr;
      DWORD hz = 0;
      if (SUCCEEDED(config->GetFormat(&mt)) && mt) {
        if (mt->cbFormat >= sizeof(WAVEFORMATEX))
          hz = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat)->nSamplesPerSec;
        DeleteMediaType(mt);
      }
      return hz;
    };
    const DWORD before = rate();
    std::string shown, chosen, reason;
    ShownFrame frameShown;
    DWORD during = 0;
    OpenRecordSettings(p, [&](HWND d) {
      frameShown = DriveFrame(
          p, 0, kAudioFormatList,
          [&](HWND frame, HWND page) {
            shown = ControlText(page, kAudioFormatList);
            ::SetFocus(::GetDlgItem(page, kAudioFormatList));
            PressKey(VK_DOWN);
            chosen = ControlText(page, kAudioFormatList);
            ClickButton(frame, platform::propertyframe::kFrameApplyId);
            reason = ControlText(page, kAudioFormatReason);
            during = rate();
            Picture(frame, "audio_device_properties.png");
          },
          IDCANCEL, [&] { return ClickButton(d, IDC_RS_AUDIO_SETTINGS); });
    });
    EXPECT_EQ(frameShown.caption, "Vidarro USB Audio Capture Properties");
    EXPECT_EQ(frameShown.tabs, std::vector<std::string>{"Audio Format"});
    EXPECT_EQ(shown, "48000 Hz, 2 channels, 16 bits");
    EXPECT_EQ(chosen, "44100 Hz, 2 channels, 16 bits");
    EXPECT_EQ(reason,
              "The format cannot be changed while the device is recording or showing its picture. Stop it and try "
              "again.");
    EXPECT_EQ(during, 48000u);
    EXPECT_EQ(rate(), before);
  });
}

TEST_F(RecordSettingsTest, TheEnlargedPreviewCoversTheMonitorAndSwitchesTheAspect) {
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    WhenDialogShows([&](HWND preview) {
      RECT r{};
      ::GetWindowRect(preview, &r);
      EXPECT_GT(r.right - r.left, 800);
      time_.Advance(100);
      Settle();
      Pump();
      Picture(preview, "enlarged_preview.png");
      // The menu at the cursor, "16 : 9" chosen with the mouse (items are 20 high).
      platform::PushInputStep([&] {
        HWND menu = ::FindWindow("#32768", nullptr);
        ASSERT_NE(menu, nullptr);
        EXPECT_NE(Picture(menu, "enlarged_preview_menu.png"), "");
        platform::InjectClick(platform::MouseButton::Left, POINT{110, 125});
      });
      ::SendMessage(preview, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(preview), MAKELPARAM(100, 100));
      Pump();
      EXPECT_EQ(model_.settings.wideScreen, 1);
      EXPECT_EQ(::SendDlgItemMessage(p, IDC_ASPECT, CB_GETCURSEL, 0, 0), 1);
      ::SendMessage(preview, WM_COMMAND, MAKEWPARAM(ID_PREVIEW_CLOSE, 0), 0);
    });
    DoubleClick(p, 100, 100);
    EXPECT_EQ(model_.settings.wideScreen, 1);
    (void)page;
  });
}

TEST_F(RecordSettingsTest, TheEnlargedPreviewWithoutADeviceClosesAtOnce) {
  Hardware::Instance().SetDevices({});
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    DoubleClick(p, 100, 100);
    EXPECT_EQ(model_.settings.wideScreen, 0);
  });
}

}  // namespace
}  // namespace studio
