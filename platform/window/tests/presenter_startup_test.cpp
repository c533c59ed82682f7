#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/window/presenter_startup.h"

namespace {

int g_starts = 0;
int g_stops = 0;
bool g_desktop = true;
std::string g_program;

bool FakeStart(const std::string& program) {
  ++g_starts;
  g_program = program;
  return g_desktop;
}
void FakeStop() { ++g_stops; }

class PresenterStartUp : public ::testing::Test {
 protected:
  void SetUp() override {
    g_starts = g_stops = 0;
    g_desktop = true;
    platform::RegisterPresenterStarter(platform::PresenterStarter{&FakeStart, &FakeStop});
  }
  void TearDown() override {
    platform::StopPresenter();
    platform::RegisterPresenterStarter({});
    setenv("VIDARRO_HEADLESS", "1", 1);
  }
};

TEST_F(PresenterStartUp, AskedToStayHeadlessTheDesktopIsNotTried) {
  setenv("VIDARRO_HEADLESS", "1", 1);
  EXPECT_FALSE(platform::StartPresenter("quillon"));
  EXPECT_EQ(g_starts, 0);
  platform::StopPresenter();
  EXPECT_EQ(g_stops, 0);
}

TEST_F(PresenterStartUp, TheRegisteredStarterShowsTheProgramOnceAndStopsIt) {
  unsetenv("VIDARRO_HEADLESS");
  EXPECT_TRUE(platform::StartPresenter("quillon"));
  EXPECT_TRUE(platform::StartPresenter("quillon"));  // already shown
  EXPECT_EQ(g_starts, 1);
  EXPECT_EQ(g_program, "quillon");
  platform::StopPresenter();
  platform::StopPresenter();
  EXPECT_EQ(g_stops, 1);
}

TEST_F(PresenterStartUp, WithoutADesktopOrAStarterTheProgramStaysHeadless) {
  unsetenv("VIDARRO_HEADLESS");
  g_desktop = false;
  EXPECT_FALSE(platform::StartPresenter("quillon"));
  platform::StopPresenter();
  EXPECT_EQ(g_stops, 0);
  platform::RegisterPresenterStarter({});
  EXPECT_FALSE(platform::StartPresenter("quillon"));
}

}  // namespace
