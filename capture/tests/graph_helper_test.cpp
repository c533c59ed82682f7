#include <gtest/gtest.h>

#include <memory>

#include "capture/graph_helper.h"
#include "platform/base/strings.h"
#include "platform/base/sync.h"
#include "platform/com/class_table.h"
#include "platform/com/moniker.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/source_filter.h"
#include "platform/dshow/transform_filter.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

using namespace platform::dshow;

namespace {

DEFINE_GUID(CLSID_Nowhere, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11);
DEFINE_GUID(CLSID_PinRow, 0x5A5A0001, 0x0000, 0x0000, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01);

// A filter with a row of output pins of given names and media types.
class PinRow : public CBaseFilter {
 public:
  PinRow(std::vector<std::pair<std::string, std::vector<GUID>>> outputs, bool withInput)
      : CBaseFilter(CLSID_PinRow, "Pin Row") {
    if (withInput) AddPin<CBaseInputPin>("In");
    for (auto& [name, majors] : outputs) {
      auto* pin = AddPin<CBaseOutputPin>(name);
      std::vector<CMediaType> types;
      for (const GUID& m : majors)
        types.push_back(m == MEDIATYPE_Audio ? MakeAudioType(2, 48000, 16)
                                             : MakeVideoType(MEDIASUBTYPE_YUY2, 320, 240, 400000));
      pin->SetMediaTypes(types);
    }
  }
};

CComPtr<IBaseFilter> MakeRow(std::vector<std::pair<std::string, std::vector<GUID>>> outputs, bool withInput = false) {
  CComPtr<IBaseFilter> f;
  f.Attach(new PinRow(std::move(outputs), withInput));
  return f;
}

std::string NameOf(IPin* pin) {
  PIN_INFO info;
  pin->QueryPinInfo(&info);
  info.pFilter->Release();
  return info.achName;
}

class GraphHelperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
    ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph), S_OK);
    ASSERT_EQ(builder.CoCreateInstance(CLSID_CaptureGraphBuilder2), S_OK);
    builder->SetFiltergraph(graph);
    helper.Attach(graph, builder);
  }
  void TearDown() override {
    for (IBaseFilter** slot : {&a, &b, &c})
      if (*slot) (*slot)->Release();
  }
  CComPtr<IGraphBuilder> graph;
  CComPtr<ICaptureGraphBuilder2> builder;
  CGraphHelper helper;
  IBaseFilter* a = nullptr;
  IBaseFilter* b = nullptr;
  IBaseFilter* c = nullptr;
};

}  // namespace

