// "TV Tuner": the channel, country and cable or antenna input of a tuner, and whether it finds a
// signal. The tuner follows the page as it changes, so the preview shows the channel chosen;
// Cancel tunes back to what it had.
#include <cstdlib>
#include <string>

#include "platform/dshow/device_interfaces.h"
#include "platform/propertyframe/device_pages.h"
#include "platform/propertyframe/page_base.h"

namespace platform::propertyframe {
namespace {

constexpr int kChannelId = 1700;
constexpr int kChannelSpinId = 1701;
constexpr int kCountryId = 1702;
constexpr int kInputTypeId = 1703;
constexpr int kSignalId = 1704;
constexpr int kReasonId = 1705;
constexpr int kRangeId = 1706;

struct TunerState {
  long channel = 0;
  long country = 0;
  TunerInputType input = TunerInputCable;
};

class TvTunerPage final : public PageBase {
 public:
  TvTunerPage() : PageBase("TV Tuner", {400, 200}) {}

 protected:
  void Build() override {
    tuner_ = Object<IAMTVTuner>();
    if (!tuner_) {
      Label("The device has no TV tuner.", 10, 12, 360);
      return;
    }
    saved_ = Read();
    min_ = 0;
    max_ = 0;
    tuner_->ChannelMinMax(&min_, &max_);
    filling_ = true;
    Label("Channel:", 10, 15, 110);
    HWND channel =
        Add(WC_EDIT, std::to_string(saved_.channel), WS_TABSTOP | WS_BORDER | ES_NUMBER, 125, 12, 60, 22, kChannelId);
    HWND spin =
        Add(UPDOWN_CLASS, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 185, 12, 16, 22, kChannelSpinId);
    SendMessage(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(channel), 0);
    SendMessage(spin, UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
    SendMessage(spin, UDM_SETPOS32, 0, saved_.channel);
    Label(RangeText(), 210, 15, 120, kRangeId);
    Label("Country code:", 10, 49, 110);
    Add(WC_EDIT, std::to_string(saved_.country), WS_TABSTOP | WS_BORDER | ES_NUMBER, 125, 46, 60, 22, kCountryId);
    Label("Input:", 10, 83, 110);
    HWND input = Add(WC_COMBOBOX, "", WS_TABSTOP | CBS_DROPDOWNLIST, 125, 80, 120, 100, kInputTypeId);
    SendMessage(input, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Cable"));
    SendMessage(input, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Antenna"));
    SendMessage(input, CB_SETCURSEL, saved_.input == TunerInputAntenna ? 1 : 0, 0);
    Label("Signal:", 10, 117, 110);
    Label(SignalText(), 125, 117, 250, kSignalId);
    Add(WC_STATIC, "", SS_LEFT, 10, 145, 370, 34, kReasonId);
    filling_ = false;
  }

  void OnCommand(int id, int code) override {
    if (filling_ || !tuner_) return;
    HRESULT hr = S_FALSE;
    if (id == kChannelId && code == EN_CHANGE) {
      const long channel = Number(kChannelId);
      // A number half typed is not a channel yet; the tuner keeps the last good one.
      if (channel < min_ || channel > max_) {
        SetDlgItemText(hwnd_, kReasonId,
                       ("Choose a channel from " + std::to_string(min_) + " to " + std::to_string(max_) + ".").c_str());
        return;
      }
      hr = tuner_->put_Channel(channel, -1, -1);
    } else if (id == kCountryId && code == EN_CHANGE) {
      const long country = Number(kCountryId);
      if (country < 0) return;  // emptied on the way to another code
      hr = tuner_->put_CountryCode(country);
    } else if (id == kInputTypeId && code == CBN_SELCHANGE) {
      const auto chosen = SendDlgItemMessage(hwnd_, kInputTypeId, CB_GETCURSEL, 0, 0);
      hr = tuner_->put_InputType(0, chosen == 1 ? TunerInputAntenna : TunerInputCable);
    }
    if (hr == S_FALSE) return;
    SetDlgItemText(hwnd_, kReasonId, FAILED(hr) ? "The tuner refused the change." : "");
    if (SUCCEEDED(hr) && id != kChannelId) ShowChannels();
    SetDlgItemText(hwnd_, kSignalId, SignalText().c_str());
    SetDirty(true);
  }

  HRESULT Commit() override {
    saved_ = Read();
    return S_OK;
  }

  void Revert() override {
    if (!tuner_) return;
    tuner_->put_CountryCode(saved_.country);
    tuner_->put_InputType(0, saved_.input);
    tuner_->put_Channel(saved_.channel, -1, -1);
  }

 private:
  TunerState Read() const {
    TunerState s;
    long video = 0, audio = 0;
    tuner_->get_Channel(&s.channel, &video, &audio);
    tuner_->get_CountryCode(&s.country);
    tuner_->get_InputType(0, &s.input);
    return s;
  }

  // Another country or input has a channel plan of its own, and the tuner may have moved to it.
  void ShowChannels() {
    tuner_->ChannelMinMax(&min_, &max_);
    long channel = 0, video = 0, audio = 0;
    tuner_->get_Channel(&channel, &video, &audio);
    filling_ = true;
    SendDlgItemMessage(hwnd_, kChannelSpinId, UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
    SendDlgItemMessage(hwnd_, kChannelSpinId, UDM_SETPOS32, 0, channel);
    SetDlgItemText(hwnd_, kChannelId, std::to_string(channel).c_str());
    SetDlgItemText(hwnd_, kRangeId, RangeText().c_str());
    filling_ = false;
  }

  std::string RangeText() const { return "(" + std::to_string(min_) + " to " + std::to_string(max_) + ")"; }

  long Number(int id) const {
    char text[16] = {};
    GetDlgItemText(hwnd_, id, text, sizeof text);
    return text[0] ? std::strtol(text, nullptr, 10) : -1;
  }

  std::string SignalText() const {
    long strength = 0;
    if (FAILED(tuner_->SignalPresent(&strength))) return "Unknown";
    if (strength == AMTUNER_HASNOSIGNALSTRENGTH) return "Not reported by the tuner";
    return strength == AMTUNER_NOSIGNAL ? "No signal" : "Signal present";
  }

  CComPtr<IAMTVTuner> tuner_;
  TunerState saved_;
  long min_ = 0;
  long max_ = 0;
  bool filling_ = false;
};

}  // namespace

HRESULT CreateTvTunerPage(REFIID riid, void** ppv) { return CreatePage<TvTunerPage>(riid, ppv); }

}  // namespace platform::propertyframe
