// bench_uploader [megabytes]: the upload library's chunked, resumable upload against curl's
// plain upload of the same file to the same loopback server, in one run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "upload_server.h"
#include "uploader/tovrin/upload_session.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
  const std::string file = (std::filesystem::temp_directory_path() / "bench_uploader.bin").string();
  {
    std::ofstream out(file, std::ios::binary);
    std::vector<char> block(1 << 20);
    std::uint32_t state = 7;
    for (std::uint64_t m = 0; m < megabytes; ++m) {
      for (char& c : block) c = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  uploadtest::ServerScript script;
  script.lifetime = std::chrono::seconds(600);
  uploadtest::UploadServer server(script);

  tovrin::UploadJob job;
  job.endpoint = server.Url();
  job.password = script.password;
  job.file = file;
  job.metadata.user = script.user;
  job.metadata.title = "Benchmark";
  tovrin::StopSignal stop;
  auto start = std::chrono::steady_clock::now();
  const auto result = tovrin::RunUpload(job, tovrin::UploadTuning{}, stop, {});
  const double ours = Seconds(start);
  if (result != tovrin::UploadResult::Complete || !server.Complete()) {
    std::fprintf(stderr, "bench_uploader: the upload did not complete\n");
    return 1;
  }

  const std::string command = "curl -s -f -o /dev/null -H 'Expect:' -T '" + file + "' " + server.Url() + "/plain";
  start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double theirs = Seconds(start);
  std::filesystem::remove(file);
  if (status != 0) {
    std::fprintf(stderr, "bench_uploader: curl failed\n");
    return 1;
  }
  const double size = static_cast<double>(megabytes);
  std::printf("upload library: %.1f MB/s (%.2f s)\n", size / ours, ours);
  std::printf("curl plain upload: %.1f MB/s (%.2f s)\n", size / theirs, theirs);
  std::printf("throughput ratio: %.2f (goal >= 0.9)\n", theirs / ours);
  return 0;
}