TEST_F(GraphHelperTest, AddFilterReplacesWhatTheSlotHeld) {
  ASSERT_EQ(helper.AddFilter(CLSID_InfTee, &a, "InfTee Video"), S_OK);
  IBaseFilter* first = a;
  first->AddRef();
  ASSERT_EQ(helper.AddFilter(CLSID_NullRenderer, &a, "InfTee Video"), S_OK);  // same name: the old one left
  EXPECT_NE(a, first);
  FILTER_INFO info;
  first->QueryFilterInfo(&info);
  EXPECT_EQ(info.pGraph, nullptr);  // removed from the graph
  first->Release();
  EXPECT_EQ(DumpGraph(graph), "InfTee Video\n");

  // An unknown class: the old filter goes, the slot is left empty.
  EXPECT_EQ(helper.AddFilter(CLSID_Nowhere, &a, "X"), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(DumpGraph(graph), "");

  // Without a graph nothing is touched.
  CGraphHelper detached;
  ASSERT_EQ(helper.AddFilter(CLSID_InfTee, &b, "Kept"), S_OK);
  IBaseFilter* kept = b;
  EXPECT_EQ(detached.AddFilter(CLSID_InfTee, &b, "Other"), E_FAIL);
  EXPECT_EQ(b, kept);
}

TEST_F(GraphHelperTest, PinsAreFoundByIndexNamePrefixAndFirstMediaType) {
  // Smart Tee: Input, Capture, Preview. Output index 1 is the third pin.
  ASSERT_EQ(helper.AddFilter(CLSID_SmartTee, &a, "Smart Tee"), S_OK);
  CComPtr<IPin> pin = helper.GetOutputPin(a, 1);
  ASSERT_TRUE(pin);
  EXPECT_EQ(NameOf(pin), "Preview");
  EXPECT_FALSE(helper.GetOutputPin(a, 2));
  EXPECT_FALSE(helper.GetInputPin(nullptr, 0));
  // The pin handed out keeps its filter alive after everything else lets go.
  graph->RemoveFilter(a);
  a->Release();
  a = nullptr;
  EXPECT_EQ(NameOf(pin), "Preview");
  pin = nullptr;

  // A two-character prefix, and never beyond the tenth pin.
  std::vector<std::pair<std::string, std::vector<GUID>>> many;
  for (int i = 0; i < 10; ++i) many.push_back({"Out" + std::to_string(i), {MEDIATYPE_Video}});
  many.push_back({"VP", {MEDIATYPE_Video}});
  EXPECT_EQ(helper.FindPinByName(MakeRow(many), PINDIR_OUTPUT, "VP"), -1);
  EXPECT_EQ(helper.FindPinByName(MakeRow({{"Capture", {MEDIATYPE_Video}}, {"VPort", {MEDIATYPE_Video}}}), PINDIR_OUTPUT,
                                 "VP"),
            1);

  // Only a pin's first media type counts.
  EXPECT_EQ(helper.FindOutputPinByMediaType(MakeRow({{"Mixed", {MEDIATYPE_Video, MEDIATYPE_Audio}}})), -1);
  EXPECT_EQ(helper.FindOutputPinByMediaType(
                MakeRow({{"Video", {MEDIATYPE_Video}}, {"Empty", {}}, {"Sound", {MEDIATYPE_Audio}}})),
            2);
  EXPECT_EQ(helper.FindOutputPinByMediaType(nullptr), -1);

  int w = 1, h = 1;
  auto row = MakeRow({{"V", {MEDIATYPE_Audio, MEDIATYPE_Video}}});
  GetPinVideoSize(helper.GetOutputPin(row, 0), &w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
}

TEST_F(GraphHelperTest, ConnectingReconnectingAndRemovingDownstream) {
  ASSERT_EQ(FindDeviceFilter("vidarro usb video capture", &a, &CLSID_VideoInputDeviceCategory), S_OK);
  ASSERT_EQ(graph->AddFilter(a, "Video Capture"), S_OK);
  ASSERT_EQ(helper.AddFilter(CLSID_InfTee, &b, "InfTee Video"), S_OK);
  ASSERT_EQ(helper.AddFilter(CLSID_VideoRenderer, &c, "Video Render"), S_OK);
  ASSERT_EQ(helper.ConnectByMediaType(a, &MEDIATYPE_Video, b, 0), S_OK);
  EXPECT_EQ(helper.ConnectFilters(b, 0, c, 0), S_OK);
  EXPECT_EQ(helper.ConnectDirect(b, 5, c, 0), E_FAIL);  // no such pin
  const std::string before = DumpGraph(graph);

  // Reconnecting from the input end remakes the same link, output to input.
  CComPtr<IPin> rendererIn = helper.GetInputPin(c, 0);
  EXPECT_EQ(helper.ReconnectPin(rendererIn), S_OK);
  EXPECT_EQ(DumpGraph(graph), before);
  EXPECT_EQ(helper.ReconnectFilterPin(b, PINDIR_INPUT, 0), S_OK);
  EXPECT_EQ(DumpGraph(graph), before);
  EXPECT_EQ(helper.ReconnectFilterPin(b, 2, 0), E_FAIL);
  EXPECT_EQ(helper.ReconnectPin(nullptr), E_FAIL);

  EXPECT_EQ(helper.DisconnectPin(c, 0, PINDIR_INPUT), S_OK);
  EXPECT_EQ(helper.DisconnectPin(c, 0, 7), E_FAIL);
  EXPECT_EQ(helper.ConnectPinToFilter(helper.GetOutputPin(b, 0), c, 0), S_OK);

  helper.RemoveDownstream(a);
  EXPECT_EQ(DumpGraph(graph), "Video Capture\n  Capture (unconnected)\n");
}

TEST_F(GraphHelperTest, SyncSourceFollowsTheFilterGiven) {
  ASSERT_EQ(helper.AddFilter(CLSID_DSoundRender, &a, "DSound"), S_OK);
  ASSERT_EQ(helper.AddFilter(CLSID_VideoRenderer, &b, "Video"), S_OK);
  CComPtr<IMediaFilter> media;
  ASSERT_EQ(graph.QueryInterface(&media), S_OK);
  CComPtr<IReferenceClock> clock, own;
  helper.SetSyncSource(a);
  media->GetSyncSource(&clock);
  a->QueryInterface(IID_IReferenceClock, reinterpret_cast<void**>(&own));
  EXPECT_EQ(clock.get(), own.get());
  helper.SetSyncSource(nullptr);
  media->GetSyncSource(&clock);
  EXPECT_EQ(clock.get(), nullptr);
  helper.SetSyncSource(b);  // no clock of its own: the graph picks one
  media->GetSyncSource(&clock);
  EXPECT_NE(clock.get(), nullptr);
}

TEST_F(GraphHelperTest, DeviceFilterByWholeNameWithoutCase) {
  EXPECT_EQ(FindDeviceFilter("VIDARRO DV CAMCORDER", &a, &CLSID_VideoInputDeviceCategory), S_OK);
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(FindDeviceFilter("Vidarro DV", &b, &CLSID_VideoInputDeviceCategory), E_FAIL);
  EXPECT_EQ(b, nullptr);
  // A long name is compared whole: two devices that agree on their first 200 characters.
  const std::string stem(200, 'x');
  auto devices = sim::DefaultDevices();
  devices[0].name = stem + " first";
  devices[2].name = stem + " second";
  sim::Hardware::Instance().SetDevices(devices);
  ASSERT_EQ(FindDeviceFilter((stem + " second").c_str(), &b, &CLSID_VideoInputDeviceCategory), S_OK);
  FILTER_INFO info;
  b->QueryFilterInfo(&info);
  EXPECT_EQ(std::string(info.achName), (stem + " second").substr(0, MAX_FILTER_NAME - 1));
  // An empty category: S_FALSE and the out pointer as it was.
  sim::Hardware::Instance().SetDevices({});
  IBaseFilter* untouched = reinterpret_cast<IBaseFilter*>(0x10);
  EXPECT_EQ(FindDeviceFilter("anything", &untouched, &CLSID_VideoInputDeviceCategory), S_FALSE);
  EXPECT_EQ(untouched, reinterpret_cast<IBaseFilter*>(0x10));
}

TEST_F(GraphHelperTest, RunningObjectTableNamesTheGraphAndProcess) {
  helper.AddToRot();
  const auto names = platform::com::RunningObjectNames();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.back(), platform::Format("!FilterGraph %08x  pid %08x",
                                           static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(graph.get())),
                                           static_cast<unsigned>(GetCurrentProcessId())));
  helper.RemoveFromRot();
  EXPECT_EQ(platform::com::RunningObjectNames().size(), names.size() - 1);
}

