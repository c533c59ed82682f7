// "Video Format": the sizes, rates and picture formats of the capture pin, applied when the graph
// lets the pin change (stopped); while the device runs the page says why it cannot.
#include "platform/propertyframe/device_pages.h"
#include "platform/propertyframe/page_base.h"
#include "platform/propertyframe/stream_formats.h"

namespace platform::propertyframe {
namespace {

constexpr int kListId = 1400;
constexpr int kReasonId = 1401;

class VideoFormatPage final : public PageBase {
 public:
  VideoFormatPage() : PageBase("Video Format", {400, 200}) {}

 protected:
  void Build() override {
    Label("Output size, frame rate and format:", 10, 12, 360);
    IUnknown* object = nullptr;
    if (CComPtr<IUnknown> first = Object<IUnknown>()) object = first.get();
    chooser_.Create(hwnd_, StreamConfigOf(object).get(), 10, 34, 370, kListId, kReasonId);
    if (chooser_.Empty()) SetDlgItemText(hwnd_, kReasonId, "The device offers no formats to choose from.");
  }
  void OnCommand(int id, int code) override {
    if (chooser_.Changed(id, code)) SetDirty(true);
  }
  HRESULT Commit() override { return chooser_.Commit(); }

 private:
  FormatChooser chooser_;
};

}  // namespace

HRESULT CreateVideoFormatPage(REFIID riid, void** ppv) { return CreatePage<VideoFormatPage>(riid, ppv); }

}  // namespace platform::propertyframe
