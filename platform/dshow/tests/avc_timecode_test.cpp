// The camcorder's time code as libavc1394 reads it and as the tape transport reads it, from the
// same answers of the bus model: libavc1394 sends its TIME CODE status through
// avc1394_transaction_block, which this test answers from the model, so the library's own text
// is the reference for the order of the answer's operands.
#include <gtest/gtest.h>

#include <libavc1394/avc1394.h>
#include <libavc1394/avc1394_vcr.h>

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dshow/avc_tape.h"
#include "platform/dshow/tests/firewire_model.h"

namespace fw = platform::dshow::firewire;
namespace model = platform::dshow::firewire::model;

namespace {

constexpr std::uint64_t kGuid = 0x080046010203AA07ULL;
model::BusModel* g_bus = nullptr;
fw::Unit g_unit;
std::vector<quadlet_t> g_answer;

std::string Text(std::uint32_t bcd) {
  char text[16];
  std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x", bcd >> 24, (bcd >> 16) & 0xFF, (bcd >> 8) & 0xFF, bcd & 0xFF);
  return text;
}

}  // namespace

// The library's transaction, answered by the model: quadlets go out and come back in host order,
// as the FCP frames travel big-endian on the bus.
extern "C" quadlet_t* avc1394_transaction_block(raw1394handle_t, nodeid_t, quadlet_t* request, int len, int) {
  std::vector<std::uint8_t> frame;
  for (int i = 0; i < len; ++i) {
    const quadlet_t q = htonl(request[i]);
    const auto* b = reinterpret_cast<const std::uint8_t*>(&q);
    frame.insert(frame.end(), b, b + 4);
  }
  // The command's operand quadlet is all padding after the 0x71: the model sees the frame whole.
  const std::vector<std::uint8_t> answer = g_bus->Avc(g_unit, frame);
  if (answer.empty()) return nullptr;
  g_answer.assign((answer.size() + 3) / 4, 0);
  std::vector<std::uint8_t> padded = answer;
  padded.resize(g_answer.size() * 4, 0xFF);
  for (std::size_t i = 0; i < g_answer.size(); ++i) {
    quadlet_t q;
    std::memcpy(&q, padded.data() + i * 4, 4);
    g_answer[i] = ntohl(q);
  }
  return g_answer.data();
}
extern "C" void avc1394_transaction_block_close(raw1394handle_t) {}

namespace {

TEST(AvcTimecode, TheTransportAndLibavc1394ReadTheSameTimeFromTheCamcordersAnswer) {
  model::BusModel bus;
  g_bus = &bus;
  bus.Add(model::CameraOf(kGuid, "Sony", "DCR-TRV900E", fw::PlugFormat::Dv625));
  std::vector<fw::Unit> units;
  fw::BusDenied denied;
  ASSERT_TRUE(bus.TapeUnits(&units, &denied));
  ASSERT_FALSE(units.empty());
  g_unit = units.front();
  fw::TapeTransport transport(bus, g_unit);

  // Times whose fields all differ, so that any two swapped fields show; PAL and NTSC frame counts.
  const struct {
    std::uint8_t hh, mm, ss, ff;
  } times[] = {{0x01, 0x23, 0x45, 0x12}, {0x00, 0x00, 0x07, 0x24}, {0x09, 0x59, 0x30, 0x29}, {0x00, 0x10, 0x00, 0x00}};
  for (const auto& t : times) {
    bus.SetTimecode(kGuid, t.hh, t.mm, t.ss, t.ff);
    char library[16] = {};
    ASSERT_EQ(avc1394_vcr_get_timecode2(nullptr, 0, library), 0);
    const auto ours = transport.Timecode();
    ASSERT_TRUE(ours.has_value());
    EXPECT_EQ(Text(*ours), library);
    const std::uint32_t expected = (std::uint32_t{t.hh} << 24) | (t.mm << 16) | (t.ss << 8) | t.ff;
    EXPECT_EQ(*ours, expected) << library;
  }

  // A blank stretch of tape: the library gives up on the all-ones quadlet, the transport has no time.
  bus.SetTimecode(kGuid, 0xFF, 0xFF, 0xFF, 0xFF);
  char library[16] = {};
  EXPECT_NE(avc1394_vcr_get_timecode2(nullptr, 0, library), 0);
  EXPECT_FALSE(transport.Timecode().has_value());
  g_bus = nullptr;
}

}  // namespace