TEST(GraphHelperFreeFunctions, DeviceNameKindAndPump) {
  EXPECT_EQ(GetDeviceNameKind("Vidarro uSb Box"), 2);
  EXPECT_EQ(GetDeviceNameKind("Capture Plus"), 1);  // "us" only inside "Plus"
  EXPECT_EQ(GetDeviceNameKind("Grabber US"), 2);
  EXPECT_EQ(GetDeviceNameKind(""), 1);

  static int handled = 0;
  WNDCLASS wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER + 1) ++handled;
    return DefWindowProc(h, m, w, l);
  };
  wc.lpszClassName = "PumpTarget";
  RegisterClass(&wc);
  HWND target = CreateWindowEx(0, "PumpTarget", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  PostMessage(target, WM_USER + 1, 0, 0);
  PostMessage(target, WM_USER + 1, 0, 0);
  PumpMessages();
  EXPECT_EQ(handled, 1);
  PumpMessages();
  EXPECT_EQ(handled, 2);
  DestroyWindow(target);
}

#include "capture/graph_events.h"

namespace {
void Queue(IGraphBuilder* graph, long code, LONG_PTR p1 = 0) {
  CComPtr<IMediaEventSink> sink;
  graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink));
  sink->Notify(code, p1, 0);
}

