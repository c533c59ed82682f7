#include <mutex>

#include "platform/com/class_table.h"
#include "platform/dshow/file_source.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/stock_filters.h"

namespace platform::dshow {

namespace internal {
HRESULT CreateFilterGraph(REFIID riid, void** ppv);
HRESULT CreateCaptureGraphBuilder(REFIID riid, void** ppv);
HRESULT CreateSystemDeviceEnum(REFIID riid, void** ppv);
}  // namespace internal

void RegisterStockClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    com::RegisterClassForever(CLSID_FilterGraph, internal::CreateFilterGraph);
    com::RegisterClassForever(CLSID_CaptureGraphBuilder2, internal::CreateCaptureGraphBuilder);
    com::RegisterClassForever(CLSID_SystemDeviceEnum, internal::CreateSystemDeviceEnum);
    RegisterStockFilters();
    com::RegisterClassForever(CLSID_MediaFileSource,
                              [](REFIID riid, void** ppv) { return CreateMediaFileSource(riid, ppv); });
    com::RegisterClassForever(CLSID_MediaDecoder, CreateMediaDecoder);
    // Compressed file streams reach the decoder before any pass-through of their major type.
    RegisterConverterClass(CLSID_MediaDecoder, true);
  });
}

bool RegisterStockClassesOnce() {
  RegisterStockClasses();
  return true;
}

}  // namespace platform::dshow
