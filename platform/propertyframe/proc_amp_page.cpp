// "Video Proc Amp": one slider per picture control the device has, over its own range, with its
// value, Auto where the device offers it, and Default; a device whose driver lists its own
// controls (V4L2) shows those instead, menus and switches too. Moves reach the device at once,
// so the preview shows them; Cancel puts back what the device had.
#include <string>
#include <vector>

#include "platform/dshow/device_interfaces.h"
#include "platform/propertyframe/device_pages.h"
#include "platform/propertyframe/driver_control_rows.h"
#include "platform/propertyframe/page_base.h"

namespace platform::propertyframe {
namespace {

constexpr int kSliderBase = 1000;
constexpr int kValueBase = 1100;
constexpr int kAutoBase = 1200;
constexpr int kDefaultId = 1300;
constexpr int kRowHeight = 28;

const char* const kNames[] = {"Brightness", "Contrast",    "Hue",           "Saturation",    "Sharpness",
                              "Gamma",      "ColorEnable", "White Balance", "BacklightComp", "Gain"};

struct Setting {
  long property = 0;
  long min = 0, max = 0, step = 1, defaultValue = 0, caps = 0;
  long value = 0, flags = VideoProcAmp_Flags_Manual;  // as the device had it when opened or applied
};

class ProcAmpPage final : public PageBase {
 public:
  ProcAmpPage() : PageBase("Video Proc Amp", {400, 60 + 12 * kRowHeight}) {}

 protected:
  void Build() override {
    amp_ = Object<IAMVideoProcAmp>();
    settings_.clear();
    if (auto driver = Object<IVidarroDriverControls>()) {
      driverRows_ = rows_.Create(hwnd_, driver.get(), 10);
      if (driverRows_) return;
    }
    if (!amp_) {
      Label("The device has no picture controls.", 10, 10, 360);
      return;
    }
    int y = 10;
    for (long p = VideoProcAmp_Brightness; p <= VideoProcAmp_Gain; ++p) {
      Setting s;
      s.property = p;
      if (amp_->GetRange(p, &s.min, &s.max, &s.step, &s.defaultValue, &s.caps) != S_OK) continue;
      if (amp_->Get(p, &s.value, &s.flags) != S_OK) continue;
      const int i = static_cast<int>(p);
      Label(kNames[i], 10, y + 4, 90);
      HWND slider = Add(TRACKBAR_CLASS, "", WS_TABSTOP | TBS_HORZ, 100, y, 180, 24, kSliderBase + i);
      SendMessage(slider, TBM_SETRANGEMIN, FALSE, s.min);
      SendMessage(slider, TBM_SETRANGEMAX, FALSE, s.max);
      SendMessage(slider, TBM_SETLINESIZE, 0, s.step > 0 ? s.step : 1);
      SendMessage(slider, TBM_SETPOS, TRUE, s.value);
      Label(std::to_string(s.value), 285, y + 4, 45, kValueBase + i);
      if (s.caps & VideoProcAmp_Flags_Auto) {
        HWND box = Add(WC_BUTTON, "Auto", WS_TABSTOP | BS_AUTOCHECKBOX, 335, y + 2, 55, 20, kAutoBase + i);
        const bool automatic = (s.flags & VideoProcAmp_Flags_Auto) != 0;
        SendMessage(box, BM_SETCHECK, automatic ? BST_CHECKED : BST_UNCHECKED, 0);
        EnableWindow(slider, !automatic);
      }
      settings_.push_back(s);
      y += kRowHeight;
    }
    if (settings_.empty()) Label("The device has no picture controls.", 10, 10, 360);
    else Add(WC_BUTTON, "&Default", WS_TABSTOP | BS_PUSHBUTTON, 10, y + 8, 80, 23, kDefaultId);
  }

  void OnSlider(HWND slider) override {
    if (driverRows_) {
      if (rows_.OnSlider(slider)) SetDirty(true);
      return;
    }
    const int id = GetDlgCtrlID(slider);
    if (id < kSliderBase || id >= kValueBase) return;
    SetFromControls(id - kSliderBase);
  }

  void OnCommand(int id, int code) override {
    if (driverRows_) {
      if (rows_.OnCommand(id, code)) SetDirty(true);
      return;
    }
    if (id == kDefaultId && code == BN_CLICKED) {
      for (const auto& s : settings_)
        SendDlgItemMessage(hwnd_, kSliderBase + s.property, TBM_SETPOS, TRUE, s.defaultValue);
      for (const auto& s : settings_) SetFromControls(static_cast<int>(s.property));
    } else if (id >= kAutoBase && id < kDefaultId && code == BN_CLICKED) {
      EnableWindow(Item(id - kAutoBase + kSliderBase), !Automatic(id - kAutoBase));
      SetFromControls(id - kAutoBase);
    }
  }

  HRESULT Commit() override {
    if (driverRows_) rows_.Keep();
    for (auto& s : settings_) amp_->Get(s.property, &s.value, &s.flags);
    return S_OK;
  }

  void Revert() override {
    if (driverRows_) rows_.Revert();
    for (const auto& s : settings_) amp_->Set(s.property, s.value, s.flags);
  }

 private:
  bool Automatic(int property) const {
    HWND box = Item(kAutoBase + property);
    return box && SendMessage(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }

  void SetFromControls(int property) {
    const long value = static_cast<long>(SendDlgItemMessage(hwnd_, kSliderBase + property, TBM_GETPOS, 0, 0));
    const long flags = Automatic(property) ? VideoProcAmp_Flags_Auto : VideoProcAmp_Flags_Manual;
    long now = 0, nowFlags = 0;
    if (amp_->Get(property, &now, &nowFlags) == S_OK && now == value && nowFlags == flags) return;
    if (SUCCEEDED(amp_->Set(property, value, flags))) {
      SetDlgItemText(hwnd_, kValueBase + property, std::to_string(value).c_str());
      SetDirty(true);
    }
  }

  CComPtr<IAMVideoProcAmp> amp_;
  std::vector<Setting> settings_;
  DriverControlRows rows_;
  bool driverRows_ = false;
};

}  // namespace

HRESULT CreateProcAmpPage(REFIID riid, void** ppv) { return CreatePage<ProcAmpPage>(riid, ppv); }

}  // namespace platform::propertyframe