CComPtr<IGraphBuilder>* closingGraph = nullptr;
LRESULT CloseOnMessage(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 2 && closingGraph) *closingGraph = nullptr;  // the page closes the graph
  return DefWindowProc(h, m, w, l);
}
}  // namespace

TEST_F(GraphHelperTest, DrainAnswersTheMostSevereEvent) {
  CComPtr<IMediaEventEx> events;
  ASSERT_EQ(graph.QueryInterface(&events), S_OK);
  events->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
  std::vector<long> seen;
  auto record = [&](long code, LONG_PTR, LONG_PTR) {
    seen.push_back(code);
    return GraphEventAction::Continue;
  };
  Queue(graph, EC_ERRORABORT);
  Queue(graph, EC_VIDEO_SIZE_CHANGED);
  EXPECT_EQ(DrainGraphEvents(events, record, nullptr), EC_ERRORABORT);  // not hidden by the later event
  EXPECT_EQ(seen, (std::vector<long>{EC_ERRORABORT, EC_VIDEO_SIZE_CHANGED}));

  ASSERT_EQ(helper.AddFilter(CLSID_NullRenderer, &a, "Null"), S_OK);
  Queue(graph, EC_COMPLETE);
  Queue(graph, EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(a)));
  Queue(graph, EC_ERRORABORT);
  EXPECT_EQ(DrainGraphEvents(events, record, nullptr), EC_DEVICE_LOST);
  Queue(graph, EC_COMPLETE);
  Queue(graph, EC_PAUSED);
  EXPECT_EQ(DrainGraphEvents(events, record, nullptr), EC_PAUSED);
  EXPECT_EQ(DrainGraphEvents(events, record, nullptr), 0);
  // The owner stops the drain when it closed the graph for an event.
  Queue(graph, EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(a)));
  Queue(graph, EC_COMPLETE);
  EXPECT_EQ(DrainGraphEvents(
                events, [](long, LONG_PTR, LONG_PTR) { return GraphEventAction::Stop; }, nullptr),
            EC_DEVICE_LOST);
  long code;
  LONG_PTR p1, p2;
  EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);  // left for the next drain
  EXPECT_EQ(code, EC_COMPLETE);
}

