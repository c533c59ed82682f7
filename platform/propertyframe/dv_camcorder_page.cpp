// "DV Camcorder": what a FireWire camcorder sends (DV of 525 or 625 lines, or HDV's MPEG-2
// transport stream and its picture size) and, for DV, the size its decoders show it at: full,
// half, quarter or DC. The size is the decoders' and takes hold when they are next connected.
#include <iterator>
#include <string>
#include <vector>

#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/pin_walk.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/propertyframe/device_pages.h"
#include "platform/propertyframe/page_base.h"

namespace platform::propertyframe {
namespace {

constexpr int kSendsId = 1800;
constexpr int kPictureId = 1801;
constexpr int kResolutionId = 1802;
constexpr int kNoteId = 1803;

struct NamedResolution {
  int value;
  const char* name;
};
constexpr NamedResolution kResolutions[] = {{DVRESOLUTION_FULL, "Full (720 wide)"},
                                            {DVRESOLUTION_HALF, "Half (360 wide)"},
                                            {DVRESOLUTION_QUARTER, "Quarter (180 wide)"},
                                            {DVRESOLUTION_DC, "DC (88 wide)"}};

// Every DV decoder fed from the camcorder's outputs, through splitters and tees on the way; the
// depth bound keeps a looped graph from walking forever.
void CollectDecoders(IBaseFilter* filter, int depth, std::vector<CComPtr<IIPDVDec>>* found) {
  if (!filter || depth > 8) return;
  for (auto& pin : dshow::PinsOf(filter)) {
    if (dshow::DirectionOf(pin.get()) != PINDIR_OUTPUT) continue;
    CComPtr<IPin> other;
    if (FAILED(pin->ConnectedTo(&other)) || !other) continue;
    PIN_INFO info;
    if (FAILED(other->QueryPinInfo(&info)) || !info.pFilter) continue;
    CComPtr<IIPDVDec> decoder;
    if (SUCCEEDED(info.pFilter->QueryInterface(IID_IIPDVDec, reinterpret_cast<void**>(&decoder))) && decoder)
      found->push_back(decoder);
    else CollectDecoders(info.pFilter, depth + 1, found);
    info.pFilter->Release();
  }
}

class DvCamcorderPage final : public PageBase {
 public:
  DvCamcorderPage() : PageBase("DV Camcorder", {400, 200}) {}

 protected:
  void Build() override {
    decoders_.clear();
    auto filter = Object<IBaseFilter>();
    auto transport = Object<IAMExtTransport>();
    long signal = 0;
    if (!transport || FAILED(transport->GetTransportBasicParameters(ED_TRANSBASIC_INPUT_SIGNAL, &signal, nullptr))) {
      Label("The camcorder does not answer. Check its cable and power.", 10, 12, 370);
      return;
    }
    const bool hdv = signal == ED_TRANSBASIC_SIGNAL_MPEG2TS;
    Label("Sends:", 10, 12, 110);
    Label(SignalName(signal), 125, 12, 260, kSendsId);
    Label("Picture:", 10, 36, 110);
    Label(PictureName(signal), 125, 36, 260, kPictureId);
    if (hdv) {
      Label("HDV is recorded as the camcorder sends it; there is no size to choose.", 10, 70, 370, kNoteId);
      return;
    }
    CollectDecoders(filter.get(), 0, &decoders_);
    Label("DV resolution:", 10, 73, 110);
    HWND list = Add(WC_COMBOBOX, "", WS_TABSTOP | CBS_DROPDOWNLIST, 125, 70, 160, 120, kResolutionId);
    for (const auto& r : kResolutions) SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r.name));
    saved_ = DVRESOLUTION_HALF;
    if (!decoders_.empty()) decoders_.front()->get_IPDisplay(&saved_);
    for (std::size_t i = 0; i < std::size(kResolutions); ++i)
      if (kResolutions[i].value == saved_) SendMessage(list, CB_SETCURSEL, i, 0);
    if (decoders_.empty()) EnableWindow(list, FALSE);
    Add(WC_STATIC, "", SS_LEFT, 10, 104, 370, 34, kNoteId);
    SetDlgItemText(hwnd_, kNoteId,
                   decoders_.empty() ? "The size can be chosen once the preview shows the camcorder."
                                     : "The decoder takes the size when it is next connected.");
  }

  void OnCommand(int id, int code) override {
    if (id != kResolutionId || code != CBN_SELCHANGE) return;
    const HRESULT hr = Put(Chosen());
    if (FAILED(hr)) SetDlgItemText(hwnd_, kNoteId, "The DV decoder refused the size.");
    SetDirty(true);
  }

  HRESULT Commit() override {
    const HRESULT hr = Put(Chosen());
    if (SUCCEEDED(hr)) saved_ = Chosen();
    return hr;
  }

  void Revert() override { Put(saved_); }

 private:
  static std::string SignalName(long signal) {
    switch (signal) {
      case ED_TRANSBASIC_SIGNAL_525_60_SD: return "DV, 525 lines at 60 fields (NTSC)";
      case ED_TRANSBASIC_SIGNAL_625_50_SD: return "DV, 625 lines at 50 fields (PAL)";
      case ED_TRANSBASIC_SIGNAL_MPEG2TS: return "HDV, MPEG-2 transport stream";
      default: return "Unknown signal (" + std::to_string(signal) + ")";
    }
  }

  // DV's picture follows from its lines; HDV's stream carries its own and the unit does not say.
  static std::string PictureName(long signal) {
    switch (signal) {
      case ED_TRANSBASIC_SIGNAL_525_60_SD: return "720 x 480, 29.97 frames a second";
      case ED_TRANSBASIC_SIGNAL_625_50_SD: return "720 x 576, 25 frames a second";
      case ED_TRANSBASIC_SIGNAL_MPEG2TS: return "MPEG-2 video and audio as the tape holds them";
      default: return "";
    }
  }

  int Chosen() const {
    const auto i = SendDlgItemMessage(hwnd_, kResolutionId, CB_GETCURSEL, 0, 0);
    return i >= 0 && i < static_cast<LRESULT>(std::size(kResolutions)) ? kResolutions[static_cast<std::size_t>(i)].value
                                                                       : saved_;
  }

  HRESULT Put(int resolution) {
    HRESULT hr = S_OK;
    for (auto& decoder : decoders_)
      if (const HRESULT one = decoder->put_IPDisplay(resolution); FAILED(one)) hr = one;
    return hr;
  }

  std::vector<CComPtr<IIPDVDec>> decoders_;
  int saved_ = DVRESOLUTION_HALF;
};

}  // namespace

HRESULT CreateDvCamcorderPage(REFIID riid, void** ppv) { return CreatePage<DvCamcorderPage>(riid, ppv); }

}  // namespace platform::propertyframe
