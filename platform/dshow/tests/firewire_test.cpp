// The machine's FireWire camcorders behind the device enumerator, on the bus model: what is
// listed and how, the tape transport spoken as AV/C command frames, the streams handed over at
// the libiec61883 callbacks with their cycle-timer times, and a stream that breaks or a
// camcorder that goes away.
#include <gtest/gtest.h>

#include <cstdlib>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "platform/base/clock.h"
#include "platform/com/com_ptr.h"
#include "platform/com/oleauto.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/firewire_capture_filter.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/tests/firewire_model.h"
#include "platform/dshow/tests/listed_devices.h"
#include "platform/dshow/transform_filter.h"

using namespace platform::dshow;
namespace fw = platform::dshow::firewire;
namespace model = platform::dshow::firewire::model;

namespace {

// AV/C command frames as a tape recorder/player subunit takes them: ctype, subunit (type 4 tape
// recorder/player, id 0: 0x20), opcode, operands.
constexpr std::uint8_t kCtypeControl = 0x00, kCtypeStatus = 0x01;
constexpr std::uint8_t kTapeSubunit = 0x20;
constexpr std::uint8_t kOpPlay = 0xC3, kOpWind = 0xC4, kOpRecord = 0xC2, kOpTransportState = 0xD0, kOpTimeCode = 0x51;
constexpr std::uint8_t kPlayForward = 0x75, kPlayForwardPause = 0x7D, kPlayFastestForward = 0x3F,
                       kPlayFastestReverse = 0x4F;
constexpr std::uint8_t kWindStop = 0x60, kWindRewind = 0x65, kWindFastForward = 0x75;
constexpr std::uint8_t kRecordRecord = 0x75;
constexpr std::uint8_t kLoadMedium = 0xC1, kLoadMediumEject = 0x60;

using Frame = std::vector<std::uint8_t>;

constexpr std::uint64_t kDvGuid = 0x080046010203AA01ULL, kDvGuid2 = 0x080046010203AA02ULL,
                        kHdvGuid = 0x0000850000C0FFEEULL;

using Listed = dshowtest::ListedDevice;
std::vector<Listed> VideoDevices() { return dshowtest::ListedVideoDevices(); }

// Keeps the times and sizes of what arrives.
class Keeper : public CRendererFilter {
 public:
  Keeper() : CRendererFilter(GUID_NULL, "Keeper", {}, "In") {}
  std::vector<std::pair<REFERENCE_TIME, std::size_t>> Got() {
    std::lock_guard lock(mutex_);
    return got_;
  }

 protected:
  void Render(const MediaSample& s) override {
    std::lock_guard lock(mutex_);
    got_.push_back({s.start, s.data.size()});
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<REFERENCE_TIME, std::size_t>> got_;
};

class FirewireTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VIDARRO_SIMULATED", "0", 1);
    sim::Hardware::Instance().Reload();
    bus_.Add(model::CameraOf(kDvGuid, "Sony", "DCR-TRV900E", fw::PlugFormat::Dv625));
    bus_.Add(model::CameraOf(kDvGuid2, "Panasonic", "Panasonic PV-GS400"));
    bus_.Add(model::CameraOf(kHdvGuid, "Canon", "HV20", fw::PlugFormat::Mpeg2Ts));
    ASSERT_EQ(graph_.CoCreateInstance(CLSID_FilterGraph), S_OK);
  }
  void TearDown() override {
    if (control_) control_->Stop();
    setenv("VIDARRO_SIMULATED", "1", 1);
    sim::Hardware::Instance().Reload();
  }
  CComPtr<IBaseFilter> Open(const std::string& name) {
    CComPtr<IBaseFilter> filter = dshowtest::BindListedVideoDevice(name);
    if (filter) {
      EXPECT_EQ(graph_->AddFilter(filter, name.c_str()), S_OK);
    }
    return filter;
  }
  Keeper* Keep(IBaseFilter* camcorder) {
    auto* keeper = new Keeper();
    CComPtr<IBaseFilter> k;
    k.Attach(keeper);
    EXPECT_EQ(graph_->AddFilter(k, "Keeper"), S_OK);
    EXPECT_EQ(graph_->ConnectDirect(AsBaseFilter(camcorder)->Pins()[0], keeper->Pins()[0], nullptr), S_OK);
    graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_));
    return keeper;
  }
  long NextEvent(LONG_PTR* p1, LONG_PTR* p2, long waitMs) {
    CComPtr<IMediaEvent> events;
    graph_->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events));
    long code = 0;
    if (FAILED(events->GetEvent(&code, p1, p2, waitMs))) return 0;
    events->FreeEventParams(code, *p1, *p2);  // the parameters are only compared after this
    return code;
  }
  // Waits (the model's condition, in steps) until the keeper has n samples.
  static bool WaitFor(Keeper* keeper, std::size_t n) {
    for (int i = 0; i < 1000 && keeper->Got().size() < n; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return keeper->Got().size() >= n;
  }

  model::BusModel bus_;
  CComPtr<IGraphBuilder> graph_;
  CComPtr<IMediaControl> control_;
};

