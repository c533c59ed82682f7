// The upload library's chunked, resumable upload against a plain libcurl PUT of the same file to
// the same loopback server, with the same upload buffer, in interleaved rounds.
// Usage: bench_uploader [rounds, at least 7] [megabytes, default 200]
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/common/bench_rounds.h"
#include "upload_server.h"
#include "uploader/tovrin/upload_session.h"

namespace {

// The upload buffer the library gives libcurl for each chunk.
constexpr long kUploadBufferBytes = 512L * 1024;

std::size_t ReadFile(char* buffer, std::size_t size, std::size_t count, void* file) {
  return std::fread(buffer, size, count, static_cast<FILE*>(file));
}

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

// The peer: one PUT of the whole file, nothing else.
bool CurlPlainUpload(const std::string& url, const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  CURL* easy = curl_easy_init();
  if (!file || !easy) return false;
  curl_slist* headers = curl_slist_append(nullptr, "Expect:");
  curl_easy_setopt(easy, CURLOPT_URL, (url + "/plain").c_str());
  curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(easy, CURLOPT_READFUNCTION, ReadFile);
  curl_easy_setopt(easy, CURLOPT_READDATA, file);
  curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(std::filesystem::file_size(path)));
  curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferBytes);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Discard);
  curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
  const bool ok = curl_easy_perform(easy) == CURLE_OK;
  curl_slist_free_all(headers);
  curl_easy_cleanup(easy);
  std::fclose(file);
  return ok;
}

bool SuiteUpload(const uploadtest::ServerScript& script, const std::string& url, const std::string& path) {
  tovrin::UploadJob job;
  job.endpoint = url;
  job.password = script.password;
  job.file = path;
  job.metadata.user = script.user;
  job.metadata.title = "Benchmark";
  tovrin::StopSignal stop;
  return tovrin::RunUpload(job, tovrin::UploadTuning{}, stop, {}) == tovrin::UploadResult::Complete;
}

void WriteNoise(const std::string& path, std::uint64_t megabytes) {
  std::ofstream out(path, std::ios::binary);
  std::vector<char> block(1 << 20);
  std::uint32_t state = 7;
  for (std::uint64_t m = 0; m < megabytes; ++m) {
    for (char& c : block) c = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const std::uint64_t megabytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 200;
  const std::string file = (std::filesystem::temp_directory_path() / "bench_uploader.bin").string();
  WriteNoise(file, megabytes);
  curl_global_init(CURL_GLOBAL_DEFAULT);
  uploadtest::ServerScript script;
  script.lifetime = std::chrono::seconds(3600);

  bench::Session session("Upload library against a plain libcurl upload", rounds);
  bench::Figure rate{std::to_string(megabytes) + " MB to 127.0.0.1", "MB/s", true, {}, {}, {}};
  const double size = static_cast<double>(megabytes);
  for (int round = 0; round < rounds; ++round) {
    // A fresh server for each contender, started outside the time.
    const std::vector<double> s =
        bench::RunRound(round, {[&] {
                                  uploadtest::UploadServer server(script);
                                  const double start = bench::Now();
                                  const bool ok = SuiteUpload(script, server.Url(), file) && server.Complete();
                                  const double seconds = bench::Now() - start;
                                  if (!ok) std::fprintf(stderr, "bench_uploader: the upload did not complete\n");
                                  return ok ? size / seconds : 0.0;
                                },
                                [&] {
                                  uploadtest::UploadServer server(script);
                                  const double start = bench::Now();
                                  const bool ok = CurlPlainUpload(server.Url(), file);
                                  const double seconds = bench::Now() - start;
                                  if (!ok) std::fprintf(stderr, "bench_uploader: the libcurl upload failed\n");
                                  return ok ? size / seconds : 0.0;
                                }});
    if (s[0] <= 0 || s[1] <= 0) {
      std::filesystem::remove(file);
      return 1;
    }
    rate.Add(s[0], s[1]);
  }
  bench::Section("Upload of a " + std::to_string(megabytes) +
                     " MB file, MB/s (higher is better); project: Tovrin's resumable upload (metadata, 16 MB chunks "
                     "with Content-Range, each acknowledged)",
                 "one libcurl PUT of the whole file to the same server's plain address, upload buffer " +
                     std::to_string(kUploadBufferBytes / 1024) + " KiB as the library's",
                 "the peer sends no metadata, no chunk ranges and waits for one answer only; the server holds and "
                 "digests both alike");
  bench::Print(rate);
  std::filesystem::remove(file);
  curl_global_cleanup();
  return 0;
}