TEST_F(GraphHelperTest, DrainStopsWhenADispatchedMessageClosesTheGraph) {
  WNDCLASS wc{};
  wc.lpfnWndProc = CloseOnMessage;
  wc.lpszClassName = "ClosingPage";
  RegisterClass(&wc);
  HWND page = CreateWindowEx(0, "ClosingPage", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  CComPtr<IMediaEventEx> events;
  ASSERT_EQ(graph.QueryInterface(&events), S_OK);
  events->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
  Queue(graph, EC_PAUSED);
  Queue(graph, EC_COMPLETE);
  IMediaEventEx* raw = events.Detach();  // the page's only other hold is the graph itself
  helper.Attach(nullptr, nullptr);
  builder = nullptr;
  closingGraph = std::addressof(graph);
  PostMessage(page, WM_USER + 2, 0, 0);
  int handled = 0;
  const long answer = DrainGraphEvents(
      raw,
      [&](long, LONG_PTR, LONG_PTR) {
        ++handled;
        return GraphEventAction::Continue;
      },
      [&] { return graph.get() != nullptr; });
  EXPECT_EQ(handled, 1);  // the graph went after the first event's message
  EXPECT_EQ(answer, EC_PAUSED);
  raw->Release();
  closingGraph = nullptr;
  DestroyWindow(page);
}

#include "platform/base/message_box.h"

TEST_F(GraphHelperTest, BranchesAreRemovedByPinAndByMediaType) {
  // A box with its own audio pin: video to a tee and renderer, audio to a wrapper and renderer.
  auto card = sim::DefaultDevices()[0];
  card.audioPin = true;
  sim::Hardware::Instance().SetDevices({card});
  ASSERT_EQ(FindDeviceFilter("Vidarro USB Video Capture", &a, &CLSID_VideoInputDeviceCategory), S_OK);
  ASSERT_EQ(graph->AddFilter(a, "Video Capture"), S_OK);
  ASSERT_EQ(helper.AddFilter(CLSID_ACMWrapper, &b, "ACM Wapper"), S_OK);
  ASSERT_EQ(helper.AddFilter(CLSID_NullRenderer, &c, "NULL Renderer"), S_OK);
  ASSERT_EQ(helper.ConnectDirectByMediaType(a, &MEDIATYPE_Audio, b, 0), S_OK);
  ASSERT_EQ(helper.ConnectDirect(b, 0, c, 0), S_OK);
  CComPtr<IBaseFilter> renderer;
  ASSERT_EQ(renderer.CoCreateInstance(CLSID_VideoRenderer), S_OK);
  ASSERT_EQ(graph->AddFilter(renderer, "Video Render"), S_OK);
  ASSERT_EQ(helper.ConnectByMediaType(a, &MEDIATYPE_Video, renderer, 0), S_OK);
  // Nothing unconnected of that type is left to connect.
  EXPECT_TRUE(FAILED(helper.ConnectByMediaType(a, &MEDIATYPE_Audio, c, 0)));
  EXPECT_EQ(helper.FindOutputPinByMediaType(a), 1);

  helper.RemoveBranch(a, &MEDIATYPE_Audio);
  EXPECT_EQ(DumpGraph(graph),
            "Video Capture\n"
            "  Capture -> Video Render.Input [Video YUY2 720x480]\n"
            "  Audio (unconnected)\n"
            "Video Render\n");
  helper.RemoveDownstreamOfPin(a, 0);
  EXPECT_EQ(DumpGraph(graph).find("Video Render"), std::string::npos);
  // Without a builder RemoveBranch does nothing; without a graph nothing is touched at all.
  CGraphHelper graphOnly;
  graphOnly.Attach(graph, nullptr);
  EXPECT_EQ(graphOnly.ConnectByMediaType(a, &MEDIATYPE_Audio, c, 0), E_FAIL);
  CGraphHelper empty;
  EXPECT_EQ(empty.ConnectDirect(a, 0, c, 0), E_FAIL);
  EXPECT_EQ(empty.DisconnectPin(a, 0, PINDIR_OUTPUT), E_FAIL);
  empty.RemoveDownstream(a);
  empty.SetSyncSource(nullptr);
  empty.AddToRot();
}

TEST_F(GraphHelperTest, ShowGraphKeepsTheGraphVisibleWhileItsBoxIsOpen) {
  std::vector<std::string> rotWhileShown;
  std::string shownText;
  auto previous = platform::SetMessageBoxHandler([&](HWND, const std::string& text, const std::string&, UINT) {
    shownText = text;
    rotWhileShown = platform::com::RunningObjectNames();
    return 1;
  });
  const std::size_t before = platform::com::RunningObjectNames().size();
  helper.ShowGraph("graph built");
  platform::SetMessageBoxHandler(previous);
  EXPECT_EQ(shownText, "graph built");
  EXPECT_EQ(rotWhileShown.size(), before + 1);
  EXPECT_EQ(platform::com::RunningObjectNames().size(), before);
}
