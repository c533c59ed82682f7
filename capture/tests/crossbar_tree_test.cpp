#include <gtest/gtest.h>

#include "capture/crossbar.h"
#include "capture/device_tree.h"
#include "capture/graph_helper.h"
#include "platform/dshow/cfgmgr.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/registry/registry.h"

using namespace platform::dshow;

namespace {

// Opens a card in a graph with its crossbars and returns the capture filter's analog input.
class CardGraph {
 public:
  explicit CardGraph(sim::DeviceDesc card) {
    card.id = "CARD";
    card.kind = sim::DeviceKind::AnalogCard;
    card.name = "Card";
    card.formats = {{720, 480, 333667, MEDIASUBTYPE_YUY2}};
    sim::Hardware::Instance().SetDevices({card});
    graph.CoCreateInstance(CLSID_FilterGraph);
    builder.CoCreateInstance(CLSID_CaptureGraphBuilder2);
    builder->SetFiltergraph(graph);
    sim::CreateDeviceFilter("CARD", IID_IBaseFilter, reinterpret_cast<void**>(&capture));
    graph->AddFilter(capture, "Video Capture");
    CComPtr<IAMStreamConfig> config;
    builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, capture, IID_IAMStreamConfig,
                           reinterpret_cast<void**>(&config));
    builder->FindPin(capture, PINDIR_INPUT, &PIN_CATEGORY_ANALOGVIDEOIN, nullptr, FALSE, 0, &analogIn);
  }
  long RoutedTo(const char* crossbarName, long output) {
    CComPtr<IBaseFilter> f;
    graph->FindFilterByName(crossbarName, &f);
    CComPtr<IAMCrossbar> x;
    f->QueryInterface(IID_IAMCrossbar, reinterpret_cast<void**>(&x));
    long in = -2;
    x->get_IsRoutedTo(output, &in);
    return in;
  }
  CComPtr<IGraphBuilder> graph;
  CComPtr<ICaptureGraphBuilder2> builder;
  CComPtr<IBaseFilter> capture;
  CComPtr<IPin> analogIn;
};

}  // namespace

TEST(CrossbarTest, OneCrossbarListsVideoInputsInOrderAndRoutesTheRelatedAudio) {
  sim::DeviceDesc card;
  // Video: tuner, composite, S-Video, one blocked composite; audio: tuner, line, line.
  card.crossbars = {{"Xbar", {1, 2, 3, 2, 4096, 4097, 4097}, {12, 4105}, {{0, 3}}, -1}};
  CardGraph g(card);
  ASSERT_TRUE(g.analogIn);
  HRESULT hr = E_UNEXPECTED;
  CCrossbar crossbar(g.analogIn, &hr);
  ASSERT_EQ(hr, S_OK);
  long count = 0, type = 0;
  ASSERT_EQ(crossbar.GetInputCount(&count), S_OK);
  ASSERT_EQ(count, 3);  // the blocked input and the audio inputs are not inputs
  for (long i = 0; i < 3; ++i) {
    ASSERT_EQ(crossbar.GetInputType(i, &type), S_OK);
    EXPECT_EQ(type, i + 1);
  }
  EXPECT_EQ(crossbar.GetInputType(3, &type), E_FAIL);
  EXPECT_EQ(crossbar.GetInputType(0, nullptr), E_POINTER);
  std::string name;
  ASSERT_EQ(crossbar.GetInputName(2, name), S_OK);
  EXPECT_EQ(name, "Video SVideo");
  ASSERT_EQ(crossbar.SetInputIndex(2), S_OK);
  EXPECT_EQ(g.RoutedTo("Xbar", 0), 2);
  EXPECT_EQ(g.RoutedTo("Xbar", 1), 6);  // S-Video's related audio input
  long index = -1;
  crossbar.GetInputIndex(&index);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(crossbar.SetInputIndex(7), E_FAIL);
  crossbar.GetInputIndex(&index);
  EXPECT_EQ(index, 2);
}

TEST(CrossbarTest, ChainedCrossbarsGiveTwoStepRoutesSwitchedTogether) {
  sim::DeviceDesc card;
  card.crossbars = {{"Video Xbar", {2, 12, 4097}, {12, 4105}, {}, -1},  // input 1 fed by the tuner crossbar
                    {"Tuner Xbar", {1, 3, 4096}, {12, 4105}, {}, 1}};
  CardGraph g(card);
  HRESULT hr = E_UNEXPECTED;
  CCrossbar crossbar(g.analogIn, &hr);
  ASSERT_EQ(hr, S_OK);
  ASSERT_EQ(crossbar.Routes().size(), 3u);
  EXPECT_EQ(crossbar.Routes()[0].size(), 1u);   // composite on the video crossbar
  ASSERT_EQ(crossbar.Routes()[1].size(), 2u);   // then the tuner crossbar's inputs, in order
  EXPECT_EQ(crossbar.Routes()[1][0].depth, 1);  // upstream first
  long type = 0;
  crossbar.GetInputType(1, &type);
  EXPECT_EQ(type, 1);
  crossbar.GetInputType(2, &type);
  EXPECT_EQ(type, 3);
  ASSERT_EQ(crossbar.SetInputIndex(2), S_OK);
  EXPECT_EQ(g.RoutedTo("Tuner Xbar", 0), 1);
  EXPECT_EQ(g.RoutedTo("Video Xbar", 0), 1);
  ASSERT_EQ(crossbar.SetInputIndex(0), S_OK);
  EXPECT_EQ(g.RoutedTo("Video Xbar", 0), 0);
}

