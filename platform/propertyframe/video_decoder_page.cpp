// "Video Decoder": the analog standard of a card, the input its crossbar routes to the decoder and
// whether the decoder is locked to a signal. Given a crossbar itself, the page chooses its input.
#include <string>
#include <vector>

#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/pin_walk.h"
#include "platform/propertyframe/device_pages.h"
#include "platform/propertyframe/page_base.h"

namespace platform::propertyframe {
namespace {

constexpr int kStandardId = 1500;
constexpr int kSignalId = 1501;
constexpr int kInputId = 1503;
constexpr int kReasonId = 1504;

struct NamedStandard {
  long bit;
  const char* name;
};
constexpr NamedStandard kStandards[] = {{AnalogVideo_NTSC_M, "NTSC_M"},
                                        {AnalogVideo_NTSC_M_J, "NTSC_M_J"},
                                        {AnalogVideo_NTSC_433, "NTSC_433"},
                                        {AnalogVideo_PAL_B, "PAL_B"},
                                        {AnalogVideo_PAL_D, "PAL_D"},
                                        {AnalogVideo_PAL_G, "PAL_G"},
                                        {AnalogVideo_PAL_H, "PAL_H"},
                                        {AnalogVideo_PAL_I, "PAL_I"},
                                        {AnalogVideo_PAL_M, "PAL_M"},
                                        {AnalogVideo_PAL_N, "PAL_N"},
                                        {AnalogVideo_PAL_60, "PAL_60"},
                                        {AnalogVideo_SECAM_B, "SECAM_B"},
                                        {AnalogVideo_SECAM_D, "SECAM_D"},
                                        {AnalogVideo_SECAM_G, "SECAM_G"},
                                        {AnalogVideo_SECAM_H, "SECAM_H"},
                                        {AnalogVideo_SECAM_K, "SECAM_K"},
                                        {AnalogVideo_SECAM_K1, "SECAM_K1"},
                                        {0x40000, "SECAM_L"},
                                        {0x80000, "SECAM_L1"},
                                        {0x100000, "PAL_N_COMBO"}};

std::string ConnectorName(long type) {
  switch (type) {
    case PhysConn_Video_Tuner: return "Video Tuner";
    case PhysConn_Video_Composite: return "Video Composite";
    case PhysConn_Video_SVideo: return "Video SVideo";
    case PhysConn_Video_RGB: return "Video RGB";
    case PhysConn_Video_YRYBY: return "Video YRYBY";
    case PhysConn_Video_SerialDigital: return "Video Serial Digital";
    case PhysConn_Video_ParallelDigital: return "Video Parallel Digital";
    case PhysConn_Video_1394: return "Video 1394";
    case PhysConn_Video_USB: return "Video USB";
    case PhysConn_Video_SCART: return "Video SCART";
    default: return "Input " + std::to_string(type);
  }
}

// The crossbar in front of a capture filter: the filter on the far side of one of its inputs.
CComPtr<IAMCrossbar> UpstreamCrossbar(IUnknown* object) {
  CComPtr<IAMCrossbar> crossbar;
  CComPtr<IBaseFilter> filter;
  if (!object || FAILED(object->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter))) || !filter)
    return crossbar;
  for (auto& pin : dshow::PinsOf(filter.get())) {
    if (dshow::DirectionOf(pin.get()) != PINDIR_INPUT) continue;
    CComPtr<IPin> other;
    if (FAILED(pin->ConnectedTo(&other)) || !other) continue;
    PIN_INFO info;
    if (FAILED(other->QueryPinInfo(&info)) || !info.pFilter) continue;
    info.pFilter->QueryInterface(IID_IAMCrossbar, reinterpret_cast<void**>(&crossbar));
    info.pFilter->Release();
    if (crossbar) break;
  }
  return crossbar;
}

class VideoDecoderPage final : public PageBase {
 public:
  VideoDecoderPage() : PageBase("Video Decoder", {400, 200}) {}

