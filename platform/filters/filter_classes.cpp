#include "platform/filters/filter_classes.h"

#include <mutex>

#include "platform/com/class_table.h"
#include "platform/com/out_param.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/uuids.h"
#include "platform/filters/asf_writer.h"
#include "platform/filters/avi_writer.h"
#include "platform/filters/hdv_filters.h"
#include "platform/filters/hdv_interfaces.h"
#include "platform/filters/maker_interfaces.h"
#include "platform/filters/mpeg_encoder.h"
#include "platform/filters/small_filters.h"
#include "platform/filters/still_capture.h"

namespace platform::filters {

bool RegisterFilterClassesOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    // The stock classes first: the writers here take the place of their stand-ins.
    dshow::RegisterStockClasses();
    com::RegisterClassForever(CLSID_AviDest, CreateAviMux);
    com::RegisterClassForever(CLSID_FileWriter, CreateFileWriter);
    com::RegisterClassForever(CLSID_WMAsfWriter, CreateAsfWriter);
    com::RegisterClassForever(CLSID_QnMpegEncoder,
                              [](REFIID riid, void** ppv) { return com::HandOver(new MpegEncoderFilter, riid, ppv); });
    com::RegisterClassForever(CLSID_QnEraseLine, CreateEraseLine);
    com::RegisterClassForever(CLSID_QnVideoDownSampler, CreateDownSampler);
    com::RegisterClassForever(CLSID_QnSpaceColorConverter, CreateSpaceColorConverter);
    com::RegisterClassForever(CLSID_QnAudioAnalyzer, CreateAudioAnalyzer);
    com::RegisterClassForever(CLSID_QnTimeOffset, CreateTimeOffset);
    com::RegisterClassForever(CLSID_QnStillCapture, CreateStillCapture);
    com::RegisterClassForever(CLSID_QTSource, CreateQtSource);
    com::RegisterClassForever(CLSID_QnPsiParser, CreatePsiParser);
    com::RegisterClassForever(CLSID_QnStreamWriter, CreateStreamWriter);
    com::RegisterClassForever(CLSID_QnMpegVideoDecoder, CreateMpegVideoDecoder);
    com::RegisterClassForever(CLSID_QnAudioDecoder, CreateMpegAudioDecoder);
    com::RegisterClassForever(CLSID_QnBdMultiplexer, CreateBdMultiplexer);
    com::RegisterClassForever(CLSID_QnBdMultiplexer2, CreateBdMultiplexer2);
    com::RegisterClassForever(CLSID_QnBufferFilter, CreateBufferFilter);
    com::RegisterClassForever(CLSID_QnLpcmEncoder, CreateLpcmEncoder);
    com::RegisterClassForever(CLSID_QnMpeg2Multiplexer, CreateMpeg2Multiplexer);
  });
  return true;
}

}  // namespace platform::filters
