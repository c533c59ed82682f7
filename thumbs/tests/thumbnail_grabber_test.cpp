// The grabber's roads with filters that stand in for the source and "Still Capture": what the
// opens return, a picture taken from the paused graph, the polls of a frame that never comes,
// and what a grab hands out.
#include "thumbs/thumbnail_grabber.h"

#include <gtest/gtest.h>

#include "platform/base/clock.h"
#include "platform/com/class_table.h"
#include "platform/com/out_param.h"
#include "platform/dshow/file_source.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/playback_interfaces.h"
#include "platform/dshow/transform_filter.h"
#include "platform/filters/filter_classes.h"
#include "platform/filters/still_capture.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/objects.h"

namespace {

using namespace platform::dshow;

// What the grabber did with its source.
struct SourceLog {
  bool firstPictureAskedBeforeLoad = false;
  bool loaded = false;
  bool ran = false;
};

// A source whose Load answers as told, with outputs of the given major types.
class SpySource : public CBaseFilter, public IFileSourceFilter, public IFirstPictureSource {
 public:
  SpySource(HRESULT load, std::vector<GUID> majors, SourceLog* log)
      : CBaseFilter(CLSID_QTSource, "QT Source"), load_(load), log_(log) {
    int n = 0;
    for (const GUID& major : majors) {
      auto* pin = AddPin<CBaseOutputPin>("Out " + std::to_string(n++));
      pin->SetMediaTypes(
          {major == MEDIATYPE_Video ? MakeVideoType(MEDIASUBTYPE_RGB32, 16, 16, 400000) : MakeAudioType(2, 44100, 16)});
    }
  }
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)
  bool IsSource() const override { return true; }
  STDMETHODIMP Load(LPCOLESTR, const AM_MEDIA_TYPE*) override {
    if (log_) log_->loaded = true;
    return load_;
  }
  STDMETHODIMP GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE*) override {
    if (file) *file = nullptr;
    return E_FAIL;
  }
  STDMETHODIMP ReadForFirstPictureOnly() override {
    if (log_) log_->firstPictureAskedBeforeLoad = !log_->loaded;
    return S_OK;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = Offer<IFirstPictureSource>(this, riid)) return p;
    return Offer<IFileSourceFilter>(this, riid);
  }
  void OnRun(REFERENCE_TIME) override {
    if (log_) log_->ran = true;
  }

 private:
  HRESULT load_;
  SourceLog* log_;
};

// "Still Capture" that counts what the grabber asks of it.
struct GrabLog {
  int readyCalls = 0;
  int frameCalls = 0;
  bool ready = false;
};
class SpyStillCapture : public CRendererFilter, public IFrameGrab {
 public:
  explicit SpyStillCapture(GrabLog* log)
      : CRendererFilter(CLSID_QnStillCapture, "Still Capture", {TypePattern(MEDIATYPE_Video)}, "Input"), log_(log) {}
  DSHOW_FORWARD_IUNKNOWN(CRendererFilter)
  STDMETHODIMP GetFrame(HBITMAP* out, int width, int height) override {
    ++log_->frameCalls;
    if (!log_->ready) return E_FAIL;
    *out = CreateBitmap(width, height, 1, 32, nullptr);
    return S_OK;
  }
  STDMETHODIMP IsFrameReady() override {
    ++log_->readyCalls;
    return log_->ready ? S_OK : S_FALSE;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return Offer<IFrameGrab>(this, riid); }

 private:
  GrabLog* log_;
};

platform::com::ClassRegistration SourceClass(HRESULT load, std::vector<GUID> majors, SourceLog* log = nullptr) {
  return {CLSID_QTSource, [=](REFIID riid, void** ppv) {
            return platform::com::HandOver(new SpySource(load, majors, log), riid, ppv);
          }};
}

HBITMAP Marker() { return reinterpret_cast<HBITMAP>(static_cast<std::uintptr_t>(0x5EED)); }