 protected:
  void Build() override {
    decoder_ = Object<IAMAnalogVideoDecoder>();
    crossbar_ = Object<IAMCrossbar>();
    if (!crossbar_) crossbar_ = UpstreamCrossbar(Object<IUnknown>().get());
    standards_.clear();
    inputs_.clear();
    int y = 12;
    if (decoder_) {
      Label("Video Standard:", 10, y + 3, 110);
      HWND list = Add(WC_COMBOBOX, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 125, y, 160, 200, kStandardId);
      long available = 0, current = 0;
      decoder_->get_AvailableTVFormats(&available);
      decoder_->get_TVFormat(&current);
      for (const auto& s : kStandards)
        if (available & s.bit) {
          SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.name));
          standards_.push_back(s.bit);
        }
      for (std::size_t i = 0; i < standards_.size(); ++i)
        if (standards_[i] == current) SendMessage(list, CB_SETCURSEL, i, 0);
      y += 34;
      Label("Signal:", 10, y, 110);
      Label(SignalText(), 125, y, 250, kSignalId);
      y += 30;
    }
    if (crossbar_) {
      Label("Input:", 10, y + 3, 110);
      HWND list = Add(WC_COMBOBOX, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 125, y, 160, 200, kInputId);
      long outputs = 0, ins = 0;
      crossbar_->get_PinCounts(&outputs, &ins);
      output_ = -1;
      for (long o = 0; o < outputs && output_ < 0; ++o) {
        long related = 0, type = 0;
        if (crossbar_->get_CrossbarPinInfo(FALSE, o, &related, &type) == S_OK && type < PhysConn_Audio_Tuner)
          output_ = o;
      }
      long routed = -1;
      if (output_ >= 0) crossbar_->get_IsRoutedTo(output_, &routed);
      for (long i = 0; output_ >= 0 && i < ins; ++i) {
        long related = 0, type = 0;
        if (crossbar_->get_CrossbarPinInfo(TRUE, i, &related, &type) != S_OK || type >= PhysConn_Audio_Tuner) continue;
        if (crossbar_->CanRoute(output_, i) != S_OK) continue;
        SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ConnectorName(type).c_str()));
        if (i == routed) SendMessage(list, CB_SETCURSEL, inputs_.size(), 0);
        inputs_.push_back(i);
      }
      y += 34;
    }
    if (!decoder_ && !crossbar_) Label("The device has no analog video decoder.", 10, 12, 360);
    Add(WC_STATIC, "", SS_LEFT, 10, y, 370, 34, kReasonId);
  }

  void OnCommand(int id, int code) override {
    if ((id == kStandardId || id == kInputId) && code == CBN_SELCHANGE) SetDirty(true);
  }

  HRESULT Commit() override {
    HRESULT hr = S_OK;
    const auto standard = SendDlgItemMessage(hwnd_, kStandardId, CB_GETCURSEL, 0, 0);
    if (decoder_ && standard >= 0 && standard < static_cast<LRESULT>(standards_.size())) {
      long now = 0;
      decoder_->get_TVFormat(&now);
      if (now != standards_[static_cast<std::size_t>(standard)])
        hr = decoder_->put_TVFormat(standards_[static_cast<std::size_t>(standard)]);
    }
    const auto input = SendDlgItemMessage(hwnd_, kInputId, CB_GETCURSEL, 0, 0);
    if (SUCCEEDED(hr) && crossbar_ && input >= 0 && input < static_cast<LRESULT>(inputs_.size()))
      hr = crossbar_->Route(output_, inputs_[static_cast<std::size_t>(input)]);
    SetDlgItemText(hwnd_, kReasonId,
                   FAILED(hr) ? "The device refused the change. Stop the recording or preview and try again." : "");
    if (SUCCEEDED(hr) && decoder_) SetDlgItemText(hwnd_, kSignalId, SignalText().c_str());
    return hr;
  }

 private:
  std::string SignalText() const {
    long locked = 0, lines = 0;
    decoder_->get_HorizontalLocked(&locked);
    decoder_->get_NumberOfLines(&lines);
    return std::string(locked ? "Locked" : "No signal") + (lines ? ", " + std::to_string(lines) + " lines" : "");
  }

  CComPtr<IAMAnalogVideoDecoder> decoder_;
  CComPtr<IAMCrossbar> crossbar_;
  std::vector<long> standards_;
  std::vector<long> inputs_;
  long output_ = -1;
};

}  // namespace

HRESULT CreateVideoDecoderPage(REFIID riid, void** ppv) { return CreatePage<VideoDecoderPage>(riid, ppv); }

}  // namespace platform::propertyframe