TEST(CrossbarTest, NoCrossbarAndConnectorNames) {
  CardGraph g(sim::DeviceDesc{});  // no crossbar: no analog input at all
  EXPECT_FALSE(g.analogIn);
  // An input pin that is not connected.
  CGraphHelper helper;
  CComPtr<IBaseFilter> tee;
  tee.CoCreateInstance(CLSID_InfTee);
  HRESULT hr = S_OK;
  CCrossbar none(helper.GetInputPin(tee, 0), &hr);
  EXPECT_EQ(hr, E_FAIL);
  long count = -1;
  none.GetInputCount(&count);
  EXPECT_EQ(count, 0);

  char buffer[32];
  EXPECT_TRUE(CCrossbar::GetPinTypeName(buffer, sizeof buffer, 14));
  EXPECT_STREQ(buffer, "Unknown");
  EXPECT_TRUE(CCrossbar::GetPinTypeName(buffer, 6, 2));
  EXPECT_STREQ(buffer, "Video");
  EXPECT_FALSE(CCrossbar::GetPinTypeName(nullptr, 6, 2));
  EXPECT_FALSE(CCrossbar::GetPinTypeName(buffer, 0, 2));
  EXPECT_EQ(CCrossbar::PinTypeName(4105), "Audio Decoder");
}

namespace {
sim::DeviceDesc Box(const std::string& id, const std::string& vidPid, std::vector<sim::StorageUnit> storage) {
  sim::DeviceDesc d;
  d.id = id;
  d.kind = sim::DeviceKind::UsbBox;
  d.name = id;
  d.devicePath = "\\\\?\\usb#" + vidPid + "&mi_00#7&1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
  d.formats = {{720, 480, 333667, MEDIASUBTYPE_YUY2}};
  d.storage = std::move(storage);
  return d;
}
}  // namespace

TEST(DeviceTreeTest, DriveLettersOfUsbStorageOfTheGivenBoxes) {
  sim::Hardware::Instance().SetDevices(
      {Box("BOXA", "vid_1b80&pid_e309", {{false, "/media/u/BOXA"}, {true, "/media/u/CDA"}}),
       Box("BOXB", "vid_1b80&pid_e30b", {{false, "/media/u/BOXB"}}),
       Box("STICK", "vid_0781&pid_5567", {{false, "/media/u/STICK"}})});
  CDeviceTree tree;
  ASSERT_TRUE(tree.Scan(CDeviceTree::kDiskDrives));
  int media = 0;
  for (const auto& n : tree.Nodes()) {
    if (n.className == "MEDIA") ++media;
    EXPECT_NE(n.className, "CDROM");  // not asked for
  }
  EXPECT_EQ(media, 3);  // media nodes are kept whatever the flags

  std::vector<std::string> letters;
  // Two ids that both match box A's parent: its drive is given once.
  tree.GetUsbDiskDriveLetters({"VID_1B80&PID_E309", "vid_1b80", "VID_1B80&PID_E30B"}, letters);
  EXPECT_EQ(letters, (std::vector<std::string>{"/media/u/BOXA/", "/media/u/BOXB/"}));
  letters.clear();
  tree.GetUsbDiskDriveLetters({"VID_9999&PID_0000"}, letters);  // a USB disk of no given box
  EXPECT_TRUE(letters.empty());
  tree.GetUsbDiskDriveLetters({}, letters);
  EXPECT_TRUE(letters.empty());

  ASSERT_TRUE(tree.Scan(CDeviceTree::kDiskDrives | CDeviceTree::kCdroms));
  tree.GetUsbCdromDriveLetters({"VID_1B80&PID_E309"}, letters);
  EXPECT_EQ(letters, (std::vector<std::string>{"/media/u/CDA/"}));
  letters.clear();
  tree.GetDriveLettersByDeviceId("usbstor", CDeviceTree::kDriveRemovable, letters);
  EXPECT_EQ(letters.size(), 3u);
  letters.clear();
  tree.GetDriveLettersByDeviceId("", 0, letters);
  EXPECT_TRUE(letters.empty());

  // A medium taken out: the drive has no mount point and gives no letter.
  sim::Hardware::Instance().Update("BOXB", [](sim::DeviceDesc& d) { d.storage[0].mountPoint.clear(); });
  tree.GetUsbDiskDriveLetters({"VID_1B80&PID_E30B"}, letters);
  EXPECT_TRUE(letters.empty());

  sim::SetDeviceTreeUnavailable(true);
  EXPECT_FALSE(tree.Scan(CDeviceTree::kDiskDrives));
  EXPECT_TRUE(tree.Nodes().empty());
  sim::SetDeviceTreeUnavailable(false);
}

TEST(DeviceTreeTest, ParentIdPrefixIsReadWithoutCreatingKeys) {
  const std::string path = "System\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_X\\1";
  RegDeleteKey(HKEY_LOCAL_MACHINE, path.c_str());  // a store left by an earlier run
  EXPECT_EQ(CDeviceTree::GetParentIdPrefix(path), "");
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char prefix[] = "7&2a1b3c&0";
  RegSetValueEx(key, "ParentIdPrefix", 0, REG_SZ, reinterpret_cast<const BYTE*>(prefix), sizeof prefix);
  RegCloseKey(key);
  EXPECT_EQ(CDeviceTree::GetParentIdPrefix(path), "7&2a1b3c&0");
  RegDeleteKey(HKEY_LOCAL_MACHINE, path.c_str());
}