TEST(ThumbnailGrabber, QuickTimeRoadAnswersOneZeroAndMinusOne) {
  GrabLog log;
  platform::com::ClassRegistration still(CLSID_QnStillCapture, [&](REFIID riid, void** ppv) {
    return platform::com::HandOver(new SpyStillCapture(&log), riid, ppv);
  });
  {
    auto qt = SourceClass(static_cast<HRESULT>(0x80004022), {MEDIATYPE_Video});
    CThumbnailGrabber grabber;
    EXPECT_EQ(-1, grabber.OpenWithSourceFilter("/clips/a.mov"));
  }
  {
    auto qt = SourceClass(VFW_E_UNKNOWN_FILE_TYPE, {MEDIATYPE_Video});
    CThumbnailGrabber grabber;
    EXPECT_EQ(0, grabber.OpenWithSourceFilter("/clips/a.mov"));
    // No grabber filter: nothing is taken and the slot stays as it was.
    HBITMAP out = Marker();
    EXPECT_EQ(0, grabber.GrabFrame(&out, 80, 60));
    EXPECT_EQ(Marker(), out);
  }
  {
    // Ten sound outputs and the video eleventh: past the ten looked at.
    std::vector<GUID> majors(10, MEDIATYPE_Audio);
    majors.push_back(MEDIATYPE_Video);
    auto qt = SourceClass(S_OK, majors);
    CThumbnailGrabber grabber;
    EXPECT_EQ(0, grabber.OpenWithSourceFilter("/clips/a.mov"));
  }
  auto qt = SourceClass(S_OK, {MEDIATYPE_Audio, MEDIATYPE_Video});
  CThumbnailGrabber grabber;
  ASSERT_EQ(1, grabber.OpenWithSourceFilter("/clips/a.mov"));
  EXPECT_NE(std::string::npos, DumpGraph(grabber.Graph()).find("Out 1 -> Still Capture.Input [Video RGB32 16x16]"));
  log.ready = true;
  HBITMAP out = nullptr;
  EXPECT_EQ(1, grabber.GrabFrame(&out, 80, 60));
  ASSERT_NE(nullptr, out);
  BITMAP bm;
  ASSERT_EQ(static_cast<int>(sizeof bm), GetObject(out, sizeof bm, &bm));
  EXPECT_EQ(80, bm.bmWidth);
  EXPECT_EQ(60, bm.bmHeight);
  DeleteObject(out);
  grabber.ReleaseGraph();
  EXPECT_EQ(nullptr, grabber.Graph());
  EXPECT_EQ(nullptr, grabber.GrabberFilter());
}

TEST(ThumbnailGrabber, APictureThePrerollBroughtIsTakenWithoutRunningTheSource) {
  GrabLog log;
  platform::com::ClassRegistration still(CLSID_QnStillCapture, [&](REFIID riid, void** ppv) {
    return platform::com::HandOver(new SpyStillCapture(&log), riid, ppv);
  });
  SourceLog source;
  auto qt = SourceClass(S_OK, {MEDIATYPE_Video}, &source);
  CThumbnailGrabber grabber;
  ASSERT_EQ(1, grabber.OpenWithSourceFilter("/clips/a.mov"));
  EXPECT_TRUE(source.firstPictureAskedBeforeLoad);
  log.ready = true;
  HBITMAP out = nullptr;
  EXPECT_EQ(1, grabber.GrabFrame(&out, 80, 60));
  EXPECT_NE(nullptr, out);
  DeleteObject(out);
  EXPECT_FALSE(source.ran);
  EXPECT_EQ(1, log.readyCalls);
}

TEST(ThumbnailGrabber, AFrameThatNeverComesIsPolledElevenTimesOnTheSuiteClock) {
  GrabLog log;
  platform::com::ClassRegistration still(CLSID_QnStillCapture, [&](REFIID riid, void** ppv) {
    return platform::com::HandOver(new SpyStillCapture(&log), riid, ppv);
  });
  SourceLog source;
  auto qt = SourceClass(S_OK, {MEDIATYPE_Video}, &source);
  platform::ManualClock clock(1000);
  platform::ScopedClock installed(clock);
  CThumbnailGrabber grabber;
  ASSERT_EQ(1, grabber.OpenWithSourceFilter("/clips/a.mp4"));
  HBITMAP out = Marker();
  EXPECT_EQ(0, grabber.GrabFrame(&out, 80, 60));
  EXPECT_EQ(Marker(), out);
  EXPECT_EQ(11, log.readyCalls);
  EXPECT_EQ(1, log.frameCalls);
  EXPECT_EQ(1000u + 1100u, clock.NowMs());
  EXPECT_TRUE(source.ran);
}

TEST(ThumbnailGrabber, OpensThatFailLeaveNothingToGrab) {
  CThumbnailGrabber grabber;
  EXPECT_EQ(0, grabber.OpenByRendering("/no/such/folder/clip.avi"));
  HBITMAP out = Marker();
  EXPECT_EQ(0, grabber.GrabFrame(&out, 80, 60));
  EXPECT_EQ(Marker(), out);
  EXPECT_EQ(S_FALSE, CThumbnailGrabber::ConnectDirect(nullptr, nullptr, 0, nullptr, 0));
  EXPECT_EQ(S_FALSE, CThumbnailGrabber::ConnectFilters(nullptr, nullptr, 0, nullptr, 0));
  EXPECT_EQ(nullptr, CThumbnailGrabber::GetInputPin(nullptr, 0));
}

}  // namespace
