// The mapping's bus-error handler stands only while a clip is mapped and hands back the one before.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "bdauthor/clip_mapping.h"
#include "bdauthor/tests/job_fixture.h"
#include "bdauthor/tests/test_clip.h"

namespace bdauthor {
namespace {

void Earlier(int, siginfo_t*, void*) {}

void (*CurrentBusHandler())(int, siginfo_t*, void*) {
  struct sigaction current {};
  sigaction(SIGBUS, nullptr, &current);
  return (current.sa_flags & SA_SIGINFO) ? current.sa_sigaction : nullptr;
}

TEST(ClipMapping, TheHandlerBeforeStandsAgainOnceNoClipIsMapped) {
  test::WorkFolder work("mapping-handler");
  const std::string path = work.ClipPath(0);
  test::WriteBytes(path, std::vector<std::uint8_t>(3 * 4096 + 5, 7));
  struct sigaction earlier {
  }, saved{};
  earlier.sa_sigaction = Earlier;
  earlier.sa_flags = SA_SIGINFO;
  sigemptyset(&earlier.sa_mask);
  ASSERT_EQ(sigaction(SIGBUS, &earlier, &saved), 0);
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  {
    ClipMapping first(fd, 0, 3 * 4096 + 5);
    ASSERT_TRUE(first.IsMapped());
    EXPECT_NE(CurrentBusHandler(), &Earlier);
    {
      ClipMapping second(fd, 4096, 3 * 4096 + 5);
      ASSERT_TRUE(second.IsMapped());
      EXPECT_EQ(*second.At(4096 + 1), 7);
    }
    EXPECT_NE(CurrentBusHandler(), &Earlier) << "a clip is still mapped";
    EXPECT_EQ(first.ResidentFrom(0, 3 * 4096 + 5), 3 * 4096 + 5);
  }
  EXPECT_EQ(CurrentBusHandler(), &Earlier);
  ::close(fd);
  sigaction(SIGBUS, &saved, nullptr);
}

}  // namespace
}  // namespace bdauthor
