// The DV size a user chooses on the camcorder's page, through Quillon's window: it holds for the
// camcorder's preview when the preview is built again and after a recording, on NTSC and PAL
// units, and goes when another device is chosen.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "capture_dialogs.h"
#include "capture_fixture.h"
#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/media_types.h"
#include "platform/dshow/pin_walk.h"
#include "platform/dshow/uuids.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/window/focus.h"

namespace studio {
namespace {

using namespace testkit;
namespace sim = platform::dshow::sim;

constexpr int kDvSends = 1800;  // the camcorder page's signal and DV size
constexpr int kDvResolution = 1802;

struct Unit {
  const char* name;
  LONG height;
  REFERENCE_TIME frame;
  int recordFormat;
  int capacityMB;  // the format's entry in Record Settings is the one of this capacity
  const char* sends;
};
constexpr Unit kUnits[] = {{"NTSC", 480, 333667, kDvd, 4196, "DV, 525 lines at 60 fields (NTSC)"},
                           {"PAL", 576, 400000, kDvAvi, 4046, "DV, 625 lines at 50 fields (PAL)"}};

class DvSizeChoiceTest : public CaptureFixture {
 protected:
  // The size of the pictures the DV decoder of the running graph hands on: the width and height
  // of its output's connection, in which it decodes every frame. {0, 0} without one.
  static std::pair<LONG, LONG> DecodedSize() {
    IGraphBuilder* graph = TheCaptureEngine().dvGraph.Graph();
    if (!graph) return {0, 0};
    CComPtr<IEnumFilters> filters;
    if (FAILED(graph->EnumFilters(&filters))) return {0, 0};
    for (IBaseFilter* f = nullptr; filters->Next(1, &f, nullptr) == S_OK; f->Release()) {
      CComPtr<IIPDVDec> decoder;
      if (FAILED(f->QueryInterface(IID_IIPDVDec, reinterpret_cast<void**>(&decoder)))) continue;
      for (auto& pin : platform::dshow::PinsOf(f)) {
        AM_MEDIA_TYPE mt;
        if (platform::dshow::DirectionOf(pin.get()) != PINDIR_OUTPUT || FAILED(pin->ConnectionMediaType(&mt))) continue;
        std::pair<LONG, LONG> size{0, 0};
        if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
          const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
          size = {vih->bmiHeader.biWidth, std::abs(vih->bmiHeader.biHeight)};
        }
        FreeMediaType(mt);
        f->Release();
        return size;
      }
    }
    return {0, 0};
  }

