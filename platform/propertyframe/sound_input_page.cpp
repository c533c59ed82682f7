// "Audio Format": the rate and channels the input records, and the capture volume and capture
// switch of its card's mixer element. Level changes reach the mixer at once, so a meter shows
// them; Cancel puts back what the mixer had.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/audio/alsa_mixer.h"
#include "platform/dshow/sound_input.h"
#include "platform/propertyframe/device_pages.h"
#include "platform/propertyframe/page_base.h"
#include "platform/propertyframe/stream_formats.h"

namespace platform::propertyframe {
namespace {

constexpr int kFormatId = 1600;
constexpr int kReasonId = 1601;
constexpr int kLineId = 1602;
constexpr int kVolumeId = 1603;
constexpr int kVolumeTextId = 1604;
constexpr int kSwitchId = 1605;

// "hw:1,0", "plughw:1,0" and "hw:CARD=Box,DEV=0" record from card 1 or "Box": its mixer is
// "hw:1" or "hw:Box". Any other PCM goes through the default mixer.
std::string MixerOf(const std::string& pcm) {
  const auto colon = pcm.find(':');
  if (colon == std::string::npos) return "default";
  const std::string kind = pcm.substr(0, colon);
  if (kind != "hw" && kind != "plughw") return "default";
  std::string card = pcm.substr(colon + 1);
  card = card.substr(0, card.find(','));
  if (card.rfind("CARD=", 0) == 0) card = card.substr(5);
  return card.empty() ? "default" : "hw:" + card;
}

struct Level {
  std::string line;
  int volume = 0, on = 0;
};

class SoundInputPage final : public PageBase {
 public:
  SoundInputPage() : PageBase("Audio Format", {400, 220}) {}

 protected:
  void Build() override {
    Label("Sample rate and channels:", 10, 12, 360);
    chooser_.Create(hwnd_, StreamConfigOf(Object<IUnknown>().get()).get(), 10, 32, 370, kFormatId, kReasonId);
    levels_.clear();
    mixer_.clear();
    if (auto input = Object<IVidarroSoundInput>()) {
      char pcm[128] = {};
      if (input->GetPcmName(pcm, sizeof pcm) == S_OK) mixer_ = MixerOf(pcm);
    }
    for (const auto& card : audio::AlsaCards())
      if (card.device == mixer_)
        for (const auto& line : card.captureLines) {
          Level l{line};
          if (audio::ReadAlsaCapture(mixer_, line, &l.volume, &l.on)) levels_.push_back(l);
        }
    const int y = 100;
    if (levels_.empty()) {
      Label("The input has no recording level to set.", 10, y, 370);
      return;
    }
    Label("Recording input:", 10, y + 3, 110);
    HWND lines = Add(WC_COMBOBOX, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 125, y, 160, 200, kLineId);
    for (const auto& l : levels_) SendMessage(lines, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(l.line.c_str()));
    // The line the card records from comes first to hand.
    std::size_t recorded = 0;
    while (recorded + 1 < levels_.size() && !levels_[recorded].on) ++recorded;
    SendMessage(lines, CB_SETCURSEL, recorded, 0);
    Label("Capture volume:", 10, y + 38, 110);
    HWND slider = Add(TRACKBAR_CLASS, "", WS_TABSTOP | TBS_HORZ, 120, y + 34, 200, 24, kVolumeId);
    SendMessage(slider, TBM_SETRANGEMIN, FALSE, 0);
    SendMessage(slider, TBM_SETRANGEMAX, FALSE, 100);
    SendMessage(slider, TBM_SETPAGESIZE, 0, 10);
    Label("", 325, y + 38, 50, kVolumeTextId);
    Add(WC_BUTTON, "Capture", WS_TABSTOP | BS_AUTOCHECKBOX, 125, y + 70, 200, 20, kSwitchId);
    ShowLine(static_cast<int>(recorded));
  }

  void OnCommand(int id, int code) override {
    if (chooser_.Changed(id, code)) SetDirty(true);
    if (id == kLineId && code == CBN_SELCHANGE) ShowLine(Chosen());
    if (id == kSwitchId && code == BN_CLICKED && Chosen() >= 0) {
      const bool on = SendDlgItemMessage(hwnd_, kSwitchId, BM_GETCHECK, 0, 0) == BST_CHECKED;
      if (audio::WriteAlsaCaptureSelected(mixer_, levels_[static_cast<std::size_t>(Chosen())].line, on ? 1 : 0))
        SetDirty(true);
    }
  }

  void OnSlider(HWND slider) override {
    if (GetDlgCtrlID(slider) != kVolumeId || Chosen() < 0) return;
    const int percent = static_cast<int>(SendMessage(slider, TBM_GETPOS, 0, 0));
    const std::string& line = levels_[static_cast<std::size_t>(Chosen())].line;
    int volume = 0, on = 0;
    if (audio::ReadAlsaCapture(mixer_, line, &volume, &on) && (volume * 100 + 32767) / 65535 == percent) return;
    if (audio::WriteAlsaCaptureVolume(mixer_, line, (percent * 65535 + 50) / 100)) SetDirty(true);
    SetDlgItemText(hwnd_, kVolumeTextId, (std::to_string(percent) + " %").c_str());
  }

  HRESULT Commit() override {
    const HRESULT hr = chooser_.Commit();
    if (FAILED(hr)) return hr;
    for (auto& l : levels_) audio::ReadAlsaCapture(mixer_, l.line, &l.volume, &l.on);
    return S_OK;
  }

  void Revert() override {
    for (const auto& l : levels_) {
      int volume = 0, on = 0;
      if (!audio::ReadAlsaCapture(mixer_, l.line, &volume, &on)) continue;
      if (volume != l.volume) audio::WriteAlsaCaptureVolume(mixer_, l.line, l.volume);
      if (on != l.on) audio::WriteAlsaCaptureSelected(mixer_, l.line, l.on);
    }
  }

 private:
  int Chosen() const {
    const auto i = SendDlgItemMessage(hwnd_, kLineId, CB_GETCURSEL, 0, 0);
    return i >= 0 && i < static_cast<LRESULT>(levels_.size()) ? static_cast<int>(i) : -1;
  }

  void ShowLine(int index) {
    if (index < 0) return;
    int volume = 0, on = 0;
    audio::ReadAlsaCapture(mixer_, levels_[static_cast<std::size_t>(index)].line, &volume, &on);
    const int percent = (volume * 100 + 32767) / 65535;
    SendDlgItemMessage(hwnd_, kVolumeId, TBM_SETPOS, TRUE, percent);
    SetDlgItemText(hwnd_, kVolumeTextId, (std::to_string(percent) + " %").c_str());
    SendDlgItemMessage(hwnd_, kSwitchId, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  FormatChooser chooser_;
  std::string mixer_;
  std::vector<Level> levels_;  // as the mixer had them when opened or applied
};

}  // namespace

HRESULT CreateSoundInputPage(REFIID riid, void** ppv) { return CreatePage<SoundInputPage>(riid, ppv); }

}  // namespace platform::propertyframe
