#include "platform/propertyframe/stream_formats.h"

#include <cstdio>

#include "platform/dshow/codes.h"
#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/pin_walk.h"
#include "platform/dshow/uuids.h"
#include "platform/window/dialog.h"

namespace platform::propertyframe {
namespace {

std::string SubtypeText(REFGUID subtype) {
  if (subtype == MEDIASUBTYPE_RGB24) return "RGB24";
  if (subtype == MEDIASUBTYPE_RGB32) return "RGB32";
  // The rest carry their FourCC in the first field.
  std::string fourcc;
  for (int shift = 0; shift < 32; shift += 8) {
    const char c = static_cast<char>((subtype.Data1 >> shift) & 0xFF);
    if (c < 0x20 || c > 0x7E) return dshow::SubTypeName(subtype);
    fourcc += c;
  }
  return fourcc;
}

const BITMAPINFOHEADER* PictureOf(const CMediaType& mt, REFERENCE_TIME* frame) {
  if (mt.formattype == FORMAT_VideoInfo)
    if (const auto* v = mt.Format<VIDEOINFOHEADER>()) return *frame = v->AvgTimePerFrame, &v->bmiHeader;
  if (mt.formattype == FORMAT_VideoInfo2)
    if (const auto* v = mt.Format<VIDEOINFOHEADER2>()) return *frame = v->AvgTimePerFrame, &v->bmiHeader;
  return nullptr;
}

}  // namespace

CComPtr<IAMStreamConfig> StreamConfigOf(IUnknown* object) {
  CComPtr<IAMStreamConfig> config;
  if (!object) return config;
  if (SUCCEEDED(object->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config))) && config)
    return config;
  config = nullptr;
  CComPtr<IBaseFilter> filter;
  if (FAILED(object->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter))) || !filter) return config;
  for (auto& pin : dshow::PinsOf(filter.get())) {
    if (dshow::DirectionOf(pin.get()) != PINDIR_OUTPUT) continue;
    if (SUCCEEDED(pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config))) && config) break;
    config = nullptr;
  }
  return config;
}

std::string DescribeFormat(const AM_MEDIA_TYPE& type) {
  const CMediaType mt(type);
  char text[128];
  if (mt.formattype == FORMAT_WaveFormatEx)
    if (const auto* w = mt.Format<WAVEFORMATEX>()) {
      std::snprintf(text, sizeof text, "%u Hz, %u %s, %u bits", static_cast<unsigned>(w->nSamplesPerSec),
                    static_cast<unsigned>(w->nChannels), w->nChannels == 1 ? "channel" : "channels",
                    static_cast<unsigned>(w->wBitsPerSample));
      return text;
    }
  REFERENCE_TIME frame = 0;
  if (const BITMAPINFOHEADER* bmi = PictureOf(mt, &frame)) {
    const double fps = frame > 0 ? 10000000.0 / static_cast<double>(frame) : 0.0;
    std::snprintf(text, sizeof text, "%ld x %ld, %.2f fps, %s", static_cast<long>(bmi->biWidth),
                  static_cast<long>(bmi->biHeight < 0 ? -bmi->biHeight : bmi->biHeight), fps,
                  SubtypeText(mt.subtype).c_str());
    return text;
  }
  return dshow::MajorTypeName(mt.majortype) + " " + SubtypeText(mt.subtype);
}

std::vector<OfferedFormat> OfferedFormats(IAMStreamConfig* config) {
  std::vector<OfferedFormat> offered;
  int count = 0, size = 0;
  if (!config || FAILED(config->GetNumberOfCapabilities(&count, &size))) return offered;
  std::vector<BYTE> caps(static_cast<std::size_t>(size > 0 ? size : 128));
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* mt = nullptr;
    if (FAILED(config->GetStreamCaps(i, &mt, caps.data())) || !mt) continue;
    OfferedFormat f{DescribeFormat(*mt), CMediaType(*mt)};
    DeleteMediaType(mt);
    bool seen = false;
    for (const auto& o : offered) seen = seen || o.text == f.text;
    if (!seen) offered.push_back(std::move(f));
  }
  return offered;
}

int CurrentFormatIndex(IAMStreamConfig* config, const std::vector<OfferedFormat>& offered) {
  AM_MEDIA_TYPE* mt = nullptr;
  if (!config || FAILED(config->GetFormat(&mt)) || !mt) return -1;
  const std::string now = DescribeFormat(*mt);
  DeleteMediaType(mt);
  for (std::size_t i = 0; i < offered.size(); ++i)
    if (offered[i].text == now) return static_cast<int>(i);
  return -1;
}

std::string FormatRefusal(HRESULT hr) {
  if (hr == VFW_E_NOT_STOPPED || hr == VFW_E_WRONG_STATE)
    return "The format cannot be changed while the device is recording or showing its picture. Stop it and try "
           "again.";
  if (hr == VFW_E_INVALIDMEDIATYPE) return "The device does not accept this format.";
  char text[64];
  std::snprintf(text, sizeof text, "The device refused the format (error 0x%08X).", static_cast<unsigned>(hr));
  return text;
}

}  // namespace platform::propertyframe

namespace platform::propertyframe {

void FormatChooser::Create(HWND page, IAMStreamConfig* config, int x, int y, int width, int listId, int reasonId) {
  page_ = page;
  config_ = config;
  listId_ = listId;
  reasonId_ = reasonId;
  offered_ = OfferedFormats(config);
  HFONT font = reinterpret_cast<HFONT>(SendMessage(page, WM_GETFONT, 0, 0));
  HWND list =
      CreateWindowEx(0, WC_COMBOBOX, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, x, y,
                     width, 200, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(listId)), nullptr, nullptr);
  HWND reason = CreateWindowEx(0, WC_STATIC, "", WS_CHILD | WS_VISIBLE | SS_LEFT, x, y + 30, width, 34, page,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(reasonId)), nullptr, nullptr);
  for (HWND w : {list, reason}) SendMessage(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (const auto& f : offered_) SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.text.c_str()));
  SendMessage(list, CB_SETCURSEL, static_cast<WPARAM>(CurrentFormatIndex(config, offered_)), 0);
  EnableWindow(list, !offered_.empty());
}

HRESULT FormatChooser::Commit() {
  const auto chosen = SendDlgItemMessage(page_, listId_, CB_GETCURSEL, 0, 0);
  if (!config_ || chosen < 0 || chosen >= static_cast<LRESULT>(offered_.size())) return S_OK;
  CMediaType type = offered_[static_cast<std::size_t>(chosen)].type;
  const HRESULT hr = config_->SetFormat(&type);
  SetDlgItemText(page_, reasonId_, FAILED(hr) ? FormatRefusal(hr).c_str() : "");
  return hr;
}

}  // namespace platform::propertyframe
