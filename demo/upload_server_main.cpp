// The demo's local upload service: the uploader tests' loopback server as a program of its own.
//   vidarro_demo_upload_server <result file>
// prints its address, then writes "complete <bytes> <sha256>" to the result file once a whole
// upload has arrived, and ends on SIGTERM or SIGINT (or after ten minutes).
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <thread>

#include "upload_server.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void Stop(int) { g_stop = 1; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vidarro_demo_upload_server <result file>\n");
    return 2;
  }
  std::signal(SIGTERM, Stop);
  std::signal(SIGINT, Stop);
  uploadtest::ServerScript script;
  script.lifetime = std::chrono::minutes(10);
  uploadtest::UploadServer server(script);
  std::printf("%s\n", server.Url().c_str());
  std::fflush(stdout);
  const auto end = std::chrono::steady_clock::now() + script.lifetime;
  bool written = false;
  while (!g_stop && std::chrono::steady_clock::now() < end) {
    if (!written && server.Complete()) {
      std::ofstream(argv[1]) << "complete " << server.Held() << " " << server.HeldSha256() << "\n";
      written = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return written ? 0 : 1;
}
