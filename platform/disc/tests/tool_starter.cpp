// A suite process that starts a disc tool and waits, for the tests that kill it: "filter <pid
// file> <output>" runs a file filter that writes its pid there and sleeps; "burn <folder>" burns
// the folder as a VIDEO_TS to the first writer of the devices file, through whatever genisoimage
// the PATH holds. Prints "started" once the start call has returned.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/disc/file_filter.h"
#include "platform/disc/qn_data_cd_dvd.h"

namespace {

void Started() {
  std::printf("started\n");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "filter" && argc > 3) {
    std::atomic<bool> cancel{false};
    std::thread announce([] { Started(); });
    announce.detach();
    const std::string script = "echo $$ > '" + std::string(argv[2]) + "'; exec sleep 60";
    platform::disc::RunFileFilter("sh", {"-c", script}, "/dev/null", argv[3], cancel, nullptr);
    return 0;
  }
  if (mode == "burn" && argc > 2) {
    CQnDataCDDVD writer;
    writer.Initialize();
    writer.ChooseDrive(0);
    if (writer.StartBurnVideoTSFolder(
            argv[2], [](int, void*) {}, nullptr) != 1) {
      std::printf("refused %06lx\n", writer.GetErrorCode());
      return 1;
    }
    Started();
    std::this_thread::sleep_for(std::chrono::seconds(60));
    return 0;
  }
  std::fprintf(stderr, "usage: disc_tool_starter filter <pid file> <output> | burn <folder>\n");
  return 2;
}