const char kPal[] = "Sony DCR-TRV900E";
const char kNtsc[] = "Panasonic PV-GS400";
const char kHdv[] = "Canon HV20";

}  // namespace

// Every camcorder on the bus is listed under its model name with a path unique to its GUID,
// HDV by its class; the DV pin is interleaved DV, the HDV pin a transport stream. Named simulated
// hardware hides them.
TEST_F(FirewireTest, CamcordersAreListedByModelNameKindAndGuidAndNeverBesideSimulatedOnes) {
  std::map<std::string, Listed> seen;
  for (const auto& l : VideoDevices()) seen[l.name] = l;
  ASSERT_EQ(seen.count(kPal), 1u);
  ASSERT_EQ(seen.count(kNtsc), 1u);
  ASSERT_EQ(seen.count(kHdv), 1u);
  EXPECT_EQ(seen[kPal].path,
            "\\\\?\\avc#sony&dcr_trv900e&camcorder&dv#080046010203aa01#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
  EXPECT_NE(seen[kNtsc].path.find("#080046010203aa02#"), std::string::npos);
  EXPECT_NE(seen[kHdv].path.find("&camcorder&hdv#0000850000c0ffee#"), std::string::npos);
  EXPECT_EQ(seen[kHdv].classGuid, "{8C0F6AF2-0EDB-44C1-8AEB-59040BD830ED}");
  EXPECT_EQ(seen[kPal].classGuid, "");

  CComPtr<IBaseFilter> dv = Open(kPal);
  CComPtr<IBaseFilter> hdv = Open(kHdv);
  ASSERT_TRUE(dv && hdv);
  const CMediaType dvType = AsBaseFilter(dv)->Pins()[0]->GetMediaTypes().at(0);
  EXPECT_EQ(dvType.majortype, MEDIATYPE_Interleaved);
  EXPECT_EQ(dvType.lSampleSize, 144000u);
  EXPECT_EQ(AsBaseFilter(hdv)->Pins()[0]->GetMediaTypes().at(0).subtype, MEDIASUBTYPE_MPEG2_TRANSPORT);
  CComPtr<IAMExtTransport> transport;
  ASSERT_EQ(dv->QueryInterface(IID_IAMExtTransport, reinterpret_cast<void**>(&transport)), S_OK);
  long signal = 0;
  EXPECT_EQ(transport->GetTransportBasicParameters(ED_TRANSBASIC_INPUT_SIGNAL, &signal, nullptr), S_OK);
  EXPECT_EQ(signal, ED_TRANSBASIC_SIGNAL_625_50_SD);

  setenv("VIDARRO_SIMULATED", "1", 1);
  sim::Hardware::Instance().Reload();
  for (const auto& l : VideoDevices()) EXPECT_EQ(l.path.find("080046010203aa01"), std::string::npos) << l.name;
  for (const auto& l : VideoDevices()) EXPECT_NE(l.name, kHdv);
}

// A bus the user may not open lists nothing and says which node and which group.
TEST_F(FirewireTest, ABusWithoutPermissionNamesTheNodeAndTheGroup) {
  bus_.Deny({"/dev/fw1", "video"});
  testing::internal::CaptureStderr();
  const auto listed = VideoDevices();
  const std::string said = testing::internal::GetCapturedStderr();
  for (const auto& l : listed) EXPECT_NE(l.name, kPal);
  EXPECT_NE(said.find("/dev/fw1"), std::string::npos) << said;
  EXPECT_NE(said.find("video group"), std::string::npos) << said;
}

// Each tape button is one control frame of the tape subunit; the transport's answers are the
// modes, the cassette and the time code the page shows.
TEST_F(FirewireTest, TapeModesAreTheSubunitsCommandsAndItsAnswersDriveTheState) {
  CComPtr<IBaseFilter> dv = Open(kNtsc);
  ASSERT_TRUE(dv);
  CComPtr<IAMExtTransport> transport;
  CComPtr<IAMTimecodeReader> timecode;
  ASSERT_EQ(dv->QueryInterface(IID_IAMExtTransport, reinterpret_cast<void**>(&transport)), S_OK);
  ASSERT_EQ(dv->QueryInterface(IID_IAMTimecodeReader, reinterpret_cast<void**>(&timecode)), S_OK);
  const struct {
    long mode;
    std::uint8_t opcode, operand;
    long reads;
  } cases[] = {
      {ED_MODE_PLAY, kOpPlay, kPlayForward, ED_MODE_PLAY},
      {ED_MODE_FREEZE, kOpPlay, kPlayForwardPause, ED_MODE_FREEZE},
      {ED_MODE_FF, kOpWind, kWindFastForward, ED_MODE_FF},
      {ED_MODE_REW, kOpWind, kWindRewind, ED_MODE_REW},
      {ED_MODE_RECORD, kOpRecord, kRecordRecord, ED_MODE_RECORD},
      {4304, kOpPlay, kPlayFastestForward, 4304},
      {4905, kOpPlay, kPlayFastestReverse, 4905},
      {ED_MODE_STOP, kOpWind, kWindStop, ED_MODE_STOP},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    bus_.ClearCommands();
    ASSERT_EQ(transport->put_Mode(c.mode), S_OK);
    ASSERT_EQ(bus_.Commands().size(), 1u);
    EXPECT_EQ(bus_.Commands()[0], (std::vector<std::uint8_t>{kCtypeControl, kTapeSubunit, c.opcode, c.operand}));
    const auto cam = bus_.CameraState(kDvGuid2);
    EXPECT_EQ(cam.transportOpcode, c.opcode);
    bus_.ClearCommands();
    long mode = 0;
    ASSERT_EQ(transport->get_Mode(&mode), S_OK);
    EXPECT_EQ(mode, c.reads);
    ASSERT_EQ(bus_.Commands().size(), 1u);
    EXPECT_EQ(bus_.Commands()[0], (std::vector<std::uint8_t>{kCtypeStatus, kTapeSubunit, kOpTransportState, 0x7F}));
  }

  bus_.SetTimecode(kDvGuid2, 0x01, 0x23, 0x45, 0x12);
  bus_.ClearCommands();
  TIMECODE_SAMPLE sample;
  ASSERT_EQ(timecode->GetTimecode(&sample), S_OK);
  EXPECT_EQ(sample.timecode.dwFrames, 0x01234512u);
  EXPECT_EQ(sample.dwFlags, ED_DEVCAP_TIMECODE_READ);
  EXPECT_EQ(bus_.Commands().at(0),
            (std::vector<std::uint8_t>{kCtypeStatus, kTapeSubunit, kOpTimeCode, 0x71, 0xFF, 0xFF, 0xFF, 0xFF}));
  bus_.SetTimecode(kDvGuid2, 0xFF, 0xFF, 0xFF, 0xFF);  // a blank stretch of tape
  EXPECT_NE(timecode->GetTimecode(&sample), S_OK);

  long medium = 0;
  EXPECT_EQ(transport->GetStatus(ED_MEDIA_TYPE, &medium), S_OK);
  EXPECT_EQ(medium, ED_MEDIA_DVC);
  bus_.SwitchOff(kDvGuid2, false);
  long mode = 0;
  EXPECT_NE(transport->get_Mode(&mode), S_OK);
  EXPECT_EQ(transport->GetStatus(ED_MEDIA_TYPE, &medium), S_OK);
  EXPECT_EQ(medium, ED_MEDIA_NOT_PRESENT);
}

// Without a cassette the transport reports an ejected medium and refuses to play.
TEST_F(FirewireTest, WithoutACassetteThereIsNoTapeAndPlayIsRefused) {
  model::Camera empty = model::CameraOf(0x1234, "JVC", "GR-D72");
  empty.cassette = false;
  bus_.Add(empty);
  CComPtr<IBaseFilter> dv = Open("JVC GR-D72");
  ASSERT_TRUE(dv);
  CComPtr<IAMExtTransport> transport;
  ASSERT_EQ(dv->QueryInterface(IID_IAMExtTransport, reinterpret_cast<void**>(&transport)), S_OK);
  long medium = 0;
  ASSERT_EQ(transport->GetStatus(ED_MEDIA_TYPE, &medium), S_OK);
  EXPECT_EQ(medium, ED_MEDIA_NOT_PRESENT);
  EXPECT_NE(transport->put_Mode(ED_MODE_PLAY), S_OK);
  (void)kLoadMedium;
  (void)kLoadMediumEject;
}

// DV frames handed over at the callback are stamped from the cycle timer, across its wrap; a
// frame the bus lost packets of and frame times with nothing sent are counted as dropped.
TEST_F(FirewireTest, DvFramesCarryCycleTimerTimesAndLostFramesAreCounted) {
  CComPtr<IBaseFilter> dv = Open(kPal);
  ASSERT_TRUE(dv);
  Keeper* keeper = Keep(dv);
  const auto& loop = sim::DvLoop(true);
  ASSERT_GE(loop.size(), 20u);
  bus_.Feed(kDvGuid, {loop.begin(), loop.begin() + 10});
  bus_.FeedIncomplete(kDvGuid, loop[10]);
  bus_.Skip(kDvGuid, 2);
  bus_.Feed(kDvGuid, {loop.begin() + 11, loop.begin() + 20});
  bus_.Feed(kDvGuid, {Frame(120000, 0)});  // a 525-line frame in a 625-line stream
  ASSERT_EQ(control_->Run(), S_OK);
  ASSERT_TRUE(bus_.WaitDelivered(kDvGuid, 10000));
  ASSERT_TRUE(WaitFor(keeper, 19));
  control_->Stop();
  const auto got = keeper->Got();
  ASSERT_EQ(got.size(), 19u);
  for (std::size_t i = 0; i < got.size(); ++i) {
    // Slot 10 was the incomplete frame, 11 and 12 were never sent.
    const REFERENCE_TIME slot = static_cast<REFERENCE_TIME>(i < 10 ? i : i + 3);
    EXPECT_NEAR(static_cast<double>(got[i].first), static_cast<double>(slot * 400000), 2.0) << i;
    EXPECT_EQ(got[i].second, 144000u);
  }
  CComPtr<IAMDroppedFrames> dropped;
  ASSERT_EQ(AsBaseFilter(dv)->Pins()[0]->QueryInterface(IID_IAMDroppedFrames, reinterpret_cast<void**>(&dropped)),
            S_OK);
  long lost = 0, kept = 0;
  dropped->GetNumDropped(&lost);
  dropped->GetNumNotDropped(&kept);
  EXPECT_EQ(lost, 4);  // incomplete, two unsent, one of the wrong size
  EXPECT_EQ(kept, 19);
}

// A unit that will not say what its plug sends is taken for DV; its first frame tells the
// line system, and 625-line frames are not thrown away as the wrong size.
TEST_F(FirewireTest, AUnitThatDoesNotNameItsSignalStreamsTheFramesItSends) {
  bus_.Add(model::CameraOf(0x5678, "JVC", "GR-DV500E", fw::PlugFormat::Unknown));
  CComPtr<IBaseFilter> dv = Open("JVC GR-DV500E");
  ASSERT_TRUE(dv);
  EXPECT_EQ(AsBaseFilter(dv)->Pins()[0]->GetMediaTypes().at(0).majortype, MEDIATYPE_Interleaved);
  Keeper* keeper = Keep(dv);
  const auto& loop = sim::DvLoop(true);
  bus_.Feed(0x5678, {loop.begin(), loop.begin() + 5});
  ASSERT_EQ(control_->Run(), S_OK);
  ASSERT_TRUE(bus_.WaitDelivered(0x5678, 10000));
  ASSERT_TRUE(WaitFor(keeper, 5));
  control_->Stop();
  for (const auto& got : keeper->Got()) EXPECT_EQ(got.second, 144000u);
}

// The HDV transport stream arrives whole, in order, in chunks of whole packets.
TEST_F(FirewireTest, HdvTransportStreamArrivesWhole) {
  CComPtr<IBaseFilter> hdv = Open(kHdv);
  ASSERT_TRUE(hdv);
  Keeper* keeper = Keep(hdv);
  const auto& ts = sim::HdvLoop();
  std::vector<Frame> chunks;
  for (std::size_t at = 0; at < ts.size(); at += 188 * 100)
    chunks.emplace_back(ts.begin() + static_cast<std::ptrdiff_t>(at),
                        ts.begin() + static_cast<std::ptrdiff_t>(std::min(ts.size(), at + 188 * 100)));
  bus_.Feed(kHdvGuid, chunks);
  ASSERT_EQ(control_->Run(), S_OK);
  ASSERT_TRUE(bus_.WaitDelivered(kHdvGuid, 10000));
  std::size_t bytes = 0;
  for (int i = 0; i < 1000 && bytes < ts.size(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    bytes = 0;
    for (const auto& g : keeper->Got()) bytes += g.second;
  }
  control_->Stop();
  EXPECT_EQ(bytes, ts.size());
  for (const auto& g : keeper->Got()) EXPECT_EQ(g.second % 188, 0u);
}

// Two seconds without packets from a camcorder that still answers is a tape at rest: the stream
// goes on when the pictures come back. A camcorder that does not answer, or is unplugged, is
// lost, reported once with EC_DEVICE_LOST from its filter.
TEST_F(FirewireTest, ABreakInTheStreamIsLostOnlyWhenTheCamcorderIsGone) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  for (const bool unplugged : {false, true}) {
    SCOPED_TRACE(unplugged ? "unplugged" : "switched off");
    const std::uint64_t guid = unplugged ? kDvGuid2 : kDvGuid;
    CComPtr<IBaseFilter> dv = Open(unplugged ? kNtsc : kPal);
    ASSERT_TRUE(dv);
    Keeper* keeper = Keep(dv);
    const auto& loop = sim::DvLoop(!unplugged);
    bus_.Feed(guid, {loop.begin(), loop.begin() + 5});
    ASSERT_EQ(control_->Run(), S_OK);
    ASSERT_TRUE(WaitFor(keeper, 5));
    LONG_PTR p1 = 0, p2 = -1;
    if (!unplugged) {
      clock.Advance(fw::kSilenceMs + 100);
      bus_.ClearCommands();
      for (int i = 0; i < 100 && bus_.Commands().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      ASSERT_FALSE(bus_.Commands().empty()) << "the unit is asked after the silence";
      EXPECT_EQ(NextEvent(&p1, &p2, 200), 0);
      bus_.Feed(guid, {loop.begin() + 5, loop.begin() + 8});
      ASSERT_TRUE(WaitFor(keeper, 8));
    }
    bus_.SwitchOff(guid, unplugged);
    if (!unplugged) clock.Advance(fw::kSilenceMs + 100);
    long code = 0;
    for (int i = 0; i < 100 && code != EC_DEVICE_LOST; ++i) code = NextEvent(&p1, &p2, 50);
    ASSERT_EQ(code, EC_DEVICE_LOST);
    EXPECT_EQ(p1, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(static_cast<IBaseFilter*>(dv))));
    EXPECT_EQ(p2, 0);
    EXPECT_EQ(NextEvent(&p1, &p2, 200), 0) << "reported once";
    control_->Stop();
    graph_->RemoveFilter(dv);
    graph_->RemoveFilter(AsBaseFilter(keeper));
  }
}
