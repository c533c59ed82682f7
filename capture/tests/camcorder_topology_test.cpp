// The camcorder graph's topologies, modes 0 to 11, pinned whole by the graph dump against
// camcorder_topologies.txt ("== <mode>" opens each graph's dump).
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>

#include "capture/dv_capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "capture/tests/wmv_test_profile.h"
#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"

using namespace platform::dshow;

namespace {

using capture_test::Folder;

std::map<std::string, std::string> Expected() {
  std::string text;
  EXPECT_TRUE(platform::ReadWholeFile(VIDARRO_TEST_SOURCE_DIR "/camcorder_topologies.txt", &text));
  std::map<std::string, std::string> dumps;
  std::istringstream lines(text);
  std::string mode;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("== ", 0) == 0) mode = line.substr(3);
    else if (!mode.empty()) dumps[mode] += line + "\n";
  }
  return dumps;
}

class CamcorderTopologyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
    mpeg.fileName = Folder() + "topology.mpg";
    mpeg.streamType = 3;
    wmv.fileName = Folder() + "topology.wmv";
    wmv.profilePath = Folder() + "topology.prx";
    ASSERT_TRUE(SaveTestWmvProfile(wmv.profilePath));
    avi.fileName = Folder() + "topology.avi";
  }
  void TearDown() override { graph.Close(); }
  // Starts each recording from the preview and compares its graph, then stops it.
  void Check(const std::string& mode, const std::function<BOOL()>& start, bool hdv) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(start());
    EXPECT_EQ(DumpGraph(graph.Graph()), expected[mode]);
    ASSERT_TRUE(hdv ? graph.StopHdvCaptureToPreview() : graph.StopDvCapture());
  }

  platform::ManualClock clock;
  platform::ScopedClock use{clock};
  std::map<std::string, std::string> expected = Expected();
  MpegCaptureSettings mpeg;
  WmvCaptureSettings wmv;
  AviCaptureSettings avi;
  CDvCaptureGraph graph;
};

}  // namespace

TEST_F(CamcorderTopologyTest, DvPreviewAndRecordings) {
  ASSERT_TRUE(graph.OpenDv(nullptr, nullptr, "Vidarro DV Camcorder"));
  EXPECT_EQ(DumpGraph(graph.Graph()), expected["0 DV preview"]);
  Check(
      "1 DV-AVI file", [&] { return graph.StartDvCapture(Folder() + "topology_dv.avi"); }, false);
  Check(
      "2 DV to MPEG", [&] { return graph.StartMpegCapture(&mpeg); }, false);
  Check(
      "3 DV to WMV", [&] { return graph.StartWmvCapture(&wmv); }, false);
  Check(
      "4 DV to AVI", [&] { return graph.StartAviCapture(&avi); }, false);
  EXPECT_EQ(DumpGraph(graph.Graph()), expected["0 DV preview"]);
}

TEST_F(CamcorderTopologyTest, HdvPreviewAndRecordings) {
  ASSERT_TRUE(graph.OpenHdv(nullptr, nullptr, "Vidarro HDV Camcorder"));
  EXPECT_EQ(DumpGraph(graph.Graph()), expected["5 HDV preview"]);
  Check(
      "6 HDV program stream", [&] { return graph.StartHdvMpeg2Capture(Folder() + "topology_ps.mpg", 0); }, true);
  Check(
      "7 HDV to MPEG", [&] { return graph.StartHdvMpegCapture(&mpeg); }, true);
  Check(
      "8 HDV to WMV", [&] { return graph.StartHdvWmvCapture(&wmv); }, true);
  Check(
      "9 HDV to AVI", [&] { return graph.StartHdvAviCapture(&avi); }, true);
  Check(
      "10 HDV Blu-ray", [&] { return graph.StartHdvBdCapture(Folder() + "topology_1.m2ts", 0); }, true);
  Check(
      "10 HDV Blu-ray 2", [&] { return graph.StartHdvBdCapture2(Folder() + "topology_2.m2ts", 0); }, true);
  Check(
      "10 HDV elementary streams",
      [&] { return graph.StartHdvElementaryCapture(Folder() + "topology.m2v", Folder() + "topology.lpcm", 0); }, true);
  Check(
      "11 HDV transport stream", [&] { return graph.StartHdvStreamCapture(Folder() + "topology.m2ts", 0); }, true);
}