  // Record Settings, then Video Settings: the camcorder's page; `inside` runs on it and on its
  // frame, which closes with `close`.
  static void OnCamcorderPage(HWND capturePage, const std::function<void(HWND frame, HWND page)>& inside, int close) {
    WhenDialogShows([&, close](HWND settings) {
      WhenDialogShows([&, close](HWND frame) {
        HWND page = nullptr;
        for (HWND c = ::GetWindow(frame, GW_CHILD); c && !page; c = ::GetWindow(c, GW_HWNDNEXT))
          if (::GetDlgItem(c, kDvResolution)) page = c;
        ASSERT_TRUE(page);
        inside(frame, page);
        ClickButton(frame, close);
      });
      ::SendMessage(settings, WM_COMMAND, MAKEWPARAM(IDC_RS_VIDEO_SETTINGS, BN_CLICKED), 0);
      ::SendMessage(settings, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    ClickButton(capturePage, IDC_RECORD_OPTION);
  }

  // Record Settings' device list, as the user picks an entry in it.
  static void ChooseVideoDevice(HWND capturePage, const std::string& name) {
    WhenDialogShows([name](HWND settings) {
      HWND combo = ::GetDlgItem(settings, IDC_RS_VIDEO_DEVICE);
      const LRESULT index =
          ::SendMessage(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name.c_str()));
      ASSERT_GE(index, 0) << name;
      ::SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
      ::SendMessage(settings, WM_COMMAND, MAKEWPARAM(IDC_RS_VIDEO_DEVICE, CBN_SELCHANGE),
                    reinterpret_cast<LPARAM>(combo));
      ::SendMessage(settings, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    ClickButton(capturePage, IDC_RECORD_OPTION);
  }
};

TEST_F(DvSizeChoiceTest, AQuarterSizeChosenOnThePageHoldsAcrossPreviewsAndRecordings) {
  for (const Unit& unit : kUnits) {
    SCOPED_TRACE(unit.name);
    auto devices = sim::DefaultDevices();
    for (auto& d : devices)
      if (d.kind == sim::DeviceKind::DvCamcorder) d.formats = {{720, unit.height, unit.frame, MEDIASUBTYPE_dvsd}};
    sim::Hardware::Instance().SetDevices(devices);
    configure = [&unit](AppSettings& s) {
      s.videoDeviceName = "Vidarro DV Camcorder";
      s.recordFormat = unit.recordFormat;
      s.discCapacity = unit.capacityMB;
      s.quality = 2;
    };
    const std::pair<LONG, LONG> full{720, unit.height}, half{360, unit.height / 2}, quarter{180, unit.height / 4};
    RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
      ASSERT_EQ(page.DeviceType(), 2);
      EXPECT_EQ(DecodedSize(), half);
      std::string sends, shown;
      OnCamcorderPage(
          p,
          [&](HWND frame, HWND camcorder) {
            sends = ControlText(camcorder, kDvSends);
            ::SetFocus(::GetDlgItem(camcorder, kDvResolution));
            PressKey(VK_DOWN);
            shown = ControlText(camcorder, kDvResolution);
            Picture(frame, std::string("dv_size_") + unit.name + ".png");
          },
          IDOK);
      EXPECT_EQ(sends, unit.sends);
      EXPECT_EQ(shown, "Quarter (180 wide)");

      // The capture step shown again builds the preview afresh.
      page.OnSetActive();
      EXPECT_EQ(DecodedSize(), quarter);

      ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
      ASSERT_TRUE(page.IsRecording());
      Record(500);
      // A DV-AVI's decoder only feeds the preview; the encoder's takes the size it records.
      EXPECT_EQ(DecodedSize(), unit.recordFormat == kDvAvi ? quarter : full);
      const auto listed = model_.clips.Count();
      ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_STOP));
      EXPECT_TRUE(PumpReal([&] { return model_.clips.Count() > listed; }));
      EXPECT_EQ(DecodedSize(), quarter);

      // The page shows the size the preview has; Cancel leaves it.
      OnCamcorderPage(
          p, [&](HWND, HWND camcorder) { shown = ControlText(camcorder, kDvResolution); }, IDCANCEL);
      EXPECT_EQ(shown, "Quarter (180 wide)");
      EXPECT_EQ(DecodedSize(), quarter);

      // Another device, then the camcorder again: the camcorder's own size.
      ChooseVideoDevice(p, "Vidarro USB Video Capture");
      ASSERT_EQ(page.DeviceType(), 1);
      ChooseVideoDevice(p, "Vidarro DV Camcorder");
      ASSERT_EQ(page.DeviceType(), 2);
      EXPECT_EQ(DecodedSize(), half);

      // The smallest, DC: 88 wide and an eighth of the lines, as the page says.
      OnCamcorderPage(
          p,
          [&](HWND, HWND camcorder) {
            ::SetFocus(::GetDlgItem(camcorder, kDvResolution));
            PressKey(VK_DOWN);
            PressKey(VK_DOWN);
            shown = ControlText(camcorder, kDvResolution);
          },
          IDOK);
      EXPECT_EQ(shown, "DC (88 wide)");
      page.OnSetActive();
      EXPECT_EQ(DecodedSize(), (std::pair<LONG, LONG>{88, unit.height / 8}));
      ChooseVideoDevice(p, "Vidarro USB Video Capture");
      ChooseVideoDevice(p, "Vidarro DV Camcorder");
      EXPECT_EQ(DecodedSize(), half);
    });
  }
}

}  // namespace
}  // namespace studio
